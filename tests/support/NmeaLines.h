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

// The used lists and the sky of a four-system receiver (GPS, GLONASS, Galileo, BeiDou), as one
// second of its output carries them; the benchmarks feed it to the parser and the report.
inline QList<QByteArray> fourSystemSky()
{
    return {"GNGSA,A,3,02,04,06,08,10,12,14,,,,,,1.1,0.6,0.9,1",
            "GNGSA,A,3,66,67,70,75,,,,,,,,,1.1,0.6,0.9,2",
            "GNGSA,A,3,03,05,09,,,,,,,,,,1.1,0.6,0.9,3",
            "GNGSA,A,3,06,09,16,21,,,,,,,,,1.1,0.6,0.9,4",
            "GPGSV,3,1,10,02,22,029,41,04,29,058,44,06,36,087,47,08,43,116,30,1",
            "GPGSV,3,2,10,10,50,145,33,12,57,174,36,14,64,203,39,16,71,232,42,1",
            "GPGSV,3,3,10,18,78,261,45,20,15,290,48,1",
            "GLGSV,2,1,06,66,22,029,41,67,29,058,44,70,36,087,47,75,43,116,30,1",
            "GLGSV,2,2,06,80,50,145,33,81,57,174,36,1",
            "GAGSV,2,1,05,03,22,029,41,05,29,058,44,09,36,087,47,11,43,116,30,7",
            "GAGSV,2,2,05,24,50,145,33,7",
            "GBGSV,2,1,06,06,22,029,41,09,29,058,44,16,36,087,47,21,43,116,30,1",
            "GBGSV,2,2,06,27,50,145,33,30,57,174,36,1"};
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
