#pragma once

#include <QStringList>

// The NMEA sentence names, in sending order: GGA … HDT, then "NMEA" for all of them at once.
// All eleven drive the output rows; the first ten (nmeaSentenceCount) drive everything else.
extern const QStringList nmeaList;

constexpr int nmeaSentenceCount = 10;
