#pragma once

#include "StreamExtractor.h"
#include "UnitJob.h"
#include "UnitResult.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <vector>

struct ReplyAcknowledgement;
struct ReplyValue;

// One receiver from open to close, driven by the event loop: find its speed, make sure it is a
// receiver (nothing is set on a device that has not told its serial number), send each command
// and wait for its answer, read back what was set, close. Never blocks, so many run side by
// side on one thread.
class UnitSession : public QObject
{
    Q_OBJECT

public:
    UnitSession(UnitJob job, QObject* parent = nullptr);

    void start();
    // Ends the unit at once as interrupted; the port is closed.
    void interrupt();
    bool isFinished() const { return phase == Phase::Done; }
    const UnitResult& result() const { return outcome; }

signals:
    void finished(UnitSession* session);

private:
    enum class Phase
    {
        Idle,
        Probing,
        Exchanging,
        Done
    };
    struct Exchange
    {
        std::string sentence;
        std::string verb;
        std::string key;
        std::string name; // GGA … HDT for a rate read
        enum Kind
        {
            Set,
            ReadBack,
            Query
        } kind;
    };

    void probe();
    void tryNextSpeed();
    bool advanceSpeed();
    void clearInput();
    void sendExchange();
    void answered(bool ok, const std::string& value);
    void unanswered();
    void advance();
    void received();
    void failed(QSerialPort::SerialPortError error);
    void timedOut();
    bool write(const std::string& sentence);
    void finish(UnitResult::Outcome result, const QString& error = {});
    void finishWithAnswers();
    void handleIdentity(const std::vector<ReplyValue>& values);
    void handleAnswers(const std::vector<ReplyValue>& values,
                       const std::vector<ReplyAcknowledgement>& acks);

    UnitJob job;
    UnitResult outcome;
    QSerialPort port;
    QTimer timer;
    QElapsedTimer clock;
    StreamExtractor extractor{'@', ',', '\r'};
    Phase phase = Phase::Idle;
    std::size_t speedIndex = 0;
    int pass = 1;            // 2: the first speeds again, each with the full answer wait
    bool confirming = false; // an answer came while searching: asked again at this speed
    std::vector<Exchange> exchanges;
    std::size_t current = 0;
    int attempts = 0;
    bool configuring = false;
};
