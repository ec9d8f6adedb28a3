#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

// Measures what the receiver sends: per sentence kind (the address without its talker, so that
// $GPGGA and $GNGGA are both GGA) how many arrived and how far apart, and for the whole line how
// many lines and bytes a second. Fed the received chunks as they come; knows no widgets and no
// link, so the window and the command-line tool read the same figures.
//
// A kind is timed once per epoch, however many talkers, systems and satellite-group parts the
// receiver sends of it: an arrival ends when the receiver's time tag changes (the time of GGA,
// RMC, GLL, ZDA or GST) or when a sentence repeats one already in it (same talker, system,
// signal and part; GSAs naming no system by their order), and is timed by its first sentence.
// Time tags are compared as times (120000 is 120000.00); an empty one begins an epoch when its
// kind comes again.
class RateMeter
{
public:
    // Milliseconds of a steady clock; tests give their own.
    using Clock = std::function<qint64()>;

    // The period is measured over the newest arrivals: those of the last windowMs, at most
    // windowSentences of them, but always the last two, so that slow rates are measured too.
    static constexpr qint64 windowMs = 10000;
    static constexpr int windowSentences = 50;
    // Longer lines are noise: an NMEA sentence has at most 82 characters.
    static constexpr int maxLineBytes = 512;
    // Kinds beyond this many are not kept apart: noise that passes for sentences must not grow
    // the table without bound. The window's list of kinds is always kept, beside these, and a
    // sentence with a bad checksum never adds a kind of its own (garbled names are garbage).
    static constexpr std::size_t maxKinds = 32;
    // Sentences of one arrival told apart; a runaway epoch beyond this many stays one arrival.
    static constexpr std::size_t maxPartsPerArrival = 64;

    struct Kind
    {
        QByteArray name;   // "GGA"
        quint64 count = 0; // sentences with a good checksum, not arrivals
        quint64 checksumErrors = 0;
        qint64 lastAt = -1;    // arrival of the newest, -1 before the first
        qint64 lastBadAt = -1; // the newest with a bad checksum
        double period = 0;     // mean seconds between arrivals in the window; 0 with fewer than 2
        double minGap = 0;     // shortest and longest gap in the window, seconds
        double maxGap = 0;
        int measured = 0; // arrivals in the window
    };
    struct Line
    {
        quint64 lines = 0;
        quint64 bytes = 0;
        quint64 nonNmeaBytes = 0;   // bytes of neither an NMEA sentence nor an "@" reply
        quint64 checksumErrors = 0; // sentences of every kind, kept or not
        double linesPerSecond = 0;  // over the last windowMs
        double bytesPerSecond = 0;
    };
    // The newest GGA with a good checksum, its fields as sent: device bytes, to be escaped
    // before anyone reads them.
    struct Fix
    {
        bool seen = false;
        QByteArray quality;
        QByteArray satellites;
        QByteArray hdop;
        QByteArray utc; // hh:mm:ss.ss
    };

    explicit RateMeter(Clock clock = Clock());

    void addReceived(const QByteArray& chunk);
    qint64 now() const { return clock(); }
    // Forgets everything measured, as if nothing had arrived yet; the clock stays.
    void reset();

    // Kinds in the order they first arrived; arrivals before sinceMs are left out of the window.
    std::vector<Kind> kinds(qint64 sinceMs = -1) const;
    Kind kind(const QByteArray& name, qint64 sinceMs = -1) const;
    Line line() const;
    const Fix& fix() const { return lastFix; }

private:
    struct Tally
    {
        QByteArray name;
        quint64 count = 0;
        quint64 checksumErrors = 0;
        qint64 lastBadAt = -1;
        std::deque<qint64> arrivals; // at most windowSentences
        // The arrival in progress: the time tag it began under, and what it holds so far.
        quint64 epoch = 0;
        std::vector<quint64> parts;
    };
    struct Slice // what arrived in one 100 ms slice of time
    {
        qint64 start;
        quint64 lines;
        quint64 bytes;
    };
    void endLine(const char* begin, const char* end, qint64 at);
    void takeSentence(const char* begin, const char* end, qint64 at);
    Tally* tally(QByteArrayView name, bool good);
    void readTimeTag(QByteArrayView kind, QByteArrayView body);
    // The system of a GSA naming none (no id, no satellites); its order in the epoch is added.
    static constexpr int unnamedGsa = 0x200;
    static quint64 partOf(QByteArrayView address, QByteArrayView kind, QByteArrayView body);
    Kind figures(const Tally& tally, qint64 sinceMs) const;
    void readFix(QByteArrayView body);
    void addToSlice(qint64 at, quint64 lines, quint64 bytes);

    Clock clock;
    QByteArray partial;
    std::vector<Tally> tallies;
    std::size_t unlistedKinds = 0;
    QByteArray timeTag;
    qint64 timeTagMs = -1;
    unsigned tagKinds = 0; // the kinds with a time tag that came in this epoch
    quint64 epoch = 0;     // counts the time tag's changes
    std::deque<Slice> slices;
    qint64 firstAt = -1;
    qint64 lastAt = -1;
    quint64 firstLines = 0; // the first chunk's, which began the measurement
    quint64 firstBytes = 0;
    Line totals;
    Fix lastFix;
};
