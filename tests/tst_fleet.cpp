// Many units on one event loop: an answer that waited while the loop was busy still counts; the
// units beyond the open-file limit say so everywhere, and the others are provisioned.
#include "OneAtATime.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <memory>
#include <sys/resource.h>

namespace {
// Port -> "result error" of each JSON line, or the whole of each printed unit line.
QMap<QString, QString> byPort(const QByteArray& text)
{
    QMap<QString, QString> found;
    for (const QByteArray& line : text.split('\n')) {
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        // The summary that ends --json and the records written ahead name no unit's end.
        const QString phase = json["phase"].toString();
        if (json.contains(QStringLiteral("summary")) ||
            (!phase.isEmpty() && phase != QLatin1String("finished")))
            continue;
        if (!json.isEmpty())
            found[json["port"].toString()] =
                json["result"].toString() + ' ' + json["error"].toString();
        else if (line.startsWith('/'))
            found[QString::fromUtf8(line.left(line.indexOf(' ')))] = QString::fromUtf8(line);
    }
    return found;
}
} // namespace

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
    QTest::addColumn<QString>("heldKey"); // of the answer held, unread, when the wait ends
    QTest::addColumn<QString>("outcome");
    QTest::newRow("its-answer") << "DEVICE.INFO.SN"
                                << "SN-1";
    QTest::newRow("another-answer") << "GNSS.NMEA.GGA"
                                    << "unanswered";
    QTest::newRow("nothing") << ""
                             << "unanswered";
}

void FleetTest::answerHeldWhenTheWaitEndsCounts()
{
    QFETCH(QString, heldKey);
    QFETCH(QString, outcome);
    OneAtATime asking([](const std::string&) { return true; });
    asking.setCollector([&] {
        if (!heldKey.isEmpty())
            asking.acknowledge({{"GET", heldKey.toStdString(), true, "SN-1"}});
    });
    QString got;
    connect(&asking, &OneAtATime::answered, this,
            [&](bool, const std::string& value) { got = QString::fromStdString(value); });
    connect(&asking, &OneAtATime::unanswered, this, [&] { got = QStringLiteral("unanswered"); });
    QVERIFY(asking.ask("#KVT,,GET,DEVICE.INFO.SN\r\n", 10, 1));
    QTRY_COMPARE(got, outcome);
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
#if defined(__SANITIZE_ADDRESS__)
    // UndefinedBehaviorSanitizer tests memory through a pipe of its own before it trusts a
    // vtable; with no descriptor left it takes a sound object for a broken one.
    QSKIP("the sanitizers need file descriptors that this test takes away");
#endif
    QFETCH(int, limit);
    QFETCH(bool, json);
    std::vector<std::unique_ptr<SimulatorProcess>> simulators;
    QStringList ports;
    while (ports.size() < 10) {
        simulators.push_back(std::make_unique<SimulatorProcess>());
        ports << simulators.back()->devicePath();
    }
    QTemporaryDir folder;
    const QString profile = folder.filePath(QStringLiteral("p.ini"));
    const QString audit = folder.filePath(QStringLiteral("audit.jsonl"));
    QFile profileFile(profile);
    QVERIFY(profileFile.open(QIODevice::WriteOnly) &&
            profileFile.write("setGGA=1\nsetCommandGGA=1\n") > 0);
    profileFile.close();
    QProcess ctl;
    ctl.setChildProcessModifier([limit] {
        const rlimit files{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_NOFILE, &files);
    });
    ctl.start(QStringLiteral(ZR415CTL_BINARY), QStringList{"apply", profile, "--audit", audit} +
                                                   (json ? QStringList{"--json"} : QStringList{}) +
                                                   ports);
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ctl.exitCode(), 1);

    const QMap<QString, QString> printed = byPort(ctl.readAllStandardOutput());
    QFile auditFile(audit);
    QVERIFY(auditFile.open(QIODevice::ReadOnly));
    const QMap<QString, QString> recorded = byPort(auditFile.readAll());
    QCOMPARE(printed.keys(), recorded.keys());
    QSet<bool> provisioned;
    for (const QString& port : ports) {
        const bool done = recorded[port].startsWith(QLatin1String("ok "));
        QVERIFY2(done || recorded[port] == QLatin1String("open-failed too many open files"),
                 qPrintable(port + ": " + recorded[port]));
        QVERIFY2(printed[port].contains(done ? "ok" : "too many open files"),
                 qPrintable(printed[port]));
        provisioned << done;
    }
    QCOMPARE(provisioned.size(), 2); // some units were, some were not
}

QTEST_GUILESS_MAIN(FleetTest)
#include "tst_fleet.moc"
