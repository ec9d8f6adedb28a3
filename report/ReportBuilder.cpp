#include "ReportBuilder.h"

#include "AnswerChecksum.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr double radian = pi / 180;
constexpr qint64 dayMs = 24 * 3600 * 1000;
constexpr float none = std::numeric_limits<float>::quiet_NaN();
// The sky is sampled this often: the satellites move slowly, and sorting it every epoch of a
// 10 Hz day would cost most of the run.
constexpr qint64 skyEveryMs = 1000;

// WGS-84
constexpr double semiMajorAxis = 6378137.0;
constexpr double flattening = 1 / 298.257223563;
constexpr double eccentricitySquared = flattening * (2 - flattening);

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// The angle from a to b the short way round, in degrees: -180 to 180.
double turn(double a, double b)
{
    double d = std::fmod(b - a, 360.0);
    if (d > 180)
        d -= 360;
    else if (d < -180)
        d += 360;
    return d;
}

// The value at rank ceil(share * n) of the sorted values (nearest rank), reordering them.
double nearestRank(std::vector<float>& values, double share)
{
    const auto rank = static_cast<std::size_t>(std::ceil(share * values.size()));
    const auto at =
        values.begin() + static_cast<std::ptrdiff_t>(std::max<std::size_t>(rank, 1) - 1);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}
} // namespace

void ReportBuilder::addBytes(QByteArrayView bytes, qint64 atMs)
{
    if (atMs >= 0) {
        arrivalTimed = true;
        arrivalMs = atMs;
        lastArrivalMs = std::max(lastArrivalMs, atMs);
    }
    const char* from = bytes.data();
    const char* const stop = from + bytes.size();
    while (from < stop) {
        const char* lineEnd = std::find_if(from, stop, isLineEnd);
        if (partial.isEmpty() && lineEnd < stop) {
            if (lineEnd > from)
                takeLine(QByteArrayView(from, lineEnd));
        } else {
            partial.append(from, lineEnd - from);
            if (partial.size() > maxLineBytes) {
                partial.clear();
            } else if (lineEnd < stop && !partial.isEmpty()) {
                takeLine(partial);
                partial.clear();
            }
        }
        from = lineEnd < stop ? lineEnd + 1 : stop;
    }
}

qint64 ReportBuilder::clockMs() const
{
    return arrivalTimed ? arrivalMs : taggedMs;
}

qint64 ReportBuilder::statusMs() const
{
    // A value stamped before any clock is known must still count as known.
    return std::max<qint64>(clockMs(), 0);
}

void ReportBuilder::takeLine(QByteArrayView line)
{
    // Noise before the head of a sentence is not part of it.
    const qsizetype head = line.lastIndexOf('$');
    if (head < 0)
        return;
    const QByteArrayView sentence = line.sliced(head);
    if (AnswerChecksum::of(std::string_view(sentence.data() + 1, sentence.size() - 1)) !=
        AnswerChecksum::Verdict::Good) {
        ++checksumErrors;
        return;
    }
    const qsizetype comma = sentence.indexOf(',');
    const QByteArrayView address =
        sentence.sliced(1, (comma < 0 ? sentence.size() - 3 : comma) - 1);
    // $GPGGA and $GNGGA are both GGA; a proprietary sentence is its whole address.
    const QByteArrayView kind =
        address.size() == 5 && address.front() != 'P' ? address.sliced(2) : address;
    if (kind == "GGA") {
        closeEpoch();
        openEpoch(sentence);
    } else if (kind == "HDT") {
        scratch.clear();
        scratch.addSentence(sentence, statusMs());
        if (epochOpen && scratch.heading().known())
            pending.heading = static_cast<float>(scratch.heading().value);
    } else if (kind == "GSV" || kind == "GSA") {
        sky.addSentence(sentence, statusMs());
    }
    noteKind(kind);
}

void ReportBuilder::noteKind(QByteArrayView kind)
{
    auto tally = std::find_if(kinds.begin(), kinds.end(),
                              [&](const KindTally& each) { return each.name == kind; });
    if (tally == kinds.end()) {
        if (kinds.size() >= maxKinds)
            return;
        tally = kinds.insert(kinds.end(), KindTally{kind.toByteArray()});
    }
    // One arrival an epoch, however many talkers and parts the receiver sends of it.
    if (tally->inEpoch)
        return;
    tally->inEpoch = true;
    ++tally->arrivals;
    const qint64 now = clockMs();
    if (now >= 0) {
        if (tally->firstMs < 0)
            tally->firstMs = now;
        tally->lastMs = now;
        ++tally->timed;
    }
}

void ReportBuilder::openEpoch(QByteArrayView sentence)
{
    scratch.clear();
    scratch.addSentence(sentence, statusMs());
    if (!arrivalTimed && scratch.utcTime().known()) {
        const qint64 timeOfDay = scratch.utcTime().value;
        // Far earlier than the last: a new day began.
        if (lastTimeOfDayMs >= 0 && timeOfDay < lastTimeOfDayMs - dayMs / 2)
            dayOffsetMs += dayMs;
        lastTimeOfDayMs = timeOfDay;
        taggedMs = timeOfDay + dayOffsetMs;
    }
    for (KindTally& tally : kinds)
        tally.inEpoch = false;

    const qint64 now = clockMs();
    if (now >= 0 && firstEpochMs < 0)
        firstEpochMs = now;
    pending = Epoch();
    if (firstEpochMs >= 0) {
        // A receiver's clock that steps back must not reorder the epochs.
        const qint64 since = now - firstEpochMs;
        const qint64 previous = epochs.empty() ? 0 : epochs.back().ms;
        pending.ms = static_cast<qint32>(std::clamp<qint64>(since, previous, INT32_MAX));
    }
    pending.kind =
        scratch.fixQuality().known() ? static_cast<qint8>(scratch.fixQuality().value) : 0;
    pending.east = pending.north = pending.up = none;
    pending.heading = none;
    if (pending.kind != 0 && scratch.position().known() && scratch.heightMsl().known()) {
        const double latitude = scratch.position().value.latitude;
        const double longitude = scratch.position().value.longitude;
        const double height = scratch.heightMsl().value;
        if (!haveOrigin) {
            haveOrigin = true;
            originLatitude = latitude;
            originLongitude = longitude;
            originHeight = height;
            const double s = std::sin(latitude * radian);
            const double w = std::sqrt(1 - eccentricitySquared * s * s);
            metresPerRadianNorth = semiMajorAxis * (1 - eccentricitySquared) / (w * w * w) + height;
            metresPerRadianEast = (semiMajorAxis / w + height) * std::cos(latitude * radian);
        }
        pending.north =
            static_cast<float>((latitude - originLatitude) * radian * metresPerRadianNorth);
        pending.east =
            static_cast<float>(turn(originLongitude, longitude) * radian * metresPerRadianEast);
        pending.up = static_cast<float>(height - originHeight);
    }
    if (scratch.satellitesUsed().known()) {
        usedSum += scratch.satellitesUsed().value;
        ++usedCount;
    }
    epochOpen = true;
}

void ReportBuilder::closeEpoch()
{
    if (!epochOpen)
        return;
    epochOpen = false;
    epochs.push_back(pending);
    if (lastSkyMs < 0 || pending.ms - lastSkyMs >= skyEveryMs) {
        lastSkyMs = pending.ms;
        sampleSky();
    }
}

void ReportBuilder::sampleSky()
{
    const qint64 now = statusMs();
    ++skySamples;
    for (const ReceiverStatus::SystemCount& count : sky.systemCounts(now)) {
        SkyTally& tally = systems[count.constellation];
        tally.used += count.used;
        tally.inView += count.inView;
        inViewSum += count.inView;
    }
    for (const ReceiverStatus::Satellite& satellite : sky.satellitesInView(now)) {
        if (satellite.snr) {
            SkyTally& tally = systems[satellite.constellation];
            tally.snrSum += *satellite.snr;
            ++tally.snrCount;
        }
        if (!satellite.elevation || !satellite.azimuth)
            continue;
        const auto key = std::make_pair(satellite.constellation,
                                        ownNumber(satellite.constellation, satellite.number));
        auto track = tracks.find(key);
        if (track == tracks.end()) {
            if (tracks.size() >= maxTracks)
                continue;
            track =
                tracks.emplace(key, UnitReport::Track{constellationName(key.first), key.second, {}})
                    .first;
        }
        const std::pair<short, short> point(static_cast<short>(*satellite.azimuth),
                                            static_cast<short>(*satellite.elevation));
        auto& points = track->second.points;
        if ((points.empty() || points.back() != point) && points.size() < trackPoints)
            points.push_back(point);
    }
}

UnitReport ReportBuilder::finish(double seconds)
{
    if (!partial.isEmpty()) {
        takeLine(partial);
        partial.clear();
    }
    closeEpoch();
    UnitReport report;
    report.epochs = epochs.size();
    for (const Epoch& epoch : epochs)
        ++report.fix[static_cast<std::size_t>(
            std::clamp<int>(epoch.kind, 0, UnitReport::fixKinds - 1))];
    if (seconds >= 0)
        report.seconds = seconds;
    else if (arrivalTimed)
        report.seconds = lastArrivalMs / 1000.0;
    else if (!epochs.empty())
        report.seconds = epochs.back().ms / 1000.0;
    report.checksumErrors = checksumErrors;
    for (const KindTally& tally : kinds) {
        UnitReport::Rate rate{tally.name, tally.arrivals, std::nullopt, std::nullopt};
        if (tally.timed >= 2)
            rate.measuredS = (tally.lastMs - tally.firstMs) / 1000.0 / double(tally.timed - 1);
        report.rates.push_back(rate);
    }
    fillTimes(report);
    fillPosition(report);
    fillHeading(report);
    fillSky(report);
    fillDrawings(report);
    return report;
}

qint64 ReportBuilder::epochPeriod() const
{
    // The shortest step between epochs.
    qint64 period = 0;
    for (std::size_t i = 1; i < epochs.size(); ++i) {
        const qint64 step = epochs[i].ms - epochs[i - 1].ms;
        if (step > 0 && (period == 0 || step < period))
            period = step;
    }
    return period;
}

void ReportBuilder::fillTimes(UnitReport& report) const
{
    const qint64 period = epochPeriod();
    const Epoch* lastFixed = nullptr;
    qint64 longest = 0;
    for (const Epoch& epoch : epochs) {
        if (epoch.kind == 0)
            continue;
        if (!report.firstFixS)
            report.firstFixS = epoch.ms / 1000.0;
        if (epoch.kind == UnitReport::rtkFixed && !report.firstRtkFixedS)
            report.firstRtkFixedS = epoch.ms / 1000.0;
        // The time between two fixes, less the one epoch that always lies between them; a
        // step short of one epoch and a half is the arrival clock's jitter, not an outage.
        if (lastFixed && 2 * (epoch.ms - lastFixed->ms) >= 3 * period)
            longest = std::max(longest, epoch.ms - lastFixed->ms - period);
        lastFixed = &epoch;
    }
    if (lastFixed) {
        longest = std::max<qint64>(longest, epochs.back().ms - lastFixed->ms);
        report.longestOutageS = longest / 1000.0;
    }
}

void ReportBuilder::fillPosition(UnitReport& report) const
{
    UnitReport::Position position;
    double east = 0;
    double north = 0;
    double up = 0;
    for (const Epoch& epoch : epochs) {
        if (std::isnan(epoch.east))
            continue;
        ++position.epochs;
        east += epoch.east;
        north += epoch.north;
        up += epoch.up;
    }
    if (position.epochs == 0)
        return;
    const double n = static_cast<double>(position.epochs);
    east /= n;
    north /= n;
    up /= n;
    double eastSquares = 0;
    double northSquares = 0;
    double upSquares = 0;
    std::vector<float> distances;
    distances.reserve(position.epochs);
    for (const Epoch& epoch : epochs) {
        if (std::isnan(epoch.east))
            continue;
        const double de = epoch.east - east;
        const double dn = epoch.north - north;
        const double du = epoch.up - up;
        eastSquares += de * de;
        northSquares += dn * dn;
        upSquares += du * du;
        distances.push_back(static_cast<float>(std::hypot(de, dn)));
    }
    position.sigmaEastM = std::sqrt(eastSquares / n);
    position.sigmaNorthM = std::sqrt(northSquares / n);
    position.sigmaUpM = std::sqrt(upSquares / n);
    position.cep50M = nearestRank(distances, 0.5);
    position.cep95M = nearestRank(distances, 0.95);
    position.latitude = originLatitude + north / metresPerRadianNorth / radian;
    position.longitude = originLongitude + east / metresPerRadianEast / radian;
    if (position.longitude > 180)
        position.longitude -= 360;
    else if (position.longitude < -180)
        position.longitude += 360;
    position.heightM = originHeight + up;
    report.position = position;
}

void ReportBuilder::fillHeading(UnitReport& report) const
{
    // Circular: 359° and 1° average 0°, not 180°.
    UnitReport::Heading heading;
    double sines = 0;
    double cosines = 0;
    for (const Epoch& epoch : epochs) {
        if (std::isnan(epoch.heading))
            continue;
        ++heading.epochs;
        sines += std::sin(epoch.heading * radian);
        cosines += std::cos(epoch.heading * radian);
    }
    if (heading.epochs == 0)
        return;
    heading.meanDeg = std::atan2(sines, cosines) / radian;
    if (heading.meanDeg < 0)
        heading.meanDeg += 360;
    double squares = 0;
    for (const Epoch& epoch : epochs)
        if (!std::isnan(epoch.heading)) {
            const double d = turn(heading.meanDeg, epoch.heading);
            squares += d * d;
        }
    heading.sigmaDeg = std::sqrt(squares / heading.epochs);
    if (heading.meanDeg >= 359.9995) // rounds to 360.000
        heading.meanDeg = 0;
    report.heading = heading;
}

void ReportBuilder::fillSky(UnitReport& report) const
{
    if (usedCount > 0)
        report.usedMean = usedSum / usedCount;
    if (skySamples == 0 || systems.empty())
        return;
    report.inViewMean = inViewSum / skySamples;
    for (const auto& [constellation, tally] : systems) {
        UnitReport::System system{constellationName(constellation), tally.used / skySamples,
                                  tally.inView / skySamples, std::nullopt};
        if (tally.snrCount > 0)
            system.snrMeanDbHz = tally.snrSum / tally.snrCount;
        report.systems.push_back(system);
    }
}

void ReportBuilder::fillDrawings(UnitReport& report) const
{
    UnitReport::Drawings& drawings = report.drawings;
    for (const auto& [key, track] : tracks)
        drawings.tracks.push_back(track);
    if (epochs.empty())
        return;
    const qint64 span = epochs.back().ms;
    drawings.spanS = span / 1000.0;
    // No more columns than epochs: a short recording gets no empty columns between its epochs.
    const int columns =
        static_cast<int>(std::min<std::size_t>(ReportBuilder::columns, epochs.size()));
    const auto width = static_cast<std::size_t>(columns);
    std::vector<std::array<quint32, UnitReport::fixKinds>> counts(width);
    std::vector<std::array<double, 3>> headings(width, {0, 0, 0}); // sin, cos, count
    // Each column's first and last epoch, so that a column left empty only by the arrival
    // clock's jitter is not drawn as an outage.
    std::vector<std::pair<qint64, qint64>> spans(width, {-1, -1});
    for (const Epoch& epoch : epochs) {
        const auto column = static_cast<std::size_t>(
            std::min<qint64>(columns - 1, qint64(epoch.ms) * columns / (span + 1)));
        if (spans[column].first < 0)
            spans[column].first = epoch.ms;
        spans[column].second = epoch.ms;
        ++counts[column][static_cast<std::size_t>(
            std::clamp<int>(epoch.kind, 0, UnitReport::fixKinds - 1))];
        if (!std::isnan(epoch.heading)) {
            headings[column][0] += std::sin(epoch.heading * radian);
            headings[column][1] += std::cos(epoch.heading * radian);
            ++headings[column][2];
        }
    }
    for (int c = 0; c < columns; ++c) {
        const auto& count = counts[static_cast<std::size_t>(c)];
        const auto most = std::max_element(count.begin(), count.end());
        drawings.fix.push_back(*most == 0 ? -1 : static_cast<signed char>(most - count.begin()));
        const auto& h = headings[static_cast<std::size_t>(c)];
        double mean = std::atan2(h[0], h[1]) / radian;
        drawings.heading.push_back(h[2] == 0 ? none
                                             : static_cast<float>(mean < 0 ? mean + 360 : mean));
    }
    // Empty columns between two epochs closer than an outage (one epoch and a half, as in
    // fillTimes) keep the kind before them.
    const qint64 period = epochPeriod();
    for (int c = 1, previous = 0; c < columns; ++c) {
        if (spans[static_cast<std::size_t>(c)].first < 0)
            continue;
        const qint64 gap = spans[static_cast<std::size_t>(c)].first -
                           spans[static_cast<std::size_t>(previous)].second;
        if (c - previous > 1 && 2 * gap < 3 * period)
            for (int e = previous + 1; e < c; ++e)
                drawings.fix[static_cast<std::size_t>(e)] =
                    drawings.fix[static_cast<std::size_t>(previous)];
        previous = c;
    }
    if (!report.position)
        return;
    const double meanEast =
        turn(originLongitude, report.position->longitude) * radian * metresPerRadianEast;
    const double meanNorth =
        (report.position->latitude - originLatitude) * radian * metresPerRadianNorth;
    const std::size_t stride =
        std::max<std::size_t>(1, (report.position->epochs + scatterPoints - 1) / scatterPoints);
    std::size_t i = 0;
    for (const Epoch& epoch : epochs) {
        if (std::isnan(epoch.east) || i++ % stride != 0)
            continue;
        drawings.scatter.emplace_back(static_cast<float>(epoch.east - meanEast),
                                      static_cast<float>(epoch.north - meanNorth));
    }
}
