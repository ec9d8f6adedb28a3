#pragma once

#include "IMessanger.h"

#include <QWidget>

#include <map>
#include <string>
#include <vector>

class IDictionary;
class IReaderWriter;
class IStreamExtractor;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QueryWidget;
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

    const std::map<std::string, SetWidget*>& outputRows() const { return setRows; }
    const std::map<std::string, QueryWidget*>& queryRowMap() const { return queryRows; }

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

    // Formats one command sentence and hands it to the link; false when it was not sent.
    bool sendSentence(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void reportSent(int sent, int unsent);
    void showLinkState();
    void linkLost(const QString& reason);
    void showStatus(const QString& text, bool problem);
    // Logs the message, shows it as the status and in a warning box.
    void warnOperator(const QString& message);

    std::vector<std::string> portNames;
    std::map<std::string, SetWidget*> setRows;
    std::map<std::string, QueryWidget*> queryRows;
    QGroupBox* serialGroup = nullptr;
    QLabel* portLabel = nullptr;
    QLabel* baudLabel = nullptr;
    QComboBox* portCombo = nullptr;
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
    QLineEdit* bodyNumEdit = nullptr;
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
};
