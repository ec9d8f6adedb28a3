#pragma once

#include "IIniParameter.h"

#include <QString>

// Why a file cannot be written, told the same way by every part of the tool that saves one.
namespace WritePlace {
struct Refusal
{
    SaveError kind = SaveError::None;
    const char* text = ""; // for the log
};

// Refuses a file marked read-only and a folder that is missing or not writable. Read-only marks
// are honoured even for the superuser, who could write past them.
Refusal check(const QString& path);
// The kind of a failed write's errno.
SaveError kindOfErrno(int error);
} // namespace WritePlace
