// zr415ctl: its arguments, profiles and audit file, and whole runs of the real program against
// simulated receivers.
#include "AuditLog.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "CtlProcess.h"
#include "DlgZR415.h"
#include "LineMonitor.h"
#include "PageProbe.h"
#include "Profile.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "ReceiverState.h"
#include "RecordingReaderWriter.h"
#include "ResultPrinter.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void startCtl(QProcess& process, const QStringList& arguments,
              const QProcessEnvironment& environment = quickCtlEnvironment())
{
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZR415CTL_BINARY), arguments);
    QVERIFY(process.waitForStarted(5000));
}

// The unit lines of --json output, without the summary object that ends them.
QList<QJsonObject> unitLines(const QByteArray& out)
{
    QList<QJsonObject> units = jsonLines(out);
    if (!units.isEmpty() && units.last().contains(QStringLiteral("summary")))
        units.removeLast();
    return units;
}

// The records of an audit file written when units ended (the planned, started and changing ones
// come ahead of them).
QList<QJsonObject> finishedRecords(const QByteArray& text)
{
    QList<QJsonObject> finished;
    for (const QJsonObject& record : jsonLines(text))
        if (record[QStringLiteral("phase")].toString() == QLatin1String("finished"))
            finished << record;
    return finished;
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// Plays a receiver on the controlling side of a pseudo-terminal until zr415ctl ends, and keeps
// every byte the program sent. Commands starting with ignored get no answer and change nothing.
QByteArray serveUntilFinished(PseudoTerminal& line, QProcess& program,
                              const QByteArray& ignored = {})
{
    ReceiverState receiver("ZR415-PTY-7");
    QByteArray all;
    QByteArray pending;
    while (program.state() != QProcess::NotRunning) {
        const QByteArray got = line.read(40, 5);
        all += got;
        pending += got;
        for (qsizetype end = pending.indexOf("\r\n"); end >= 0; end = pending.indexOf("\r\n")) {
            const QByteArray command = pending.left(end);
            pending.remove(0, end + 2);
            if (!ignored.isEmpty() && command.startsWith(ignored))
                continue;
            const std::optional<std::string> reply = receiver.handle(command.toStdString());
            if (reply)
                line.write(QByteArray::fromStdString(*reply));
        }
        program.waitForFinished(0);
    }
    return all;
}

// What the page's submit button writes for a settings file.
QByteArray pageBytes(const QByteArray& settingsText, const QString& port)
{
    TempSettings settings(settingsText);
    RecordingReaderWriter link;
    PromptRecorder prompts(0);
    DlgZR415 page(nullptr);
    PageProbe::choose(page, port, QStringLiteral("115200"));
    PageProbe::click(page, "connectButton");
    PageProbe::click(page, "submitButton");
    return link.writes.join();
}

QByteArray withoutQueries(const QByteArray& bytes)
{
    QByteArray kept;
    for (const QByteArray& sentence : bytes.split('\n'))
        if (!sentence.isEmpty() && !sentence.startsWith("#KVT,,GET,"))
            kept += sentence + '\n';
    return kept;
}

const QByteArray fieldProfile = "baudrate=115200\nportNum=COM7\n"
                                "setGGA=1\nsetCommandGGA=1\nsetRMC=1\nsetCommandRMC=0.5\n"
                                "setGSV=0\nsetCommandGSV=5\nsbas=0\nclean=1\n"
                                "queryGGA=1\nbodyNum=1\nstation=north-7\n";
} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void argumentsAreReadIntoAnInvocation_data();
    void argumentsAreReadIntoAnInvocation();
    void badArgumentsGetOneLineAndAPointerToHelp_data();
    void badArgumentsGetOneLineAndAPointerToHelp();
    void sameDeviceUnderABindMountIsNamedTwice();

    void refusedProfilesNameKeyValueAndWhatIsAllowed_data();
    void refusedProfilesNameKeyValueAndWhatIsAllowed();
    void assignmentsBecomeSentencesInSubmitOrder_data();
    void assignmentsBecomeSentencesInSubmitOrder();
    void readBackFollowsTheLastWordOnEachRate();
    void oddValuesSendWhatThePageSends_data();
    void oddValuesSendWhatThePageSends();
    void speedSearchStartsWithTheProfilesRate_data();
    void speedSearchStartsWithTheProfilesRate();
    void summaryCountsOutcomesInOrder();
    void auditFallsBackToTheStateFolder();

    void unitReceivesExactlyThePagesBytes_data();
    void unitReceivesExactlyThePagesBytes();
    void profileErrorsSendNothingAndExitTwo_data();
    void profileErrorsSendNothingAndExitTwo();
    void everyResultClassInOneRun_data();
    void everyResultClassInOneRun();
    void setReportsOnlyWhatWasProven_data();
    void setReportsOnlyWhatWasProven();
    void silenceIsUnansweredNotMismatch_data();
    void silenceIsUnansweredNotMismatch();
    void searchFindsAReceiverThatAnswersLate_data();
    void searchFindsAReceiverThatAnswersLate();
    void stopSignalLeavesAConsistentAuditFile_data();
    void stopSignalLeavesAConsistentAuditFile();
    void queryReportsSerialAndRatesAsJson();
    void portsListsTheExtraPathsThatExist();
    void monitorPrintsTimedLines();
    void monitorShowsOnlyWhatArrivesWhileItRuns();
    void monitorStartsAtASentenceAndEndsWithItsReader_data();
    void monitorStartsAtASentenceAndEndsWithItsReader();
    void monitorRatesMeasuresEachSentence_data();
    void monitorRatesMeasuresEachSentence();
    void observeFindsRatesTheUnitDoesNotKeep_data();
    void observeFindsRatesTheUnitDoesNotKeep();
    void checkListsWhatWouldChangeAndSendsNoSet_data();
    void checkListsWhatWouldChangeAndSendsNoSet();
    void noAuditIsSaidAndLeavesNoRecord_data();
    void noAuditIsSaidAndLeavesNoRecord();
    void queryProfileMakesOtherUnitsAlike_data();
    void queryProfileMakesOtherUnitsAlike();

private:
    struct MixedRun
    {
        std::vector<std::unique_ptr<SimulatorProcess>> simulators;
        QMap<QString, QString> portByName;
        QMap<QString, QJsonObject> resultByPort;
        QList<QJsonObject> audit;
        int exitCode = -1;
        QByteArray err;
    };
    const MixedRun& mixedRun();

    std::unique_ptr<MixedRun> mixed;
    QTemporaryDir scratch;
};

void CliTest::argumentsAreReadIntoAnInvocation_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<unsigned>("baud");
    QTest::addColumn<int>("parallel");
    QTest::addColumn<bool>("verify");

    using C = Invocation::Command;
    QTest::newRow("apply-many-ports-capped")
        << QStringList{"apply", "p.ini", "/dev/a", "/dev/b", "--parallel", "4"} << int(C::Apply)
        << QStringList{"/dev/a", "/dev/b"} << 0u << 4 << true;
    QTest::newRow("options-before-positionals")
        << QStringList{"apply", "--no-verify", "--baud", "9600", "p.ini", "/dev/a"} << int(C::Apply)
        << QStringList{"/dev/a"} << 9600u << 0 << false;
    QTest::newRow("baud-auto-is-a-search")
        << QStringList{"query", "/dev/a", "--baud", "auto"} << int(C::Query)
        << QStringList{"/dev/a"} << 0u << 0 << true;
    QTest::newRow("set-takes-one-port") << QStringList{"set", "/dev/a", "GGA=1", "CLEAN"}
                                        << int(C::Set) << QStringList{"/dev/a"} << 0u << 0 << true;
    QTest::newRow("monitor-defaults-to-115200")
        << QStringList{"monitor", "/dev/a"} << int(C::Monitor) << QStringList{"/dev/a"} << 115200u
        << 0 << true;
    QTest::newRow("reset-confirmed") << QStringList{"reset", "/dev/a", "--yes"} << int(C::Reset)
                                     << QStringList{"/dev/a"} << 0u << 0 << true;
    QTest::newRow("command-help") << QStringList{"apply", "--help"} << int(C::Help) << QStringList{}
                                  << 0u << 0 << true;
    QTest::newRow("slash-name-is-relative-to-here")
        << QStringList{"query", "pts/77", "./bench/../ttyB"} << int(C::Query)
        << QStringList{QDir::currentPath() + "/pts/77", QDir::currentPath() + "/ttyB"} << 0u << 0
        << true;
    QTest::newRow("bare-name-is-under-dev") << QStringList{"query", "ttyUSB0"} << int(C::Query)
                                            << QStringList{"/dev/ttyUSB0"} << 0u << 0 << true;
    QTest::newRow("set-several-ports-before-dashes")
        << QStringList{"set", "/dev/a", "/dev/b", "--parallel", "1", "--", "GGA=1", "CLEAN"}
        << int(C::Set) << QStringList{"/dev/a", "/dev/b"} << 0u << 1 << true;
}

void CliTest::argumentsAreReadIntoAnInvocation()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, command);
    QFETCH(QStringList, ports);
    QFETCH(unsigned, baud);
    QFETCH(int, parallel);
    QFETCH(bool, verify);
    QString error;
    QString usage;
    const std::optional<Invocation> invocation =
        CommandLine::parse(QStringList{"zr415ctl"} + arguments, error, usage);
    QVERIFY2(invocation, qPrintable(error));
    QCOMPARE(int(invocation->command), command);
    QCOMPARE(invocation->ports, ports);
    QCOMPARE(invocation->baud, baud);
    QCOMPARE(invocation->parallel, parallel);
    QCOMPARE(invocation->verify, verify);
}

void CliTest::badArgumentsGetOneLineAndAPointerToHelp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("nothing") << QStringList{} << "no command given";
    QTest::newRow("unknown-command") << QStringList{"flash", "/dev/a"} << "unknown command 'flash'";
    QTest::newRow("unknown-option") << QStringList{"query", "/dev/a", "--fast"} << "fast";
    QTest::newRow("option-of-another-command") << QStringList{"query", "/dev/a", "--yes"} << "yes";
    QTest::newRow("query-without-port") << QStringList{"query"} << "at least one PORT";
    QTest::newRow("apply-without-port") << QStringList{"apply", "p.ini"} << "at least one PORT";
    QTest::newRow("set-without-value") << QStringList{"set", "/dev/a"} << "NAME=VALUE";
    QTest::newRow("reset-unconfirmed") << QStringList{"reset", "/dev/a"} << "--yes";
    QTest::newRow("baud-word") << QStringList{"query", "/dev/a", "--baud", "fast"} << "'fast'";
    QTest::newRow("baud-fraction")
        << QStringList{"query", "/dev/a", "--baud", "9600.5"} << "'9600.5'";
    QTest::newRow("monitor-cannot-search")
        << QStringList{"monitor", "/dev/a", "--baud", "auto"} << "'auto'";
    QTest::newRow("parallel-zero")
        << QStringList{"apply", "p", "/dev/a", "--parallel", "0"} << "from 1 to";
    QTest::newRow("parallel-beyond-any-bench")
        << QStringList{"apply", "p", "/dev/a", "--parallel", "99999999999"} << "from 1 to";
    QTest::newRow("set-all-with-single-sentences")
        << QStringList{"set", "/dev/a", "ALL=OFF", "GGA=1"} << "ALL cannot be combined";
    QTest::newRow("bare-name-and-its-dev-path")
        << QStringList{"query", "null", "/dev/null"} << "named twice";
    QTest::newRow("seconds-negative")
        << QStringList{"monitor", "/dev/a", "--seconds", "-1"} << "'-1'";
    QTest::newRow("port-twice") << QStringList{"query", "/dev/a", "/dev/a"} << "named twice";
    QTest::newRow("ports-with-port") << QStringList{"ports", "/dev/a"} << "takes no port";
    QTest::newRow("seconds-beyond-the-timer")
        << QStringList{"monitor", "/dev/a", "--seconds", "2147484"} << "'2147484'";
    QTest::newRow("set-two-bad-rates-on-one-line")
        << QStringList{"set", "/dev/a", "GGA=7", "RMC=3"} << "RMC=3";
    QTest::newRow("set-unknown-name") << QStringList{"set", "/dev/a", "NMEA=1"} << "NMEA";
    QTest::newRow("set-clean-with-value") << QStringList{"set", "/dev/a", "clean=1"} << "CLEAN";
    QTest::newRow("set-ports-and-dashes-without-values")
        << QStringList{"set", "/dev/a", "/dev/b", "--"} << "NAME=VALUE";
    QTest::newRow("audit-and-no-audit")
        << QStringList{"reset", "/dev/a", "--yes", "--audit", "a", "--no-audit"} << "contradict";
    QTest::newRow("audit-to-standard-output")
        << QStringList{"set", "/dev/a", "GGA=1", "--audit", "-"} << "standard output";
    QTest::newRow("audit-failed-and-unfinished")
        << QStringList{"audit", "--failed", "--unfinished"} << "--failed";
    QTest::newRow("audit-two-files") << QStringList{"audit", "a.jsonl", "b.jsonl"} << "'b.jsonl'";
    QTest::newRow("check-with-observe")
        << QStringList{"apply", "p", "/dev/a", "--check", "--observe", "5"} << "--check";
    QTest::newRow("profile-of-two-units")
        << QStringList{"query", "/dev/a", "/dev/b", "--profile", "p.ini"} << "exactly one PORT";
    QTest::newRow("expect-serial-empty-entry")
        << QStringList{"set", "/dev/a", "GGA=1", "--expect-serial", "SN-1,,SN-2"} << "'SN-1,,SN-2'";
    // A link and its target are one device, one line.
    const QString device = writeFile(scratch, "ttyFAKE0", "");
    const QString alias = scratch.filePath(QStringLiteral("receiver-link"));
    QFile::link(device, alias);
    QTest::newRow("same-device-by-two-names")
        << QStringList{"query", device, alias} << "named twice";
}

void CliTest::badArgumentsGetOneLineAndAPointerToHelp()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    const CtlRun run = runCtl(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    const QList<QByteArray> lines = run.err.split('\n');
    QVERIFY2(lines.size() > 1, run.err.constData());
    QVERIFY2(lines[0].startsWith("zr415ctl: ") && lines[0].contains(complaint.toUtf8()),
             lines[0].constData());
    QCOMPARE(lines.size(), 3); // the reason, the pointer, the final line end
    QVERIFY2(lines[1].startsWith("Try 'zr415ctl") && lines[1].contains("--help"),
             lines[1].constData());
}

void CliTest::sameDeviceUnderABindMountIsNamedTwice()
{
    // No path leads from one name to the other: only the device number tells. A mount of its
    // own needs a user namespace, which an ordinary user gets where the kernel allows it.
    const QString mounted = writeFile(scratch, "bound-device", "");
    QProcess shell;
    shell.start(QStringLiteral("unshare"),
                {"-rm", "sh", "-c",
                 "mount --bind /dev/null \"$1\" && exec \"$0\" query /dev/null \"$1\"",
                 QStringLiteral(ZR415CTL_BINARY), mounted});
    QVERIFY(shell.waitForFinished(30000));
    const QByteArray err = shell.readAllStandardError();
    if (err.contains("unshare") || err.contains("mount"))
        QSKIP(err.constData());
    QCOMPARE(shell.exitCode(), 2);
    QVERIFY2(err.contains("is named twice, also as '" + mounted.toUtf8() + "'"), err.constData());
}

void CliTest::refusedProfilesNameKeyValueAndWhatIsAllowed_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QStringList>("mentioned");
    QTest::newRow("rate-not-in-list") << QByteArray("setGGA=1\nsetCommandGGA=3\n")
                                      << QStringList{"setCommandGGA=3", "0.02", "60"};
    QTest::newRow("unticked-rate-not-in-list")
        << QByteArray("setGGA=0\nsetCommandGGA=fast\n") << QStringList{"setCommandGGA=fast"};
    QTest::newRow("rate-missing-while-ticked")
        << QByteArray("setRMC=1\n") << QStringList{"setCommandRMC", "missing", "setRMC"};
    QTest::newRow("talker-out-of-range")
        << QByteArray("useHdtPrefix=1\nhdtPrefix=3\n") << QStringList{"hdtPrefix=3", "2 (GN)"};
    QTest::newRow("talker-negative")
        << QByteArray("useHdtPrefix=1\nhdtPrefix=-1\n") << QStringList{"hdtPrefix=-1"};
    QTest::newRow("switch-not-a-number") << QByteArray("sbas=on\n") << QStringList{"sbas=on"};
    QTest::newRow("tick-not-a-number")
        << QByteArray("setGGA=yes\nsetCommandGGA=1\n") << QStringList{"setGGA=yes"};
    QTest::newRow("baud-not-in-list")
        << QByteArray("baudrate=4800\n") << QStringList{"baudrate=4800", "256000"};
    QTest::newRow("every-problem-at-once")
        << QByteArray("setGGA=1\nsetCommandGGA=7\nuseHdtPrefix=1\nhdtPrefix=9\n")
        << QStringList{"setCommandGGA=7", "hdtPrefix=9"};
    QTest::newRow("missing-file") << QByteArray() << QStringList{"cannot read profile"};
    QTest::newRow("nothing-to-set")
        << QByteArray("; empty\nportNum=COM7\n") << QStringList{"no line holds an output setting"};
    QTest::newRow("utf-16") << QByteArray("\xff\xfes\0b\0a\0s\0=\0\x30\0\n\0", 16)
                            << QStringList{"line 1: not UTF-8"};
    QTest::newRow("random-bytes-on-line-three")
        << QByteArray("sbas=0\r\n\r\n\xc3\x28\x9f=\xff\n") << QStringList{"line 3: not UTF-8"};
    QTest::newRow("nul-in-a-value")
        << QByteArray("setGGA=1\nsetCommandGGA=5\0x\n", 27)
        << QStringList{"line 2: holds a NUL byte", "setCommandGGA=5\\x00x"};
    QTest::newRow("known-key-in-another-case")
        << QByteArray("sbas=1\nsetgga=1\n") << QStringList{"line 2", "setgga", "setGGA"};
    QTest::newRow("key-twice-with-other-values")
        << QByteArray("sbas=0\nclean=1\nsbas=1\n") << QStringList{"line 3", "sbas=1", "line 1"};
    QTest::newRow("percent-in-value-shown-as-written")
        << QByteArray("sbas=%3\nsbas=%4x\n")
        << QStringList{"line 2: sbas=%4x given again", "(line 1: sbas=%3)"};
    QTest::newRow("terminal-escape-shown-escaped")
        << QByteArray("sbas=0\nsbas=\x1b[2J\n") << QStringList{"sbas=\\x1B[2J"};
    QTest::newRow("larger-than-a-mebibyte")
        << QByteArray("sbas=0\n;" + QByteArray(1 << 20, 'x') + "\n") << QStringList{"1 MiB"};
}

void CliTest::refusedProfilesNameKeyValueAndWhatIsAllowed()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, mentioned);
    const QString path = content.isEmpty() ? scratch.filePath(QStringLiteral("absent.ini"))
                                           : writeFile(scratch, "refused.ini", content);
    QString error;
    QVERIFY(!Profile::load(path, error));
    for (const QString& text : mentioned)
        QVERIFY2(error.contains(text), qPrintable(error));
}

void CliTest::assignmentsBecomeSentencesInSubmitOrder_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QByteArray>("expected"); // empty: refused
    QTest::newRow("singles-in-list-order")
        << QStringList{"HDT=OFF", "gga=1"}
        << QByteArray("#KVT,,SET,GNSS.NMEA.GGA,1\r\n#KVT,,SET,GNSS.NMEA.HDT,OFF\r\n");
    QTest::newRow("all-alone") << QStringList{"all=5"}
                               << QByteArray("#KVT,,SET,GNSS.NMEA.ALL,5\r\n");
    QTest::newRow("all-with-singles") << QStringList{"all=5", "gga=1"} << QByteArray();
    QTest::newRow("off-in-any-case")
        << QStringList{"RMC=off"} << QByteArray("#KVT,,SET,GNSS.NMEA.RMC,OFF\r\n");
    QTest::newRow("sbas-only-when-named-then-clean-then-talker")
        << QStringList{"HDT-TALKER=gp", "CLEAN", "SBAS=on", "GSV=0.1"}
        << QByteArray("#KVT,,SET,GNSS.NMEA.GSV,0.1\r\n#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL\r\n"
                      "#KVT,,SET,GNSS.CLEAN_SATELLITE\r\n#KVT,,SET,GNSS.NMEATALKER.HDT,GP\r\n");
    QTest::newRow("sbas-off") << QStringList{"sbas=OFF"}
                              << QByteArray("#KVT,,SET,GNSS.SATELLITE.UNTRACK.SBAS,ALL\r\n");
    QTest::newRow("rate-not-in-list") << QStringList{"GGA=3"} << QByteArray();
    QTest::newRow("rate-missing") << QStringList{"GGA"} << QByteArray();
    QTest::newRow("unknown-name") << QStringList{"NMEA=1"} << QByteArray();
    QTest::newRow("clean-with-value") << QStringList{"CLEAN=1"} << QByteArray();
    QTest::newRow("talker-unknown") << QStringList{"HDT-TALKER=GL"} << QByteArray();
    QTest::newRow("sbas-yes") << QStringList{"SBAS=yes"} << QByteArray();
    QTest::newRow("twice") << QStringList{"GGA=1", "gga=2"} << QByteArray();
    QTest::newRow("terminal-escape-in-value")
        << QStringList{"SBAS=\x1b]0;owned\x07on", "HDT-TALKER=\x1b[2J"} << QByteArray();
}

void CliTest::assignmentsBecomeSentencesInSubmitOrder()
{
    QFETCH(QStringList, assignments);
    QFETCH(QByteArray, expected);
    QString error;
    const std::optional<Profile> profile = Profile::fromAssignments(assignments, error);
    if (expected.isEmpty()) {
        QVERIFY(!profile);
        QVERIFY(!error.isEmpty());
        // What the operator typed comes back without a byte that could steer the terminal.
        for (const QChar c : error)
            QVERIFY2(c == QLatin1Char('\n') || (c.unicode() >= 0x20 && c.unicode() != 0x7f),
                     qPrintable(error.toUtf8().toHex()));
        return;
    }
    QVERIFY2(profile, qPrintable(error));
    QByteArray sent;
    for (const std::string& sentence : profile->sentences())
        sent += QByteArray::fromStdString(sentence);
    QCOMPARE(sent, expected);
}

void CliTest::readBackFollowsTheLastWordOnEachRate()
{
    QString error;
    const std::optional<Profile> profile = Profile::load(
        writeFile(scratch, "all-last.ini",
                  "setGGA=1\nsetCommandGGA=1\nsetNMEA=1\nsetCommandNMEA=0.5\nsbas=1\n"),
        error);
    QVERIFY2(profile, qPrintable(error));
    // ALL goes out after GGA, so every sentence must read back 0.5.
    QCOMPARE(profile->wantedRates().size(), std::size_t(10));
    for (const auto& [name, rate] : profile->wantedRates())
        QCOMPARE(rate, std::string("0.5"));
    const std::optional<Profile> single = Profile::fromAssignments({"RMC=2", "CLEAN"}, error);
    QVERIFY(single);
    QCOMPARE(single->wantedRates(), (std::map<std::string, std::string>{{"RMC", "2"}}));
}

void CliTest::oddValuesSendWhatThePageSends_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::newRow("tick-signed-and-padded")
        << QByteArray("setGGA=+1\nsetCommandGGA=1\nsetRMC=-0\nsetCommandRMC=0.5\n"
                      "setGSV=000\nsetCommandGSV=5\n");
    QTest::newRow("signed-switches")
        << QByteArray("sbas=+1\nclean=-0\nsetZDA=+1\nsetCommandZDA=OFF\n");
    QTest::newRow("zero-padded-switches")
        << QByteArray("sbas=01\nclean=00\nsetHDT=0001\nsetCommandHDT=60\n");
    QTest::newRow("unticked-without-rate")
        << QByteArray("setGSA=0\nsetNMEA=1\nsetCommandNMEA=0.02\n");
    QTest::newRow("talker-ticked-by-plus-one") << QByteArray("useHdtPrefix=+1\nhdtPrefix=02\n");
    QTest::newRow("talker-unused-out-of-range") << QByteArray("useHdtPrefix=0\nhdtPrefix=9\n");
}

void CliTest::oddValuesSendWhatThePageSends()
{
    QFETCH(QByteArray, settings);
    const QString path = writeFile(scratch, "odd.ini", settings);
    qputenv("ZR415_EXTRA_PORTS", path.toLocal8Bit());
    QString error;
    const std::optional<Profile> profile = Profile::load(path, error);
    QVERIFY2(profile, qPrintable(error));
    QByteArray sent;
    for (const std::string& sentence : profile->sentences())
        sent += QByteArray::fromStdString(sentence);
    QCOMPARE(sent, pageBytes(settings, path));
}

void CliTest::speedSearchStartsWithTheProfilesRate_data()
{
    QTest::addColumn<unsigned>("hint");
    QTest::addColumn<QList<unsigned>>("first");
    QTest::newRow("no-profile-rate") << 0u << QList<unsigned>{115200, 9600, 14400};
    QTest::newRow("profile-rate-first") << 38400u << QList<unsigned>{38400, 115200, 9600};
    QTest::newRow("profile-rate-not-repeated") << 9600u << QList<unsigned>{9600, 115200, 14400};
}

void CliTest::speedSearchStartsWithTheProfilesRate()
{
    QFETCH(unsigned, hint);
    QFETCH(QList<unsigned>, first);
    const std::vector<unsigned> order = CommandRunner::baudOrder(hint);
    QCOMPARE(order.size(), std::size_t(9)); // every rate of the list, once
    QCOMPARE(QList<unsigned>(order.begin(), order.begin() + 3), first);
}

void CliTest::summaryCountsOutcomesInOrder()
{
    using O = UnitResult::Outcome;
    QCOMPARE(ResultPrinter::summaryLine({O::NoDevice, O::Ok, O::Rejected, O::Ok}),
             QStringLiteral("2 ok, 1 rejected, 1 no-device"));
    QCOMPARE(ResultPrinter::summaryLine({}), QStringLiteral("no units"));
}

void CliTest::auditFallsBackToTheStateFolder()
{
    const QString state = scratch.filePath(QStringLiteral("state"));
    qputenv("XDG_STATE_HOME", state.toLocal8Bit());
    const QString log = scratch.filePath(QStringLiteral("log"));
    QCOMPARE(AuditLog::chooseFolder(log), log);
    // A log folder that cannot exist (its parent is a file) sends the record to the state folder.
    writeFile(scratch, "plain-file", "x");
    QCOMPARE(AuditLog::chooseFolder(scratch.filePath(QStringLiteral("plain-file/log"))),
             state + QStringLiteral("/zr415"));
    qunsetenv("XDG_STATE_HOME");

    // A link planted under the audit file's name is refused; its target is untouched.
    writeFile(scratch, "victim", "kept");
    QVERIFY(QFile::link(scratch.filePath(QStringLiteral("victim")), log + "/provision.jsonl"));
    AuditLog audit;
    QString error;
    QVERIFY(!audit.open(log + "/provision.jsonl", error));
    QVERIFY2(error.contains(QStringLiteral("provision.jsonl")), qPrintable(error));
    QFile victim(scratch.filePath(QStringLiteral("victim")));
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("kept"));
}

void CliTest::unitReceivesExactlyThePagesBytes_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("command"); // how zr415ctl is told the same settings
    QTest::newRow("field-profile") << fieldProfile << QStringList{"apply", "PROFILE"};
    QTest::newRow("every-option")
        << QByteArray("setGGA=+1\nsetCommandGGA=0.02\nsetHDT=1\nsetCommandHDT=60\n"
                      "setNMEA=1\nsetCommandNMEA=10\nsbas=1\nclean=1\nuseHdtPrefix=1\n"
                      "hdtPrefix=2\n")
        << QStringList{"apply", "PROFILE"};
    QTest::newRow("nothing-ticked")
        << QByteArray("setGGA=0\nsetCommandGGA=5\n") << QStringList{"apply", "PROFILE"};
    QTest::newRow("assignments")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nsbas=0\nuseHdtPrefix=1\nhdtPrefix=0\n")
        << QStringList{"set", "GGA=1", "SBAS=off", "HDT-TALKER=HE"};
}

void CliTest::unitReceivesExactlyThePagesBytes()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, command);
    PseudoTerminal line;
    QVERIFY(line.isValid());
    qputenv("ZR415_EXTRA_PORTS", line.devicePath().toLocal8Bit());
    const QByteArray page = pageBytes(settings, line.devicePath());
    QVERIFY(!page.isEmpty());

    const QString profile = writeFile(scratch, "same.ini", settings);
    QStringList arguments = command;
    if (arguments[1] == QLatin1String("PROFILE"))
        arguments[1] = profile;
    arguments.insert(command[0] == QLatin1String("set") ? 1 : 2, line.devicePath());
    arguments << "--baud"
              << "115200"
              << "--audit" << scratch.filePath("same.jsonl") << "--json";
    QProcess program;
    startCtl(program, arguments);
    const QByteArray received = serveUntilFinished(line, program);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(received.startsWith("#KVT,,GET,DEVICE.INFO.SN\r\n"));
    QCOMPARE(withoutQueries(received), page);
}

void CliTest::profileErrorsSendNothingAndExitTwo_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("mentioned");
    QTest::newRow("rate") << QByteArray("setGGA=1\nsetCommandGGA=2.5\n")
                          << QByteArray("setCommandGGA=2.5");
    QTest::newRow("talker") << QByteArray("useHdtPrefix=1\nhdtPrefix=5\n")
                            << QByteArray("hdtPrefix=5");
    QTest::newRow("unreadable") << QByteArray() << QByteArray("is a folder");
    // A pipe (as from the shell's <(…)) is refused at once rather than waited on.
    QTest::newRow("pipe") << QByteArray("FIFO") << QByteArray("not a regular file");
}

void CliTest::profileErrorsSendNothingAndExitTwo()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, mentioned);
    PseudoTerminal first;
    PseudoTerminal second;
    const QString fifo = scratch.filePath(QStringLiteral("profile-pipe"));
    QVERIFY(content != "FIFO" || QFile::exists(fifo) || ::mkfifo(qPrintable(fifo), 0600) == 0);
    const QString profile = content.isEmpty()   ? scratch.path()
                            : content == "FIFO" ? fifo
                                                : writeFile(scratch, "bad.ini", content);
    const QString audit = scratch.filePath(QStringLiteral("refused.jsonl"));
    const CtlRun run =
        runCtl({"apply", profile, first.devicePath(), second.devicePath(), "--audit", audit});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(mentioned), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QCOMPARE(first.read(200, 50), QByteArray());
    QCOMPARE(second.read(50, 50), QByteArray());
    QVERIFY(fileContent(audit).isEmpty());
}

const CliTest::MixedRun& CliTest::mixedRun()
{
    if (mixed)
        return *mixed;
    mixed = std::make_unique<MixedRun>();
    const QList<QPair<QString, QStringList>> units = {
        {"ok", {}},
        {"rejected", {"--reject", "RMC"}},
        {"unanswered", {"--no-ack"}},
        {"mismatch", {"--sticky", "GGA"}},
        {"no-device", {"--silent"}},
        {"wrong-baud", {"--baud", "9600"}},
        // Started last, so its line is surely up when the run begins and gone part-way.
        {"lost", {"--no-ack", "--drop-after", "3"}},
        {"stranger", {}},
    };
    QStringList ports;
    QStringList expected;
    for (const auto& [name, options] : units) {
        mixed->simulators.push_back(
            std::make_unique<SimulatorProcess>(QStringList{"--serial", "SN-" + name} + options));
        mixed->portByName[name] = mixed->simulators.back()->devicePath();
        ports << mixed->simulators.back()->devicePath();
        if (name != QLatin1String("stranger"))
            expected << "SN-" + name;
    }
    mixed->portByName["open-failed"] = scratch.filePath(QStringLiteral("no-such-port"));
    ports << mixed->portByName["open-failed"];
    const QString profile = writeFile(scratch, "field.ini", fieldProfile);
    const QString audit = scratch.filePath(QStringLiteral("mixed.jsonl"));
    QProcessEnvironment environment = quickCtlEnvironment();
    // Shorter waits for the acknowledgements the unanswered unit never gets.
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("700"));
    const CtlRun run =
        runCtl(QStringList{"apply", profile} + ports +
                   QStringList{"--json", "--audit", audit, "--expect-serial", expected.join(',')},
               environment);
    mixed->exitCode = run.exitCode;
    mixed->err = run.err;
    for (const QJsonObject& result : unitLines(run.out))
        mixed->resultByPort[result["port"].toString()] = result;
    mixed->audit = finishedRecords(fileContent(audit));
    return *mixed;
}

void CliTest::everyResultClassInOneRun_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("detailKey"); // a list in the result that must hold detail
    QTest::addColumn<QString>("detail");
    QTest::addColumn<bool>("verified"); // every rate set was read back equal
    QTest::newRow("ok") << "ok"
                        << "ok" << 115200 << "ack_only"
                        << "GNSS.CLEAN_SATELLITE" << true;
    QTest::newRow("rejected") << "rejected"
                              << "rejected" << 115200 << "rejected"
                              << "GNSS.NMEA.RMC" << false;
    QTest::newRow("unanswered") << "unanswered"
                                << "unanswered" << 115200 << "unanswered"
                                << "SET GNSS.SATELLITE.UNTRACK.SBAS" << true;
    QTest::newRow("mismatch") << "mismatch"
                              << "mismatch" << 115200 << "mismatches"
                              << "GNSS.NMEA.GGA want 1 got OFF" << false;
    QTest::newRow("no-device") << "no-device"
                               << "no-device" << 0 << ""
                               << "" << false;
    QTest::newRow("wrong-baud-found") << "wrong-baud"
                                      << "ok" << 9600 << ""
                                      << "" << true;
    QTest::newRow("lost") << "lost"
                          << "lost" << 115200 << ""
                          << "" << false;
    QTest::newRow("open-failed") << "open-failed"
                                 << "open-failed" << 0 << ""
                                 << "" << false;
    QTest::newRow("unexpected-serial") << "stranger"
                                       << "unexpected-serial" << 115200 << ""
                                       << "" << false;
}

void CliTest::everyResultClassInOneRun()
{
    QFETCH(QString, unit);
    QFETCH(QString, result);
    QFETCH(int, baud);
    QFETCH(QString, detailKey);
    QFETCH(QString, detail);
    QFETCH(bool, verified);
    const MixedRun& run = mixedRun();
    QCOMPARE(run.exitCode, 1);
    const QString port = run.portByName.value(unit);
    QVERIFY2(run.resultByPort.contains(port), run.err.constData());
    const QJsonObject got = run.resultByPort[port];
    QCOMPARE(got["result"].toString(), result);
    QCOMPARE(got["baud"].toInt(), baud);
    const bool answered = baud != 0;
    QCOMPARE(got["serial"].toString(), answered ? "SN-" + unit : QString());
    // Nothing but the serial-number query ever reaches a device that did not answer it, or
    // answered with a serial number not expected.
    const bool meant = answered && unit != QLatin1String("stranger");
    for (const QJsonValue& sentence : got["sent"].toArray())
        QVERIFY(meant || sentence.toString() == QLatin1String("#KVT,,GET,DEVICE.INFO.SN"));
    if (result == QLatin1String("ok"))
        QVERIFY(got["mismatches"].toArray().isEmpty());
    QCOMPARE(got["verified"].toBool(), verified);
    // Applied: the SETs the unit acknowledged; every one of them when it is ok.
    QStringList sets;
    for (const QJsonValue& sentence : got["sent"].toArray())
        if (sentence.toString().startsWith(QLatin1String("#KVT,,SET,")))
            sets << sentence.toString();
    QStringList failed = got["rejected"].toVariant().toStringList();
    for (const QJsonValue& command : got["unanswered"].toArray())
        failed << command["key"].toString();
    const QStringList applied = got["applied"].toVariant().toStringList();
    for (const QString& sentence : applied)
        QVERIFY2(sets.contains(sentence) && !failed.contains(sentence.section(',', 3, 3)),
                 qPrintable(sentence));
    if (result == QLatin1String("ok"))
        QCOMPARE(applied, sets);
    QCOMPARE(got["ignored_keys"].toVariant().toStringList(), QStringList{"station"});
    if (!detailKey.isEmpty()) {
        QStringList items;
        for (const QJsonValue& item : got[detailKey].toArray())
            items << (item["verb"].isString()
                          ? item["verb"].toString() + QLatin1Char(' ') + item["key"].toString()
                      : item.isObject() ? QStringLiteral("%1 want %2 got %3")
                                              .arg(item["key"].toString(), item["want"].toString(),
                                                   item["got"].toString())
                                        : item.toString());
        QVERIFY2(items.contains(detail), qPrintable(items.join(", ")));
    }
    if (unit == QLatin1String("wrong-baud"))
        QVERIFY(got["baud_searched"].toBool());
    if (unit == QLatin1String("lost") || unit == QLatin1String("open-failed"))
        QVERIFY(!got["error"].toString().isEmpty());

    // The audit file holds the same outcome for this unit, once, with the profile's digest.
    int records = 0;
    for (const QJsonObject& record : run.audit) {
        if (record["port"].toString() != port)
            continue;
        ++records;
        QCOMPARE(record["result"].toString(), result);
        QCOMPARE(record["applied"], got["applied"]);
        QCOMPARE(record["ignored_keys"], got["ignored_keys"]);
        QCOMPARE(record["profile_sha256"].toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(fieldProfile, QCryptographicHash::Sha256).toHex()));
        QVERIFY(record["profile"].toString().endsWith(QLatin1String("field.ini")));
    }
    QCOMPARE(records, 1);
    QCOMPARE(run.audit.size(), run.portByName.size());
}

void CliTest::setReportsOnlyWhatWasProven_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("verified");
    QTest::newRow("rate-read-back") << QStringList{} << QStringList{"GGA=1"} << "ok" << true;
    // Switches cannot be read back: acknowledged, yet nothing was verified.
    QTest::newRow("switches-only")
        << QStringList{} << QStringList{"SBAS=on", "CLEAN"} << "ok" << false;
    // An empty serial number tells nothing of who answered: nothing is set on it.
    QTest::newRow("empty-serial-number")
        << QStringList{"--serial", ""} << QStringList{"GGA=1"} << "no-device" << false;
}

void CliTest::setReportsOnlyWhatWasProven()
{
    QFETCH(QStringList, simulator);
    QFETCH(QStringList, settings);
    QFETCH(QString, result);
    QFETCH(bool, verified);
    SimulatorProcess receiver(simulator);
    // A name with a terminal escape in it reaches the screen escaped.
    const QString port = scratch.filePath(QStringLiteral("unit\x1b[2J"));
    QFile::remove(port);
    QVERIFY(QFile::link(receiver.devicePath(), port));
    const QStringList audit{"--audit", scratch.filePath(QStringLiteral("proven.jsonl"))};
    const CtlRun run = runCtl(QStringList{"set", port, "--json"} + audit + settings);
    QCOMPARE(run.exitCode, result == QLatin1String("ok") ? 0 : 1);
    const QList<QJsonObject> results = unitLines(run.out);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0]["result"].toString(), result);
    QCOMPARE(results[0]["verified"].toBool(), verified);
    if (result != QLatin1String("ok")) {
        for (const QJsonValue& sentence : results[0]["sent"].toArray())
            QVERIFY2(!sentence.toString().contains(QLatin1String(",SET,")),
                     qPrintable(sentence.toString()));
    }
    const CtlRun shown = runCtl({"query", port});
    QVERIFY2(!shown.out.contains('\x1b') && shown.out.contains("unit\\x1B[2J"),
             shown.out.constData());
}

void CliTest::silenceIsUnansweredNotMismatch_data()
{
    QTest::addColumn<QByteArray>("ignored"); // commands the receiver leaves without answer
    QTest::addColumn<int>("mismatches");
    QTest::newRow("read-back-unanswered") << QByteArray("#KVT,,GET,GNSS.NMEA.") << 0;
    // The rate stays OFF, so the read-back differs too; the silence is the worse of the two.
    QTest::newRow("set-unanswered-outranks-mismatch") << QByteArray("#KVT,,SET,GNSS.NMEA.GGA") << 1;
}

void CliTest::silenceIsUnansweredNotMismatch()
{
    QFETCH(QByteArray, ignored);
    QFETCH(int, mismatches);
    PseudoTerminal line;
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("300"));
    QProcess program;
    startCtl(program,
             {"set", line.devicePath(), "GGA=1", "--baud", "115200", "--json", "--audit",
              scratch.filePath(QStringLiteral("silence.jsonl"))},
             environment);
    serveUntilFinished(line, program, ignored);
    QCOMPARE(program.exitCode(), 1);
    const QList<QJsonObject> results = unitLines(program.readAllStandardOutput());
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0]["result"].toString(), QStringLiteral("unanswered"));
    const QString verb = ignored.contains(",SET,") ? QStringLiteral("SET") : QStringLiteral("GET");
    const QJsonArray expected{QJsonObject{{"verb", verb}, {"key", "GNSS.NMEA.GGA"}}};
    QCOMPARE(results[0]["unanswered"].toArray(), expected);
    const QJsonArray differences = results[0]["mismatches"].toArray();
    QCOMPARE(differences.size(), mismatches);
    for (const QJsonValue& difference : differences)
        QCOMPARE(difference["got"].toString(), QStringLiteral("OFF"));
}

void CliTest::searchFindsAReceiverThatAnswersLate_data()
{
    QTest::addColumn<QString>("speed");
    QTest::newRow("late-at-the-first-speed") << "115200";
    // Its late answer lands while a later speed is being tried, and must not count for it.
    QTest::newRow("late-at-the-second-speed") << "9600";
}

void CliTest::searchFindsAReceiverThatAnswersLate()
{
    QFETCH(QString, speed);
    SimulatorProcess receiver({"--serial", "SN-LATE", "--delay", "100", "--baud", speed});
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_PROBE_MS"), QStringLiteral("30"));
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("600"));
    const CtlRun run = runCtl({"query", receiver.devicePath(), "--json"}, environment);
    const QList<QJsonObject> results = unitLines(run.out);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0]["result"].toString(), QStringLiteral("ok"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(results[0]["serial"].toString(), QStringLiteral("SN-LATE"));
    QCOMPARE(results[0]["baud"].toInt(), speed.toInt());
    QCOMPARE(results[0]["rates"].toObject().size(), 10);
}

void CliTest::stopSignalLeavesAConsistentAuditFile_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("ctrl-c") << int(SIGINT);
    QTest::newRow("terminate") << int(SIGTERM);
    QTest::newRow("ssh-session-dropped") << int(SIGHUP);
    QTest::newRow("ctrl-backslash") << int(SIGQUIT);
}

void CliTest::stopSignalLeavesAConsistentAuditFile()
{
    QFETCH(int, signalNumber);
    SimulatorProcess quick({"--serial", "SN-QUICK"});
    SimulatorProcess slowA({"--serial", "SN-SLOW-A", "--no-ack"});
    SimulatorProcess slowB({"--serial", "SN-SLOW-B", "--no-ack"});
    SimulatorProcess waiting({"--serial", "SN-WAITING"});
    const QString profile = writeFile(scratch, "interrupt.ini", fieldProfile);
    const QString audit =
        scratch.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".jsonl"));
    QProcess program;
    // Unanswered commands wait the full second each, so the slow units are surely mid-way
    // when the signal comes.
    startCtl(program,
             {"apply", profile, quick.devicePath(), slowA.devicePath(), slowB.devicePath(),
              waiting.devicePath(), "--parallel", "2", "--json", "--audit", audit},
             quickCtlEnvironment());
    // Two at a time: once the quick unit is done both slow ones hold the places, and the last
    // unit waits for one.
    QTRY_VERIFY_WITH_TIMEOUT(finishedRecords(fileContent(audit)).size() == 1, 10000);
    ::kill(static_cast<pid_t>(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + signalNumber);

    const QByteArray text = fileContent(audit);
    QVERIFY(text.endsWith('\n'));
    const QList<QJsonObject> records = finishedRecords(text);
    QCOMPARE(records.size(), 4);
    QMap<QString, QJsonObject> byPort;
    for (const QJsonObject& record : records)
        byPort[record["port"].toString()] = record;
    QCOMPARE(byPort.size(), 4);
    QCOMPARE(byPort[quick.devicePath()]["result"].toString(), QStringLiteral("ok"));
    for (const SimulatorProcess* unit : {&slowA, &slowB, &waiting})
        QCOMPARE(byPort[unit->devicePath()]["result"].toString(), QStringLiteral("interrupted"));
    QVERIFY(byPort[slowA.devicePath()]["sent"].toArray().size() > 1);
    QVERIFY(byPort[waiting.devicePath()]["sent"].toArray().isEmpty());
    // Written ahead: a changing record for each unit that was sent a SET, none for the unit
    // never started.
    QStringList started;
    for (const QJsonObject& record : jsonLines(text))
        if (record["phase"].toString() == QLatin1String("changing"))
            started << record["port"].toString();
    QStringList changed;
    for (const QJsonObject& record : records)
        for (const QJsonValue& sentence : record["sent"].toArray())
            if (sentence.toString().contains(QLatin1String(",SET,")) &&
                !changed.contains(record["port"].toString()))
                changed << record["port"].toString();
    QVERIFY(changed.contains(slowA.devicePath()));
    for (const QString& port : changed)
        QVERIFY2(started.contains(port), qPrintable(port));
    QVERIFY(!started.contains(waiting.devicePath()));
    // What was printed agrees with the record.
    QCOMPARE(unitLines(program.readAllStandardOutput()).size(), 4);
}

void CliTest::queryReportsSerialAndRatesAsJson()
{
    SimulatorProcess receiver({"--serial", "SN-Q", "--rates", "GGA=1,HDT=0.2", "--baud", "256000"});
    const CtlRun run = runCtl({"query", receiver.devicePath(), "--json"});
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> results = unitLines(run.out);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0]["serial"].toString(), QStringLiteral("SN-Q"));
    QCOMPARE(results[0]["baud"].toInt(), 256000);
    const QJsonObject rates = results[0]["rates"].toObject();
    QCOMPARE(rates.size(), 10);
    QCOMPARE(rates["GGA"].toString(), QStringLiteral("1"));
    QCOMPARE(rates["HDT"].toString(), QStringLiteral("0.2"));
    QCOMPARE(rates["RMC"].toString(), QStringLiteral("OFF"));
}

void CliTest::portsListsTheExtraPathsThatExist()
{
    PseudoTerminal line;
    // A stable link to the device, as /dev/serial/by-id holds them.
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("by-id")));
    const QString stable = folder.filePath(QStringLiteral("by-id/usb-Corvane_ZR415-if00"));
    QVERIFY(QFile::link(line.devicePath(), stable));
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("ZR415_EXTRA_PORTS"),
                       line.devicePath() + QStringLiteral(":/no/such/port:") + stable);
    const CtlRun run = runCtl({"ports", "--json"}, environment);
    QCOMPARE(run.exitCode, 0);
    const QJsonArray ports = QJsonDocument::fromJson(run.out).array();
    QStringList paths;
    for (const QJsonValue& port : ports)
        paths << port["path"].toString() + " " + port["by_id"].toString();
    QVERIFY2(paths.contains(line.devicePath() + " " + stable), run.out.constData());
    QVERIFY(!paths.contains(QStringLiteral("/no/such/port ")));
    // The same as columns: the device's row names its stable link under BY-ID.
    const CtlRun text = runCtl({"ports"}, environment);
    const QList<QByteArray> rows = text.out.split('\n');
    const qsizetype column = rows.first().indexOf("BY-ID");
    bool found = false;
    for (const QByteArray& row : rows)
        found = found || (row.startsWith(line.devicePath().toLocal8Bit() + ' ') &&
                          row.mid(column).startsWith(stable.toLocal8Bit() + ' '));
    QVERIFY2(found, text.out.constData());
}

void CliTest::monitorPrintsTimedLines()
{
    SimulatorProcess receiver({"--rates", "GGA=0.1"});
    const CtlRun run = runCtl({"monitor", receiver.devicePath(), "--seconds", "0.6"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QVERIFY2(lines.size() >= 2, run.out.constData());
    static const QRegularExpression timed(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT[0-9:.]+Z  \\$..GGA,"));
    for (const QByteArray& line : lines)
        QVERIFY2(timed.match(QString::fromLatin1(line)).hasMatch(), line.constData());
}

void CliTest::monitorShowsOnlyWhatArrivesWhileItRuns()
{
    PseudoTerminal line;
    line.write("$GPTXT,STALE\r\n");
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    QVERIFY(out);
    const auto printed = [&] {
        std::fflush(out);
        return QByteArray(buffer, static_cast<qsizetype>(size));
    };
    {
        LineMonitor monitor(out);
        QString error;
        QVERIFY2(monitor.start(line.devicePath(), 115200, 0, error), qPrintable(error));
        line.write("$GPTXT,FRESH\x1b\\\r\n$GPTXT,TAI");
        QTRY_VERIFY(printed().contains("FRESH"));
        QVERIFY(!printed().contains("TAI"));
        monitor.stop();
    }
    const QByteArray text = printed();
    std::fclose(out);
    std::free(buffer);
    QVERIFY2(!text.contains("STALE"), text.constData());
    QVERIFY2(text.contains("Z  $GPTXT,FRESH\\x1B\\\\\n"), text.constData());
    QVERIFY2(text.endsWith("Z  $GPTXT,TAI\n"), text.constData());
}

void CliTest::monitorStartsAtASentenceAndEndsWithItsReader_data()
{
    QTest::addColumn<QByteArray>("before"); // what precedes a whole sentence on the line
    QTest::newRow("tail-of-a-cut-sentence") << QByteArray("A,12.5,M*4F\r\n");
    QTest::newRow("junk-before-the-head") << QByteArray("\x07\xfe,GA");
}

void CliTest::monitorStartsAtASentenceAndEndsWithItsReader()
{
    QFETCH(QByteArray, before);
    PseudoTerminal line;
    QProcess pipeline;
    // --seconds only so that a monitor that outlives a failed test ends by itself.
    pipeline.start(QStringLiteral("/bin/sh"), {"-c", "\"$0\" monitor \"$1\" --seconds 60 | head -1",
                                               ZR415CTL_BINARY, line.devicePath()});
    QVERIFY(pipeline.waitForStarted(5000));
    // The monitor drops what came before it opened the line: offer the sentence until it ends.
    for (int tries = 0; tries < 200 && !pipeline.waitForFinished(50); ++tries)
        line.write(before + "$GPGGA,whole*00\r\n");
    QCOMPARE(pipeline.state(), QProcess::NotRunning);
    const QByteArray first = pipeline.readAllStandardOutput();
    QVERIFY2(first.endsWith("Z  $GPGGA,whole*00\n") && first.count('\n') == 1, first.constData());
}

void CliTest::monitorRatesMeasuresEachSentence_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("period"); // 0: none arrives
    QTest::newRow("GGA-every-0.2-s") << "GGA" << 0.2;
    QTest::newRow("RMC-every-second") << "RMC" << 1.0;
    QTest::newRow("GSV-off") << "GSV" << 0.0;
}

void CliTest::monitorRatesMeasuresEachSentence()
{
    QFETCH(QString, kind);
    QFETCH(double, period);
    static QJsonObject report;
    static SimulatorProcess receiver({"--rates", "GGA=0.2,RMC=1"});
    if (report.isEmpty()) {
        const CtlRun run =
            runCtl({"monitor", receiver.devicePath(), "--rates", "--seconds", "3.5", "--json"});
        QCOMPARE(run.exitCode, 0);
        report = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(report["port"].toString(), receiver.devicePath());
        QVERIFY2(report["seconds"].toDouble() >= 3.5 && report["bytes"].toInt() > 0,
                 run.out.constData());
        // A report the disk would not take is a failure, not a quiet success.
        QProcess full;
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        startCtl(full, {"monitor", receiver.devicePath(), "--rates", "--seconds", "0.2"});
        QVERIFY(full.waitForFinished(10000));
        QCOMPARE(full.exitCode(), 1);
        QVERIFY(full.readAllStandardError().contains("cannot write the output"));
    }
    const QJsonObject figures = report["rates"][kind].toObject();
    if (period == 0) {
        QCOMPARE(figures["count"].toInt(), 0);
        QVERIFY(figures["period"].isNull());
        return;
    }
    // The mean is within tolerance; single gaps move with the load of the machine.
    const double mean = figures["period"].toDouble();
    QVERIFY2(qAbs(mean - period) <= period * 0.1, qPrintable(QString::number(mean)));
    QVERIFY(figures["min_gap"].toDouble() <= mean && mean <= figures["max_gap"].toDouble());
    QVERIFY(qAbs(figures["count"].toInt() - 3.5 / period) <= 1.5);
}

void CliTest::observeFindsRatesTheUnitDoesNotKeep_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("want");
    QTest::addColumn<QString>("got"); // a period within 10 %, OFF, or empty: no mismatch
    QTest::newRow("keeps-its-old-rate") << "GNSS.NMEA.GGA"
                                        << "0.2"
                                        << "1";
    QTest::newRow("still-sends-when-set-off") << "GNSS.NMEA.RMC"
                                              << "OFF"
                                              << "0.5";
    QTest::newRow("silent-when-set") << "GNSS.NMEA.GSA"
                                     << "0.5"
                                     << "OFF";
    QTest::newRow("honoured-rate-is-no-mismatch") << "GNSS.NMEA.GSV"
                                                  << "1"
                                                  << "";
}

void CliTest::observeFindsRatesTheUnitDoesNotKeep()
{
    QFETCH(QString, key);
    QFETCH(QString, want);
    QFETCH(QString, got);
    static std::optional<std::pair<CtlRun, QList<QJsonObject>>> once;
    // Acknowledges every rate but keeps GGA, RMC and GSA as they were; only GSV changes.
    static SimulatorProcess receiver({"--rates", "GGA=1,RMC=0.5", "--sticky", "GGA,RMC,GSA"});
    if (!once) {
        const QString profile = writeFile(scratch, "observe.ini",
                                          "setGGA=1\nsetCommandGGA=0.2\nsetRMC=1\nsetCommandRMC="
                                          "OFF\nsetGSA=1\nsetCommandGSA=0.5\nsetGSV=1\n"
                                          "setCommandGSV=1\n");
        const QString audit = scratch.filePath(QStringLiteral("observe.jsonl"));
        const CtlRun run = runCtl({"apply", profile, receiver.devicePath(), "--no-verify", "--json",
                                   "--observe", "3", "--audit", audit});
        once.emplace(run, finishedRecords(fileContent(audit)));
    }
    const auto& [run, audit] = *once;
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(audit.size(), 1);
    for (const QJsonObject& result : {unitLines(run.out).value(0), audit.first()}) {
        QCOMPARE(result["result"].toString(), QStringLiteral("mismatch"));
        QJsonObject found;
        for (const QJsonValue& mismatch : result["mismatches"].toArray())
            if (mismatch["key"].toString() == key)
                found = mismatch.toObject();
        QCOMPARE(found.isEmpty(), got.isEmpty());
        if (got.isEmpty())
            continue;
        QVERIFY(found["observed"].toBool());
        QCOMPARE(found["want"].toString(), want);
        const QString measured = found["got"].toString();
        QVERIFY2(got == QLatin1String("OFF")
                     ? measured == got
                     : qAbs(measured.toDouble() - got.toDouble()) <= got.toDouble() * 0.1,
                 qPrintable(measured));
    }
}

void CliTest::checkListsWhatWouldChangeAndSendsNoSet_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QStringList>("changes"); // "key from to"
    QTest::addColumn<int>("exitCode");
    const QString sbas = QStringLiteral("GNSS.SATELLITE.UNTRACK.SBAS unknown ALL");
    QTest::newRow("alike-but-sbas-unknown")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nsetRMC=1\nsetCommandRMC=0.5\n")
        << QStringList{sbas} << 0;
    QTest::newRow("rate-differs") << QByteArray("setGGA=1\nsetCommandGGA=5\n")
                                  << QStringList{"GNSS.NMEA.GGA 1 5", sbas} << 3;
    QTest::newRow("all-decides-every-rate")
        << QByteArray("setNMEA=1\nsetCommandNMEA=OFF\n")
        << QStringList{"GNSS.NMEA.GGA 1 OFF", "GNSS.NMEA.RMC 0.5 OFF", sbas} << 3;
    QTest::newRow("clear-and-talker-unknown")
        << QByteArray("setGGA=1\nsetCommandGGA=1\nclean=1\nuseHdtPrefix=1\nhdtPrefix=2\n")
        << QStringList{sbas, "GNSS.CLEAN_SATELLITE unknown ", "GNSS.NMEATALKER.HDT unknown GN"}
        << 3;
}

void CliTest::checkListsWhatWouldChangeAndSendsNoSet()
{
    QFETCH(QByteArray, profile);
    QFETCH(QStringList, changes);
    QFETCH(int, exitCode);
    SimulatorProcess unit({"--serial", "SN-CHECK", "--rates", "GGA=1,RMC=0.5"});
    const QString audit = scratch.filePath(QStringLiteral("check.jsonl"));
    const CtlRun run = runCtl({"apply", writeFile(scratch, "check.ini", profile), unit.devicePath(),
                               "--check", "--json", "--audit", audit});
    QCOMPARE(run.exitCode, exitCode);
    const QList<QJsonObject> results = unitLines(run.out);
    QCOMPARE(results.size(), 1);
    QStringList got;
    for (const QJsonValue& change : results[0]["changes"].toArray())
        got << QStringLiteral("%1 %2 %3")
                   .arg(change["key"].toString(), change["from"].toString(),
                        change["to"].toString());
    QCOMPARE(got, changes);
    const QJsonObject summary = jsonLines(run.out).last()["summary"].toObject();
    QCOMPARE(summary["would_change"].toInt(-1), exitCode == 3 ? 1 : 0);
    for (const QJsonValue& sentence : results[0]["sent"].toArray())
        QVERIFY2(!sentence.toString().contains(QLatin1String(",SET,")),
                 qPrintable(sentence.toString()));
    QVERIFY(!QFile::exists(audit));
}

void CliTest::noAuditIsSaidAndLeavesNoRecord_data()
{
    QTest::addColumn<QStringList>("command"); // the unit's port goes after the first word
    QTest::newRow("set") << QStringList{"set", "GGA=5"};
    QTest::newRow("reset") << QStringList{"reset", "--yes"};
}

void CliTest::noAuditIsSaidAndLeavesNoRecord()
{
    QFETCH(QStringList, command);
    const QString serial = QStringLiteral("SN-UNRECORDED-") + QTest::currentDataTag();
    SimulatorProcess unit({"--serial", serial});
    QProcessEnvironment environment = quickCtlEnvironment();
    const QString state = scratch.filePath(QStringLiteral("unrecorded-state"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state);
    QStringList arguments = command;
    arguments.insert(1, unit.devicePath());
    const CtlRun run = runCtl(arguments + QStringList{"--no-audit"}, environment);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.trimmed().endsWith("1 ok; not recorded (--no-audit)"), run.out.constData());
    // Neither default place of the audit file has heard of the unit.
    const QString beside = QFileInfo(QStringLiteral(ZR415CTL_BINARY)).absolutePath() +
                           QStringLiteral("/../log/provision.jsonl");
    for (const QString& path : {beside, state + QStringLiteral("/zr415/provision.jsonl")})
        QVERIFY2(!fileContent(path).contains(serial.toUtf8()), qPrintable(path));
}

void CliTest::queryProfileMakesOtherUnitsAlike_data()
{
    QTest::addColumn<QString>("existing"); // what is in the profile's place: "", file or link
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("new-file") << "" << false << 0;
    QTest::newRow("file-kept-without-force") << "file" << false << 2;
    QTest::newRow("file-replaced-with-force") << "file" << true << 0;
    QTest::newRow("link-refused-even-with-force") << "link" << true << 2;
}

void CliTest::queryProfileMakesOtherUnitsAlike()
{
    QFETCH(QString, existing);
    QFETCH(bool, force);
    QFETCH(int, exitCode);
    SimulatorProcess model({"--serial", "SN-MODEL", "--rates", "GGA=0.2,RMC=1,HDT=5"});
    SimulatorProcess first({"--serial", "SN-COPY-1", "--rates", "GSV=5"});
    SimulatorProcess second({"--serial", "SN-COPY-2", "--baud", "9600"});
    QTemporaryDir folder;
    const QString profile = folder.filePath(QStringLiteral("model.ini"));
    const QString target = writeFile(folder, "elsewhere", "kept");
    if (existing == QLatin1String("file"))
        writeFile(folder, "model.ini", "kept");
    if (existing == QLatin1String("link"))
        QVERIFY(QFile::link(target, profile));
    QStringList arguments{"query", model.devicePath(), "--profile", profile};
    if (force)
        arguments << "--force";
    const CtlRun saved = runCtl(arguments);
    QCOMPARE(saved.exitCode, exitCode);
    QCOMPARE(fileContent(target), QByteArray("kept"));
    if (exitCode != 0) {
        QCOMPARE(QFileInfo(profile).isSymLink() || fileContent(profile) == "kept", true);
        return;
    }
    // What could not be read is said, and so is a profile that was not written.
    QVERIFY2(saved.err.contains("sbas=0"), saved.err.constData());
    const QString unread = folder.filePath(QStringLiteral("unread.ini"));
    const CtlRun missing = runCtl({"query", folder.filePath("no-such-port"), "--profile", unread});
    QVERIFY2(missing.exitCode == 1 && missing.err.contains("no profile written") &&
                 !QFileInfo::exists(unread),
             missing.err.constData());
    const CtlRun applied =
        runCtl({"apply", profile, first.devicePath(), second.devicePath(), "--no-audit"});
    QVERIFY2(applied.exitCode == 0, applied.out.constData());
    const CtlRun all =
        runCtl({"query", model.devicePath(), first.devicePath(), second.devicePath(), "--json"});
    QMap<QString, QJsonObject> rates;
    for (const QJsonObject& result : unitLines(all.out))
        rates[result["serial"].toString()] = result["rates"].toObject();
    QCOMPARE(rates.size(), 3);
    QCOMPARE(rates["SN-MODEL"]["GGA"].toString(), QStringLiteral("0.2"));
    QCOMPARE(rates["SN-COPY-1"], rates["SN-MODEL"]);
    QCOMPARE(rates["SN-COPY-2"], rates["SN-MODEL"]);
}

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
