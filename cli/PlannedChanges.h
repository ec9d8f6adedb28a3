#pragma once

#include "UnitResult.h"

#include <QList>
#include <QString>

#include <map>
#include <string>
#include <vector>

// What a profile would change on a unit whose rates were read: each rate that differs, and each
// setting the unit cannot be asked about (SBAS, the HDT talker, the clear order), whose present
// state is unknown.
namespace PlannedChanges {
inline const QString unknown = QStringLiteral("unknown");

// sets: the SET sentences the profile sends; wanted: sentence name -> rate; rates: as read.
QList<UnitResult::Change> of(const std::vector<std::string>& sets,
                             const std::map<std::string, std::string>& wanted,
                             const std::map<QString, QString>& rates);
// A change that is known to happen, not just possible.
bool isCertain(const UnitResult::Change& change);
// A rate that differs (or could not be read), or the clear order: a change that counts.
bool counts(const UnitResult::Change& change);
// Whether sending the profile changes the unit: a rate that differs (or could not be read), or
// the clear order, which acts every time. SBAS and the HDT talker cannot be read back, so they
// never count.
bool changeUnit(const QList<UnitResult::Change>& changes);
} // namespace PlannedChanges
