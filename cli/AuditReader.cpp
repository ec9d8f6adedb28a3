#include "AuditReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>

namespace {
QString phaseOf(const QJsonObject& record)
{
    return record.value(QStringLiteral("phase")).toString();
}

// From this schema on, a started record is written before the rates are read; before it, just
// ahead of the first SET.
constexpr int changingRecordSchema = 3;
} // namespace

AuditReader::AuditReader(const QByteArray& text)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonObject record = QJsonDocument::fromJson(line, &error).object();
        const QString run = record.value(QStringLiteral("run")).toString();
        const bool planned = phaseOf(record) == QLatin1String("planned") &&
                             record.value(QStringLiteral("ports")).isArray();
        if (error.error != QJsonParseError::NoError || run.isEmpty() ||
            (!planned && record.value(QStringLiteral("port")).toString().isEmpty())) {
            ++skippedLines;
            continue;
        }
        records << record;
        if (!runs.contains(run))
            runs << run;
    }
}

QList<AuditReader::Unit> AuditReader::unitsOf(const QString& run) const
{
    QList<Unit> units;
    // A port never started is known by the time its run was planned.
    const auto unitOf = [&units, &run](const QString& port, const QJsonObject& planned = {}) {
        auto unit = std::find_if(units.begin(), units.end(),
                                 [&port](const Unit& known) { return known.port == port; });
        if (unit != units.end())
            return unit;
        QJsonObject last;
        if (planned.contains(QStringLiteral("time")))
            last.insert(QStringLiteral("time"), planned.value(QStringLiteral("time")));
        units.append({run, port, unfinished(), QStringLiteral("not-started"), last});
        return units.end() - 1;
    };
    for (const QJsonObject& record : records) {
        if (record.value(QStringLiteral("run")).toString() != run)
            continue;
        const QString phase = phaseOf(record);
        if (phase == QLatin1String("planned")) {
            for (const QJsonValue& port : record.value(QStringLiteral("ports")).toArray())
                if (!port.toString().isEmpty())
                    unitOf(port.toString(), record);
            continue;
        }
        const auto unit = unitOf(record.value(QStringLiteral("port")).toString());
        unit->last = record;
        if (phase == QLatin1String("started")) {
            const bool writtenAhead =
                record.value(QStringLiteral("schema")).toInt() >= changingRecordSchema;
            unit->state = unfinished();
            unit->progress = writtenAhead ? QStringLiteral("started") : QStringLiteral("changing");
        } else if (phase == QLatin1String("changing")) {
            unit->state = unfinished();
            unit->progress = phase;
        } else {
            unit->state = record.value(QStringLiteral("result")).toString();
            unit->progress.clear();
        }
    }
    return units;
}

QList<AuditReader::Unit> AuditReader::latestWithUnfinished() const
{
    if (runs.isEmpty())
        return {};
    QList<Unit> units = unitsOf(runs.last());
    QSet<QString> named;
    for (const Unit& unit : units)
        named.insert(unit.port);
    QList<Unit> carried;
    for (qsizetype i = runs.size() - 2; i >= 0; --i) {
        const QList<Unit> earlier = unitsOf(runs[i]);
        QList<Unit> left;
        for (const Unit& unit : earlier)
            if (unit.state == unfinished() && !named.contains(unit.port))
                left << unit;
        carried = left + carried;
        for (const Unit& unit : earlier)
            named.insert(unit.port);
    }
    return units + carried;
}
