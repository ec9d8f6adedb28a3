#include "StatusReport.h"

#include "CliTexts.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {
// gpsd's protocol version of its 3.22 release, which our objects follow.
constexpr int protocolMajor = 3;
constexpr int protocolMinor = 14;
// gpsd's time error for a receiver that tells none: NMEA's time stamps are good to 5 ms.
constexpr double nmeaTimeError = 0.005;

QByteArray jsonString(const QString& text)
{
    // QJsonDocument escapes; a one-element array keeps the quotes and drops the brackets.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray fixed(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

// Appends ,"name":value to an object being written.
void field(QByteArray& object, const char* name, const QByteArray& value)
{
    object += ",\"";
    object += name;
    object += "\":";
    object += value;
}

QByteArray ended(QByteArray object)
{
    return object + "}\r\n";
}

QString degrees(double value, char positive, char negative)
{
    return QStringLiteral("%1° %2")
        .arg(std::abs(value), 0, 'f', 7)
        .arg(QLatin1Char(value < 0 ? negative : positive));
}
} // namespace

StatusReport::StatusReport(const QString& deviceName, const ReceiverStatus& reported, qint64 now)
    : device(deviceName), status(reported), nowMs(now)
{}

int StatusReport::gpsdStatus(ReceiverStatus::FixQuality quality)
{
    switch (quality) {
    case ReceiverStatus::FixQuality::NoFix:
        return 0;
    case ReceiverStatus::FixQuality::Single:
        return 1;
    case ReceiverStatus::FixQuality::Dgnss:
        return 2;
    case ReceiverStatus::FixQuality::Pps:
        return 9;
    case ReceiverStatus::FixQuality::RtkFixed:
        return 3;
    case ReceiverStatus::FixQuality::RtkFloat:
        return 4;
    case ReceiverStatus::FixQuality::DeadReckoning:
        return 5;
    case ReceiverStatus::FixQuality::Manual: // a position given, as for a timing receiver
        return 7;
    case ReceiverStatus::FixQuality::Simulation:
        return 8;
    }
    return 0;
}

int StatusReport::gpsdGnssId(Constellation constellation)
{
    switch (constellation) {
    case Constellation::Gps:
        return 0;
    case Constellation::Sbas:
        return 1;
    case Constellation::Galileo:
        return 2;
    case Constellation::BeiDou:
        return 3;
    case Constellation::Qzss:
        return 5;
    case Constellation::Glonass:
        return 6;
    default:
        return -1;
    }
}

int StatusReport::gpsdMode() const
{
    const auto& quality = status.fixQuality();
    const auto& mode = status.fixMode();
    if (!quality.heard() && !mode.heard())
        return 0;
    if (status.isCurrent(quality, nowMs) && quality.value == ReceiverStatus::FixQuality::NoFix)
        return 1;
    if (status.isCurrent(mode, nowMs))
        return static_cast<int>(mode.value);
    if (status.isCurrent(quality, nowMs))
        return status.isCurrent(status.heightMsl(), nowMs) ? 3 : 2;
    return 1; // the receiver has stopped telling: no fix to trust
}

QString StatusReport::toText() const
{
    const QString unknown = QStringLiteral("-");
    QString fix = unknown;
    if (status.isCurrent(status.fixQuality(), nowMs))
        fix = CliTexts::fixQuality(static_cast<int>(status.fixQuality().value));
    if (fix != unknown && status.isCurrent(status.fixMode(), nowMs) &&
        status.fixMode().value != ReceiverStatus::FixMode::NoFix)
        fix += QStringLiteral(" %1D").arg(static_cast<int>(status.fixMode().value));
    const auto& where = status.position();
    const QString position = status.isCurrent(where, nowMs)
                                 ? degrees(where.value.latitude, 'N', 'S') + QStringLiteral(", ") +
                                       degrees(where.value.longitude, 'E', 'W')
                                 : unknown;
    int inView = 0;
    for (const auto& count : status.systemCounts(nowMs))
        inView += count.inView;
    const int used =
        status.isCurrent(status.satellitesUsed(), nowMs) ? status.satellitesUsed().value : 0;
    const QString hdop = status.isCurrent(status.hdop(), nowMs)
                             ? QString::number(status.hdop().value, 'f', 2)
                             : unknown;
    const QString heading = status.isCurrent(status.heading(), nowMs)
                                ? QString::number(status.heading().value, 'f', 2) + QChar(0xB0)
                                : unknown;
    return CliTexts::statusLine(fix, position, used, inView, hdop, heading);
}

QByteArray StatusReport::version()
{
    QByteArray object = "{\"class\":\"VERSION\"";
    field(object, "release", jsonString(QStringLiteral(ZR415_VERSION)));
    field(object, "rev", jsonString(QStringLiteral("zr415ctl " ZR415_VERSION)));
    field(object, "proto_major", QByteArray::number(protocolMajor));
    field(object, "proto_minor", QByteArray::number(protocolMinor));
    return ended(object);
}

QByteArray StatusReport::devices(const QString& device, unsigned baud, const QDateTime& activated)
{
    QByteArray one = "{\"class\":\"DEVICE\"";
    field(one, "path", jsonString(device));
    field(one, "driver", "\"NMEA0183\"");
    field(one, "activated", jsonString(activated.toUTC().toString(Qt::ISODateWithMs)));
    field(one, "flags", "1"); // gpsd's SEEN_GPS
    field(one, "native", "0");
    field(one, "bps", QByteArray::number(baud));
    field(one, "parity", "\"N\"");
    field(one, "stopbits", "1");
    return ended("{\"class\":\"DEVICES\",\"devices\":[" + one + "}]");
}

QByteArray StatusReport::tpv() const
{
    const auto current = [this](const auto& value) { return status.isCurrent(value, nowMs); };
    const int mode = gpsdMode();
    QByteArray tpv = "{\"class\":\"TPV\"";
    field(tpv, "device", jsonString(device));
    field(tpv, "mode", QByteArray::number(mode));
    if (current(status.fixQuality()))
        field(tpv, "status", QByteArray::number(gpsdStatus(status.fixQuality().value)));
    const QDateTime utc = status.utc();
    if (utc.isValid() && current(status.utcTime())) {
        field(tpv, "time", jsonString(utc.toString(Qt::ISODateWithMs)));
        field(tpv, "ept", fixed(nmeaTimeError, 3));
    }
    if (mode >= 2 && current(status.position())) {
        field(tpv, "lat", fixed(status.position().value.latitude, 9));
        field(tpv, "lon", fixed(status.position().value.longitude, 9));
    }
    if (mode == 3 && current(status.heightMsl())) {
        // gpsd 3.22 still sends the deprecated alt, as height above sea level.
        field(tpv, "alt", fixed(status.heightMsl().value, 3));
        field(tpv, "altMSL", fixed(status.heightMsl().value, 3));
        if (current(status.heightEllipsoid()))
            field(tpv, "altHAE", fixed(status.heightEllipsoid().value, 3));
    }
    if (current(status.geoidSeparation()))
        field(tpv, "geoidSep", fixed(status.geoidSeparation().value, 3));
    if (mode >= 2 && current(status.speed()))
        field(tpv, "speed", fixed(status.speed().value, 3));
    if (mode >= 2 && current(status.course()))
        field(tpv, "track", fixed(status.course().value, 2));
    if (mode == 3 && current(status.climb()))
        field(tpv, "climb", fixed(status.climb().value, 3));
    if (current(status.accuracy())) {
        // GST's standard deviations; gpsd's certainty of these is "unknown" too.
        const auto& sigmas = status.accuracy().value;
        field(tpv, "epx", fixed(sigmas.longitude, 3));
        field(tpv, "epy", fixed(sigmas.latitude, 3));
        field(tpv, "eph", fixed(std::hypot(sigmas.latitude, sigmas.longitude), 3));
        field(tpv, "epv", fixed(sigmas.altitude, 3));
    }
    if (current(status.corrections())) {
        const auto& corrections = status.corrections().value;
        if (corrections.ageSeconds)
            field(tpv, "dgpsAge", fixed(*corrections.ageSeconds, 1));
        bool number = false;
        const int station = QString::fromLatin1(corrections.stationId).toInt(&number);
        if (number && station >= 0)
            field(tpv, "dgpsSta", QByteArray::number(station));
    }
    return ended(tpv);
}

QByteArray StatusReport::sky() const
{
    const auto current = [this](const auto& value) { return status.isCurrent(value, nowMs); };
    QByteArray list;
    int listed = 0;
    int used = 0;
    for (const auto& satellite : status.satellitesInView(nowMs)) {
        const int gnssId = gpsdGnssId(satellite.constellation);
        if (gnssId < 0)
            continue; // gpsd has no numbers for it
        QByteArray one = "{\"PRN\":" + QByteArray::number(satellite.prn());
        field(one, "gnssid", QByteArray::number(gnssId));
        field(one, "svid", QByteArray::number(satellite.svid()));
        if (satellite.elevation)
            field(one, "el", QByteArray::number(*satellite.elevation));
        if (satellite.azimuth)
            field(one, "az", QByteArray::number(*satellite.azimuth));
        // gpsd's 0: in view, not tracked.
        field(one, "ss", QByteArray::number(satellite.snr.value_or(0)));
        field(one, "used", satellite.used ? "true" : "false");
        list += (listed++ ? "," : "") + one + '}';
        used += satellite.used ? 1 : 0;
    }
    QByteArray sky = "{\"class\":\"SKY\"";
    field(sky, "device", jsonString(device));
    if (current(status.hdop()))
        field(sky, "hdop", fixed(status.hdop().value, 2));
    if (current(status.pdop()))
        field(sky, "pdop", fixed(status.pdop().value, 2));
    if (current(status.vdop()))
        field(sky, "vdop", fixed(status.vdop().value, 2));
    field(sky, "nSat", QByteArray::number(listed));
    field(sky, "uSat", QByteArray::number(used));
    field(sky, "satellites", '[' + list + ']');
    return ended(sky);
}

QByteArray StatusReport::att() const
{
    const auto& heading = status.heading();
    if (!status.isCurrent(heading, nowMs))
        return {};
    QByteArray att = "{\"class\":\"ATT\"";
    field(att, "device", jsonString(device));
    field(att, "heading", fixed(heading.value, 2));
    return ended(att);
}
