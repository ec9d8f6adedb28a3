// The command actions of the settings page: submit, query and factory reset.
#include "DlgZR415.h"

#include "IDictionary.h"
#include "IIniParameter.h"
#include "IReaderWriter.h"
#include "NmeaList.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
#include "ScopedFormatter.h"
#include "SetWidget.h"

#include <QComboBox>
#include <cstring>

bool DlgZR415::sendSentence(const char* format, ...)
{
    ScopedFormatter formatter(300);
    va_list args;
    va_start(args, format);
    os_vprintf(formatter.get(), format, args);
    va_end(args);
    const char* text = formatter.text();
    return readerWriter->write(linkDictionary, text, static_cast<int>(std::strlen(text)));
}

void DlgZR415::reportSent(int sent, int unsent)
{
    if (unsent > 0)
        showStatus(OperatorMessages::notSent(unsent), true);
    else if (sent > 0)
        showStatus(OperatorMessages::sent(sent), false);
}

void DlgZR415::_submit()
{
    storeSetSettings();
    int sent = 0;
    int unsent = 0;
    auto count = [&](bool ok) { ++(ok ? sent : unsent); };

    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        SetWidget* row = setRows.at(name);
        if (row->isChecked() == 1)
            count(sendSentence("#KVT,,SET,GNSS.NMEA.%s,%s\r\n", name.c_str(),
                               row->currentText().toStdString().c_str()));
    }
    SetWidget* allRow = setRows.at(nmeaList[nmeaSentenceCount].toStdString());
    if (allRow->isChecked() == 1)
        count(sendSentence("#KVT,,SET,GNSS.NMEA.ALL,%s\r\n",
                           allRow->currentText().toStdString().c_str()));

    IDictionary* settings = get_system_ini_parameter()->dictionary();
    if (dic_get_int(settings, "sbas", "0") == 1)
        count(sendSentence("#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL\r\n"));
    else
        count(sendSentence("#KVT,,SET,GNSS.SATELLITE.UNTRACK.SBAS,ALL\r\n"));
    if (dic_get_int(settings, "clean", "0") == 1)
        count(sendSentence("#KVT,,SET,GNSS.CLEAN_SATELLITE\r\n"));
    if (dic_get_int(settings, "useHdtPrefix", "0") != 0)
        count(sendSentence("#KVT,,SET,GNSS.NMEATALKER.HDT,%s\r\n",
                           hdtPrefixCombo->currentText().toStdString().c_str()));
    reportSent(sent, unsent);
}

void DlgZR415::_query()
{
    storeQuerySettings();
    int sent = 0;
    int unsent = 0;
    auto count = [&](bool ok) { ++(ok ? sent : unsent); };

    IDictionary* settings = get_system_ini_parameter()->dictionary();
    if (dic_get_int(settings, "bodyNum", "0") == 1)
        count(sendSentence("#KVT,,GET,DEVICE.INFO.SN\r\n"));
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        if (dic_get_int(settings, ScopedFormatter::once("query%s", name.c_str()).c_str(), "0") != 0)
            count(sendSentence("#KVT,,GET,GNSS.NMEA.%s\r\n", name.c_str()));
    }
    reportSent(sent, unsent);
}

void DlgZR415::_factorySet()
{
    ScopedFormatter formatter(300);
    const char* text = formatter.format("#KVT,,SET,DEVICE.RECOVER\r\n");
    const QMessageBox::StandardButton answer = OperatorPrompt::withStandardButtons(
        this, QMessageBox::Information, OperatorMessages::notice(),
        OperatorMessages::confirmFactoryReset(), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    const bool sent =
        readerWriter->write(linkDictionary, text, static_cast<int>(std::strlen(text)));
    reportSent(sent ? 1 : 0, sent ? 0 : 1);
}
