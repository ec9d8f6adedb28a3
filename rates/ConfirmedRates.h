#pragma once

#include "StreamExtractor.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <map>

// The output rate of each sentence as the receiver last confirmed it: the value of a SET it
// acknowledged with OK, or its answer to a GET. Fed the commands written and the chunks received,
// in the order they crossed the link; knows no widgets.
class ConfirmedRates
{
public:
    struct Setting
    {
        QString rate;      // as sent ("0.2", "OFF"); empty when not known
        qint64 since = -1; // when the receiver confirmed it, on the caller's clock
    };

    // SETs still waiting for their answer beyond this many are forgotten, oldest first.
    static constexpr std::size_t maxWaiting = 64;

    void addCommand(const QByteArray& sentence);
    void addReceived(const QByteArray& chunk, qint64 at);
    Setting setting(const QString& sentence) const;
    // Forgets every setting and every SET still waiting: a new link, maybe another receiver.
    void reset();

private:
    void confirm(const QString& sentence, const QString& rate, qint64 at);

    struct Waiting
    {
        QString key;
        QString value;
    };
    std::deque<Waiting> waiting;
    std::map<QString, Setting> settings;
    StreamExtractor replies{'@', ',', '\r'};
};
