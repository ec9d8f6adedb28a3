#include "ResultPrinter.h"

#include "CliTexts.h"
#include "NmeaList.h"
#include "PlannedChanges.h"
#include "ShownBytes.h"

#include <QJsonDocument>

#include <cerrno>
#include <unistd.h>

ResultPrinter::ResultPrinter(bool asJson, std::FILE* toOut, std::FILE* toStatus)
    : json(asJson), out(toOut), status(toStatus), live(::isatty(::fileno(toStatus)) == 1)
{}

namespace {
// What the receiver said, as it reaches a terminal: its bytes escaped.
QString fromDevice(const QString& text)
{
    return shownBytes(text.toUtf8());
}
} // namespace

QString ResultPrinter::humanLine(const UnitResult& result)
{
    QStringList parts{
        fromDevice(result.port),
        result.serial.isEmpty() ? CliTexts::noValue() : shownKeptText(result.serial),
        result.baud ? CliTexts::baudUsed(result.baud, result.baudSearched) : CliTexts::noValue(),
        UnitResult::outcomeName(result.outcome), CliTexts::secondsTaken(result.seconds)};
    QStringList details;
    // Only rates that were read can tell what would change.
    if (result.check && !result.rates.empty()) {
        QStringList certain;
        QStringList unknown;
        for (const UnitResult::Change& change : result.changes)
            (PlannedChanges::isCertain(change) ? certain : unknown)
                << (PlannedChanges::isCertain(change)
                        ? CliTexts::plannedChange(change.key, shownKeptText(change.from), change.to)
                        : change.key);
        details << CliTexts::wouldChange(certain);
        if (!unknown.isEmpty())
            details << CliTexts::cannotBeRead(unknown);
    } else if (result.readBefore) {
        QStringList made;
        // SBAS and the talker cannot be read: sent, never a change.
        for (const UnitResult::Change& change : result.changes)
            if (PlannedChanges::counts(change))
                made << (!change.to.isEmpty()
                             ? CliTexts::plannedChange(change.key, shownKeptText(change.from),
                                                       change.to)
                             : change.key);
        details << CliTexts::changesMade(made);
    } else if (!result.rates.empty()) {
        QStringList rates;
        for (int i = 0; i < nmeaSentenceCount; ++i) {
            const auto found = result.rates.find(nmeaList[i]);
            if (found != result.rates.end())
                rates << nmeaList[i] + QLatin1Char('=') + shownKeptText(found->second);
        }
        details << rates.join(QLatin1Char(' '));
    }
    // A unit stopped part-way must tell which settings it took.
    if (!result.applied.isEmpty() && result.outcome != UnitResult::Outcome::Ok)
        details << CliTexts::appliedSettings(result.applied);
    if (!result.inFlight.isEmpty())
        details << CliTexts::setInFlight(result.inFlight);
    if (!result.rejected.isEmpty())
        details << CliTexts::refusedSettings(result.rejected);
    if (!result.unanswered.isEmpty()) {
        QStringList commands;
        for (const UnitResult::Unanswered& command : result.unanswered)
            commands << command.verb + QLatin1Char(' ') + command.key;
        details << CliTexts::unansweredSettings(commands);
    }
    for (const UnitResult::Mismatch& mismatch : result.mismatches)
        details << (mismatch.observed
                        ? CliTexts::observedRate(mismatch.key, mismatch.want, mismatch.got,
                                                 mismatch.checksumErrors)
                        : CliTexts::readBack(mismatch.key, mismatch.want,
                                             mismatch.got
                                                 ? std::optional(shownKeptText(*mismatch.got))
                                                 : std::nullopt));
    if (!result.ackOnly.isEmpty())
        details << CliTexts::ackOnlySettings(result.ackOnly);
    if (result.badChecksums > 0)
        details << CliTexts::wrongChecksums(result.badChecksums);
    if (!result.error.isEmpty() && result.outcome != UnitResult::Outcome::Ok)
        details << result.error;
    QString line = parts.join(QStringLiteral("  "));
    if (!details.isEmpty())
        line += QStringLiteral("  ") + details.join(QStringLiteral("; "));
    return line;
}

QString ResultPrinter::summaryLine(const QList<UnitResult::Outcome>& outcomes)
{
    QStringList counts;
    for (UnitResult::Outcome outcome : UnitResult::allOutcomes()) {
        const qsizetype n = outcomes.count(outcome);
        if (n > 0)
            counts << CliTexts::outcomeCount(n, UnitResult::outcomeName(outcome));
    }
    return counts.isEmpty() ? CliTexts::noUnits() : counts.join(QStringLiteral(", "));
}

void ResultPrinter::clearStatus()
{
    if (!statusShown)
        return;
    std::fputs("\r\033[K", status);
    std::fflush(status);
    statusShown = false;
}

void ResultPrinter::written(bool ok)
{
    if (!ok && writeError == 0)
        writeError = errno ? errno : EIO;
}

void ResultPrinter::unit(const UnitResult& result, std::optional<bool> recorded)
{
    seen << result.outcome;
    QJsonObject fields = result.toJson();
    if (fields.value(QStringLiteral("changed")).toBool())
        ++changed;
    if (result.wouldChange)
        ++wouldChange;
    if (recorded)
        fields.insert(QStringLiteral("recorded"), *recorded);
    clearStatus();
    const QByteArray line =
        json ? QJsonDocument(fields).toJson(QJsonDocument::Compact) : humanLine(result).toUtf8();
    written(std::fprintf(out, "%s\n", line.constData()) >= 0 && std::fflush(out) == 0);
}

void ResultPrinter::summary(const QString& run, const QString& command, int recorded)
{
    if (!json)
        return;
    const qsizetype ok = seen.count(UnitResult::Outcome::Ok);
    const QJsonObject totals{
        {QStringLiteral("run"), run},           {QStringLiteral("command"), command},
        {QStringLiteral("units"), seen.size()}, {QStringLiteral("ok"), ok},
        {QStringLiteral("changed"), changed},   {QStringLiteral("failed"), seen.size() - ok},
        {QStringLiteral("recorded"), recorded}, {QStringLiteral("would_change"), wouldChange}};
    const QByteArray line = QJsonDocument(QJsonObject{{QStringLiteral("summary"), totals}})
                                .toJson(QJsonDocument::Compact);
    written(std::fprintf(out, "%s\n", line.constData()) >= 0 && std::fflush(out) == 0);
}

void ResultPrinter::progress(int done, int total)
{
    if (!live || total < 2)
        return;
    std::fprintf(status, "\r\033[K%s", CliTexts::progress(done, total).toUtf8().constData());
    std::fflush(status);
    statusShown = true;
}

void ResultPrinter::finish(int unrecorded, const QString& auditPath, bool auditDeclined)
{
    clearStatus();
    if (json)
        return;
    QString summary = summaryLine(seen);
    if (unrecorded > 0)
        summary += QStringLiteral("; ") + CliTexts::notRecordedIn(unrecorded, auditPath);
    if (auditDeclined)
        summary += QStringLiteral("; ") + CliTexts::notRecordedAsAsked();
    written(std::fprintf(out, "%s\n", summary.toUtf8().constData()) >= 0 && std::fflush(out) == 0);
}
