// The command actions of the settings page: submit, query and factory reset, and what the
// receiver answered to them.
#include "DlgZR415.h"

#include "CommandSentences.h"
#include "IIniParameter.h"
#include "IReaderWriter.h"
#include "LinkTraffic.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"

#include <QTimer>
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

void DlgZR415::sendCommands(const std::vector<std::string>& sentences)
{
    answerTimer->stop();
    outcomes.clear();
    int written = 0;
    for (const std::string& sentence : sentences) {
        const bool ok = writeSentence(sentence);
        outcomes.add(sentence, ok);
        written += ok ? 1 : 0;
    }
    const int unsent = static_cast<int>(sentences.size()) - written;
    if (unsent > 0 && written == 0)
        showStatus(OperatorMessages::notSent(unsent), true);
    else if (written > 0)
        showStatus(OperatorMessages::sent(written), false);
    if (written > 0)
        answerTimer->start(answerWaitMs);
}

void DlgZR415::acknowledge(const std::vector<ReplyAcknowledgement>& answers)
{
    bool changed = false;
    for (const ReplyAcknowledgement& answer : answers)
        changed = outcomes.acknowledge(answer.verb, answer.key, answer.ok) || changed;
    if (changed && outcomes.settled()) {
        answerTimer->stop();
        reportOutcomes();
    }
}

void DlgZR415::writeFailed()
{
    outcomes.writeFailed();
}

void DlgZR415::abandonOutcomes()
{
    // The link is gone: what still waits will not be answered. The link's own message stays on
    // the status line.
    answerTimer->stop();
    outcomes.giveUp();
}

void DlgZR415::reportOutcomes()
{
    if (outcomes.empty())
        return;
    const bool allConfirmed = outcomes.count(CommandOutcomes::State::Confirmed) ==
                              static_cast<int>(outcomes.all().size());
    showStatus(OperatorMessages::outcomes(outcomes), !allConfirmed);
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
