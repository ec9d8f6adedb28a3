#pragma once

#include "IMessanger.h"
#include "PortDetails.h"
#include "ReplyReader.h"

#include <QWidget>

#include <map>
#include <string>
#include <vector>

class AllAtOnce;
class CommandOutcomes;
class IDictionary;
class LinkTraffic;
class PortComboBox;
class PortWatcher;
class SerialNumberCheck;
class IReaderWriter;
class IStreamExtractor;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QueryWidget;
class ValueField;
class SetWidget;

Q_DECLARE_INTERFACE(IMessanger, "IMessanger")

// The receiver settings page: serial link, NMEA outputs and options, queries, and the settings
// file. Received data arrives through log().
class DlgZR415 : public QWidget, public IMessanger
{
    Q_OBJECT
    Q_INTERFACES(IMessanger)

public:
    explicit DlgZR415(QWidget* parent);
    ~DlgZR415() override;

    int log(const char* text) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

public:
    const std::map<std::string, SetWidget*>& outputRows() const { return setRows; }
    const std::map<std::string, QueryWidget*>& queryRowMap() const { return queryRows; }
    // What became of the commands of the last submit, query or factory reset.
    const CommandOutcomes& lastOutcomes() const;
    // How long a command waits for the receiver's answer.
    static constexpr int answerWaitMs = 2000;
    // Each command sentence handed to the link and each chunk received.
    LinkTraffic* traffic() const { return trafficTap; }

private slots:
    void _submit();
    void _query();
    void _factorySet();
    void _connect();
    void _save();
    void _break();

private:
    void buildWidgets();
    void buildLayouts();

    void loadSettings();
    void storeSetSettings();
    void storeQuerySettings();
    void fillPortList(IDictionary* settings);
    void fillBaudList(IDictionary* settings);

    // Hands each sentence to the link and waits for the receiver's answers to them.
    void sendCommands(const std::vector<std::string>& sentences);
    // Hands one sentence to the link; false when it was not sent.
    bool writeSentence(const std::string& sentence);
    void acknowledge(const std::vector<ReplyAcknowledgement>& answers);
    void reportOutcomes();
    void refreshPortList();
    // Shows the ports present now; the chosen entry stays chosen while it is there.
    void showPorts(const std::vector<std::string>& present);
    // Opens the port of the list entry at index at baud; false (the link closed) when it could
    // not be opened.
    bool openLink(int index, const QString& baud, bool reopening = false);
    // The ports changed: the list follows, and a receiver waited for is connected again.
    void followPorts();
    void reconnect();
    // What the receiver that came back said of its serial number.
    void returnedAs(const QByteArray& serial);
    void returnedUnconfirmed();
    // The wait for a lost receiver is over: its warning goes, 连接 may be the default again.
    void endWait();
    // Every serial number answer of this link, whatever asked for it.
    void serialNumberAnswered(const QByteArray& serial);
    void showLinkState();
    // While a lost receiver is waited for and its port is gone, the box shows that port.
    void showWaitedPort();
    void linkLost(const QString& reason);
    void writeFailed();
    void abandonOutcomes();
    void showStatus(const QString& text, bool problem);
    // Logs the message, shows it as the status and in a warning box.
    void warnOperator(const QString& message);
    void warnOperator(const QString& message, const QString& statusText);

    std::vector<std::string> portNames;
    std::map<std::string, SetWidget*> setRows;
    std::map<std::string, QueryWidget*> queryRows;
    QGroupBox* serialGroup = nullptr;
    QLabel* portLabel = nullptr;
    QLabel* baudLabel = nullptr;
    PortComboBox* portCombo = nullptr;
    QComboBox* baudCombo = nullptr;
    QPushButton* connectButton = nullptr;
    QPushButton* breakButton = nullptr;
    QGroupBox* settingGroup = nullptr;
    QCheckBox* cleanCheck = nullptr;
    QCheckBox* sbasCheck = nullptr;
    QPushButton* submitButton = nullptr;
    QPushButton* factoryButton = nullptr;
    QGroupBox* queryGroup = nullptr;
    QCheckBox* bodyNumCheck = nullptr;
    ValueField* bodyNumEdit = nullptr;
    QPushButton* queryButton = nullptr;
    QPushButton* saveButton = nullptr;
    QCheckBox* hdtPrefixCheck = nullptr;
    QComboBox* hdtPrefixCombo = nullptr;
    IReaderWriter* readerWriter = nullptr;
    IDictionary* linkDictionary = nullptr;
    IStreamExtractor* extractor = nullptr;

    // Beyond the page as first drawn: the link state and what became of the last action,
    // at the left of the save row.
    QLabel* statusLabel = nullptr;
    bool linkOpen = false;
    QString openPortText;
    AllAtOnce* exchange = nullptr;
    LinkTraffic* trafficTap = nullptr;

    // Following the hardware: the port list as it changes, and the device of a lost link,
    // waited for until it comes back (at the rate it had) or 断开 is pressed.
    PortWatcher* portWatcher = nullptr;
    PortDetails openPort;
    QString openBaud;
    bool waitingForReturn = false;
    QString lossMessage; // the warning shown while waiting
    bool connectWasAutoDefault = false;
    // The receiver's serial number as this link learned it, and the one a receiver coming back
    // must repeat: the lost link's, or, where that link never learned one because it took the
    // receiver back unconfirmed, the one before.
    QByteArray knownSerial;
    QByteArray awaitedSerial;
    SerialNumberCheck* returnCheck = nullptr;
    bool checkingReturn = false; // reopened, and its serial number not yet settled
    // Links opened so far: the query fields tell this link's answers from earlier ones'.
    int linkNumber = 0;
    // The query fields: the serial number and each output's rate.
    QList<ValueField*> answerFields() const;
};
