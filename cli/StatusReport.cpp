#include "StatusReport.h"

#include "CliTexts.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
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

QString degrees(double value, char positive, char negative)
{
    return QStringLiteral("%1° %2")
        .arg(std::abs(value), 0, 'f', 7)
        .arg(QLatin1Char(value < 0 ? negative : positive));
}
} // namespace

StatusReport::StatusReport(const QString& deviceName, const ReceiverStatus& reported, qint64 now,
                           qint64 since)
    : device(deviceName), status(reported), nowMs(now), sinceMs(since)
{}

int StatusReport::gpsdStatus(ReceiverStatus::FixQuality quality)
{
    switch (quality) {
    case ReceiverStatus::FixQuality::NoFix:
        return 0;
    case ReceiverStatus::FixQuality::Single:
    case ReceiverStatus::FixQuality::Pps: // a fix of GNSS alone, however precise
        return 1;
    case ReceiverStatus::FixQuality::Dgnss:
        return 2;
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

int StatusReport::gpsdPrn(Constellation constellation, int svid)
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

int StatusReport::gpsdMode() const
{
    const auto& quality = status.fixQuality();
    const auto& mode = status.fixMode();
    if (!quality.known() && !mode.known())
        return 0;
    if (status.isCurrent(quality, nowMs) && quality.value == ReceiverStatus::FixQuality::NoFix)
        return 1;
    if (status.isCurrent(mode, nowMs))
        return static_cast<int>(mode.value);
    if (status.isCurrent(quality, nowMs))
        return status.isCurrent(status.heightMsl(), nowMs) ? 3 : 2;
    return 1; // the receiver has stopped telling: no fix to trust
}

int StatusReport::satellitesUsed() const
{
    if (status.isCurrent(status.satellitesUsed(), nowMs))
        return status.satellitesUsed().value;
    int used = 0;
    for (const auto& count : status.systemCounts(nowMs))
        used += count.used;
    return used;
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
    const QString hdop = status.isCurrent(status.hdop(), nowMs)
                             ? QString::number(status.hdop().value, 'f', 2)
                             : unknown;
    const QString heading = status.isCurrent(status.heading(), nowMs)
                                ? QString::number(status.heading().value, 'f', 2) + QChar(0xB0)
                                : unknown;
    return CliTexts::statusLine(fix, position, satellitesUsed(), inView, hdop, heading);
}

QByteArray StatusReport::toJsonLines() const
{
    const QByteArray deviceJson = jsonString(device);
    const int mode = gpsdMode();

    QByteArray tpv = "{\"class\":\"TPV\"";
    field(tpv, "device", deviceJson);
    field(tpv, "mode", QByteArray::number(mode));
    if (status.isCurrent(status.fixQuality(), nowMs))
        field(tpv, "status", QByteArray::number(gpsdStatus(status.fixQuality().value)));
    const QDateTime utc = status.utc();
    if (utc.isValid() && status.isCurrent(status.utcTime(), nowMs))
        field(tpv, "time", jsonString(utc.toString(Qt::ISODateWithMs)));
    if (mode >= 2 && status.isCurrent(status.position(), nowMs)) {
        field(tpv, "lat", fixed(status.position().value.latitude, 9));
        field(tpv, "lon", fixed(status.position().value.longitude, 9));
    }
    if (mode == 3 && status.isCurrent(status.heightMsl(), nowMs))
        field(tpv, "altMSL", fixed(status.heightMsl().value, 3));
    if (status.isCurrent(status.geoidSeparation(), nowMs))
        field(tpv, "geoidSep", fixed(status.geoidSeparation().value, 3));
    tpv += "}\n";

    const auto satellites = status.satellitesInView(nowMs);
    QByteArray list;
    int listed = 0;
    int used = 0;
    for (const auto& satellite : satellites) {
        const int gnssId = gpsdGnssId(satellite.constellation);
        if (gnssId < 0)
            continue; // gpsd has no numbers for it
        const int svid = ownNumber(satellite.constellation, satellite.number);
        QByteArray one = "{\"PRN\":" + QByteArray::number(gpsdPrn(satellite.constellation, svid));
        field(one, "gnssid", QByteArray::number(gnssId));
        field(one, "svid", QByteArray::number(svid));
        if (satellite.elevation)
            field(one, "el", QByteArray::number(*satellite.elevation));
        if (satellite.azimuth)
            field(one, "az", QByteArray::number(*satellite.azimuth));
        if (satellite.snr)
            field(one, "ss", QByteArray::number(*satellite.snr));
        field(one, "used", satellite.used ? "true" : "false");
        list += (listed++ ? "," : "") + one + '}';
        used += satellite.used ? 1 : 0;
    }
    QByteArray sky = "{\"class\":\"SKY\"";
    field(sky, "device", deviceJson);
    if (status.isCurrent(status.hdop(), nowMs))
        field(sky, "hdop", fixed(status.hdop().value, 2));
    if (status.isCurrent(status.pdop(), nowMs))
        field(sky, "pdop", fixed(status.pdop().value, 2));
    if (status.isCurrent(status.vdop(), nowMs))
        field(sky, "vdop", fixed(status.vdop().value, 2));
    field(sky, "nSat", QByteArray::number(listed));
    field(sky, "uSat", QByteArray::number(used > 0 ? used : satellitesUsed()));
    field(sky, "satellites", '[' + list + ']');
    sky += "}\n";

    QByteArray att;
    if (status.heading().known() && status.heading().at > sinceMs) {
        att = "{\"class\":\"ATT\"";
        field(att, "device", deviceJson);
        field(att, "heading", fixed(status.heading().value, 2));
        att += "}\n";
    }
    return tpv + sky + att;
}
