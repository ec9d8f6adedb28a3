#include "Constellation.h"

Constellation constellationOfTalker(QByteArrayView talker)
{
    if (talker == "GP")
        return Constellation::Gps;
    if (talker == "GL")
        return Constellation::Glonass;
    if (talker == "GA")
        return Constellation::Galileo;
    if (talker == "GB" || talker == "BD")
        return Constellation::BeiDou;
    if (talker == "GQ")
        return Constellation::Qzss;
    if (talker == "GI")
        return Constellation::NavIC;
    return Constellation::Unknown;
}

Constellation constellationOfSystemId(int id)
{
    switch (id) {
    case 1:
        return Constellation::Gps;
    case 2:
        return Constellation::Glonass;
    case 3:
        return Constellation::Galileo;
    case 4:
        return Constellation::BeiDou;
    case 5:
        return Constellation::Qzss;
    case 6:
        return Constellation::NavIC;
    default:
        return Constellation::Unknown;
    }
}

Constellation constellationOfNumber(int number)
{
    if (number >= 1 && number <= 32)
        return Constellation::Gps;
    if ((number >= 33 && number <= 64) || (number >= 120 && number <= 158))
        return Constellation::Sbas;
    if (number >= 65 && number <= 96)
        return Constellation::Glonass;
    if (number >= 193 && number <= 202)
        return Constellation::Qzss;
    if ((number >= 203 && number <= 263) || (number >= 401 && number <= 463))
        return Constellation::BeiDou;
    if (number >= 301 && number <= 336)
        return Constellation::Galileo;
    return Constellation::Unknown;
}

int ownNumber(Constellation constellation, int number)
{
    switch (constellation) {
    case Constellation::Sbas:
        return number >= 33 && number <= 64 ? number + 87 : number;
    case Constellation::Glonass:
        return number >= 65 && number <= 96 ? number - 64 : number;
    case Constellation::Qzss:
        return number >= 193 && number <= 202 ? number - 192 : number;
    case Constellation::BeiDou:
        if (number >= 201 && number <= 263)
            return number - 200;
        return number >= 401 && number <= 463 ? number - 400 : number;
    case Constellation::Galileo:
        return number >= 301 && number <= 336 ? number - 300 : number;
    default:
        return number;
    }
}

QString systemLabel(Constellation constellation, int svid)
{
    static const char letters[] = "?GSECJRI";
    const int index = static_cast<int>(constellation);
    const char letter = index >= 0 && index < 8 ? letters[index] : '?';
    // RINEX numbers SBAS by its PRN less 100.
    const int number = constellation == Constellation::Sbas && svid >= 100 ? svid - 100 : svid;
    return QLatin1Char(letter) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

int gpsdPrn(Constellation constellation, int svid)
{
    switch (constellation) {
    case Constellation::Glonass:
        return 64 + svid;
    case Constellation::Galileo:
        return 300 + svid;
    case Constellation::BeiDou:
        return 400 + svid;
    case Constellation::Qzss:
        return 192 + svid;
    default: // GPS and SBAS are numbered as they are
        return svid;
    }
}

QString constellationName(Constellation constellation)
{
    switch (constellation) {
    case Constellation::Gps:
        return QStringLiteral("GPS");
    case Constellation::Sbas:
        return QStringLiteral("SBAS");
    case Constellation::Galileo:
        return QStringLiteral("Galileo");
    case Constellation::BeiDou:
        return QStringLiteral("BeiDou");
    case Constellation::Qzss:
        return QStringLiteral("QZSS");
    case Constellation::Glonass:
        return QStringLiteral("GLONASS");
    case Constellation::NavIC:
        return QStringLiteral("NavIC");
    case Constellation::Unknown:
        break;
    }
    return QStringLiteral("other");
}
