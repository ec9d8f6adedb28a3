#include "OutputRate.h"

#include <cmath>

std::optional<double> OutputRate::periodSeconds(const QString& rate)
{
    if (rate == QLatin1String("OFF"))
        return 0.0;
    bool ok = false;
    const double seconds = rate.toDouble(&ok);
    if (!ok || !(seconds > 0) || !std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

QString OutputRate::describe(double seconds)
{
    if (!(seconds > 0))
        return QStringLiteral("OFF");
    return QStringLiteral("%1 s · %2 Hz")
        .arg(QString::number(seconds, 'g', 3), QString::number(1.0 / seconds, 'g', 3));
}
