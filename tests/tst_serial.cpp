// The serial reader/writer over a real pseudo-terminal.
#include "IDictionary.h"
#include "IMessanger.h"
#include "ProcessCpu.h"
#include "PseudoTerminal.h"
#include "RecordingLogger.h"
#include "SerialReaderWriter.h"

#include <QtTest>

#include <stdexcept>

namespace {
class RecordingSink : public IMessanger
{
public:
    int log(const char* text) override
    {
        messages << QByteArray(text);
        if (throwNext) {
            throwNext = false;
            throw std::runtime_error("sink broke");
        }
        return 0;
    }
    QByteArray payloads() const
    {
        QByteArray all;
        for (const QByteArray& message : messages)
            all += message.mid(message.indexOf(':', 4) + 1);
        return all;
    }
    QList<QByteArray> messages;
    bool throwNext = false;
};

struct Link
{
    explicit Link(const QString& path, const char* baud = "115200")
    {
        dic_set_value(dictionary, "type", "%s", "SerialPort");
        dic_set_value(dictionary, "portNum", "%d", 0);
        dic_set_value(dictionary, "baudrate", "%s", baud);
        dic_set_value(dictionary, "portName", "%s", path.toLocal8Bit().constData());
    }
    ~Link() { dictionary_release_instance(&dictionary); }
    IDictionary* dictionary = dictionary_get_instance(0);
};

// A reader/writer opened on a fresh pseudo-terminal, with a recording sink and logger.
struct OpenLine
{
    OpenLine() : parameters(receiver.devicePath())
    {
        opened = link.open(parameters.dictionary, &sink);
    }
    ~OpenLine() { link.close(parameters.dictionary, &sink); }

    RecordingLogger logger;
    PseudoTerminal receiver;
    SerialReaderWriter link;
    RecordingSink sink;
    Link parameters;
    bool opened = false;
};
} // namespace

class SerialTest : public QObject
{
    Q_OBJECT

private slots:
    void writesReachTheFarEndAndChunksReachTheSink();
    void sinkMessagesCountExactlyTheBytesTheyCarry();
    void aThrowingSinkIsLoggedAndTheLinkKeepsRunning();
    void closeStopsDeliveriesAndWritesAreRefused();
    void openOfMissingOrBusyPortFailsWithTheReason();
    void refusedLineSettingsAreAnOpenFailureNotALostLink();
    void farEndClosingClosesTheLinkOnceWithoutSpinning();
    void portErrorsReachTheHandlerTheyBelongTo_data();
    void portErrorsReachTheHandlerTheyBelongTo();
    void portListEndsWithTheExtraPortsInOrder();
};

void SerialTest::writesReachTheFarEndAndChunksReachTheSink()
{
    OpenLine line;
    QVERIFY2(line.opened, line.link.last_error());
    QVERIFY(line.link.is_open());

    QVERIFY(line.link.write(line.parameters.dictionary, "#KVT,,GET,DEVICE.INFO.SN\r\n", 26));
    QCOMPARE(line.receiver.readCount(26), QByteArray("#KVT,,GET,DEVICE.INFO.SN\r\n"));

    line.receiver.write("@X,,GET,DEVICE.INFO.SN,OK,123*0A\r\n");
    QTRY_COMPARE(line.sink.payloads(), QByteArray("@X,,GET,DEVICE.INFO.SN,OK,123*0A\r\n"));
    QVERIFY(line.sink.messages.first().startsWith("MSG:"));
}

void SerialTest::sinkMessagesCountExactlyTheBytesTheyCarry()
{
    QCOMPARE(QByteArray(SerialReaderWriter::sinkMessage("@A,1\r", 5).c_str()),
             QByteArray("MSG:5:@A,1\r"));
    // NUL bytes cannot travel in the sink's C string; they are left out and not counted.
    const std::string withNul = SerialReaderWriter::sinkMessage("a\0b\0", 4);
    QCOMPARE(QByteArray(withNul.c_str()), QByteArray("MSG:2:ab"));
    QCOMPARE(withNul.size(), std::strlen(withNul.c_str()));
    QCOMPARE(QByteArray(SerialReaderWriter::sinkMessage("", 0).c_str()), QByteArray("MSG:0:"));
}

void SerialTest::aThrowingSinkIsLoggedAndTheLinkKeepsRunning()
{
    OpenLine line;
    QVERIFY(line.opened);
    line.sink.throwNext = true;
    line.receiver.write("first\r");
    QTRY_VERIFY(line.logger.contains("sink broke"));
    line.receiver.write("second\r");
    QTRY_VERIFY(line.sink.payloads().endsWith("second\r"));
    QVERIFY(line.link.is_open());
}

void SerialTest::closeStopsDeliveriesAndWritesAreRefused()
{
    OpenLine line;
    QVERIFY(line.opened);
    QVERIFY(line.link.close(line.parameters.dictionary, &line.sink));
    line.receiver.write("@late,1\r");
    QTest::qWait(200);
    QVERIFY(line.sink.messages.isEmpty());

    QVERIFY(!line.link.write(line.parameters.dictionary, "#KVT,,SET,DEVICE.RECOVER\r\n", 26));
    QVERIFY(QByteArray(line.link.last_error()).contains("not open"));
    QVERIFY(line.logger.contains("not sent"));
    QCOMPARE(line.receiver.read(300), QByteArray());
    QVERIFY(!line.link.close(line.parameters.dictionary, &line.sink));
}

void SerialTest::openOfMissingOrBusyPortFailsWithTheReason()
{
    RecordingLogger logger;
    SerialReaderWriter link;
    RecordingSink sink;
    Link missing(QStringLiteral("/dev/zr415-no-such-port"));
    QVERIFY(!link.open(missing.dictionary, &sink));
    QVERIFY(QByteArray(link.last_error()).size() > 0);
    QCOMPARE(link.last_error_kind(), LinkError::NoSuchDevice);
    QVERIFY(logger.contains("zr415-no-such-port"));
    QVERIFY(!link.is_open());

    PseudoTerminal receiver;
    Link parameters(receiver.devicePath());
    SerialReaderWriter holder;
    QVERIFY(holder.open(parameters.dictionary, &sink));
    QVERIFY(!link.open(parameters.dictionary, &sink));
    QVERIFY(QByteArray(link.last_error()).size() > 0);
    QCOMPARE(link.last_error_kind(), LinkError::Busy);
    holder.close(parameters.dictionary, &sink);
    QVERIFY2(link.open(parameters.dictionary, &sink), link.last_error());
    link.close(parameters.dictionary, &sink);
}

void SerialTest::refusedLineSettingsAreAnOpenFailureNotALostLink()
{
    RecordingLogger logger;
    PseudoTerminal receiver;
    // A rate no port takes: the port opens, then refuses the setting.
    Link parameters(receiver.devicePath(), "-1");
    SerialReaderWriter link;
    RecordingSink sink;
    int lost = 0;
    link.set_link_lost_handler([&lost](const char*) { ++lost; });
    QVERIFY(!link.open(parameters.dictionary, &sink));
    QCOMPARE(link.last_error_kind(), LinkError::BaudUnsupported);
    QVERIFY(!link.is_open());
    QTest::qWait(50);
    QCOMPARE(lost, 0);
    QVERIFY(!logger.contains("lost"));
    QVERIFY(logger.contains("configure"));
}

void SerialTest::farEndClosingClosesTheLinkOnceWithoutSpinning()
{
    RecordingLogger logger;
    auto receiver = std::make_unique<PseudoTerminal>();
    SerialReaderWriter link;
    RecordingSink sink;
    int lost = 0;
    QByteArray reason;
    link.set_link_lost_handler([&](const char* why) {
        ++lost;
        reason = why;
    });
    Link parameters(receiver->devicePath());
    QVERIFY(link.open(parameters.dictionary, &sink));
    receiver->closeController();
    QTRY_COMPARE(lost, 1);
    QVERIFY(!link.is_open());
    QVERIFY(!reason.isEmpty());

    // With the port closed the event loop is idle: no error storm eats the CPU.
    const double before = processCpuSeconds();
    QTest::qWait(1000);
    const double used = processCpuSeconds() - before;
    QCOMPARE(lost, 1);
    QVERIFY2(used < 0.3, QByteArray::number(used).constData());
}

void SerialTest::portErrorsReachTheHandlerTheyBelongTo_data()
{
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<bool>("writeFailed");
    QTest::addColumn<bool>("lost");
    QTest::newRow("write-error-is-passed-on") << QSerialPort::WriteError << true << false;
    QTest::newRow("device-gone-is-a-lost-line") << QSerialPort::ResourceError << false << true;
}

void SerialTest::portErrorsReachTheHandlerTheyBelongTo()
{
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(bool, writeFailed);
    QFETCH(bool, lost);
    OpenLine line;
    QVERIFY(line.opened);
    bool toldWriteFailed = false;
    bool toldLost = false;
    line.link.set_write_failed_handler([&](const char*) { toldWriteFailed = true; });
    line.link.set_link_lost_handler([&](const char*) { toldLost = true; });
    // The port itself, as the system would make it complain.
    auto* port = line.link.findChild<QSerialPort*>();
    QVERIFY(port);
    emit port->errorOccurred(error);
    QCOMPARE(toldWriteFailed, writeFailed);
    QCOMPARE(toldLost, lost);
    QCOMPARE(line.link.is_open(), !lost);
}

void SerialTest::portListEndsWithTheExtraPortsInOrder()
{
    QTemporaryDir folder;
    const QString b = folder.filePath("sim-b"), a = folder.filePath("sim-a");
    for (const QString& path : {a, b})
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    // A path that is not there is not offered.
    qputenv("ZR415_EXTRA_PORTS",
            (b + ":/dev/null::" + folder.filePath("gone") + ":" + a).toLocal8Bit());
    std::vector<std::string> names{"stale"};
    enum_serl_port(names);
    qunsetenv("ZR415_EXTRA_PORTS");
    QVERIFY(names.size() >= 3);
    const std::vector<std::string> tail(names.end() - 3, names.end());
    QCOMPARE(tail, (std::vector<std::string>{b.toStdString(), "/dev/null", a.toStdString()}));
    QVERIFY(std::find(names.begin(), names.end(), "stale") == names.end());
}

QTEST_GUILESS_MAIN(SerialTest)
#include "tst_serial.moc"
