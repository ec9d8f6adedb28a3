#include "RateReport.h"

#include "CliTexts.h"
#include "NmeaList.h"
#include "OutputRate.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace {
// Milliseconds are all a clock fed by the event loop can tell.
double rounded(double seconds)
{
    return std::round(seconds * 1000) / 1000;
}

QString gapText(const RateMeter::Kind& kind, double gap)
{
    return kind.measured >= 2 ? OutputRate::seconds(gap) : CliTexts::noValue();
}
} // namespace

RateReport::RateReport(const QString& portName, qint64 listenedMs, const RateMeter& meter)
    : port(portName), seconds(rounded(listenedMs / 1000.0)), line(meter.line())
{
    const std::vector<RateMeter::Kind> seen = meter.kinds();
    for (int i = 0; i < nmeaSentenceCount; ++i)
        kinds.push_back(meter.kind(nmeaList[i].toLatin1()));
    for (const RateMeter::Kind& kind : seen) {
        const auto listed = std::find_if(
            kinds.begin(), kinds.end(), [&](const auto& known) { return known.name == kind.name; });
        if (listed == kinds.end())
            kinds.push_back(kind);
    }
}

QJsonObject RateReport::toJson() const
{
    QJsonObject rates;
    for (const RateMeter::Kind& kind : kinds) {
        const bool timed = kind.measured >= 2;
        rates.insert(
            QString::fromLatin1(kind.name),
            QJsonObject{
                {QStringLiteral("count"), static_cast<qint64>(kind.count)},
                {QStringLiteral("period"), timed ? rounded(kind.period) : QJsonValue()},
                {QStringLiteral("min_gap"), timed ? rounded(kind.minGap) : QJsonValue()},
                {QStringLiteral("max_gap"), timed ? rounded(kind.maxGap) : QJsonValue()},
                {QStringLiteral("checksum_errors"), static_cast<qint64>(kind.checksumErrors)},
            });
    }
    return {
        {QStringLiteral("port"), port},
        {QStringLiteral("seconds"), seconds},
        {QStringLiteral("lines"), static_cast<qint64>(line.lines)},
        {QStringLiteral("bytes"), static_cast<qint64>(line.bytes)},
        // Every garbled sentence, also those whose name was too garbled to be a kind.
        {QStringLiteral("checksum_errors"), static_cast<qint64>(line.checksumErrors)},
        {QStringLiteral("rates"), rates},
    };
}

QString RateReport::toText() const
{
    const QString row = QStringLiteral("%1  %2  %3  %4  %5  %6\n");
    const QStringList columns = CliTexts::rateColumns();
    QString text = row.arg(columns[0], -8)
                       .arg(columns[1], 6)
                       .arg(columns[2], -18)
                       .arg(columns[3], -9)
                       .arg(columns[4], -9)
                       .arg(columns[5]);
    for (const RateMeter::Kind& kind : kinds)
        text +=
            row.arg(QString::fromLatin1(kind.name), -8)
                .arg(kind.count, 6)
                .arg(kind.measured >= 2 ? OutputRate::describe(kind.period) : CliTexts::noValue(),
                     -18)
                .arg(gapText(kind, kind.minGap), -9)
                .arg(gapText(kind, kind.maxGap), -9)
                .arg(kind.checksumErrors);
    return text + CliTexts::lineTotals(port, line.lines, line.bytes, seconds);
}
