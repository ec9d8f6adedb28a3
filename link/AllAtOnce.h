#pragma once

#include "CommandOutcomes.h"
#include "ReplyReader.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// Sends every sentence of an action in its order, then waits once for all the answers: the
// window's 提交, 查询 and 恢复出厂设置.
class AllAtOnce : public QObject
{
    Q_OBJECT

public:
    using Writer = std::function<bool(const std::string& sentence)>;
    AllAtOnce(Writer writer, int waitMs, QObject* parent = nullptr);

    // Forgets the last action; returns how many sentences were written.
    int send(const std::vector<std::string>& sentences);
    void acknowledge(const std::vector<ReplyAcknowledgement>& answers);
    // Bytes already accepted were lost on the way.
    void writeFailed() { commands.writeFailed(); }
    // The line is gone: what still waits counts as unanswered, and nothing is reported.
    void abandon();
    const CommandOutcomes& outcomes() const { return commands; }

signals:
    // Every command is answered, or the wait is over.
    void settled();

private:
    void timedOut();

    Writer write;
    int waitMs;
    CommandOutcomes commands;
    QTimer timer;
};
