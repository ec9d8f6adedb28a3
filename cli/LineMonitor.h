#pragma once

#include "RateMeter.h"
#include "ReceiverLink.h"
#include "ReceiverStatus.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>

// Listens to a unit until stopped: prints every line it sends with the UTC time it arrived, or,
// measuring, only feeds the rate meter, or prints the receiver's status once a second. The line
// is the link engine's.
class LineMonitor : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        Lines,
        Rates,
        Status,    // one line a second
        StatusJson // gpsd's stream: its objects, one a line, once per receiver epoch
    };

    LineMonitor(std::FILE* out, QObject* parent = nullptr, Mode mode = Mode::Lines);

    // False, with error, when the port cannot be opened at baud.
    bool start(const QString& portName, unsigned baud, double seconds, QString& error);
    void stop();
    // Why the line ended by itself (lost); empty when it was stopped.
    const QString& failure() const { return lostReason; }
    // The errno of a failed write to out; EPIPE when its reader went away.
    int outputError() const { return writeError; }
    const RateMeter& meter() const { return rates; }
    // The line, for whoever also records what it carries.
    const ReceiverLink& link() const { return line; }
    // Milliseconds between start and the end.
    qint64 listenedMs() const { return endedAt - startedAt; }

signals:
    void finished();

private:
    void received(const QByteArray& bytes);
    void print(QByteArray line);
    void end();
    void lineLost(LinkError kind, const QString& text);
    void printStatus();
    void printEpoch();
    void write(const QByteArray& text);

    std::FILE* out;
    Mode mode;
    ReceiverLink line;
    RateMeter rates;
    ReceiverStatus status;
    QTimer deadline;
    QTimer statusTick;
    QString portName;
    qint64 lastStatusAt = -1;
    quint64 skyReported = 0;     // the sky's changes when it was last printed
    qint64 headingReported = -1; // the arrival of the heading last printed
    QByteArray partial;
    QString lostReason;
    int writeError = 0;
    // Bytes before the first line end or sentence head are the tail of a line cut off by the
    // start: a reader of the first line must get a whole one.
    bool atLineStart = false;
    qint64 startedAt = 0;
    qint64 endedAt = 0;
};
