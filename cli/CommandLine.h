#pragma once

#include "Invocation.h"

#include <QString>
#include <QStringList>

#include <optional>

// Reads zr415ctl's arguments into an Invocation. Anything it cannot use is refused with one
// line saying why, and one line saying where the usage is.
class CommandLine
{
public:
    // arguments as main gets them, program name first; hint points to the help.
    static std::optional<Invocation> parse(const QStringList& arguments, QString& error,
                                           QString& hint);
    // The usage of one command, or of them all for an empty or unknown name.
    static QString usage(const QString& command = {});
};
