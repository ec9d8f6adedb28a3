#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// The units of a run as the audit file tells them: the last record of each, and which were
// started and never finished (the run was killed or crashed). Records without "phase" (older
// files) are finished records. Lines that are not records are skipped and counted.
class AuditReader
{
public:
    struct Unit
    {
        QString port;
        QString state; // the finished record's result, or "unfinished"
        QJsonObject last;
    };

    explicit AuditReader(const QByteArray& text);

    int skipped() const { return skippedLines; }
    bool hasRun(const QString& run) const { return runs.contains(run); }
    // The run whose first record comes last in the file; empty when there is none.
    QString latestRun() const { return runs.isEmpty() ? QString() : runs.last(); }
    // In the order each unit first appears.
    QList<Unit> unitsOf(const QString& run) const;

    static QString unfinished() { return QStringLiteral("unfinished"); }

private:
    QList<QJsonObject> records;
    QStringList runs; // in the order of their first record
    int skippedLines = 0;
};
