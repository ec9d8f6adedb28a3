// The whole tool against the simulated receiver over a pseudo-terminal, as an operator uses it.
#include "DlgZR415.h"
#include "NmeaList.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "SetWidget.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"

#include <QtTest>

#include <QComboBox>

#include <memory>

using namespace PageProbe;

namespace {
QStringList everyRowAt(const QString& rate)
{
    QStringList values;
    for (int i = 0; i < nmeaSentenceCount; ++i)
        values << nmeaList[i] + "=" + rate;
    return values;
}
} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void submittedRatesComeBackFromAQuery();
    void allSentencesAtOnceAndFactoryReset();
    void answersArriveThroughAFloodOfNmea();
    void choppedNoisyDelayedRepliesAreShownOnce();
    void droppedLineReturnsTheWindowToClosed();
    void programStartsWithTheSimulatorInItsPortList();
    void receiverAnswersAreToldApart_data();
    void receiverAnswersAreToldApart();
    void simulatorStartedLaterCanBeChosen();

private:
    void connectTo(const QStringList& simulatorOptions);
    void queryAndWaitFor(const QStringList& expected);

    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<DlgZR415> page;
};

void EndToEndTest::cleanup()
{
    page.reset();
    prompts.reset();
    settings.reset();
    simulator.reset();
}

void EndToEndTest::connectTo(const QStringList& simulatorOptions)
{
    simulator = std::make_unique<SimulatorProcess>(QStringList{"--serial", "ZR415-E2E-42"} +
                                                   simulatorOptions);
    QVERIFY(simulator->isRunning());
    qputenv("ZR415_EXTRA_PORTS", simulator->devicePath().toLocal8Bit());
    settings = std::make_unique<TempSettings>();
    prompts = std::make_unique<PromptRecorder>(QMessageBox::Yes);
    page = std::make_unique<DlgZR415>(nullptr);
    choose(*page, simulator->devicePath(), QStringLiteral("256000"));
    click(*page, "connectButton");
    QVERIFY(linkShownOpen(*page));
}

void EndToEndTest::queryAndWaitFor(const QStringList& expected)
{
    click(*page, "queryButton");
    QTRY_COMPARE_WITH_TIMEOUT(shownValues(*page), expected, 10000);
}

void EndToEndTest::submittedRatesComeBackFromAQuery()
{
    connectTo({});
    page->outputRows().at("GGA")->setChecked(1);
    page->outputRows().at("GGA")->setCurrentText(QStringLiteral("1"));
    page->outputRows().at("RMC")->setChecked(1);
    page->outputRows().at("RMC")->setCurrentText(QStringLiteral("0.5"));
    click(*page, "submitButton");

    QStringList expected = everyRowAt(QStringLiteral("OFF"));
    expected.replace(0, QStringLiteral("GGA=1"));
    expected.replace(6, QStringLiteral("RMC=0.5"));
    queryAndWaitFor(QStringList{"SN=ZR415-E2E-42"} + expected);
    // What the operator sees now, for a look by eye.
    page->grab().save(QStringLiteral(ZR415_BUILD_DIR "/zr415-page-queried.png"));
}

void EndToEndTest::allSentencesAtOnceAndFactoryReset()
{
    connectTo({});
    page->outputRows().at("NMEA")->setChecked(1);
    page->outputRows().at("NMEA")->setCurrentText(QStringLiteral("0.2"));
    click(*page, "submitButton");
    queryAndWaitFor(QStringList{"SN=ZR415-E2E-42"} + everyRowAt(QStringLiteral("0.2")));

    click(*page, "factoryButton");
    QCOMPARE(prompts->shown.size(), 1);
    queryAndWaitFor(QStringList{"SN=ZR415-E2E-42"} + everyRowAt(QStringLiteral("OFF")));
}

void EndToEndTest::answersArriveThroughAFloodOfNmea()
{
    connectTo({"--rates", "ALL=0.02"});
    QTest::qWait(300); // let the stream run
    queryAndWaitFor(QStringList{"SN=ZR415-E2E-42"} + everyRowAt(QStringLiteral("0.02")));
}

void EndToEndTest::choppedNoisyDelayedRepliesAreShownOnce()
{
    connectTo(
        {"--chunked", "--noise", "--delay", "200", "--rates", "GGA=0.1,GSV=0.1", "--seed", "7"});
    QStringList expected = everyRowAt(QStringLiteral("OFF"));
    expected.replace(0, QStringLiteral("GGA=0.1"));
    expected.replace(3, QStringLiteral("GSV=0.1"));
    queryAndWaitFor(QStringList{"SN=ZR415-E2E-42"} + expected);
}

void EndToEndTest::droppedLineReturnsTheWindowToClosed()
{
    connectTo({"--drop-after", "1", "--rates", "GGA=0.1"});
    QTRY_VERIFY_WITH_TIMEOUT(linkShownWaiting(*page), 10000);
    QVERIFY(status(*page).contains(QStringLiteral("已断开")));
    QTRY_COMPARE(prompts->shown.size(), 1);
    QVERIFY(prompts->shown[0].text.contains(simulator->devicePath()));
}

void EndToEndTest::programStartsWithTheSimulatorInItsPortList()
{
    simulator = std::make_unique<SimulatorProcess>();
    QVERIFY(simulator->isRunning());
    // A copy of the program with the build's settings file, so that its log is the test's.
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")) &&
            QDir(root.path()).mkpath(QStringLiteral("etc/Corvane/config")));
    QVERIFY(QFile::copy(QStringLiteral(ZR415_BINARY), root.filePath(QStringLiteral("bin/zr415"))));
    QVERIFY(QFile::copy(QStringLiteral(ZR415_BUILD_DIR "/etc/Corvane/config/ZR415.ini"),
                        root.filePath(QStringLiteral("etc/Corvane/config/ZR415.ini"))));
    const QString logPath = root.filePath(QStringLiteral("log/ZR415.log"));
    auto windowsShown = [&logPath] {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) ? log.readAll().count("window shown") : 0;
    };

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZR415_EXTRA_PORTS"), simulator->devicePath());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(root.filePath(QStringLiteral("bin/zr415")), {});
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(windowsShown() > 0, 10000);
    QTest::qWait(300);
    QCOMPARE(program.state(), QProcess::Running);
    // The list the program offered ends with the simulator.
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    bool offered = false;
    for (const QByteArray& line : log.readAll().split('\n'))
        offered = offered || (line.contains("ports offered: ") &&
                              line.endsWith(simulator->devicePath().toLocal8Bit()));
    QVERIFY(offered);
    program.terminate();
    QVERIFY(program.waitForFinished(5000));
}

void EndToEndTest::receiverAnswersAreToldApart_data()
{
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::addColumn<QString>("status");
    QTest::newRow("confirmed") << QStringList{} << "已发送 2 条命令，接收机全部确认";
    QTest::newRow("refused") << QStringList{"--reject", "GGA"}
                             << "1 条已确认；接收机拒绝：GNSS.NMEA.GGA";
    QTest::newRow("unanswered") << QStringList{"--no-ack"} << "2 条无应答";
}

void EndToEndTest::receiverAnswersAreToldApart()
{
    QFETCH(QStringList, simulatorOptions);
    QFETCH(QString, status);
    connectTo(simulatorOptions);
    page->outputRows().at("GGA")->setChecked(1);
    page->outputRows().at("GGA")->setCurrentText(QStringLiteral("1"));
    click(*page, "submitButton");
    QTRY_COMPARE_WITH_TIMEOUT(PageProbe::status(*page), status, DlgZR415::answerWaitMs + 3000);
}

void EndToEndTest::simulatorStartedLaterCanBeChosen()
{
    QTemporaryDir folder;
    const QString linkPath = folder.filePath(QStringLiteral("receiver"));
    qputenv("ZR415_EXTRA_PORTS", ("/dev/null:" + linkPath).toLocal8Bit());
    settings = std::make_unique<TempSettings>();
    prompts = std::make_unique<PromptRecorder>();
    page = std::make_unique<DlgZR415>(nullptr);
    auto* ports = part<QComboBox>(*page, "portCombo");
    QCOMPARE(ports->findText(linkPath), -1);
    ports->setCurrentText(QStringLiteral("/dev/null"));

    simulator = std::make_unique<SimulatorProcess>(QStringList{"--link", linkPath});
    QVERIFY(simulator->isRunning());
    ports->showPopup();
    ports->hidePopup();
    QVERIFY(ports->findText(linkPath) >= 0);
    QCOMPARE(ports->currentText(), QStringLiteral("/dev/null"));
    choose(*page, linkPath, QStringLiteral("115200"));
    click(*page, "connectButton");
    QVERIFY(linkShownOpen(*page));
    queryAndWaitFor(QStringList{"SN=ZR415-SIM-0001"} + everyRowAt(QStringLiteral("OFF")));
    click(*page, "breakButton");

    // Gone again: no longer offered, and the first entry is chosen instead.
    simulator.reset();
    ports->showPopup();
    ports->hidePopup();
    QCOMPARE(ports->findText(linkPath), -1);
    QCOMPARE(ports->currentIndex(), 0);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
