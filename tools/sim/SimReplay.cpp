#include "SimReplay.h"

#include <algorithm>
#include <cmath>
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
        if (stepsPlayed++ == 0)
            firstAtMs = step.atMs;
        lastAtMs = step.atMs;
        if (!step.sent)
            out(std::move(step.bytes));
    }
    // An empty recording is not looped: it would only spin.
    if (waitMs >= 0 || !loop || stepsPlayed == 0)
        return waitMs;
    // The next round's first piece comes one mean interval after the last, as the next epoch
    // would have.
    const std::int64_t interval =
        stepsPlayed > 1 ? (lastAtMs - firstAtMs) / static_cast<std::int64_t>(stepsPlayed - 1) : 0;
    const std::int64_t pauseMs =
        speed > 0 ? std::llround(std::max<std::int64_t>(interval - firstAtMs, 0) / speed) : 0;
    reader.rewind();
    pacer.start(nowMs + pauseMs, speed);
    stepsPlayed = 0;
    return 0;
}
