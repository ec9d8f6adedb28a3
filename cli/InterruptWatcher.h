#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT into a signal on the event loop: the handler only writes a byte to a pipe, and
// the loop reads it like any other input.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

    bool isInterrupted() const { return seen; }

signals:
    void interrupted();

private:
    void drain();

    QSocketNotifier* notifier = nullptr;
    bool seen = false;
};
