#include "RecordingLogger.h"

#include "TextFunctions.h"

void RecordingLogger::vlog(const char* format, int, va_list args)
{
    formats.emplace_back(format ? format : "");
    entries.push_back(format_to_string(format, args));
}

bool RecordingLogger::contains(const std::string& part) const
{
    for (const std::string& entry : entries)
        if (entry.find(part) != std::string::npos)
            return true;
    return false;
}
