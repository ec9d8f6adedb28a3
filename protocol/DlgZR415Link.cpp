// The serial connection of the settings page: the port and baud-rate lists, connect and
// disconnect, a link that breaks while open, and its device coming back.
#include "DlgZR415.h"

#include "CommandOutcomes.h"
#include "IDictionary.h"
#include "ILogger.h"
#include "IReaderWriter.h"
#include "IStreamExtractor.h"
#include "LinkTraffic.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
#include "PortComboBox.h"
#include "PortWatcher.h"
#include "SerialNumberCheck.h"
#include "ShownBytes.h"
#include "TextFunctions.h"
#include "ValueField.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {
void logPortList(const std::vector<std::string>& names)
{
    std::string listed;
    for (const std::string& name : names)
        listed += (listed.empty() ? "" : ", ") + name;
    log_entry("ports offered: %s", listed.c_str());
}
} // namespace

void DlgZR415::fillPortList(IDictionary* settings)
{
    enum_serl_port(portNames);
    logPortList(portNames);
    const std::string saved = dic_get_csz(settings, "portNum", "");
    for (std::size_t i = 0; i < portNames.size(); ++i) {
        portCombo->addItem(tr(portNames[i].c_str()));
        if (portNames[i] == saved)
            portCombo->setCurrentIndex(static_cast<int>(i));
    }
    portCombo->describe(PortDetails::of(portNames));
}

void DlgZR415::fillBaudList(IDictionary* settings)
{
    const QStringList rates =
        QStringLiteral("9600,14400,19200,38400,56000,57600,115200,128000,256000")
            .split(QLatin1Char(','));
    const QString saved = QString::fromStdString(dic_get_csz(settings, "baudrate", ""));
    for (const QString& rate : rates) {
        if (rate.isEmpty())
            continue;
        baudCombo->addItem(rate);
        if (rate == saved)
            baudCombo->setCurrentIndex(baudCombo->count() - 1);
    }
}

void DlgZR415::_connect()
{
    const int index = portCombo->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= portNames.size()) {
        warnOperator(OperatorMessages::noPort());
        return;
    }
    // A port chosen by hand ends the wait for the lost one.
    endWait();
    if (!openLink(index, baudCombo->currentText())) {
        showLinkState();
        warnOperator(OperatorMessages::openFailed(
            portCombo->currentText(),
            OperatorMessages::linkReason(readerWriter->last_error_kind(),
                                         QString::fromUtf8(readerWriter->last_error()))));
        return;
    }
    showStatus(OperatorMessages::linkOpen(openPortText, openBaud), false);
}

bool DlgZR415::openLink(int index, const QString& baud, bool reopening)
{
    const std::string& name = portNames[static_cast<std::size_t>(index)];
    const std::string portText = portCombo->itemText(index).toStdString();
    // "COM12" gives 12; names that carry no number after three characters give 0.
    const int portNumber = portText.size() > 3 ? text_to_int(portText.c_str() + 3) : 0;
    dic_set_value(linkDictionary, "type", "%s", "SerialPort");
    dic_set_value(linkDictionary, "portNum", "%d", portNumber);
    dic_set_value(linkDictionary, "baudrate", "%s", baud.toStdString().c_str());
    dic_set_value(linkDictionary, "portName", "%s", name.c_str());

    // A reply cut off when the last link ended must not be finished by this link's bytes.
    extractor->reset();
    QPointer<DlgZR415> page(this);
    readerWriter->set_link_lost_handler([page](const char* reason) {
        if (page)
            page->linkLost(QString::fromUtf8(reason));
    });
    readerWriter->set_write_failed_handler([page](const char*) {
        if (page)
            page->writeFailed();
    });
    if (!readerWriter->open(linkDictionary, this)) {
        readerWriter->set_link_lost_handler(nullptr);
        readerWriter->set_write_failed_handler(nullptr);
        return false;
    }
    // The link before this one, as its answers will name it.
    const QString earlier = OperatorMessages::earlierAnswer(openPortText, knownSerial);
    ++linkNumber;
    for (ValueField* field : answerFields())
        field->linkOpened(linkNumber, linkNumber - 1, earlier);
    linkOpen = true;
    openPortText = portCombo->itemText(index);
    openBaud = baud;
    // Who the device is, to know it again when it comes back under another name.
    openPort = PortDetails::of({name}).value(0);
    // Nothing is known yet of the receiver on this link; one connected by hand is not waited for.
    knownSerial.clear();
    if (!reopening)
        awaitedSerial.clear();
    showLinkState();
    emit trafficTap->linkOpened(openPortText, openBaud, reopening);
    return true;
}

void DlgZR415::_break()
{
    endWait();
    checkingReturn = false;
    returnCheck->cancel();
    readerWriter->set_link_lost_handler(nullptr);
    readerWriter->set_write_failed_handler(nullptr);
    readerWriter->close(linkDictionary, this);
    abandonOutcomes();
    // Lost before, the link already ended then.
    if (linkOpen)
        emit trafficTap->linkClosed(LinkTraffic::End::Disconnected);
    linkOpen = false;
    showLinkState();
    showStatus(OperatorMessages::linkClosed(), false);
}

void DlgZR415::refreshPortList()
{
    std::vector<std::string> present;
    enum_serl_port(present);
    showPorts(present);
}

void DlgZR415::showPorts(const std::vector<std::string>& present)
{
    if (present == portNames)
        return;
    const QString chosen = portCombo->currentText();
    portNames = present;
    logPortList(portNames);
    const QSignalBlocker quiet(portCombo);
    portCombo->clear();
    for (const std::string& name : portNames)
        portCombo->addItem(tr(name.c_str()));
    // The chosen entry stays chosen while it is there; otherwise the first one is, unless a
    // lost receiver is waited for: Enter must not connect some other port instead.
    const int index = portCombo->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    portCombo->setCurrentIndex(index >= 0 ? index : waitingForReturn || portNames.empty() ? -1 : 0);
    portCombo->describe(PortDetails::of(portNames));
    showWaitedPort();
}

void DlgZR415::showWaitedPort()
{
    if (!waitingForReturn || portCombo->currentIndex() >= 0 ||
        portCombo->findText(openPortText, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    portCombo->setAbsentPort(openPortText);
}

void DlgZR415::followPorts()
{
    showPorts(portWatcher->ports());
    if (waitingForReturn)
        reconnect();
}

void DlgZR415::reconnect()
{
    const QList<PortDetails> present = PortDetails::of(portNames);
    for (int i = 0; i < present.size(); ++i) {
        if (!present[i].sameDeviceAs(openPort))
            continue;
        // Not yet usable (udev still setting its group, say): the next change tries again.
        if (!openLink(i, openBaud, true)) {
            log_entry("reopening %s failed: %s", portNames[static_cast<std::size_t>(i)].c_str(),
                      readerWriter->last_error());
            return;
        }
        waitingForReturn = false;
        portCombo->setCurrentIndex(i);
        // Another receiver may have been plugged in under the same name: it must say who it is
        // before anything else is sent, or the next 提交 would configure it unasked.
        checkingReturn = true;
        returnCheck->start();
        return;
    }
}

void DlgZR415::returnedAs(const QByteArray& serial)
{
    if (!checkingReturn)
        return;
    checkingReturn = false;
    serialNumberAnswered(serial);
    if (awaitedSerial.isEmpty()) {
        // Nothing to compare it with: the operator must judge whether it is the lost one.
        endWait();
        const QString text = OperatorMessages::reconnectedUnasked(openPortText, openBaud, serial);
        showStatus(text, true);
        log_entry("%s", text.toUtf8().constData());
        emit trafficTap->linkNoted(text);
        return;
    }
    if (serial == awaitedSerial) {
        endWait();
        const QString text = OperatorMessages::reconnected(openPortText, openBaud);
        showStatus(text, false);
        log_entry("%s", text.toUtf8().constData());
        return;
    }
    readerWriter->set_link_lost_handler(nullptr);
    readerWriter->set_write_failed_handler(nullptr);
    readerWriter->close(linkDictionary, this);
    linkOpen = false;
    const QString reason = OperatorMessages::otherReceiver(serial, openPortText);
    emit trafficTap->linkNoted(reason);
    emit trafficTap->linkClosed(LinkTraffic::End::Disconnected);
    endWait();
    showLinkState();
    warnOperator(reason);
}

void DlgZR415::returnedUnconfirmed()
{
    if (!checkingReturn)
        return;
    checkingReturn = false;
    endWait();
    const QString text = OperatorMessages::reconnectedUnconfirmed(openPortText, openBaud);
    showStatus(text, false);
    log_entry("%s", text.toUtf8().constData());
}

void DlgZR415::serialNumberAnswered(const QByteArray& serial)
{
    knownSerial = serial;
    emit trafficTap->serialNumberKnown(QString::fromUtf8(serial));
}

void DlgZR415::endWait()
{
    waitingForReturn = false;
    connectButton->setAutoDefault(connectWasAutoDefault);
    portCombo->setAbsentPort({});
    if (portCombo->currentIndex() < 0 && !portNames.empty())
        portCombo->setCurrentIndex(0);
    if (!lossMessage.isEmpty())
        OperatorPrompt::closeShown(this, lossMessage);
    lossMessage.clear();
}

void DlgZR415::showLinkState()
{
    connectButton->setEnabled(!linkOpen);
    // While the lost device is waited for, 断开 ends the wait.
    breakButton->setEnabled(linkOpen || waitingForReturn);
    if (!linkOpen)
        showStatus(OperatorMessages::linkClosed(), false);
}

void DlgZR415::linkLost(const QString& reason)
{
    // Only an open link can be lost: what goes wrong while opening is the open's failure.
    if (!linkOpen)
        return;
    readerWriter->set_link_lost_handler(nullptr);
    readerWriter->set_write_failed_handler(nullptr);
    // Only an action cut off by the loss is told with it; one settled before is old news.
    const bool cutOff = !lastOutcomes().settled();
    abandonOutcomes();
    linkOpen = false;
    emit trafficTap->linkClosed(LinkTraffic::End::Lost);
    // Lost before it said who it is (or taken back unconfirmed): the receiver to wait for is
    // still the one last known.
    if (!knownSerial.isEmpty())
        awaitedSerial = knownSerial;
    checkingReturn = false;
    returnCheck->cancel();
    // Enter must not connect whatever port the box shows and end the wait.
    connectButton->setAutoDefault(false);
    waitingForReturn = true;
    showLinkState();
    if (portCombo->findText(openPortText, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        portCombo->setCurrentIndex(-1);
    showWaitedPort();
    const QString message = OperatorMessages::linkLost(
        openPortText, OperatorMessages::linkReason(readerWriter->last_error_kind(), reason));
    QStringList statusParts{message};
    if (cutOff)
        statusParts << OperatorMessages::outcomes(lastOutcomes());
    statusParts << OperatorMessages::waitingForReceiver();
    const QString statusText = OperatorMessages::joined(statusParts);
    showStatus(statusText, true);
    lossMessage = message;
    // Told from the event loop, not from inside the port's own error signal. The box is modal,
    // but its loop goes on following the ports: the device may come back while it is up.
    QTimer::singleShot(0, this, [this, message, statusText] {
        warnOperator(message, waitingForReturn ? statusText : QString());
    });
}

void DlgZR415::keyPressEvent(QKeyEvent* event)
{
    // A window shown makes 连接 its default button, and the window presses the default on
    // Enter: while the lost receiver is waited for, Enter must not connect some other port and
    // end the wait, so it stops here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (waitingForReturn && enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DlgZR415::warnOperator(const QString& message)
{
    warnOperator(message, message);
}

void DlgZR415::warnOperator(const QString& message, const QString& statusText)
{
    log_entry("%s", message.toUtf8().constData());
    if (!statusText.isEmpty())
        showStatus(statusText, true);
    OperatorPrompt::withButtons(this, QMessageBox::Warning, OperatorMessages::notice(), message,
                                {OperatorMessages::ok()}, 0, -1);
}

void DlgZR415::showStatus(const QString& text, bool problem)
{
    statusLabel->setText(text);
    // Elided where the row is too narrow: the whole text shows on hover.
    statusLabel->setToolTip(plainToolTip(text));
    statusLabel->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}
