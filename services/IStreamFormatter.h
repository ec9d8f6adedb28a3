#pragma once

#include <cstdarg>
#include <cstddef>

// A text buffer of fixed capacity that printf-style writes append to.
class IStreamFormatter
{
public:
    virtual int vprintf(const char* format, va_list args) = 0;
    virtual void clear() = 0;
    virtual std::size_t length() const = 0;
    virtual std::size_t capacity() const = 0;
    virtual bool truncated() const = 0;
    // The text so far, NUL-terminated.
    virtual const char* text() const = 0;
    virtual ~IStreamFormatter() = default;
};

IStreamFormatter* stream_formatter_get_instance(std::size_t capacity);
void stream_formatter_release_instance(IStreamFormatter** formatter);
// Appends the printf-style text; what does not fit in the capacity is cut off.
int os_vprintf(IStreamFormatter* formatter, const char* format, va_list args);
