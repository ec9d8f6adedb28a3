#pragma once

#include "ReceiverStatus.h"

#include <QByteArray>
#include <QString>

// What monitor --status prints once a second: one line for a person, or gpsd's TPV, SKY and
// (when a heading arrived) ATT objects, one a line, for programs that read gpsd's JSON. Only
// values not yet stale are reported.
class StatusReport
{
public:
    // sinceMs: when the previous report was made; a heading newer than it is reported as ATT.
    StatusReport(const QString& device, const ReceiverStatus& status, qint64 nowMs, qint64 sinceMs);

    // "fix RTK fixed 3D, 31.2479817° N, 121.5874033° E, satellites 12/24, HDOP 0.80, heading
    // 123.45°", unknown values as "-"; no line end.
    QString toText() const;
    // Each object on a line of its own, each line ended.
    QByteArray toJsonLines() const;

    // gpsd's numbering: mode 0 not seen, 1 no fix, 2 2D, 3 3D; status 0 unknown, 1 normal,
    // 2 DGPS, 3 RTK fixed, 4 RTK float, 5 dead reckoning, 7 time, 8 simulated; gnssid GPS 0,
    // SBAS 1, Galileo 2, BeiDou 3, QZSS 5, GLONASS 6 (-1 for others); PRN GPS 1-32,
    // SBAS 120-158, GLONASS 65-96, Galileo 301-336, BeiDou 401-437, QZSS 193-202.
    static int gpsdStatus(ReceiverStatus::FixQuality quality);
    static int gpsdGnssId(Constellation constellation);
    static int gpsdPrn(Constellation constellation, int svid);

private:
    int gpsdMode() const;
    int satellitesUsed() const;

    QString device;
    const ReceiverStatus& status;
    qint64 nowMs;
    qint64 sinceMs;
};
