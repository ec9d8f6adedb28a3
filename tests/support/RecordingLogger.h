#pragma once

#include "ILogger.h"
#include "SuiteLog.h"

#include <string>
#include <vector>

// Keeps every entry, formatted, and the raw format it came with; installs itself as the
// process logger for its lifetime, then gives the suite's log its place back.
class RecordingLogger : public ILogger
{
public:
    RecordingLogger() { set_vell_logger_instance(this); }
    ~RecordingLogger() override { set_vell_logger_instance(suiteLog()); }

    void vlog(const char* format, int flag, va_list args) override;
    bool contains(const std::string& part) const;

    std::vector<std::string> formats;
    std::vector<std::string> entries;
};
