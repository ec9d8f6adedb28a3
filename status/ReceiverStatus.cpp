#include "ReceiverStatus.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace {
// GSV has at most 4 + 4 * 4 + 1 fields; GSA 19. Fields past this are not read.
constexpr int maxFields = 24;
// A GSV group of more parts is noise; it bounds the satellites a sky keeps.
constexpr int maxGsvParts = 20;

using Fields = std::array<QByteArrayView, maxFields>;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A decimal number as NMEA writes it: an optional sign, digits, an optional fraction. Anything
// else (blanks, exponents, "nan") is broken.
std::optional<double> decimal(QByteArrayView field)
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
std::optional<int> whole(QByteArrayView field)
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

std::optional<int> wholeIn(QByteArrayView field, int low, int high)
{
    const auto value = whole(field);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

// "hhmmss" with any fraction, as hundredths of a second since midnight.
std::optional<int> timeOfDay(QByteArrayView field)
{
    if (field.size() < 6)
        return std::nullopt;
    const auto hours = wholeIn(field.first(2), 0, 23);
    const auto minutes = wholeIn(field.sliced(2, 2), 0, 59);
    const auto seconds = wholeIn(field.sliced(4, 2), 0, 60); // 60: a leap second
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    int hundredths = 0;
    if (field.size() > 6) {
        const QByteArrayView fraction = field.sliced(7);
        if (field[6] != '.' || fraction.size() > 9 || (!fraction.isEmpty() && !whole(fraction)))
            return std::nullopt;
        if (fraction.size() >= 1)
            hundredths += 10 * (fraction[0] - '0');
        if (fraction.size() >= 2)
            hundredths += fraction[1] - '0';
    }
    return ((*hours * 60 + *minutes) * 60 + *seconds) * 100 + hundredths;
}

// "ddmm.mmmm" (or "dddmm.mmmm") and its hemisphere, as signed degrees.
std::optional<double> angle(QByteArrayView value, QByteArrayView hemisphere, char positive,
                            char negative, double limit)
{
    const auto raw = decimal(value);
    if (!raw || *raw < 0 || hemisphere.size() != 1 ||
        (hemisphere[0] != positive && hemisphere[0] != negative))
        return std::nullopt;
    const double degrees = std::floor(*raw / 100);
    const double minutes = *raw - degrees * 100;
    const double result = degrees + minutes / 60;
    if (minutes >= 60 || result > limit)
        return std::nullopt;
    return hemisphere[0] == negative ? -result : result;
}

bool knownTalker(QByteArrayView talker)
{
    return talker == "GN" || constellationOfTalker(talker) != Constellation::Unknown;
}

// The constellation of a satellite named in a sentence of this talker: GN says nothing, and a
// GPS talker also speaks of SBAS and QZSS satellites by their numbers.
Constellation constellationOf(Constellation talker, int number)
{
    if (talker == Constellation::Unknown || (talker == Constellation::Gps && number > 32)) {
        const Constellation byNumber = constellationOfNumber(number);
        return byNumber == Constellation::Unknown ? talker : byNumber;
    }
    return talker;
}

template <typename T>
void update(ReceiverStatus::Timed<T>& timed, const std::optional<T>& value, qint64 nowMs)
{
    if (value) {
        timed.value = *value;
        timed.at = nowMs;
    }
}
} // namespace

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
    *this = ReceiverStatus();
}

QDateTime ReceiverStatus::utc() const
{
    if (!date.known() || !time.known())
        return QDateTime();
    const int hundredths = time.value;
    const QTime clock(0, 0);
    return QDateTime(date.value, clock, Qt::UTC).addMSecs(qint64(hundredths) * 10);
}

ReceiverStatus::Outcome ReceiverStatus::takeSentence(QByteArrayView sentence, qint64 nowMs)
{
    // "$" address "," fields "*hh", the checksum the XOR of all between "$" and "*".
    const qsizetype star = sentence.size() - 3;
    if (star < 1 || sentence[star] != '*')
        return Outcome::Broken;
    const int high = hexValue(sentence[star + 1]);
    const int low = hexValue(sentence[star + 2]);
    unsigned char sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(sentence[i]);
    if (high < 0 || low < 0 || (high << 4 | low) != sum)
        return Outcome::Broken;

    Fields fields;
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
    const QByteArrayView kind = address.sliced(2);
    // Which system a satellite belongs to is told by the talker; a heading may come from a
    // gyro's (HE) as well.
    if ((kind == "GSA" || kind == "GSV") && !knownTalker(talker))
        return Outcome::Ignored;
    const QByteArrayView* field = fields.data() + 1;
    --count;
    if (kind == "GGA")
        return takeGga(field, count, nowMs);
    if (kind == "RMC")
        return takeRmc(field, count, nowMs);
    if (kind == "GSA")
        return takeGsa(talker, field, count, nowMs);
    if (kind == "GSV")
        return takeGsv(talker, field, count, nowMs);
    if (kind == "HDT")
        return takeHdt(field, count, nowMs);
    if (kind == "ZDA")
        return takeZda(field, count, nowMs);
    if (kind == "GST")
        return takeGst(field, count, nowMs);
    return Outcome::Ignored;
}

// time, lat, N/S, lon, E/W, quality, used, HDOP, height, M, separation, M, age, station
ReceiverStatus::Outcome ReceiverStatus::takeGga(const QByteArrayView* field, int count,
                                                qint64 nowMs)
{
    if (count < 14)
        return Outcome::Broken;
    update(time, timeOfDay(field[0]), nowMs);
    const auto latitude = angle(field[1], field[2], 'N', 'S', 90);
    const auto longitude = angle(field[3], field[4], 'E', 'W', 180);
    if (latitude && longitude)
        update(where, std::optional<Position>(Position{*latitude, *longitude}), nowMs);
    if (const auto q = wholeIn(field[5], 0, 8))
        update(quality, std::optional<FixQuality>(static_cast<FixQuality>(*q)), nowMs);
    update(usedCount, wholeIn(field[6], 0, 999), nowMs);
    update(hdopValue, decimal(field[7]), nowMs);
    update(height, decimal(field[8]), nowMs);
    update(geoid, decimal(field[10]), nowMs);
    Corrections received;
    if (const auto age = decimal(field[12]); age && *age >= 0)
        received.ageSeconds = age;
    received.stationId =
        field[13].first(std::min<qsizetype>(field[13].size(), maxStationIdBytes)).toByteArray();
    if (received.ageSeconds || !received.stationId.isEmpty())
        update(correction, std::optional<Corrections>(received), nowMs);
    return Outcome::Taken;
}

// time, status, lat, N/S, lon, E/W, speed, course, date, …
ReceiverStatus::Outcome ReceiverStatus::takeRmc(const QByteArrayView* field, int count,
                                                qint64 nowMs)
{
    if (count < 9)
        return Outcome::Broken;
    update(time, timeOfDay(field[0]), nowMs);
    if (field[1] == "A") {
        const auto latitude = angle(field[2], field[3], 'N', 'S', 90);
        const auto longitude = angle(field[4], field[5], 'E', 'W', 180);
        if (latitude && longitude)
            update(where, std::optional<Position>(Position{*latitude, *longitude}), nowMs);
    }
    const QByteArrayView ddmmyy = field[8];
    if (ddmmyy.size() == 6) {
        const auto day = whole(ddmmyy.first(2));
        const auto month = whole(ddmmyy.sliced(2, 2));
        const auto year = whole(ddmmyy.sliced(4, 2));
        // Two digits of year: 80-99 are the last century, GPS time began in 1980.
        const QDate when = day && month && year
                               ? QDate(*year < 80 ? 2000 + *year : 1900 + *year, *month, *day)
                               : QDate();
        if (when.isValid())
            update(date, std::optional<QDate>(when), nowMs);
    }
    return Outcome::Taken;
}

// time, day, month, year, zone hours, zone minutes
ReceiverStatus::Outcome ReceiverStatus::takeZda(const QByteArrayView* field, int count,
                                                qint64 nowMs)
{
    if (count < 4)
        return Outcome::Broken;
    update(time, timeOfDay(field[0]), nowMs);
    const auto day = whole(field[1]);
    const auto month = whole(field[2]);
    const auto year = wholeIn(field[3], 1980, 9999);
    const QDate when = day && month && year ? QDate(*year, *month, *day) : QDate();
    if (when.isValid())
        update(date, std::optional<QDate>(when), nowMs);
    return Outcome::Taken;
}

// heading, T
ReceiverStatus::Outcome ReceiverStatus::takeHdt(const QByteArrayView* field, int count,
                                                qint64 nowMs)
{
    if (count < 1)
        return Outcome::Broken;
    const auto degrees = decimal(field[0]);
    if (degrees && *degrees >= 0 && *degrees <= 360)
        update(trueHeading, degrees, nowMs);
    return Outcome::Taken;
}

// time, rms, major, minor, orientation, sigma lat, sigma lon, sigma alt
ReceiverStatus::Outcome ReceiverStatus::takeGst(const QByteArrayView* field, int count,
                                                qint64 nowMs)
{
    if (count < 8)
        return Outcome::Broken;
    const auto latitude = decimal(field[5]);
    const auto longitude = decimal(field[6]);
    const auto altitude = decimal(field[7]);
    if (latitude && longitude && altitude)
        update(sigmas, std::optional<Sigmas>(Sigmas{*latitude, *longitude, *altitude}), nowMs);
    return Outcome::Taken;
}

// mode 1, mode 2, 12 satellites, PDOP, HDOP, VDOP and, from NMEA 4.10, the system id
ReceiverStatus::Outcome ReceiverStatus::takeGsa(QByteArrayView talker, const QByteArrayView* field,
                                                int count, qint64 nowMs)
{
    if (count != 17 && count != 18)
        return Outcome::Broken;
    if (const auto m = wholeIn(field[1], 1, 3))
        update(mode, std::optional<FixMode>(static_cast<FixMode>(*m)), nowMs);
    update(pdopValue, decimal(field[14]), nowMs);
    update(hdopValue, decimal(field[15]), nowMs);
    update(vdopValue, decimal(field[16]), nowMs);

    Constellation system = count == 18 ? constellationOfSystemId(whole(field[17]).value_or(0))
                                       : Constellation::Unknown;
    if (system == Constellation::Unknown)
        system = constellationOfTalker(talker);
    // Each system the sentence speaks for gets its list replaced: the one it names, else those
    // its satellite numbers belong to.
    std::array<bool, 8> named{};
    std::array<std::vector<int>, 8> numbers;
    if (system != Constellation::Unknown)
        named[static_cast<int>(system)] = true;
    for (int i = 2; i < 14; ++i) {
        const auto number = wholeIn(field[i], 1, 999);
        if (!number)
            continue;
        const Constellation own =
            system != Constellation::Unknown ? system : constellationOfNumber(*number);
        if (own == Constellation::Unknown)
            continue;
        named[static_cast<int>(own)] = true;
        numbers[static_cast<int>(own)].push_back(ownNumber(own, *number));
    }
    for (int c = 1; c < 8; ++c) {
        if (!named[c])
            continue;
        auto list = std::find_if(usedLists.begin(), usedLists.end(), [c](const UsedList& used) {
            return static_cast<int>(used.constellation) == c;
        });
        if (list == usedLists.end())
            list =
                usedLists.insert(usedLists.end(), UsedList{static_cast<Constellation>(c), {}, -1});
        list->ownNumbers = std::move(numbers[c]);
        list->at = nowMs;
    }
    return Outcome::Taken;
}

// parts, part, in view, then per satellite number, elevation, azimuth, SNR, and from NMEA 4.10
// the signal id
ReceiverStatus::Outcome ReceiverStatus::takeGsv(QByteArrayView talker, const QByteArrayView* field,
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
        const QByteArrayView id = field[count - 1];
        signalId = id.size() == 1 ? hexValue(id[0]) : -1;
        if (signalId < 0)
            return Outcome::Broken;
    }
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
    }
    return Outcome::Taken;
}

bool ReceiverStatus::isUsed(Constellation constellation, int number, qint64 nowMs) const
{
    const int own = ownNumber(constellation, number);
    for (const UsedList& list : usedLists) {
        if (list.constellation == constellation && nowMs - list.at <= skyKeptMs)
            return std::find(list.ownNumbers.begin(), list.ownNumbers.end(), own) !=
                   list.ownNumbers.end();
    }
    return false;
}

std::vector<ReceiverStatus::Satellite> ReceiverStatus::signalsInView(qint64 nowMs) const
{
    std::vector<Satellite> seen;
    for (const Sky& sky : skies) {
        for (const Satellite& satellite : sky.complete) {
            if (nowMs - satellite.lastSeen > skyKeptMs)
                continue;
            seen.push_back(satellite);
            seen.back().used = isUsed(satellite.constellation, satellite.number, nowMs);
        }
    }
    std::sort(seen.begin(), seen.end(), [](const Satellite& a, const Satellite& b) {
        const int ownA = ownNumber(a.constellation, a.number);
        const int ownB = ownNumber(b.constellation, b.number);
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
            ownNumber(signal.constellation, satellites.back().number) ==
                ownNumber(signal.constellation, signal.number)) {
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
    for (const UsedList& list : usedLists) {
        if (nowMs - list.at <= skyKeptMs)
            counts[static_cast<int>(list.constellation)].used += int(list.ownNumbers.size());
    }
    std::vector<SystemCount> result;
    for (const SystemCount& count : counts) {
        if (count.used > 0 || count.inView > 0)
            result.push_back(count);
    }
    return result;
}
