#include "StreamFormatter.h"

#include <cstdio>

StreamFormatter::StreamFormatter(std::size_t capacity) : buffer(capacity + 1, '\0') {}

int StreamFormatter::vprintf(const char* format, va_list args)
{
    if (!format)
        return 0;
    const std::size_t room = buffer.size() - used;
    const int wanted = std::vsnprintf(buffer.data() + used, room, format, args);
    if (wanted < 0) {
        buffer[used] = '\0';
        return 0;
    }
    const std::size_t written =
        static_cast<std::size_t>(wanted) < room ? static_cast<std::size_t>(wanted) : room - 1;
    wasTruncated = wasTruncated || written < static_cast<std::size_t>(wanted);
    used += written;
    return static_cast<int>(written);
}

void StreamFormatter::clear()
{
    used = 0;
    wasTruncated = false;
    buffer[0] = '\0';
}

IStreamFormatter* stream_formatter_get_instance(std::size_t capacity)
{
    return new StreamFormatter(capacity);
}

void stream_formatter_release_instance(IStreamFormatter** formatter)
{
    if (!formatter)
        return;
    delete *formatter;
    *formatter = nullptr;
}

int os_vprintf(IStreamFormatter* formatter, const char* format, va_list args)
{
    return formatter ? formatter->vprintf(format, args) : 0;
}
