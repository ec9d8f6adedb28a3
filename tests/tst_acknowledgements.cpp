// What the receiver did with each command: the page tells confirmed, refused, unanswered and
// unwritten commands apart after submit, query and factory reset.
#include "DlgZR415.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "RecordingReaderWriter.h"
#include "SetWidget.h"
#include "TempSettings.h"

#include <QtTest>

#include <QCheckBox>

using namespace PageProbe;

namespace {
QByteArray answer(const QByteArray& verb, const QByteArray& key, const QByteArray& status,
                  const QByteArray& value = {})
{
    return "@KVT,," + verb + "," + key + "," + status + (value.isEmpty() ? "" : "," + value) +
           "*00\r\n";
}

const QByteArray gga = "GNSS.NMEA.GGA";
const QByteArray gsv = "GNSS.NMEA.GSV";
const QByteArray track = "GNSS.SATELLITE.TRACK.SBAS";
} // namespace

class AcknowledgementsTest : public QObject
{
    Q_OBJECT

private slots:
    void submitOutcomesAreTold_data();
    void submitOutcomesAreTold();
    void queryErrorsAreToldAndTheFieldsStayAsAnswered();
    void factoryResetIsSentAndToldLikeEveryCommand();
    void errorsWhileOpeningAreOneOpenFailure();
    void linkEndingWhileWaitingKeepsItsOwnMessage_data();
    void linkEndingWhileWaitingKeepsItsOwnMessage();
    void partialReplyDoesNotSurviveANewConnection();
};

void AcknowledgementsTest::submitOutcomesAreTold_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("problem");

    const QByteArray allOk =
        answer("SET", gga, "OK") + answer("SET", gsv, "OK") + answer("SET", track, "OK");
    QTest::newRow("all-confirmed") << allOk << false << "已发送 3 条命令，接收机全部确认" << false;
    QTest::newRow("out-of-order-other-keys-and-gets-ignored")
        << answer("SET", track, "OK") + answer("SET", "GNSS.NMEA.ZDA", "OK") +
               answer("GET", gga, "ERR") + answer("SET", gsv, "OK") + "$GPGGA,1\r\n" +
               answer("SET", gga, "OK")
        << false << "已发送 3 条命令，接收机全部确认" << false;
    QTest::newRow("refused") << answer("SET", gga, "ERR") + answer("SET", gsv, "OK") +
                                    answer("SET", track, "ERR")
                             << false
                             << "1 条已确认；接收机拒绝：GNSS.NMEA.GGA, GNSS.SATELLITE.TRACK.SBAS"
                             << true;
    QTest::newRow("unanswered") << answer("SET", gga, "OK") << false << "1 条已确认；2 条无应答"
                                << true;
    QTest::newRow("write-failed-after-queueing")
        << answer("SET", gga, "OK") << true << "1 条已确认；2 条未能发出" << true;
    // Which commands a write error hit is not known: those answered were delivered.
    QTest::newRow("write-failed-yet-all-answered")
        << allOk << true << "已发送 3 条命令，接收机全部确认" << false;
}

void AcknowledgementsTest::submitOutcomesAreTold()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, writeFails);
    QFETCH(QString, status);
    QFETCH(bool, problem);
    TempSettings settings("setGGA=1\nsetCommandGGA=1\nsetGSV=1\nsetCommandGSV=0.5\nsbas=1\n");
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    click(page, "submitButton");
    QCOMPARE(link.writes.size(), 3);
    QCOMPARE(PageProbe::status(page), QStringLiteral("已发送 3 条命令"));

    if (writeFails)
        link.writeFailed("Input/output error");
    // Answers split anywhere arrive whole.
    const int cut = received.size() / 2;
    receive(page, received.left(cut));
    receive(page, received.mid(cut));
    QTRY_COMPARE_WITH_TIMEOUT(PageProbe::status(page), status, DlgZR415::answerWaitMs + 2000);
    QCOMPARE(statusIsProblem(page), problem);
    // Answers to SET change no field.
    QCOMPARE(shownValues(page), QStringList{"SN="});
}

void AcknowledgementsTest::queryErrorsAreToldAndTheFieldsStayAsAnswered()
{
    TempSettings settings;
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    click(page, "queryButton");
    QCOMPARE(link.writes.size(), 11);
    QByteArray received = answer("GET", "DEVICE.INFO.SN", "OK", "SN-7") +
                          answer("GET", gga, "ERR") + answer("GET", gsv, "OK", "0.5");
    for (const char* name : {"ZDA", "GST", "GSA", "GLL", "RMC", "VTG", "GRS"})
        received += answer("GET", QByteArray("GNSS.NMEA.") + name, "OK", "OFF");
    receive(page, received);
    QTRY_COMPARE_WITH_TIMEOUT(PageProbe::status(page),
                              QStringLiteral("9 条已确认；接收机拒绝：GNSS.NMEA.GGA；1 条无应答"),
                              DlgZR415::answerWaitMs + 2000);
    QVERIFY(statusIsProblem(page));
    QCOMPARE(queryValue(page, "GGA"), QString());
    QCOMPARE(queryValue(page, "GSV"), QStringLiteral("0.5"));
    QCOMPARE(queryValue(page, "HDT"), QString());
}

void AcknowledgementsTest::factoryResetIsSentAndToldLikeEveryCommand()
{
    TempSettings settings;
    PromptRecorder prompts(QMessageBox::Yes);
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "factoryButton");
    QCOMPARE(PageProbe::status(page), QStringLiteral("未连接，1 条命令未发送"));

    click(page, "connectButton");
    click(page, "factoryButton");
    QCOMPARE(link.writes.last(), QByteArray("#KVT,,SET,DEVICE.RECOVER\r\n"));
    QCOMPARE(PageProbe::status(page), QStringLiteral("已发送 1 条命令"));
    receive(page, answer("SET", "DEVICE.RECOVER", "OK"));
    QCOMPARE(PageProbe::status(page), QStringLiteral("已发送 1 条命令，接收机全部确认"));
    QVERIFY(!statusIsProblem(page));
}

void AcknowledgementsTest::errorsWhileOpeningAreOneOpenFailure()
{
    TempSettings settings;
    PromptRecorder prompts;
    RecordingReaderWriter link;
    link.openSucceeds = false;
    link.errorKind = LinkError::BaudUnsupported;
    // The port reports its error through the lost-link path too, while it is being set up.
    link.duringOpen = [&link] {
        if (link.linkLost)
            link.linkLost("Invalid baud rate value");
    };
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    QTest::qWait(20);
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY2(prompts.shown[0].text.endsWith(QStringLiteral("：不支持该波特率")),
             qPrintable(prompts.shown[0].text));
    QVERIFY(!PageProbe::status(page).contains(QStringLiteral("已断开")));
    QVERIFY(linkShownClosed(page));
}

void AcknowledgementsTest::linkEndingWhileWaitingKeepsItsOwnMessage_data()
{
    QTest::addColumn<bool>("lost");
    QTest::addColumn<bool>("answeredFirst");
    QTest::newRow("disconnected") << false << false;
    QTest::newRow("lost") << true << false;
    // An action settled before the loss is old news: the loss is told without it.
    QTest::newRow("lost-after-every-answer") << true << true;
}

void AcknowledgementsTest::linkEndingWhileWaitingKeepsItsOwnMessage()
{
    QFETCH(bool, lost);
    QFETCH(bool, answeredFirst);
    TempSettings settings("setGGA=1\nsetCommandGGA=1\n");
    PromptRecorder prompts;
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    click(page, "submitButton");
    if (answeredFirst)
        for (const QByteArray& sentence : link.writes)
            receive(page, answer("SET", sentence.split(',').value(3).trimmed(), "OK"));
    if (lost)
        link.linkLost("Resource temporarily unavailable");
    else
        click(page, "breakButton");
    QTRY_VERIFY(!PageProbe::status(page).isEmpty() && prompts.shown.size() == (lost ? 1 : 0));
    const QString message = PageProbe::status(page);
    QVERIFY(message.contains(lost ? QStringLiteral("已断开") : QStringLiteral("未连接")));
    QVERIFY2(!message.contains(QStringLiteral("确认")), qPrintable(message));
    QTest::qWait(DlgZR415::answerWaitMs + 300);
    QCOMPARE(PageProbe::status(page), message);
}

void AcknowledgementsTest::partialReplyDoesNotSurviveANewConnection()
{
    TempSettings settings;
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    receive(page, "@KVT,,GET,GNSS.NMEA.GGA,OK,");
    click(page, "breakButton");
    click(page, "connectButton");
    receive(page, "$GPGGA,123519,4807.038,N*47\r\n");
    receive(page, answer("GET", gsv, "OK", "1"));
    QCOMPARE(shownValues(page), (QStringList{"SN=", "GSV=1"}));
}

QTEST_MAIN(AcknowledgementsTest)
#include "tst_acknowledgements.moc"
