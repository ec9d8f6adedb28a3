#pragma once

#include "NmeaLines.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <optional>

// A receiver's output made to order for the report: epochs at a given time of day, quality and
// offset in metres from a base point, the metres turned into degrees on the WGS-84 ellipsoid
// (meridian and prime-vertical radii at the base), so a test knows the spread it asks for.
namespace ReportStream {

struct Base
{
    double latitude = 31.2304;
    double longitude = 121.4737;
    double height = 12.345;
};

inline QByteArray angle(double degrees, int degreeDigits, char positive, char negative)
{
    const double magnitude = std::abs(degrees);
    const int whole = static_cast<int>(magnitude);
    const double minutes = (magnitude - whole) * 60;
    return QStringLiteral("%1%2,%3")
        .arg(whole, degreeDigits, 10, QLatin1Char('0'))
        .arg(minutes, 12, 'f', 9, QLatin1Char('0'))
        .arg(QLatin1Char(degrees < 0 ? negative : positive))
        .toLatin1();
}

// hhmmss.ss of seconds since midnight (wrapping at 24 h); empty for a negative time.
inline QByteArray timeTag(double seconds)
{
    if (seconds < 0)
        return {};
    const qint64 hundredths = std::llround(seconds * 100) % (24 * 360000);
    return QStringLiteral("%1%2%3.%4")
        .arg(hundredths / 360000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

inline QByteArray gga(const Base& base, double seconds, int quality, double north = 0,
                      double east = 0, double up = 0)
{
    constexpr double a = 6378137.0;
    constexpr double f = 1 / 298.257223563;
    constexpr double e2 = f * (2 - f);
    const double radian = std::acos(-1.0) / 180;
    const double s = std::sin(base.latitude * radian);
    const double w = std::sqrt(1 - e2 * s * s);
    const double meridian = a * (1 - e2) / (w * w * w) + base.height;
    const double parallel = (a / w + base.height) * std::cos(base.latitude * radian);
    const double latitude = base.latitude + north / meridian / radian;
    const double longitude = base.longitude + east / parallel / radian;
    return NmeaLines::nmea("GNGGA," + timeTag(seconds) + "," + angle(latitude, 2, 'N', 'S') + "," +
                           angle(longitude, 3, 'E', 'W') + "," + QByteArray::number(quality) +
                           ",20,0.7," + QByteArray::number(base.height + up, 'f', 4) +
                           ",M,8.7,M,1.0,0000");
}

inline QByteArray hdt(double degrees)
{
    return NmeaLines::nmea("GNHDT," + QByteArray::number(degrees, 'f', 3) + ",T");
}

} // namespace ReportStream
