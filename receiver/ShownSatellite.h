#pragma once

#include "Constellation.h"

#include <QString>

// One satellite as the receiver tab draws it, apart from how the parser keeps it, so the plots
// can be drawn from any list. Unknown numbers are -1.
struct ShownSatellite
{
    Constellation system = Constellation::Unknown;
    int number = 0;     // the system's own number
    int elevation = -1; // degrees, 0-90
    int azimuth = -1;   // degrees from north, clockwise
    int snr = -1;       // dB-Hz
    bool used = false;
    qint64 ageMs = 0;   // since it was last heard from
    bool stale = false; // overdue: drawn faded
    QString label = {}; // the system's letter and own number: "G05", "R07"
    int prn = 0;        // the PRN gpsd gives it

    // Drawn the same: the age alone does not change a plot.
    bool operator==(const ShownSatellite& other) const
    {
        return system == other.system && number == other.number && elevation == other.elevation &&
               azimuth == other.azimuth && snr == other.snr && used == other.used &&
               stale == other.stale && label == other.label;
    }
    bool operator!=(const ShownSatellite& other) const { return !(*this == other); }
};
