#include "TrafficLog.h"

#include "ShownBytes.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

TrafficLog::TrafficLog(Clock chosen) : clock(std::move(chosen))
{
    if (!clock)
        clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

void TrafficLog::addCommand(const QByteArray& sentence)
{
    const qint64 now = clock();
    takeWaitingLine();
    qsizetype length = sentence.size();
    while (length > 0 && (sentence[length - 1] == '\r' || sentence[length - 1] == '\n'))
        --length;
    append(Direction::Sent, Kind::Command, sentence.left(length), now);
}

void TrafficLog::addReceived(const QByteArray& chunk)
{
    const qint64 now = clock();
    takeWaitingLine();
    const char* at = chunk.constData();
    const char* const stop = at + chunk.size();
    while (at < stop) {
        const char* lineEnd = std::find_if(at, stop, [](char c) { return c == '\r' || c == '\n'; });
        while (at < lineEnd) {
            if (partial.isEmpty())
                partialSince = now;
            const qsizetype room = maxLineBytes - partial.size();
            const qsizetype taken = std::min<qsizetype>(room, lineEnd - at);
            partial.append(at, taken);
            at += taken;
            if (partial.size() >= maxLineBytes)
                endPartial(now);
        }
        if (at < stop) {
            endPartial(now); // an empty line ends nothing and is dropped
            ++at;
        }
    }
    if (!partial.isEmpty())
        partialLastAt = now;
}

void TrafficLog::takeWaitingLine()
{
    if (partial.isEmpty())
        return;
    const qint64 now = clock();
    // A clock set back must not hold the line forever.
    if (now - partialSince >= partialWaitMs || now < partialSince)
        endPartial(partialLastAt);
}

void TrafficLog::addMarker(const QString& text)
{
    const qint64 now = clock();
    endPartial(partialLastAt);
    keep({added, now, Direction::None, Kind::Marker, false, text});
}

void TrafficLog::clear()
{
    lines.clear();
    exchanges.clear();
    partial.clear();
}

void TrafficLog::endPartial(qint64 at)
{
    if (partial.isEmpty())
        return;
    append(Direction::Received, kindOf(partial), partial, at);
    partial.clear();
}

void TrafficLog::append(Direction direction, Kind kind, const QByteArray& bytes, qint64 at)
{
    const bool badChecksum =
        direction == Direction::Received && kind != Kind::Other && hasBadChecksum(bytes);
    keep({added, at, direction, kind, badChecksum, shownBytes(bytes)});
}

void TrafficLog::keep(Line line)
{
    ++added;
    if (isCommandOrReply(line)) {
        exchanges.push_back(line);
        if (exchanges.size() > maxLines)
            exchanges.pop_front();
    }
    lines.push_back(std::move(line));
    if (lines.size() > maxLines)
        lines.pop_front();
}

bool TrafficLog::isCommandOrReply(const Line& line)
{
    return line.kind != Kind::Other;
}

bool TrafficLog::hasBadChecksum(const QByteArray& line)
{
    const qsizetype head = line.indexOf('@');
    const qsizetype star = line.lastIndexOf('*');
    if (head < 0 || star < head || line.size() - star != 3)
        return false;
    auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    const int high = digit(line[star + 1]);
    const int low = digit(line[star + 2]);
    if (high < 0 || low < 0)
        return false;
    const int written = high * 16 + low;
    uchar sum = 0;
    for (qsizetype i = head + 1; i < star; ++i)
        sum ^= uchar(line[i]);
    return written != sum;
}

QString TrafficLog::timeOfDay(qint64 at)
{
    // The local offset is asked for once a minute: asking for every line of a flood costs
    // more than all the rest of a line's text.
    thread_local qint64 offsetMinute = std::numeric_limits<qint64>::min();
    thread_local qint64 offsetMs = 0;
    const qint64 minute = at / 60000;
    if (minute != offsetMinute) {
        offsetMinute = minute;
        offsetMs = QDateTime::fromMSecsSinceEpoch(at).offsetFromUtc() * qint64(1000);
    }
    constexpr qint64 dayMs = 24 * 3600 * 1000;
    const qint64 ms = ((at + offsetMs) % dayMs + dayMs) % dayMs;
    const int parts[] = {int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60)};
    char text[12];
    char* out = text;
    for (int part : parts) {
        *out++ = char('0' + part / 10);
        *out++ = char('0' + part % 10);
        *out++ = ':';
    }
    out[-1] = '.';
    const int milliseconds = int(ms % 1000);
    *out++ = char('0' + milliseconds / 100);
    *out++ = char('0' + milliseconds / 10 % 10);
    *out++ = char('0' + milliseconds % 10);
    return QString::fromLatin1(text, 12);
}

QString TrafficLog::format(const Line& line)
{
    QString text = timeOfDay(line.at);
    text.reserve(20 + line.text.size());
    if (line.direction == Direction::None)
        text += u' ';
    else
        text += line.direction == Direction::Sent ? u" → " : u" ← ";
    if (line.kind == Kind::ReplyOk)
        text += u"[OK] ";
    else if (line.kind == Kind::ReplyErr)
        text += u"[ERR] ";
    if (line.badChecksum) {
        text += u'[';
        text += tr("校验错误");
        text += u"] ";
    }
    text += line.text;
    return text;
}

TrafficLog::Kind TrafficLog::kindOf(const QByteArray& line)
{
    // Noise before the head still leaves the reply readable, so it is a reply from its "@".
    const qsizetype head = line.indexOf('@');
    if (head < 0)
        return Kind::Other;
    qsizetype start = head;
    for (int field = 0; field < 4; ++field) {
        start = line.indexOf(',', start);
        if (start < 0)
            return Kind::Reply;
        ++start;
    }
    qsizetype stop = start;
    while (stop < line.size() && line[stop] != ',' && line[stop] != '*')
        ++stop;
    const QByteArray status = line.mid(start, stop - start);
    if (status == "OK")
        return Kind::ReplyOk;
    if (status == "ERR")
        return Kind::ReplyErr;
    return Kind::Reply;
}
