#pragma once

#include "UnitResult.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <cstdio>

class AuditLog;
class ProvisionRun;
class UnitSession;

// The audit record of one run, written ahead: the run's planned record names every port before
// any is opened; a unit that will be changed gets a started record once it is identified and a
// changing record, on disk before its first SET goes out; every unit gets a finished record when
// it ends. So a killed run leaves each port it was given as not started, started (nothing sent)
// or changing. No record, no change: once a record cannot be written no further unit starts, and
// a unit whose changing record is not on disk sends no SET. A record not written goes whole to
// the error stream.
class RunRecorder : public QObject
{
    Q_OBJECT

public:
    // context: the fields every record of the run carries (profile, its digest, settings).
    RunRecorder(AuditLog& log, ProvisionRun& run, QJsonObject context, std::FILE* err,
                QObject* parent = nullptr);
    ~RunRecorder() override;

    // Appends the run's planned record and waits for the disk; false, with the record on the
    // error stream, when it is not there: then no unit may start.
    bool planned(const QString& command, const QStringList& ports);
    // Appends result's finished record; false when it could not be written.
    bool finished(const UnitResult& result);
    // Waits for the disk; when a sync failed every record is counted as not recorded and the
    // ones it may have lost go to the error stream. Returns how many finished records are on it.
    int flush();
    int unrecorded() const { return finishedCount - recordedCount; }
    // False once a sync failed: then no record written so far is known to be on the disk.
    bool keptOnDisk() const { return !syncLost; }

private:
    struct Waiting
    {
        QPointer<UnitSession> session;
        unsigned long number; // the started record's number in the log
        QJsonObject record;
    };

    void started(UnitSession* session);
    void changing(UnitSession* session);
    void synced();
    void notWritten(const QJsonObject& record, const QString& reason);
    void refuse(UnitSession* session);

    AuditLog& log;
    ProvisionRun& run;
    QJsonObject context;
    std::FILE* err;
    QList<Waiting> waiting;            // started records not yet known on disk
    QList<QJsonObject> finishedOnDisk; // written, not yet known to be on the disk
    int finishedCount = 0;
    int recordedCount = 0;
    bool syncLost = false;
};
