#include "PlannedChanges.h"

#include "CommandSentences.h"
#include "NmeaList.h"

#include <algorithm>

namespace {
const std::string ratePrefix = "GNSS.NMEA.";
}

namespace PlannedChanges {
QList<UnitResult::Change> of(const std::vector<std::string>& sets,
                             const std::map<std::string, std::string>& wanted,
                             const std::map<QString, QString>& rates)
{
    QList<UnitResult::Change> changes;
    // The rates in the order the window lists them; one not read is not known either.
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const auto want = wanted.find(nmeaList[i].toStdString());
        if (want == wanted.end())
            continue;
        const auto read = rates.find(nmeaList[i]);
        const QString from = read == rates.end() ? unknown : read->second;
        const QString to = QString::fromStdString(want->second);
        if (from != to)
            changes << UnitResult::Change{QString::fromStdString(ratePrefix + want->first), from,
                                          to};
    }
    for (const std::string& sentence : sets) {
        const std::string key = CommandSentences::commandOf(sentence).key;
        if (key.compare(0, ratePrefix.size(), ratePrefix) == 0)
            continue;
        // Whatever follows the key is what the unit is told: ALL, a talker; nothing for clear.
        const std::string line = sentence.substr(0, sentence.find_first_of("\r\n"));
        const std::size_t value = line.find(key) + key.size();
        changes << UnitResult::Change{QString::fromStdString(key), unknown,
                                      QString::fromStdString(line.substr(value)).remove(0, 1)};
    }
    return changes;
}

bool isCertain(const UnitResult::Change& change)
{
    return change.from != unknown;
}

bool counts(const UnitResult::Change& change)
{
    static const QString clear = QString::fromStdString(
        CommandSentences::commandOf(CommandSentences::cleanSatellites()).key);
    return change.key.startsWith(QString::fromStdString(ratePrefix)) || change.key == clear;
}

bool changeUnit(const QList<UnitResult::Change>& changes)
{
    return std::any_of(changes.begin(), changes.end(), counts);
}
} // namespace PlannedChanges
