// Many units on one event loop: an answer that waited while the loop was busy still counts, and
// with fewer file descriptors than the units need, the units beyond the limit end as too many
// open files in every report, the others are provisioned, and every unit is recorded.
#include "OneAtATime.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <memory>
#include <sys/resource.h>

class FleetTest : public QObject
{
    Q_OBJECT

private slots:
    void answerHeldWhenTheWaitEndsCounts_data();
    void answerHeldWhenTheWaitEndsCounts();
    void unitsBeyondTheLimitAreToldTooManyOpenFiles_data();
    void unitsBeyondTheLimitAreToldTooManyOpenFiles();
};

void FleetTest::answerHeldWhenTheWaitEndsCounts_data()
{
    QTest::addColumn<QByteArray>("held"); // what the line holds, unread, when the wait ends
    QTest::addColumn<QString>("outcome");
    QTest::newRow("its-answer") << QByteArray("@KVT,,GET,DEVICE.INFO.SN,OK,SN-1")
                                << "answered SN-1";
    QTest::newRow("its-refusal") << QByteArray("@KVT,,GET,DEVICE.INFO.SN,ERR") << "refused";
    QTest::newRow("another-answer") << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,1") << "unanswered";
    QTest::newRow("nothing") << QByteArray() << "unanswered";
}

void FleetTest::answerHeldWhenTheWaitEndsCounts()
{
    QFETCH(QByteArray, held);
    QFETCH(QString, outcome);
    OneAtATime asking([](const std::string&) { return true; });
    asking.setCollector([&] {
        const QList<QByteArray> fields = held.split(',');
        if (fields.size() >= 5)
            asking.acknowledge({{fields[2].toStdString(), fields[3].toStdString(),
                                 fields[4] == "OK", fields.value(5).toStdString()}});
    });
    QString got;
    connect(&asking, &OneAtATime::answered, this, [&](bool ok, const std::string& value) {
        got = ok ? QStringLiteral("answered ") + QString::fromStdString(value)
                 : QStringLiteral("refused");
    });
    connect(&asking, &OneAtATime::unanswered, this, [&] { got = QStringLiteral("unanswered"); });
    QVERIFY(asking.ask("#KVT,,GET,DEVICE.INFO.SN\r\n", 10, 1));
    QTRY_VERIFY(!got.isEmpty());
    QCOMPARE(got, outcome);
}

void FleetTest::unitsBeyondTheLimitAreToldTooManyOpenFiles_data()
{
    // Each unit holds two descriptors (its line and the port's lock file); an odd limit leaves
    // one over, which the port cannot use.
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("json");
    QTest::newRow("even-limit-json") << 16 << true;
    QTest::newRow("odd-limit-json") << 17 << true;
    QTest::newRow("odd-limit-text") << 17 << false;
}

void FleetTest::unitsBeyondTheLimitAreToldTooManyOpenFiles()
{
    QFETCH(int, limit);
    QFETCH(bool, json);
    constexpr int units = 10;
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
    QStringList ports;
    for (int i = 0; i < units; ++i) {
        simulators.push_back(
            std::make_unique<SimulatorProcess>(QStringList{"--serial", QString::number(i)}));
        QVERIFY(simulators.back()->isRunning());
        ports << simulators.back()->devicePath();
    }
    QTemporaryDir folder;
    const QString profile = folder.filePath(QStringLiteral("p.ini"));
    const QString audit = folder.filePath(QStringLiteral("audit.jsonl"));
    QFile profileFile(profile);
    QVERIFY(profileFile.open(QIODevice::WriteOnly));
    profileFile.write("setGGA=1\nsetCommandGGA=1\n");
    profileFile.close();

    QProcess ctl;
    ctl.setChildProcessModifier([limit] {
        const rlimit files{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_NOFILE, &files);
    });
    QStringList arguments = QStringList{"apply", profile} + ports + QStringList{"--audit", audit};
    if (json)
        arguments << QStringLiteral("--json");
    ctl.start(QStringLiteral(ZR415CTL_BINARY), arguments);
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ctl.exitCode(), 1);

    // What each report says of each port: the printed line and the audit record.
    QMap<QString, QString> printed;
    QMap<QString, QString> recorded;
    for (const QByteArray& line : ctl.readAllStandardOutput().split('\n')) {
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        if (json && !result.isEmpty())
            printed[result["port"].toString()] =
                result["result"].toString() + ' ' + result["error"].toString();
        else if (!json && line.startsWith('/'))
            printed[QString::fromUtf8(line.left(line.indexOf(' ')))] = QString::fromUtf8(line);
    }
    QFile auditFile(audit);
    QVERIFY(auditFile.open(QIODevice::ReadOnly));
    for (const QByteArray& line : auditFile.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (!record.isEmpty())
            recorded[record["port"].toString()] =
                record["result"].toString() + ' ' + record["error"].toString();
    }
    QCOMPARE(printed.size(), units);
    QCOMPARE(recorded.size(), units);
    int ok = 0;
    int refused = 0;
    for (const QString& port : ports) {
        const bool done = recorded[port].startsWith(QLatin1String("ok "));
        const bool outOfFiles = recorded[port] == QLatin1String("open-failed too many open files");
        QVERIFY2(done || outOfFiles, qPrintable(port + ": " + recorded[port]));
        QVERIFY2(printed[port].contains(done ? QStringLiteral("ok")
                                             : QStringLiteral("too many "
                                                              "open files")),
                 qPrintable(printed[port]));
        ok += done;
        refused += outOfFiles;
    }
    QVERIFY2(ok > 0 && refused > 0,
             qPrintable(QStringLiteral("%1 ok, %2 refused").arg(ok).arg(refused)));
}

QTEST_GUILESS_MAIN(FleetTest)
#include "tst_fleet.moc"
