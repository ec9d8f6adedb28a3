#pragma once

#include "UnitReport.h"

#include <QString>

// The drawings of a report page as SVG text: written, not painted, so that the command-line
// tool draws without the GUI library, and the page needs nothing but itself.
class ReportSvg
{
public:
    // The colour of each fix kind, in GGA's order.
    static QString fixColour(int kind);
    static QString fixTimeline(const UnitReport& report);
    static QString scatter(const UnitReport& report);
    static QString headingTimeline(const UnitReport& report);
    static QString skyTracks(const UnitReport& report);
    static QString snrBars(const UnitReport& report);
};
