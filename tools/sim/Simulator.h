#pragma once

#include "NmeaGenerator.h"
#include "ReceiverState.h"

#include <csignal>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>
#include <string>

struct SimulatorOptions
{
    std::string serialNumber = "ZR415-SIM-0001";
    std::string linkPath;        // symlink to the device, when given
    bool chunked = false;        // split every write into small random pieces
    bool noise = false;          // random bytes between sentences
    int replyDelayMs = 0;        // answer after this long
    bool silent = false;         // answer nothing
    double dropAfterSeconds = 0; // close the line after this long (0: never)
    std::string initialRates;    // NAME=RATE,… applied at start (ALL for every sentence)
    std::string rejectedKeys;    // KEY,… whose SETs are answered ERR
    std::string stickyKeys;      // KEY,… whose SETs are answered OK but not applied
    bool noAck = false;          // apply SETs without answering them
    unsigned lineBaud = 0;       // answer only while the line is at this speed (0: any)
    long floodRate = 0;          // bytes a second of filler NMEA lines (0: none)
    unsigned seed = 1;
    FixQuality fix = FixQuality::RtkFixed;
    StationPosition position;
    std::string logPath;    // every command line received is appended here, when given
    std::string replayPath; // stream this recording instead of generated sentences
    double replaySpeed = 1; // 0: as fast as the reader takes it
    bool replayLoop = false;
};

// The receiver on the controlling side of a pseudo-terminal: reads command sentences, answers
// them, and streams NMEA at the rates set.
class SimReplay;

class Simulator
{
public:
    explicit Simulator(SimulatorOptions options);
    ~Simulator();

    // Opens the pseudo-terminal; the device path is then devicePath().
    bool open(std::string& error);
    const std::string& devicePath() const { return path; }
    // Runs until stop is set or the line is dropped.
    void run(const volatile std::sig_atomic_t& stop);

private:
    void readCommands();
    void queue(std::string bytes);
    void flush();
    void streamDue(double utcNow);
    void logCommand(const std::string& line);
    bool atLineSpeed() const;
    std::string garbage(std::size_t length);
    void floodDue(double now);
    void clearExclusiveModeLeftBehind();
    bool othersHoldTheDevice() const;
    double replayDue(double now);

    SimulatorOptions options;
    ReceiverState state;
    NmeaGenerator generator;
    std::mt19937 random;
    std::FILE* log = nullptr;
    std::unique_ptr<SimReplay> replay;
    int controller = -1;
    int device = -1;
    // Closes of the device by others, so a holder of exclusive mode that ended without clearing
    // it (killed) does not leave the port busy for good: the simulator keeps the device open, so
    // the kernel never drops the flag as it does at a real port's last close.
    int closeWatch = -1;
    std::string path;
    std::string received;
    std::deque<std::string> pendingOutput;
    std::size_t pendingBytes = 0;
    struct DelayedReply
    {
        double due;
        std::string bytes;
    };
    std::deque<DelayedReply> delayed;
    // UTC of each sentence's next epoch, on its period's grid (0: not streaming).
    double nextDue[ReceiverState::sentenceCount] = {};
    double floodCredit = 0; // bytes the flood may send now
    double floodCheckedAt = 0;
    unsigned long floodLines = 0;
};
