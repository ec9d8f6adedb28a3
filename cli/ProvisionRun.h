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

    void start();
    // Ends every running unit as interrupted, and the ones not started yet too.
    void interrupt();
    int total() const { return static_cast<int>(jobs.size()); }
    int done() const { return finishedCount; }

signals:
    void unitFinished(const UnitResult& result);
    void allFinished();

private:
    void launchMore();
    void launchOne();
    void unitDone(UnitSession* session);

    std::vector<UnitJob> jobs;
    std::vector<UnitSession*> running;
    int limit;
    std::size_t nextJob = 0;
    int finishedCount = 0;
    bool stopping = false;
    bool launchPending = false;
};
