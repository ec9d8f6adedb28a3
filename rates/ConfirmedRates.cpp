#include "ConfirmedRates.h"

#include "NmeaList.h"
#include "ReplyReader.h"

#include <QList>

#include <algorithm>

namespace {
const QString outputKeyPrefix = QStringLiteral("GNSS.NMEA.");
}

void ConfirmedRates::addCommand(const QByteArray& sentence)
{
    QByteArray line = sentence;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() != 5 || fields[2] != "SET")
        return;
    waiting.push_back({QString::fromLatin1(fields[3]), QString::fromLatin1(fields[4])});
    if (waiting.size() > maxWaiting)
        waiting.pop_front();
}

void ConfirmedRates::addReceived(const QByteArray& chunk, qint64 at)
{
    replies.feed(chunk.constData(), static_cast<int>(chunk.size()));
    std::vector<ReplyAcknowledgement> answers;
    const std::vector<ReplyValue> values = ReplyReader::drain(replies, &answers);
    for (const ReplyAcknowledgement& answer : answers) {
        const QString key = QString::fromStdString(answer.key);
        if (answer.verb == "SET" && key == QLatin1String("DEVICE.RECOVER") && answer.ok) {
            // The factory rates are the receiver's own: not known until read back.
            settings.clear();
            continue;
        }
        const auto sent = std::find_if(waiting.begin(), waiting.end(),
                                       [&key](const Waiting& set) { return set.key == key; });
        if (answer.verb != "SET" || sent == waiting.end())
            continue;
        const QString value = sent->value;
        waiting.erase(sent);
        if (!answer.ok || !key.startsWith(outputKeyPrefix))
            continue;
        const QString name = key.mid(outputKeyPrefix.size());
        if (name == QLatin1String("ALL")) {
            for (int i = 0; i < nmeaSentenceCount; ++i)
                confirm(nmeaList[i], value, at);
        } else {
            confirm(name, value, at);
        }
    }
    for (const ReplyValue& value : values)
        if (!value.serialNumber)
            confirm(QString::fromStdString(value.sentence), QString::fromStdString(value.value),
                    at);
}

void ConfirmedRates::confirm(const QString& sentence, const QString& rate, qint64 at)
{
    Setting& setting = settings[sentence];
    // The same rate again (a second query) keeps measuring from the first confirmation.
    if (setting.rate == rate)
        return;
    setting = {rate, at};
}

void ConfirmedRates::reset()
{
    *this = ConfirmedRates();
}

ConfirmedRates::Setting ConfirmedRates::setting(const QString& sentence) const
{
    const auto found = settings.find(sentence);
    return found == settings.end() ? Setting{} : found->second;
}
