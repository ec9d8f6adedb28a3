#pragma once

#include "UnitReport.h"

#include <optional>

// The limits a unit must meet to pass commissioning. Each one given is checked; a figure that
// could not be measured (no fix, no heading) fails its check, so a silent unit never passes.
class ReportThresholds
{
public:
    std::optional<double> minFixedPercent; // share of epochs RTK fixed
    std::optional<double> maxCep95M;
    std::optional<double> maxHeadingSigmaDeg;
    std::optional<double> maxFirstFixS;

    // Fills report's checks and passed.
    void check(UnitReport& report) const;
};
