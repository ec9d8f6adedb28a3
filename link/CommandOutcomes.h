#pragma once

#include "LinkOutcome.h"

#include <string>
#include <vector>

// What became of the commands of one action: each waits for the receiver's "@" answer with the
// same verb and key, which confirms (OK) or refuses (ERR) it. Knows no clock: the owner decides
// when the wait is over.
class CommandOutcomes
{
public:
    enum class State
    {
        Waiting,
        Confirmed,
        Refused,
        Unanswered,
        NotWritten
    };
    struct Command
    {
        std::string verb;
        std::string key;
        State state;
    };

    // Forgets the last action.
    void clear()
    {
        commands.clear();
        writeError = false;
    }
    // A sentence handed to the link; one that could not be written waits for nothing.
    void add(const std::string& sentence, bool written);
    // Settles the oldest waiting command with this verb and key; false when none waits.
    bool acknowledge(const std::string& verb, const std::string& key, bool ok);
    // The wait is over: what still waits got no answer, or, after a write error, most likely never
    // reached the receiver.
    void giveUp() { settleWaiting(writeError ? State::NotWritten : State::Unanswered); }
    // The link failed to write some of what it had queued. Which commands is not known: those
    // answered after all were delivered; the others count as not written when the wait is over.
    void writeFailed() { writeError = true; }

    bool empty() const { return commands.empty(); }
    bool settled() const { return count(State::Waiting) == 0; }
    int count(State state) const;
    // The keys of the commands in state, in sending order.
    std::vector<std::string> keys(State state) const;
    const std::vector<Command>& all() const { return commands; }
    // The worst of them: refused, unanswered (or still waiting), not written (the line failed).
    LinkOutcome outcome() const;

private:
    void settleWaiting(State state);

    std::vector<Command> commands;
    bool writeError = false;
};
