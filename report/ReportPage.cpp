#include "ReportPage.h"

#include "ReportSvg.h"

#include <QFileInfo>

namespace {
const char* const style =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    "table{border-collapse:collapse;margin:.5em 0 1.5em}"
    "td,th{border:1px solid #bbb;padding:.2em .6em;text-align:left}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}"
    ".pass{color:#1a7f37;font-weight:bold}.fail{color:#c62828;font-weight:bold}"
    "figure{display:inline-block;margin:0 1em 1em 0;vertical-align:top}"
    "figcaption{font-size:.9em;color:#555}"
    "@media print{body{margin:0}figure,table{page-break-inside:avoid}}";

QString head(const QString& title)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n<style>%2</style>\n</head>\n<body>\n")
        .arg(title.toHtmlEscaped(), QLatin1String(style));
}

QString verdict(const UnitReport& report)
{
    return report.passed ? QStringLiteral("<span class=\"pass\">PASSED</span>")
                         : QStringLiteral("<span class=\"fail\">FAILED</span>");
}

QString figure(double value, int decimals, const QString& unit = {})
{
    return QString::number(value, 'f', decimals) + unit;
}

QString figure(const std::optional<double>& value, int decimals, const QString& unit = {})
{
    return value ? figure(*value, decimals, unit) : QStringLiteral("—");
}

QString row(const QString& name, const QString& value)
{
    return QStringLiteral("<tr><th>%1</th><td class=\"n\">%2</td></tr>\n")
        .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
}

QString source(const UnitReport& report)
{
    return report.file.isEmpty() ? report.port : report.file;
}

QString numbers(const UnitReport& report)
{
    QString html = QStringLiteral("<h2>Figures</h2>\n<table>\n");
    html += row(QStringLiteral("seconds"), figure(report.seconds, 1)) +
            row(QStringLiteral("epochs"), QString::number(report.epochs));
    for (int kind = 0; kind < UnitReport::fixKinds; ++kind)
        if (report.fix[static_cast<std::size_t>(kind)] > 0)
            html += row(QStringLiteral("fix: %1").arg(QLatin1String(UnitReport::fixNames[kind])),
                        QString::number(report.fix[static_cast<std::size_t>(kind)]));
    html +=
        row(QStringLiteral("RTK fixed"), figure(report.fixedPercent(), 2, QStringLiteral(" %"))) +
        row(QStringLiteral("first fix"), figure(report.firstFixS, 1, QStringLiteral(" s"))) +
        row(QStringLiteral("first RTK fixed"),
            figure(report.firstRtkFixedS, 1, QStringLiteral(" s"))) +
        row(QStringLiteral("longest outage"),
            figure(report.longestOutageS, 1, QStringLiteral(" s")));
    if (const auto& p = report.position) {
        html +=
            row(QStringLiteral("latitude"), figure(p->latitude, 9, QStringLiteral("°"))) +
            row(QStringLiteral("longitude"), figure(p->longitude, 9, QStringLiteral("°"))) +
            row(QStringLiteral("height above sea level"),
                figure(p->heightM, 3, QStringLiteral(" m"))) +
            row(QStringLiteral("σ north / east / up"), QStringLiteral("%1 / %2 / %3 m")
                                                           .arg(p->sigmaNorthM, 0, 'f', 4)
                                                           .arg(p->sigmaEastM, 0, 'f', 4)
                                                           .arg(p->sigmaUpM, 0, 'f', 4)) +
            row(QStringLiteral("CEP50 / CEP95"),
                QStringLiteral("%1 / %2 m").arg(p->cep50M, 0, 'f', 4).arg(p->cep95M, 0, 'f', 4));
    }
    if (const auto& h = report.heading)
        html +=
            row(QStringLiteral("heading mean / σ"),
                QStringLiteral("%1° / %2°").arg(h->meanDeg, 0, 'f', 3).arg(h->sigmaDeg, 0, 'f', 3));
    html += row(QStringLiteral("satellites used / in view"),
                figure(report.usedMean, 1) + QStringLiteral(" / ") + figure(report.inViewMean, 1));
    for (const UnitReport::System& system : report.systems)
        html += row(system.name, QStringLiteral("%1 used / %2 in view, SNR %3 dB-Hz")
                                     .arg(system.usedMean, 0, 'f', 1)
                                     .arg(system.inViewMean, 0, 'f', 1)
                                     .arg(figure(system.snrMeanDbHz, 1)));
    html += row(QStringLiteral("checksum errors"), QString::number(report.checksumErrors));
    html +=
        QStringLiteral("</table>\n<h2>Rates</h2>\n<table>\n<tr><th>sentence</th><th>arrivals</th>"
                       "<th>measured period</th><th>set</th></tr>\n");
    for (const UnitReport::Rate& rate : report.rates)
        html += QStringLiteral("<tr><th>%1</th><td class=\"n\">%2</td><td class=\"n\">%3</td>"
                               "<td class=\"n\">%4</td></tr>\n")
                    .arg(QString::fromLatin1(rate.kind).toHtmlEscaped())
                    .arg(rate.arrivals)
                    .arg(figure(rate.measuredS, 3, QStringLiteral(" s")),
                         figure(rate.setS, 3, QStringLiteral(" s")));
    return html + QStringLiteral("</table>\n");
}

QString checks(const UnitReport& report)
{
    if (report.checks.empty())
        return QStringLiteral("<p>No thresholds were given.</p>\n");
    QString html = QStringLiteral("<table>\n<tr><th>threshold</th><th>limit</th><th>measured</th>"
                                  "<th></th></tr>\n");
    for (const UnitReport::Check& check : report.checks)
        html += QStringLiteral("<tr><th>--%1</th><td class=\"n\">%2</td><td class=\"n\">%3</td>"
                               "<td class=\"%4\">%5</td></tr>\n")
                    .arg(check.name.toHtmlEscaped(), QString::number(check.limit),
                         figure(check.value, 3),
                         check.passed ? QStringLiteral("pass") : QStringLiteral("fail"),
                         check.passed ? QStringLiteral("met") : QStringLiteral("not met"));
    return html + QStringLiteral("</table>\n");
}

QString drawing(const QString& svg, const QString& caption)
{
    return QStringLiteral("<figure>\n%1<figcaption>%2</figcaption>\n</figure>\n")
        .arg(svg, caption.toHtmlEscaped());
}
} // namespace

QString ReportPage::unit(const UnitReport& report)
{
    const QString name = report.serial.isEmpty() ? source(report) : report.serial;
    QString html = head(QStringLiteral("Commissioning report: %1").arg(name));
    html += QStringLiteral("<h1>Commissioning report: %1 %2</h1>\n")
                .arg(name.toHtmlEscaped(), verdict(report));
    html += QStringLiteral("<p>%1 %2</p>\n")
                .arg(report.file.isEmpty() ? QStringLiteral("Port") : QStringLiteral("Recording"),
                     source(report).toHtmlEscaped());
    if (!report.error.isEmpty())
        return html + QStringLiteral("<p class=\"fail\">%1</p>\n</body>\n</html>\n")
                          .arg(report.error.toHtmlEscaped());
    html += checks(report);
    html += drawing(ReportSvg::fixTimeline(report), QStringLiteral("Fix kind over time"));
    html +=
        drawing(ReportSvg::scatter(report),
                QStringLiteral("Position scatter in metres from the mean, with CEP50 and CEP95"));
    html += drawing(ReportSvg::skyTracks(report), QStringLiteral("Sky track of each satellite"));
    html += drawing(ReportSvg::headingTimeline(report), QStringLiteral("Heading over time"));
    html += drawing(ReportSvg::snrBars(report), QStringLiteral("Mean SNR per system, dB-Hz"));
    html += numbers(report);
    if (!report.settings.empty()) {
        html += QStringLiteral("<h2>Settings read back</h2>\n<table>\n");
        for (const auto& [key, value] : report.settings)
            html += row(key, value);
        html += QStringLiteral("</table>\n");
    }
    return html + QStringLiteral("</body>\n</html>\n");
}

QString ReportPage::index(const std::vector<UnitReport>& reports, const QStringList& pages)
{
    int passed = 0;
    for (const UnitReport& report : reports)
        passed += report.passed ? 1 : 0;
    QString html = head(QStringLiteral("Commissioning reports"));
    html += QStringLiteral("<h1>Commissioning reports</h1>\n<p>%1 of %2 units passed.</p>\n")
                .arg(passed)
                .arg(reports.size());
    html +=
        QStringLiteral("<table>\n<tr><th>unit</th><th>source</th><th>epochs</th><th>RTK fixed</th>"
                       "<th>CEP95</th><th>heading σ</th><th>first fix</th><th></th></tr>\n");
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const UnitReport& report = reports[i];
        const QString name = report.serial.isEmpty() ? QStringLiteral("—") : report.serial;
        html +=
            QStringLiteral("<tr><td><a href=\"%1\">%2</a></td><td>%3</td><td class=\"n\">%4</td>"
                           "<td class=\"n\">%5</td><td class=\"n\">%6</td><td class=\"n\">%7</td>"
                           "<td class=\"n\">%8</td><td>%9</td></tr>\n")
                .arg(pages.value(qsizetype(i)).toHtmlEscaped(), name.toHtmlEscaped(),
                     source(report).toHtmlEscaped(), QString::number(report.epochs),
                     figure(report.fixedPercent(), 1, QStringLiteral(" %")),
                     report.position ? figure(report.position->cep95M, 3, QStringLiteral(" m"))
                                     : QStringLiteral("—"),
                     report.heading ? figure(report.heading->sigmaDeg, 3, QStringLiteral("°"))
                                    : QStringLiteral("—"),
                     figure(report.firstFixS, 1, QStringLiteral(" s")), verdict(report));
    }
    return html + QStringLiteral("</table>\n</body>\n</html>\n");
}

QString ReportPage::fileName(const UnitReport& report)
{
    QString name = report.serial.isEmpty() ? QFileInfo(source(report)).fileName() : report.serial;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_') &&
            c != QLatin1Char('.'))
            c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("unit"));
    return name + QStringLiteral(".html");
}
