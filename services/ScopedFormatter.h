#pragma once

#include "IStreamFormatter.h"

#include <string>

// Holds a formatter for one block and gives it back at the end of it.
class ScopedFormatter
{
public:
    explicit ScopedFormatter(std::size_t capacity = 300)
        : formatter(stream_formatter_get_instance(capacity))
    {}
    ~ScopedFormatter() { stream_formatter_release_instance(&formatter); }
    ScopedFormatter(const ScopedFormatter&) = delete;
    ScopedFormatter& operator=(const ScopedFormatter&) = delete;

    // Appends the printf-style text and returns the whole text so far.
    const char* format(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        os_vprintf(formatter, format, args);
        va_end(args);
        return formatter->text();
    }
    // The text of one format in a formatter of its own, given back before this returns.
    static std::string once(const char* format, ...) __attribute__((format(printf, 1, 2)))
    {
        ScopedFormatter scoped;
        va_list args;
        va_start(args, format);
        os_vprintf(scoped.formatter, format, args);
        va_end(args);
        return scoped.text();
    }
    IStreamFormatter* get() const { return formatter; }
    const char* text() const { return formatter->text(); }

private:
    IStreamFormatter* formatter;
};
