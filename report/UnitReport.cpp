#include "UnitReport.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>

const std::array<const char*, UnitReport::fixKinds> UnitReport::fixNames = {
    "none",      "single",         "dgps",   "pps",      "rtk-fixed",
    "rtk-float", "dead-reckoning", "manual", "simulated"};

namespace {
// Figures past what the receiver resolves are noise in a report.
double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QJsonValue optional(const std::optional<double>& value, int decimals)
{
    return value ? QJsonValue(rounded(*value, decimals)) : QJsonValue();
}

QJsonValue text(const QString& value)
{
    return value.isEmpty() ? QJsonValue() : QJsonValue(value);
}
} // namespace

std::optional<double> UnitReport::fixedPercent() const
{
    if (epochs == 0)
        return std::nullopt;
    return 100.0 * fix[rtkFixed] / epochs;
}

QJsonObject UnitReport::toJson() const
{
    QJsonObject json;
    json.insert(QStringLiteral("serial"), text(serial));
    json.insert(file.isEmpty() ? QStringLiteral("port") : QStringLiteral("file"),
                file.isEmpty() ? port : file);
    if (!error.isEmpty()) {
        json.insert(QStringLiteral("error"), error);
        json.insert(QStringLiteral("passed"), false);
        return json;
    }
    json.insert(QStringLiteral("seconds"), rounded(seconds, 3));
    json.insert(QStringLiteral("epochs"), static_cast<qint64>(epochs));
    QJsonObject kinds;
    for (int i = 0; i < fixKinds; ++i)
        kinds.insert(QLatin1String(fixNames[i]), static_cast<qint64>(fix[i]));
    json.insert(QStringLiteral("fix"), kinds);
    json.insert(QStringLiteral("first_fix_s"), optional(firstFixS, 3));
    json.insert(QStringLiteral("first_rtk_fixed_s"), optional(firstRtkFixedS, 3));
    json.insert(QStringLiteral("longest_outage_s"), optional(longestOutageS, 3));
    if (position)
        json.insert(QStringLiteral("position"),
                    QJsonObject{{QStringLiteral("epochs"), static_cast<qint64>(position->epochs)},
                                {QStringLiteral("lat"), rounded(position->latitude, 9)},
                                {QStringLiteral("lon"), rounded(position->longitude, 9)},
                                {QStringLiteral("height_m"), rounded(position->heightM, 4)},
                                {QStringLiteral("sigma_n_m"), rounded(position->sigmaNorthM, 4)},
                                {QStringLiteral("sigma_e_m"), rounded(position->sigmaEastM, 4)},
                                {QStringLiteral("sigma_u_m"), rounded(position->sigmaUpM, 4)},
                                {QStringLiteral("cep50_m"), rounded(position->cep50M, 4)},
                                {QStringLiteral("cep95_m"), rounded(position->cep95M, 4)}});
    else
        json.insert(QStringLiteral("position"), QJsonValue());
    if (heading)
        json.insert(QStringLiteral("heading"),
                    QJsonObject{{QStringLiteral("epochs"), static_cast<qint64>(heading->epochs)},
                                {QStringLiteral("mean_deg"), rounded(heading->meanDeg, 3)},
                                {QStringLiteral("sigma_deg"), rounded(heading->sigmaDeg, 3)}});
    else
        json.insert(QStringLiteral("heading"), QJsonValue());
    QJsonObject perSystem;
    QJsonObject snr;
    for (const System& system : systems) {
        perSystem.insert(
            system.name,
            QJsonObject{{QStringLiteral("used_mean"), rounded(system.usedMean, 2)},
                        {QStringLiteral("in_view_mean"), rounded(system.inViewMean, 2)}});
        snr.insert(system.name, optional(system.snrMeanDbHz, 1));
    }
    json.insert(QStringLiteral("satellites"),
                QJsonObject{{QStringLiteral("used_mean"), optional(usedMean, 2)},
                            {QStringLiteral("in_view_mean"), optional(inViewMean, 2)},
                            {QStringLiteral("systems"), perSystem}});
    json.insert(QStringLiteral("snr_mean_dbhz"), snr);
    QJsonObject periods;
    for (const Rate& rate : rates) {
        QJsonObject one{{QStringLiteral("arrivals"), static_cast<qint64>(rate.arrivals)},
                        {QStringLiteral("period_s"), optional(rate.measuredS, 3)}};
        if (rate.setS)
            one.insert(QStringLiteral("set_s"), rounded(*rate.setS, 3));
        periods.insert(QString::fromLatin1(rate.kind), one);
    }
    json.insert(QStringLiteral("rates"), periods);
    json.insert(QStringLiteral("checksum_errors"), static_cast<qint64>(checksumErrors));
    if (!settings.empty()) {
        QJsonObject read;
        for (const auto& [key, value] : settings)
            read.insert(key, value);
        json.insert(QStringLiteral("settings"), read);
    }
    QJsonObject checked;
    for (const Check& check : checks)
        checked.insert(check.name, QJsonObject{{QStringLiteral("limit"), check.limit},
                                               {QStringLiteral("value"), optional(check.value, 4)},
                                               {QStringLiteral("passed"), check.passed}});
    json.insert(QStringLiteral("checks"), checked);
    json.insert(QStringLiteral("passed"), passed);
    return json;
}
