#include "RateMeter.h"

#include "TextFunctions.h"

#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <cstring>

namespace {
constexpr qint64 sliceMs = 100;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// An address is what follows "$" up to the first comma: talker and kind, upper case.
bool isAddress(const char* begin, const char* end)
{
    const auto length = end - begin;
    if (length < 3 || length > 8)
        return false;
    return std::all_of(begin, end,
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}
// The third field of a satellite group, "GPGSV,3,1,…", numbers its part from 1.
bool isFirstPart(const QByteArray& body)
{
    const qsizetype first = body.indexOf(',');
    const qsizetype second = first < 0 ? -1 : body.indexOf(',', first + 1);
    if (second < 0)
        return true;
    const qsizetype third = body.indexOf(',', second + 1);
    return body.mid(second + 1, third < 0 ? -1 : third - second - 1) == "1";
}
} // namespace

RateMeter::RateMeter(Clock chosen) : clock(std::move(chosen))
{
    if (!clock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        clock = [started] { return started->elapsed(); };
    }
}

void RateMeter::addReceived(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    const qint64 at = clock();
    if (firstAt < 0)
        firstAt = at;
    const quint64 linesBefore = totals.lines;
    totals.bytes += static_cast<quint64>(chunk.size());
    const char* from = chunk.constData();
    const char* const stop = from + chunk.size();
    while (from < stop) {
        const char* lineEnd = std::find_if(from, stop, isLineEnd);
        if (partial.isEmpty() && lineEnd < stop && lineEnd - from <= maxLineBytes) {
            // The common case, a whole line inside the chunk: no copy.
            if (lineEnd > from)
                endLine(from, lineEnd, at);
        } else {
            partial.append(from, lineEnd - from);
            if (partial.size() > maxLineBytes) {
                totals.nonNmeaBytes += static_cast<quint64>(partial.size());
                partial.clear();
            } else if (lineEnd < stop && !partial.isEmpty()) {
                endLine(partial.constData(), partial.constData() + partial.size(), at);
                partial.clear();
            }
        }
        from = lineEnd < stop ? lineEnd + 1 : stop;
    }
    addToSlice(at, totals.lines - linesBefore, static_cast<quint64>(chunk.size()));
}

void RateMeter::endLine(const char* begin, const char* end, qint64 at)
{
    ++totals.lines;
    // Noise before the head of a sentence or reply is not part of it.
    const char* head = end;
    while (head > begin && head[-1] != '$')
        --head;
    if (head > begin) {
        --head;
        const char* comma = std::find(head + 1, end, ',');
        const char* addressEnd = std::find(head + 1, comma, '*');
        if (isAddress(head + 1, addressEnd)) {
            totals.nonNmeaBytes += static_cast<quint64>(head - begin);
            takeSentence(head, end, at);
            return;
        }
    }
    // A receiver's answer, "@KVT,,…", is no noise either.
    const char* reply = std::find(begin, end, '@');
    const char* replyAddressEnd = std::find(reply, end, ',');
    if (reply == end || !isAddress(reply + 1, replyAddressEnd))
        reply = end;
    totals.nonNmeaBytes += static_cast<quint64>(reply - begin);
}

void RateMeter::takeSentence(const char* begin, const char* end, qint64 at)
{
    const char* address = begin + 1;
    const char* addressEnd = address;
    while (addressEnd < end && *addressEnd != ',' && *addressEnd != '*')
        ++addressEnd;
    // The kind is the address without its two-letter talker; proprietary ones ($P…) stay whole.
    const bool talker = addressEnd - address == 5 && *address != 'P';
    Tally* found = tally(talker ? QByteArray(address + 2, 3)
                                : QByteArray(address, static_cast<int>(addressEnd - address)));
    if (!found)
        return;
    Tally& kind = *found;

    const char* star = static_cast<const char*>(std::memchr(begin, '*', end - begin));
    unsigned char sum = 0;
    for (const char* c = address; c < (star ? star : end); ++c)
        sum ^= static_cast<unsigned char>(*c);
    const bool good = star && end - star == 3 && hex_digit_value(star[1]) >= 0 &&
                      hex_digit_value(star[2]) >= 0 &&
                      (hex_digit_value(star[1]) << 4 | hex_digit_value(star[2])) == sum;
    if (!good) {
        ++kind.checksumErrors;
        return;
    }
    ++kind.count;
    const bool satellites = kind.name == "GSV";
    const bool fix = kind.name == "GGA";
    const QByteArray body =
        satellites || fix ? QByteArray(address, static_cast<int>(star - address)) : QByteArray();
    // Only the first part of a multi-part satellite group starts an arrival.
    if (satellites && !isFirstPart(body))
        return;
    kind.arrivals.push_back(at);
    if (kind.arrivals.size() > static_cast<std::size_t>(windowSentences))
        kind.arrivals.pop_front();
    if (fix)
        readFix(body);
}

RateMeter::Tally* RateMeter::tally(const QByteArray& name)
{
    for (Tally& known : tallies)
        if (known.name == name)
            return &known;
    if (tallies.size() >= maxKinds)
        return nullptr;
    tallies.push_back({name, 0, 0, {}});
    return &tallies.back();
}

void RateMeter::readFix(const QByteArray& body)
{
    const QList<QByteArray> fields = body.split(',');
    if (fields.size() < 9)
        return;
    lastFix.seen = true;
    const QByteArray& time = fields[1];
    lastFix.utc = time.size() >= 6
                      ? QString::fromLatin1(time.left(2) + ':' + time.mid(2, 2) + ':' + time.mid(4))
                      : QString::fromLatin1(time);
    lastFix.quality = QString::fromLatin1(fields[6]);
    lastFix.satellites = QString::fromLatin1(fields[7]);
    lastFix.hdop = QString::fromLatin1(fields[8]);
}

void RateMeter::addToSlice(qint64 at, quint64 lines, quint64 bytes)
{
    const qint64 start = at - at % sliceMs;
    if (!slices.empty() && slices.back().start == start) {
        slices.back().lines += lines;
        slices.back().bytes += bytes;
    } else {
        slices.push_back({start, lines, bytes});
    }
    while (slices.front().start <= at - windowMs)
        slices.pop_front();
}

RateMeter::Kind RateMeter::figures(const Tally& tally, qint64 sinceMs) const
{
    Kind kind;
    kind.name = tally.name;
    kind.count = tally.count;
    kind.checksumErrors = tally.checksumErrors;
    if (tally.arrivals.empty())
        return kind;
    const qint64 newest = tally.arrivals.back();
    kind.lastAt = newest;
    qint64 oldest = newest;
    for (auto at = tally.arrivals.rbegin(); at != tally.arrivals.rend(); ++at) {
        if (*at < sinceMs || (kind.measured >= 2 && *at < newest - windowMs))
            break;
        if (kind.measured > 0) {
            const double gap = (oldest - *at) / 1000.0;
            kind.minGap = kind.measured == 1 ? gap : std::min(kind.minGap, gap);
            kind.maxGap = std::max(kind.maxGap, gap);
        }
        oldest = *at;
        ++kind.measured;
    }
    if (kind.measured >= 2)
        kind.period = (newest - oldest) / 1000.0 / (kind.measured - 1);
    return kind;
}

std::vector<RateMeter::Kind> RateMeter::kinds(qint64 sinceMs) const
{
    std::vector<Kind> all;
    all.reserve(tallies.size());
    for (const Tally& tally : tallies)
        all.push_back(figures(tally, sinceMs));
    return all;
}

RateMeter::Kind RateMeter::kind(const QByteArray& name, qint64 sinceMs) const
{
    for (const Tally& tally : tallies)
        if (tally.name == name)
            return figures(tally, sinceMs);
    Kind none;
    none.name = name;
    return none;
}

RateMeter::Line RateMeter::line() const
{
    Line figures = totals;
    if (firstAt < 0)
        return figures;
    const qint64 now = clock();
    quint64 lines = 0, bytes = 0;
    for (const Slice& slice : slices) {
        if (slice.start > now - windowMs) {
            lines += slice.lines;
            bytes += slice.bytes;
        }
    }
    // Until the window is full, over the time since the first byte, and at least a second.
    const double seconds = std::clamp<qint64>(now - firstAt, 1000, windowMs) / 1000.0;
    figures.linesPerSecond = lines / seconds;
    figures.bytesPerSecond = bytes / seconds;
    return figures;
}
