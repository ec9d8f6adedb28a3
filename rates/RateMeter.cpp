#include "RateMeter.h"

#include "Constellation.h"
#include "NmeaList.h"
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

// Field index of a sentence's body, the address being field 0; empty when there is none.
QByteArrayView field(QByteArrayView body, int index)
{
    qsizetype from = 0;
    for (; index > 0; --index) {
        from = body.indexOf(',', from);
        if (from < 0)
            return {};
        ++from;
    }
    const qsizetype to = body.indexOf(',', from);
    return body.sliced(from, (to < 0 ? body.size() : to) - from);
}

// A small unsigned number; -1 when the field holds none.
int number(QByteArrayView text, int base = 10)
{
    if (text.isEmpty() || text.size() > 4)
        return -1;
    int value = 0;
    for (const char c : text) {
        const int digit = hex_digit_value(c);
        if (digit < 0 || digit >= base)
            return -1;
        value = value * base + digit;
    }
    return value;
}

// A time tag, hhmmss with any fraction, as milliseconds of the day: 120000 and 120000.00 are one
// time. -1 when it is no time.
qint64 tagMs(QByteArrayView time)
{
    if (time.size() < 6 || (time.size() > 6 && time[6] != '.') || time.size() > 16)
        return -1;
    qint64 ms = 0;
    for (int i = 0; i < 6; ++i) {
        if (time[i] < '0' || time[i] > '9')
            return -1;
        ms = ms * 10 + (time[i] - '0');
    }
    ms = ((ms / 10000) * 3600 + ms / 100 % 100 * 60 + ms % 100) * 1000;
    for (qsizetype i = 7, scale = 100; i < time.size(); ++i, scale /= 10) {
        if (time[i] < '0' || time[i] > '9')
            return -1;
        ms += scale * (time[i] - '0');
    }
    return ms;
}

bool isListed(QByteArrayView name)
{
    for (int i = 0; i < nmeaSentenceCount; ++i)
        if (nmeaList[i] == QLatin1String(name.data(), name.size()))
            return true;
    return false;
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
    const quint64 lines = totals.lines - linesBefore;
    addToSlice(at, lines, static_cast<quint64>(chunk.size()));
    if (firstAt < 0) {
        firstAt = at;
        firstLines = lines;
        firstBytes = static_cast<quint64>(chunk.size());
    }
    lastAt = at;
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
    const QByteArrayView name =
        talker ? QByteArrayView(address + 2, 3) : QByteArrayView(address, addressEnd - address);

    const char* star = static_cast<const char*>(std::memchr(begin, '*', end - begin));
    unsigned char sum = 0;
    for (const char* c = address; c < (star ? star : end); ++c)
        sum ^= static_cast<unsigned char>(*c);
    const bool good = star && end - star == 3 && hex_digit_value(star[1]) >= 0 &&
                      hex_digit_value(star[2]) >= 0 &&
                      (hex_digit_value(star[1]) << 4 | hex_digit_value(star[2])) == sum;
    Tally* found = tally(name, good);
    if (!good) {
        ++totals.checksumErrors;
        if (found) {
            ++found->checksumErrors;
            found->lastBadAt = at;
        }
        return;
    }
    if (!found)
        return;
    Tally& kind = *found;
    ++kind.count;
    const QByteArrayView body(address, star - address);
    readTimeTag(name, body);
    quint64 part = partOf(QByteArrayView(address, addressEnd - address), name, body);
    // GSAs naming no system (no fix yet: all empty) are told apart by their order in the epoch,
    // once time tags tell the epochs.
    const auto unnamed = [](quint64 each) { return (each >> 32 & 0xFFFF) == unnamedGsa; };
    if (unnamed(part) && epoch > 0 && kind.epoch == epoch)
        part += std::count_if(kind.parts.begin(), kind.parts.end(), unnamed);
    const bool repeated = std::find(kind.parts.begin(), kind.parts.end(), part) != kind.parts.end();
    if (kind.arrivals.empty() || kind.epoch != epoch || repeated) {
        kind.arrivals.push_back(at);
        if (kind.arrivals.size() > static_cast<std::size_t>(windowSentences))
            kind.arrivals.pop_front();
        kind.epoch = epoch;
        kind.parts.clear();
    }
    if (kind.parts.size() < maxPartsPerArrival)
        kind.parts.push_back(part);
    if (name == "GGA")
        readFix(body);
}

RateMeter::Tally* RateMeter::tally(QByteArrayView name, bool good)
{
    for (Tally& known : tallies)
        if (known.name == name)
            return &known;
    const bool listed = isListed(name);
    if (!listed && (!good || unlistedKinds >= maxKinds))
        return nullptr;
    if (!listed)
        ++unlistedKinds;
    tallies.push_back({name.toByteArray(), 0, 0, -1, {}, 0, {}});
    return &tallies.back();
}

void RateMeter::readTimeTag(QByteArrayView kind, QByteArrayView body)
{
    int index = 0;
    unsigned bit = 0;
    if (kind == "GGA" || kind == "RMC" || kind == "ZDA" || kind == "GST") {
        index = 1;
        bit = kind == "GGA" ? 1 : kind == "RMC" ? 2 : kind == "ZDA" ? 4 : 8;
    } else if (kind == "GLL") {
        index = 5;
        bit = 16;
    } else {
        return;
    }
    const QByteArrayView time = field(body, index);
    const qint64 ms = tagMs(time);
    // Without a time (no fix yet), a tagging kind that comes again begins the next epoch.
    const bool next =
        time.isEmpty() ? (tagKinds & bit) != 0 : (ms >= 0 ? ms != timeTagMs : time != timeTag);
    if (next || epoch == 0) {
        timeTag = time.toByteArray();
        timeTagMs = ms;
        tagKinds = 0;
        ++epoch;
    }
    tagKinds |= bit;
}

quint64 RateMeter::partOf(QByteArrayView address, QByteArrayView kind, QByteArrayView body)
{
    // talker, system, signal and part, 16 bits each.
    quint64 talker = 0;
    if (address.size() == 5 && address[0] != 'P')
        talker = quint64(quint8(address[0])) << 8 | quint8(address[1]);
    int system = 0, signal = 0, part = 0;
    if (kind == "GSV") {
        part = number(field(body, 2));
        // After the satellites' groups of four, NMEA 4.10 adds the signal id.
        const qsizetype fields = body.count(',');
        if (fields >= 4 && (fields - 3) % 4 == 1)
            signal = number(field(body, int(fields)), 16);
        if (constellationOfTalker(address.first(2)) == Constellation::Unknown)
            system = int(constellationOfNumber(number(field(body, 4))));
    } else if (kind == "GSA") {
        // NMEA 4.10's system id, last after the DOPs however many ids came before them; before
        // it, the system of the satellites used.
        const int fields = int(body.count(','));
        const QByteArrayView last = field(body, fields);
        const int id = fields >= 18 && last.size() == 1 ? number(last, 16) : -1;
        if (id >= 0)
            system = constellationOfSystemId(id) == Constellation::Unknown
                         ? 0x100 + id
                         : int(constellationOfSystemId(id));
        for (int i = 3; i <= fields - 3 && system == 0; ++i)
            system = int(constellationOfNumber(number(field(body, i))));
        if (system == 0)
            system = unnamedGsa;
    }
    return talker << 48 | quint64(quint16(system)) << 32 | quint64(quint16(signal)) << 16 |
           quint16(part);
}

void RateMeter::readFix(QByteArrayView body)
{
    if (body.count(',') < 8)
        return;
    lastFix.seen = true;
    const QByteArrayView time = field(body, 1);
    lastFix.utc = time.toByteArray();
    if (time.size() >= 6)
        lastFix.utc.insert(4, ':').insert(2, ':');
    lastFix.quality = field(body, 6).toByteArray();
    lastFix.satellites = field(body, 7).toByteArray();
    lastFix.hdop = field(body, 8).toByteArray();
}

void RateMeter::reset()
{
    Clock kept = std::move(clock);
    *this = RateMeter(std::move(kept));
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
    kind.lastBadAt = tally.lastBadAt;
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
    if (now - firstAt >= windowMs) {
        figures.linesPerSecond = lines / (windowMs / 1000.0);
        figures.bytesPerSecond = bytes / (windowMs / 1000.0);
        return figures;
    }
    // Until the window is full, what came after the first chunk over the time since it: the
    // first chunk has no time of its own (a rate right after 清零 read a burst too many). Once
    // the line goes quiet the time runs on and the rate falls.
    const qint64 ms = std::max({lastAt - firstAt, now - firstAt - 1000, sliceMs});
    figures.linesPerSecond = (lines - firstLines) / (ms / 1000.0);
    figures.bytesPerSecond = (bytes - firstBytes) / (ms / 1000.0);
    return figures;
}
