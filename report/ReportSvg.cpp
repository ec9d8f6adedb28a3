#include "ReportSvg.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr int plotWidth = 640;
constexpr int plotHeight = 160;
constexpr int margin = 40;

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

QString open(int width, int height, const QString& title)
{
    return QStringLiteral("<svg width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" role=\"img\"><title>%3</title>\n")
        .arg(width)
        .arg(height)
        .arg(title.toHtmlEscaped());
}

QString text(double x, double y, const QString& words,
             const QString& anchor = QStringLiteral("start"))
{
    return QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"%3\">%4</text>\n")
        .arg(number(x), number(y), anchor, words.toHtmlEscaped());
}

QString line(double x1, double y1, double x2, double y2,
             const QString& colour = QStringLiteral("#999"))
{
    return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\"/>\n")
        .arg(number(x1), number(y1), number(x2), number(y2), colour);
}

// The time axis under a plot of the whole recording.
QString timeAxis(double spanS, int y)
{
    QString svg = line(margin, y, margin + plotWidth, y);
    for (int i = 0; i <= 4; ++i) {
        const double x = margin + plotWidth * i / 4.0;
        svg += line(x, y, x, y + 4) +
               text(x, y + 16,
                    // As exact as the quarter is: 7.45 s, not 7 s.
                    QStringLiteral("%1 s").arg(QString::number(spanS * i / 4, 'g', 6)),
                    QStringLiteral("middle"));
    }
    return svg;
}

QString systemColour(const QString& system)
{
    static const std::pair<const char*, const char*> colours[] = {
        {"GPS", "#1f77b4"},  {"GLONASS", "#d62728"}, {"Galileo", "#2ca02c"}, {"BeiDou", "#ff7f0e"},
        {"QZSS", "#9467bd"}, {"SBAS", "#8c564b"},    {"NavIC", "#e377c2"}};
    for (const auto& [name, colour] : colours)
        if (system == QLatin1String(name))
            return QLatin1String(colour);
    return QStringLiteral("#7f7f7f");
}
} // namespace

QString ReportSvg::fixColour(int kind)
{
    static const char* colours[UnitReport::fixKinds] = {"#d62728", "#ff7f0e", "#bcbd22",
                                                        "#17becf", "#2ca02c", "#1f77b4",
                                                        "#9467bd", "#8c564b", "#7f7f7f"};
    return kind >= 0 && kind < UnitReport::fixKinds ? QLatin1String(colours[kind])
                                                    : QStringLiteral("#ffffff");
}

QString ReportSvg::fixTimeline(const UnitReport& report)
{
    const auto& fix = report.drawings.fix;
    const int height = 60;
    QString svg = open(plotWidth + 2 * margin, height + 60, QStringLiteral("Fix kind over time"));
    const double width = fix.empty() ? 0 : double(plotWidth) / fix.size();
    for (std::size_t i = 0; i < fix.size(); ++i)
        if (fix[i] >= 0)
            svg +=
                QStringLiteral("<rect x=\"%1\" y=\"10\" width=\"%2\" height=\"%3\" fill=\"%4\"/>\n")
                    .arg(number(margin + i * width), QString::number(width, 'f', 2))
                    .arg(height)
                    .arg(fixColour(fix[i]));
    svg += timeAxis(report.drawings.spanS, height + 10);
    double x = margin;
    for (int kind = 0; kind < UnitReport::fixKinds; ++kind) {
        if (report.fix[static_cast<std::size_t>(kind)] == 0)
            continue;
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"10\" height=\"10\" fill=\"%3\"/>\n")
                   .arg(number(x))
                   .arg(height + 36)
                   .arg(fixColour(kind)) +
               text(x + 14, height + 45, QLatin1String(UnitReport::fixNames[kind]));
        x += 110;
    }
    return svg + QStringLiteral("</svg>\n");
}

QString ReportSvg::scatter(const UnitReport& report)
{
    const int size = 320;
    const double centre = size / 2.0;
    const double radius = size / 2.0 - 30;
    double extent = report.position ? report.position->cep95M * 1.25 : 0;
    for (const auto& [east, north] : report.drawings.scatter)
        extent = std::max({extent, double(std::abs(east)), double(std::abs(north))});
    extent = std::max(extent, 0.001);
    const double scale = radius / extent;
    QString svg = open(size, size, QStringLiteral("Position scatter, metres from the mean"));
    svg += line(centre - radius, centre, centre + radius, centre) +
           line(centre, centre - radius, centre, centre + radius);
    for (const auto& [east, north] : report.drawings.scatter)
        svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"1.2\" fill=\"#1f77b4\"/>\n")
                   .arg(number(centre + east * scale), number(centre - north * scale));
    if (report.position) {
        const std::pair<double, const char*> circles[] = {{report.position->cep50M, "CEP50"},
                                                          {report.position->cep95M, "CEP95"}};
        for (const auto& [metres, name] : circles)
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%1\" r=\"%2\" fill=\"none\" "
                                  "stroke=\"#d62728\" stroke-dasharray=\"4 3\"/>\n")
                       .arg(number(centre), QString::number(metres * scale, 'f', 2)) +
                   text(centre + metres * scale * 0.707 + 3, centre - metres * scale * 0.707 - 3,
                        QStringLiteral("%1 %2 m").arg(QLatin1String(name)).arg(metres, 0, 'f', 3));
    }
    svg += text(centre, 14, QStringLiteral("N"), QStringLiteral("middle")) +
           text(size - 14, centre + 4, QStringLiteral("E"), QStringLiteral("middle")) +
           text(4, size - 6, QStringLiteral("edge: %1 m").arg(extent, 0, 'f', 3));
    return svg + QStringLiteral("</svg>\n");
}

QString ReportSvg::headingTimeline(const UnitReport& report)
{
    QString svg =
        open(plotWidth + 2 * margin, plotHeight + 40, QStringLiteral("Heading over time"));
    if (!report.heading)
        return svg + text(margin, 30, QStringLiteral("no heading")) + QStringLiteral("</svg>\n");
    const double mean = report.heading->meanDeg;
    // The columns' departures from the mean, the short way round.
    const auto departure = [mean](double heading) {
        double d = std::fmod(heading - mean + 540.0, 360.0) - 180.0;
        return d;
    };
    double extent = 0.5;
    for (float heading : report.drawings.heading)
        if (!std::isnan(heading))
            extent = std::max(extent, std::abs(departure(heading)) * 1.1);
    const double middle = 10 + plotHeight / 2.0;
    const double scale = plotHeight / 2.0 / extent;
    svg += line(margin, middle, margin + plotWidth, middle, QStringLiteral("#ccc"));
    svg += text(2, 14, QStringLiteral("%1°").arg(std::fmod(mean + extent, 360.0), 0, 'f', 2)) +
           text(2, middle + 4, QStringLiteral("%1°").arg(mean, 0, 'f', 2)) +
           text(2, 10 + plotHeight,
                QStringLiteral("%1°").arg(std::fmod(mean - extent + 360.0, 360.0), 0, 'f', 2));
    const auto& columns = report.drawings.heading;
    QString points;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (std::isnan(columns[i])) {
            if (!points.isEmpty())
                svg +=
                    QStringLiteral("<polyline fill=\"none\" stroke=\"#1f77b4\" points=\"%1\"/>\n")
                        .arg(points);
            points.clear();
            continue;
        }
        points +=
            QStringLiteral("%1,%2 ").arg(number(margin + plotWidth * (i + 0.5) / columns.size()),
                                         number(middle - departure(columns[i]) * scale));
    }
    if (!points.isEmpty())
        svg += QStringLiteral("<polyline fill=\"none\" stroke=\"#1f77b4\" points=\"%1\"/>\n")
                   .arg(points);
    svg += timeAxis(report.drawings.spanS, plotHeight + 10);
    return svg + QStringLiteral("</svg>\n");
}

QString ReportSvg::skyTracks(const UnitReport& report)
{
    const int size = 340;
    const double centre = size / 2.0;
    const double radius = size / 2.0 - 24;
    QString svg = open(size, size, QStringLiteral("Sky track of each satellite"));
    for (int elevation : {0, 30, 60})
        svg +=
            QStringLiteral("<circle cx=\"%1\" cy=\"%1\" r=\"%2\" fill=\"none\" stroke=\"#ccc\"/>\n")
                .arg(number(centre), number(radius * (90 - elevation) / 90.0));
    svg += text(centre, 14, QStringLiteral("N"), QStringLiteral("middle")) +
           text(size - 10, centre + 4, QStringLiteral("E"), QStringLiteral("middle")) +
           text(centre, size - 4, QStringLiteral("S"), QStringLiteral("middle")) +
           text(10, centre + 4, QStringLiteral("W"), QStringLiteral("middle"));
    for (const UnitReport::Track& track : report.drawings.tracks) {
        QString points;
        double x = 0;
        double y = 0;
        for (const auto& [azimuth, elevation] : track.points) {
            const double r = radius * (90 - elevation) / 90.0;
            x = centre + r * std::sin(azimuth * pi / 180);
            y = centre - r * std::cos(azimuth * pi / 180);
            points += QStringLiteral("%1,%2 ").arg(number(x), number(y));
        }
        const QString colour = systemColour(track.system);
        svg +=
            QStringLiteral(
                "<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"1.5\" points=\"%2\"/>\n")
                .arg(colour, points) +
            QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"2.5\" fill=\"%3\"/>\n")
                .arg(number(x), number(y), colour) +
            text(x + 4, y - 3, QStringLiteral("%1 %2").arg(track.system.left(3)).arg(track.number));
    }
    return svg + QStringLiteral("</svg>\n");
}

QString ReportSvg::snrBars(const UnitReport& report)
{
    const int height = 160;
    const int barWidth = 60;
    const int width = 2 * margin + std::max<int>(1, int(report.systems.size())) * (barWidth + 20);
    const double top = 60; // dB-Hz at the top of the scale
    QString svg = open(width, height + 40, QStringLiteral("Mean SNR per system"));
    svg += line(margin, 10 + height, width - margin, 10 + height);
    for (int db : {20, 40, 60})
        svg += line(margin, 10 + height - height * db / top, width - margin,
                    10 + height - height * db / top, QStringLiteral("#eee")) +
               text(4, 14 + height - height * db / top, QString::number(db));
    double x = margin + 10;
    for (const UnitReport::System& system : report.systems) {
        if (system.snrMeanDbHz) {
            const double bar = height * std::min(*system.snrMeanDbHz, top) / top;
            svg +=
                QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                    .arg(number(x), number(10 + height - bar))
                    .arg(barWidth)
                    .arg(number(bar), systemColour(system.name)) +
                text(x + barWidth / 2.0, 6 + height - bar, number(*system.snrMeanDbHz),
                     QStringLiteral("middle"));
        }
        svg += text(x + barWidth / 2.0, height + 27, system.name, QStringLiteral("middle"));
        x += barWidth + 20;
    }
    return svg + QStringLiteral("</svg>\n");
}
