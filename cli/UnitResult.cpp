#include "UnitResult.h"

#include "ReasonCode.h"

#include <QJsonArray>

#include <cmath>

QString UnitResult::outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Ok:
        return QStringLiteral("ok");
    case Outcome::Rejected:
        return QStringLiteral("rejected");
    case Outcome::Unanswered:
        return QStringLiteral("unanswered");
    case Outcome::Mismatch:
        return QStringLiteral("mismatch");
    case Outcome::UnexpectedSerial:
        return QStringLiteral("unexpected-serial");
    case Outcome::NoDevice:
        return QStringLiteral("no-device");
    case Outcome::OpenFailed:
        return QStringLiteral("open-failed");
    case Outcome::Lost:
        return QStringLiteral("lost");
    case Outcome::Interrupted:
        return QStringLiteral("interrupted");
    }
    return {};
}

const QList<UnitResult::Outcome>& UnitResult::allOutcomes()
{
    static const QList<Outcome> list = {
        Outcome::Ok,       Outcome::Mismatch,         Outcome::Unanswered,
        Outcome::Rejected, Outcome::UnexpectedSerial, Outcome::Lost,
        Outcome::NoDevice, Outcome::OpenFailed,       Outcome::Interrupted};
    return list;
}

QJsonObject UnitResult::toJson() const
{
    QJsonArray mismatchList;
    for (const Mismatch& mismatch : mismatches) {
        QJsonObject entry{
            {QStringLiteral("key"), mismatch.key},
            {QStringLiteral("want"), mismatch.want},
            {QStringLiteral("got"), mismatch.got ? QJsonValue(*mismatch.got) : QJsonValue()},
            {QStringLiteral("observed"), mismatch.observed}};
        if (mismatch.observed)
            entry.insert(QStringLiteral("checksum_errors"),
                         static_cast<qint64>(mismatch.checksumErrors));
        mismatchList.append(entry);
    }
    QJsonArray unansweredList;
    for (const Unanswered& command : unanswered)
        unansweredList.append(QJsonObject{{QStringLiteral("verb"), command.verb},
                                          {QStringLiteral("key"), command.key}});
    const QString code = ReasonCode::of(*this);
    QJsonObject json{
        {QStringLiteral("command"), command},
        {QStringLiteral("port"), port},
        {QStringLiteral("baud"), baud ? QJsonValue(static_cast<qint64>(baud)) : QJsonValue()},
        {QStringLiteral("baud_searched"), baudSearched},
        {QStringLiteral("serial"), serial.isEmpty() ? QJsonValue() : QJsonValue(serial)},
        {QStringLiteral("result"), outcomeName(outcome)},
        {QStringLiteral("sent"), QJsonArray::fromStringList(sent)},
        {QStringLiteral("applied"), QJsonArray::fromStringList(applied)},
        // Whether the unit was touched at all, also when it never answered.
        {QStringLiteral("sets_sent"), setsSent.size()},
        {QStringLiteral("sent_sets"), QJsonArray::fromStringList(setsSent)},
        {QStringLiteral("in_flight"), inFlight.isEmpty() ? QJsonValue() : QJsonValue(inFlight)},
        {QStringLiteral("rejected"), QJsonArray::fromStringList(rejected)},
        {QStringLiteral("unanswered"), unansweredList},
        {QStringLiteral("mismatches"), mismatchList},
        {QStringLiteral("ack_only"), QJsonArray::fromStringList(ackOnly)},
        {QStringLiteral("verified"), verified},
        {QStringLiteral("bad_checksums"), badChecksums},
        {QStringLiteral("error"), error.isEmpty() ? QJsonValue() : QJsonValue(error)},
        {QStringLiteral("reason_code"), code.isEmpty() ? QJsonValue() : QJsonValue(code)},
        // Milliseconds are all a person or a script can use.
        {QStringLiteral("seconds"), std::round(seconds * 1000) / 1000},
        {QStringLiteral("time"), started.toUTC().toString(Qt::ISODateWithMs)},
    };
    if (command == QLatin1String("apply"))
        json.insert(QStringLiteral("ignored_keys"), QJsonArray::fromStringList(ignoredKeys));
    if (command == QLatin1String("apply")) {
        json.insert(QStringLiteral("changed"), changed);
        if (check)
            json.insert(QStringLiteral("would_change"), wouldChange);
    }
    if (!unlistedRates.isEmpty())
        json.insert(QStringLiteral("unlisted_rates"), QJsonArray::fromStringList(unlistedRates));
    if (check || readBefore) {
        QJsonArray changeList;
        for (const Change& change : changes)
            changeList.append(QJsonObject{{QStringLiteral("key"), change.key},
                                          {QStringLiteral("from"), change.from},
                                          {QStringLiteral("to"), change.to}});
        json.insert(QStringLiteral("changes"), changeList);
    }
    if (command == QLatin1String("query") || check) {
        QJsonObject rateObject;
        for (const auto& [name, rate] : rates)
            rateObject.insert(name, rate);
        json.insert(QStringLiteral("rates"), rateObject);
    }
    return json;
}
