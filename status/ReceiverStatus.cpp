#include "ReceiverStatus.h"

#include "TextFunctions.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {
// GSA with maxGsaIds satellites, its DOPs and system id; GSV has at most 4 + 4 * 4 + 1.
constexpr int maxFields = ReceiverStatus::maxGsaIds + 8;
// A GSV group of more parts is noise; it bounds the satellites a sky keeps.
constexpr int maxGsvParts = 20;
// Sentences of a kind that come several an epoch (GSV, GSA) closer than this are one arrival
// when no time tag tells the epochs apart.
constexpr qint64 sameArrivalMs = 250;
constexpr int msPerDay = 24 * 3600 * 1000;
constexpr double metresPerSecondPerKnot = 1852.0 / 3600;

using Field = QByteArrayView;
using Sentence = ReceiverStatus::Sentence;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// A field read: nothing in it, a value, or something no receiver can mean.
template <typename T> struct Read
{
    std::optional<T> value;
    bool impossible = false;
};
template <typename T> Read<T> bad()
{
    return {std::nullopt, true};
}

// A decimal number as NMEA writes it: an optional sign, digits, an optional fraction. Anything
// else (blanks, exponents, "nan") is broken.
std::optional<double> decimal(Field field)
{
    if (field.isEmpty() || field.size() > 20)
        return std::nullopt;
    qsizetype i = field.front() == '-' || field.front() == '+' ? 1 : 0;
    int digits = 0;
    bool point = false;
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A whole number of at most 9 digits (a leading zero allowed: "07").
std::optional<int> whole(Field field)
{
    if (field.isEmpty() || field.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> wholeIn(Field field, int low, int high)
{
    const auto value = whole(field);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

// A field that must hold a whole number in a range when it holds anything.
Read<int> strictWhole(Field field, int low, int high)
{
    if (field.isEmpty())
        return {};
    const auto value = wholeIn(field, low, high);
    return value ? Read<int>{value} : bad<int>();
}

// "hhmmss" with any fraction, as milliseconds since midnight (a fraction past the millisecond
// is cut).
Read<int> timeOfDay(Field field)
{
    if (field.isEmpty())
        return {};
    if (field.size() < 6)
        return bad<int>();
    const auto hours = wholeIn(field.first(2), 0, 23);
    const auto minutes = wholeIn(field.sliced(2, 2), 0, 59);
    const auto seconds = wholeIn(field.sliced(4, 2), 0, 60); // 60: a leap second
    if (!hours || !minutes || !seconds)
        return bad<int>();
    int ms = 0;
    if (field.size() > 6) {
        const Field fraction = field.sliced(7);
        if (field[6] != '.' || fraction.size() > 9 || (!fraction.isEmpty() && !whole(fraction)))
            return bad<int>();
        for (int i = 0, scale = 100; i < 3 && i < fraction.size(); ++i, scale /= 10)
            ms += scale * (fraction[i] - '0');
    }
    return {((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + ms};
}

// "ddmm.mmmm" (or "dddmm.mmmm") and its hemisphere, as signed degrees.
Read<double> angle(Field value, Field hemisphere, char positive, char negative, double limit)
{
    if (value.isEmpty() && hemisphere.isEmpty())
        return {};
    const auto raw = decimal(value);
    if (!raw || *raw < 0 || hemisphere.size() != 1 ||
        (hemisphere[0] != positive && hemisphere[0] != negative))
        return bad<double>();
    const double degrees = std::floor(*raw / 100);
    const double minutes = *raw - degrees * 100;
    const double result = degrees + minutes / 60;
    if (minutes >= 60 || result > limit)
        return bad<double>();
    return {hemisphere[0] == negative ? -result : result};
}

// Latitude and longitude together; either alone is none.
Read<ReceiverStatus::Position> positionOf(const Field* field)
{
    const auto latitude = angle(field[0], field[1], 'N', 'S', 90);
    const auto longitude = angle(field[2], field[3], 'E', 'W', 180);
    if (latitude.impossible || longitude.impossible)
        return bad<ReceiverStatus::Position>();
    if (!latitude.value || !longitude.value)
        return {};
    return {ReceiverStatus::Position{*latitude.value, *longitude.value}};
}

std::optional<double> nonNegative(Field field, double high = 1e9)
{
    const auto value = decimal(field);
    return value && *value >= 0 && *value <= high ? value : std::nullopt;
}

bool knownTalker(QByteArrayView talker)
{
    return talker == "GN" || constellationOfTalker(talker) != Constellation::Unknown;
}

// The constellation of a satellite named in a sentence of this system: GN says nothing, and GPS
// also speaks of SBAS and QZSS satellites by their numbers (NMEA 4.10).
Constellation constellationOf(Constellation system, int number)
{
    if (system == Constellation::Unknown || (system == Constellation::Gps && number > 32)) {
        const Constellation byNumber = constellationOfNumber(number);
        return byNumber == Constellation::Unknown ? system : byNumber;
    }
    return system;
}

quint64 keyOf(QByteArrayView talker, Sentence kind, quint64 extra)
{
    return quint64(quint8(talker[0])) << 56 | quint64(quint8(talker[1])) << 48 |
           quint64(kind) << 40 | (extra & 0xFFFFFFFFFFull);
}
} // namespace

void ReceiverStatus::Arrivals::add(qint64 nowMs)
{
    if (count == int(at.size())) {
        std::move(at.begin() + 1, at.end(), at.begin());
        --count;
    }
    at[count++] = nowMs;
}

void ReceiverStatus::addReceived(const QByteArray& chunk, qint64 nowMs)
{
    const char* from = chunk.constData();
    const char* const stop = from + chunk.size();
    while (from < stop) {
        const char* lineEnd = std::find_if(from, stop, isLineEnd);
        if (partial.isEmpty() && lineEnd < stop) {
            // The common case, a whole line inside the chunk: no copy.
            if (lineEnd > from)
                addSentence(QByteArrayView(from, lineEnd), nowMs);
        } else {
            partial.append(from, lineEnd - from);
            if (partial.size() > maxLineBytes) {
                partial.clear();
            } else if (lineEnd < stop && !partial.isEmpty()) {
                addSentence(partial, nowMs);
                partial.clear();
            }
        }
        from = lineEnd < stop ? lineEnd + 1 : stop;
    }
}

void ReceiverStatus::addSentence(QByteArrayView line, qint64 nowMs)
{
    while (!line.isEmpty() && isLineEnd(line.back()))
        line.chop(1);
    // Noise before the head of a sentence is not part of it.
    const qsizetype head = line.lastIndexOf('$');
    if (head < 0 || line.size() - head > maxLineBytes)
        return;
    switch (takeSentence(line.sliced(head), nowMs)) {
    case Outcome::Taken:
        ++taken;
        break;
    case Outcome::Broken:
        ++skipped;
        break;
    case Outcome::Ignored:
        break;
    }
}

void ReceiverStatus::clear()
{
    EpochListener kept = std::move(epochListener);
    *this = ReceiverStatus();
    epochListener = std::move(kept);
}

void ReceiverStatus::setEpochListener(EpochListener listener)
{
    epochListener = std::move(listener);
}

std::optional<ReceiverStatus::Sentence> ReceiverStatus::sentenceNamed(QByteArrayView kindName)
{
    for (int kind = 0; kind < sentenceKinds; ++kind)
        if (kindName == nameOf(static_cast<Sentence>(kind)))
            return static_cast<Sentence>(kind);
    return std::nullopt;
}

const char* ReceiverStatus::nameOf(Sentence kind)
{
    static const char* const names[] = {"GGA", "RMC", "GSA", "GSV", "HDT", "ZDA", "GST", "VTG"};
    return names[static_cast<int>(kind)];
}

void ReceiverStatus::setConfiguredPeriod(Sentence kind, double seconds)
{
    arrivals[static_cast<int>(kind)].configured = std::isfinite(seconds) ? seconds : 0;
}

bool ReceiverStatus::setConfiguredPeriod(QByteArrayView kindName, double seconds)
{
    const auto kind = sentenceNamed(kindName);
    if (kind)
        setConfiguredPeriod(*kind, seconds);
    return kind.has_value();
}

double ReceiverStatus::configuredPeriod(Sentence kind) const
{
    return std::max(0.0, arrivals[static_cast<int>(kind)].configured);
}

double ReceiverStatus::measuredPeriod(Sentence kind) const
{
    const Arrivals& times = arrivals[static_cast<int>(kind)];
    if (times.count < 2)
        return 0;
    return (times.at[times.count - 1] - times.at[0]) / 1000.0 / (times.count - 1);
}

qint64 ReceiverStatus::overdueAfterMs(Sentence kind) const
{
    const double set = configuredPeriod(kind);
    const double period = set > 0 ? set : measuredPeriod(kind);
    return std::max(minOverdueMs, qint64(std::ceil(overdueFactor * period * 1000)));
}

qint64 ReceiverStatus::lastArrival(Sentence kind) const
{
    const Arrivals& times = arrivals[static_cast<int>(kind)];
    return times.count > 0 ? times.at[times.count - 1] : -1;
}

bool ReceiverStatus::isOverdue(Sentence kind, qint64 nowMs) const
{
    const qint64 last = lastArrival(kind);
    return last >= 0 && nowMs - last > overdueAfterMs(kind);
}

ReceiverStatus::Timed<double> ReceiverStatus::heightEllipsoid() const
{
    Timed<double> above = height;
    above.present = height.known() && geoid.known();
    above.value = above.present ? height.value + geoid.value : 0;
    return above;
}

QDateTime ReceiverStatus::utc() const
{
    if (!date.known() || !time.known() || time.at - date.at > overdueAfterMs(date.from))
        return QDateTime();
    // A time of day half a day before the date's is the next day's: midnight passed.
    const QDate day =
        dateTimeOfDay - time.value > msPerDay / 2 ? date.value.addDays(1) : date.value;
    return QDateTime(day, QTime(0, 0), Qt::UTC).addMSecs(time.value);
}

template <typename T>
void ReceiverStatus::set(Timed<T>& timed, const std::optional<T>& value, Sentence kind,
                         qint64 nowMs)
{
    timed.present = value.has_value();
    timed.value = value.value_or(T{});
    timed.at = nowMs;
    timed.from = kind;
    timed.epoch = epochs;
}

void ReceiverStatus::startEpochIfNew(Sentence kind, int tag)
{
    const unsigned bit = 1u << static_cast<int>(kind);
    if (tag != epochTag || (epochKinds & bit)) {
        // The previous epoch's last sentence will tell the end of this one.
        enderKey = lastKey;
        endEpoch();
        ++epochs;
        epochTag = tag;
        epochKinds = 0;
        epochEnded = false;
    }
    epochKinds |= bit;
}

void ReceiverStatus::endEpoch()
{
    if (epochEnded)
        return;
    epochEnded = true;
    if (epochListener)
        epochListener();
}

void ReceiverStatus::arrived(Sentence kind, qint64 nowMs)
{
    Arrivals& times = arrivals[static_cast<int>(kind)];
    const bool several = kind == Sentence::Gsa || kind == Sentence::Gsv;
    // A slow line takes long for an epoch's GSVs: the gap to the previous one tells.
    if (!several || times.count == 0 || times.epoch != epochs ||
        nowMs - times.lastSentence > sameArrivalMs)
        times.add(nowMs);
    times.epoch = epochs;
    times.lastSentence = nowMs;
}

void ReceiverStatus::takeTime(int msOfDay, Sentence kind, qint64 nowMs)
{
    set(time, std::optional<int>(msOfDay), kind, nowMs);
}

ReceiverStatus::Outcome ReceiverStatus::takeSentence(QByteArrayView sentence, qint64 nowMs)
{
    // "$" address "," fields "*hh", the checksum the XOR of all between "$" and "*".
    const qsizetype star = sentence.size() - 3;
    if (star < 1 || sentence[star] != '*')
        return Outcome::Broken;
    const int high = hex_digit_value(sentence[star + 1]);
    const int low = hex_digit_value(sentence[star + 2]);
    unsigned char sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(sentence[i]);
    if (high < 0 || low < 0 || (high << 4 | low) != sum)
        return Outcome::Broken;

    std::array<Field, maxFields> fields;
    int count = 0;
    const QByteArrayView body = sentence.sliced(1, star - 1);
    qsizetype start = 0;
    for (;;) {
        if (count == maxFields)
            return Outcome::Broken; // no sentence read here has this many fields
        const qsizetype comma = body.indexOf(',', start);
        fields[count++] = body.sliced(start, (comma < 0 ? body.size() : comma) - start);
        if (comma < 0)
            break;
        start = comma + 1;
    }
    const QByteArrayView address = fields[0];
    if (address.size() != 5 || address.front() == 'P')
        return Outcome::Ignored;
    const QByteArrayView talker = address.first(2);
    const auto kind = sentenceNamed(address.sliced(2));
    if (!kind)
        return Outcome::Ignored;
    // Which system a satellite belongs to is told by the talker; a heading may come from a
    // gyro's (HE) as well.
    if ((kind == Sentence::Gsa || kind == Sentence::Gsv) && !knownTalker(talker))
        return Outcome::Ignored;
    const Field* field = fields.data() + 1;
    --count;
    keyExtra = 0;
    Outcome outcome = Outcome::Ignored;
    switch (*kind) {
    case Sentence::Gga:
        outcome = takeGga(field, count, nowMs);
        break;
    case Sentence::Rmc:
        outcome = takeRmc(field, count, nowMs);
        break;
    case Sentence::Gsa:
        outcome = takeGsa(talker, field, count, nowMs);
        break;
    case Sentence::Gsv:
        outcome = takeGsv(talker, field, count, nowMs);
        break;
    case Sentence::Hdt:
        outcome = takeHdt(field, count, nowMs);
        break;
    case Sentence::Zda:
        outcome = takeZda(field, count, nowMs);
        break;
    case Sentence::Gst:
        outcome = takeGst(field, count, nowMs);
        break;
    case Sentence::Vtg:
        outcome = takeVtg(field, count, nowMs);
        break;
    }
    if (outcome != Outcome::Taken)
        return outcome;
    arrived(*kind, nowMs);
    lastKey = keyOf(talker, *kind, keyExtra);
    if (!epochEnded && lastKey == enderKey)
        endEpoch();
    return outcome;
}

// time, lat, N/S, lon, E/W, quality, used, HDOP, height, M, separation, M, age, station
ReceiverStatus::Outcome ReceiverStatus::takeGga(const Field* field, int count, qint64 nowMs)
{
    if (count < 14)
        return Outcome::Broken;
    const auto tag = timeOfDay(field[0]);
    const auto where_ = positionOf(field + 1);
    const auto q = strictWhole(field[5], 0, 8);
    if (tag.impossible || where_.impossible || q.impossible)
        return Outcome::Broken;
    startEpochIfNew(Sentence::Gga, tag.value.value_or(-1));
    constexpr Sentence gga = Sentence::Gga;
    if (tag.value)
        takeTime(*tag.value, gga, nowMs);
    set(quality, q.value ? std::optional(static_cast<FixQuality>(*q.value)) : std::nullopt, gga,
        nowMs);
    // Without a fix, a position, a height or a count are the last fix's, not this epoch's.
    const bool fixed = q.value.value_or(0) != 0;
    set(where, fixed ? where_.value : std::nullopt, gga, nowMs);
    // GGA may count fewer systems than the epoch's GSAs list, or the GSAs fewer than it.
    ggaUsed = {epochs, fixed ? wholeIn(field[6], 0, 999).value_or(0) : 0};
    const int listed = usedEpoch == epochs ? int(used.size()) : 0;
    set(usedCount, std::optional(std::max(ggaUsed.second, listed)), gga, nowMs);
    set(hdopValue, nonNegative(field[7]), gga, nowMs);
    const auto metres = fixed ? decimal(field[8]) : std::nullopt;
    set(height, metres, gga, nowMs);
    set(geoid, fixed ? decimal(field[10]) : std::nullopt, gga, nowMs);
    climbRate.present = false;
    if (metres && tag.value) {
        if (lastHeight && lastHeight->first != *tag.value) {
            // Across midnight the receiver's clock starts again.
            const qint64 ms = (*tag.value - lastHeight->first + msPerDay) % msPerDay;
            if (ms > 0 && ms < 60000)
                set(climbRate, std::optional((*metres - lastHeight->second) * 1000 / ms), gga,
                    nowMs);
        }
        lastHeight = std::pair<qint64, double>(*tag.value, *metres);
    } else {
        lastHeight.reset();
    }
    Corrections received;
    if (const auto age = nonNegative(field[12]))
        received.ageSeconds = age;
    received.stationId =
        field[13].first(std::min<qsizetype>(field[13].size(), maxStationIdBytes)).toByteArray();
    const bool any = received.ageSeconds || !received.stationId.isEmpty();
    set(correction, any ? std::optional(received) : std::nullopt, gga, nowMs);
    return Outcome::Taken;
}

// time, status, lat, N/S, lon, E/W, speed, course, date, …
ReceiverStatus::Outcome ReceiverStatus::takeRmc(const Field* field, int count, qint64 nowMs)
{
    if (count < 9)
        return Outcome::Broken;
    const auto tag = timeOfDay(field[0]);
    const auto where_ = positionOf(field + 2);
    const Field status = field[1];
    const Field ddmmyy = field[8];
    QDate when;
    if (ddmmyy.size() == 6) {
        const auto day = whole(ddmmyy.first(2));
        const auto month = whole(ddmmyy.sliced(2, 2));
        const auto year = whole(ddmmyy.sliced(4, 2));
        // Two digits of year: 80-99 are the last century, GPS time began in 1980.
        if (day && month && year)
            when = QDate(*year < 80 ? 2000 + *year : 1900 + *year, *month, *day);
    }
    if (tag.impossible || where_.impossible || (status != "A" && status != "V") ||
        (!ddmmyy.isEmpty() && !when.isValid()))
        return Outcome::Broken;
    startEpochIfNew(Sentence::Rmc, tag.value.value_or(-1));
    constexpr Sentence rmc = Sentence::Rmc;
    const bool valid = status == "A";
    set(where, valid ? where_.value : std::nullopt, rmc, nowMs);
    set(groundSpeed,
        valid && nonNegative(field[6])
            ? std::optional(*nonNegative(field[6]) * metresPerSecondPerKnot)
            : std::nullopt,
        rmc, nowMs);
    set(groundCourse, valid ? nonNegative(field[7], 360) : std::nullopt, rmc, nowMs);
    if (tag.value)
        takeTime(*tag.value, rmc, nowMs);
    set(date, when.isValid() && tag.value ? std::optional(when) : std::nullopt, rmc, nowMs);
    dateTimeOfDay = tag.value.value_or(0);
    return Outcome::Taken;
}

// time, day, month, year, zone hours, zone minutes
ReceiverStatus::Outcome ReceiverStatus::takeZda(const Field* field, int count, qint64 nowMs)
{
    if (count < 4)
        return Outcome::Broken;
    const auto tag = timeOfDay(field[0]);
    const auto day = strictWhole(field[1], 1, 31);
    const auto month = strictWhole(field[2], 1, 12);
    const auto year = strictWhole(field[3], 1980, 9999);
    const QDate when = day.value && month.value && year.value
                           ? QDate(*year.value, *month.value, *day.value)
                           : QDate();
    if (tag.impossible || day.impossible || month.impossible || year.impossible ||
        (day.value && !when.isValid()))
        return Outcome::Broken;
    startEpochIfNew(Sentence::Zda, tag.value.value_or(-1));
    if (tag.value)
        takeTime(*tag.value, Sentence::Zda, nowMs);
    set(date, when.isValid() && tag.value ? std::optional(when) : std::nullopt, Sentence::Zda,
        nowMs);
    dateTimeOfDay = tag.value.value_or(0);
    return Outcome::Taken;
}

// heading, T
ReceiverStatus::Outcome ReceiverStatus::takeHdt(const Field* field, int count, qint64 nowMs)
{
    if (count < 1)
        return Outcome::Broken;
    set(trueHeading, nonNegative(field[0], 360), Sentence::Hdt, nowMs);
    return Outcome::Taken;
}

// course true, T, course magnetic, M, knots, N, km/h, K, mode
ReceiverStatus::Outcome ReceiverStatus::takeVtg(const Field* field, int count, qint64 nowMs)
{
    if (count < 8)
        return Outcome::Broken;
    std::optional<double> metresPerSecond;
    if (const auto knots = nonNegative(field[4]))
        metresPerSecond = *knots * metresPerSecondPerKnot;
    else if (const auto kmh = nonNegative(field[6]))
        metresPerSecond = *kmh / 3.6;
    set(groundSpeed, metresPerSecond, Sentence::Vtg, nowMs);
    set(groundCourse, nonNegative(field[0], 360), Sentence::Vtg, nowMs);
    return Outcome::Taken;
}

// time, rms, major, minor, orientation, sigma lat, sigma lon, sigma alt
ReceiverStatus::Outcome ReceiverStatus::takeGst(const Field* field, int count, qint64 nowMs)
{
    if (count < 8)
        return Outcome::Broken;
    const auto tag = timeOfDay(field[0]);
    if (tag.impossible)
        return Outcome::Broken;
    startEpochIfNew(Sentence::Gst, tag.value.value_or(-1));
    const auto latitude = nonNegative(field[5]);
    const auto longitude = nonNegative(field[6]);
    const auto altitude = nonNegative(field[7]);
    set(sigmas,
        latitude && longitude && altitude ? std::optional(Sigmas{*latitude, *longitude, *altitude})
                                          : std::nullopt,
        Sentence::Gst, nowMs);
    return Outcome::Taken;
}

// mode 1, mode 2, the satellites used (12, or as many as the receiver lists), PDOP, HDOP, VDOP
// and, from NMEA 4.10, the system id
ReceiverStatus::Outcome ReceiverStatus::takeGsa(QByteArrayView talker, const Field* field,
                                                int count, qint64 nowMs)
{
    if (count < 5)
        return Outcome::Broken;
    // Twelve ids and the DOPs are 17 fields, 18 with the system id. With other counts a
    // system id is one hex digit after a VDOP written with its point.
    bool withSystem = count == 18;
    if (count != 17 && count != 18 && count >= 6) {
        const Field last = field[count - 1];
        const Field before = field[count - 2];
        withSystem = last.size() == 1 && hex_digit_value(last[0]) > 0 &&
                     (before.isEmpty() || before.contains('.'));
    }
    const int dops = count - (withSystem ? 4 : 3);
    const int ids = dops - 2;
    if (ids < 0 || ids > maxGsaIds)
        return Outcome::Broken;
    const auto fixMode = strictWhole(field[1], 1, 3);
    if (fixMode.impossible)
        return Outcome::Broken;
    int systemId = 0;
    if (withSystem)
        systemId = hex_digit_value(field[count - 1][0]);
    Constellation system = constellationOfSystemId(systemId);
    if (system == Constellation::Unknown)
        system = constellationOfTalker(talker);
    std::vector<UsedSatellite> listed;
    for (int i = 2; i < 2 + ids; ++i) {
        if (field[i].isEmpty())
            continue;
        const auto number = wholeIn(field[i], 1, 999);
        if (!number)
            return Outcome::Broken;
        const Constellation own = constellationOf(system, *number);
        if (own != Constellation::Unknown)
            listed.push_back({own, ownNumber(own, *number)});
    }

    // One epoch's GSAs are told apart by their system; those naming none, by their order.
    quint64 part = withSystem ? 0x100 + systemId : quint64(system);
    if (part == 0 && !listed.empty())
        part = quint64(listed.front().constellation);
    if (part == 0)
        part = 0x200 + std::count_if(gsaParts.begin(), gsaParts.end(),
                                     [](quint64 each) { return each >= 0x200; });
    if (usedEpoch != epochs || gsaParts.empty() ||
        std::find(gsaParts.begin(), gsaParts.end(), part) != gsaParts.end()) {
        used.clear();
        gsaParts.clear();
        usedEpoch = epochs;
        if (part >= 0x200)
            part = 0x200;
    }
    gsaParts.push_back(part);
    keyExtra = part;
    for (const UsedSatellite& satellite : listed)
        if (std::find(used.begin(), used.end(), satellite) == used.end())
            used.push_back(satellite);

    constexpr Sentence gsa = Sentence::Gsa;
    set(mode, fixMode.value ? std::optional(static_cast<FixMode>(*fixMode.value)) : std::nullopt,
        gsa, nowMs);
    set(pdopValue, nonNegative(field[dops]), gsa, nowMs);
    set(hdopValue, nonNegative(field[dops + 1]), gsa, nowMs);
    set(vdopValue, nonNegative(field[dops + 2]), gsa, nowMs);
    const int counted = ggaUsed.first == epochs ? ggaUsed.second : 0;
    set(usedCount, std::optional(std::max(int(used.size()), counted)), gsa, nowMs);
    ++skyUpdates;
    return Outcome::Taken;
}

// parts, part, in view, then per satellite number, elevation, azimuth, SNR, and from NMEA 4.10
// the signal id
ReceiverStatus::Outcome ReceiverStatus::takeGsv(QByteArrayView talker, const Field* field,
                                                int count, qint64 nowMs)
{
    if (count < 3 || (count - 3) % 4 > 1)
        return Outcome::Broken;
    const auto parts = wholeIn(field[0], 1, maxGsvParts);
    const auto part = parts ? wholeIn(field[1], 1, *parts) : std::nullopt;
    if (!part)
        return Outcome::Broken;
    int signalId = 0;
    if ((count - 3) % 4 == 1) {
        // One hex digit: signal 11 is "B".
        const Field id = field[count - 1];
        signalId = id.size() == 1 ? hex_digit_value(id[0]) : -1;
        if (signalId < 0)
            return Outcome::Broken;
    }
    keyExtra = quint64(signalId) << 8 | quint64(*part == *parts ? 0xFF : *part);
    auto sky = std::find_if(skies.begin(), skies.end(), [&](const Sky& each) {
        return each.talker[0] == talker[0] && each.talker[1] == talker[1] &&
               each.signalId == signalId;
    });
    if (sky == skies.end()) {
        sky = skies.insert(skies.end(), Sky());
        sky->talker[0] = talker[0];
        sky->talker[1] = talker[1];
        sky->signalId = signalId;
    }
    if (*part == 1) {
        sky->arriving.clear();
        sky->parts = *parts;
        sky->nextPart = 1;
    }
    if (*part != sky->nextPart || *parts != sky->parts) {
        // A part lost or out of order: this group is no sky; wait for the next one.
        sky->arriving.clear();
        sky->nextPart = 0;
        return Outcome::Taken;
    }
    const Constellation byTalker = constellationOfTalker(talker);
    for (int i = 3; i + 3 < count; i += 4) {
        const auto number = wholeIn(field[i], 1, 999);
        if (!number)
            continue;
        Satellite satellite;
        satellite.constellation = constellationOf(byTalker, *number);
        satellite.number = *number;
        satellite.signalId = signalId;
        satellite.elevation = wholeIn(field[i + 1], 0, 90);
        satellite.azimuth = wholeIn(field[i + 2], 0, 360);
        satellite.snr = wholeIn(field[i + 3], 0, 99);
        satellite.lastSeen = nowMs;
        sky->arriving.push_back(satellite);
    }
    if (++sky->nextPart > sky->parts) {
        sky->complete.swap(sky->arriving);
        sky->arriving.clear();
        sky->nextPart = 1;
        ++skyGroups;
        ++skyUpdates;
    }
    return Outcome::Taken;
}

bool ReceiverStatus::isUsed(Constellation constellation, int svid) const
{
    return std::find(used.begin(), used.end(), UsedSatellite{constellation, svid}) != used.end();
}

qint64 ReceiverStatus::skyKeptFor() const
{
    return overdueAfterMs(Sentence::Gsv) + skyKeptMs;
}

std::vector<ReceiverStatus::Satellite> ReceiverStatus::signalsInView(qint64 nowMs) const
{
    std::vector<Satellite> seen;
    const qint64 kept = skyKeptFor();
    for (const Sky& sky : skies) {
        for (const Satellite& satellite : sky.complete) {
            if (nowMs - satellite.lastSeen > kept)
                continue;
            seen.push_back(satellite);
            seen.back().used = isUsed(satellite.constellation, satellite.svid());
        }
    }
    std::sort(seen.begin(), seen.end(), [](const Satellite& a, const Satellite& b) {
        const int ownA = a.svid();
        const int ownB = b.svid();
        return std::tie(a.constellation, ownA, a.signalId) <
               std::tie(b.constellation, ownB, b.signalId);
    });
    return seen;
}

std::vector<ReceiverStatus::Satellite> ReceiverStatus::satellitesInView(qint64 nowMs) const
{
    std::vector<Satellite> satellites;
    for (const Satellite& signal : signalsInView(nowMs)) {
        if (!satellites.empty() && satellites.back().constellation == signal.constellation &&
            satellites.back().svid() == signal.svid()) {
            Satellite& same = satellites.back();
            if (signal.snr.value_or(-1) > same.snr.value_or(-1)) {
                same.snr = signal.snr;
                same.signalId = signal.signalId;
            }
            if (!same.elevation)
                same.elevation = signal.elevation;
            if (!same.azimuth)
                same.azimuth = signal.azimuth;
            same.lastSeen = std::max(same.lastSeen, signal.lastSeen);
            continue;
        }
        satellites.push_back(signal);
    }
    return satellites;
}

std::vector<ReceiverStatus::SystemCount> ReceiverStatus::systemCounts(qint64 nowMs) const
{
    std::array<SystemCount, 8> counts;
    for (int c = 0; c < 8; ++c)
        counts[c].constellation = static_cast<Constellation>(c);
    for (const Satellite& satellite : satellitesInView(nowMs))
        ++counts[static_cast<int>(satellite.constellation)].inView;
    for (const UsedSatellite& satellite : used)
        ++counts[static_cast<int>(satellite.constellation)].used;
    std::vector<SystemCount> result;
    for (const SystemCount& count : counts) {
        if (count.used > 0 || count.inView > 0)
            result.push_back(count);
    }
    return result;
}
