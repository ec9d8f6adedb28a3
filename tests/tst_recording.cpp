// Recording a link and reading it back: the files as written, the steps of a replay with the
// recorded timing or paced by NMEA time tags, and the pacer's speed and pause.
#include "LinkRecorder.h"
#include "NmeaLines.h"
#include "RecordingReader.h"
#include "ReplayPacer.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

using NmeaLines::nmea;

namespace {
// A step as the tests write it: "ms" then "<" for the receiver's bytes or ">" for a command.
QString shown(const ReplayStep& step)
{
    return QStringLiteral("%1%2%3")
        .arg(step.atMs)
        .arg(step.sent ? QLatin1Char('>') : QLatin1Char('<'))
        .arg(QString::fromLatin1(
            QByteArray::fromStdString(step.bytes).toPercentEncoding("$,*.#@\"\\")));
}

QString shown(qint64 ms, const QByteArray& bytes, bool sent = false)
{
    return shown(ReplayStep{ms, sent, bytes.toStdString()});
}

QStringList stepsOf(const QString& path)
{
    RecordingReader reader;
    std::string error;
    if (!reader.open(path.toStdString(), error))
        return {QString::fromStdString(error)};
    QStringList steps;
    ReplayStep step;
    while (reader.next(step))
        steps << shown(step);
    return steps;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray gga(const QByteArray& time)
{
    return nmea("GPGGA," + time + ",3113.82,N,12128.42,E,4,12,0.8,12.3,M,8.1,M,1.0,0000");
}

QByteArray rmc(const QByteArray& time)
{
    return nmea("GPRMC," + time + ",A,3113.82,N,12128.42,E,0.0,0.0,070624,,,D");
}
} // namespace

class RecordingTest : public QObject
{
    Q_OBJECT

private slots:
    void timeTagIsReadFromTheTimeField_data();
    void timeTagIsReadFromTheTimeField();
    void captureWithoutTimingIsPacedByTimeTags_data();
    void captureWithoutTimingIsPacedByTimeTags();
    void recordingIsReadWithItsTiming_data();
    void recordingIsReadWithItsTiming();
    void pacerHandsOutStepsWhenDue_data();
    void pacerHandsOutStepsWhenDue();
    void recorderKeepsEveryByteAndItsTiming_data();
    void recorderKeepsEveryByteAndItsTiming();
    void existingRecordingIsNotOverwritten_data();
    void existingRecordingIsNotOverwritten();
    void vanishedFolderEndsTheRecording();
    void recordingReachesTheDiskWithinASecond();
};

void RecordingTest::timeTagIsReadFromTheTimeField_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("seconds");
    QTest::newRow("gga-with-fraction") << gga("123519.25") << 45319.25;
    QTest::newRow("rmc-without-fraction") << rmc("000001") << 1.0;
    QTest::newRow("gll-time-in-field-five")
        << nmea("GNGLL,3113.82,N,12128.42,E,235959.90,A,D") << 86399.9;
    QTest::newRow("zda") << nmea("GPZDA,101500.00,07,06,2024,00,00") << 36900.0;
    QTest::newRow("leap-second") << gga("235960.00") << 86400.0;
    QTest::newRow("noise-before-the-head") << QByteArray("\xb5\x62\x01") + gga("000010.5") << 10.5;
    QTest::newRow("gsv-carries-none") << nmea("GPGSV,1,1,01,05,40,083,46") << -1.0;
    QTest::newRow("empty-time") << gga("") << -1.0;
    QTest::newRow("minute-sixty") << gga("106000.00") << -1.0;
    QTest::newRow("hour-twenty-four") << gga("240000.00") << -1.0;
    QTest::newRow("letter-in-fraction") << gga("101500.0x") << -1.0;
    QTest::newRow("five-digits") << gga("10150") << -1.0;
    QTest::newRow("address-too-short") << nmea("GGA,101500.00,,") << -1.0;
    QTest::newRow("no-head") << QByteArray("GPGGA,101500.00,") << -1.0;
}

void RecordingTest::timeTagIsReadFromTheTimeField()
{
    QFETCH(QByteArray, line);
    QFETCH(double, seconds);
    QCOMPARE(RecordingReader::timeTagOf(line.toStdString()), seconds);
}

void RecordingTest::captureWithoutTimingIsPacedByTimeTags_data()
{
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QStringList>("steps");
    const QByteArray burst("\x00\xff\xb5\x62\x01\x07\r\x00\n\x02", 10);
    QTest::newRow("one-second-epochs") << gga("100000.00") + rmc("100000.00") + gga("100001.00")
                                       << QStringList{shown(0, gga("100000.00") + rmc("100000.00")),
                                                      shown(1000, gga("100001.00"))};
    QTest::newRow("tenth-second-epochs")
        << gga("100000.0") + gga("100000.1") + gga("100000.2")
        << QStringList{shown(0, gga("100000.0")), shown(100, gga("100000.1")),
                       shown(200, gga("100000.2"))};
    QTest::newRow("lines-before-the-first-tag-go-with-it")
        << nmea("GPGSV,1,1,00") + gga("100000.00") + gga("100002.00")
        << QStringList{shown(0, nmea("GPGSV,1,1,00") + gga("100000.00")),
                       shown(2000, gga("100002.00"))};
    QTest::newRow("past-midnight")
        << gga("235959.50") + gga("000000.50")
        << QStringList{shown(0, gga("235959.50")), shown(1000, gga("000000.50"))};
    QTest::newRow("tag-going-back-waits-nothing")
        << gga("100005.00") + gga("100001.00") + gga("100002.00")
        << QStringList{shown(0, gga("100005.00")), shown(0, gga("100001.00")),
                       shown(1000, gga("100002.00"))};
    QTest::newRow("binary-burst-kept-whole")
        << gga("100000.00") + burst + gga("100001.00")
        << QStringList{shown(0, gga("100000.00") + burst.left(9)),
                       shown(1000, burst.mid(9) + gga("100001.00"))};
    QTest::newRow("no-tags-at-all") << QByteArray("abc\ndef") << QStringList{shown(0, "abc\ndef")};
    QTest::newRow("last-line-without-its-end")
        << gga("100000.00") + gga("100001.00").chopped(2)
        << QStringList{shown(0, gga("100000.00")), shown(1000, gga("100001.00").chopped(2))};
    QTest::newRow("empty-file") << QByteArray() << QStringList{};
}

void RecordingTest::captureWithoutTimingIsPacedByTimeTags()
{
    QFETCH(QByteArray, capture);
    QFETCH(QStringList, steps);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("capture.nmea"));
    writeFile(path, capture);
    QCOMPARE(stepsOf(path), steps);
}

void RecordingTest::recordingIsReadWithItsTiming_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("timing");
    QTest::addColumn<QStringList>("steps");
    const QByteArray header = R"({"recording":1,"baud":115200,"port":"/dev/ttyUSB0"})"
                              "\n";
    QTest::newRow("pieces-and-a-command")
        << QByteArray("abcdef") << header + R"({"at_ms":5,"offset":3}
{"at_ms":7,"sent":"#KVT,,GET,GNSS.SN"}
{"at_ms":900,"offset":6}
)" << QStringList{shown(5, "abc"), shown(7, "#KVT,,GET,GNSS.SN", true), shown(900, "def")};
    QTest::newRow("bytes-after-the-last-entry-come-last")
        << QByteArray("abcdefgh") << header + "{\"at_ms\":5,\"offset\":3}\n"
        << QStringList{shown(5, "abc"), shown(5, "defgh")};
    QTest::newRow("entry-cut-off-by-a-crash")
        << QByteArray("abcdef") << header + "{\"at_ms\":5,\"offset\":3}\n{\"at_ms\":9,\"off"
        << QStringList{shown(5, "abc"), shown(5, "def")};
    QTest::newRow("time-going-back-is-held")
        << QByteArray("abcd")
        << header + "{\"at_ms\":50,\"offset\":2}\n{\"at_ms\":20,\"offset\":4}\n"
        << QStringList{shown(50, "ab"), shown(50, "cd")};
    QTest::newRow("offset-past-the-end")
        << QByteArray("abc") << header + "{\"at_ms\":5,\"offset\":10}\n"
        << QStringList{shown(5, "abc")};
    QTest::newRow("escaped-command")
        << QByteArray() << header + R"({"at_ms":3,"sent":"a\"b\\c\u0041\/"})" + "\n"
        << QStringList{shown(3, "a\"b\\cA/", true)};
    QTest::newRow("header-only") << QByteArray() << header << QStringList{};
}

void RecordingTest::recordingIsReadWithItsTiming()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, timing);
    QFETCH(QStringList, steps);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unit.nmea"));
    writeFile(path, bytes);
    writeFile(path + QStringLiteral(".jsonl"), timing);
    QCOMPARE(stepsOf(path), steps);
}

void RecordingTest::pacerHandsOutStepsWhenDue_data()
{
    // Steps of ten bytes at 0, 1, 2 and 3 s; the clock goes in 10 ms ticks.
    QTest::addColumn<double>("speed");
    QTest::addColumn<qint64>("changeAt"); // -1: no change
    QTest::addColumn<QString>("change");  // "pause", "resume-at-N", "speed-N"
    QTest::addColumn<std::size_t>("maxBytes");
    QTest::addColumn<QList<qint64>>("givenAt");
    QTest::newRow("as-recorded") << 1.0 << qint64(-1) << QString() << std::size_t(100)
                                 << QList<qint64>{0, 1000, 2000, 3000};
    QTest::newRow("four-times") << 4.0 << qint64(-1) << QString() << std::size_t(100)
                                << QList<qint64>{0, 250, 500, 750};
    QTest::newRow("as-fast-as-it-can")
        << 0.0 << qint64(-1) << QString() << std::size_t(100) << QList<qint64>{0, 0, 0, 0};
    QTest::newRow("as-fast-as-it-can-in-slices")
        << 0.0 << qint64(-1) << QString() << std::size_t(10) << QList<qint64>{0, 10, 20, 30};
    QTest::newRow("paused-for-a-second") << 1.0 << qint64(1500) << QStringLiteral("pause-2500")
                                         << std::size_t(100) << QList<qint64>{0, 1000, 3000, 4000};
    QTest::newRow("four-times-from-the-second-step")
        << 1.0 << qint64(1000) << QStringLiteral("speed-4") << std::size_t(100)
        << QList<qint64>{0, 1000, 1250, 1500};
    QTest::newRow("one-after-as-fast-as-it-can")
        << 0.0 << qint64(0) << QStringLiteral("speed-1") << std::size_t(10)
        << QList<qint64>{0, 1000, 2000, 3000};
}

void RecordingTest::pacerHandsOutStepsWhenDue()
{
    QFETCH(double, speed);
    QFETCH(qint64, changeAt);
    QFETCH(QString, change);
    QFETCH(std::size_t, maxBytes);
    QFETCH(QList<qint64>, givenAt);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("paced.nmea"));
    writeFile(path, "0123456789abcdefghijABCDEFGHIJklmnopqrst");
    writeFile(path + QStringLiteral(".jsonl"), "{\"at_ms\":0,\"offset\":10}\n"
                                               "{\"at_ms\":1000,\"offset\":20}\n"
                                               "{\"at_ms\":2000,\"offset\":30}\n"
                                               "{\"at_ms\":3000,\"offset\":40}\n");
    RecordingReader reader;
    std::string error;
    QVERIFY(reader.open(path.toStdString(), error));
    ReplayPacer pacer(reader);
    pacer.start(0, speed);
    QList<qint64> given;
    qint64 resumeAt = -1;
    for (qint64 now = 0; now <= 6000 && !pacer.finished(); now += 10) {
        if (now == changeAt && change.startsWith(QLatin1String("pause-"))) {
            pacer.setPaused(now, true);
            resumeAt = change.mid(6).toLongLong();
        } else if (now == changeAt) {
            pacer.setSpeed(now, change.mid(6).toDouble());
        }
        if (now == resumeAt)
            pacer.setPaused(now, false);
        std::vector<ReplayStep> due;
        pacer.take(now, due, maxBytes);
        for (std::size_t i = 0; i < due.size(); ++i)
            given << now;
    }
    QCOMPARE(given, givenAt);
}

void RecordingTest::recorderKeepsEveryByteAndItsTiming_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces"); // one arrives every 100 ms
    QTest::addColumn<QString>("serial");
    QByteArray everyByte;
    for (int value = 0; value < 256; ++value)
        everyByte += static_cast<char>(value);
    QTest::newRow("binary-burst-between-sentences")
        << QList<QByteArray>{gga("100000.00"), everyByte, rmc("100000.00")} << "SN-7";
    QTest::newRow("sentences-cut-anywhere")
        << QList<QByteArray>{"$GPG", "GA,1000", "00.00,,*hh\r", "\n$GPRMC"} << "";
}

void RecordingTest::recorderKeepsEveryByteAndItsTiming()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, serial);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unit.nmea"));
    qint64 now = 5000;
    LinkRecorder recorder(nullptr, [&now] { return now; });
    QVERIFY(recorder.start(path, {QStringLiteral("/dev/ttyUSB3"), 460800, serial}, false));
    QStringList expected;
    QByteArray all;
    for (const QByteArray& piece : pieces) {
        now += 100;
        recorder.addReceived(piece);
        expected << shown(now - 5000, piece);
        all += piece;
    }
    now += 1;
    recorder.addCommand("#KVT,,GET,GNSS.SN\r\n");
    expected << shown(now - 5000, "#KVT,,GET,GNSS.SN", true);
    recorder.stop();

    QFile bytes(path);
    QVERIFY(bytes.open(QIODevice::ReadOnly));
    QCOMPARE(bytes.readAll(), all);
    QCOMPARE(stepsOf(path), expected);
    QFile timing(path + QStringLiteral(".jsonl"));
    QVERIFY(timing.open(QIODevice::ReadOnly));
    const QByteArray first = timing.readLine();
    QVERIFY(first.startsWith("{\"recording\":1,"));
    const QJsonObject header = QJsonDocument::fromJson(first).object();
    QCOMPARE(header.value(QLatin1String("port")).toString(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(header.value(QLatin1String("baud")).toInt(), 460800);
    QCOMPARE(header.contains(QLatin1String("serial")), !serial.isEmpty());
    QCOMPARE(header.value(QLatin1String("serial")).toString(), serial);
    const QDateTime started =
        QDateTime::fromString(header.value(QLatin1String("started")).toString(), Qt::ISODateWithMs);
    QCOMPARE(started.timeSpec(), Qt::UTC);
    QVERIFY(qAbs(started.secsTo(QDateTime::currentDateTimeUtc())) < 60);
}

void RecordingTest::existingRecordingIsNotOverwritten_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("started");
    QTest::newRow("bytes-file-there") << QStringList{"unit.nmea"} << false << false;
    QTest::newRow("timing-file-there") << QStringList{"unit.nmea.jsonl"} << false << false;
    QTest::newRow("both-there-overwriting")
        << QStringList{"unit.nmea", "unit.nmea.jsonl"} << true << true;
    QTest::newRow("none-there") << QStringList{} << false << true;
}

void RecordingTest::existingRecordingIsNotOverwritten()
{
    QFETCH(QStringList, existing);
    QFETCH(bool, overwrite);
    QFETCH(bool, started);
    QTemporaryDir folder;
    for (const QString& name : existing)
        writeFile(folder.filePath(name), "kept");
    const QString path = folder.filePath(QStringLiteral("unit.nmea"));
    LinkRecorder recorder;
    QCOMPARE(recorder.start(path, {QStringLiteral("/dev/ttyUSB0"), 115200, {}}, overwrite),
             started);
    QCOMPARE(recorder.isRecording(), started);
    QCOMPARE(recorder.failure(),
             started ? LinkRecorder::Failure::None : LinkRecorder::Failure::Exists);
    recorder.addReceived("new");
    recorder.stop();
    for (const QString& name : existing) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll() == "kept", !started);
    }
}

void RecordingTest::vanishedFolderEndsTheRecording()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("stick")));
    LinkRecorder recorder;
    QSignalSpy failed(&recorder, &LinkRecorder::failed);
    QVERIFY(recorder.start(folder.filePath(QStringLiteral("stick/unit.nmea")),
                           {QStringLiteral("/dev/ttyUSB0"), 115200, {}}, false));
    recorder.addReceived(gga("100000.00"));
    recorder.flush();
    QCOMPARE(failed.count(), 0);
    QVERIFY(QDir(folder.filePath(QStringLiteral("stick"))).removeRecursively());
    recorder.addReceived(gga("100001.00"));
    QVERIFY(failed.wait());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(recorder.failure(), LinkRecorder::Failure::Vanished);
    QVERIFY(!recorder.isRecording());
    QVERIFY(!recorder.errorText().isEmpty());
}

void RecordingTest::recordingReachesTheDiskWithinASecond()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unit.nmea"));
    LinkRecorder recorder;
    QVERIFY(recorder.start(path, {QStringLiteral("/dev/ttyUSB0"), 115200, {}}, false));
    recorder.addReceived(gga("100000.00"));
    // Held, not written chunk by chunk: one write for every half second of them.
    QCoreApplication::processEvents();
    QCOMPARE(QFileInfo(path).size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(path).size(), gga("100000.00").size(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(stepsOf(path).size() == 1, 1000);
}

QTEST_GUILESS_MAIN(RecordingTest)
#include "tst_recording.moc"
