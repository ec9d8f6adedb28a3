#include "CommandRunner.h"

#include "AuditLog.h"
#include "CliTexts.h"
#include "CommandSentences.h"
#include "InterruptWatcher.h"
#include "LineMonitor.h"
#include "ObservedRates.h"
#include "PlannedChanges.h"
#include "PortList.h"
#include "Profile.h"
#include "ProfileWriter.h"
#include "ProvisionRun.h"
#include "RateReport.h"
#include "ResultPrinter.h"
#include "SettingsKeys.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

CommandRunner::CommandRunner(std::FILE* toOut, std::FILE* toErr) : out(toOut), err(toErr) {}

std::vector<unsigned> CommandRunner::baudOrder(unsigned hint)
{
    std::vector<unsigned> order;
    const auto add = [&order](unsigned baud) {
        if (baud && std::find(order.begin(), order.end(), baud) == order.end())
            order.push_back(baud);
    };
    add(hint);
    add(115200);
    add(9600);
    for (const std::string& rate : SettingsKeys::baudRates())
        add(static_cast<unsigned>(std::stoul(rate)));
    return order;
}

bool CommandRunner::waitFromEnvironment(const char* name, int fallback, int& value, QString& error)
{
    value = fallback;
    if (!qEnvironmentVariableIsSet(name))
        return true;
    bool ok = false;
    const QString text = qEnvironmentVariable(name);
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < 1 || parsed > 600000) {
        error = CliTexts::badWait(name, text);
        return false;
    }
    value = parsed;
    return true;
}

int CommandRunner::refuse(const QString& message)
{
    std::fprintf(err, "%s\n", CliTexts::fromTool(message).toUtf8().constData());
    return exitUsage;
}

int CommandRunner::run(const Invocation& invocation)
{
    switch (invocation.command) {
    case Invocation::Command::Ports:
        return runPorts(invocation);
    case Invocation::Command::Monitor:
        return runMonitor(invocation);
    case Invocation::Command::Query:
    case Invocation::Command::Set:
    case Invocation::Command::Apply:
    case Invocation::Command::Reset:
        return runUnits(invocation);
    default:
        return exitUsage;
    }
}

int CommandRunner::runPorts(const Invocation& invocation)
{
    const QList<PortList::Entry> ports = PortList::present();
    if (invocation.json)
        std::fprintf(out, "%s\n",
                     QJsonDocument(PortList::toJson(ports)).toJson(QJsonDocument::Compact).data());
    else if (ports.isEmpty())
        std::fprintf(err, "%s\n", CliTexts::noSerialPorts().toUtf8().constData());
    else
        std::fputs(PortList::toText(ports).toUtf8().constData(), out);
    return exitOk;
}

int CommandRunner::runMonitor(const Invocation& invocation)
{
    InterruptWatcher interrupts({SIGINT, SIGTERM, SIGHUP});
    LineMonitor::Mode mode = LineMonitor::Mode::Lines;
    if (invocation.rates)
        mode = LineMonitor::Mode::Rates;
    else if (invocation.status)
        mode = invocation.json ? LineMonitor::Mode::StatusJson : LineMonitor::Mode::Status;
    LineMonitor monitor(out, nullptr, mode);
    QString error;
    if (!monitor.start(invocation.ports.first(), invocation.baud, invocation.seconds, error)) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::monitorCannotOpen(error)).toUtf8().constData());
        return exitUnitsFailed;
    }
    QEventLoop loop;
    QObject::connect(&monitor, &LineMonitor::finished, &loop, &QEventLoop::quit);
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &monitor, &LineMonitor::stop);
    loop.exec();
    if (invocation.rates) {
        // What was measured until it stopped, also when it stopped early.
        const RateReport report(invocation.ports.first(), monitor.listenedMs(), monitor.meter());
        const bool printed =
            std::fputs(
                invocation.json
                    ? QJsonDocument(report.toJson()).toJson(QJsonDocument::Compact).append('\n')
                    : report.toText().toUtf8(),
                out) >= 0 &&
            std::fflush(out) == 0;
        // A reader that stopped reading wanted no more; any other failure lost the report.
        if (!printed && errno != EPIPE) {
            std::fprintf(err, "%s\n",
                         CliTexts::fromTool(CliTexts::monitorOutputFailed(
                                                QString::fromLocal8Bit(std::strerror(errno))))
                             .toUtf8()
                             .constData());
            return exitUnitsFailed;
        }
    }
    if (interrupts.isInterrupted())
        return exitSignalled + interrupts.signalNumber();
    if (!monitor.failure().isEmpty()) {
        std::fprintf(
            err, "%s\n",
            CliTexts::fromTool(CliTexts::monitorLost(invocation.ports.first(), monitor.failure()))
                .toUtf8()
                .constData());
        return exitUnitsFailed;
    }
    // A reader that stopped reading had what it wanted; any other failed write lost lines.
    if (monitor.outputError() && monitor.outputError() != EPIPE) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::monitorOutputFailed(QString::fromLocal8Bit(
                                            std::strerror(monitor.outputError()))))
                         .toUtf8()
                         .constData());
        return exitUnitsFailed;
    }
    return exitOk;
}

int CommandRunner::runUnits(const Invocation& invocation)
{
    int ackMs = 0;
    int probeMs = 0;
    QString error;
    if (!waitFromEnvironment("ZR415CTL_ACK_MS", 1000, ackMs, error) ||
        !waitFromEnvironment("ZR415CTL_PROBE_MS", 300, probeMs, error))
        return refuse(error);

    std::optional<Profile> profile;
    if (invocation.command == Invocation::Command::Apply)
        profile = Profile::load(invocation.profilePath, error);
    else if (invocation.command == Invocation::Command::Set)
        profile = Profile::fromAssignments(invocation.assignments, error);
    if (!error.isEmpty())
        return refuse(error);
    if (profile && !profile->ignoredKeys().isEmpty())
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::ignoredProfileKeys(invocation.profilePath,
                                                                     profile->ignoredKeys()))
                         .toUtf8()
                         .constData());

    if (profile && invocation.observe > 0 &&
        invocation.observe < ObservedRates::secondsNeeded(profile->wantedRates()))
        return refuse(CliTexts::observeTooShort(
            invocation.observe, ObservedRates::secondsNeeded(profile->wantedRates())));

    if (!invocation.savedProfilePath.isEmpty() &&
        !ProfileWriter::mayWrite(invocation.savedProfilePath, invocation.force, error))
        return refuse(error);

    AuditLog audit;
    const bool audited = invocation.audit;
    // Said in the summary, so a run left out of the record on purpose is not mistaken for one
    // whose record was lost.
    const bool auditDeclined =
        !audited && !invocation.check && invocation.command != Invocation::Command::Query;
    QStringList auditWarnings;
    if (audited && !(invocation.auditPath.isEmpty() ? audit.openDefault(error, auditWarnings)
                                                    : audit.open(invocation.auditPath, error))) {
        for (const QString& warning : auditWarnings)
            std::fprintf(err, "%s\n", CliTexts::fromTool(warning).toUtf8().constData());
        return refuse(error);
    }
    for (const QString& warning : auditWarnings)
        std::fprintf(
            err, "%s\n",
            CliTexts::fromTool(CliTexts::auditMoved(warning, audit.path())).toUtf8().constData());

    std::vector<UnitJob> jobs;
    for (const QString& port : invocation.ports) {
        UnitJob job;
        job.command = invocation.name;
        job.port = port;
        job.searchBaud = invocation.baud == 0;
        job.bauds = job.searchBaud ? baudOrder(profile ? profile->baudHint() : 0)
                                   : std::vector<unsigned>{invocation.baud};
        if (profile) {
            job.ignoredKeys = profile->ignoredKeys();
            job.sets = profile->sentences();
            job.wanted = profile->wantedRates();
        }
        if (invocation.command == Invocation::Command::Reset)
            job.sets = {CommandSentences::factoryReset()};
        job.expectedSerials = invocation.expectedSerials;
        job.check = invocation.check;
        job.verify = invocation.verify && invocation.command != Invocation::Command::Reset;
        job.readRates = invocation.command == Invocation::Command::Query;
        job.ackMs = ackMs;
        job.probeMs = probeMs;
        job.observeSeconds = invocation.observe;
        jobs.push_back(std::move(job));
    }

    ProvisionRun run(std::move(jobs), invocation.parallel);
    ResultPrinter printer(invocation.json, out, err);
    InterruptWatcher interrupts({SIGINT, SIGTERM, SIGHUP});
    QEventLoop loop;
    bool allOk = true;
    int unrecorded = 0;
    QList<QByteArray> waitingForDisk;  // written, not yet known to be on the disk
    std::optional<UnitResult> queried; // query --profile: the one unit, once it is read
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &run, &ProvisionRun::interrupt);
    QObject::connect(&run, &ProvisionRun::allFinished, &loop, &QEventLoop::quit);
    QObject::connect(&run, &ProvisionRun::unitFinished, &loop, [&](const UnitResult& result) {
        allOk =
            allOk && result.outcome == UnitResult::Outcome::Ok &&
            std::none_of(result.changes.begin(), result.changes.end(), PlannedChanges::isCertain);
        if (result.outcome == UnitResult::Outcome::Ok)
            queried = result;
        if (audited) {
            QJsonObject record = result.toJson();
            record.insert(QStringLiteral("profile"), profile && !profile->path().isEmpty()
                                                         ? QJsonValue(profile->path())
                                                         : QJsonValue());
            record.insert(QStringLiteral("profile_sha256"), profile && !profile->sha256().isEmpty()
                                                                ? QJsonValue(profile->sha256())
                                                                : QJsonValue());
            if (invocation.command == Invocation::Command::Set)
                record.insert(QStringLiteral("settings"),
                              QJsonArray::fromStringList(invocation.assignments));
            QString auditError;
            const QByteArray compact = QJsonDocument(record).toJson(QJsonDocument::Compact);
            if (audit.append(record, auditError)) {
                waitingForDisk << compact;
            } else {
                // The record must not be lost: it goes to the terminal instead.
                ++unrecorded;
                const QString kept = QString::fromUtf8(compact);
                std::fprintf(err, "%s\n",
                             CliTexts::fromTool(CliTexts::auditFailed(auditError, kept))
                                 .toUtf8()
                                 .constData());
            }
        }
        printer.unit(result);
        printer.progress(run.done(), run.total());
    });
    printer.progress(0, run.total());
    run.start();
    if (run.done() < run.total())
        loop.exec();
    QString flushError;
    if (audited && !audit.flush(flushError)) {
        // Which records the disk lost is not known: every one of them goes to the terminal.
        for (const QByteArray& kept : waitingForDisk)
            std::fprintf(
                err, "%s\n",
                CliTexts::fromTool(CliTexts::auditFailed(flushError, QString::fromUtf8(kept)))
                    .toUtf8()
                    .constData());
        unrecorded = run.done();
    }
    printer.finish(unrecorded, audit.path(), auditDeclined);
    if (interrupts.isInterrupted())
        return exitSignalled + interrupts.signalNumber();
    if (!invocation.savedProfilePath.isEmpty() && queried) {
        if (!ProfileWriter::write(*queried, invocation.savedProfilePath, invocation.force, error)) {
            std::fprintf(err, "%s\n", CliTexts::fromTool(error).toUtf8().constData());
            return exitUnitsFailed;
        }
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::profileWritten(invocation.savedProfilePath))
                         .toUtf8()
                         .constData());
    } else if (!invocation.savedProfilePath.isEmpty()) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::profileNotWritten(invocation.savedProfilePath))
                         .toUtf8()
                         .constData());
    }
    return allOk && unrecorded == 0 ? exitOk : exitUnitsFailed;
}
