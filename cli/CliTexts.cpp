#include "CliTexts.h"

namespace CliTexts {
QString linkReason(LinkError kind, const QString& systemText)
{
    switch (kind) {
    case LinkError::NoSuchDevice:
        return QStringLiteral("no such device");
    case LinkError::NoPermission:
        return QStringLiteral("permission denied (the user must be in the group dialout)");
    case LinkError::Busy:
        return QStringLiteral("the port is in use by another program");
    case LinkError::Unplugged:
        return QStringLiteral("the device was unplugged");
    case LinkError::BaudUnsupported:
        return QStringLiteral("baud rate not supported");
    case LinkError::NotSerial:
        return QStringLiteral("not a serial device");
    case LinkError::TooManyFiles:
        return QStringLiteral("too many open files");
    default:
        return QStringLiteral("system error: %1").arg(systemText);
    }
}
QString cannotOpen(const QString& port, const QString& reason)
{
    return QStringLiteral("cannot open %1: %2").arg(port, reason);
}
QString lineLost(const QString& reason)
{
    return QStringLiteral("the line went away: %1").arg(reason);
}
QString cannotWrite(const QString& reason)
{
    return QStringLiteral("cannot write to the line: %1").arg(reason);
}
QString noBaudToTry()
{
    return QStringLiteral("no baud rate to try");
}
QString noIdentityAtAnySpeed()
{
    return QStringLiteral("no answer to the serial-number query at any speed");
}
QString noIdentityAt(unsigned baud)
{
    return QStringLiteral("no answer to the serial-number query at %1 baud").arg(baud);
}
QString interrupted()
{
    return QStringLiteral("stopped by Ctrl-C");
}
QString fromTool(const QString& message)
{
    return QStringLiteral("zr415ctl: ") + message;
}
QString monitorCannotOpen(const QString& reason)
{
    return QStringLiteral("cannot open %1").arg(reason);
}
QString monitorLost(const QString& port, const QString& reason)
{
    return QStringLiteral("%1 lost: %2").arg(port, reason);
}
QString noSerialPorts()
{
    return QStringLiteral("no serial ports found");
}
QString badWait(const char* variable, const QString& value)
{
    return QStringLiteral("%1 must be milliseconds from 1 to 600000, not '%2'")
        .arg(QString::fromLatin1(variable), value);
}
QString ignoredProfileKeys(const QString& profile, const QStringList& keys)
{
    return QStringLiteral("profile %1: keys ignored, the window does not know them: %2")
        .arg(profile, keys.join(QStringLiteral(", ")));
}
QString auditFailed(const QString& reason, const QString& record)
{
    return QStringLiteral("%1; the record was: %2").arg(reason, record);
}
} // namespace CliTexts
