// zr415-sim: a simulated ZR415 receiver on a pseudo-terminal, for trying and testing the tool
// without hardware.
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

void usage(std::FILE* to)
{
    std::fputs(
        "usage: zr415-sim [options]\n"
        "Opens a pseudo-terminal, prints its device path and answers the receiver's command\n"
        "sentences on it until stopped. Output rates are periods in seconds.\n"
        "  --link PATH        make PATH a symlink to the device (removed on exit)\n"
        "  --serial TEXT      serial number reported (default ZR415-SIM-0001)\n"
        "  --rates LIST       initial rates, e.g. GGA=1,RMC=0.5 or ALL=0.02\n"
        "  --chunked          split every write into small random pieces\n"
        "  --noise            random bytes between sentences\n"
        "  --delay MS         answer commands after MS milliseconds\n"
        "  --silent           answer nothing\n"
        "  --drop-after SEC   close the line after SEC seconds\n"
        "  --seed N           seed of the random choices\n"
        "  --reject KEYS      answer ERR to SETs of these keys (GGA or GNSS.NMEA.GGA, ...)\n"
        "  --sticky KEYS      answer OK to SETs of these keys but keep the old value\n"
        "  --no-ack           apply SETs without answering them\n"
        "  --baud RATE        understand and answer only while the line is set to RATE;\n"
        "                     at any other speed everything sent is garbage\n"
        "  --flood BPS        also stream filler NMEA lines at BPS bytes a second\n",
        to);
}
} // namespace

int main(int argc, char* argv[])
{
    SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            usage(stdout);
            return 0;
        } else if (option == "--chunked") {
            options.chunked = true;
        } else if (option == "--noise") {
            options.noise = true;
        } else if (option == "--silent") {
            options.silent = true;
        } else if (option == "--no-ack") {
            options.noAck = true;
        } else if (option == "--reject" && hasValue) {
            options.rejectedKeys = argv[++i];
        } else if (option == "--sticky" && hasValue) {
            options.stickyKeys = argv[++i];
        } else if (option == "--link" && hasValue) {
            options.linkPath = argv[++i];
        } else if (option == "--serial" && hasValue) {
            options.serialNumber = argv[++i];
        } else if (option == "--rates" && hasValue) {
            options.initialRates = argv[++i];
        } else if (option == "--delay" && hasValue) {
            options.replyDelayMs = std::atoi(argv[++i]);
        } else if (option == "--drop-after" && hasValue) {
            options.dropAfterSeconds = std::atof(argv[++i]);
        } else if (option == "--baud" && hasValue) {
            const long rate = std::strtol(argv[++i], nullptr, 10);
            if (rate <= 0) {
                std::fprintf(stderr, "zr415-sim: --baud needs a positive rate, not %s\n", argv[i]);
                return 2;
            }
            options.lineBaud = static_cast<unsigned>(rate);
        } else if (option == "--flood" && hasValue) {
            char* end = nullptr;
            options.floodRate = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || options.floodRate <= 0) {
                std::fprintf(stderr,
                             "zr415-sim: --flood needs a positive number of bytes a second, "
                             "not %s\n",
                             argv[i]);
                return 2;
            }
        } else if (option == "--seed" && hasValue) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "zr415-sim: unknown or incomplete option %s\n", option.c_str());
            usage(stderr);
            return 2;
        }
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGPIPE, SIG_IGN);
    Simulator simulator(options);
    std::string error;
    if (!simulator.open(error)) {
        std::fprintf(stderr, "zr415-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", simulator.devicePath().c_str());
    std::fflush(stdout);
    simulator.run(stopRequested);
    return 0;
}
