#include "RateCheck.h"

#include "OutputRate.h"

#include <algorithm>
#include <cmath>

RateCheck::State RateCheck::of(const QString& rate, qint64 sinceMs, const RateMeter::Kind& measured,
                               qint64 now)
{
    const std::optional<double> period = OutputRate::periodSeconds(rate);
    if (!period || sinceMs < 0)
        return State::Unset;
    const bool arrivedSince = measured.lastAt >= sinceMs;
    // Sentences that arrive garbled are not silence, nor a sign of being off.
    if (measured.lastBadAt >= sinceMs && !arrivedSince)
        return State::ChecksumErrors;
    if (*period == 0) {
        if (arrivedSince && now - measured.lastAt < minSilentMs)
            return State::Deviating;
        return now - sinceMs >= minSilentMs ? State::Normal : State::Waiting;
    }
    const qint64 silentMs =
        std::max(minSilentMs, qint64(std::llround(*period * silentPeriods * 1000)));
    const qint64 quietSince = arrivedSince ? measured.lastAt : sinceMs;
    if (now - quietSince >= silentMs)
        return measured.lastBadAt > quietSince ? State::ChecksumErrors : State::Silent;
    if (measured.measured < 2)
        return State::Waiting;
    return std::abs(measured.period - *period) <= *period * tolerance ? State::Normal
                                                                      : State::Deviating;
}
