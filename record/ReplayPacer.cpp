#include "ReplayPacer.h"

#include <cmath>
#include <limits>

void ReplayPacer::start(std::int64_t nowMs, double speed)
{
    pace = speed > 0 ? speed : 0;
    isPaused = false;
    ended = false;
    haveAhead = false;
    basePosition = 0;
    baseClock = nowMs;
}

std::int64_t ReplayPacer::positionAt(std::int64_t nowMs) const
{
    if (isPaused)
        return basePosition;
    if (pace == 0)
        return std::numeric_limits<std::int64_t>::max();
    return basePosition + std::llround(static_cast<double>(nowMs - baseClock) * pace);
}

void ReplayPacer::rebase(std::int64_t nowMs)
{
    // As fast as it can has no clock of its own: it stands at the step it would give next.
    basePosition =
        !isPaused && pace == 0 ? (haveAhead ? ahead.atMs : basePosition) : positionAt(nowMs);
    baseClock = nowMs;
}

void ReplayPacer::setSpeed(std::int64_t nowMs, double speed)
{
    rebase(nowMs);
    pace = speed > 0 ? speed : 0;
}

void ReplayPacer::setPaused(std::int64_t nowMs, bool paused)
{
    rebase(nowMs);
    isPaused = paused;
}

std::int64_t ReplayPacer::take(std::int64_t nowMs, std::vector<ReplayStep>& out,
                               std::size_t maxBytes)
{
    const std::int64_t position = positionAt(nowMs);
    std::size_t taken = 0;
    for (;;) {
        if (!haveAhead) {
            haveAhead = !ended && reader.next(ahead);
            if (!haveAhead) {
                ended = true;
                return -1;
            }
        }
        if (isPaused)
            return pausedWaitMs;
        if (ahead.atMs > position)
            return static_cast<std::int64_t>(
                std::ceil(static_cast<double>(ahead.atMs - position) / pace));
        if (taken > 0 && taken + ahead.bytes.size() > maxBytes)
            return 0;
        taken += ahead.bytes.size();
        if (pace == 0)
            basePosition = ahead.atMs;
        out.push_back(std::move(ahead));
        haveAhead = false;
    }
}
