#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>

// What crossed the link, line by line, for the operator to read: each command sent and each
// line received, with its time, its direction and what kind of line it is. Received bytes are
// cut into lines here; nothing in it knows of widgets.
class TrafficLog
{
public:
    enum class Direction
    {
        Sent,
        Received
    };
    enum class Kind
    {
        Command,
        ReplyOk,  // "@" reply whose fifth field is OK
        ReplyErr, // … or ERR
        Reply,    // any other "@" reply
        Other     // NMEA and anything else
    };
    struct Line
    {
        qint64 at; // milliseconds since the epoch
        Direction direction;
        Kind kind;
        QString text; // as shownBytes() writes it
    };

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
    void clear();

    // Lines are numbered from 0 in the order they were added, across clear(); the kept ones are
    // those from first() up to end(), the newest maxLines.
    quint64 first() const { return added - lines.size(); }
    quint64 end() const { return added; }
    const Line& at(quint64 number) const
    {
        return lines[static_cast<std::size_t>(number - first())];
    }

    // Whether the line stays visible when only commands and "@" replies are shown.
    static bool isCommandOrReply(const Line& line);
    // "hh:mm:ss.zzz → text", with [OK] or [ERR] before a marked reply's text.
    static QString format(const Line& line);
    // "hh:mm:ss.zzz" of a time, local.
    static QString timeOfDay(qint64 at);
    static Kind kindOf(const QByteArray& line);

private:
    void append(Direction direction, Kind kind, const QByteArray& bytes, qint64 at);
    void endPartial(qint64 at);

    Clock clock;
    std::deque<Line> lines;
    quint64 added = 0;
    QByteArray partial;
    qint64 partialSince = 0;  // its first byte
    qint64 partialLastAt = 0; // its last bytes
};
