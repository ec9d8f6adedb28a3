// The settings of the page: restored from the settings dictionary when the page is built,
// stored back into it before every submit and query, and written to the file by the save
// button alone.
#include "DlgZR415.h"

#include "IDictionary.h"
#include "IIniParameter.h"
#include "ILogger.h"
#include "NmeaList.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
#include "PortComboBox.h"
#include "QueryWidget.h"
#include "SetWidget.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"

#include <QCheckBox>
#include <QComboBox>

namespace {
IDictionary* settingsDictionary()
{
    return get_system_ini_parameter()->dictionary();
}
} // namespace

void DlgZR415::loadSettings()
{
    IDictionary* settings = settingsDictionary();
    fillPortList(settings);
    fillBaudList(settings);
    sbasCheck->setChecked(SettingsValues::ticked(settings, "sbas"));
    cleanCheck->setChecked(SettingsValues::ticked(settings, "clean"));
    bodyNumCheck->setChecked(SettingsValues::ticked(settings, "bodyNum"));

    for (const QString& entry : nmeaList) {
        if (entry.isEmpty())
            continue;
        const std::string name = entry.toStdString();
        SetWidget* row = setRows.at(name);
        row->setChecked(SettingsValues::ticked(settings, SettingsKeys::set(name)));
        row->setCurrentText(
            QString::fromStdString(SettingsValues::rate(settings, SettingsKeys::setCommand(name))));
    }
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        queryRows.at(name)->setChecked(SettingsValues::ticked(settings, SettingsKeys::query(name)));
    }

    hdtPrefixCombo->addItem(QStringLiteral("HE"));
    hdtPrefixCombo->addItem(QStringLiteral("GP"));
    hdtPrefixCombo->addItem(QStringLiteral("GN"));
    hdtPrefixCombo->setCurrentIndex(SettingsValues::hdtPrefix(settings));
    hdtPrefixCheck->setChecked(SettingsValues::ticked(settings, "useHdtPrefix"));
}

void DlgZR415::storeSetSettings()
{
    IDictionary* settings = settingsDictionary();
    dic_set_value(settings, "sbas", "%d", sbasCheck->isChecked() ? 1 : 0);
    dic_set_value(settings, "clean", "%d", cleanCheck->isChecked() ? 1 : 0);
    dic_set_value(settings, "hdtPrefix", "%d",
                  SettingsValues::hdtPrefix(hdtPrefixCombo->currentIndex()));
    dic_set_value(settings, "useHdtPrefix", "%d", hdtPrefixCheck->isChecked() ? 1 : 0);
    for (const QString& entry : nmeaList) {
        const std::string name = entry.toStdString();
        SetWidget* row = setRows.at(name);
        dic_set_value(settings, SettingsKeys::set(name).c_str(), "%d", row->isChecked());
        dic_set_value(settings, SettingsKeys::setCommand(name).c_str(), "%s",
                      SettingsValues::rate(row->currentText().toStdString()).c_str());
    }
}

void DlgZR415::storeQuerySettings()
{
    IDictionary* settings = settingsDictionary();
    dic_set_value(settings, "bodyNum", "%d", bodyNumCheck->isChecked() ? 1 : 0);
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        dic_set_value(settings, SettingsKeys::query(name).c_str(), "%d",
                      queryRows.at(name)->isChecked());
    }
}

void DlgZR415::_save()
{
    IDictionary* settings = settingsDictionary();
    dic_set_value(settings, "baudrate", "%s", baudCombo->currentText().toStdString().c_str());
    // While a lost receiver is waited for, the box may show another port: the operator's choice
    // is still the one waited for.
    const QString port = waitingForReturn ? openPortText : portCombo->currentText();
    dic_set_value(settings, "portNum", "%s", port.toStdString().c_str());
    storeSetSettings();
    storeQuerySettings();
    if (get_system_ini_parameter()->save(nullptr)) {
        OperatorPrompt::withButtons(this, QMessageBox::Information, tr("提示"), tr("保存成功"),
                                    {tr("确定")}, 0, -1);
        return;
    }
    // The file on disk is as it was; say so instead of claiming success. The system's own
    // words go to the log.
    IIniParameter* file = get_system_ini_parameter();
    log_entry("save failed: %s", file->error_text());
    warnOperator(OperatorMessages::saveFailed(
        OperatorMessages::saveReason(file->error_kind(), QString::fromUtf8(file->error_text()))));
}
