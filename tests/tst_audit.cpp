// zr415ctl's audit record: written ahead of each change, no change without it, the shared file
// or a clear stop, the run's totals, and zr415ctl audit reading it back.
#include "AuditLog.h"
#include "CtlProcess.h"
#include "SimulatorProcess.h"
#include "StaleLockFile.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// With the audit file's writes or syncs failing after so many (see support/AuditFaults.cpp).
QProcessEnvironment faultyDisk(const char* variable, int allowed)
{
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ZR415_AUDIT_FAULTS));
    // On the sanitizer build the shim is loaded ahead of the sanitizer's runtime, which would
    // refuse to start; its interceptors work all the same.
    const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       sanitizer + (sanitizer.isEmpty() ? "" : ":") +
                           QStringLiteral("verify_asan_link_order=0"));
    environment.insert(QLatin1String(variable), QString::number(allowed));
    return environment;
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

QStringList setsIn(const QJsonArray& sentences)
{
    QStringList sets;
    for (const QJsonValue& sentence : sentences)
        if (sentence.toString().contains(QLatin1String(",SET,")))
            sets << sentence.toString();
    return sets;
}

// Whether process pid holds device open: it has the port and its signal handlers by then.
bool holdsOpen(qint64 pid, const QString& device)
{
    const QString wanted = QFileInfo(device).canonicalFilePath();
    QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == wanted)
            return true;
    return false;
}

// The records of the errors stream that could not be written: "…; the record was: {…}".
QList<QJsonObject> recordsOnErrorStream(const QByteArray& err)
{
    QList<QJsonObject> kept;
    const QByteArray marker = "the record was: ";
    for (const QByteArray& line : err.split('\n'))
        if (const qsizetype at = line.indexOf(marker); at >= 0)
            kept << QJsonDocument::fromJson(line.mid(at + marker.size())).object();
    return kept;
}

QString twoRuns(const QString& folder);

// Starts zr415ctl with a minute's wait for each answer; true once the unit logging to log has
// received a SET, which a unit started with --no-ack never answers.
bool startUntilASetIsOut(QProcess& program, const QStringList& arguments, const QString& log)
{
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("60000"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZR415CTL_BINARY), arguments);
    return program.waitForStarted(5000) &&
           QTest::qWaitFor([&log] { return fileContent(log).contains(",SET,"); }, 15000);
}

const QByteArray profileText = "setGGA=1\nsetCommandGGA=5\nsetRMC=1\nsetCommandRMC=0.5\n";
} // namespace

class AuditTest : public QObject
{
    Q_OBJECT

private slots:
    void unitsChangedGetARecordAheadOfTheChange_data();
    void unitsChangedGetARecordAheadOfTheChange();
    void killedRunAccountsForEveryPort_data();
    void killedRunAccountsForEveryPort();
    void unwritableRecordStartsNoFurtherUnit();
    void failedSyncLeavesTheRunNotRecorded_data();
    void failedSyncLeavesTheRunNotRecorded();
    void failedSyncStartsNoFurtherUnit();
    void appendsOfTwoRunsAtOnceStayWhole_data();
    void appendsOfTwoRunsAtOnceStayWhole();
    void sharedFileOrAClearStop_data();
    void sharedFileOrAClearStop();
    void jsonEndsWithTheRunsTotals();
    void auditTellsTheLastStateOfEachUnit_data();
    void auditTellsTheLastStateOfEachUnit();
    void auditAsJsonGivesEachUnitsLastRecord();
    void auditHelpNamesEachOption();
    void auditOfAnUnknownRunFails();
    void resultsLostOnStandardOutputFailTheRun_data();
    void resultsLostOnStandardOutputFailTheRun();
    void stopSignalIsNamedInEveryAccount_data();
    void stopSignalIsNamedInEveryAccount();
    void setInFlightIsReportedSentAndUnanswered_data();
    void setInFlightIsReportedSentAndUnanswered();
    void stopSignalEndsMonitorWithItsReport_data();
    void stopSignalEndsMonitorWithItsReport();

private:
    QTemporaryDir scratch{QStringLiteral("/tmp/zr415-audit-XXXXXX")};
    QString profile()
    {
        return writeFile(scratch.filePath(QStringLiteral("profile.ini")), profileText);
    }
};

void AuditTest::unitsChangedGetARecordAheadOfTheChange_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("phases");
    QTest::addColumn<int>("setsSent");
    QTest::newRow("changed") << QStringList{} << QStringList{}
                             << QStringList{"planned", "started", "changing", "finished"} << 3;
    QTest::newRow("no-device") << QStringList{"--silent"} << QStringList{}
                               << QStringList{"planned", "finished"} << 0;
    QTest::newRow("unexpected-serial") << QStringList{} << QStringList{"--expect-serial", "OTHER"}
                                       << QStringList{"planned", "finished"} << 0;
}

void AuditTest::unitsChangedGetARecordAheadOfTheChange()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, options);
    QFETCH(QStringList, phases);
    QFETCH(int, setsSent);
    SimulatorProcess unit(QStringList{"--serial", "SN-AHEAD"} + simulator);
    const QString audit = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    const CtlRun run = runCtl(QStringList{"apply", profile(), unit.devicePath(), "--json",
                                          "--audit", audit, "--baud", "115200"} +
                              options);
    const QList<QJsonObject> records = jsonLines(fileContent(audit));
    QStringList got;
    for (const QJsonObject& record : records) {
        got << record["phase"].toString();
        QCOMPARE(record["schema"].toInt(), 3);
        QCOMPARE(record["phase"] == QLatin1String("planned")
                     ? record["ports"].toVariant().toStringList().value(0)
                     : record["port"].toString(),
                 unit.devicePath());
        QCOMPARE(record["profile_sha256"].toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(profileText, QCryptographicHash::Sha256).toHex()));
    }
    QCOMPARE(got, phases);
    // Touched or not, the finished record and the JSON line say so with the SETs themselves.
    const QJsonObject result = jsonLines(run.out).first();
    QCOMPARE(result["sets_sent"].toInt(-1), setsSent);
    QCOMPARE(records.last()["sets_sent"].toInt(-1), setsSent);
    QCOMPARE(records.last()["sent_sets"].toVariant().toStringList(),
             setsIn(result["sent"].toArray()));
    QCOMPARE(records.first()["sha256"], records.first()["profile_sha256"]);
    if (setsSent > 0) {
        // The started record names every SET to send; the changing one, ahead, the first.
        QCOMPARE(records[1]["serial"].toString(), QStringLiteral("SN-AHEAD"));
        QCOMPARE(records[1]["sets"].toVariant().toStringList(), setsIn(result["sent"].toArray()));
        QCOMPARE(records[2]["sent_sets"].toVariant().toStringList(),
                 setsIn(result["sent"].toArray()).mid(0, 1));
        QCOMPARE(records[0]["run"], records[3]["run"]);
    }
}

void AuditTest::killedRunAccountsForEveryPort_data()
{
    QTest::addColumn<QString>("phase"); // killed once two units have written this record
    QTest::newRow("before-any-set") << QStringLiteral("started");
    QTest::newRow("after-a-set") << QStringLiteral("changing");
}

void AuditTest::killedRunAccountsForEveryPort()
{
    QFETCH(QString, phase);
    // Every answer comes late, so the run is surely mid-way when it is killed; two at a time,
    // so two units wait their turn and are never opened.
    std::vector<std::unique_ptr<SimulatorProcess>> units;
    QStringList ports;
    for (int i = 0; i < 4; ++i) {
        units.push_back(std::make_unique<SimulatorProcess>(
            QStringList{"--serial", QStringLiteral("SN-KILL-%1").arg(i), "--delay", "500"}));
        ports << units.back()->devicePath();
    }
    const QString audit = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    QProcess program;
    program.setProcessEnvironment(quickCtlEnvironment());
    program.start(
        QStringLiteral(ZR415CTL_BINARY),
        QStringList{"apply", profile(), "--baud", "115200", "--parallel", "2", "--audit", audit} +
            ports);
    QVERIFY(program.waitForStarted(5000));
    const QByteArray written = '"' + phase.toUtf8() + '"';
    QTRY_VERIFY_WITH_TIMEOUT(fileContent(audit).count(written) == 2, 15000);
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    QVERIFY(program.waitForFinished(5000));

    // Every port as typed, as far as it got; a unit touched is never said untouched.
    QStringList progress;
    for (const QJsonObject& unit : jsonLines(runCtl({"audit", audit, "--json"}).out))
        progress << unit["port"].toString() + ' ' + unit["progress"].toString();
    QCOMPARE(progress, (QStringList{ports[0] + ' ' + phase, ports[1] + ' ' + phase,
                                    ports[2] + " not-started", ports[3] + " not-started"}));
    const CtlRun query = runCtl(QStringList{"query", "--baud", "115200", "--json"} + ports);
    for (const QJsonObject& unit : jsonLines(query.out).mid(0, 4))
        if (unit["rates"].toObject()["GGA"].toString() == QLatin1String("5"))
            QVERIFY(phase == QLatin1String("changing") &&
                    ports.indexOf(unit["port"].toString()) < 2);

    // A later run of another unit leaves them named; a run that gets to them ends the list.
    SimulatorProcess other({"--serial", "SN-OTHER"});
    QCOMPARE(
        runCtl({"set", other.devicePath(), "GGA=1", "--baud", "115200", "--audit", audit}).exitCode,
        0);
    for (const QStringList& options :
         {QStringList{"--unfinished", "--ports"}, QStringList{"--failed", "--ports"}})
        QCOMPARE(QString::fromUtf8(runCtl(QStringList{"audit", audit} + options).out)
                     .split('\n', Qt::SkipEmptyParts),
                 ports);
    const CtlRun again =
        runCtl(QStringList{"apply", profile(), "--baud", "115200", "--audit", audit} + ports);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(runCtl({"audit", audit, "--unfinished", "--ports"}).out, QByteArray());
    // The next user of each port took over the lock file the killed run left and removed it.
    for (const QString& port : ports)
        QVERIFY2(!QFile::exists(StaleLockFile::pathFor(port)), qPrintable(port));
}

void AuditTest::unwritableRecordStartsNoFurtherUnit()
{
    std::vector<std::unique_ptr<SimulatorProcess>> units;
    QStringList ports;
    for (int i = 0; i < 3; ++i) {
        units.push_back(std::make_unique<SimulatorProcess>(
            QStringList{"--serial", QStringLiteral("SN-FULL-%1").arg(i)}));
        ports << units.back()->devicePath();
    }
    const QString audit = scratch.filePath(QStringLiteral("full.jsonl"));
    // The disk takes four records: the planned one, both started ones and the first changing.
    const CtlRun run = runCtl(QStringList{"apply", profile(), "--baud", "115200", "--parallel", "2",
                                          "--json", "--audit", audit} +
                                  ports,
                              faultyDisk("ZR415_FAULT_WRITES_AFTER", 4));
    QCOMPARE(run.exitCode, 1);
    QList<QJsonObject> lines = jsonLines(run.out);
    QCOMPARE(lines.size(), 4);
    const QJsonObject summary = lines.takeLast()["summary"].toObject();
    QCOMPARE(summary["recorded"].toInt(), 0);
    QCOMPARE(summary["ok"].toInt(), 1);
    int neverOpened = 0;
    for (const QJsonObject& unit : lines) {
        QCOMPARE(unit["recorded"].toBool(true), false);
        if (unit["result"].toString() == QLatin1String("ok")) {
            // In flight when the disk filled: it finishes.
            QVERIFY(!setsIn(unit["sent"].toArray()).isEmpty());
            continue;
        }
        QCOMPARE(unit["result"].toString(), QStringLiteral("interrupted"));
        QCOMPARE(unit["reason_code"].toString(), QStringLiteral("audit-unwritable"));
        QCOMPARE(unit["error"].toString(),
                 QStringLiteral("not started: the audit file cannot be written"));
        QVERIFY(setsIn(unit["sent"].toArray()).isEmpty());
        neverOpened += unit["sent"].toArray().isEmpty();
    }
    QCOMPARE(neverOpened, 1);
    QCOMPARE(fileContent(audit).count('\n'), 4);
    // Every record not written is on the error stream, whole.
    const QList<QJsonObject> kept = recordsOnErrorStream(run.err);
    QCOMPARE(kept.size(), 4); // one changing, three finished
    for (const QJsonObject& record : kept)
        for (const char* field : {"run", "user", "host", "version", "schema", "phase", "port"})
            QVERIFY2(record.contains(QLatin1String(field)), field);
}

void AuditTest::failedSyncLeavesTheRunNotRecorded_data()
{
    QTest::addColumn<int>("syncsAllowed");
    QTest::addColumn<QByteArray>("summary");
    QTest::addColumn<bool>("setSent");
    QTest::addColumn<QStringList>("onErrorStream"); // the phases of the records not on disk
    // The planned or the changing record is never on disk: the unit is not touched.
    QTest::newRow("planned-sync-fails") << 0 << QByteArray("1 interrupted; 1 not recorded in ")
                                        << false << QStringList{"planned", "finished"};
    QTest::newRow("changing-sync-fails") << 1 << QByteArray("1 interrupted; 1 not recorded in ")
                                         << false << QStringList{"started", "changing", "finished"};
    QTest::newRow("last-sync-fails")
        << 2 << QByteArray("1 ok; 1 not recorded in ") << true << QStringList{"finished"};
}

void AuditTest::failedSyncLeavesTheRunNotRecorded()
{
    QFETCH(int, syncsAllowed);
    QFETCH(QByteArray, summary);
    QFETCH(bool, setSent);
    QFETCH(QStringList, onErrorStream);
    SimulatorProcess unit({"--serial", "SN-SYNC"});
    const QString audit = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    const CtlRun run =
        runCtl({"set", unit.devicePath(), "GGA=5", "--baud", "115200", "--audit", audit},
               faultyDisk("ZR415_FAULT_SYNCS_AFTER", syncsAllowed));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains(summary), run.out.constData());
    QVERIFY2(run.err.contains("cannot flush audit file"), run.err.constData());
    QStringList phases;
    for (const QJsonObject& record : recordsOnErrorStream(run.err))
        phases << record["phase"].toString();
    QCOMPARE(phases, onErrorStream);
    // The unit's JSON line says so too, also when only the last sync failed.
    const CtlRun json = runCtl({"set", unit.devicePath(), "GGA=5", "--baud", "115200", "--json",
                                "--audit", QString(audit).replace(".jsonl", "-json.jsonl")},
                               faultyDisk("ZR415_FAULT_SYNCS_AFTER", syncsAllowed));
    QVERIFY2(jsonLines(json.out).value(0)["recorded"] == QJsonValue(false), json.out.constData());
    const CtlRun query = runCtl({"query", unit.devicePath(), "--baud", "115200", "--json"});
    QCOMPARE(jsonLines(query.out).value(0)["rates"].toObject()["GGA"].toString() ==
                 QLatin1String("5"),
             setSent);
}

void AuditTest::failedSyncStartsNoFurtherUnit()
{
    SimulatorProcess first({"--serial", "SN-SYNC-1"});
    SimulatorProcess second({"--serial", "SN-SYNC-2"});
    const CtlRun run = runCtl({"set", first.devicePath(), second.devicePath(), "--baud", "115200",
                               "--parallel", "1", "--json", "--audit",
                               scratch.filePath(QStringLiteral("unsynced.jsonl")), "--", "GGA=5"},
                              faultyDisk("ZR415_FAULT_SYNCS_AFTER", 1));
    QCOMPARE(run.exitCode, 1);
    const QList<QJsonObject> units = jsonLines(run.out).mid(0, 2);
    QCOMPARE(units.size(), 2);
    for (const QJsonObject& unit : units)
        QCOMPARE(unit["reason_code"].toString(), QStringLiteral("audit-unwritable"));
    // The first unit was identified and held back; the second was never opened.
    QVERIFY(setsIn(units[0]["sent"].toArray()).isEmpty());
    QVERIFY(units[1]["sent"].toArray().isEmpty());
}

void AuditTest::appendsOfTwoRunsAtOnceStayWhole_data()
{
    QTest::addColumn<bool>("secondDiskFull");
    QTest::addColumn<int>("lines");
    QTest::newRow("both-write") << false << 400;
    // The second run's appends fail and are taken back, never with the first run's records.
    QTest::newRow("second-on-a-full-disk") << true << 200;
}

void AuditTest::appendsOfTwoRunsAtOnceStayWhole()
{
    QFETCH(bool, secondDiskFull);
    QFETCH(int, lines);
    const QString path = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    const QString done = path + QStringLiteral(".done");
    const auto appender = [&](int who, bool full) {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        if (full) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit none = {1, 1};
            ::setrlimit(RLIMIT_FSIZE, &none);
        }
        AuditLog log;
        QString error;
        if (!log.open(path, error))
            ::_exit(3);
        // The full one keeps trying while the other appends.
        for (int n = 0; full ? !QFileInfo::exists(done) && n < 200000 : n < 200; ++n)
            log.append({{QStringLiteral("who"), who}, {QStringLiteral("n"), n}}, error);
        if (!full)
            writeFile(done, "");
        ::_exit(log.flush(error) || full ? 0 : 4);
    };
    const pid_t first = appender(1, false);
    const pid_t second = appender(2, secondDiskFull);
    for (const pid_t child : {first, second}) {
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const QByteArray text = fileContent(path);
    QVERIFY(text.endsWith('\n'));
    QMap<int, int> perRun;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonObject record = QJsonDocument::fromJson(line, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
        ++perRun[record["who"].toInt()];
    }
    QCOMPARE(perRun.value(1), 200);
    QCOMPARE(perRun.value(1) + perRun.value(2), lines);
}

void AuditTest::sharedFileOrAClearStop_data()
{
    QTest::addColumn<QString>("planted"); // what is at the log folder or the shared file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("recordIn"); // shared, state or nowhere
    QTest::newRow("shared-file") << "" << 0 << "shared";
    QTest::newRow("log-folder-cannot-be-made") << "file-as-log-folder" << 0 << "state";
    QTest::newRow("link-at-shared-path") << "link" << 2 << "nowhere";
    QTest::newRow("folder-at-shared-path") << "folder" << 2 << "nowhere";
}

// A copy of zr415ctl in a folder of its own, so that its log folder is the test's.
void AuditTest::sharedFileOrAClearStop()
{
    QFETCH(QString, planted);
    QFETCH(int, exitCode);
    QFETCH(QString, recordIn);
    const QString root = scratch.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(root + QStringLiteral("/bin")));
    const QString program = root + QStringLiteral("/bin/zr415ctl");
    QVERIFY(QFile::copy(QStringLiteral(ZR415CTL_BINARY), program));
    const QString log = root + QStringLiteral("/log");
    const QString shared = log + QStringLiteral("/provision.jsonl");
    const QString victim = writeFile(root + QStringLiteral("/victim"), "kept");
    if (planted == QLatin1String("file-as-log-folder"))
        writeFile(log, "");
    if (planted == QLatin1String("link") || planted == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(log));
    if (planted == QLatin1String("link"))
        QVERIFY(QFile::link(victim, shared));
    if (planted == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(shared));
    QProcessEnvironment environment = quickCtlEnvironment();
    const QString state = root + QStringLiteral("/state");
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state);
    const QString fallback = state + QStringLiteral("/zr415/provision.jsonl");

    SimulatorProcess unit({"--serial", "SN-SHARED"});
    // Twice: the fallback warns on every run that uses it.
    for (int round = 0; round < 2; ++round) {
        const CtlRun run =
            runCtl({"set", unit.devicePath(), "GGA=5", "--baud", "115200"}, environment, program);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err.contains(fallback.toUtf8()), recordIn == QLatin1String("state"));
        if (exitCode == 2)
            QVERIFY2(run.err.contains(shared.toUtf8()), run.err.constData());
    }
    QCOMPARE(fileContent(shared).count("\"finished\""),
             recordIn == QLatin1String("shared") ? 2 : 0);
    QCOMPARE(fileContent(fallback).count("\"finished\""),
             recordIn == QLatin1String("state") ? 2 : 0);
    // The state folder is made only when the record goes there.
    QCOMPARE(QFileInfo::exists(state), recordIn == QLatin1String("state"));
    QCOMPARE(fileContent(victim), QByteArray("kept"));
    // Stopped before anything was sent.
    const CtlRun query = runCtl({"query", unit.devicePath(), "--baud", "115200", "--json"});
    QCOMPARE(jsonLines(query.out).value(0)["rates"].toObject()["GGA"].toString() ==
                 QLatin1String("5"),
             exitCode == 0);
}

void AuditTest::jsonEndsWithTheRunsTotals()
{
    SimulatorProcess ok({"--serial", "SN-TOTAL"});
    SimulatorProcess silent({"--serial", "SN-SILENT", "--silent"});
    const QString audit = scratch.filePath(QStringLiteral("totals.jsonl"));
    const CtlRun run = runCtl({"apply", profile(), ok.devicePath(), silent.devicePath(), "--baud",
                               "115200", "--json", "--audit", audit});
    QCOMPARE(run.exitCode, 1);
    const QList<QJsonObject> lines = jsonLines(run.out);
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(lines[i]["recorded"].toBool(), true);
    const QJsonObject summary = lines.last()["summary"].toObject();
    QCOMPARE(summary["run"].toString(), jsonLines(fileContent(audit)).first()["run"].toString());
    QCOMPARE(summary["command"].toString(), QStringLiteral("apply"));
    QCOMPARE(summary["units"].toInt(), 2);
    QCOMPARE(summary["ok"].toInt(), 1);
    QCOMPARE(summary["failed"].toInt(), 1);
    // The unit that answered had GGA and RMC off: it changed.
    QCOMPARE(summary["changed"].toInt(), 1);
    QCOMPARE(summary["recorded"].toInt(), 2);
}

namespace {
// Two runs: r1 began first (its last record comes after r2's first), with records of the older
// schema; r2 has a unit cut off and a unit that ended before any SET. Three lines are no record.
QString twoRuns(const QString& folder)
{
    const QByteArray text =
        R"({"run":"r1","port":"/dev/a","result":"ok","serial":"A","time":"t1"})"
        "\n"
        R"({"run":"r1","port":"/dev/b","phase":"started","serial":"B"})"
        "\n"
        "{not json\n"
        R"({"schema":2,"run":"r2","port":"/dev/c","phase":"started","serial":"C"})"
        "\n"
        R"({"run":"r1","port":"/dev/b","result":"rejected","serial":"B"})"
        "\n"
        R"({"schema":2,"run":"r2","port":"/dev/d","phase":"started","serial":"D"})"
        "\n"
        "[1,2]\n"
        R"({"schema":2,"run":"r2","port":"/dev/c","phase":"finished","result":"ok","serial":"C"})"
        "\n"
        R"({"schema":2,"run":"r2","port":"/dev/e","phase":"finished","result":"no-device"})"
        "\n"
        R"({"schema":2,"run":"r2","result":"ok"})"
        "\n"
        R"({"schema":2,"run":"r2","port":"/dev/f","phase":"started","serial":"F"})"
        "\n"
        R"({"schema":2,"run":"r2","port":"/dev/f","phase":"finished","result":"mismatch","serial":"F"})"
        "\n";
    return writeFile(folder + QStringLiteral("/two-runs.jsonl"), text);
}
} // namespace

void AuditTest::auditTellsTheLastStateOfEachUnit_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("latest-run") << QStringList{}
                                << QStringList{"/dev/c  C  ok  ",
                                               "/dev/d  D  unfinished: changing, a SET went out  ",
                                               "/dev/e  -  no-device  ", "/dev/f  F  mismatch  "};
    QTest::newRow("failed-ports") << QStringList{"--failed", "--ports"}
                                  << QStringList{"/dev/d", "/dev/e", "/dev/f"};
    QTest::newRow("unfinished-ports")
        << QStringList{"--unfinished", "--ports"} << QStringList{"/dev/d"};
    QTest::newRow("older-run-by-id")
        << QStringList{"--run", "r1"} << QStringList{"/dev/a  A  ok  t1", "/dev/b  B  rejected  "};
    QTest::newRow("older-run-failed")
        << QStringList{"--run", "r1", "--failed", "--ports"} << QStringList{"/dev/b"};
}

void AuditTest::auditTellsTheLastStateOfEachUnit()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, lines);
    const CtlRun run = runCtl(QStringList{"audit", twoRuns(scratch.path())} + options);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts), lines);
    QVERIFY2(run.err.contains("3 line(s) of") && run.err.contains("skipped"), run.err.constData());
}

void AuditTest::auditAsJsonGivesEachUnitsLastRecord()
{
    const CtlRun run = runCtl({"audit", twoRuns(scratch.path()), "--json"});
    QCOMPARE(run.exitCode, 0);
    QStringList states;
    for (const QJsonObject& unit : jsonLines(run.out)) {
        QCOMPARE(unit["run"].toString(), QStringLiteral("r2"));
        states << unit["port"].toString() + ' ' + unit["state"].toString() + ' ' +
                      unit["phase"].toString();
    }
    QCOMPARE(states, (QStringList{"/dev/c ok finished", "/dev/d unfinished started",
                                  "/dev/e no-device finished", "/dev/f mismatch finished"}));
}

void AuditTest::auditHelpNamesEachOption()
{
    const CtlRun run = runCtl({"audit", "--help"});
    QCOMPARE(run.exitCode, 0);
    for (const char* option : {"--run ID ", "--failed ", "--unfinished ", "--ports ", "--json "})
        QVERIFY2(run.out.contains(QByteArray("\n  ") + option), option);
}

void AuditTest::auditOfAnUnknownRunFails()
{
    const CtlRun unknown = runCtl({"audit", twoRuns(scratch.path()), "--run", "r9"});
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY2(unknown.err.contains("run r9 is not recorded"), unknown.err.constData());
    const CtlRun missing = runCtl({"audit", scratch.filePath(QStringLiteral("none.jsonl"))});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.out.isEmpty());
}

void AuditTest::resultsLostOnStandardOutputFailTheRun_data()
{
    QTest::addColumn<QStringList>("arguments"); // PORT stands for the unit's port
    QTest::newRow("query") << QStringList{"query", "PORT", "--baud", "115200"};
    QTest::newRow("set-json") << QStringList{"set",    "PORT",   "GGA=1",     "--baud",
                                             "115200", "--json", "--no-audit"};
    QTest::newRow("ports") << QStringList{"ports"};
    QTest::newRow("audit") << QStringList{"audit", "AUDIT"};
}

void AuditTest::resultsLostOnStandardOutputFailTheRun()
{
    QFETCH(QStringList, arguments);
    SimulatorProcess unit({"--serial", "SN-FULL-OUT"});
    arguments.replaceInStrings(QStringLiteral("PORT"), unit.devicePath());
    arguments.replaceInStrings(QStringLiteral("AUDIT"), twoRuns(scratch.path()));
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415_EXTRA_PORTS"), unit.devicePath());
    const CtlRun run = runCtl(arguments, environment, QStringLiteral(ZR415CTL_BINARY),
                              QStringLiteral("/dev/full"));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("could not be written to standard output"), run.err.constData());
}

void AuditTest::stopSignalIsNamedInEveryAccount_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("name");
    QTest::newRow("ctrl-c") << int(SIGINT) << QStringLiteral("SIGINT");
    QTest::newRow("service-stop") << int(SIGTERM) << QStringLiteral("SIGTERM");
    QTest::newRow("ctrl-backslash") << int(SIGQUIT) << QStringLiteral("SIGQUIT");
    QTest::newRow("ssh-session-dropped") << int(SIGHUP) << QStringLiteral("SIGHUP");
}

void AuditTest::stopSignalIsNamedInEveryAccount()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, name);
    const QString log = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".log"));
    SimulatorProcess running({"--serial", "SN-STOP-1", "--no-ack", "--log", log});
    SimulatorProcess waiting({"--serial", "SN-STOP-2"});
    const QString audit = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    QProcess program;
    QVERIFY(startUntilASetIsOut(program,
                                {"set", running.devicePath(), waiting.devicePath(), "--baud",
                                 "115200", "--parallel", "1", "--audit", audit, "--", "GGA=5"},
                                log));
    ::kill(static_cast<pid_t>(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 128 + signalNumber);
    // The unit stopped while running, and the one that never started.
    const QStringList ports{running.devicePath(), waiting.devicePath()};
    const QStringList errors{QStringLiteral("stopped by ") + name,
                             QStringLiteral("stopped by ") + name + " before it started"};
    const QStringList lines =
        QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (const QString& line : lines.mid(0, 2))
        QVERIFY2(line.endsWith(errors[ports.indexOf(line.section(' ', 0, 0))]), qPrintable(line));
    int finished = 0;
    for (const QJsonObject& record : jsonLines(fileContent(audit))) {
        if (record["phase"] != QLatin1String("finished"))
            continue;
        ++finished;
        QCOMPARE(record["error"].toString(), errors[ports.indexOf(record["port"].toString())]);
        QCOMPARE(record["reason_code"].toString(), QStringLiteral("interrupted"));
    }
    QCOMPARE(finished, 2);
}

void AuditTest::setInFlightIsReportedSentAndUnanswered_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("terminal") << false;
    QTest::newRow("json-lines") << true;
}

void AuditTest::setInFlightIsReportedSentAndUnanswered()
{
    QFETCH(bool, json);
    const QString log = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".log"));
    SimulatorProcess unit({"--serial", "SN-IN-FLIGHT", "--no-ack", "--log", log});
    const QString audit = scratch.filePath(QTest::currentDataTag() + QStringLiteral(".jsonl"));
    QProcess program;
    QVERIFY(startUntilASetIsOut(program,
                                QStringList{"set", unit.devicePath(), "GGA=5", "RMC=1", "--baud",
                                            "115200", "--audit", audit} +
                                    (json ? QStringList{"--json"} : QStringList{}),
                                log));
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(10000));
    const QString first = QStringLiteral("#KVT,,SET,GNSS.NMEA.GGA,5");
    const QByteArray out = program.readAllStandardOutput();
    const QJsonObject record = jsonLines(fileContent(audit)).last();
    QCOMPARE(record["in_flight"].toString(), first);
    QCOMPARE(record["sets_sent"].toInt(), 1);
    QCOMPARE(record["applied"].toArray().size(), 0);
    if (json)
        QCOMPARE(jsonLines(out).value(0)["in_flight"].toString(), first);
    else
        QVERIFY2(out.contains("sent, unanswered when stopped: " + first.toUtf8()), out.constData());
}

void AuditTest::stopSignalEndsMonitorWithItsReport_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("ctrl-c") << int(SIGINT);
    QTest::newRow("terminate") << int(SIGTERM);
    QTest::newRow("ctrl-backslash") << int(SIGQUIT);
    QTest::newRow("ssh-session-dropped") << int(SIGHUP);
}

void AuditTest::stopSignalEndsMonitorWithItsReport()
{
    QFETCH(int, signalNumber);
    SimulatorProcess unit({"--serial", "SN-MONITOR"});
    QProcess program;
    program.start(QStringLiteral(ZR415CTL_BINARY),
                  {"monitor", unit.devicePath(), "--rates", "--seconds", "60"});
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(holdsOpen(program.processId(), unit.devicePath()), 10000);
    ::kill(static_cast<pid_t>(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + signalNumber);
    const QByteArray out = program.readAllStandardOutput();
    QVERIFY2(out.startsWith("SENTENCE") && out.contains(unit.devicePath().toUtf8() + ": "),
             out.constData());
}

QTEST_GUILESS_MAIN(AuditTest)
#include "tst_audit.moc"
