#pragma once

#include "RateMeter.h"

#include <QJsonObject>
#include <QString>

// What monitor --rates prints after listening: per sentence kind (the window's list first, then
// any other kind seen) count, mean period, shortest and longest gap and checksum errors, and the
// line's totals.
class RateReport
{
public:
    RateReport(const QString& port, qint64 listenedMs, const RateMeter& meter);

    QJsonObject toJson() const;
    QString toText() const;

private:
    QString port;
    double seconds;
    RateMeter::Line line;
    std::vector<RateMeter::Kind> kinds;
};
