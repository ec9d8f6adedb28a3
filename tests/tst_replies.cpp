// The message sink: received bytes become reply sentences whose values fill the page.
#include "DlgZR415.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "QueryWidget.h"
#include "RecordingLogger.h"
#include "SinkMessage.h"
#include "StreamExtractor.h"
#include "TempSettings.h"

#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <stdexcept>

using namespace PageProbe;

namespace {
QByteArray message(const QByteArray& payload)
{
    return "MSG:" + QByteArray::number(payload.size()) + ":" + payload;
}

class ThrowingExtractor : public StreamExtractor
{
public:
    ThrowingExtractor() : StreamExtractor('@', ',', '\r') {}
    void feed(const char* data, int length) override
    {
        if (length > 0 && data[0] == '!')
            throw std::length_error("extractor broke");
        if (length > 0 && data[0] == '?')
            throw 42;
        StreamExtractor::feed(data, length);
    }
};

IStreamExtractor* makeThrowingExtractor(const char*, int, int)
{
    static ThrowingExtractor extractor;
    return &extractor;
}
} // namespace

class RepliesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void repliesFillTheQueryGroup_data();
    void repliesFillTheQueryGroup();
    void messagesOtherThanDataChangeNothing();
    void countBeyondTheTextIsNotReadPastItsEnd();
    void sinkCountNeverExceedsTheBytesPresent_data();
    void sinkCountNeverExceedsTheBytesPresent();
    void failingExtractorIsLoggedAndLeavesTheFieldsAlone();
    void repliesFromTheLineAreShown();

private:
    TempSettings* settings = nullptr;
};

void RepliesTest::initTestCase()
{
    settings = new TempSettings;
}

void RepliesTest::repliesFillTheQueryGroup_data()
{
    QTest::addColumn<QList<QByteArray>>("payloads");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("serial-number-with-checksum")
        << QList<QByteArray>{"@X,,GET,DEVICE.INFO.SN,OK,ZR4150012345*5C\r\n"}
        << QStringList{"SN=ZR4150012345"};
    QTest::newRow("gsv-rate") << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GSV,OK,1*0A\r"}
                              << QStringList{"SN=", "GSV=1"};
    QTest::newRow("error-answer-ignored")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GSV,ERR,1*0A\r"} << QStringList{"SN="};
    QTest::newRow("set-answer-ignored")
        << QList<QByteArray>{"@X,,SET,GNSS.NMEA.GSV,OK,1*0A\r"} << QStringList{"SN="};
    QTest::newRow("lower-case-ignored")
        << QList<QByteArray>{"@X,,get,GNSS.NMEA.GSV,ok,1*0A\r"} << QStringList{"SN="};
    QTest::newRow("all-names-no-row")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.ALL,OK,1*0A\r"} << QStringList{"SN="};
    QTest::newRow("split-in-field-3")
        << QList<QByteArray>{"@X,,GET,GNSS.NM", "EA.RMC,OK,0.5*1F\r\n"}
        << QStringList{"SN=", "RMC=0.5"};
    QTest::newRow("two-in-one-message-in-order")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GGA,OK,1*00\r\n@X,,GET,GNSS.NMEA.GGA,OK,2*00\r\n"
                             "@X,,GET,GNSS.NMEA.HDT,OK,OFF*00\r\n"}
        << QStringList{"SN=", "GGA=2", "HDT=OFF"};
    QTest::newRow("nmea-lines-between-replies")
        << QList<
               QByteArray>{"$GPGGA,120000.00,3000.0,N,12000.0,E,1,08,1.0,10.0,M,0.0,M,,*4B\r\n"
                           "@X,,GET,GNSS.NMEA.ZDA,OK,10*00\r\n$GPZDA,120000.00,07,12,2026,,*4A\r\n"}
        << QStringList{"SN=", "ZDA=10"};
    QTest::newRow("value-without-star-is-whole")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GST,OK,15\r"} << QStringList{"SN=", "GST=15"};
    QTest::newRow("long-value-cut-to-63")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GLL,OK," + QByteArray(100, '7') + "*00\r"}
        << QStringList{"SN=", "GLL=" + QString(63, QLatin1Char('7'))};
    QTest::newRow("nothing-after-ok-clears")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.VTG,OK,5*00\r", "@X,,GET,GNSS.NMEA.VTG,OK\r"}
        << QStringList{"SN="};
    QTest::newRow("overlong-field-reads-empty")
        << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GSA,OK,2*00\r",
                             "@X,,GET,GNSS.NMEA.GSA,OK," + QByteArray(1024, '9') + "\r"}
        << QStringList{"SN="};
    QTest::newRow("unasked-answer-shown")
        << QList<QByteArray>{"@X,,GET,XGRSX,OK,60*00\r"} << QStringList{"SN=", "GRS=60"};
}

void RepliesTest::repliesFillTheQueryGroup()
{
    QFETCH(QList<QByteArray>, payloads);
    QFETCH(QStringList, expected);
    DlgZR415 page(nullptr);
    for (const QByteArray& payload : payloads)
        QCOMPARE(page.log(message(payload).constData()), 0);
    QCOMPARE(shownValues(page), expected);
}

void RepliesTest::messagesOtherThanDataChangeNothing()
{
    DlgZR415 page(nullptr);
    const QByteArray reply = "@X,,GET,GNSS.NMEA.GSV,OK,1*0A\r";
    QCOMPARE(page.log(("LOST:" + QByteArray::number(reply.size()) + ":" + reply).constData()), 0);
    QCOMPARE(page.log("MSG:0:"), 0);
    QCOMPARE(page.log("MSG"), 0);
    QCOMPARE(page.log(""), 0);
    QCOMPARE(page.log(nullptr), 0);
    QCOMPARE(page.log(("MSG:-5:" + reply).constData()), 0);
    QCOMPARE(page.log(("MSG:abc:" + reply).constData()), 0);
    QCOMPARE(shownValues(page), QStringList{"SN="});
    // A count that reads as no bytes still lets sentences already complete be shown.
    QCOMPARE(page.log(("MSG:" + QByteArray::number(reply.size() - 1) + ":" + reply).constData()),
             0);
    QCOMPARE(page.log("MSG:1:\r"), 0);
    QCOMPARE(shownValues(page), (QStringList{"SN=", "GSV=1"}));
}

void RepliesTest::countBeyondTheTextIsNotReadPastItsEnd()
{
    DlgZR415 page(nullptr);
    // The text claims far more bytes than it has; only what is there is read.
    const QByteArray text = "MSG:100000:@X,,GET,GNSS.NMEA.GGA,OK,1*00\r";
    QByteArray exact(text.constData(), text.size()); // no spare bytes behind the NUL
    QCOMPARE(page.log(exact.constData()), 0);
    QCOMPARE(shownValues(page), (QStringList{"SN=", "GGA=1"}));
}

void RepliesTest::sinkCountNeverExceedsTheBytesPresent_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("exact") << QByteArray("MSG:3:abc") << 3;
    QTest::newRow("fewer-than-present") << QByteArray("MSG:2:abc") << 2;
    QTest::newRow("more-than-present") << QByteArray("MSG:9:abc") << 3;
    QTest::newRow("beyond-int") << QByteArray("MSG:99999999999999999999:abc") << 3;
    QTest::newRow("negative") << QByteArray("MSG:-5:abc") << 0;
    QTest::newRow("not-a-number") << QByteArray("MSG:x:abc") << 0;
    QTest::newRow("no-payload") << QByteArray("MSG:7") << 0;
    QTest::newRow("word-over-100-bytes") << "MSG:" + QByteArray(150, '9') + ":ab" << 2;
    QTest::newRow("payload-with-colons") << QByteArray("MSG:40:a:b:c") << 5;
}

void RepliesTest::sinkCountNeverExceedsTheBytesPresent()
{
    QFETCH(QByteArray, text);
    QFETCH(int, length);
    const QByteArray exact(text.constData(), text.size());
    const SinkMessage message = SinkMessage::parse(exact.constData());
    QVERIFY(message.isData);
    QCOMPARE(message.length, length);
    QVERIFY(message.payload >= exact.constData() &&
            message.payload + message.length <= exact.constData() + exact.size());
}

void RepliesTest::failingExtractorIsLoggedAndLeavesTheFieldsAlone()
{
    RecordingLogger logger;
    set_stream_extractor_factory(&makeThrowingExtractor);
    DlgZR415 page(nullptr);
    set_stream_extractor_factory(nullptr);
    QCOMPARE(page.log(message("@X,,GET,GNSS.NMEA.GGA,OK,1*00\r").constData()), 0);

    try {
        page.log(message("!@X,,GET,GNSS.NMEA.GGA,OK,5*00\r").constData());
        QFAIL("the failure must leave log as an exception");
    } catch (const std::runtime_error& error) {
        QCOMPARE(QByteArray(error.what()),
                 QByteArray("DlgZR415::log(!@X,,GET,GNSS.NMEA.GGA,OK,5*00\r):extractor broke"));
    }
    QCOMPARE(logger.formats.back(), std::string("DlgZR415::log(%s):%s"));
    QVERIFY(logger.contains("extractor broke"));

    QVERIFY_THROWS_EXCEPTION(std::runtime_error, page.log(message("?").constData()));
    QVERIFY(logger.entries.back().find("unknown exception") != std::string::npos);
    QCOMPARE(shownValues(page), (QStringList{"SN=", "GGA=1"}));
}

void RepliesTest::repliesFromTheLineAreShown()
{
    PseudoTerminal receiver;
    qputenv("ZR415_EXTRA_PORTS", receiver.devicePath().toLocal8Bit());
    DlgZR415 page(nullptr);
    page.findChild<QComboBox*>(QStringLiteral("portCombo"))->setCurrentText(receiver.devicePath());
    QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("connectButton")),
                      Qt::LeftButton);
    // Byte by byte, with NMEA traffic and a stray NUL around the replies.
    const QByteArray traffic = "$GPGGA,1*00\r\n@R,,GET,DEVICE.INFO.SN,OK,SN-77*1A\r\n" +
                               QByteArray(1, '\0') + "@R,,GET,GNSS.NMEA.HDT,OK,0.2*3C\r\n";
    for (char byte : traffic) {
        receiver.write(QByteArray(1, byte));
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(shownValues(page), (QStringList{"SN=SN-77", "HDT=0.2"}));
    QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("breakButton")), Qt::LeftButton);
}

QTEST_MAIN(RepliesTest)
#include "tst_replies.moc"
