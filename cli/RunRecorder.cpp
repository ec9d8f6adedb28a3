#include "RunRecorder.h"

#include "AuditLog.h"
#include "CliTexts.h"
#include "ProvisionRun.h"
#include "ReasonCode.h"
#include "UnitSession.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
const QString& auditUnwritableCode = ReasonCode::auditUnwritable;
}

RunRecorder::RunRecorder(AuditLog& auditLog, ProvisionRun& provisionRun, QJsonObject fields,
                         std::FILE* toErr, QObject* parent)
    : QObject(parent), log(auditLog), run(provisionRun), context(std::move(fields)), err(toErr)
{
    run.holdBeforeChanges();
    connect(&run, &ProvisionRun::readyToChange, this, &RunRecorder::started);
    connect(&run, &ProvisionRun::aboutToSet, this, &RunRecorder::changing);
    // The sync runs on a thread of its own; what it covered is looked at on the loop.
    log.setSyncListener(
        [this] { QMetaObject::invokeMethod(this, &RunRecorder::synced, Qt::QueuedConnection); });
}

RunRecorder::~RunRecorder()
{
    log.setSyncListener({});
}

void RunRecorder::notWritten(const QJsonObject& record, const QString& reason)
{
    const QString whole =
        QString::fromUtf8(QJsonDocument(log.stamped(record)).toJson(QJsonDocument::Compact));
    std::fprintf(err, "%s\n",
                 CliTexts::fromTool(CliTexts::auditFailed(reason, whole)).toUtf8().constData());
}

void RunRecorder::refuse(UnitSession* session)
{
    run.stopStarting(auditUnwritableCode, CliTexts::auditUnwritable());
    if (session)
        session->refuse(auditUnwritableCode, CliTexts::auditUnwritable());
}

bool RunRecorder::planned(const QString& command, const QStringList& ports)
{
    QJsonObject record = context;
    record.insert(QStringLiteral("phase"), QStringLiteral("planned"));
    record.insert(QStringLiteral("command"), command);
    record.insert(QStringLiteral("ports"), QJsonArray::fromStringList(ports));
    record.insert(QStringLiteral("sha256"), context.value(QStringLiteral("profile_sha256")));
    record.insert(QStringLiteral("time"),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    QString error;
    if (log.append(record, error) && log.flush(error))
        return true;
    notWritten(record, error);
    return false;
}

void RunRecorder::started(UnitSession* session)
{
    const UnitResult& unit = session->result();
    QStringList sets;
    for (const std::string& sentence : session->task().sets)
        sets << QString::fromStdString(sentence.substr(0, sentence.find_first_of("\r\n")));
    QJsonObject record = context;
    record.insert(QStringLiteral("phase"), QStringLiteral("started"));
    record.insert(QStringLiteral("command"), unit.command);
    record.insert(QStringLiteral("port"), unit.port);
    record.insert(QStringLiteral("serial"), unit.serial);
    record.insert(QStringLiteral("baud"), static_cast<qint64>(unit.baud));
    record.insert(QStringLiteral("sets"), QJsonArray::fromStringList(sets));
    record.insert(QStringLiteral("time"),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    // Nothing is sent on the unit yet: this record's sync goes with its changing record's,
    // or with the finished one. Waited for without a unit, so a failed sync still stops the run.
    QString error;
    if (!log.append(record, error, false)) {
        notWritten(record, error);
        refuse(session);
        return;
    }
    waiting.append({nullptr, log.appendedCount(), record});
}

void RunRecorder::changing(UnitSession* session)
{
    const UnitResult& unit = session->result();
    const std::string& first = session->task().sets.front();
    QJsonObject record = context;
    record.insert(QStringLiteral("phase"), QStringLiteral("changing"));
    record.insert(QStringLiteral("command"), unit.command);
    record.insert(QStringLiteral("port"), unit.port);
    record.insert(QStringLiteral("serial"), unit.serial);
    record.insert(QStringLiteral("sets_sent"), 1);
    record.insert(QStringLiteral("sent_sets"),
                  QJsonArray{QString::fromStdString(first.substr(0, first.find_first_of("\r\n")))});
    record.insert(QStringLiteral("time"),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    QString error;
    if (!log.append(record, error)) {
        notWritten(record, error);
        refuse(session);
        return;
    }
    waiting.append({session, log.appendedCount(), record});
    synced();
}

void RunRecorder::synced()
{
    // Each record is let go in order, so a unit never starts on a sync that did not cover it.
    for (qsizetype i = 0; i < waiting.size();) {
        QString error;
        const int state = log.syncState(waiting[i].number, error);
        if (state == 0) {
            ++i;
            continue;
        }
        const Waiting done = waiting.takeAt(i);
        if (state > 0) {
            if (done.session)
                done.session->proceed();
        } else {
            notWritten(done.record, error);
            refuse(done.session);
        }
    }
}

bool RunRecorder::finished(const UnitResult& result)
{
    ++finishedCount;
    QJsonObject record = result.toJson();
    for (auto field = context.constBegin(); field != context.constEnd(); ++field)
        record.insert(field.key(), field.value());
    record.insert(QStringLiteral("phase"), QStringLiteral("finished"));
    QString error;
    if (log.append(record, error)) {
        finishedOnDisk << record;
        return true;
    }
    notWritten(record, error);
    run.stopStarting(auditUnwritableCode, CliTexts::auditUnwritable());
    return false;
}

int RunRecorder::flush()
{
    QString error;
    if (log.flush(error)) {
        recordedCount = static_cast<int>(finishedOnDisk.size());
        return recordedCount;
    }
    // Which records the disk lost is not known: every one of them goes to the error stream.
    for (const QJsonObject& record : finishedOnDisk)
        notWritten(record, error);
    recordedCount = 0;
    syncLost = true;
    return 0;
}
