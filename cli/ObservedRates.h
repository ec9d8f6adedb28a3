#pragma once

#include "RateMeter.h"
#include "UnitResult.h"

#include <QList>

#include <map>
#include <string>

// After listening to a unit, which of the rates it was set to it does not keep: a period more
// than 10 % off, silence where a rate was set, or sentences where it was set OFF.
class ObservedRates
{
public:
    // The shortest listening that can tell for every rate of wanted: three periods, at least 3 s.
    static double secondsNeeded(const std::map<std::string, std::string>& wanted);
    // wanted: sentence name -> rate; what arrived between sinceMs and nowMs on the meter's clock.
    static QList<UnitResult::Mismatch> differences(const std::map<std::string, std::string>& wanted,
                                                   const RateMeter& meter, qint64 sinceMs,
                                                   qint64 nowMs);
};
