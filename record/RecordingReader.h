#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

// One step of a recording played back: bytes the receiver sent, or a command our program sent,
// at a time in milliseconds since the recording began.
struct ReplayStep
{
    std::int64_t atMs = 0;
    bool sent = false; // a command of ours, not the receiver's bytes
    std::string bytes;
};

// Reads a recording a step at a time, never the whole file at once (a day of 10 Hz output is
// hundreds of megabytes). With FILE.jsonl beside FILE the steps come as they were recorded;
// without it (another tool's capture) FILE is cut where a new NMEA time tag begins, each piece
// waiting the difference from the last tag. Plain C++: the simulator uses it too.
class RecordingReader
{
public:
    // False, with error, when FILE cannot be read; a missing FILE.jsonl is not an error.
    bool open(const std::string& path, std::string& error);
    // True when the timing comes from FILE.jsonl.
    bool timed() const { return hasTiming; }
    // The next step; false at the end of the recording.
    bool next(ReplayStep& step);
    // Back to the first step, for a replay that loops.
    void rewind();

    // Seconds of the day in a sentence's UTC time tag (GGA, RMC, GLL, GNS, ZDA, GST, GBS);
    // negative for a line that carries none.
    static double timeTagOf(std::string_view line);

    // Pieces of a file without time tags, and the most one step carries.
    static constexpr std::size_t maxStepBytes = 16 * 1024;

private:
    bool nextTimed(ReplayStep& step);
    bool nextByTags(ReplayStep& step);
    // Up to length bytes of FILE from where the last step ended.
    std::string readBytes(std::uint64_t length);
    bool fillBuffer();

    std::ifstream bytes;
    std::ifstream timing;
    bool hasTiming = false;
    std::uint64_t offset = 0;     // of FILE: how far the steps have come
    std::int64_t lastAtMs = 0;    // of the last step given
    std::string buffer;           // read from FILE, not yet given (by tags)
    std::size_t scanned = 0;      // of buffer: lines already looked at belong to the next step
    double currentTag = -1;       // the time tag of the step being gathered
    std::int64_t pendingAtMs = 0; // when the step being gathered is due
    bool bytesEnded = false;
};
