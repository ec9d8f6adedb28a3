// Opening and closing the link from the page, and every way it can fail.
#include "DlgZR415.h"
#include "FakePorts.h"
#include "LineSettings.h"
#include "PageProbe.h"
#include "ProcessCpu.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "RecordingLogger.h"
#include "RecordingReaderWriter.h"
#include "SettingsKeys.h"
#include "TempSettings.h"

#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>

using namespace PageProbe;

namespace {} // namespace

class LinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectDescribesTheLinkAndSwitchesTheButtons();
    void reconnectRewritesTheLinkAndCloseSeesTheOldOne();
    void pageGoingAwayClosesTheLink();
    void connectWithoutAnyPortOpensNothingAndSaysSo();
    void portThatCannotBeOpenedLeavesTheLinkClosedAndSaysWhy();
    void portBusyInAnotherProgramIsReported();
    void farEndGoingAwayClosesTheLinkOnceAndTellsTheOperator();
    void farEndSeesTheChosenSpeedAnd8N1_data();
    void farEndSeesTheChosenSpeedAnd8N1();

private:
    TempSettings* settings = nullptr;
    FakePorts* ports = nullptr;
};

void LinkTest::initTestCase()
{
    settings = new TempSettings;
    ports = new FakePorts({"COM3", "COM12", "zr415-unplugged"});
}

// Their temporary folders go with them.
void LinkTest::cleanupTestCase()
{
    delete ports;
    delete settings;
}

void LinkTest::connectDescribesTheLinkAndSwitchesTheButtons()
{
    qputenv("ZR415_EXTRA_PORTS", "COM3:COM12");
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    QVERIFY(linkShownClosed(page));
    choose(page, QStringLiteral("COM12"), QStringLiteral("57600"));
    click(page, "connectButton");

    QCOMPARE(link.calls.size(), 1);
    QCOMPARE(link.calls[0].operation, QStringLiteral("open"));
    const QMap<QString, QString> expected{
        {"type", "SerialPort"}, {"portNum", "12"}, {"baudrate", "57600"}, {"portName", "COM12"}};
    QCOMPARE(link.calls[0].link, expected);
    QCOMPARE(link.calls[0].sink, static_cast<void*>(static_cast<IMessanger*>(&page)));
    QVERIFY(linkShownOpen(page));
    QCOMPARE(status(page), QStringLiteral("COM12 57600 已连接"));

    click(page, "breakButton");
    QCOMPARE(link.calls.size(), 2);
    QCOMPARE(link.calls[1].operation, QStringLiteral("close"));
    QVERIFY(linkShownClosed(page));
    QCOMPARE(status(page), QStringLiteral("未连接"));
}

void LinkTest::reconnectRewritesTheLinkAndCloseSeesTheOldOne()
{
    PseudoTerminal receiver;
    qputenv("ZR415_EXTRA_PORTS", "COM3:" + receiver.devicePath().toLocal8Bit());
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    choose(page, QStringLiteral("COM3"), QStringLiteral("115200"));
    click(page, "connectButton");
    click(page, "breakButton");
    choose(page, receiver.devicePath(), QStringLiteral("9600"));
    click(page, "connectButton");

    QCOMPARE(link.calls.size(), 3);
    QCOMPARE(link.calls[1].operation, QStringLiteral("close"));
    QCOMPARE(link.calls[1].link.value("portNum"), QStringLiteral("3"));
    QCOMPARE(link.calls[1].link.value("baudrate"), QStringLiteral("115200"));
    // A Linux device path has no number after three characters; its full path is the name.
    QCOMPARE(link.calls[2].link.value("portNum"), QStringLiteral("0"));
    QCOMPARE(link.calls[2].link.value("baudrate"), QStringLiteral("9600"));
    QCOMPARE(link.calls[2].link.value("portName"), receiver.devicePath());
    QCOMPARE(part<QComboBox>(page, "portCombo")->toolTip(), receiver.devicePath());
}

void LinkTest::pageGoingAwayClosesTheLink()
{
    qputenv("ZR415_EXTRA_PORTS", "COM3");
    RecordingReaderWriter link;
    {
        DlgZR415 page(nullptr);
        choose(page, QStringLiteral("COM3"));
        click(page, "connectButton");
    }
    QCOMPARE(link.calls.size(), 2);
    QCOMPARE(link.calls[1].operation, QStringLiteral("close"));
    QVERIFY(!link.linkLost);
}

void LinkTest::connectWithoutAnyPortOpensNothingAndSaysSo()
{
    qputenv("ZR415_EXTRA_PORTS", "");
    RecordingReaderWriter link;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    part<QComboBox>(page, "portCombo")->clear();
    click(page, "connectButton");
    QVERIFY(link.calls.isEmpty());
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("没有可用的串口，无法连接"));
    QVERIFY(linkShownClosed(page));
}

void LinkTest::portThatCannotBeOpenedLeavesTheLinkClosedAndSaysWhy()
{
    RecordingLogger logger;
    qputenv("ZR415_EXTRA_PORTS", "zr415-unplugged");
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    choose(page, QStringLiteral("zr415-unplugged"));
    ports->remove(QStringLiteral("zr415-unplugged"));
    click(page, "connectButton");

    QVERIFY(linkShownClosed(page));
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(prompts.shown[0].icon, QMessageBox::Warning);
    QVERIFY(prompts.shown[0].text.startsWith(
        QStringLiteral("无法打开串口 zr415-unplugged：设备不存在")));
    QCOMPARE(status(page), prompts.shown[0].text);
    QVERIFY(logger.contains("无法打开串口 zr415-unplugged"));
    // The system's own words go to the log.
    QVERIFY(logger.contains("No such file or directory"));
}

void LinkTest::portBusyInAnotherProgramIsReported()
{
    PseudoTerminal receiver;
    QSerialPort otherProgram(receiver.devicePath());
    QVERIFY(otherProgram.open(QIODevice::ReadWrite));
    qputenv("ZR415_EXTRA_PORTS", receiver.devicePath().toLocal8Bit());
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    choose(page, receiver.devicePath());
    click(page, "connectButton");
    QVERIFY(linkShownClosed(page));
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown[0].text.startsWith(QStringLiteral("无法打开串口")));

    otherProgram.close();
    click(page, "connectButton");
    QVERIFY(linkShownOpen(page));
    click(page, "breakButton");
}

void LinkTest::farEndGoingAwayClosesTheLinkOnceAndTellsTheOperator()
{
    PseudoTerminal receiver;
    qputenv("ZR415_EXTRA_PORTS", receiver.devicePath().toLocal8Bit());
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    choose(page, receiver.devicePath(), QStringLiteral("115200"));
    click(page, "connectButton");
    QVERIFY(linkShownOpen(page));

    receiver.closeController();
    QTRY_VERIFY(linkShownWaiting(page));
    QTRY_COMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown[0].text.startsWith(QStringLiteral("串口 ") + receiver.devicePath() +
                                             QStringLiteral(" 已断开：")));
    QCOMPARE(status(page), prompts.shown[0].text + QStringLiteral("；等待接收机重新接入…"));

    const double before = processCpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(processCpuSeconds() - before < 0.3, "the event loop spins after the loss");
    QCOMPARE(prompts.shown.size(), 1);
}

void LinkTest::farEndSeesTheChosenSpeedAnd8N1_data()
{
    QTest::addColumn<QString>("baud");
    for (const std::string& rate : SettingsKeys::baudRates())
        QTest::newRow(rate.c_str()) << QString::fromStdString(rate);
}

void LinkTest::farEndSeesTheChosenSpeedAnd8N1()
{
    QFETCH(QString, baud);
    PseudoTerminal receiver;
    qputenv("ZR415_EXTRA_PORTS", receiver.devicePath().toLocal8Bit());
    DlgZR415 page(nullptr);
    choose(page, receiver.devicePath(), baud);
    click(page, "connectButton");
    QVERIFY(linkShownOpen(page));
    // Read through the descriptor the pair was made with: the line's settings belong to the
    // line, and the tool holds it in exclusive mode, so a new open is refused to all but root.
    LineSettings line{};
    const bool read = readLineSettings(receiver.deviceFd(), line);
    click(page, "breakButton");
    QVERIFY(read);
    QCOMPARE(line.baud, baud.toUInt());
    QCOMPARE(line.dataBits, 8);
    QVERIFY(!line.parity);
    QCOMPARE(line.stopBits, 1);
    QVERIFY(!line.hardwareFlow);
}

QTEST_MAIN(LinkTest)
#include "tst_link.moc"
