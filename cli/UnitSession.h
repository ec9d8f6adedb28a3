#pragma once

#include "OneAtATime.h"
#include "RateMeter.h"
#include "ReceiverLink.h"
#include "UnitJob.h"
#include "UnitResult.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One receiver from open to close, driven by the event loop: find its speed, make sure it is a
// receiver (nothing is set on a device that has not told its serial number), send each command
// and wait for its answer, read back what was set, close. The line and the answers are the
// link engine's; what is zr415ctl's own is the order of things and the result. Never blocks,
// so many run side by side on one thread.
class UnitSession : public QObject
{
    Q_OBJECT

public:
    UnitSession(UnitJob job, QObject* parent = nullptr);

    void start();
    // Ends the unit at once as interrupted by signalNumber; the port is closed.
    void interrupt(int signalNumber);
    bool isFinished() const { return phase == Phase::Done; }
    const UnitResult& result() const { return outcome; }
    const UnitJob& task() const { return job; }
    // Identified units with SETs to send are told in readyToChange (refuse() may end them then);
    // their first SET waits, after aboutToSet, for proceed() or refuse(). apply's reads of the
    // rates before go on meanwhile.
    void holdBeforeChanges() { holding = true; }
    void proceed();
    // Ends a held unit before anything is set, as interrupted for reasonCode.
    void refuse(const QString& reasonCode, const QString& reason);

signals:
    void finished(UnitSession* session);
    void readyToChange(UnitSession* session);
    void aboutToSet(UnitSession* session);

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
        std::string key;
        std::string name; // GGA … HDT for a rate read
        enum Kind
        {
            ReadBefore, // apply: the rate as it was, to tell what changes
            Set,
            ReadBack,
            Query
        } kind;
    };

    bool openAtAnySpeed();
    void probe();
    void askIdentity(int waitMs, int tries);
    void identified(bool ok, const std::string& serial);
    void tryNextSpeed();
    bool advanceSpeed();
    void sendExchange();
    void answered(bool ok, const std::string& value);
    void unanswered();
    void advance();
    void lineLost(LinkError kind, const QString& text);
    bool write(const std::string& sentence);
    void finish(UnitResult::Outcome result, const QString& error = {});
    void finishWithAnswers();
    // apply: what the profile changes, from the rates read before; for every way a unit ends.
    void tellChanges();
    void observed();

    UnitJob job;
    UnitResult outcome;
    ReceiverLink line;
    OneAtATime asking;
    QElapsedTimer clock;
    Phase phase = Phase::Idle;
    std::size_t speedIndex = 0;
    int pass = 1;            // 2: the first speeds again, each with the full answer wait
    bool confirming = false; // an answer came while searching: asked again at this speed
    std::vector<Exchange> exchanges;
    std::size_t current = 0;
    std::ptrdiff_t readBackEqual = 0;
    std::optional<std::string> unusableSerial; // the last serial number that named no receiver
    RateMeter meter;
    QTimer observing;
    qint64 observedFrom = -1;
    bool holding = false;
    bool held = false;           // the SETs wait for proceed() or refuse()
    bool waitingToSet = false;   // held at the first SET
    std::size_t readsBefore = 0; // the first exchanges, ReadBefore
    bool readBeforeDone = false;
    bool setSent = false;
    bool askedToSet = false;               // aboutToSet was emitted
    std::size_t lastSetWritten = SIZE_MAX; // the exchange whose SET went out last
};
