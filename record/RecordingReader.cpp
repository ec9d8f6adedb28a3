#include "RecordingReader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t readChunk = 64 * 1024;
constexpr std::int64_t dayMs = 86400000;

// The number after "name": in a line of FILE.jsonl; false when the line has none.
bool numberAfter(const std::string& line, const char* name, long long& value)
{
    const std::size_t at = line.find(name);
    if (at == std::string::npos)
        return false;
    const char* start = line.c_str() + at + std::strlen(name);
    char* end = nullptr;
    value = std::strtoll(start, &end, 10);
    return end != start;
}

void appendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The JSON string after "name": in line, unescaped; false when there is none or it is cut off.
bool stringAfter(const std::string& line, const char* name, std::string& value)
{
    std::size_t at = line.find(name);
    if (at == std::string::npos)
        return false;
    at += std::strlen(name);
    if (at >= line.size() || line[at] != '"')
        return false;
    value.clear();
    for (std::size_t i = at + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            return true;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i >= line.size())
            return false;
        switch (line[i]) {
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        case 't':
            value += '\t';
            break;
        case 'b':
            value += '\b';
            break;
        case 'f':
            value += '\f';
            break;
        case 'u':
            if (i + 4 >= line.size())
                return false;
            appendUtf8(value, static_cast<unsigned>(
                                  std::strtoul(line.substr(i + 1, 4).c_str(), nullptr, 16)));
            i += 4;
            break;
        default:
            value += line[i];
            break; // \" \\ \/
        }
    }
    return false;
}

// Field index of the UTC time in the sentences that carry one.
int timeFieldOf(std::string_view type)
{
    static const struct
    {
        const char* type;
        int field;
    } table[] = {{"GGA", 1}, {"RMC", 1}, {"GNS", 1}, {"ZDA", 1},
                 {"GST", 1}, {"GBS", 1}, {"GLL", 5}};
    for (const auto& entry : table)
        if (type == entry.type)
            return entry.field;
    return -1;
}

bool twoDigits(std::string_view text, std::size_t at, int limit, int& value)
{
    const char high = text[at];
    const char low = text[at + 1];
    if (high < '0' || high > '9' || low < '0' || low > '9')
        return false;
    value = (high - '0') * 10 + (low - '0');
    return value < limit;
}
} // namespace

bool RecordingReader::open(const std::string& path, std::string& error)
{
    bytes = std::ifstream(path, std::ios::binary);
    if (!bytes) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    timing = std::ifstream(path + ".jsonl", std::ios::binary);
    hasTiming = static_cast<bool>(timing);
    rewind();
    return true;
}

void RecordingReader::rewind()
{
    bytes.clear();
    bytes.seekg(0);
    if (hasTiming) {
        timing.clear();
        timing.seekg(0);
    }
    offset = 0;
    lastAtMs = 0;
    buffer.clear();
    scanned = 0;
    currentTag = -1;
    pendingAtMs = 0;
    bytesEnded = false;
}

bool RecordingReader::next(ReplayStep& step)
{
    return hasTiming ? nextTimed(step) : nextByTags(step);
}

std::string RecordingReader::readBytes(std::uint64_t length)
{
    std::string piece(static_cast<std::size_t>(length), '\0');
    bytes.read(piece.data(), static_cast<std::streamsize>(length));
    piece.resize(static_cast<std::size_t>(bytes.gcount()));
    offset += piece.size();
    return piece;
}

bool RecordingReader::nextTimed(ReplayStep& step)
{
    std::string line;
    while (std::getline(timing, line)) {
        long long at = 0;
        // Times only go forward: a hand-edited or damaged entry does not replay out of order.
        const std::int64_t atMs =
            numberAfter(line, "\"at_ms\":", at) && at > lastAtMs ? at : lastAtMs;
        std::string sent;
        if (stringAfter(line, "\"sent\":", sent)) {
            lastAtMs = atMs;
            step = {atMs, true, std::move(sent)};
            return true;
        }
        long long end = 0;
        if (!numberAfter(line, "\"offset\":", end) || end <= static_cast<long long>(offset))
            continue; // the header, or an entry a crash cut off
        std::string piece = readBytes(static_cast<std::uint64_t>(end) - offset);
        if (piece.empty())
            continue;
        lastAtMs = atMs;
        step = {atMs, false, std::move(piece)};
        return true;
    }
    // Bytes written after the last entry (the last second before a crash) are not lost.
    std::string rest = readBytes(maxStepBytes);
    if (rest.empty())
        return false;
    step = {lastAtMs, false, std::move(rest)};
    return true;
}

bool RecordingReader::fillBuffer()
{
    const std::size_t had = buffer.size();
    buffer.resize(had + readChunk);
    bytes.read(buffer.data() + had, static_cast<std::streamsize>(readChunk));
    buffer.resize(had + static_cast<std::size_t>(bytes.gcount()));
    bytesEnded = buffer.size() == had;
    return !bytesEnded;
}

bool RecordingReader::nextByTags(ReplayStep& step)
{
    const auto give = [&](std::size_t length, std::int64_t atMs) {
        step = {atMs, false, buffer.substr(0, length)};
        buffer.erase(0, length);
        scanned = 0;
        offset += length;
        return true;
    };
    for (;;) {
        std::size_t end = buffer.find('\n', scanned);
        if (end == std::string::npos) {
            if (buffer.size() < maxStepBytes && !bytesEnded && fillBuffer())
                continue;
            if (scanned == buffer.size())
                return !buffer.empty() && give(buffer.size(), pendingAtMs);
            if (!bytesEnded)
                return give(scanned > 0 ? scanned : maxStepBytes, pendingAtMs);
            end = buffer.size(); // the last line, without its end
        }
        const double tag = timeTagOf(std::string_view(buffer).substr(scanned, end - scanned));
        if (tag >= 0 && tag != currentTag) {
            if (currentTag >= 0 && scanned > 0) {
                // The epoch before this one goes first; this line starts the next step.
                std::int64_t waitMs = std::llround((tag - currentTag) * 1000);
                if (waitMs < -dayMs / 2)
                    waitMs += dayMs; // past midnight
                const std::int64_t dueMs = pendingAtMs;
                pendingAtMs += std::max<std::int64_t>(waitMs, 0);
                currentTag = tag;
                return give(scanned, dueMs);
            }
            // The first tag: whatever came before it goes with it, at the start.
            currentTag = tag;
        }
        scanned = std::min(end + 1, buffer.size());
        if (scanned >= maxStepBytes)
            return give(scanned, pendingAtMs);
    }
}

double RecordingReader::timeTagOf(std::string_view line)
{
    const std::size_t head = line.find('$');
    if (head == std::string_view::npos)
        return -1;
    line.remove_prefix(head + 1);
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || comma < 5)
        return -1;
    const int field = timeFieldOf(line.substr(comma - 3, 3));
    if (field < 0)
        return -1;
    std::size_t start = comma;
    for (int i = 1; i < field; ++i) {
        start = line.find(',', start + 1);
        if (start == std::string_view::npos)
            return -1;
    }
    std::string_view value = line.substr(start + 1);
    value = value.substr(0, value.find_first_of(",*\r\n"));
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (value.size() < 6 || !twoDigits(value, 0, 24, hours) || !twoDigits(value, 2, 60, minutes) ||
        !twoDigits(value, 4, 61, seconds))
        return -1;
    double fraction = 0;
    if (value.size() > 6) {
        if (value[6] != '.')
            return -1;
        double scale = 0.1;
        for (std::size_t i = 7; i < value.size(); ++i, scale /= 10) {
            if (value[i] < '0' || value[i] > '9')
                return -1;
            fraction += (value[i] - '0') * scale;
        }
    }
    return hours * 3600 + minutes * 60 + seconds + fraction;
}
