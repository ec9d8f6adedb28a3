#pragma once

#include "ReplyReader.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

// Asks a receiver that came back for its serial number, once, and waits for the answer as long
// as any command waits: whoever reopened its port learns which receiver is on the line, or that
// it could not tell.
class SerialNumberCheck : public QObject
{
    Q_OBJECT

public:
    using Writer = std::function<bool(const std::string& sentence)>;
    SerialNumberCheck(Writer writer, int waitMs, QObject* parent = nullptr);

    // Sends the question; unconfirmed follows at once when it could not be written.
    void start();
    // The line went away or the wait was ended by hand: nothing more is told.
    void cancel();
    bool running() const { return asking; }
    // Looks among answers for the serial number. An answer whose checksum is wrong (or with no
    // number in it) counts as none: the wait goes on.
    void acknowledge(const std::vector<ReplyAcknowledgement>& answers);

signals:
    void answered(const QByteArray& serial);
    // No trustworthy answer within the wait.
    void unconfirmed();

private:
    void finish();

    Writer write;
    int waitMs;
    bool asking = false;
    QTimer timer;
};
