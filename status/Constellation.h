#pragma once

#include <QByteArrayView>

// The satellite systems a sentence can speak of, and the three ways NMEA tells which one: the
// talker of the sentence, NMEA 4.10's system id field, and the range a satellite number lies in.
enum class Constellation
{
    Unknown,
    Gps,
    Sbas,
    Galileo,
    BeiDou,
    Qzss,
    Glonass,
    NavIC
};

// "GP", "GL", "GA", "GB" and "BD" (both BeiDou), "GQ", "GI"; "GN" (several systems) and any
// other talker are Unknown.
Constellation constellationOfTalker(QByteArrayView talker);
// NMEA 4.10's system id: 1 GPS, 2 GLONASS, 3 Galileo, 4 BeiDou, 5 QZSS, 6 NavIC.
Constellation constellationOfSystemId(int id);
// The system a satellite number of a GN sentence belongs to: 1-32 GPS, 33-64 and 120-158 SBAS,
// 65-96 GLONASS, 193-200 QZSS, 201-263 BeiDou as some receivers number it (after QZSS's own
// range), 301-336 Galileo; Unknown elsewhere.
Constellation constellationOfNumber(int number);
