#pragma once

#include <QObject>

#include <csignal>
#include <vector>

class QSocketNotifier;

// Turns stop signals (SIGINT by default) into a signal on the event loop: the handler only
// writes a byte to a pipe, and the loop reads it like any other input.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(std::vector<int> signalNumbers = {SIGINT}, QObject* parent = nullptr);
    ~InterruptWatcher() override;

    bool isInterrupted() const { return seen; }

signals:
    void interrupted();

private:
    void drain();

    std::vector<int> watched;
    QSocketNotifier* notifier = nullptr;
    bool seen = false;
};
