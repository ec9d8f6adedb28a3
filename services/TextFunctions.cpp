#include "TextFunctions.h"

#include <QCoreApplication>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

int csz_vsprintf(char* buffer, int size, const char* format, va_list args)
{
    if (!buffer || size <= 0)
        return 0;
    if (!format) {
        buffer[0] = '\0';
        return 0;
    }
    const int wanted = std::vsnprintf(buffer, static_cast<std::size_t>(size), format, args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return wanted < size ? wanted : size - 1;
}

int csz_sprintf(char* buffer, int size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = csz_vsprintf(buffer, size, format, args);
    va_end(args);
    return written;
}

std::string format_to_string(const char* format, va_list args)
{
    if (!format)
        return {};
    va_list measure;
    va_copy(measure, args);
    const int wanted = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (wanted <= 0)
        return {};
    std::string text(static_cast<std::size_t>(wanted) + 1, '\0');
    va_list write;
    va_copy(write, args);
    std::vsnprintf(text.data(), text.size(), format, write);
    va_end(write);
    text.resize(static_cast<std::size_t>(wanted));
    return text;
}

int next_word3(char* dest, const char* source, char delimiter, int size)
{
    if (dest && size > 0)
        dest[0] = '\0';
    if (!source)
        return 0;
    const char* end = std::strchr(source, delimiter);
    const std::size_t wordLength =
        end ? static_cast<std::size_t>(end - source) : std::strlen(source);
    if (dest && size > 0) {
        const std::size_t copied = wordLength < static_cast<std::size_t>(size - 1)
                                       ? wordLength
                                       : static_cast<std::size_t>(size - 1);
        std::memcpy(dest, source, copied);
        dest[copied] = '\0';
    }
    return static_cast<int>(wordLength + (end ? 1 : 0));
}

static std::string programDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath().toStdString();
    char exe[4096];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return ".";
    exe[length] = '\0';
    std::string path(exe);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool process_resolve_path(char* out, int size, const char* pattern)
{
    if (!out || size <= 0)
        return false;
    out[0] = '\0';
    if (!pattern)
        return false;
    static const std::string macro = "$(APP_DIR)";
    std::string path(pattern);
    std::string directory;
    for (std::size_t at = path.find(macro); at != std::string::npos;
         at = path.find(macro, at + directory.size())) {
        if (directory.empty())
            directory = programDirectory();
        path.replace(at, macro.size(), directory);
    }
    if (path.size() >= static_cast<std::size_t>(size))
        return false;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

int text_to_int(const char* text)
{
    if (!text)
        return 0;
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
