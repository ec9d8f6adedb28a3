// Received bytes through the engine's answer matching: the extractor, the "@" answers with
// their verb, key, OK or ERR and value, and the commands they settle. The first byte picks
// which commands wait.
#include "CommandOutcomes.h"
#include "CommandSentences.h"
#include "NullLogger.h"
#include "ReplyReader.h"
#include "StreamExtractor.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullLogger quiet;
    if (size == 0)
        return 0;
    const std::vector<std::string> candidates = {
        CommandSentences::getSerialNumber(), CommandSentences::setOutput("GGA", "1"),
        CommandSentences::getOutput("GGA"), CommandSentences::setOutput("HDT", "OFF"),
        CommandSentences::factoryReset()};
    CommandOutcomes outcomes;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (data[0] & (1u << i))
            outcomes.add(candidates[i], true);
    const std::size_t waiting = outcomes.all().size();

    StreamExtractor extractor('@', ',', '\r');
    extractor.feed(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    std::vector<ReplyAcknowledgement> answers;
    ReplyReader::drain(extractor, &answers);
    std::size_t matched = 0;
    for (const ReplyAcknowledgement& answer : answers) {
        if (answer.value.size() > 63 || answer.value.find('*') != std::string::npos)
            std::abort();
        matched += outcomes.acknowledge(answer.verb, answer.key, answer.ok) ? 1 : 0;
    }
    using State = CommandOutcomes::State;
    // Each command is settled once at most, and only by an answer.
    const int settled = outcomes.count(State::Confirmed) + outcomes.count(State::Refused);
    if (matched > waiting || static_cast<std::size_t>(settled) != matched)
        std::abort();
    outcomes.giveUp();
    if (!outcomes.settled())
        std::abort();
    const bool allConfirmed = outcomes.count(State::Confirmed) == static_cast<int>(waiting);
    if (allConfirmed != (outcomes.outcome() == LinkOutcome::Ok))
        std::abort();

    // zr415ctl's reading of the same bytes: never more answers than the window takes, since
    // it drops some and takes no status but a bare OK or ERR.
    StreamExtractor checkedExtractor('@', ',', '\r');
    checkedExtractor.feed(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    int wrong = 0;
    const std::vector<ReplyAcknowledgement> checked =
        ReplyReader::drainChecked(checkedExtractor, &wrong);
    if (checkedExtractor.has_sentence() || wrong < 0 || checked.size() > answers.size())
        std::abort();
    return 0;
}
