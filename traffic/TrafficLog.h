#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <deque>
#include <functional>

// What crossed the link, line by line, for the operator to read: each command sent and each
// line received, with its time, its direction and what kind of line it is, and where links
// opened and closed. Received bytes are cut into lines here; nothing in it knows of widgets.
//
// Two stores: the newest maxLines of all lines, and the newest maxLines of commands, replies
// and link markers, so that a flood of NMEA never pushes a command out of sight.
class TrafficLog
{
    Q_DECLARE_TR_FUNCTIONS(TrafficLog)

public:
    enum class Direction
    {
        Sent,
        Received,
        None // a marker of the link itself
    };
    enum class Kind
    {
        Command,
        ReplyOk,  // "@" reply whose fifth field is OK
        ReplyErr, // … or ERR
        Reply,    // any other "@" reply
        Marker,   // a link opened or closed
        Other     // NMEA and anything else
    };
    struct Line
    {
        quint64 number; // in the order added, across clear()
        qint64 at;      // milliseconds since the epoch
        Direction direction;
        Kind kind;
        bool badChecksum; // an "@" reply whose *hh does not match its bytes
        QString text;     // as shownBytes() writes it
    };
    using Store = std::deque<Line>;

    // Milliseconds since the epoch; tests give their own.
    using Clock = std::function<qint64()>;

    static constexpr std::size_t maxLines = 10000;
    // A line still unfinished this long after its first byte is shown as it is.
    static constexpr qint64 partialWaitMs = 200;
    // Longer lines are cut: a stream that never ends a line must not grow one without bound.
    static constexpr int maxLineBytes = 512;

    explicit TrafficLog(Clock clock = Clock());

    // A command sentence written to the link; its CR LF is not shown.
    void addCommand(const QByteArray& sentence);
    // A chunk received, any bytes. CR, LF or CR LF end a line; empty lines are dropped.
    void addReceived(const QByteArray& chunk);
    // Takes in the unfinished received line once it has waited partialWaitMs.
    void takeWaitingLine();
    bool hasWaitingLine() const { return !partial.isEmpty(); }
    // A line of the link's own, already in the reader's words; a received line still
    // unfinished is taken in before it, as its bytes came before.
    void addMarker(const QString& text);
    // Empties both stores.
    void clear();

    // Lines are numbered from 0 in the order they were added, across clear(); the kept ones are
    // those from first() up to end(), the newest maxLines.
    quint64 first() const { return added - lines.size(); }
    quint64 end() const { return added; }
    const Line& at(quint64 number) const
    {
        return lines[static_cast<std::size_t>(number - first())];
    }
    // Every kept line, or only the commands, replies and markers; oldest first.
    const Store& kept(bool commandsAndReplies) const
    {
        return commandsAndReplies ? exchanges : lines;
    }

    // Whether the line is kept in the store of commands, replies and markers.
    static bool isCommandOrReply(const Line& line);
    // "hh:mm:ss.zzz → text", with [OK] or [ERR] before a marked reply's text and a checksum
    // error beside it; a marker without an arrow.
    static QString format(const Line& line);
    // "hh:mm:ss.zzz" of a time, local.
    static QString timeOfDay(qint64 at);
    static Kind kindOf(const QByteArray& line);
    // Whether an "@" reply ends in "*hh" that is not the XOR of its bytes between "@" and "*".
    // A reply without "*hh" has nothing to be wrong.
    static bool hasBadChecksum(const QByteArray& line);

private:
    void append(Direction direction, Kind kind, const QByteArray& bytes, qint64 at);
    void keep(Line line);
    void endPartial(qint64 at);

    Clock clock;
    Store lines;
    Store exchanges;
    quint64 added = 0;
    QByteArray partial;
    qint64 partialSince = 0;  // its first byte
    qint64 partialLastAt = 0; // its last bytes
};
