#pragma once

#include "Constellation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>

#include <optional>
#include <vector>

// What the receiver says about itself in its NMEA output: fix, position, time, heading, DOPs,
// accuracy and the sky. Fed the received bytes (or whole sentences); knows no widgets and no
// link, so the window's tab and the command-line tool read the same values. Every value carries
// the time of its last update, so a view can tell a stale one.
class ReceiverStatus
{
public:
    // A value not updated for longer than this is stale.
    static constexpr qint64 staleMs = 3000;
    // A satellite not seen for longer than this has left the sky.
    static constexpr qint64 skyKeptMs = 10000;
    // Longer lines are noise: an NMEA sentence has at most 82 characters.
    static constexpr int maxLineBytes = 512;
    // The station id is a number of four digits; anything longer is cut to this.
    static constexpr int maxStationIdBytes = 8;

    // A value and when it last arrived (milliseconds of the caller's clock, -1: never).
    template <typename T> struct Timed
    {
        T value{};
        qint64 at = -1;

        bool known() const { return at >= 0; }
        qint64 ageMs(qint64 nowMs) const { return known() ? nowMs - at : -1; }
        bool fresh(qint64 nowMs) const { return known() && nowMs - at <= staleMs; }
    };

    // GGA's quality field.
    enum class FixQuality
    {
        NoFix = 0,
        Single = 1,
        Dgnss = 2,
        Pps = 3,
        RtkFixed = 4,
        RtkFloat = 5,
        DeadReckoning = 6,
        Manual = 7,
        Simulation = 8
    };
    // GSA's mode 2.
    enum class FixMode
    {
        NoFix = 1,
        TwoD = 2,
        ThreeD = 3
    };

    struct Position
    {
        double latitude = 0;  // degrees, north positive
        double longitude = 0; // degrees, east positive
    };
    struct Sigmas // GST: standard deviations in metres
    {
        double latitude = 0;
        double longitude = 0;
        double altitude = 0;
    };
    struct Corrections // GGA: age of differential corrections and the station sending them
    {
        std::optional<double> ageSeconds;
        QByteArray stationId; // at most maxStationIdBytes, as sent (not escaped)
    };

    struct Satellite
    {
        Constellation constellation = Constellation::Unknown;
        int number = 0;               // as in the sentence
        int signalId = 0;             // NMEA 4.10's signal id, 0 without one
        std::optional<int> elevation; // degrees
        std::optional<int> azimuth;   // degrees, true north
        std::optional<int> snr;       // dB-Hz; none: not tracked
        bool used = false;            // in a recent GSA's list
        qint64 lastSeen = -1;
    };
    struct SystemCount
    {
        Constellation constellation = Constellation::Unknown;
        int used = 0;
        int inView = 0;
    };

    void addReceived(const QByteArray& chunk, qint64 nowMs);
    // One sentence, "$" to the checksum (line end optional).
    void addSentence(QByteArrayView line, qint64 nowMs);
    // Forgets everything: a new link starts afresh.
    void clear();

    const Timed<FixQuality>& fixQuality() const { return quality; }
    const Timed<FixMode>& fixMode() const { return mode; }
    const Timed<Position>& position() const { return where; }
    const Timed<double>& heightMsl() const { return height; }
    const Timed<double>& geoidSeparation() const { return geoid; }
    // UTC date from RMC or ZDA.
    const Timed<QDate>& utcDate() const { return date; }
    // UTC time of day in hundredths of a second, from RMC, ZDA or GGA.
    const Timed<int>& utcTime() const { return time; }
    // Date and time together; invalid until both are known.
    QDateTime utc() const;
    const Timed<double>& heading() const { return trueHeading; }
    const Timed<double>& pdop() const { return pdopValue; }
    const Timed<double>& hdop() const { return hdopValue; }
    const Timed<double>& vdop() const { return vdopValue; }
    // GGA's count of satellites used.
    const Timed<int>& satellitesUsed() const { return usedCount; }
    const Timed<Corrections>& corrections() const { return correction; }
    const Timed<Sigmas>& accuracy() const { return sigmas; }

    // One entry per satellite and signal seen in the last skyKeptMs, sorted by constellation,
    // number and signal id.
    std::vector<Satellite> signalsInView(qint64 nowMs) const;
    // One entry per satellite seen in the last skyKeptMs (its strongest signal), sorted by
    // constellation and number.
    std::vector<Satellite> satellitesInView(qint64 nowMs) const;
    // Used (GSA) and in view (GSV) per constellation, in Constellation order, only those with
    // any; satellites in view counted once whatever the number of their signals.
    std::vector<SystemCount> systemCounts(qint64 nowMs) const;

    // Sentences taken, and those skipped for a bad checksum or a broken field.
    quint64 sentencesTaken() const { return taken; }
    quint64 sentencesSkipped() const { return skipped; }

private:
    // One talker's (and signal's) latest complete GSV group, and the group arriving.
    struct Sky
    {
        char talker[2] = {0, 0};
        int signalId = 0;
        std::vector<Satellite> complete;
        std::vector<Satellite> arriving;
        int parts = 0;    // of the group arriving
        int nextPart = 1; // expected next; a part out of order drops the group
    };
    // One constellation's satellites in its latest GSA, by their own numbers.
    struct UsedList
    {
        Constellation constellation = Constellation::Unknown;
        std::vector<int> ownNumbers;
        qint64 at = -1;
    };
    enum class Outcome
    {
        Taken,
        Ignored, // a kind or talker not read
        Broken   // a bad checksum or a broken sentence
    };
    Outcome takeSentence(QByteArrayView sentence, qint64 nowMs);
    // Each reader gets the fields after the address; a broken field is left out, a sentence
    // too broken to read is Broken.
    Outcome takeGga(const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeRmc(const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeGsa(QByteArrayView talker, const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeGsv(QByteArrayView talker, const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeHdt(const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeZda(const QByteArrayView* field, int count, qint64 nowMs);
    Outcome takeGst(const QByteArrayView* field, int count, qint64 nowMs);
    bool isUsed(Constellation constellation, int number, qint64 nowMs) const;

    QByteArray partial;
    Timed<FixQuality> quality;
    Timed<FixMode> mode;
    Timed<Position> where;
    Timed<double> height;
    Timed<double> geoid;
    Timed<QDate> date;
    Timed<int> time;
    Timed<double> trueHeading;
    Timed<double> pdopValue;
    Timed<double> hdopValue;
    Timed<double> vdopValue;
    Timed<int> usedCount;
    Timed<Corrections> correction;
    Timed<Sigmas> sigmas;
    std::vector<Sky> skies;
    std::vector<UsedList> usedLists;
    quint64 taken = 0;
    quint64 skipped = 0;
};
