#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

// The lock file QSerialPort keeps beside a port ("LCK..name" in the first usable lock folder),
// when a process that has ended left it behind where this user cannot remove it: QSerialPort then
// fails as if the port were in use, until someone allowed to remove the file does so.
class StaleLockFile
{
public:
    QString path;  // the lock file, its folder's links resolved
    QString owner; // user name, or the number when the user has none
    qint64 pid = 0;

    // The lock file QSerialPort uses for a port name as it is given (a link keeps its own name).
    static QString pathFor(const QString& portName);
    // The stale lock in the way of opening portName, if that is what is in the way.
    static std::optional<StaleLockFile> blocking(const QString& portName);
    // The lock file at path, when it names a process of this host that has ended and this
    // process (by its effective user) may not remove it.
    static std::optional<StaleLockFile> inspect(const QString& path);

    // One line for a log that fromText reads back: the fronts word the reason themselves.
    QString toText() const;
    static StaleLockFile fromText(const QString& text);
    // What the operator should do: the command that removes it.
    QString removeCommand() const;
};
