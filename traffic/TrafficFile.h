#pragma once

#include "IIniParameter.h"

#include <QByteArray>
#include <QString>

// Writes the saved traffic to a file, whole or not at all, and tells why when it cannot.
class TrafficFile
{
public:
    struct Result
    {
        SaveError kind = SaveError::None;
        QString systemText; // the system's words, for the log
        bool ok() const { return kind == SaveError::None; }
    };

    static Result write(const QString& path, const QByteArray& bytes);
};
