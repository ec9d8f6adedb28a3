#include "Simulator.h"

#include "LineSettings.h"
#include "SimReplay.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Output waiting for a reader that is not there is dropped, oldest first, past this.
constexpr std::size_t maxPendingBytes = 64 * 1024;
constexpr std::size_t maxCommandLength = 4096;
// The flood waits while this much is still unwritten, so it never pushes out a reply.
constexpr std::size_t floodQueueLimit = 8 * 1024;
// A reader that fell behind is not paid back more than this much of the rate in one burst.
constexpr double floodMaxCreditSeconds = 0.05;

double monotonicSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double utcSeconds()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::vector<std::string> commaList(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}
} // namespace

Simulator::Simulator(SimulatorOptions chosen)
    : options(std::move(chosen)), state(options.serialNumber),
      generator(options.fix, options.position), random(options.seed)
{
    for (const std::string& key : commaList(options.rejectedKeys))
        state.reject(key);
    for (const std::string& item : commaList(options.initialRates)) {
        const std::size_t equals = item.find('=');
        if (equals != std::string::npos)
            state.handle("#KVT,,SET,GNSS.NMEA." + item.substr(0, equals) + "," +
                         item.substr(equals + 1));
    }
    // After the initial rates: a sticky key keeps the rate it starts with.
    for (const std::string& key : commaList(options.stickyKeys))
        state.stick(key);
    state.setNoAck(options.noAck);
}

Simulator::~Simulator()
{
    if (log)
        std::fclose(log);
    if (!options.linkPath.empty())
        unlink(options.linkPath.c_str());
    if (closeWatch >= 0)
        close(closeWatch);
    if (controller >= 0)
        close(controller);
    if (device >= 0)
        close(device);
}

bool Simulator::open(std::string& error)
{
    char name[256] = {};
    if (openpty(&controller, &device, name, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    termios mode{};
    tcgetattr(device, &mode);
    cfmakeraw(&mode);
    tcsetattr(device, TCSANOW, &mode);
    fcntl(controller, F_SETFL, fcntl(controller, F_GETFL) | O_NONBLOCK);
    path = name;
    closeWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closeWatch < 0 || inotify_add_watch(closeWatch, name, IN_CLOSE) < 0) {
        // A user has 128 watchers by default, and a bench may start more simulators: these run
        // without, and a user killed in exclusive mode leaves their port busy.
        std::fprintf(stderr, "zr415-sim: not watching %s for users that go away: %s\n", name,
                     std::strerror(errno));
        if (closeWatch >= 0)
            close(closeWatch);
        closeWatch = -1;
    }
    if (!options.logPath.empty()) {
        log = std::fopen(options.logPath.c_str(), "a");
        if (!log) {
            error = "cannot open the log " + options.logPath + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!options.replayPath.empty()) {
        replay = std::make_unique<SimReplay>(options.replayPath, options.replaySpeed,
                                             options.replayLoop);
        if (!replay->open(error))
            return false;
    }
    if (!options.linkPath.empty()) {
        unlink(options.linkPath.c_str());
        if (symlink(path.c_str(), options.linkPath.c_str()) != 0) {
            error = "symlink " + options.linkPath + ": " + std::strerror(errno);
            options.linkPath.clear();
            return false;
        }
    }
    return true;
}

bool Simulator::atLineSpeed() const
{
    if (options.lineBaud == 0)
        return true;
    LineSettings line{};
    return readLineSettings(device, line) && line.baud == options.lineBaud;
}

// What a UART at another speed makes of the bytes. Never an "@" or CR, so it never forms a
// reply of its own.
std::string Simulator::garbage(std::size_t length)
{
    std::uniform_int_distribution<int> value(0, 255);
    std::string junk;
    while (junk.size() < length) {
        const char c = static_cast<char>(value(random));
        if (c != '@' && c != '\r')
            junk += c;
    }
    return junk;
}

void Simulator::queue(std::string bytes)
{
    if (!atLineSpeed())
        bytes = garbage(bytes.size());
    if (options.noise) {
        std::uniform_int_distribution<int> length(0, 12);
        std::uniform_int_distribution<int> value(0, 255);
        std::string junk;
        for (int n = length(random); n > 0; --n) {
            const char c = static_cast<char>(value(random));
            // Noise never forms a reply of its own.
            if (c != '@' && c != '\r')
                junk += c;
        }
        bytes.insert(0, junk);
    }
    while (pendingBytes + bytes.size() > maxPendingBytes && pendingOutput.size() > 1) {
        pendingBytes -= pendingOutput[1].size();
        pendingOutput.erase(pendingOutput.begin() + 1);
    }
    pendingBytes += bytes.size();
    pendingOutput.push_back(std::move(bytes));
}

void Simulator::flush()
{
    std::uniform_int_distribution<std::size_t> piece(1, 7);
    while (!pendingOutput.empty()) {
        std::string& front = pendingOutput.front();
        const std::size_t size =
            options.chunked ? std::min(piece(random), front.size()) : front.size();
        const ssize_t written = write(controller, front.data(), size);
        if (written <= 0)
            return; // the line is full: wait until it drains
        front.erase(0, static_cast<std::size_t>(written));
        pendingBytes -= static_cast<std::size_t>(written);
        if (front.empty())
            pendingOutput.pop_front();
        if (options.chunked)
            std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
}

void Simulator::readCommands()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(controller, buffer, sizeof buffer);
        if (got <= 0)
            return;
        const bool understood = atLineSpeed();
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (!understood) {
                // The command is lost in framing errors; the answer the tool hears is noise.
                received.clear();
                if (c == '\r')
                    queue(garbage(32));
                continue;
            }
            if (c != '\r' && c != '\n') {
                if (received.size() < maxCommandLength)
                    received += c;
                continue;
            }
            if (received.empty())
                continue;
            logCommand(received);
            const std::optional<std::string> reply = state.handle(received);
            received.clear();
            if (!reply || options.silent)
                continue;
            if (options.replyDelayMs > 0)
                delayed.push_back({monotonicSeconds() + options.replyDelayMs / 1000.0, *reply});
            else
                queue(*reply);
        }
    }
}

// Written before the reply is queued, so whoever reads the reply finds the command logged.
void Simulator::logCommand(const std::string& line)
{
    if (!log)
        return;
    std::fwrite(line.data(), 1, line.size(), log);
    std::fputc('\n', log);
    std::fflush(log);
}

// Each sentence is due on its period's grid of UTC, as a receiver's epochs are, so the sentences
// of one epoch carry the same time tag.
void Simulator::streamDue(double utcNow)
{
    for (int i = 0; i < ReceiverState::sentenceCount; ++i) {
        const double period = state.period(i);
        if (period <= 0) {
            nextDue[i] = 0;
            continue;
        }
        // Newly on, or the clock went back.
        if (nextDue[i] == 0 || nextDue[i] > utcNow + period)
            nextDue[i] = std::ceil(utcNow / period) * period;
        if (utcNow < nextDue[i])
            continue;
        queue(generator.sentence(ReceiverState::sentenceNames[static_cast<std::size_t>(i)],
                                 state.hdtTalker(), nextDue[i]));
        // The next epoch by its number on the grid, so rounding never drifts off it nor
        // repeats an epoch; epochs missed (a clock step, a stalled reader) are skipped.
        double epoch = std::round(nextDue[i] / period) + 1;
        if (epoch * period <= utcNow)
            epoch = std::floor(utcNow / period) + 1;
        nextDue[i] = epoch * period;
    }
}

void Simulator::floodDue(double now)
{
    const double rate = static_cast<double>(options.floodRate);
    if (rate <= 0)
        return;
    if (floodCheckedAt > 0)
        floodCredit =
            std::min(floodCredit + (now - floodCheckedAt) * rate, rate * floodMaxCreditSeconds);
    floodCheckedAt = now;
    while (floodCredit > 0 && pendingBytes < floodQueueLimit) {
        char body[96];
        std::snprintf(body, sizeof body,
                      "GNTXT,01,01,02,FILLER %08lu ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd",
                      ++floodLines % 100000000UL);
        std::string line = NmeaGenerator::withChecksum(body);
        floodCredit -= static_cast<double>(line.size());
        queue(std::move(line));
    }
}

// After a close: when nobody else holds the device and it is still in exclusive mode, its holder
// ended without clearing it, and the next user would find the port busy.
void Simulator::clearExclusiveModeLeftBehind()
{
    // The closes themselves do not matter (the kernel merges events still unread), only that
    // one happened.
    alignas(inotify_event) char events[4096];
    while (read(closeWatch, events, sizeof events) > 0) {
    }
    int exclusive = 0;
    if (ioctl(device, TIOCGEXCL, &exclusive) != 0 || !exclusive || othersHoldTheDevice())
        return;
    ioctl(device, TIOCNXCL);
    // A note, not an error: on standard output, beside the device's path.
    std::printf("zr415-sim: the last user of %s ended in exclusive mode; cleared\n", path.c_str());
    std::fflush(stdout);
}

// Looks through every process's open files, as fuser does. The files of another user's processes
// cannot be read, but the device is this user's (mode 620), so only root's could hold it, and
// exclusive mode never kept root out anyway.
bool Simulator::othersHoldTheDevice() const
{
    const std::string self = std::to_string(getpid());
    DIR* processes = opendir("/proc");
    if (!processes)
        return true;
    bool held = false;
    while (!held) {
        const dirent* process = readdir(processes);
        if (!process)
            break;
        if (process->d_name[0] < '0' || process->d_name[0] > '9')
            continue;
        const std::string folder = std::string("/proc/") + process->d_name + "/fd";
        DIR* files = opendir(folder.c_str());
        if (!files)
            continue;
        while (const dirent* file = readdir(files)) {
            if (file->d_name[0] == '.' ||
                (self == process->d_name && std::atoi(file->d_name) == device))
                continue;
            char target[256];
            const ssize_t length =
                readlink((folder + "/" + file->d_name).c_str(), target, sizeof target - 1);
            if (length > 0 &&
                path.compare(0, std::string::npos, target, static_cast<std::size_t>(length)) == 0) {
                held = true;
                break;
            }
        }
        closedir(files);
    }
    closedir(processes);
    return held;
}

// Seconds until the recording has more to send.
double Simulator::replayDue(double now)
{
    const std::size_t room = pendingBytes < floodQueueLimit ? floodQueueLimit - pendingBytes : 0;
    const std::int64_t waitMs =
        replay->due(static_cast<std::int64_t>(now * 1000), room,
                    [this](std::string&& bytes) { queue(std::move(bytes)); });
    return waitMs < 0 ? 0.05 : waitMs / 1000.0;
}

void Simulator::run(const volatile std::sig_atomic_t& stop)
{
    const double start = monotonicSeconds();
    while (!stop) {
        const double now = monotonicSeconds();
        if (options.dropAfterSeconds > 0 && now - start >= options.dropAfterSeconds) {
            std::fprintf(stderr, "zr415-sim: dropping the line\n");
            close(controller);
            controller = -1;
            return;
        }
        const double utcNow = utcSeconds();
        double replayWait = 0.05;
        if (replay)
            replayWait = replayDue(now);
        else
            streamDue(utcNow);
        floodDue(now);
        while (!delayed.empty() && delayed.front().due <= now) {
            queue(std::move(delayed.front().bytes));
            delayed.pop_front();
        }
        flush();

        double wait = 0.05;
        for (int i = 0; i < ReceiverState::sentenceCount; ++i)
            if (nextDue[i] > 0)
                wait = std::min(wait, nextDue[i] - utcNow);
        if (!delayed.empty())
            wait = std::min(wait, delayed.front().due - now);
        if (options.floodRate > 0)
            wait = std::min(wait, 0.002);
        wait = std::min(wait, replayWait);
        pollfd waits[2] = {
            {controller, static_cast<short>(POLLIN | (pendingOutput.empty() ? 0 : POLLOUT)), 0},
            {closeWatch, POLLIN, 0}};
        poll(waits, 2, std::max(0, static_cast<int>(std::ceil(wait * 1000))));
        if (waits[0].revents & POLLIN)
            readCommands();
        if (waits[1].revents & POLLIN)
            clearExclusiveModeLeftBehind();
    }
}
