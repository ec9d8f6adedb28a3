#pragma once

#include "UnitResult.h"

#include <QString>

// Writes what was read from one unit as a settings file that apply takes: the keys the window's
// save writes, in its order, with the unit's rates; what a unit cannot be asked (SBAS, the HDT
// talker, the clear order, the query keys) keeps the value a missing key reads as.
class ProfileWriter
{
public:
    // Refuses a symbolic link in the file's place, and an existing file unless replace.
    static bool mayWrite(const QString& path, bool replace, QString& error);
    // Writes unit's state to path; false with the reason when a rate cannot be kept or the file
    // cannot be written.
    static bool write(const UnitResult& unit, const QString& path, bool replace, QString& error);
};
