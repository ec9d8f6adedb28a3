// The page following the hardware: ports that come and go while it runs, a receiver that comes
// back after a replug, and texts longer than the fields that show them.
#include "DlgZR415.h"
#include "ElidedLabel.h"
#include "FakePorts.h"
#include "PageProbe.h"
#include "PortComboBox.h"
#include "PortDetails.h"
#include "PortWatcher.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "QueryWidget.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"

#include <QtTest>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTextDocument>

#include <algorithm>
#include <memory>

using namespace PageProbe;

namespace {
// Makes path a link to target, as udev names a device; an empty target removes it.
void relink(const QString& path, const QString& target)
{
    QFile::remove(path);
    if (!target.isEmpty() && !QFile::link(target, path))
        qFatal("cannot link %s", qPrintable(path));
}

QStringList listed(QComboBox* ports, const QString& folder)
{
    QStringList names;
    for (int i = 0; i < ports->count(); ++i)
        if (ports->itemText(i).startsWith(folder))
            names << ports->itemText(i).mid(folder.size() + 1);
    return names;
}
} // namespace

class HardwareTest : public QObject
{
    Q_OBJECT

private slots:
    void portListFollowsTheFolderWithoutBeingOpened_data();
    void portListFollowsTheFolderWithoutBeingOpened();
    void portsOfAFolderMadeLaterAreFollowed();
    void sameDeviceIsTheOneThatSaysSo_data();
    void sameDeviceIsTheOneThatSaysSo();
    void returningReceiverIsReconnectedAtItsRate_data();
    void returningReceiverIsReconnectedAtItsRate();
    void longValuesShowTheirStart_data();
    void longValuesShowTheirStart();
    void longNamesAreElidedAndWholeOnHover_data();
    void longNamesAreElidedAndWholeOnHover();
};

void HardwareTest::portListFollowsTheFolderWithoutBeingOpened_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stillChosen"); // empty: the first entry
    QTest::newRow("plugged-in") << QStringList{} << QStringList{"ttyUSB0"} << ""
                                << "/dev/null";
    QTest::newRow("chosen-unplugged") << QStringList{"ttyUSB0"} << QStringList{} << "ttyUSB0"
                                      << "";
    QTest::newRow("other-unplugged")
        << QStringList{"ttyUSB0", "ttyUSB1"} << QStringList{"ttyUSB1"} << "ttyUSB1"
        << "ttyUSB1";
}

void HardwareTest::portListFollowsTheFolderWithoutBeingOpened()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, chosen);
    QFETCH(QString, stillChosen);
    PseudoTerminal line;
    QTemporaryDir folder;
    const QString dev = folder.path();
    qputenv("ZR415_EXTRA_PORTS",
            ("/dev/null:" + dev + "/ttyUSB0:" + dev + "/ttyUSB1").toLocal8Bit());
    for (const QString& name : before)
        relink(dev + "/" + name, line.devicePath());
    TempSettings settings;
    DlgZR415 page(nullptr);
    auto* ports = part<QComboBox>(page, "portCombo");
    ports->setCurrentText(chosen.isEmpty() ? QStringLiteral("/dev/null") : dev + "/" + chosen);

    for (const QString& name : before + after)
        relink(dev + "/" + name, after.contains(name) ? line.devicePath() : QString());
    QTRY_COMPARE_WITH_TIMEOUT(listed(ports, dev), after, 1000);
    QVERIFY(!ports->view()->isVisible());
    if (stillChosen.isEmpty())
        QCOMPARE(ports->currentIndex(), 0);
    else
        QVERIFY(ports->currentText().endsWith(stillChosen));
}

void HardwareTest::portsOfAFolderMadeLaterAreFollowed()
{
    PseudoTerminal line;
    QTemporaryDir folder;
    const QString later = folder.filePath(QStringLiteral("later"));
    const QString early = folder.filePath(QStringLiteral("ttyEARLY"));
    const QString port = later + QStringLiteral("/ttyLATE");
    qputenv("ZR415_EXTRA_PORTS", (early + ":" + port).toLocal8Bit());
    PortWatcher watcher;
    // The folder and a port beside it at once: the change is seen, and the new folder from then.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("later")));
    relink(early, line.devicePath());
    QTRY_VERIFY(std::count(watcher.ports().begin(), watcher.ports().end(), early.toStdString()));
    relink(port, line.devicePath());
    QTRY_VERIFY(std::count(watcher.ports().begin(), watcher.ports().end(), port.toStdString()));
}

void HardwareTest::sameDeviceIsTheOneThatSaysSo_data()
{
    QTest::addColumn<QStringList>("lost"); // path, by-id name, USB serial number
    QTest::addColumn<QStringList>("back");
    QTest::addColumn<bool>("same");
    const QString if00 = QStringLiteral("/dev/serial/by-id/usb-FTDI_Quad_FT4ABC-if00-port0");
    const QString if01 = QStringLiteral("/dev/serial/by-id/usb-FTDI_Quad_FT4ABC-if01-port0");
    QTest::newRow("other-port-of-one-adapter")
        << QStringList{"/dev/ttyUSB1", if01, "FT4ABC"}
        << QStringList{"/dev/ttyUSB0", if00, "FT4ABC"} << false;
    QTest::newRow("same-port-of-one-adapter-renumbered")
        << QStringList{"/dev/ttyUSB1", if01, "FT4ABC"}
        << QStringList{"/dev/ttyUSB0", if01, "FT4ABC"} << true;
    QTest::newRow("same-usb-serial-no-by-id")
        << QStringList{"/dev/ttyUSB1", "", "A1"} << QStringList{"/dev/ttyUSB0", "", "A1"} << true;
    QTest::newRow("other-usb-serial-same-path")
        << QStringList{"/dev/ttyUSB0", "", "A1"} << QStringList{"/dev/ttyUSB0", "", "B2"} << false;
    QTest::newRow("nameless-device-under-the-lost-path")
        << QStringList{"/dev/ttyUSB0", if00, ""} << QStringList{"/dev/ttyUSB0", "", ""} << false;
    QTest::newRow("named-device-under-a-nameless-lost-path")
        << QStringList{"/dev/ttyUSB0", "", ""} << QStringList{"/dev/ttyUSB0", if00, ""} << false;
    QTest::newRow("neither-says-same-path")
        << QStringList{"/dev/ttyS0", "", ""} << QStringList{"/dev/ttyS0", "", ""} << true;
    QTest::newRow("neither-says-other-path")
        << QStringList{"/dev/ttyS0", "", ""} << QStringList{"/dev/ttyS1", "", ""} << false;
}

void HardwareTest::sameDeviceIsTheOneThatSaysSo()
{
    QFETCH(QStringList, lost);
    QFETCH(QStringList, back);
    QFETCH(bool, same);
    const auto port = [](const QStringList& fields) {
        PortDetails details;
        details.path = fields[0];
        details.byId = fields[1];
        details.serialNumber = fields[2];
        return details;
    };
    QCOMPARE(port(back).sameDeviceAs(port(lost)), same);
}

void HardwareTest::returningReceiverIsReconnectedAtItsRate_data()
{
    QTest::addColumn<bool>("stableLink");
    QTest::addColumn<bool>("breakWhileWaiting");
    QTest::addColumn<bool>("anotherDevice"); // a device of another by-id name takes the old path
    QTest::newRow("same-path") << false << false << false;
    QTest::newRow("by-id-link-moves-to-a-new-device") << true << false << false;
    QTest::newRow("disconnect-ends-the-wait") << false << true << false;
    QTest::newRow("another-device-under-the-old-name") << false << false << true;
    QTest::newRow("another-device-under-a-new-name") << true << false << true;
}

void HardwareTest::returningReceiverIsReconnectedAtItsRate()
{
    QFETCH(bool, stableLink);
    QFETCH(bool, breakWhileWaiting);
    QFETCH(bool, anotherDevice);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("by-id")));
    const QString first = folder.filePath(QStringLiteral("ttyUSB0"));
    const QString moved = stableLink ? folder.filePath(QStringLiteral("ttyUSB1")) : first;
    const QString byId = folder.filePath(QStringLiteral("by-id/usb-Corvane_ZR415-if00"));
    qputenv("ZR415_EXTRA_PORTS", (first + ":" + moved + ":" + byId).toLocal8Bit());
    // The first receiver never answers: what it was asked when it went is left unanswered.
    auto receiver = std::make_unique<SimulatorProcess>(QStringList{"--silent"});
    relink(first, receiver->devicePath());
    relink(byId, first);
    TempSettings settings;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    choose(page, first, QStringLiteral("115200"));
    click(page, "connectButton");
    QVERIFY(linkShownOpen(page));
    QVERIFY(part<QComboBox>(page, "portCombo")->toolTip().contains(byId));
    click(page, "queryButton");

    // The warning box stays up while the receiver is replugged and reconnected.
    QString statusWhileLost;
    qint64 reconnectMs = -1;
    OperatorPrompt::setResponder([&](const PromptRequest&) {
        statusWhileLost = status(page);
        if (breakWhileWaiting)
            click(page, "breakButton");
        receiver = std::make_unique<SimulatorProcess>(
            QStringList{"--serial", "ZR415-0002", "--baud", "115200"});
        QElapsedTimer back;
        back.start();
        relink(moved, receiver->devicePath());
        relink(anotherDevice ? folder.filePath(QStringLiteral("by-id/usb-Other_GPS-if00")) : byId,
               moved);
        if (QTest::qWaitFor([&page] { return linkShownOpen(page); }, 3000))
            reconnectMs = back.elapsed();
        return 0;
    });
    receiver.reset();
    relink(first, {});
    relink(byId, {});

    QTRY_VERIFY(!statusWhileLost.isEmpty());
    QVERIFY2(statusWhileLost.contains(QStringLiteral("条无应答；等待接收机重新接入…")),
             qPrintable(statusWhileLost));
    if (breakWhileWaiting || anotherDevice) {
        QCOMPARE(reconnectMs, -1);
        QVERIFY(breakWhileWaiting ? linkShownClosed(page) : linkShownWaiting(page));
        // Saved while waiting, the port is the one waited for, whatever the box shows now.
        if (anotherDevice && stableLink) {
            click(page, "saveButton");
            QVERIFY2(settings.fileContent().contains("portNum=" + first.toUtf8() + "\n"),
                     settings.fileContent().constData());
        }
        return;
    }
    QVERIFY2(reconnectMs >= 0 && reconnectMs < 1000, qPrintable(QString::number(reconnectMs)));
    // It is told once the receiver has said who it is; never asked before, it must be checked.
    QTRY_COMPARE_WITH_TIMEOUT(
        status(page),
        moved +
            QStringLiteral(" 115200 已重新连接：机身号 ZR415-0002（断开前未查询机身号，请确认）"),
        3000);
    QCOMPARE(part<QComboBox>(page, "portCombo")->currentText(), moved);
    // The new receiver answers at 115200 only.
    click(page, "queryButton");
    QTRY_COMPARE_WITH_TIMEOUT(shownValues(page).value(0), QStringLiteral("SN=ZR415-0002"), 5000);
}

// A tooltip as the operator reads it: Qt shows text that looks like markup as rich text.
static QString hoverText(const QString& toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

void HardwareTest::longValuesShowTheirStart_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("sentence"); // empty: the serial number
    QTest::addColumn<QString>("value");
    QTest::newRow("serial-number")
        << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,R415-DEMO-0001*00\r\n") << ""
        << "R415-DEMO-0001";
    // Shown as sent, in the field and on hover: markup from the device is no markup.
    QTest::newRow("markup-in-serial-number")
        << QByteArray("@X,,GET,DEVICE.INFO.SN,OK,<font size=7 color=red>ERR</font>*00\r\n") << ""
        << "<font size=7 color=red>ERR</font>";
    QTest::newRow("output-rate") << QByteArray("@X,,GET,GNSS.NMEA.GGA,OK,0.050000000*00\r\n")
                                 << "GGA"
                                 << "0.050000000";
}

void HardwareTest::longValuesShowTheirStart()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, sentence);
    QFETCH(QString, value);
    TempSettings settings;
    DlgZR415 page(nullptr);
    receive(page, reply);
    auto* field = sentence.isEmpty()
                      ? part<QLineEdit>(page, "bodyNumEdit")
                      : page.queryRowMap().at(sentence.toStdString())->findChild<QLineEdit*>();
    QCOMPARE(field->text(), value);
    QCOMPARE(field->cursorPosition(), 0);
    QCOMPARE(hoverText(field->toolTip()), value);
}

void HardwareTest::longNamesAreElidedAndWholeOnHover_data()
{
    QTest::addColumn<bool>("portBox");
    QTest::newRow("status") << false;
    QTest::newRow("port-box") << true;
}

void HardwareTest::longNamesAreElidedAndWholeOnHover()
{
    QFETCH(bool, portBox);
    const QString name = QStringLiteral("receiver-on-the-far-end-of-the-bench-ttyUSB7");
    FakePorts fake({name});
    qputenv("ZR415_EXTRA_PORTS", name.toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    choose(page, name);
    // A plain file is no serial port: the status tells so at length.
    click(page, "connectButton");
    const QString whole = portBox ? name : status(page);
    const QString shown = portBox ? part<PortComboBox>(page, "portCombo")->shownText()
                                  : part<ElidedLabel>(page, "statusLabel")->shownText();
    const QString hover = portBox ? part<QComboBox>(page, "portCombo")->toolTip()
                                  : part<QLabel>(page, "statusLabel")->toolTip();
    QVERIFY2(shown.size() < whole.size() && shown.contains(QChar(0x2026)), qPrintable(shown));
    // A port box shows the end of the name, where device names differ.
    QVERIFY(portBox ? whole.endsWith(shown.mid(1)) : whole.startsWith(shown.chopped(1)));
    QCOMPARE(portBox ? hover : hoverText(hover), whole);
}

QTEST_MAIN(HardwareTest)
#include "tst_hardware.moc"
