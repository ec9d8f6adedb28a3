#include "ConstellationLook.h"

QString ConstellationLook::name(Constellation system)
{
    switch (system) {
    case Constellation::Gps:
        return QStringLiteral("GPS");
    case Constellation::Sbas:
        return QStringLiteral("SBAS");
    case Constellation::Galileo:
        return QStringLiteral("Galileo");
    case Constellation::BeiDou:
        return tr("北斗");
    case Constellation::Qzss:
        return QStringLiteral("QZSS");
    case Constellation::Glonass:
        return QStringLiteral("GLONASS");
    case Constellation::NavIC:
        return QStringLiteral("NavIC");
    case Constellation::Unknown:
        break;
    }
    return tr("其他");
}

QColor ConstellationLook::colour(Constellation system)
{
    switch (system) {
    case Constellation::Gps:
        return QColor(0x1f, 0x77, 0xb4);
    case Constellation::Sbas:
        return QColor(0x7f, 0x7f, 0x7f);
    case Constellation::Galileo:
        return QColor(0x2c, 0xa0, 0x2c);
    case Constellation::BeiDou:
        return QColor(0xd6, 0x27, 0x28);
    case Constellation::Qzss:
        return QColor(0x94, 0x67, 0xbd);
    case Constellation::Glonass:
        return QColor(0xff, 0x7f, 0x0e);
    case Constellation::NavIC:
        return QColor(0x8c, 0x56, 0x4b);
    case Constellation::Unknown:
        break;
    }
    return QColor(0x40, 0x40, 0x40);
}
