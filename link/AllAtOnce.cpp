#include "AllAtOnce.h"

AllAtOnce::AllAtOnce(Writer writer, int wait, QObject* parent)
    : QObject(parent), write(std::move(writer)), waitMs(wait)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &AllAtOnce::timedOut);
}

int AllAtOnce::send(const std::vector<std::string>& sentences)
{
    timer.stop();
    commands.clear();
    int written = 0;
    for (const std::string& sentence : sentences) {
        const bool ok = write(sentence);
        commands.add(sentence, ok);
        written += ok ? 1 : 0;
    }
    if (written > 0)
        timer.start(waitMs);
    return written;
}

void AllAtOnce::acknowledge(const std::vector<ReplyAcknowledgement>& answers)
{
    bool changed = false;
    for (const ReplyAcknowledgement& answer : answers)
        changed = commands.acknowledge(answer.verb, answer.key, answer.ok) || changed;
    if (changed && commands.settled()) {
        timer.stop();
        emit settled();
    }
}

void AllAtOnce::abandon()
{
    timer.stop();
    commands.giveUp();
}

void AllAtOnce::timedOut()
{
    commands.giveUp();
    emit settled();
}
