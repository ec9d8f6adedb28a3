#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <functional>

// Recorded lines for the meter's and the status parser's tests: sentences with their checksum,
// garbled ones, and the receiver's time tag at a millisecond of the test's clock.
namespace NmeaLines {

// A chunk as it came off the line, at a time of the meter's clock.
struct Read
{
    qint64 ms;
    QByteArray bytes;
};
using Recording = QList<Read>;

inline QByteArray nmea(const QByteArray& body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + body + '*' + QByteArray::number(sum | 0x100, 16).right(2).toUpper() + "\r\n";
}

// The same with a checksum that does not match.
inline QByteArray garbled(const QByteArray& body)
{
    return nmea(body).replace("*", "0*");
}

// hhmmss.ss of 10:15 plus ms.
inline QByteArray timeOf(qint64 ms)
{
    return QStringLiteral("1015%1.%2")
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000 / 10, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// A chunk made of a time every step ms from 'from' up to 'until' (not included).
inline Recording every(qint64 step, qint64 until, const std::function<QByteArray(qint64)>& make,
                       qint64 from = 0)
{
    Recording reads;
    for (qint64 ms = from; ms < until; ms += step)
        reads << Read{ms, make(ms)};
    return reads;
}

// Two recordings as one, in order of time.
inline Recording merged(Recording a, const Recording& b)
{
    a += b;
    std::stable_sort(a.begin(), a.end(), [](const Read& x, const Read& y) { return x.ms < y.ms; });
    return a;
}

} // namespace NmeaLines
