#include "OutputRate.h"

#include "SettingsKeys.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double clockSeconds = 0.001;

// Fixed-point text without the zeros after the last digit that matters: "0.200" is "0.2".
QString fixed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}
} // namespace

std::optional<double> OutputRate::periodSeconds(const QString& rate)
{
    if (!SettingsKeys::isRate(rate.toStdString()))
        return std::nullopt;
    if (rate == QLatin1String("OFF"))
        return 0.0;
    return rate.toDouble();
}

QString OutputRate::number(double seconds)
{
    if (!(seconds >= clockSeconds))
        return QStringLiteral("<0.001");
    return fixed(seconds, 3);
}

QString OutputRate::seconds(double seconds)
{
    return number(seconds) + QStringLiteral(" s");
}

QString OutputRate::describe(double seconds)
{
    if (!(seconds >= clockSeconds))
        return OutputRate::seconds(seconds);
    // Three significant digits of the frequency, however slow: 5 Hz, 3.33 Hz, 0.0167 Hz.
    const double hertz = 1.0 / seconds;
    const int decimals = std::clamp(2 - int(std::floor(std::log10(hertz))), 0, 6);
    return OutputRate::seconds(seconds) + QStringLiteral(" · ") + fixed(hertz, decimals) +
           QStringLiteral(" Hz");
}

QString OutputRate::describeRate(const QString& rate)
{
    const std::optional<double> period = periodSeconds(rate);
    if (!period)
        return {};
    return *period > 0 ? describe(*period) : rate;
}
