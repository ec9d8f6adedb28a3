#include "AuditReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

AuditReader::AuditReader(const QByteArray& text)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonObject record = QJsonDocument::fromJson(line, &error).object();
        const QString run = record.value(QStringLiteral("run")).toString();
        if (error.error != QJsonParseError::NoError || run.isEmpty() ||
            record.value(QStringLiteral("port")).toString().isEmpty()) {
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
    for (const QJsonObject& record : records) {
        if (record.value(QStringLiteral("run")).toString() != run)
            continue;
        const QString port = record.value(QStringLiteral("port")).toString();
        auto unit = std::find_if(units.begin(), units.end(),
                                 [&port](const Unit& known) { return known.port == port; });
        if (unit == units.end()) {
            units.append({port, unfinished(), {}});
            unit = units.end() - 1;
        }
        const bool started =
            record.value(QStringLiteral("phase")).toString() == QLatin1String("started");
        unit->last = record;
        unit->state = started ? unfinished() : record.value(QStringLiteral("result")).toString();
    }
    return units;
}
