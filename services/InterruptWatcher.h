#pragma once

#include <QObject>

#include <csignal>
#include <vector>

class QSocketNotifier;

// Turns stop signals (SIGINT by default) into a signal on the event loop: the handler only
// writes the signal's number to this watcher's pipe, and the loop reads it like any other input.
// The handlers that were there before come back when the watcher ends.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(std::vector<int> signalNumbers = {SIGINT}, QObject* parent = nullptr);
    ~InterruptWatcher() override;

    bool isInterrupted() const { return caught != 0; }
    // The first stop signal that arrived; 0 before one did.
    int signalNumber() const { return caught; }

signals:
    void interrupted();

private:
    void drain();

    std::vector<int> watched;
    std::vector<struct sigaction> previous; // one per watched signal
    int pipeEnds[2] = {-1, -1};
    int outerWriteEnd = -1; // the pipe of a watcher this one stands in front of
    QSocketNotifier* notifier = nullptr;
    int caught = 0;
};
