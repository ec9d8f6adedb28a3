#pragma once

#include "RecordingReader.h"

#include <cstdint>
#include <vector>

// Hands out a recording's steps when they are due on a monotonic clock in milliseconds, at a
// speed (1 as recorded, 4 four times as fast, 0 as fast as the reader takes them), with pause.
// Plain C++: the simulator's replay and the window's share it.
class ReplayPacer
{
public:
    explicit ReplayPacer(RecordingReader& reader) : reader(reader) {}

    void start(std::int64_t nowMs, double speed = 1);
    // Changing speed or pausing keeps the place in the recording.
    void setSpeed(std::int64_t nowMs, double speed);
    void setPaused(std::int64_t nowMs, bool paused);
    bool paused() const { return isPaused; }
    double speed() const { return pace; }

    // Appends the steps due at nowMs to out, no more than about maxBytes of them (one step at
    // least), and returns the milliseconds until the next is due: 0 when more are due already,
    // -1 at the end of the recording. While paused, nothing is due.
    std::int64_t take(std::int64_t nowMs, std::vector<ReplayStep>& out, std::size_t maxBytes);
    bool finished() const { return ended; }

    static constexpr std::int64_t pausedWaitMs = 1000;

private:
    // Where in the recording the clock has come, in its milliseconds.
    std::int64_t positionAt(std::int64_t nowMs) const;
    void rebase(std::int64_t nowMs);

    RecordingReader& reader;
    ReplayStep ahead;
    bool haveAhead = false;
    bool ended = false;
    bool isPaused = false;
    double pace = 1;
    std::int64_t basePosition = 0; // the recording's time at baseClock
    std::int64_t baseClock = 0;
};
