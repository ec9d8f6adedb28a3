#include "CommandRunner.h"

#include "AuditLog.h"
#include "AuditReader.h"
#include "CliTexts.h"
#include "CommandSentences.h"
#include "InterruptWatcher.h"
#include "LineMonitor.h"
#include "LinkRecorder.h"
#include "ObservedRates.h"
#include "PortList.h"
#include "Profile.h"
#include "ProfileWriter.h"
#include "ProvisionRun.h"
#include "RateReport.h"
#include "ReasonCode.h"
#include "ResultPrinter.h"
#include "RunRecorder.h"
#include "SettingsKeys.h"
#include "ShownBytes.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

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
    case Invocation::Command::Audit:
        return runAudit(invocation);
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
    bool printed = true;
    if (invocation.json)
        printed =
            std::fprintf(
                out, "%s\n",
                QJsonDocument(PortList::toJson(ports)).toJson(QJsonDocument::Compact).data()) >= 0;
    else if (ports.isEmpty())
        std::fprintf(err, "%s\n", CliTexts::noSerialPorts().toUtf8().constData());
    else
        printed = std::fputs(PortList::toText(ports).toUtf8().constData(), out) >= 0;
    return withOutputChecked(printed ? 0 : errno, exitOk);
}

int CommandRunner::runMonitor(const Invocation& invocation)
{
    InterruptWatcher interrupts({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
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
    LinkRecorder recorder;
    if (!invocation.recordPath.isEmpty() && !startRecording(invocation, monitor, recorder))
        return exitUnitsFailed; // the line closes with the monitor
    QEventLoop loop;
    QObject::connect(&monitor, &LineMonitor::finished, &loop, &QEventLoop::quit);
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &monitor, &LineMonitor::stop);
    loop.exec();
    recorder.stop();
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
    if (!invocation.recordPath.isEmpty() && recorder.failure() != LinkRecorder::Failure::None)
        return exitUnitsFailed; // told when it happened
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

bool CommandRunner::startRecording(const Invocation& invocation, const LineMonitor& monitor,
                                   LinkRecorder& recorder)
{
    const QString& path = invocation.recordPath;
    if (!recorder.start(path, {invocation.ports.first(), static_cast<qint32>(invocation.baud), {}},
                        invocation.force)) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::recordingRefused(
                                            path, recorder.errorText(),
                                            recorder.failure() == LinkRecorder::Failure::Exists))
                         .toUtf8()
                         .constData());
        return false;
    }
    QObject::connect(&monitor.link(), &ReceiverLink::bytesReceived, &recorder,
                     &LinkRecorder::addReceived);
    QObject::connect(&monitor.link(), &ReceiverLink::commandWritten, &recorder,
                     &LinkRecorder::addCommand);
    QObject::connect(&recorder, &LinkRecorder::failed, &recorder, [this, &recorder, path] {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::recordingEnded(path, recorder.errorText()))
                         .toUtf8()
                         .constData());
    });
    return true;
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
    QString auditWarning;
    if (audited && !(invocation.auditPath.isEmpty() ? audit.openDefault(error, auditWarning)
                                                    : audit.open(invocation.auditPath, error)))
        return refuse(error);
    if (!auditWarning.isEmpty())
        std::fprintf(err, "%s\n", CliTexts::fromTool(auditWarning).toUtf8().constData());

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
        if (const auto bound = invocation.boundSerials.find(port);
            bound != invocation.boundSerials.end())
            job.boundSerial = bound->second;
        job.check = invocation.check;
        job.readBefore = invocation.command == Invocation::Command::Apply;
        job.ratesForProfile = !invocation.savedProfilePath.isEmpty();
        job.verify = invocation.verify && invocation.command != Invocation::Command::Reset;
        job.readRates = invocation.command == Invocation::Command::Query;
        job.ackMs = ackMs;
        job.probeMs = probeMs;
        job.observeSeconds = invocation.observe;
        jobs.push_back(std::move(job));
    }

    ProvisionRun run(std::move(jobs), invocation.parallel);
    std::unique_ptr<RunRecorder> recorder;
    if (audited) {
        QJsonObject context{
            {QStringLiteral("profile"),
             profile && !profile->path().isEmpty() ? QJsonValue(profile->path()) : QJsonValue()},
            {QStringLiteral("profile_sha256"), profile && !profile->sha256().isEmpty()
                                                   ? QJsonValue(profile->sha256())
                                                   : QJsonValue()}};
        if (invocation.command == Invocation::Command::Set)
            context.insert(QStringLiteral("settings"),
                           QJsonArray::fromStringList(invocation.assignments));
        recorder = std::make_unique<RunRecorder>(audit, run, context, err);
    }
    ResultPrinter printer(invocation.json, out, err);
    InterruptWatcher interrupts({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
    QEventLoop loop;
    bool allOk = true;
    bool wouldChange = false;
    std::optional<UnitResult> queried;             // query --profile: the one unit, once it is read
    std::vector<std::pair<UnitResult, bool>> held; // --json: each result and its record written
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &run,
                     [&] { run.interrupt(interrupts.signalNumber()); });
    QObject::connect(&run, &ProvisionRun::allFinished, &loop, &QEventLoop::quit);
    QObject::connect(&run, &ProvisionRun::unitFinished, &loop, [&](const UnitResult& result) {
        allOk = allOk && result.outcome == UnitResult::Outcome::Ok;
        wouldChange = wouldChange || result.wouldChange;
        if (result.outcome == UnitResult::Outcome::Ok)
            queried = result;
        std::optional<bool> recorded;
        if (recorder)
            recorded = recorder->finished(result);
        // A JSON line says "recorded" only once the disk has the record: held until the end.
        if (invocation.json && recorder)
            held.push_back({result, *recorded});
        else
            printer.unit(result, recorded);
        printer.progress(run.done(), run.total());
    });
    printer.progress(0, run.total());
    // Every port is on the disk before the first is opened, so a killed run leaves none out.
    if (recorder && !recorder->planned(invocation.name, invocation.ports))
        run.stopStarting(ReasonCode::auditUnwritable, CliTexts::auditUnwritable());
    run.start();
    if (run.done() < run.total())
        loop.exec();
    const int recorded = recorder ? recorder->flush() : 0;
    for (const auto& [result, written] : held)
        printer.unit(result, written && recorder->keptOnDisk());
    const int unrecorded = recorder ? recorder->unrecorded() : 0;
    printer.summary(audit.runId(), invocation.name, recorded);
    printer.finish(unrecorded, audit.path(), auditDeclined);
    const int status = unitsStatus(invocation, interrupts, queried, allOk && unrecorded == 0);
    // A failed unit says more than a change that would be made.
    return withOutputChecked(printer.outputError(),
                             status == exitOk && wouldChange ? exitWouldChange : status);
}

int CommandRunner::runAudit(const Invocation& invocation)
{
    const QString path =
        invocation.auditPath.isEmpty() ? AuditLog::defaultPath() : invocation.auditPath;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::cannotReadAudit(path, file.errorString()))
                         .toUtf8()
                         .constData());
        return exitUnitsFailed;
    }
    const AuditReader reader(file.readAll());
    if (reader.skipped() > 0)
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(CliTexts::linesSkipped(reader.skipped(), path))
                         .toUtf8()
                         .constData());
    const QString run = invocation.auditRun.isEmpty() ? reader.latestRun() : invocation.auditRun;
    if (!reader.hasRun(run)) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(run.isEmpty() ? CliTexts::noRunIn(path)
                                                      : CliTexts::runNotIn(run, path))
                         .toUtf8()
                         .constData());
        return exitUnitsFailed;
    }
    int writeError = 0;
    const QList<AuditReader::Unit> units =
        invocation.auditRun.isEmpty() ? reader.latestWithUnfinished() : reader.unitsOf(run);
    for (const AuditReader::Unit& unit : units) {
        if ((invocation.failedOnly && unit.state == QLatin1String("ok")) ||
            (invocation.unfinishedOnly && unit.state != AuditReader::unfinished()))
            continue;
        QByteArray line;
        if (invocation.portsOnly) {
            // As it was named to the run, so that it can be named to the next one.
            line = unit.port.toUtf8();
        } else if (invocation.json) {
            QJsonObject fields = unit.last;
            fields.insert(QStringLiteral("run"), unit.run);
            fields.insert(QStringLiteral("port"), unit.port);
            fields.insert(QStringLiteral("state"), unit.state);
            if (!unit.progress.isEmpty())
                fields.insert(QStringLiteral("progress"), unit.progress);
            line = QJsonDocument(fields).toJson(QJsonDocument::Compact);
        } else {
            const QString serial = unit.last.value(QStringLiteral("serial")).toString();
            const QString error = unit.last.value(QStringLiteral("error")).toString();
            QStringList parts{shownBytes(unit.port.toUtf8()),
                              serial.isEmpty() ? CliTexts::noValue() : shownBytes(serial.toUtf8()),
                              unit.progress.isEmpty() ? unit.state
                                                      : CliTexts::unfinishedAs(unit.progress),
                              unit.last.value(QStringLiteral("time")).toString()};
            if (!error.isEmpty())
                parts << shownBytes(error.toUtf8());
            if (unit.run != run)
                parts << CliTexts::leftByRun(unit.run);
            line = parts.join(QStringLiteral("  ")).toUtf8();
        }
        if (std::fprintf(out, "%s\n", line.constData()) < 0 && writeError == 0)
            writeError = errno;
    }
    return withOutputChecked(writeError, exitOk);
}

int CommandRunner::withOutputChecked(int writeError, int status)
{
    if (std::fflush(out) != 0 && writeError == 0)
        writeError = errno;
    if (writeError == 0 && !std::ferror(out))
        return status;
    // A result nobody can read is a result lost: a script must not take the run as done.
    std::fprintf(err, "%s\n",
                 CliTexts::fromTool(CliTexts::outputFailed(QString::fromLocal8Bit(
                                        std::strerror(writeError ? writeError : EIO))))
                     .toUtf8()
                     .constData());
    return status == exitOk ? exitUnitsFailed : status;
}

int CommandRunner::unitsStatus(const Invocation& invocation, const InterruptWatcher& interrupts,
                               const std::optional<UnitResult>& queried, bool allOk)
{
    QString error;
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
    return allOk ? exitOk : exitUnitsFailed;
}
