#include "ReasonCode.h"

#include <algorithm>

namespace {
QString ofLink(LinkError kind)
{
    switch (kind) {
    case LinkError::NoSuchDevice:
        return QStringLiteral("no-such-device");
    case LinkError::NoPermission:
        return QStringLiteral("no-permission");
    case LinkError::Busy:
        return QStringLiteral("busy");
    case LinkError::StaleLock:
        return QStringLiteral("stale-lock");
    case LinkError::Unplugged:
        return QStringLiteral("unplugged");
    case LinkError::BaudUnsupported:
        return QStringLiteral("baud-unsupported");
    case LinkError::NotSerial:
        return QStringLiteral("not-serial");
    case LinkError::TooManyFiles:
        return QStringLiteral("too-many-files");
    case LinkError::WriteFailed:
        return QStringLiteral("write-failed");
    case LinkError::None:
    case LinkError::NotOpen:
    case LinkError::Other:
        break;
    }
    return QStringLiteral("other");
}
} // namespace

namespace ReasonCode {
QString of(const UnitResult& result)
{
    using Outcome = UnitResult::Outcome;
    switch (result.outcome) {
    case Outcome::Ok:
        return {};
    case Outcome::Mismatch:
        if (std::any_of(result.mismatches.begin(), result.mismatches.end(),
                        [](const UnitResult::Mismatch& m) { return !m.observed; }))
            return QStringLiteral("read-back-differs");
        if (!result.mismatches.isEmpty())
            return QStringLiteral("observed-differs");
        return result.unlistedRates.isEmpty() ? QStringLiteral("other")
                                              : QStringLiteral("unlisted-rate");
    case Outcome::Unanswered:
    case Outcome::NoDevice:
        // Silence after answers that were dropped for their checksum is a noisy line.
        return result.badChecksums > 0 ? QStringLiteral("bad-checksum")
                                       : QStringLiteral("no-answer");
    case Outcome::Rejected:
        return QStringLiteral("refused");
    case Outcome::UnexpectedSerial:
        return QStringLiteral("unexpected-serial");
    case Outcome::Lost:
    case Outcome::OpenFailed:
        return ofLink(result.failure);
    case Outcome::Interrupted:
        // The run names the cause when it stopped the unit for something outside it.
        return result.reasonCode.isEmpty() ? QStringLiteral("interrupted") : result.reasonCode;
    }
    return QStringLiteral("other");
}

const QStringList& all()
{
    static const QStringList words = {
        QStringLiteral("busy"),
        QStringLiteral("no-permission"),
        QStringLiteral("stale-lock"),
        QStringLiteral("no-such-device"),
        QStringLiteral("not-serial"),
        QStringLiteral("unplugged"),
        QStringLiteral("too-many-files"),
        QStringLiteral("baud-unsupported"),
        QStringLiteral("write-failed"),
        QStringLiteral("no-answer"),
        QStringLiteral("bad-checksum"),
        QStringLiteral("refused"),
        QStringLiteral("read-back-differs"),
        QStringLiteral("observed-differs"),
        QStringLiteral("unlisted-rate"),
        QStringLiteral("unexpected-serial"),
        auditUnwritable,
        QStringLiteral("interrupted"),
        QStringLiteral("other"),
    };
    return words;
}
} // namespace ReasonCode
