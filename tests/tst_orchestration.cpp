// zr415ctl driven by a script: reason codes, what apply changed, exit codes, serial numbers bound
// to ports, and the answers a script needs to be exact.
#include "CliTexts.h"
#include "CommandLine.h"
#include "CommandSentences.h"
#include "CtlProcess.h"
#include "Profile.h"
#include "PseudoTerminal.h"
#include "ReasonCode.h"
#include "ReceiverState.h"
#include "SimulatorProcess.h"
#include "UnitSession.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <csignal>

namespace {
// The unit lines, by port, without the summary.
QMap<QString, QJsonObject> unitsByPort(const QByteArray& text)
{
    QMap<QString, QJsonObject> units;
    for (const QByteArray& line : text.split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.contains(QStringLiteral("port")))
            units.insert(object[QStringLiteral("port")].toString(), object);
    }
    return units;
}

QStringList setsSent(const QJsonObject& unit)
{
    QStringList sets;
    for (const QJsonValue& sentence : unit[QStringLiteral("sent")].toArray())
        if (sentence.toString().contains(QLatin1String(",SET,")))
            sets << sentence.toString();
    return sets;
}

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// Answers on the controlling side until the program ends: GETs from the table (a key missing
// from it gets no answer), SETs with OK unless they start with one of silent.
void serve(PseudoTerminal& line, QProcess& program,
           const std::map<std::string, std::string>& values, const QList<QByteArray>& silent = {})
{
    QByteArray pending;
    while (program.state() != QProcess::NotRunning) {
        pending += line.read(40, 5);
        for (qsizetype end = pending.indexOf("\r\n"); end >= 0; end = pending.indexOf("\r\n")) {
            const QByteArray command = pending.left(end);
            pending.remove(0, end + 2);
            if (std::any_of(silent.begin(), silent.end(),
                            [&](const QByteArray& prefix) { return command.startsWith(prefix); }))
                continue;
            const QList<QByteArray> fields = command.split(',');
            const std::string key = fields.value(3).toStdString();
            if (fields.value(2) == "SET") {
                line.write(
                    QByteArray::fromStdString(ReceiverState::reply("KVT,,SET," + key + ",OK")));
            } else if (const auto found = values.find(key); found != values.end()) {
                line.write(QByteArray::fromStdString(
                    ReceiverState::reply("KVT,,GET," + key + ",OK," + found->second)));
            }
        }
        program.waitForFinished(0);
    }
}

std::optional<Invocation> parsed(const QStringList& arguments, QString& error)
{
    QString usage;
    return CommandLine::parse(QStringList{QStringLiteral("zr415ctl")} + arguments, error, usage);
}
} // namespace

class OrchestrationTest : public QObject
{
    Q_OBJECT

private slots:
    void reasonCodeTellsHowEachUnitEnded_data();
    void reasonCodeTellsHowEachUnitEnded();
    void helpListsEveryReasonCode();
    void applyTellsWhatItChanged_data();
    void applyTellsWhatItChanged();
    void checkExitsThreeWhenSomethingWouldChange_data();
    void checkExitsThreeWhenSomethingWouldChange();
    void boundSerialMustMatchItsPort_data();
    void boundSerialMustMatchItsPort();
    void badBindingsAreRefusedBeforeAnythingIsSent_data();
    void badBindingsAreRefusedBeforeAnythingIsSent();
    void unansweredNamesSetAndGet();
    void stopWhileObservingKeepsTheReadBack();
    void refusalOfAUnitNoLongerHeldChangesNothing_data();
    void refusalOfAUnitNoLongerHeldChangesNothing();
    void queryProfileNamesEveryRateItCannotHold();
    void switchesTakeOnlyZeroOrOne_data();
    void switchesTakeOnlyZeroOrOne();
    void baudMustBeARateOfTheList_data();
    void baudMustBeARateOfTheList();

private:
    QTemporaryDir scratch;
};

void OrchestrationTest::reasonCodeTellsHowEachUnitEnded_data()
{
    QTest::addColumn<QStringList>("simulator"); // empty: no simulator, see port
    QTest::addColumn<QString>("port");          // "file": a plain file; else a missing path
    QTest::addColumn<QString>("code");          // empty: null
    QTest::newRow("ok") << QStringList{} << ""
                        << "";
    QTest::newRow("refused") << QStringList{"--reject", "RMC"} << ""
                             << "refused";
    QTest::newRow("unanswered") << QStringList{"--no-ack"} << ""
                                << "no-answer";
    QTest::newRow("read-back-differs") << QStringList{"--sticky", "GGA"} << ""
                                       << "read-back-differs";
    QTest::newRow("silent") << QStringList{"--silent"} << ""
                            << "no-answer";
    QTest::newRow("blank-serial") << QStringList{"--serial", "   "} << ""
                                  << "bad-serial";
    QTest::newRow("stranger") << QStringList{"--serial", "SN-STRANGER"} << ""
                              << "unexpected-serial";
    QTest::newRow("missing") << QStringList() << "missing"
                             << "no-such-device";
    QTest::newRow("plain-file") << QStringList() << "file"
                                << "not-serial";
}

void OrchestrationTest::reasonCodeTellsHowEachUnitEnded()
{
    QFETCH(QStringList, simulator);
    QFETCH(QString, port);
    QFETCH(QString, code);
    std::unique_ptr<SimulatorProcess> unit;
    QString path = scratch.filePath(QStringLiteral("no-such-port"));
    if (port == QLatin1String("file"))
        path = writeFile(scratch, QStringLiteral("plain"), "not a line");
    if (port.isEmpty()) {
        unit = std::make_unique<SimulatorProcess>(simulator.contains(QStringLiteral("--serial"))
                                                      ? simulator
                                                      : simulator +
                                                            QStringList{"--serial", "SN-EXPECTED"});
        path = unit->devicePath();
    }
    const QString audit = scratch.filePath(QStringLiteral("codes.jsonl"));
    QFile::remove(audit);
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("300"));
    const CtlRun run = runCtl({"set", path, "GGA=5", "RMC=1", "--json", "--audit", audit,
                               "--expect-serial", "SN-EXPECTED"},
                              environment);
    const QJsonObject unit0 = unitsByPort(run.out).value(path);
    QFile file(audit);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject record;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (QJsonDocument::fromJson(line).object()[QStringLiteral("phase")] == "finished")
            record = QJsonDocument::fromJson(line).object();
    for (const QJsonObject& line : {unit0, record}) {
        QVERIFY2(line.contains(QStringLiteral("reason_code")), run.out.constData());
        const QJsonValue got = line[QStringLiteral("reason_code")];
        QCOMPARE(got.isNull(), code.isEmpty());
        QCOMPARE(got.toString(), code);
    }
}

void OrchestrationTest::helpListsEveryReasonCode()
{
    const CtlRun run = runCtl({"--help"});
    const QString help = QString::fromUtf8(run.out);
    for (const QString& code : ReasonCode::all())
        QVERIFY2(help.contains(QRegularExpression(QStringLiteral("(^|\\s)%1(\\s|\\.)").arg(code))),
                 qPrintable(code));
}

void OrchestrationTest::applyTellsWhatItChanged_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QStringList>("counted"); // changes that are not SBAS or the talker
    QTest::newRow("alike") << QByteArray("setGGA=1\nsetCommandGGA=1\nsetRMC=1\nsetCommandRMC=0.5\n")
                           << false << QStringList{};
    QTest::newRow("rate-differs") << QByteArray("setGGA=1\nsetCommandGGA=5\n") << true
                                  << QStringList{"GNSS.NMEA.GGA 1 5"};
    QTest::newRow("clear-acts-every-time") << QByteArray("setGGA=1\nsetCommandGGA=1\nclean=1\n")
                                           << true << QStringList{"GNSS.CLEAN_SATELLITE unknown "};
    QTest::newRow("sbas-and-talker-never-count")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nsbas=1\nuseHdtPrefix=1\nhdtPrefix=2\n") << false
        << QStringList{};
}

void OrchestrationTest::applyTellsWhatItChanged()
{
    QFETCH(QByteArray, profile);
    QFETCH(bool, changed);
    QFETCH(QStringList, counted);
    SimulatorProcess unit({"--serial", "SN-APPLY", "--rates", "GGA=1,RMC=0.5"});
    const QString path = writeFile(scratch, QStringLiteral("apply.ini"), profile);
    const CtlRun run = runCtl({"apply", path, unit.devicePath(), "--json", "--audit",
                               scratch.filePath(QStringLiteral("apply.jsonl"))});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject result = unitsByPort(run.out).value(unit.devicePath());
    QCOMPARE(result[QStringLiteral("changed")].toBool(), changed);
    QStringList got;
    for (const QJsonValue& change : result[QStringLiteral("changes")].toArray()) {
        const QString key = change[QStringLiteral("key")].toString();
        if (!key.contains(QLatin1String("SBAS")) && !key.contains(QLatin1String("NMEATALKER")))
            got << QStringLiteral("%1 %2 %3")
                       .arg(key, change[QStringLiteral("from")].toString(),
                            change[QStringLiteral("to")].toString());
    }
    QCOMPARE(got, counted);
    // The summary counts the units that changed.
    const QJsonObject summary = QJsonDocument::fromJson(run.out.trimmed().split('\n').last())
                                    .object()["summary"]
                                    .toObject();
    QCOMPARE(summary[QStringLiteral("changed")].toInt(), changed ? 1 : 0);
    // Everything the submit button sends still goes, changed or not.
    QVERIFY(!setsSent(result).isEmpty());
    QCOMPARE(setsSent(result).size(), result[QStringLiteral("applied")].toArray().size());
}

void OrchestrationTest::checkExitsThreeWhenSomethingWouldChange_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("withFailedUnit");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("nothing-would-change")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nsbas=1\n") << false << 0;
    QTest::newRow("rate-would-change") << QByteArray("setGGA=1\nsetCommandGGA=5\n") << false << 3;
    QTest::newRow("clear-would-act")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nclean=1\n") << false << 3;
    QTest::newRow("failed-unit-outranks-change")
        << QByteArray("setGGA=1\nsetCommandGGA=5\n") << true << 1;
}

void OrchestrationTest::checkExitsThreeWhenSomethingWouldChange()
{
    QFETCH(QByteArray, profile);
    QFETCH(bool, withFailedUnit);
    QFETCH(int, exitCode);
    SimulatorProcess unit({"--serial", "SN-CHECK", "--rates", "GGA=1"});
    QStringList arguments{"apply", writeFile(scratch, QStringLiteral("check.ini"), profile),
                          unit.devicePath(), "--check", "--json"};
    if (withFailedUnit)
        arguments << scratch.filePath(QStringLiteral("no-such-port"));
    const CtlRun run = runCtl(arguments);
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject result = unitsByPort(run.out).value(unit.devicePath());
    QCOMPARE(result[QStringLiteral("would_change")].toBool(),
             profile.contains("5") || profile.contains("clean"));
    QCOMPARE(result[QStringLiteral("changed")].toBool(), false);
}

void OrchestrationTest::boundSerialMustMatchItsPort_data()
{
    QTest::addColumn<QStringList>("options"); // PORT_A, PORT_B: the two ports; LINK_A: a link to A
    QTest::addColumn<QString>("resultA");
    QTest::addColumn<QString>("resultB");
    QTest::newRow("bound-right") << QStringList{"--expect-serial", "PORT_A=SN-A", "--expect-serial",
                                                "PORT_B=SN-B"}
                                 << "ok"
                                 << "ok";
    QTest::newRow("cables-swapped")
        << QStringList{"--expect-serial", "PORT_A=SN-B", "--expect-serial", "PORT_B=SN-A"}
        << "unexpected-serial"
        << "unexpected-serial";
    // Both serial numbers are in the list: only the binding tells the swap.
    QTest::newRow("binding-wins-over-list")
        << QStringList{"--expect-serial", "SN-A,SN-B", "--expect-serial", "PORT_A=SN-B"}
        << "unexpected-serial"
        << "ok";
    QTest::newRow("list-for-the-unbound-port")
        << QStringList{"--expect-serial", "SN-X", "--expect-serial", "PORT_A=SN-A"} << "ok"
        << "unexpected-serial";
    QTest::newRow("bound-under-another-name")
        << QStringList{"--expect-serial", "LINK_A=SN-B"} << "unexpected-serial"
        << "ok";
    QTest::newRow("file-swapped") << QStringList{"--serials", "FILE:PORT_A SN-B\nPORT_B SN-A"}
                                  << "unexpected-serial"
                                  << "unexpected-serial";
    QTest::newRow("file-as-expect-serial-takes-them")
        << QStringList{"--serials", "FILE:PORT_A=SN-B\nPORT_B=SN-A\n"} << "unexpected-serial"
        << "unexpected-serial";
    QTest::newRow("file-with-comments")
        << QStringList{"--serials", "FILE:# station 7\n\n  PORT_A\tSN-A  \nPORT_B SN-B # spare\n"}
        << "ok"
        << "ok";
}

void OrchestrationTest::boundSerialMustMatchItsPort()
{
    QFETCH(QStringList, options);
    QFETCH(QString, resultA);
    QFETCH(QString, resultB);
    SimulatorProcess unitA({"--serial", "SN-A"});
    SimulatorProcess unitB({"--serial", "SN-B"});
    const QString link = scratch.filePath(QStringLiteral("link-a"));
    QFile::remove(link);
    QVERIFY(QFile::link(unitA.devicePath(), link));
    for (QString& option : options) {
        option.replace(QLatin1String("LINK_A"), link);
        option.replace(QLatin1String("PORT_A"), unitA.devicePath());
        option.replace(QLatin1String("PORT_B"), unitB.devicePath());
        if (option.startsWith(QLatin1String("FILE:")))
            option = writeFile(scratch, QStringLiteral("serials.txt"), option.mid(5).toUtf8());
    }
    const CtlRun run =
        runCtl(QStringList{"set", unitA.devicePath(), unitB.devicePath(), "--json", "--no-audit"} +
               options + QStringList{"--", "GGA=5"});
    const QMap<QString, QJsonObject> units = unitsByPort(run.out);
    QCOMPARE(units.size(), 2);
    for (const auto& [port, want] :
         {std::pair(unitA.devicePath(), resultA), std::pair(unitB.devicePath(), resultB)}) {
        const QJsonObject unit = units.value(port);
        QCOMPARE(unit[QStringLiteral("result")].toString(), want);
        QCOMPARE(setsSent(unit).isEmpty(), want != QLatin1String("ok"));
    }
}

void OrchestrationTest::badBindingsAreRefusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message"); // part of the error
    QTest::newRow("no-port") << QStringList{"--expect-serial", "=SN-1"} << "PORT=SN";
    QTest::newRow("no-serial") << QStringList{"--expect-serial", "ttyUSB0="} << "PORT=SN";
    QTest::newRow("file-line-with-three-words")
        << QStringList{"--serials", "FILE:ttyUSB0 SN-1\n\nttyUSB1 SN 2\n"} << "line 3";
    QTest::newRow("file-line-with-one-word")
        << QStringList{"--serials", "FILE:# ok\nttyUSB1\n"} << "line 2";
    QTest::newRow("missing-file") << QStringList{"--serials", "/nonexistent/serials"}
                                  << "cannot read --serials /nonexistent/serials";
    QTest::newRow("port-bound-twice")
        << QStringList{"--expect-serial", "ttyUSB0=SN-1", "--expect-serial", "/dev/ttyUSB0=SN-2"}
        << "two serial numbers";
    QTest::newRow("serial-bound-twice")
        << QStringList{"--expect-serial", "ttyUSB0=SN-1", "--expect-serial", "ttyUSB1=SN-1"}
        << "two ports, ttyUSB0 and ttyUSB1";
    QTest::newRow("file-line-without-serial")
        << QStringList{"--serials", "FILE:ttyUSB0=SN-1\nttyUSB1=\n"} << "line 2";
}

void OrchestrationTest::badBindingsAreRefusedBeforeAnythingIsSent()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    for (QString& option : options)
        if (option.startsWith(QLatin1String("FILE:")))
            option = writeFile(scratch, QStringLiteral("bad-serials.txt"), option.mid(5).toUtf8());
    QString error;
    QVERIFY(!parsed(QStringList{"reset", "ttyUSB0", "ttyUSB1", "--yes"} + options, error));
    QVERIFY2(error.contains(message), qPrintable(error));
    // The program itself: a usage error, exit 2.
    QCOMPARE(runCtl(QStringList{"reset", "ttyUSB0", "--yes"} + options).exitCode, 2);
}

void OrchestrationTest::unansweredNamesSetAndGet()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QProcess program;
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("200"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZR415CTL_BINARY), {"set", line.devicePath(), "GGA=5", "RMC=1",
                                                    "--baud", "115200", "--json", "--no-audit"});
    QVERIFY(program.waitForStarted(5000));
    serve(line, program, {{"DEVICE.INFO.SN", "SN-QUIET"}, {"GNSS.NMEA.RMC", "1"}},
          {"#KVT,,SET,GNSS.NMEA.GGA"});
    const QJsonObject unit = unitsByPort(program.readAllStandardOutput()).value(line.devicePath());
    const QJsonArray expected{QJsonObject{{"verb", "SET"}, {"key", "GNSS.NMEA.GGA"}},
                              QJsonObject{{"verb", "GET"}, {"key", "GNSS.NMEA.GGA"}}};
    QCOMPARE(unit[QStringLiteral("unanswered")].toArray(), expected);

    // In English too.
    QProcess again;
    again.setProcessEnvironment(environment);
    again.start(QStringLiteral(ZR415CTL_BINARY),
                {"set", line.devicePath(), "GGA=5", "--baud", "115200", "--no-audit"});
    QVERIFY(again.waitForStarted(5000));
    serve(line, again, {{"DEVICE.INFO.SN", "SN-QUIET"}}, {"#KVT,,SET,GNSS.NMEA.GGA"});
    const QByteArray text = again.readAllStandardOutput();
    QVERIFY2(text.contains("no answer: SET GNSS.NMEA.GGA, GET GNSS.NMEA.GGA"), text.constData());
}

void OrchestrationTest::stopWhileObservingKeepsTheReadBack()
{
    SimulatorProcess receiver({"--serial", "SN-OBSERVED"});
    UnitJob job;
    job.command = QStringLiteral("apply");
    job.port = receiver.devicePath();
    job.bauds = {115200};
    job.searchBaud = false;
    job.sets = {CommandSentences::setOutput("GGA", "1")};
    job.wanted = {{"GGA", "1"}};
    job.observeSeconds = 60;
    UnitSession session(job);
    session.start();
    // verified is known once the read-back is done; the stream is measured for a minute after.
    QVERIFY(QTest::qWaitFor([&] { return session.result().verified; }, 15000));
    QVERIFY(!session.isFinished());
    session.interrupt(SIGINT);
    QCOMPARE(session.result().outcome, UnitResult::Outcome::Interrupted);
    QVERIFY(session.result().verified);
    QCOMPARE(session.result().toJson()[QStringLiteral("verified")].toBool(), true);
}

void OrchestrationTest::refusalOfAUnitNoLongerHeldChangesNothing_data()
{
    QTest::addColumn<bool>("stopped"); // stopped while held, else let go
    QTest::addColumn<UnitResult::Outcome>("outcome");
    QTest::addColumn<QString>("reasonCode");
    // A failed sync is told after the stop: the unit ended for the stop.
    QTest::newRow("stopped-while-held")
        << true << UnitResult::Outcome::Interrupted << QStringLiteral("interrupted");
    QTest::newRow("let-go") << false << UnitResult::Outcome::Ok << QString();
}

void OrchestrationTest::refusalOfAUnitNoLongerHeldChangesNothing()
{
    QFETCH(bool, stopped);
    QFETCH(UnitResult::Outcome, outcome);
    QFETCH(QString, reasonCode);
    SimulatorProcess receiver({"--serial", "SN-HELD"});
    UnitJob job;
    job.command = QStringLiteral("set");
    job.port = receiver.devicePath();
    job.bauds = {115200};
    job.searchBaud = false;
    job.sets = {CommandSentences::setOutput("GGA", "1")};
    job.wanted = {{"GGA", "1"}};
    UnitSession session(job);
    session.holdBeforeChanges();
    bool held = false;
    connect(&session, &UnitSession::readyToChange, this, [&] { held = true; });
    session.start();
    QVERIFY(QTest::qWaitFor([&] { return held; }, 15000));
    if (stopped)
        session.interrupt(SIGINT);
    else
        session.proceed();
    session.refuse(ReasonCode::auditUnwritable, CliTexts::auditUnwritable());
    QVERIFY(QTest::qWaitFor([&] { return session.isFinished(); }, 15000));
    QCOMPARE(session.result().outcome, outcome);
    QCOMPARE(session.result().toJson()[QStringLiteral("reason_code")].toString(), reasonCode);
}

void OrchestrationTest::queryProfileNamesEveryRateItCannotHold()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    std::map<std::string, std::string> values{{"DEVICE.INFO.SN", "SN-ODD"}};
    for (const char* name : ReceiverState::sentenceNames)
        values[std::string("GNSS.NMEA.") + name] = "OFF";
    values["GNSS.NMEA.GGA"] = "7";
    values["GNSS.NMEA.HDT"] = "0.3";
    const QString profile = scratch.filePath(QStringLiteral("odd.ini"));
    QProcess program;
    program.setProcessEnvironment(quickCtlEnvironment());
    program.start(QStringLiteral(ZR415CTL_BINARY),
                  {"query", line.devicePath(), "--baud", "115200", "--json", "--profile", profile});
    QVERIFY(program.waitForStarted(5000));
    serve(line, program, values);
    QCOMPARE(program.exitCode(), 1);
    const QJsonObject unit = unitsByPort(program.readAllStandardOutput()).value(line.devicePath());
    QVERIFY(unit[QStringLiteral("result")].toString() != QLatin1String("ok"));
    QCOMPARE(unit[QStringLiteral("reason_code")].toString(), QStringLiteral("unlisted-rate"));
    QCOMPARE(unit[QStringLiteral("unlisted_rates")].toArray(),
             (QJsonArray{QStringLiteral("GGA=7"), QStringLiteral("HDT=0.3")}));
    const QString error = unit[QStringLiteral("error")].toString();
    QVERIFY2(error.contains(QLatin1String("GGA=7")) && error.contains(QLatin1String("HDT=0.3")),
             qPrintable(error));
    QVERIFY(!QFile::exists(profile));
}

void OrchestrationTest::switchesTakeOnlyZeroOrOne_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("taken");
    QTest::newRow("sbas-2") << QByteArray("sbas=2") << false;
    QTest::newRow("sbas-minus-5") << QByteArray("sbas=-5") << false;
    QTest::newRow("clean-3") << QByteArray("clean=3") << false;
    QTest::newRow("set-tick-2") << QByteArray("setRMC=2\nsetCommandRMC=1") << false;
    QTest::newRow("talker-switch-2") << QByteArray("useHdtPrefix=2") << false;
    QTest::newRow("sbas-1") << QByteArray("sbas=1") << true;
    QTest::newRow("sbas-0") << QByteArray("sbas=0") << true;
}

void OrchestrationTest::switchesTakeOnlyZeroOrOne()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, taken);
    const QString path =
        writeFile(scratch, QStringLiteral("switch.ini"), "setGGA=1\nsetCommandGGA=1\n" + line);
    QString error;
    QCOMPARE(Profile::load(path, error).has_value(), taken);
    if (!taken)
        QVERIFY2(error.contains(QLatin1String("allowed: 0 or 1")), qPrintable(error));
}

void OrchestrationTest::baudMustBeARateOfTheList_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("taken");
    QTest::newRow("query-1234") << QStringList{"query", "ttyUSB0", "--baud", "1234"} << false;
    QTest::newRow("apply-1234") << QStringList{"apply", "p.ini", "ttyUSB0", "--baud", "1234"}
                                << false;
    QTest::newRow("monitor-1234") << QStringList{"monitor", "ttyUSB0", "--baud", "1234"} << false;
    QTest::newRow("query-9600") << QStringList{"query", "ttyUSB0", "--baud", "9600"} << true;
    QTest::newRow("monitor-256000")
        << QStringList{"monitor", "ttyUSB0", "--baud", "256000"} << true;
}

void OrchestrationTest::baudMustBeARateOfTheList()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, taken);
    QString error;
    QCOMPARE(parsed(arguments, error).has_value(), taken);
    if (!taken)
        QVERIFY2(error.contains(QLatin1String("not a rate of the list")), qPrintable(error));
}

QTEST_MAIN(OrchestrationTest)
#include "tst_orchestration.moc"
