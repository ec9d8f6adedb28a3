#pragma once

#include "RateMeter.h"

#include <QString>

// Whether a sentence arrives as its confirmed rate says: within 10 % of the period; for OFF,
// nothing for 3 s after the setting; silent when nothing came within 3 periods (at least 3 s);
// checksum errors when what came since has bad checksums only.
class RateCheck
{
public:
    enum class State
    {
        Unset,   // no rate confirmed, or not one of the list
        Waiting, // too early to tell
        Normal,
        Deviating,     // another period, or arriving while set OFF
        Silent,        // set, but nothing arrives
        ChecksumErrors // what arrives of it has bad checksums, so cannot be told apart
    };

    static constexpr double tolerance = 0.1;
    static constexpr int silentPeriods = 3;
    static constexpr qint64 minSilentMs = 3000;

    // measured: the kind's figures over the arrivals since the setting (RateMeter::kind(name,
    // sinceMs)); now on the same clock.
    static State of(const QString& rate, qint64 sinceMs, const RateMeter::Kind& measured,
                    qint64 now);
};
