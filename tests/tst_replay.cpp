// Recording a unit with zr415ctl and playing it back on the simulator: the rates measured on the
// replay are the recorded ones, every byte comes back as it was, and a recording that cannot be
// written says so without ending the listening.
#include "CtlProcess.h"
#include "ReceiverLink.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QJsonObject>
#include <QTemporaryDir>

namespace {
QJsonObject ratesOf(const CtlRun& run)
{
    const QList<QJsonObject> lines = jsonLines(run.out);
    return lines.isEmpty() ? QJsonObject() : lines.last()[QLatin1String("rates")].toObject();
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment faultyDisk(int writesAllowed)
{
    QProcessEnvironment environment = quickCtlEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ZR415_AUDIT_FAULTS));
    const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       sanitizer + (sanitizer.isEmpty() ? "" : ":") +
                           QStringLiteral("verify_asan_link_order=0"));
    environment.insert(QStringLiteral("ZR415_FAULT_WRITES_AFTER"), QString::number(writesAllowed));
    return environment;
}
} // namespace

class ReplayTest : public QObject
{
    Q_OBJECT

private slots:
    void replayKeepsTheRecordedRates_data();
    void replayKeepsTheRecordedRates();
    void replayGivesBackEveryRecordedByte();
    void simulatorRefusesABadReplay_data();
    void simulatorRefusesABadReplay();
    void monitorRecordsOrSaysWhyNot_data();
    void monitorRecordsOrSaysWhyNot();
};

void ReplayTest::replayKeepsTheRecordedRates_data()
{
    QTest::addColumn<bool>("withTiming");
    QTest::addColumn<double>("speed");
    // Paced by time tags, a sentence without one (GSV) rides with the epoch before it.
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<bool>("loop");
    const QStringList all{"GGA", "RMC", "GSV"};
    QTest::newRow("recorded-timing") << true << 1.0 << all << false;
    QTest::newRow("time-tags-of-another-tools-capture")
        << false << 1.0 << QStringList{"GGA", "RMC"} << false;
    QTest::newRow("recorded-timing-twice-as-fast") << true << 2.0 << all << false;
    // Round again after 1.25 s: the epoch after the last comes one period later, as ever.
    QTest::newRow("time-tags-looped-four-times-as-fast")
        << false << 4.0 << QStringList{"GGA", "RMC"} << true;
}

void ReplayTest::replayKeepsTheRecordedRates()
{
    QFETCH(bool, withTiming);
    QFETCH(double, speed);
    QFETCH(QStringList, kinds);
    QFETCH(bool, loop);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unit.nmea"));
    QJsonObject recorded;
    {
        SimulatorProcess live({QStringLiteral("--rates"), QStringLiteral("GGA=0.2,RMC=1,GSV=0.5")});
        QVERIFY(live.isRunning());
        const CtlRun run =
            runCtl({QStringLiteral("monitor"), live.devicePath(), QStringLiteral("--rates"),
                    QStringLiteral("--json"), QStringLiteral("--seconds"), QStringLiteral("5"),
                    QStringLiteral("--record"), path});
        QCOMPARE(run.exitCode, 0);
        recorded = ratesOf(run);
    }
    if (!withTiming)
        QVERIFY(QFile::remove(path + QStringLiteral(".jsonl")));

    QStringList arguments{QStringLiteral("--replay"), path, QStringLiteral("--speed"),
                          QString::number(speed)};
    if (loop)
        arguments << QStringLiteral("--loop");
    SimulatorProcess replay(arguments);
    QVERIFY(replay.isRunning());
    const CtlRun run =
        runCtl({QStringLiteral("monitor"), replay.devicePath(), QStringLiteral("--rates"),
                QStringLiteral("--json"), QStringLiteral("--seconds"),
                QString::number(loop ? 2.5 : 3 / speed)});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject replayed = ratesOf(run);
    QCOMPARE(replayed.keys(), recorded.keys());
    for (const QString& kind : recorded.keys()) {
        QCOMPARE(replayed[kind][QLatin1String("count")].toInt() > 0,
                 recorded[kind][QLatin1String("count")].toInt() > 0);
        if (!kinds.contains(kind))
            continue;
        const QJsonValue period = recorded[kind][QLatin1String("period")];
        const QJsonValue measured = replayed[kind][QLatin1String("period")];
        QCOMPARE(measured.isNull(), period.isNull());
        if (period.isNull())
            continue;
        QVERIFY2(qAbs(measured.toDouble() * speed - period.toDouble()) <= 0.03 * period.toDouble(),
                 qPrintable(QStringLiteral("%1: recorded %2 s, replayed %3 s")
                                .arg(kind)
                                .arg(period.toDouble())
                                .arg(measured.toDouble())));
        const double shortest = replayed[kind][QLatin1String("min_gap")].toDouble();
        QVERIFY2(shortest * speed >= 0.8 * period.toDouble(),
                 qPrintable(QStringLiteral("%1: a gap of %2 s").arg(kind).arg(shortest)));
    }
    for (const QString& kind : kinds)
        QVERIFY(recorded[kind][QLatin1String("count")].toInt() > 0);
}

void ReplayTest::replayGivesBackEveryRecordedByte()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("noisy.nmea"));
    {
        // Random bytes between the sentences, the whole range but "@" and CR.
        SimulatorProcess live({QStringLiteral("--noise"), QStringLiteral("--rates"),
                               QStringLiteral("GGA=0.1,GSV=0.2")});
        const CtlRun run =
            runCtl({QStringLiteral("monitor"), live.devicePath(), QStringLiteral("--seconds"),
                    QStringLiteral("1.5"), QStringLiteral("--record"), path});
        QCOMPARE(run.exitCode, 0);
    }
    const QByteArray recorded = contentOf(path);
    QVERIFY(recorded.size() > 1000);
    QVERIFY(std::any_of(recorded.cbegin(), recorded.cend(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));

    SimulatorProcess replay(
        {QStringLiteral("--replay"), path, QStringLiteral("--speed"), QStringLiteral("0")});
    ReceiverLink line;
    QByteArray received;
    connect(&line, &ReceiverLink::bytesReceived, this,
            [&received](const QByteArray& bytes) { received += bytes; });
    QVERIFY(line.open(replay.devicePath(), 115200));
    QTRY_VERIFY_WITH_TIMEOUT(received.size() >= recorded.size(), 10000);
    QCOMPARE(received, recorded);
}

void ReplayTest::simulatorRefusesABadReplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("told");
    const QString missing = QStringLiteral("/nonexistent/unit.nmea");
    QTest::newRow("speed-without-replay")
        << QStringList{"--speed", "2"} << 2 << QStringLiteral("need --replay FILE");
    QTest::newRow("loop-without-replay")
        << QStringList{"--loop"} << 2 << QStringLiteral("need --replay FILE");
    QTest::newRow("negative-speed") << QStringList{"--replay", missing, "--speed", "-1"} << 2
                                    << QStringLiteral("--speed needs a factor");
    QTest::newRow("speed-beyond-any-clock") << QStringList{"--replay", missing, "--speed", "1e7"}
                                            << 2 << QStringLiteral("--speed needs a factor");
    QTest::newRow("speed-not-a-number") << QStringList{"--replay", missing, "--speed", "4x"} << 2
                                        << QStringLiteral("--speed needs a factor");
    QTest::newRow("file-missing") << QStringList{"--replay", missing} << 1
                                  << QStringLiteral("cannot read /nonexistent/unit.nmea");
}

void ReplayTest::simulatorRefusesABadReplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, told);
    QProcess simulator;
    simulator.start(QStringLiteral(ZR415_SIM_BINARY), arguments);
    QVERIFY(simulator.waitForFinished(10000));
    QCOMPARE(simulator.exitCode(), exitCode);
    QVERIFY(simulator.readAllStandardOutput().isEmpty());
    const QByteArray error = simulator.readAllStandardError();
    QVERIFY2(error.contains(told.toUtf8()), error.constData());
}

void ReplayTest::monitorRecordsOrSaysWhyNot_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("writesAllowed"); // of FILE.jsonl; -1 any
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("recorded"); // FILE holds the unit's first bytes
    QTest::newRow("new-file") << false << QStringList{} << -1 << 0 << QString() << true;
    QTest::newRow("file-there") << true << QStringList{} << -1 << 1
                                << QStringLiteral("unit.nmea exists; add --force to replace it")
                                << false;
    QTest::newRow("file-there-forced")
        << true << QStringList{QStringLiteral("--force")} << -1 << 0 << QString() << true;
    QTest::newRow("disk-full-after-the-header")
        << false << QStringList{} << 1 << 1
        << QStringLiteral("recording into unit.nmea ended: |; still listening") << true;
    QTest::newRow("folder-missing")
        << false << QStringList{QStringLiteral("--record"), QStringLiteral("gone/unit.nmea")} << -1
        << 1 << QStringLiteral("cannot record into gone/unit.nmea: ") << false;
}

void ReplayTest::monitorRecordsOrSaysWhyNot()
{
    QFETCH(bool, fileThere);
    QFETCH(QStringList, options);
    QFETCH(int, writesAllowed);
    QFETCH(int, exitCode);
    QFETCH(QString, told);
    QFETCH(bool, recorded);
    QTemporaryDir folder;
    QVERIFY(QDir::setCurrent(folder.path()));
    if (fileThere) {
        QFile kept(QStringLiteral("unit.nmea"));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("kept");
    }
    SimulatorProcess live({QStringLiteral("--rates"), QStringLiteral("GGA=0.2")});
    QStringList arguments{QStringLiteral("monitor"),   live.devicePath(),
                          QStringLiteral("--rates"),   QStringLiteral("--json"),
                          QStringLiteral("--seconds"), QStringLiteral("2")};
    if (!options.contains(QStringLiteral("--record")))
        arguments << QStringLiteral("--record") << QStringLiteral("unit.nmea");
    const CtlRun run = runCtl(arguments + options, writesAllowed < 0 ? quickCtlEnvironment()
                                                                     : faultyDisk(writesAllowed));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(told.isEmpty() == run.err.isEmpty(), run.err);
    // The system's own words follow ours, in the system's language.
    for (const QString& part : told.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        QVERIFY2(run.err.contains(part.toUtf8()), run.err);
    const QByteArray bytes = contentOf(QStringLiteral("unit.nmea"));
    QCOMPARE(bytes.startsWith("$GNGGA,"), recorded);
    QCOMPARE(bytes == "kept", fileThere && !recorded);
    // The listening went on whatever became of the recording.
    const bool listened = !run.out.isEmpty();
    QCOMPARE(listened, exitCode == 0 || told.contains(QLatin1String("still listening")));
    if (listened)
        QVERIFY(ratesOf(run)[QLatin1String("GGA")][QLatin1String("count")].toInt() >= 9);
}

QTEST_GUILESS_MAIN(ReplayTest)
#include "tst_replay.moc"
