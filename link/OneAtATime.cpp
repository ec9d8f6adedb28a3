#include "OneAtATime.h"

OneAtATime::OneAtATime(Writer writer, QObject* parent) : QObject(parent), write(std::move(writer))
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &OneAtATime::timedOut);
}

bool OneAtATime::ask(const std::string& text, int wait, int tries)
{
    timer.stop();
    asked.clear();
    ++question;
    sentence = text;
    waitMs = wait;
    triesLeft = tries - 1;
    if (!write(sentence))
        return false;
    asked.add(sentence, true);
    timer.start(waitMs);
    return true;
}

void OneAtATime::acknowledge(const std::vector<ReplyAcknowledgement>& answers)
{
    for (const ReplyAcknowledgement& answer : answers) {
        if (!asked.acknowledge(answer.verb, answer.key, answer.ok))
            continue;
        timer.stop();
        asked.clear();
        ++question;
        emit answered(answer.ok, answer.value);
        return;
    }
}

void OneAtATime::cancel()
{
    timer.stop();
    asked.clear();
    ++question;
}

void OneAtATime::timedOut()
{
    if (collect) {
        const unsigned waitingFor = question;
        collect();
        if (question != waitingFor)
            return;
    }
    if (triesLeft > 0) {
        --triesLeft;
        if (!write(sentence)) {
            asked.clear();
            emit notWritten();
            return;
        }
        timer.start(waitMs);
        return;
    }
    asked.clear();
    emit unanswered();
}
