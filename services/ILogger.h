#pragma once

#include <cstdarg>

class ILogger
{
public:
    // Writes one entry formatted from format and args; flag is reserved and passed as 0.
    virtual void vlog(const char* format, int flag, va_list args) = 0;
    virtual ~ILogger() = default;
};

// The process logger, or null when there is none (the log file cannot be opened).
ILogger* vell_logger_get_instance();

// Replaces the process logger (tests); null brings the file logger back.
void set_vell_logger_instance(ILogger* logger);

// One entry through the process logger, if there is one.
void log_entry(const char* format, ...) __attribute__((format(printf, 1, 2)));
