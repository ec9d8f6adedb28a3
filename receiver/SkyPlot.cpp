#include "SkyPlot.h"

#include "ConstellationLook.h"

#include <QPainter>
#include <QtMath>

#include <set>

SkyPlot::SkyPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("skyPlot"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SkyPlot::setSatellites(const QList<ShownSatellite>& satellites)
{
    // Redrawn only when something drawn changed.
    if (satellites == shown)
        return;
    shown = satellites;
    update();
}

void SkyPlot::setGreyed(bool grey)
{
    if (greyed != grey) {
        greyed = grey;
        update();
    }
}

QPointF SkyPlot::centre() const
{
    return QPointF(width() / 2.0, height() / 2.0);
}

qreal SkyPlot::radius() const
{
    // Room for the N/E/S/W letters outside the horizon.
    const int letter = fontMetrics().height();
    return qMax(10.0, qMin(width(), height()) / 2.0 - letter - 2);
}

QPointF SkyPlot::placeOf(int elevation, int azimuth) const
{
    const qreal r = radius() * (90 - qBound(0, elevation, 90)) / 90.0;
    const qreal a = qDegreesToRadians(qreal(azimuth));
    return centre() + QPointF(r * qSin(a), -r * qCos(a));
}

void SkyPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor faint = palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor ink = greyed ? faint : palette().color(QPalette::Active, QPalette::WindowText);

    const QPointF c = centre();
    const qreal r = radius();
    painter.setPen(QPen(faint, 1));
    for (int elevation : {0, 30, 60})
        painter.drawEllipse(c, r * (90 - elevation) / 90.0, r * (90 - elevation) / 90.0);
    painter.drawLine(c - QPointF(r, 0), c + QPointF(r, 0));
    painter.drawLine(c - QPointF(0, r), c + QPointF(0, r));

    painter.setPen(ink);
    const QFontMetrics metrics = fontMetrics();
    const int letterWidth = metrics.horizontalAdvance(QLatin1Char('W'));
    const qreal half = metrics.height() / 2.0;
    painter.drawText(
        QRectF(c.x() - letterWidth, c.y() - r - 2 * half - 1, 2 * letterWidth, 2 * half),
        Qt::AlignCenter, QStringLiteral("N"));
    painter.drawText(QRectF(c.x() - letterWidth, c.y() + r + 1, 2 * letterWidth, 2 * half),
                     Qt::AlignCenter, QStringLiteral("S"));
    painter.drawText(QRectF(c.x() + r + 1, c.y() - half, 2 * letterWidth, 2 * half),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("E"));
    painter.drawText(
        QRectF(c.x() - r - 1 - 2 * letterWidth, c.y() - half, 2 * letterWidth, 2 * half),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("W"));

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    painter.setFont(small);
    const QFontMetrics smallMetrics(small);
    const qreal dot = qMax(3.0, r / 18);
    std::set<Constellation> systems;
    for (const ShownSatellite& satellite : shown) {
        if (satellite.elevation < 0 || satellite.azimuth < 0)
            continue;
        systems.insert(satellite.system);
        QColor colour = greyed ? faint : ConstellationLook::colour(satellite.system);
        if (satellite.stale)
            colour.setAlpha(90);
        const QPointF at = placeOf(satellite.elevation, satellite.azimuth);
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(satellite.used ? QBrush(colour) : Qt::NoBrush);
        painter.drawEllipse(at, dot, dot);
        painter.setPen(colour);
        painter.drawText(at + QPointF(dot + 1, smallMetrics.ascent() / 2.0),
                         QString::number(satellite.number));
    }

    // The legend: the systems in view, top left.
    qreal y = 2;
    for (Constellation system : systems) {
        const QColor colour = greyed ? faint : ConstellationLook::colour(system);
        painter.setPen(colour);
        painter.setBrush(colour);
        const qreal line = smallMetrics.height();
        painter.drawEllipse(QPointF(2 + line / 3, y + line / 2), line / 3, line / 3);
        painter.drawText(QPointF(4 + line * 2 / 3, y + smallMetrics.ascent()),
                         ConstellationLook::name(system));
        y += line;
    }
}
