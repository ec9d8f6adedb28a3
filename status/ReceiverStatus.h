#pragma once

#include "Constellation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// What the receiver says about itself in its NMEA output: fix, position, time, motion, heading,
// DOPs, accuracy and the sky. Fed the received bytes (or whole sentences); knows no widgets and
// no link, so the window's tab and the command-line tool read the same values.
//
// Values belong to epochs, told by the receiver's time tags: a sentence with an empty field says
// there is none (a lost fix has no DOPs and 0 used), and the used counts and flags are those of
// the newest epoch's GSAs. A sentence with an impossible field is counted as skipped and nothing
// of it is taken. Each value carries the arrival of the sentence that last spoke of it, and is
// overdue when that sentence is later than the receiver's own rate says it should be.
class ReceiverStatus
{
public:
    // The sentence kinds read, whatever their talker.
    enum class Sentence
    {
        Gga,
        Rmc,
        Gsa,
        Gsv,
        Hdt,
        Zda,
        Gst,
        Vtg
    };
    static constexpr int sentenceKinds = 8;

    // A sentence is never overdue sooner than this after its last arrival.
    static constexpr qint64 minOverdueMs = 2000;
    // A sentence's lateness allowed, as a share of its period.
    static constexpr double overdueFactor = 1.5;
    // The fixed limit the view greyed by before it asked isOverdue.
    static constexpr qint64 staleMs = 3000;
    // A satellite not renewed this long after its GSV became overdue has left the sky.
    static constexpr qint64 skyKeptMs = 10000;
    // Longer lines are noise: an NMEA sentence has at most 82 characters.
    static constexpr int maxLineBytes = 512;
    // The station id is a number of four digits; anything longer is cut to this.
    static constexpr int maxStationIdBytes = 8;
    // Satellites a GSA may list; more ids than this are noise.
    static constexpr int maxGsaIds = 64;

    // A value and the arrival of the sentence that last spoke of it (milliseconds of the caller's
    // clock, -1: never), whether or not the field held anything.
    template <typename T> struct Timed
    {
        T value{};
        qint64 at = -1;
        bool present = false; // false: never given, or its newest sentence left it empty
        Sentence from = Sentence::Gga;
        quint64 epoch = 0; // the epoch it belongs to (see epochCount)

        bool known() const { return present; }
        bool heard() const { return at >= 0; }
        // -1 when there is no value.
        qint64 ageMs(qint64 nowMs) const { return known() ? nowMs - at : -1; }
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
        bool used = false;            // listed by a GSA of the newest epoch
        qint64 lastSeen = -1;

        // The number within its system (G05 is 5, SBAS keeps its PRN 120-158).
        int svid() const { return ownNumber(constellation, number); }
        // "G05", "R07", "E11", "C21", "J02", "S41" (SBAS PRN 141).
        QString label() const { return systemLabel(constellation, svid()); }
        // gpsd's PRN (GLONASS 65-96, Galileo 301-336, BeiDou 401-463, QZSS 193-202…).
        int prn() const { return gpsdPrn(constellation, svid()); }
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
    // Forgets everything, the periods set included: a new link starts afresh.
    void clear();

    // Called once an epoch is complete, before the next one's first value is taken: when its
    // last kind of sentence (learnt from the epoch before) arrived, else when the next began.
    using EpochListener = std::function<void()>;
    void setEpochListener(EpochListener listener);
    // The stream stopped: the epoch in progress is complete (its listener is called once).
    void finishEpoch() { endEpoch(); }
    // Epochs begun so far; a Timed's epoch says which one its value came in.
    quint64 epochCount() const { return epochs; }

    // The period a kind was set to on this link (the rate read or sent), in seconds; 0 or less:
    // unknown or off, so its lateness is measured instead.
    void setConfiguredPeriod(Sentence kind, double seconds);
    // The same by the kind's name ("GGA"); false for a kind not read here.
    bool setConfiguredPeriod(QByteArrayView kindName, double seconds);
    double configuredPeriod(Sentence kind) const;
    // Mean seconds between a kind's last arrivals (an epoch's several GSVs or GSAs are one);
    // 0 before two.
    double measuredPeriod(Sentence kind) const;
    // How long after its last arrival a kind is overdue: overdueFactor times its period as set,
    // else as measured, never less than minOverdueMs.
    qint64 overdueAfterMs(Sentence kind) const;
    qint64 lastArrival(Sentence kind) const;
    bool isOverdue(Sentence kind, qint64 nowMs) const;
    // A value is overdue when the sentence it came from is.
    template <typename T> bool isOverdue(const Timed<T>& value, qint64 nowMs) const
    {
        return value.heard() && nowMs - value.at > overdueAfterMs(value.from);
    }
    // Known and not overdue: what a report may print as the receiver's word.
    template <typename T> bool isCurrent(const Timed<T>& value, qint64 nowMs) const
    {
        return value.known() && !isOverdue(value, nowMs);
    }
    static std::optional<Sentence> sentenceNamed(QByteArrayView kindName);
    static const char* nameOf(Sentence kind);

    const Timed<FixQuality>& fixQuality() const { return quality; }
    const Timed<FixMode>& fixMode() const { return mode; }
    const Timed<Position>& position() const { return where; }
    const Timed<double>& heightMsl() const { return height; }
    const Timed<double>& geoidSeparation() const { return geoid; }
    // Height above the ellipsoid: GGA's height and separation together.
    Timed<double> heightEllipsoid() const;
    // UTC date from RMC or ZDA.
    const Timed<QDate>& utcDate() const { return date; }
    // UTC time of day in milliseconds, from RMC, ZDA, GGA or GST.
    const Timed<int>& utcTime() const { return time; }
    // The newest time of day with its date: the date given with a time of day earlier than
    // this one is the day before (midnight passed); invalid without a date, or when the date
    // arrived longer ago than its sentence's period allows.
    QDateTime utc() const;
    // Speed over ground in metres a second and course over ground in degrees true (RMC, VTG).
    const Timed<double>& speed() const { return groundSpeed; }
    const Timed<double>& course() const { return groundCourse; }
    // Metres a second up: the change of height between the last two epochs that had one.
    const Timed<double>& climb() const { return climbRate; }
    const Timed<double>& heading() const { return trueHeading; }
    const Timed<double>& pdop() const { return pdopValue; }
    const Timed<double>& hdop() const { return hdopValue; }
    const Timed<double>& vdop() const { return vdopValue; }
    // Satellites used: GGA's count, or the newest epoch's GSAs' when they came later; 0 for an
    // empty field.
    const Timed<int>& satellitesUsed() const { return usedCount; }
    const Timed<Corrections>& corrections() const { return correction; }
    const Timed<Sigmas>& accuracy() const { return sigmas; }

    // One entry per satellite and signal in the sky, sorted by constellation, number and signal
    // id. A sky stays until skyKeptMs after its GSV became overdue.
    std::vector<Satellite> signalsInView(qint64 nowMs) const;
    // One entry per satellite in the sky (its strongest signal), sorted by constellation and
    // number.
    std::vector<Satellite> satellitesInView(qint64 nowMs) const;
    // Used (the newest epoch's GSAs) and in view (GSV) per constellation, in Constellation order,
    // only those with any; satellites in view counted once whatever the number of their signals.
    std::vector<SystemCount> systemCounts(qint64 nowMs) const;
    // A GSV group completed since the start (the sky can be told), and how many times the sky
    // or the used lists changed: a report of the sky is due when this moved.
    bool skySeen() const { return skyGroups > 0; }
    quint64 skyChanges() const { return skyUpdates; }

    // Sentences taken, and those skipped for a bad checksum, a broken or an impossible field.
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
    // A satellite a GSA of the newest epoch listed, by its own number.
    struct UsedSatellite
    {
        Constellation constellation;
        int svid;
        bool operator==(const UsedSatellite& other) const
        {
            return constellation == other.constellation && svid == other.svid;
        }
    };
    // When each kind arrived: an epoch's several sentences of a kind are one arrival.
    struct Arrivals
    {
        std::array<qint64, 8> at{}; // the newest last, at most 8
        int count = 0;
        quint64 epoch = 0;
        qint64 lastSentence = -1;
        double configured = 0;
        void add(qint64 nowMs);
    };
    enum class Outcome
    {
        Taken,
        Ignored, // a kind or talker not read
        Broken   // a bad checksum, a broken or an impossible field
    };
    using Field = QByteArrayView;
    Outcome takeSentence(QByteArrayView sentence, qint64 nowMs);
    // Each reader gets the fields after the address and checks every field before it takes any.
    Outcome takeGga(const Field* field, int count, qint64 nowMs);
    Outcome takeRmc(const Field* field, int count, qint64 nowMs);
    Outcome takeGsa(QByteArrayView talker, const Field* field, int count, qint64 nowMs);
    Outcome takeGsv(QByteArrayView talker, const Field* field, int count, qint64 nowMs);
    Outcome takeHdt(const Field* field, int count, qint64 nowMs);
    Outcome takeZda(const Field* field, int count, qint64 nowMs);
    Outcome takeGst(const Field* field, int count, qint64 nowMs);
    Outcome takeVtg(const Field* field, int count, qint64 nowMs);
    // A time tag (ms of day, -1 for an empty one) of a kind that opens epochs.
    void startEpochIfNew(Sentence kind, int tag);
    void endEpoch();
    void arrived(Sentence kind, qint64 nowMs);
    void takeTime(int msOfDay, Sentence kind, qint64 nowMs);
    void takeHeight(std::optional<double> metres, qint64 nowMs);
    template <typename T>
    void set(Timed<T>& timed, const std::optional<T>& value, Sentence kind, qint64 nowMs);
    bool isUsed(Constellation constellation, int svid) const;
    qint64 skyKeptFor() const;

    QByteArray partial;
    Timed<FixQuality> quality;
    Timed<FixMode> mode;
    Timed<Position> where;
    Timed<double> height;
    Timed<double> geoid;
    Timed<QDate> date;
    int dateTimeOfDay = 0; // the time of day the date was given with
    Timed<int> time;
    Timed<double> groundSpeed;
    Timed<double> groundCourse;
    Timed<double> climbRate;
    Timed<double> trueHeading;
    Timed<double> pdopValue;
    Timed<double> hdopValue;
    Timed<double> vdopValue;
    Timed<int> usedCount;
    Timed<Corrections> correction;
    Timed<Sigmas> sigmas;
    // The last height and the receiver's time it was for, for the climb.
    std::optional<std::pair<qint64, double>> lastHeight;
    std::vector<Sky> skies;
    std::vector<UsedSatellite> used;
    quint64 usedEpoch = 0;                 // the epoch of the GSAs listed in used
    std::vector<quint64> gsaParts;         // the GSAs of usedEpoch, told apart
    std::pair<quint64, int> ggaUsed{0, 0}; // the epoch of GGA's count, and the count
    std::array<Arrivals, sentenceKinds> arrivals;
    // Epochs: the time tag of the current one, the kinds that came in it and the key of its
    // last sentence, which tells the end of the next.
    quint64 epochs = 0;
    int epochTag = -2;
    unsigned epochKinds = 0;
    bool epochEnded = true;
    quint64 lastKey = 0;
    quint64 keyExtra = 0; // what tells this sentence from others of its kind in an epoch
    quint64 enderKey = 0;
    EpochListener epochListener;
    quint64 skyGroups = 0;
    quint64 skyUpdates = 0;
    quint64 taken = 0;
    quint64 skipped = 0;
};
