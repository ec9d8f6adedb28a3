// The command actions of the settings page: submit, query and factory reset, and what the
// receiver answered to them.
#include "DlgZR415.h"

#include "AllAtOnce.h"
#include "CommandSentences.h"
#include "IIniParameter.h"
#include "IReaderWriter.h"
#include "LinkTraffic.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"

#include <cstring>

bool DlgZR415::writeSentence(const std::string& sentence)
{
    const char* text = sentence.c_str();
    const bool written =
        readerWriter->write(linkDictionary, text, static_cast<int>(std::strlen(text)));
    if (written)
        emit trafficTap->commandWritten(QByteArray(text));
    return written;
}

const CommandOutcomes& DlgZR415::lastOutcomes() const
{
    return exchange->outcomes();
}

void DlgZR415::sendCommands(const std::vector<std::string>& sentences)
{
    const int written = exchange->send(sentences);
    const int unsent = static_cast<int>(sentences.size()) - written;
    if (unsent > 0 && written == 0)
        showStatus(OperatorMessages::notSent(unsent), true);
    else if (written > 0)
        showStatus(OperatorMessages::sent(written), false);
}

void DlgZR415::acknowledge(const std::vector<ReplyAcknowledgement>& answers)
{
    exchange->acknowledge(answers);
}

void DlgZR415::writeFailed()
{
    exchange->writeFailed();
}

void DlgZR415::abandonOutcomes()
{
    // The link is gone: what still waits will not be answered. The link's own message stays on
    // the status line.
    exchange->abandon();
}

void DlgZR415::reportOutcomes()
{
    const CommandOutcomes& outcomes = exchange->outcomes();
    if (outcomes.empty())
        return;
    showStatus(OperatorMessages::outcomes(outcomes), outcomes.outcome() != LinkOutcome::Ok);
}

void DlgZR415::_submit()
{
    storeSetSettings();
    sendCommands(CommandSentences::forSubmit(get_system_ini_parameter()->dictionary()));
}

void DlgZR415::_query()
{
    storeQuerySettings();
    sendCommands(CommandSentences::forQuery(get_system_ini_parameter()->dictionary()));
}

void DlgZR415::_factorySet()
{
    const std::string sentence = CommandSentences::factoryReset();
    const QMessageBox::StandardButton answer = OperatorPrompt::withStandardButtons(
        this, QMessageBox::Information, OperatorMessages::notice(),
        OperatorMessages::confirmFactoryReset(), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        sendCommands({sentence});
}
