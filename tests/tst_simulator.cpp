// The simulated receiver's answers and stream: the end-to-end tests rely on them.
#include "NmeaGenerator.h"
#include "PseudoTerminal.h"
#include "ReceiverState.h"
#include "SimulatorProcess.h"

#include <QSerialPort>

#include <QtTest>

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void commandsGetTheirReplies_data();
    void commandsGetTheirReplies();
    void setsChangeTheStateAsAReceiverWould();
    void misbehaviourRefusesIgnoresOrKeepsSets_data();
    void misbehaviourRefusesIgnoresOrKeepsSets();
    void streamedSentencesCarryValidChecksums();
    void linkedDeviceAnswersAnyLineEndAndGoesAwayOnStop();
};

void SimulatorTest::commandsGetTheirReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("serial") << QByteArray("#KVT,,GET,DEVICE.INFO.SN")
                            << QByteArray("@KVT,,GET,DEVICE.INFO.SN,OK,SN-1");
    QTest::newRow("rate") << QByteArray("#KVT,,GET,GNSS.NMEA.GSV")
                          << QByteArray("@KVT,,GET,GNSS.NMEA.GSV,OK,OFF");
    QTest::newRow("unknown-get") << QByteArray("#KVT,,GET,GNSS.NMEA.XYZ")
                                 << QByteArray("@KVT,,GET,GNSS.NMEA.XYZ,ERR");
    QTest::newRow("bad-rate") << QByteArray("#KVT,,SET,GNSS.NMEA.GGA,0.50")
                              << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,ERR");
    QTest::newRow("empty-talker") << QByteArray("#KVT,,SET,GNSS.NMEATALKER.HDT,")
                                  << QByteArray("@KVT,,SET,GNSS.NMEATALKER.HDT,ERR");
    QTest::newRow("not-a-command") << QByteArray("$GPGGA,1,2") << QByteArray();
}

void SimulatorTest::commandsGetTheirReplies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    ReceiverState receiver("SN-1");
    const std::optional<std::string> answer = receiver.handle(command.toStdString());
    const QByteArray text = answer ? QByteArray::fromStdString(*answer) : QByteArray();
    QCOMPARE(text.left(text.indexOf('*')), reply);
    // Then "*", the XOR of everything between "@" and "*" in two hex digits, and CR LF.
    if (!reply.isEmpty()) {
        char sum = 0;
        for (char c : reply.mid(1))
            sum ^= c;
        QCOMPARE(text.mid(reply.size()),
                 "*" + QByteArray::number(uchar(sum), 16).rightJustified(2, '0').toUpper() +
                     "\r\n");
    }
}

void SimulatorTest::misbehaviourRefusesIgnoresOrKeepsSets_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("rateAfter");
    QTest::newRow("reject") << "reject" << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,ERR")
                            << QByteArray("OFF");
    QTest::newRow("sticky") << "sticky" << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,OK")
                            << QByteArray("OFF");
    QTest::newRow("no-ack") << "no-ack" << QByteArray() << QByteArray("1");
}

void SimulatorTest::misbehaviourRefusesIgnoresOrKeepsSets()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, rateAfter);
    ReceiverState receiver;
    if (mode == "reject")
        receiver.reject("GGA");
    else if (mode == "sticky")
        receiver.stick("GNSS.NMEA.GGA");
    else
        receiver.setNoAck(true);
    const std::optional<std::string> answer = receiver.handle("#KVT,,SET,GNSS.NMEA.GGA,1");
    const QByteArray text = answer ? QByteArray::fromStdString(*answer) : QByteArray();
    QCOMPARE(text.left(text.indexOf('*')), reply);
    QCOMPARE(QByteArray::fromStdString(receiver.rate(0)), rateAfter);
    // Other keys and every GET are answered as usual.
    QVERIFY(receiver.handle("#KVT,,GET,GNSS.NMEA.GGA").has_value());
}

void SimulatorTest::setsChangeTheStateAsAReceiverWould()
{
    ReceiverState receiver;
    receiver.handle("#KVT,,SET,GNSS.NMEA.GGA,1");
    receiver.handle("#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL");
    receiver.handle("#KVT,,SET,GNSS.NMEATALKER.HDT,GN");
    receiver.handle("#KVT,,SET,GNSS.CLEAN_SATELLITE");
    QCOMPARE(QString::fromStdString(receiver.rate(0)), QStringLiteral("1"));
    QCOMPARE(receiver.period(0), 1.0);
    QVERIFY(receiver.sbasTracked());
    QCOMPARE(receiver.hdtTalker(), std::string("GN"));
    QCOMPARE(receiver.satelliteClears(), 1);

    receiver.handle("#KVT,,SET,GNSS.NMEA.ALL,0.2");
    for (int i = 0; i < ReceiverState::sentenceCount; ++i)
        QCOMPARE(receiver.rate(i), std::string("0.2"));
    receiver.handle("#KVT,,SET,DEVICE.RECOVER");
    for (int i = 0; i < ReceiverState::sentenceCount; ++i)
        QCOMPARE(receiver.period(i), 0.0);
    QVERIFY(!receiver.sbasTracked());
    QCOMPARE(receiver.hdtTalker(), std::string("HE"));
}

void SimulatorTest::streamedSentencesCarryValidChecksums()
{
    NmeaGenerator generator;
    for (const char* name : ReceiverState::sentenceNames) {
        const QByteArray text = QByteArray::fromStdString(generator.sentence(name, "GP", 1.7e9));
        const QList<QByteArray> lines = text.split('\n');
        QVERIFY(lines.size() >= 2);
        for (const QByteArray& line : lines) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line.startsWith('$') && line.endsWith('\r'), line.constData());
            const qsizetype star = line.lastIndexOf('*');
            char sum = 0;
            for (char c : line.mid(1, star - 1))
                sum ^= c;
            QCOMPARE(line.mid(star + 1, 2).toInt(nullptr, 16), int(uchar(sum)));
            QVERIFY(!line.contains('@'));
        }
    }
    QVERIFY(generator.sentence("HDT", "GP", 0).rfind("$GPHDT,", 0) == 0);
}

void SimulatorTest::linkedDeviceAnswersAnyLineEndAndGoesAwayOnStop()
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("receiver"));
    auto simulator =
        std::make_unique<SimulatorProcess>(QStringList{"--link", link, "--serial", "S9"});
    QVERIFY(simulator->isRunning());
    QCOMPARE(QFileInfo(link).symLinkTarget(), simulator->devicePath());

    QSerialPort port(link);
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write("#KVT,,GET,DEVICE.INFO.SN\r#KVT,,GET,GNSS.NMEA.GGA\n#KVT,,SET,GNSS.NMEA.ZDA,1\r\n");
    QByteArray replies;
    QTRY_VERIFY((replies += port.readAll()).count('\n') >= 3);
    QVERIFY(replies.startsWith("@KVT,,GET,DEVICE.INFO.SN,OK,S9*"));
    QVERIFY(replies.contains("\r\n@KVT,,GET,GNSS.NMEA.GGA,OK,OFF*"));
    QVERIFY(replies.contains("\r\n@KVT,,SET,GNSS.NMEA.ZDA,OK*"));
    port.close();

    simulator->process().terminate();
    QVERIFY(simulator->process().waitForFinished(5000));
    QCOMPARE(simulator->process().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
