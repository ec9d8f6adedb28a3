#include "SimReplay.h"

#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

SimReplay::SimReplay(std::string file, double pace, bool again)
    : path(std::move(file)), speed(pace), loop(again)
{}

bool SimReplay::open(std::string& error)
{
    return reader.open(path, error);
}

std::int64_t SimReplay::due(std::int64_t nowMs, std::size_t room,
                            const std::function<void(std::string&&)>& out)
{
    if (!started) {
        pacer.start(nowMs, speed);
        started = true;
    }
    if (speed > 0)
        room = std::numeric_limits<std::size_t>::max();
    else if (room == 0)
        return 1;
    std::vector<ReplayStep> steps;
    const std::int64_t waitMs = pacer.take(nowMs, steps, room);
    for (ReplayStep& step : steps) {
        playedAny = true;
        if (!step.sent)
            out(std::move(step.bytes));
    }
    // An empty recording is not looped: it would only spin.
    if (waitMs >= 0 || !loop || !playedAny)
        return waitMs;
    reader.rewind();
    pacer.start(nowMs, speed);
    return 0;
}
