#pragma once

#include "CommandOutcomes.h"
#include "ReplyReader.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// Sends one sentence and waits for its answer, asking again once when none came: zr415ctl's
// way, one command after the other.
class OneAtATime : public QObject
{
    Q_OBJECT

public:
    using Writer = std::function<bool(const std::string& sentence)>;
    // Hands over what the line has received but not yet delivered.
    using Collector = std::function<void()>;
    explicit OneAtATime(Writer writer, QObject* parent = nullptr);

    // Asked when a wait ends, so an answer that arrived while the event loop was busy elsewhere
    // still counts.
    void setCollector(Collector collector) { collect = std::move(collector); }

    // False when the sentence could not be written; nothing is waited for then.
    bool ask(const std::string& sentence, int waitMs, int tries = 2);
    // Answers to anything but the sentence asked are ignored.
    void acknowledge(const std::vector<ReplyAcknowledgement>& answers);
    void cancel();

signals:
    void answered(bool ok, const std::string& value);
    void unanswered();
    // A repeated question could not be written.
    void notWritten();

private:
    void timedOut();

    Writer write;
    Collector collect;
    unsigned question = 0; // changes whenever the sentence in flight is settled or replaced
    CommandOutcomes asked; // the one sentence in flight
    std::string sentence;
    int waitMs = 0;
    int triesLeft = 0;
    QTimer timer;
};
