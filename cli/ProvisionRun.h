#pragma once

#include "UnitJob.h"
#include "UnitResult.h"

#include <QObject>

#include <vector>

class UnitSession;

// Every unit of one command on the one event loop, at most a given number at a time: a unit
// that hangs or vanishes holds up no other.
class ProvisionRun : public QObject
{
    Q_OBJECT

public:
    // parallel: how many units run at once; 0 for all of them.
    ProvisionRun(std::vector<UnitJob> jobs, int parallel, QObject* parent = nullptr);

    // Each unit that will be changed is told in readyToChange once identified; about to send its
    // first SET it waits, after aboutToSet, for its proceed() or refuse().
    void holdBeforeChanges() { holding = true; }
    void start();
    // Ends every running unit as interrupted by signalNumber, and the ones not started yet too.
    void interrupt(int signalNumber);
    // Starts no further unit: those not started end as interrupted for reasonCode; the units
    // running go on.
    void stopStarting(const QString& reasonCode, const QString& reason);
    int total() const { return static_cast<int>(jobs.size()); }
    int done() const { return finishedCount; }

signals:
    void unitFinished(const UnitResult& result);
    void readyToChange(UnitSession* session);
    void aboutToSet(UnitSession* session);
    void allFinished();

private:
    void launchMore();
    void launchOne();
    void unitDone(UnitSession* session);
    void skipRest();

    std::vector<UnitJob> jobs;
    std::vector<UnitSession*> running;
    int limit;
    std::size_t nextJob = 0;
    int finishedCount = 0;
    bool stopping = false;
    bool launchPending = false;
    bool holding = false;
    bool refusing = false;
    QString refusedCode;
    QString refusedReason;
};
