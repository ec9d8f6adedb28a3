// The bounded text helpers with every size and input: nothing is written past the size given,
// and every result is NUL-terminated within it.
#include "IDictionary.h"
#include "NullLogger.h"
#include "StreamFormatter.h"
#include "TextFunctions.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// A buffer of exactly size bytes, so a write past it is caught.
std::unique_ptr<char[]> exactBuffer(std::size_t size)
{
    return std::make_unique<char[]>(size == 0 ? 1 : size);
}

void requireTerminatedWithin(const char* buffer, std::size_t size)
{
    if (size > 0 && std::memchr(buffer, '\0', size) == nullptr)
        std::abort();
}

int formatInto(IStreamFormatter* formatter, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = os_vprintf(formatter, format, args);
    va_end(args);
    return written;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullLogger quiet;
    if (size < 2)
        return 0;
    const std::size_t limit = data[0];
    const char delimiter = static_cast<char>(data[1]);
    auto text = std::make_unique<char[]>(size - 1);
    std::memcpy(text.get(), data + 2, size - 2);
    text[size - 2] = '\0';
    const std::size_t textLength = std::strlen(text.get());

    auto word = exactBuffer(limit);
    const int consumed = next_word3(word.get(), text.get(), delimiter, static_cast<int>(limit));
    requireTerminatedWithin(word.get(), limit);
    if (consumed < 0 || static_cast<std::size_t>(consumed) > textLength + 1)
        std::abort();

    auto formatted = exactBuffer(limit);
    const int written =
        csz_sprintf(formatted.get(), static_cast<int>(limit), "%s|%d", text.get(), consumed);
    requireTerminatedWithin(formatted.get(), limit);
    if (limit > 0 && std::strlen(formatted.get()) != static_cast<std::size_t>(written))
        std::abort();

    StreamFormatter formatter(limit);
    formatInto(&formatter, "%s", text.get());
    formatInto(&formatter, "%s,%s", text.get(), text.get());
    if (formatter.length() > limit || std::strlen(formatter.text()) != formatter.length())
        std::abort();

    auto path = exactBuffer(limit);
    if (process_resolve_path(path.get(), static_cast<int>(limit), text.get()))
        requireTerminatedWithin(path.get(), limit);
    else if (limit > 0 && path[0] != '\0')
        std::abort();

    IDictionary* dictionary = dictionary_get_instance(0);
    dic_set_value(dictionary, text.get(), "%s", text.get());
    if (std::strcmp(dic_get_csz(dictionary, text.get(), ""), text.get()) != 0)
        std::abort();
    text_to_int(text.get());
    dictionary_release_instance(&dictionary);
    return 0;
}
