// The command sentences the buttons send, read byte for byte at the far end of a real line.
#include "DlgZR415.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "RecordingReaderWriter.h"
#include "SetWidget.h"
#include "TempSettings.h"

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <memory>

using namespace PageProbe;

namespace {
QByteArray untrack()
{
    return "#KVT,,SET,GNSS.SATELLITE.UNTRACK.SBAS,ALL\r\n";
}
} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptySubmitSendsOnlyTheUntrackSentence();
    void submitSendsTheTickedRowsInListOrder_data();
    void submitSendsTheTickedRowsInListOrder();
    void optionsFollowTheOutputsInOrder();
    void emptyTalkerPrefixIsSentEmpty();
    void queriesFollowTheTickedRows_data();
    void queriesFollowTheTickedRows();
    void factoryResetIsSentOnlyWhenConfirmed();
    void commandsWhileClosedAreHandedOnAndReportedUnsent();

private:
    void openPage(const QByteArray& settingsText = QByteArray());
    void tick(const char* name, const char* rate);

    std::unique_ptr<PseudoTerminal> receiver;
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<DlgZR415> page;
};

void CommandsTest::init()
{
    receiver = std::make_unique<PseudoTerminal>();
    QVERIFY(receiver->isValid());
    qputenv("ZR415_EXTRA_PORTS", receiver->devicePath().toLocal8Bit());
    prompts = std::make_unique<PromptRecorder>(QMessageBox::Yes);
}

void CommandsTest::cleanup()
{
    page.reset();
    prompts.reset();
    settings.reset();
    receiver.reset();
}

void CommandsTest::openPage(const QByteArray& settingsText)
{
    settings = std::make_unique<TempSettings>(settingsText);
    page = std::make_unique<DlgZR415>(nullptr);
    part<QComboBox>(*page, "portCombo")->setCurrentText(receiver->devicePath());
    part<QComboBox>(*page, "baudCombo")->setCurrentText(QStringLiteral("115200"));
    click(*page, "connectButton");
    QVERIFY(part<QPushButton>(*page, "breakButton")->isEnabled());
}

void CommandsTest::tick(const char* name, const char* rate)
{
    SetWidget* row = page->outputRows().at(name);
    row->setChecked(1);
    row->setCurrentText(QString::fromLatin1(rate));
}

void CommandsTest::emptySubmitSendsOnlyTheUntrackSentence()
{
    openPage();
    click(*page, "submitButton");
    const QByteArray sent = receiver->read();
    QCOMPARE(sent, untrack());
    QCOMPARE(sent.size(), 43);
    QCOMPARE(part<QLabel>(*page, "statusLabel")->text(), QStringLiteral("已发送 1 条命令"));
}

void CommandsTest::submitSendsTheTickedRowsInListOrder_data()
{
    QTest::addColumn<QList<QByteArray>>("ticked"); // name and rate, in pairs
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("gga-1-and-hdt-off")
        << QList<QByteArray>{"HDT", "OFF", "GGA", "1"}
        << "#KVT,,SET,GNSS.NMEA.GGA,1\r\n#KVT,,SET,GNSS.NMEA.HDT,OFF\r\n" + untrack();
    QTest::newRow("grs-before-hdt")
        << QList<QByteArray>{"HDT", "5", "GRS", "10"}
        << "#KVT,,SET,GNSS.NMEA.GRS,10\r\n#KVT,,SET,GNSS.NMEA.HDT,5\r\n" + untrack();
    QTest::newRow("all-after-the-singles")
        << QList<QByteArray>{"NMEA", "0.5", "GGA", "1"}
        << "#KVT,,SET,GNSS.NMEA.GGA,1\r\n#KVT,,SET,GNSS.NMEA.ALL,0.5\r\n" + untrack();
    QTest::newRow("every-row") << QList<QByteArray>{"GGA", "0.02", "ZDA",  "0.05", "GST", "0.1",
                                                    "GSV", "0.2",  "GSA",  "0.5",  "GLL", "1",
                                                    "RMC", "2",    "VTG",  "5",    "GRS", "10",
                                                    "HDT", "15",   "NMEA", "60"}
                               << "#KVT,,SET,GNSS.NMEA.GGA,0.02\r\n#KVT,,SET,GNSS.NMEA.ZDA,0.05\r\n"
                                  "#KVT,,SET,GNSS.NMEA.GST,0.1\r\n#KVT,,SET,GNSS.NMEA.GSV,0.2\r\n"
                                  "#KVT,,SET,GNSS.NMEA.GSA,0.5\r\n#KVT,,SET,GNSS.NMEA.GLL,1\r\n"
                                  "#KVT,,SET,GNSS.NMEA.RMC,2\r\n#KVT,,SET,GNSS.NMEA.VTG,5\r\n"
                                  "#KVT,,SET,GNSS.NMEA.GRS,10\r\n#KVT,,SET,GNSS.NMEA.HDT,15\r\n"
                                  "#KVT,,SET,GNSS.NMEA.ALL,60\r\n" +
                                      untrack();
}

void CommandsTest::submitSendsTheTickedRowsInListOrder()
{
    QFETCH(QList<QByteArray>, ticked);
    QFETCH(QByteArray, expected);
    openPage();
    // An unticked row sends nothing whatever its rate.
    page->outputRows().at("GSA")->setCurrentText(QStringLiteral("30"));
    for (int i = 0; i + 1 < ticked.size(); i += 2)
        tick(ticked[i].constData(), ticked[i + 1].constData());
    click(*page, "submitButton");
    QCOMPARE(receiver->read(), expected);
}

void CommandsTest::optionsFollowTheOutputsInOrder()
{
    openPage();
    tick("GGA", "1");
    part<QCheckBox>(*page, "sbasCheck")->setChecked(true);
    part<QCheckBox>(*page, "cleanCheck")->setChecked(true);
    part<QCheckBox>(*page, "hdtPrefixCheck")->setChecked(true);
    part<QComboBox>(*page, "hdtPrefixCombo")->setCurrentText(QStringLiteral("GN"));
    click(*page, "submitButton");
    QCOMPARE(receiver->read(), QByteArray("#KVT,,SET,GNSS.NMEA.GGA,1\r\n"
                                          "#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL\r\n"
                                          "#KVT,,SET,GNSS.CLEAN_SATELLITE\r\n"
                                          "#KVT,,SET,GNSS.NMEATALKER.HDT,GN\r\n"));
}

void CommandsTest::emptyTalkerPrefixIsSentEmpty()
{
    openPage("hdtPrefix=7\nuseHdtPrefix=1\n");
    click(*page, "submitButton");
    QCOMPARE(receiver->read(), untrack() + "#KVT,,SET,GNSS.NMEATALKER.HDT,\r\n");
}

void CommandsTest::queriesFollowTheTickedRows_data()
{
    QTest::addColumn<QByteArray>("settingsText");
    QTest::addColumn<QByteArray>("expected");
    QByteArray everything = "#KVT,,GET,DEVICE.INFO.SN\r\n";
    for (const char* name : {"GGA", "ZDA", "GST", "GSV", "GSA", "GLL", "RMC", "VTG", "GRS", "HDT"})
        everything += "#KVT,,GET,GNSS.NMEA." + QByteArray(name) + "\r\n";
    QTest::newRow("defaults-ask-eleven") << QByteArray() << everything;
    QByteArray onlyGsv = "bodyNum=1\n";
    for (const char* name : {"GGA", "ZDA", "GST", "GSA", "GLL", "RMC", "VTG", "GRS", "HDT"})
        onlyGsv += "query" + QByteArray(name) + "=0\n";
    QTest::newRow("serial-number-and-gsv")
        << onlyGsv << QByteArray("#KVT,,GET,DEVICE.INFO.SN\r\n#KVT,,GET,GNSS.NMEA.GSV\r\n");
    QTest::newRow("nothing-ticked") << onlyGsv.replace("bodyNum=1", "bodyNum=0") + "queryGSV=0\n"
                                    << QByteArray();
}

void CommandsTest::queriesFollowTheTickedRows()
{
    QFETCH(QByteArray, settingsText);
    QFETCH(QByteArray, expected);
    openPage(settingsText);
    click(*page, "queryButton");
    QCOMPARE(receiver->read(expected.isEmpty() ? 500 : 2000), expected);
}

void CommandsTest::factoryResetIsSentOnlyWhenConfirmed()
{
    openPage();
    prompts->answer = QMessageBox::No;
    click(*page, "factoryButton");
    QCOMPARE(receiver->read(500), QByteArray());
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown[0].title, QStringLiteral("提示"));
    QCOMPARE(prompts->shown[0].text, QStringLiteral("是否恢复出厂设置？"));
    QCOMPARE(prompts->shown[0].standardButtons, QMessageBox::Yes | QMessageBox::No);

    prompts->answer = QMessageBox::Yes;
    click(*page, "factoryButton");
    const QByteArray sent = receiver->read();
    QCOMPARE(sent, QByteArray("#KVT,,SET,DEVICE.RECOVER\r\n"));
    QCOMPARE(sent.size(), 26);
    // The reset leaves the page and the settings as they were.
    QCOMPARE(page->outputRows().at("GGA")->currentText(), QStringLiteral("OFF"));
}

void CommandsTest::commandsWhileClosedAreHandedOnAndReportedUnsent()
{
    RecordingReaderWriter link;
    settings = std::make_unique<TempSettings>("sbas=1\n");
    page = std::make_unique<DlgZR415>(nullptr);
    tick("GGA", "1");
    part<QCheckBox>(*page, "cleanCheck")->setChecked(true);
    click(*page, "submitButton");
    QCOMPARE(link.writes, (QList<QByteArray>{"#KVT,,SET,GNSS.NMEA.GGA,1\r\n",
                                             "#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL\r\n",
                                             "#KVT,,SET,GNSS.CLEAN_SATELLITE\r\n"}));
    QCOMPARE(part<QLabel>(*page, "statusLabel")->text(), QStringLiteral("未连接，3 条命令未发送"));

    link.writes.clear();
    click(*page, "queryButton");
    QCOMPARE(link.writes.size(), 11);
    QCOMPARE(part<QLabel>(*page, "statusLabel")->text(), QStringLiteral("未连接，11 条命令未发送"));
    page.reset();
}

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
