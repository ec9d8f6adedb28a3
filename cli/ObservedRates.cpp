#include "ObservedRates.h"

#include "OutputRate.h"
#include "RateCheck.h"

#include <algorithm>

namespace {
QString measured(const RateMeter::Kind& kind)
{
    return OutputRate::number(kind.period);
}
} // namespace

double ObservedRates::secondsNeeded(const std::map<std::string, std::string>& wanted)
{
    double needed = 0;
    for (const auto& [name, rate] : wanted) {
        const std::optional<double> period =
            OutputRate::periodSeconds(QString::fromStdString(rate));
        needed = std::max({needed, RateCheck::minSilentMs / 1000.0,
                           period.value_or(0) * RateCheck::silentPeriods});
    }
    return needed;
}

QList<UnitResult::Mismatch>
ObservedRates::differences(const std::map<std::string, std::string>& wanted, const RateMeter& meter,
                           qint64 sinceMs, qint64 nowMs)
{
    QList<UnitResult::Mismatch> found;
    for (const auto& [name, rate] : wanted) {
        const QString want = QString::fromStdString(rate);
        const std::optional<double> period = OutputRate::periodSeconds(want);
        if (!period)
            continue;
        const RateMeter::Kind kind = meter.kind(QByteArray::fromStdString(name), sinceMs);
        const UnitResult::Mismatch differs{
            QStringLiteral("GNSS.NMEA.") + QString::fromStdString(name), want,
            kind.measured >= 2 ? std::optional<QString>(measured(kind)) : std::optional<QString>(),
            true};
        // Garbled sentences are not silence: they arrive, but cannot be told apart.
        const RateCheck::State state = RateCheck::of(want, sinceMs, kind, nowMs);
        if (state == RateCheck::State::ChecksumErrors) {
            found << UnitResult::Mismatch{differs.key, want, std::nullopt, true,
                                          kind.checksumErrors};
            continue;
        }
        if (kind.measured == 0) {
            if (*period > 0)
                found << UnitResult::Mismatch{differs.key, want, QStringLiteral("OFF"), true};
            continue;
        }
        // Anything while OFF differs; for a rate, a single sentence in three periods is too few.
        if (*period == 0 || state != RateCheck::State::Normal)
            found << differs;
    }
    return found;
}
