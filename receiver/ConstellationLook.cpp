#include "ConstellationLook.h"

QString ConstellationLook::name(Constellation system)
{
    // BeiDou and the unknown are named in the window's language; the others keep their names.
    if (system == Constellation::BeiDou)
        return tr("北斗");
    if (system == Constellation::Unknown)
        return tr("其他");
    return constellationName(system);
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
