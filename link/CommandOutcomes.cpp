#include "CommandOutcomes.h"

#include "CommandSentences.h"

void CommandOutcomes::add(const std::string& sentence, bool written)
{
    const CommandSentences::Command command = CommandSentences::commandOf(sentence);
    commands.push_back({command.verb, command.key, written ? State::Waiting : State::NotWritten});
}

bool CommandOutcomes::acknowledge(const std::string& verb, const std::string& key, bool ok)
{
    for (Command& command : commands) {
        if (command.state == State::Waiting && command.verb == verb && command.key == key) {
            command.state = ok ? State::Confirmed : State::Refused;
            return true;
        }
    }
    return false;
}

int CommandOutcomes::count(State state) const
{
    int n = 0;
    for (const Command& command : commands)
        n += command.state == state ? 1 : 0;
    return n;
}

std::vector<std::string> CommandOutcomes::keys(State state) const
{
    std::vector<std::string> found;
    for (const Command& command : commands)
        if (command.state == state)
            found.push_back(command.key);
    return found;
}

void CommandOutcomes::settleWaiting(State state)
{
    for (Command& command : commands)
        if (command.state == State::Waiting)
            command.state = state;
}

LinkOutcome CommandOutcomes::outcome() const
{
    LinkOutcome worst = LinkOutcome::Ok;
    for (const Command& command : commands) {
        switch (command.state) {
        case State::Confirmed:
            break;
        case State::Refused:
            worst = worseOf(worst, LinkOutcome::Rejected);
            break;
        case State::Waiting:
        case State::Unanswered:
            worst = worseOf(worst, LinkOutcome::Unanswered);
            break;
        case State::NotWritten:
            worst = worseOf(worst, LinkOutcome::Lost);
            break;
        }
    }
    return worst;
}
