#pragma once

#include "ILogger.h"

// Keeps the fuzzers from filling the log file.
class NullLogger : public ILogger
{
public:
    NullLogger() { set_vell_logger_instance(this); }
    void vlog(const char*, int, va_list) override {}
};
