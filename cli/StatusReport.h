#pragma once

#include "ReceiverStatus.h"

#include <QByteArray>
#include <QString>

// What monitor --status prints: once a second a line for a person, or gpsd's stream for programs
// that read `gpspipe -w`: VERSION and DEVICES first, then per receiver epoch a TPV, a SKY when
// the sky or the used lists changed (never before the first GSV group), and an ATT when a
// heading came. Objects end in CR LF as gpsd's do: its Python client reads nothing else. Only
// values that are not overdue are reported.
class StatusReport
{
public:
    StatusReport(const QString& device, const ReceiverStatus& status, qint64 nowMs);

    // "fix RTK fixed 3D, 31.2479817° N, 121.5874033° E, satellites 12/24, HDOP 0.80, heading
    // 123.45°", unknown values as "-"; no line end.
    QString toText() const;

    // One object each, its line ended; att() is empty without a current heading.
    QByteArray tpv() const;
    QByteArray sky() const;
    QByteArray att() const;
    static QByteArray version();
    static QByteArray devices(const QString& device, unsigned baud, const QDateTime& activated);

    // gpsd's numbering: status 0 no fix, 1 normal, 2 DGPS, 3 RTK fixed, 4 RTK float, 5 dead
    // reckoning, 7 time (surveyed, manual), 8 simulated, 9 PPS fix; gnssid GPS 0, SBAS 1,
    // Galileo 2, BeiDou 3, QZSS 5, GLONASS 6 (-1 for others).
    static int gpsdStatus(ReceiverStatus::FixQuality quality);
    static int gpsdGnssId(Constellation constellation);
    // gpsd's mode: 0 nothing seen, 1 no fix, 2 2D, 3 3D.
    int gpsdMode() const;

private:
    QString device;
    const ReceiverStatus& status;
    qint64 nowMs;
};
