#pragma once

#include "LinkError.h"

#include <QString>
#include <QStringList>

// Every English text zr415ctl writes beyond its help, in one place. The window words the same
// failures in Chinese, from the same LinkError kinds.
namespace CliTexts {
QString linkReason(LinkError kind, const QString& systemText);
QString cannotOpen(const QString& port, const QString& reason);
QString lineLost(const QString& reason);
QString cannotWrite(const QString& reason);
QString noBaudToTry();
QString noIdentityAtAnySpeed();
QString noIdentityAt(unsigned baud);
QString interrupted();
// A message on the error stream, prefixed with the program's name.
QString fromTool(const QString& message);
QString monitorCannotOpen(const QString& reason);
QString monitorLost(const QString& port, const QString& reason);
QString noSerialPorts();
QString badWait(const char* variable, const QString& value);
QString ignoredProfileKeys(const QString& profile, const QStringList& keys);
QString auditFailed(const QString& reason, const QString& record);
} // namespace CliTexts
