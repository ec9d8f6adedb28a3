#pragma once

#include "UnitResult.h"

#include <QString>
#include <QStringList>

// The one word a script tests instead of the English reason: taken from how the unit ended and
// why its line failed, never from the wording. Empty for a unit that is ok ("reason_code": null).
namespace ReasonCode {
inline const QString auditUnwritable = QStringLiteral("audit-unwritable");

QString of(const UnitResult& result);
// Every word of() can give, in the order the help lists them.
const QStringList& all();
} // namespace ReasonCode
