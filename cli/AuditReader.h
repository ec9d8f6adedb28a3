#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// The units of a run as the audit file tells them: the last record of each, and which never
// finished (the run was killed or crashed): not started (only the run's planned record names
// the port), started (nothing sent), or changing (a SET went out). Records without "phase"
// (older files) are finished records; a started record of a file before the changing record
// was written ahead with the first SET counts as changing. Lines that are not records are
// skipped and counted.
class AuditReader
{
public:
    struct Unit
    {
        QString run;
        QString port;
        QString state;    // the finished record's result, or "unfinished"
        QString progress; // unfinished: "not-started", "started" or "changing"; else empty
        QJsonObject last; // only the planned time when the port was never started
    };

    explicit AuditReader(const QByteArray& text);

    int skipped() const { return skippedLines; }
    bool hasRun(const QString& run) const { return runs.contains(run); }
    // The run whose first record comes last in the file; empty when there is none.
    QString latestRun() const { return runs.isEmpty() ? QString() : runs.last(); }
    // The ports planned first, in their order, then the others in the order each first appears.
    QList<Unit> unitsOf(const QString& run) const;
    // The latest run's units, then the ports earlier runs left unfinished that no later run
    // named again: a port cut off stays on the list until a later run gets to it.
    QList<Unit> latestWithUnfinished() const;

    static QString unfinished() { return QStringLiteral("unfinished"); }

private:
    QList<QJsonObject> records;
    QStringList runs; // in the order of their first record
    int skippedLines = 0;
};
