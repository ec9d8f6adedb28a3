#pragma once

#include "RecordingReader.h"
#include "ReplayPacer.h"

#include <cstdint>
#include <functional>
#include <string>

// The simulator's stream taken from a recording instead of its own generator: the receiver's
// bytes as recorded, paced by the recording's timing or its NMEA time tags, at a speed, from
// the start again at the end when looping. Our own commands in it are not the receiver's and
// are left out.
class SimReplay
{
public:
    SimReplay(std::string path, double speed, bool loop);

    bool open(std::string& error);
    // Hands out what is due at nowMs, at most room bytes when as fast as it can (a line that
    // does not keep up then slows the replay; at a set speed the oldest output is dropped as
    // on a real line). Returns milliseconds until the next piece, -1 once played to its end.
    std::int64_t due(std::int64_t nowMs, std::size_t room,
                     const std::function<void(std::string&&)>& out);

private:
    std::string path;
    double speed;
    bool loop;
    RecordingReader reader;
    ReplayPacer pacer{reader};
    bool started = false;
    std::size_t stepsPlayed = 0; // in this round
    std::int64_t firstAtMs = 0;
    std::int64_t lastAtMs = 0;
};
