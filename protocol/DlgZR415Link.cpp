// The serial connection of the settings page: the port and baud-rate lists, connect and
// disconnect, and a link that breaks while open.
#include "DlgZR415.h"

#include "IDictionary.h"
#include "ILogger.h"
#include "IReaderWriter.h"
#include "IStreamExtractor.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
#include "TextFunctions.h"

#include <QComboBox>
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
    const std::string portText = portCombo->currentText().toStdString();
    // "COM12" gives 12; names that carry no number after three characters give 0.
    const int portNumber = portText.size() > 3 ? text_to_int(portText.c_str() + 3) : 0;
    dic_set_value(linkDictionary, "type", "%s", "SerialPort");
    dic_set_value(linkDictionary, "portNum", "%d", portNumber);
    dic_set_value(linkDictionary, "baudrate", "%s", baudCombo->currentText().toStdString().c_str());
    dic_set_value(linkDictionary, "portName", "%s",
                  portNames[static_cast<std::size_t>(index)].c_str());

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
        warnOperator(OperatorMessages::openFailed(
            portCombo->currentText(),
            OperatorMessages::linkReason(readerWriter->last_error_kind(),
                                         QString::fromUtf8(readerWriter->last_error()))));
        return;
    }
    linkOpen = true;
    openPortText = portCombo->currentText();
    showLinkState();
    showStatus(OperatorMessages::linkOpen(openPortText, baudCombo->currentText()), false);
}

void DlgZR415::_break()
{
    readerWriter->set_link_lost_handler(nullptr);
    readerWriter->set_write_failed_handler(nullptr);
    readerWriter->close(linkDictionary, this);
    abandonOutcomes();
    linkOpen = false;
    showLinkState();
    showStatus(OperatorMessages::linkClosed(), false);
}

void DlgZR415::refreshPortList()
{
    const QString chosen = portCombo->currentText();
    std::vector<std::string> present;
    enum_serl_port(present);
    if (present == portNames)
        return;
    portNames = present;
    logPortList(portNames);
    const QSignalBlocker quiet(portCombo);
    portCombo->clear();
    for (const std::string& name : portNames)
        portCombo->addItem(tr(name.c_str()));
    // The chosen entry stays chosen while it is there; otherwise the first one is.
    const int index = portCombo->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    portCombo->setCurrentIndex(index >= 0 ? index : (portNames.empty() ? -1 : 0));
    portCombo->setToolTip(portCombo->currentText());
}

void DlgZR415::showLinkState()
{
    connectButton->setEnabled(!linkOpen);
    breakButton->setEnabled(linkOpen);
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
    abandonOutcomes();
    linkOpen = false;
    showLinkState();
    // Told from the event loop, not from inside the port's own error signal.
    const QString message = OperatorMessages::linkLost(
        openPortText, OperatorMessages::linkReason(readerWriter->last_error_kind(), reason));
    QTimer::singleShot(0, this, [this, message] { warnOperator(message); });
}

void DlgZR415::warnOperator(const QString& message)
{
    log_entry("%s", message.toUtf8().constData());
    showStatus(message, true);
    OperatorPrompt::withButtons(this, QMessageBox::Warning, OperatorMessages::notice(), message,
                                {OperatorMessages::ok()}, 0, -1);
}

void DlgZR415::showStatus(const QString& text, bool problem)
{
    statusLabel->setText(text);
    statusLabel->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}
