// zr415-sim: a simulated ZR415 receiver on a pseudo-terminal, for trying and testing the tool
// without hardware.
#include "Simulator.h"

#include <cmath>
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
        "  --flood BPS        also stream filler NMEA lines at BPS bytes a second\n"
        "  --fix KIND         the fix reported: no-fix, single, dgnss, pps, rtk-fixed\n"
        "                     (default), rtk-float, dead-reckoning, manual or simulation\n"
        "  --position LAT,LON,HEIGHT\n"
        "                     where the receiver stands: degrees north and east (negative\n"
        "                     south and west), metres above mean sea level\n"
        "                     (default 31.2304,121.4737,12.345)\n"
        "  --log FILE         append every command line received to FILE\n"
        "  --version          print the version and stop\n"
        "  --replay FILE      send the receiver's bytes recorded in FILE (zr415ctl monitor\n"
        "                     --record, the window's record button, or any NMEA capture)\n"
        "                     instead of generated sentences, with the timing of\n"
        "                     FILE.jsonl, or without one paced by the NMEA time tags;\n"
        "                     commands are answered as always\n"
        "  --speed X          replay X times as fast (default 1; 0 as fast as read)\n"
        "  --loop             replay from the start again at the end\n",
        to);
}

// "LAT,LON,HEIGHT" with the height optional; false for anything else or a point off the globe.
bool parsePosition(const char* text, StationPosition& position)
{
    double values[3] = {0, 0, position.height};
    const char* at = text;
    int count = 0;
    for (;;) {
        char* end = nullptr;
        values[count++] = std::strtod(at, &end);
        if (end == at || !std::isfinite(values[count - 1]))
            return false;
        if (*end == '\0')
            break;
        if (*end != ',' || count == 3)
            return false;
        at = end + 1;
    }
    if (count < 2 || std::fabs(values[0]) > 90 || std::fabs(values[1]) > 180)
        return false;
    position = {values[0], values[1], values[2]};
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    SimulatorOptions options;
    bool speedGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            usage(stdout);
            return 0;
        } else if (option == "--version" || option == "-V") {
            std::printf("zr415-sim %s\n", ZR415_VERSION);
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
        } else if (option == "--fix" && hasValue) {
            const std::optional<FixQuality> fix = fixQualityNamed(argv[++i]);
            if (!fix) {
                std::fprintf(stderr, "zr415-sim: --fix needs one of %s, not %s\n",
                             fixQualityNames().c_str(), argv[i]);
                return 2;
            }
            options.fix = *fix;
        } else if (option == "--position" && hasValue) {
            if (!parsePosition(argv[++i], options.position)) {
                std::fprintf(stderr,
                             "zr415-sim: --position needs LAT,LON,HEIGHT in degrees and metres "
                             "(latitude within 90, longitude within 180), not %s\n",
                             argv[i]);
                return 2;
            }
        } else if (option == "--replay" && hasValue) {
            options.replayPath = argv[++i];
        } else if (option == "--loop") {
            options.replayLoop = true;
        } else if (option == "--speed" && hasValue) {
            char* end = nullptr;
            options.replaySpeed = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(options.replaySpeed >= 0) || options.replaySpeed > 1e6) {
                std::fprintf(stderr,
                             "zr415-sim: --speed needs a factor of 0 (as fast as read) or more, "
                             "not %s\n",
                             argv[i]);
                return 2;
            }
            speedGiven = true;
        } else if (option == "--log" && hasValue) {
            options.logPath = argv[++i];
        } else if (option == "--seed" && hasValue) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "zr415-sim: unknown or incomplete option %s\n", option.c_str());
            usage(stderr);
            return 2;
        }
    }

    if ((speedGiven || options.replayLoop) && options.replayPath.empty()) {
        std::fprintf(stderr, "zr415-sim: --speed and --loop need --replay FILE\n");
        return 2;
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
