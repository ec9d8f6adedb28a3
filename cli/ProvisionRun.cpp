#include "ProvisionRun.h"

#include "CliTexts.h"
#include "UnitSession.h"

#include <QDateTime>

#include <algorithm>

ProvisionRun::ProvisionRun(std::vector<UnitJob> chosen, int parallel, QObject* parent)
    : QObject(parent), jobs(std::move(chosen)), limit(parallel > 0 ? parallel : 0)
{}

void ProvisionRun::start()
{
    launchMore();
    if (jobs.empty())
        emit allFinished();
}

void ProvisionRun::launchMore()
{
    if (launchPending || stopping || refusing || nextJob >= jobs.size() ||
        (limit != 0 && static_cast<int>(running.size()) >= limit))
        return;
    // One unit per pass of the loop: opening a port costs milliseconds (its lock file is synced
    // to disk), and the answers of the units already running must not wait behind hundreds of
    // opens. Started from the loop, so a unit that fails at once cannot finish inside this one.
    launchPending = true;
    QMetaObject::invokeMethod(this, &ProvisionRun::launchOne, Qt::QueuedConnection);
}

void ProvisionRun::launchOne()
{
    launchPending = false;
    if (stopping || refusing || nextJob >= jobs.size())
        return;
    auto* session = new UnitSession(jobs[nextJob++], this);
    connect(session, &UnitSession::finished, this, &ProvisionRun::unitDone);
    if (holding) {
        session->holdBeforeChanges();
        connect(session, &UnitSession::readyToChange, this, &ProvisionRun::readyToChange);
        connect(session, &UnitSession::aboutToSet, this, &ProvisionRun::aboutToSet);
    }
    running.push_back(session);
    session->start();
    launchMore();
}

void ProvisionRun::unitDone(UnitSession* session)
{
    running.erase(std::remove(running.begin(), running.end(), session), running.end());
    ++finishedCount;
    emit unitFinished(session->result());
    session->deleteLater();
    launchMore();
    if (running.empty() && (stopping || nextJob >= jobs.size()))
        emit allFinished();
}

void ProvisionRun::stopStarting(const QString& reasonCode, const QString& reason)
{
    if (refusing || stopping)
        return;
    refusing = true;
    refusedCode = reasonCode;
    refusedReason = reason;
    // From the loop: this may be called while a unit reports, and the rest must follow it.
    QMetaObject::invokeMethod(this, &ProvisionRun::skipRest, Qt::QueuedConnection);
}

void ProvisionRun::skipRest()
{
    if (stopping || nextJob >= jobs.size())
        return;
    for (; nextJob < jobs.size(); ++nextJob) {
        UnitResult skipped;
        skipped.command = jobs[nextJob].command;
        skipped.port = jobs[nextJob].port;
        skipped.outcome = UnitResult::Outcome::Interrupted;
        skipped.error = refusedReason;
        skipped.reasonCode = refusedCode;
        skipped.started = QDateTime::currentDateTimeUtc();
        ++finishedCount;
        emit unitFinished(skipped);
    }
    if (running.empty())
        emit allFinished();
}

void ProvisionRun::interrupt(int signalNumber)
{
    if (stopping || (running.empty() && nextJob >= jobs.size()))
        return;
    stopping = true;
    // Units never started are reported too, so every port named has its record.
    for (; nextJob < jobs.size(); ++nextJob) {
        UnitResult skipped;
        skipped.command = jobs[nextJob].command;
        skipped.port = jobs[nextJob].port;
        skipped.outcome = UnitResult::Outcome::Interrupted;
        skipped.error = CliTexts::stoppedBeforeStart(signalNumber);
        skipped.started = QDateTime::currentDateTimeUtc();
        ++finishedCount;
        emit unitFinished(skipped);
    }
    const std::vector<UnitSession*> stillRunning = running;
    if (stillRunning.empty()) {
        emit allFinished();
        return;
    }
    for (UnitSession* session : stillRunning)
        session->interrupt(signalNumber);
}
