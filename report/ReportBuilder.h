#pragma once

#include "ReceiverStatus.h"
#include "UnitReport.h"

#include <QByteArray>
#include <QByteArrayView>

#include <map>
#include <vector>

// Turns what a receiver sent into its commissioning figures. An epoch is one GGA: its fix kind,
// position and time, the heading (HDT) that follows it; the sky (GSV, GSA) is sampled once a
// second. Bytes come with the milliseconds they arrived at (a live line, a recording with its
// index), or without (another tool's capture), when the receiver's own time tags tell the time.
//
// Bounded for a day at 10 Hz: each epoch keeps 24 bytes, the sky tracks a point per change of a
// whole degree, and the drawings a few thousand points.
class ReportBuilder
{
public:
    // Lines longer than this are noise: an NMEA sentence has at most 82 characters.
    static constexpr int maxLineBytes = 512;
    // Sentence kinds kept apart; noise that passes for sentences must not grow the table.
    static constexpr std::size_t maxKinds = 32;
    // Columns of the drawings over time, points of the scatter.
    static constexpr int columns = 480;
    static constexpr std::size_t scatterPoints = 4000;
    // Points kept of one satellite's track, and satellites tracked.
    static constexpr std::size_t trackPoints = 2000;
    static constexpr std::size_t maxTracks = 256;

    // atMs: when the bytes arrived, in milliseconds from any start; -1 when not known, and the
    // receiver's time tags are used instead.
    void addBytes(QByteArrayView bytes, qint64 atMs);
    // The figures of everything added. The caller fills in serial, port or file and settings.
    UnitReport finish(double seconds = -1);

private:
    struct Epoch
    {
        qint32 ms = 0; // since the first epoch
        qint8 kind = 0;
        float east = 0; // metres from the first position; NaN without one
        float north = 0;
        float up = 0;
        float heading = 0; // NaN without one
    };
    struct KindTally
    {
        QByteArray name;
        quint64 arrivals = 0;
        qint64 firstMs = -1;
        qint64 lastMs = -1;
        quint64 timed = 0; // arrivals with a time
        bool inEpoch = false;
    };
    struct SkyTally
    {
        double used = 0;
        double inView = 0;
        double snrSum = 0;
        quint64 snrCount = 0;
    };

    void takeLine(QByteArrayView line);
    void noteKind(QByteArrayView kind);
    void openEpoch(QByteArrayView sentence);
    void closeEpoch();
    void sampleSky();
    qint64 clockMs() const;
    qint64 statusMs() const;
    void fillPosition(UnitReport& report) const;
    void fillHeading(UnitReport& report) const;
    qint64 epochPeriod() const;
    void fillTimes(UnitReport& report) const;
    void fillSky(UnitReport& report) const;
    void fillDrawings(UnitReport& report) const;

    QByteArray partial;
    bool arrivalTimed = false;
    qint64 arrivalMs = -1;
    // The receiver's time of day, made continuous over midnights.
    qint64 taggedMs = -1;
    qint64 lastTimeOfDayMs = -1;
    qint64 dayOffsetMs = 0;
    qint64 firstEpochMs = -1;
    qint64 lastArrivalMs = 0;

    ReceiverStatus scratch; // one sentence's values, cleared before each
    ReceiverStatus sky;
    bool epochOpen = false;
    Epoch pending;
    std::vector<Epoch> epochs;
    bool haveOrigin = false;
    double originLatitude = 0; // degrees
    double originLongitude = 0;
    double originHeight = 0;
    double metresPerRadianNorth = 0;
    double metresPerRadianEast = 0;

    std::vector<KindTally> kinds;
    quint64 checksumErrors = 0;

    qint64 lastSkyMs = -1;
    quint64 skySamples = 0;
    double usedSum = 0;
    quint64 usedCount = 0;
    double inViewSum = 0;
    std::map<Constellation, SkyTally> systems;
    std::map<std::pair<Constellation, int>, UnitReport::Track> tracks;
};
