#include "ThrowLoggedError.h"

#include "ILogger.h"
#include "TextFunctions.h"

#include <cstdarg>
#include <stdexcept>
#include <string>

void throw_logged_error(const char* format, ...)
{
    char buffer[2040] = {};
    va_list args;
    va_start(args, format);
    // The formatter and the logger each read the arguments: each gets its own copy.
    va_list forLogger;
    va_copy(forLogger, args);
    csz_vsprintf(buffer, sizeof buffer, format, args);
    if (ILogger* logger = vell_logger_get_instance())
        logger->vlog(format, 0, forLogger);
    va_end(forLogger);
    va_end(args);
    throw std::runtime_error(std::string(buffer));
}
