#pragma once

#include <QByteArrayView>
#include <QString>

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
// The system a satellite number of a GN or GP sentence belongs to, as NMEA 4.10/4.11 and gpsd
// number them: 1-32 GPS, 33-64 and 120-158 SBAS, 65-96 GLONASS, 193-202 QZSS, 203-263 and
// 401-463 BeiDou (201-263 under BeiDou's own talkers), 301-336 Galileo; Unknown elsewhere.
Constellation constellationOfNumber(int number);
// A satellite's own number within its system, from a number as a sentence gives it: the ranges
// of constellationOfNumber (and BeiDou's 201-263) are moved back to start at 1 (SBAS keeps its
// PRN 120-158, 33-64 becoming 120-151); a number already in the system's own range is kept.
int ownNumber(Constellation constellation, int number);
// The system's letter and its own number, as receivers' logs write them: G05, R07, E11, C21,
// J02, I03, and S41 for SBAS PRN 141; "?7" for an unknown system.
QString systemLabel(Constellation constellation, int svid);
// gpsd's PRN for a satellite's own number: GPS and SBAS as they are, GLONASS 65-96, Galileo
// 301-336, BeiDou 401-463, QZSS 193-202.
int gpsdPrn(Constellation constellation, int svid);
// The system's name in English ("GPS", "GLONASS", "BeiDou", …); "other" for Unknown.
QString constellationName(Constellation constellation);
