// A receiver that comes back after a loss: it must be the same receiver before the page takes it
// back, and the page tells the tabs where each link begins and ends.
#include "DlgZR415.h"
#include "LinkBanner.h"
#include "LinkTraffic.h"
#include "PageProbe.h"
#include "PortComboBox.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "QueryWidget.h"
#include "ReplyReader.h"
#include "SimulatorProcess.h"
#include "StreamExtractor.h"
#include "TempSettings.h"
#include "TrafficView.h"
#include "ValueField.h"

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

using namespace PageProbe;

namespace {
const QString firstSerial = QStringLiteral("ZR415-0001");
const QString getSerial = QStringLiteral("#KVT,,GET,DEVICE.INFO.SN\r\n");

void relink(const QString& path, const QString& target)
{
    QFile::remove(path);
    if (!target.isEmpty() && !QFile::link(target, path))
        qFatal("cannot link %s", qPrintable(path));
}

QByteArray withChecksum(const QByteArray& body)
{
    char sum = 0;
    for (const char c : body)
        sum ^= c;
    return "@" + body + "*" +
           QByteArray::number(static_cast<uchar>(sum), 16).rightJustified(2, '0').toUpper() +
           "\r\n";
}

// A page linked at 115200 to a simulated receiver on a port path of a temporary folder, with
// what the page tells the tabs recorded in order.
class Bench
{
public:
    explicit Bench(QWidget* host = nullptr)
    {
        port = folder.filePath(QStringLiteral("ttyUSB0"));
        other = folder.filePath(QStringLiteral("ttyUSB1"));
        qputenv("ZR415_EXTRA_PORTS", ("/dev/null:" + port + ":" + other).toLocal8Bit());
        receiver = std::make_unique<SimulatorProcess>(QStringList{"--serial", firstSerial});
        relink(port, receiver->devicePath());
        page = new DlgZR415(host);
        if (!host)
            owned.reset(page);
        LinkTraffic* tap = page->traffic();
        QObject::connect(tap, &LinkTraffic::linkOpened, tap,
                         [this](const QString& at, const QString& baud, bool reconnect) {
                             events << QStringLiteral("opened %1 %2 %3")
                                           .arg(at == port ? "PORT" : at, baud)
                                           .arg(reconnect ? "again" : "by-hand");
                         });
        QObject::connect(tap, &LinkTraffic::linkClosed, tap, [this](LinkTraffic::End how) {
            events << (how == LinkTraffic::End::Lost ? "lost" : "closed");
        });
        QObject::connect(tap, &LinkTraffic::serialNumberKnown, tap,
                         [this](const QString& serial) { events << "serial " + serial; });
        QObject::connect(tap, &LinkTraffic::linkNoted, tap,
                         [this](const QString& text) { events << "noted " + text; });
        QObject::connect(tap, &LinkTraffic::commandWritten, tap,
                         [this](const QByteArray& sentence) {
                             events << "sent " + QString::fromLatin1(sentence);
                         });
    }

    void connect(bool askSerial, bool askRate = false)
    {
        choose(*page, port, QStringLiteral("115200"));
        click(*page, "connectButton");
        if (!askSerial && !askRate)
            return;
        part<QCheckBox>(*page, "bodyNumCheck")->setChecked(askSerial);
        page->queryRowMap().at("GGA")->setChecked(askRate);
        click(*page, "queryButton");
        if (askSerial)
            QTRY_COMPARE(part<QLineEdit>(*page, "bodyNumEdit")->text(), firstSerial);
        if (askRate)
            QTRY_VERIFY(!queryValue(*page, QStringLiteral("GGA")).isEmpty());
    }

    // The receiver goes away; the page waits for it.
    bool lose()
    {
        receiver.reset();
        relink(port, {});
        return QTest::qWaitFor([this] { return linkShownWaiting(*page); }, 5000);
    }

    void bringBack(const QStringList& arguments)
    {
        receiver = std::make_unique<SimulatorProcess>(arguments);
        relink(port, receiver->devicePath());
    }

    // What was recorded from the receiver's return on.
    QStringList sinceReturn() const
    {
        const auto at = events.indexOf(QStringLiteral("opened PORT 115200 again"));
        return at < 0 ? QStringList{} : events.mid(at);
    }

    QTemporaryDir folder;
    QString port;
    QString other;
    TempSettings settings;
    std::unique_ptr<SimulatorProcess> receiver;
    DlgZR415* page = nullptr;
    std::unique_ptr<DlgZR415> owned;
    QStringList events;
};

QString refusal(const QString& serial, const QString& port)
{
    return QStringLiteral("另一台接收机（机身号 %1）接入了 %2，已断开，请确认后重新连接")
        .arg(serial, port);
}
} // namespace

class ReconnectTest : public QObject
{
    Q_OBJECT

private slots:
    void returningReceiverIsJudgedByItsSerialNumber_data();
    void returningReceiverIsJudgedByItsSerialNumber();
    void checksumOfAnAnswer_data();
    void checksumOfAnAnswer();
    void garbledSerialAnswerCountsAsNone_data();
    void garbledSerialAnswerCountsAsNone();
    void receiverTakenBackUnconfirmedIsStillTheOneWaitedFor();
    void answersOfAnEarlierLinkAreGreyedUntilAnswered_data();
    void answersOfAnEarlierLinkAreGreyedUntilAnswered();
    void tabsAreToldWhereEachLinkBeginsAndEnds();
    void lossWarningClosesItselfWhenTheReceiverIsBack();
    void waitedPortStaysShownAndEnterDoesNotConnect();
    void portConnectedByHandEndsTheWait();
    void portChosenWhileWaitingStaysChosen();
};

void ReconnectTest::returningReceiverIsJudgedByItsSerialNumber_data()
{
    QTest::addColumn<bool>("askedBefore");
    QTest::addColumn<QStringList>("returning");
    QTest::addColumn<bool>("baudBoxChanged");
    QTest::addColumn<QString>("verdict"); // PORT stands for the port
    QTest::addColumn<bool>("noted");      // the traffic log says it too
    const QString reconnected = QStringLiteral("PORT 115200 已重新连接");
    QTest::newRow("same-serial") << true << QStringList{"--serial", firstSerial} << false
                                 << reconnected << false;
    // It answers only at 115200: the link reopens at the rate it had, not the box's.
    QTest::newRow("same-serial-baud-box-changed-while-waiting")
        << true << QStringList{"--serial", firstSerial, "--baud", "115200"} << true << reconnected
        << false;
    // Nothing to compare it with: taken back, but the operator is told to make sure.
    QTest::newRow("none-known-before")
        << false << QStringList{"--serial", "ZR415-0002"} << false
        << QStringLiteral("PORT 115200 已重新连接：机身号 ZR415-0002（断开前未查询机身号，请确认）")
        << true;
    QTest::newRow("another-serial") << true << QStringList{"--serial", "ZR415-0002"} << false
                                    << refusal("ZR415-0002", "PORT") << true;
    QTest::newRow("another-serial-escaped") << true
                                            << QStringList{"--serial", "ZR\x1b"
                                                                       "415"}
                                            << false << refusal("ZR\\x1B415", "PORT") << true;
    QTest::newRow("silent") << true << QStringList{"--silent"} << false
                            << QStringLiteral("PORT 115200 已重新连接（未能确认机身号）") << false;
}

void ReconnectTest::returningReceiverIsJudgedByItsSerialNumber()
{
    QFETCH(bool, askedBefore);
    QFETCH(QStringList, returning);
    QFETCH(bool, baudBoxChanged);
    QFETCH(QString, verdict);
    QFETCH(bool, noted);
    PromptRecorder prompts;
    Bench bench;
    // The traffic tab, with its banner, as the window has it.
    TrafficView traffic(bench.page->traffic(), nullptr);
    bench.connect(askedBefore);
    QVERIFY(bench.lose());
    QTRY_COMPARE(prompts.shown.size(), 1);
    if (baudBoxChanged)
        part<QComboBox>(*bench.page, "baudCombo")->setCurrentText(QStringLiteral("9600"));
    const int promptsBefore = static_cast<int>(prompts.shown.size());
    bench.bringBack(returning);

    verdict.replace(QStringLiteral("PORT"), bench.port);
    QTRY_COMPARE_WITH_TIMEOUT(status(*bench.page), verdict, 5000);
    const bool refused = verdict.startsWith(QStringLiteral("另一台"));
    QVERIFY(refused ? linkShownClosed(*bench.page) : linkShownOpen(*bench.page));
    QCOMPARE(statusIsProblem(*bench.page), noted);
    // The traffic log is told before the link's end marker, so it reads as the reason.
    const QStringList told = bench.sinceReturn().filter(QRegularExpression("^(noted|closed)"));
    QStringList expectedTold;
    if (noted)
        expectedTold << "noted " + verdict;
    if (refused)
        expectedTold << QStringLiteral("closed");
    QCOMPARE(told, expectedTold);
    QStringList markers;
    for (quint64 line = traffic.log().first(); line < traffic.log().end(); ++line)
        markers << traffic.log().at(line).text;
    QCOMPARE(markers.contains("—— " + verdict + " ——"), noted);
    // Taken back unasked, the banner names the unit on the line.
    if (noted && !refused)
        QVERIFY(part<LinkBanner>(traffic, "linkBanner")->text().endsWith("机身号 ZR415-0002"));
    // Refused: told in a warning too, and nothing but the question reached it.
    QCOMPARE(prompts.shown.size() > promptsBefore, refused);
    if (refused) {
        QCOMPARE(prompts.shown.last().text, verdict);
        click(*bench.page, "submitButton");
        click(*bench.page, "queryButton");
        QCOMPARE(bench.sinceReturn().filter(QStringLiteral("sent ")),
                 QStringList{"sent " + getSerial});
    }
}

void ReconnectTest::checksumOfAnAnswer_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::addColumn<bool>("holds");
    // X,,GET,DEVICE.INFO.SN,OK,AB gives 0x2E; …,AF 0x2A; …,ZR415-0001 0x39.
    QTest::newRow("upper-case") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2E\r") << true;
    QTest::newRow("lower-case") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2e\r") << true;
    QTest::newRow("upper-a") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AF*2A\r") << true;
    QTest::newRow("lower-a") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AF*2a\r") << true;
    QTest::newRow("digits") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,ZR415-0001*39\r") << true;
    QTest::newRow("one-bit-off") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2F\r") << false;
    QTest::newRow("not-hex") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2G\r") << false;
    QTest::newRow("one-digit") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2\r") << false;
    QTest::newRow("three-digits") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB*2E0\r") << false;
    // Nothing to contradict it: taken, as zr415ctl takes it.
    QTest::newRow("none") << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,AB\r") << true;
    // The "*" in the value is a byte like any other; the last one starts the checksum.
    QTest::newRow("star-in-value") << withChecksum("X,,GET,DEVICE.INFO.SN,OK,A*B") << true;
}

void ReconnectTest::checksumOfAnAnswer()
{
    QFETCH(QByteArray, sentence);
    QFETCH(bool, holds);
    StreamExtractor extractor('@', ',', '\r');
    extractor.feed(sentence.constData(), static_cast<int>(sentence.size()));
    QVERIFY(extractor.has_sentence());
    QCOMPARE(ReplyReader::checksumHolds(extractor), holds);
}

void ReconnectTest::garbledSerialAnswerCountsAsNone_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("trusted");
    const QByteArray body("X,,GET,DEVICE.INFO.SN,OK,ZR415-0002");
    QTest::newRow("right-checksum") << withChecksum(body) << true;
    QTest::newRow("wrong-checksum") << QByteArray("@" + body + "*00\r\n") << false;
    QTest::newRow("no-checksum") << QByteArray("@" + body + "\r\n") << true;
    QTest::newRow("checksum-cut") << withChecksum(body).replace("*", "*0") << false;
}

void ReconnectTest::garbledSerialAnswerCountsAsNone()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, trusted);
    PromptRecorder prompts;
    Bench bench;
    bench.connect(true);
    QVERIFY(bench.lose());
    PseudoTerminal line;
    relink(bench.port, line.devicePath());
    QCOMPARE(QString::fromLatin1(line.readCount(getSerial.size(), 5000)), getSerial);
    // Until it has answered, nothing else reaches it.
    click(*bench.page, "submitButton");
    QCOMPARE(bench.sinceReturn().filter(QStringLiteral("sent ")), QStringList{"sent " + getSerial});
    line.write(answer);

    const QString verdict =
        trusted ? refusal(QStringLiteral("ZR415-0002"), bench.port)
                : bench.port + QStringLiteral(" 115200 已重新连接（未能确认机身号）");
    QTRY_COMPARE_WITH_TIMEOUT(status(*bench.page), verdict, 5000);
    // The field shows the answer whatever follows "*", as for every answer.
    QCOMPARE(part<QLineEdit>(*bench.page, "bodyNumEdit")->text(), QStringLiteral("ZR415-0002"));
    QCOMPARE(bench.sinceReturn().contains(QStringLiteral("serial ZR415-0002")), trusted);
}

void ReconnectTest::receiverTakenBackUnconfirmedIsStillTheOneWaitedFor()
{
    PromptRecorder prompts;
    Bench bench;
    bench.connect(true);
    QVERIFY(bench.lose());
    bench.bringBack({"--silent"});
    QTRY_VERIFY_WITH_TIMEOUT(status(*bench.page).endsWith(QStringLiteral("（未能确认机身号）")),
                             5000);
    QVERIFY(bench.lose());
    bench.bringBack({"--serial", "ZR415-0002"});
    QTRY_COMPARE_WITH_TIMEOUT(status(*bench.page), refusal("ZR415-0002", bench.port), 5000);
}

void ReconnectTest::answersOfAnEarlierLinkAreGreyedUntilAnswered_data()
{
    QTest::addColumn<bool>("askedSerial");
    QTest::addColumn<bool>("byHand");    // another port connected by hand, else the lost one back
    QTest::addColumn<QString>("origin"); // PORT stands for the first link's port
    QTest::addColumn<bool>("serialGreyed"); // the serial field still the earlier link's
    QTest::newRow("other-port-by-hand")
        << true << true
        << QStringLiteral("来自先前的连接 PORT（机身号 ZR415-0001），本次连接尚未查询") << true;
    // Back, it is asked its serial at once: that field is this link's answer again.
    QTest::newRow("lost-and-back")
        << true << false
        << QStringLiteral("来自先前的连接 PORT（机身号 ZR415-0001），本次连接尚未查询") << false;
    QTest::newRow("serial-never-asked")
        << false << true << QStringLiteral("来自先前的连接 PORT（机身号未查询），本次连接尚未查询")
        << false;
}

void ReconnectTest::answersOfAnEarlierLinkAreGreyedUntilAnswered()
{
    QFETCH(bool, askedSerial);
    QFETCH(bool, byHand);
    QFETCH(QString, origin);
    QFETCH(bool, serialGreyed);
    PromptRecorder prompts;
    Bench bench;
    origin.replace(QStringLiteral("PORT"), bench.port);
    bench.connect(askedSerial, true);
    auto* rate = bench.page->queryRowMap().at("GGA")->field();
    auto* serial = part<ValueField>(*bench.page, "bodyNumEdit");
    const QColor ink = rate->palette().color(QPalette::Text);
    QVERIFY(!rate->fromEarlierLink() && !serial->fromEarlierLink());

    std::unique_ptr<SimulatorProcess> another;
    if (byHand) {
        click(*bench.page, "breakButton");
        another = std::make_unique<SimulatorProcess>(QStringList{"--serial", "ZR415-0002"});
        relink(bench.other, another->devicePath());
        QTRY_VERIFY(part<QComboBox>(*bench.page, "portCombo")->findText(bench.other) >= 0);
        choose(*bench.page, bench.other, QStringLiteral("115200"));
        click(*bench.page, "connectButton");
    } else {
        QVERIFY(bench.lose());
        bench.bringBack({"--serial", firstSerial});
        QTRY_VERIFY_WITH_TIMEOUT(status(*bench.page).endsWith(QStringLiteral("已重新连接")), 5000);
    }
    QVERIFY(linkShownOpen(*bench.page));
    // The values stay as they were; only their look and hover tell where they came from.
    QVERIFY(!rate->text().isEmpty());
    QVERIFY(rate->fromEarlierLink());
    QVERIFY(rate->palette().color(QPalette::Text) != ink);
    QVERIFY2(rate->toolTip().contains(origin), qPrintable(rate->toolTip()));
    QCOMPARE(serial->fromEarlierLink(), serialGreyed);

    // This link's answer replaces the value and its look.
    bench.page->queryRowMap().at("GGA")->setChecked(true);
    click(*bench.page, "queryButton");
    QTRY_VERIFY(!rate->fromEarlierLink());
    QCOMPARE(rate->palette().color(QPalette::Text), ink);
    QVERIFY(!rate->toolTip().contains(bench.port));
}

void ReconnectTest::tabsAreToldWhereEachLinkBeginsAndEnds()
{
    PromptRecorder prompts;
    Bench bench;
    bench.connect(true);
    QVERIFY(bench.lose());
    bench.bringBack({"--serial", firstSerial});
    QTRY_VERIFY_WITH_TIMEOUT(status(*bench.page).endsWith(QStringLiteral("已重新连接")), 5000);
    QVERIFY(bench.lose());
    bench.bringBack({"--serial", "ZR415-0002"});
    QTRY_VERIFY_WITH_TIMEOUT(linkShownClosed(*bench.page), 5000);
    // After a refusal the operator connects again, by hand, and ends the link.
    click(*bench.page, "connectButton");
    click(*bench.page, "breakButton");

    const QString sentQuery = "sent " + getSerial;
    const QStringList expected{"opened PORT 115200 by-hand",
                               sentQuery,
                               "serial " + firstSerial,
                               "lost",
                               "opened PORT 115200 again",
                               sentQuery,
                               "serial " + firstSerial,
                               "lost",
                               "opened PORT 115200 again",
                               sentQuery,
                               "serial ZR415-0002",
                               "noted " + refusal("ZR415-0002", bench.port),
                               "closed",
                               "opened PORT 115200 by-hand",
                               "closed"};
    // 查询 asks the output settings too; only its serial number question matters here.
    QStringList events = bench.events;
    events.removeIf([](const QString& event) { return event.contains(QLatin1String("GNSS.")); });
    QCOMPARE(events.join(QLatin1Char('|')), expected.join(QLatin1Char('|')));
}

void ReconnectTest::lossWarningClosesItselfWhenTheReceiverIsBack()
{
    // A real box this time: the page must close it itself.
    Bench bench;
    bench.connect(true);
    QString warning;
    bool closedByTheTest = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && warning.isEmpty()) {
            warning = box->text();
            bench.bringBack({"--serial", firstSerial});
        }
    });
    watch.start(20);
    QTimer::singleShot(10000, &watch, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            closedByTheTest = true;
            box->reject();
        }
    });
    bench.receiver.reset();
    relink(bench.port, {});

    QTRY_VERIFY_WITH_TIMEOUT(!warning.isEmpty() && !QApplication::activeModalWidget(), 12000);
    QVERIFY2(warning.contains(QStringLiteral("已断开")), qPrintable(warning));
    QVERIFY(!closedByTheTest);
    QVERIFY(linkShownOpen(*bench.page));
    QCOMPARE(status(*bench.page), bench.port + QStringLiteral(" 115200 已重新连接"));
}

void ReconnectTest::waitedPortStaysShownAndEnterDoesNotConnect()
{
    PromptRecorder prompts;
    QDialog window;
    auto* layout = new QVBoxLayout(&window);
    Bench bench(&window);
    layout->addWidget(bench.page);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bench.connect(true);
    QVERIFY(bench.lose());

    auto* ports = part<PortComboBox>(*bench.page, "portCombo");
    QTRY_COMPARE(ports->findText(bench.port), -1);
    QCOMPARE(ports->currentIndex(), -1);
    QCOMPARE(ports->placeholderText(), bench.port);
    QVERIFY(bench.port.endsWith(ports->shownText().mid(1)));
    QCOMPARE(ports->toolTip(), bench.port);
    // Enter, on 连接 or on the window, presses nothing: no connection tried, nothing told.
    QTRY_COMPARE(prompts.shown.size(), 1);
    const QString waiting = status(*bench.page);
    QTest::keyClick(part<QPushButton>(*bench.page, "connectButton"), Qt::Key_Return);
    ports->setFocus();
    QTest::keyClick(ports, Qt::Key_Return);
    QVERIFY(linkShownWaiting(*bench.page));
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(status(*bench.page), waiting);
    QVERIFY(!bench.events.contains(QStringLiteral("opened /dev/null 115200 by-hand")));
    // Escape still closes the window.
    QTest::keyClick(ports, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    bench.bringBack({"--serial", firstSerial});
    QTRY_VERIFY_WITH_TIMEOUT(linkShownOpen(*bench.page), 5000);
    QCOMPARE(ports->currentText(), bench.port);
    // Back, the box shows its entries as before, the first one too.
    ports->setCurrentIndex(0);
    const QString shown = ports->shownText().remove(QChar(0x2026));
    QVERIFY(!shown.isEmpty() && ports->itemText(0).endsWith(shown));
}

void ReconnectTest::portConnectedByHandEndsTheWait()
{
    PromptRecorder prompts;
    Bench bench;
    bench.connect(true);
    QVERIFY(bench.lose());
    SimulatorProcess another({"--serial", "ZR415-0002"});
    relink(bench.other, another.devicePath());
    auto* ports = part<QComboBox>(*bench.page, "portCombo");
    QTRY_VERIFY(ports->findText(bench.other) >= 0);
    choose(*bench.page, bench.other, QStringLiteral("9600"));
    click(*bench.page, "connectButton");
    QVERIFY(linkShownOpen(*bench.page));

    bench.bringBack({"--serial", firstSerial});
    // Once the list shows the port again, the page has seen it come back.
    QTRY_VERIFY(ports->findText(bench.port) >= 0);
    QCOMPARE(ports->currentText(), bench.other);
    QCOMPARE(status(*bench.page), bench.other + QStringLiteral(" 9600 已连接"));
    QCOMPARE(bench.sinceReturn(), QStringList{});
}

void ReconnectTest::portChosenWhileWaitingStaysChosen()
{
    PromptRecorder prompts;
    Bench bench;
    bench.connect(true);
    QVERIFY(bench.lose());
    auto* ports = part<QComboBox>(*bench.page, "portCombo");
    QTRY_COMPARE(ports->findText(bench.port), -1);
    // The operator picks the first entry; another device plugged in meanwhile leaves it chosen.
    ports->setCurrentIndex(0);
    const QString chosen = ports->currentText();
    QVERIFY(!chosen.isEmpty());
    relink(bench.other, QStringLiteral("/dev/null"));
    QTRY_VERIFY(ports->findText(bench.other) >= 0);
    QCOMPARE(ports->findText(chosen), 0);
    QCOMPARE(ports->currentText(), chosen);
    QVERIFY(linkShownWaiting(*bench.page));
}

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
