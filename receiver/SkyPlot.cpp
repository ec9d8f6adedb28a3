#include "SkyPlot.h"

#include "ConstellationLook.h"

#include <QPainter>
#include <QtMath>

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

qreal SkyPlot::dotRadius() const
{
    return qBound(3.0, radius() / 22, 8.0);
}

QFont SkyPlot::labelFont() const
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * (radius() > 200 ? 1.0 : 0.8));
    return small;
}

QPointF SkyPlot::placeOf(int elevation, int azimuth) const
{
    const qreal r = radius() * (90 - qBound(0, elevation, 90)) / 90.0;
    const qreal a = qDegreesToRadians(qreal(azimuth));
    return centre() + QPointF(r * qSin(a), -r * qCos(a));
}

QList<QPair<int, QRectF>> SkyPlot::labelPlaces() const
{
    const QFontMetricsF metrics(labelFont());
    const qreal dot = dotRadius();
    QList<QRectF> taken;
    for (const ShownSatellite& satellite : shown)
        if (satellite.elevation >= 0 && satellite.azimuth >= 0) {
            const QPointF at = placeOf(satellite.elevation, satellite.azimuth);
            taken << QRectF(at - QPointF(dot, dot), QSizeF(2 * dot, 2 * dot));
        }
    const QRectF inside = rect();
    QList<QPair<int, QRectF>> places;
    for (int i = 0; i < shown.size(); ++i) {
        const ShownSatellite& satellite = shown[i];
        if (satellite.elevation < 0 || satellite.azimuth < 0)
            continue;
        const QPointF at = placeOf(satellite.elevation, satellite.azimuth);
        const QSizeF size(metrics.horizontalAdvance(satellite.label), metrics.height());
        const qreal gap = dot + 1;
        // Right, left, above, below, then the corners.
        const QPointF corners[] = {{at.x() + gap, at.y() - size.height() / 2},
                                   {at.x() - gap - size.width(), at.y() - size.height() / 2},
                                   {at.x() - size.width() / 2, at.y() - gap - size.height()},
                                   {at.x() - size.width() / 2, at.y() + gap},
                                   {at.x() + gap, at.y() - gap - size.height()},
                                   {at.x() - gap - size.width(), at.y() - gap - size.height()},
                                   {at.x() + gap, at.y() + gap},
                                   {at.x() - gap - size.width(), at.y() + gap}};
        for (const QPointF& corner : corners) {
            const QRectF place(corner, size);
            if (!inside.contains(place))
                continue;
            const bool free = std::none_of(taken.cbegin(), taken.cend(), [&](const QRectF& other) {
                return other.intersects(place);
            });
            if (free) {
                taken << place;
                places << qMakePair(i, place);
                break;
            }
        }
    }
    return places;
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

    const qreal dot = dotRadius();
    const auto colourOf = [&](const ShownSatellite& satellite) {
        QColor colour = greyed ? faint : ConstellationLook::colour(satellite.system);
        if (satellite.stale)
            colour.setAlpha(90);
        return colour;
    };
    for (const ShownSatellite& satellite : shown) {
        if (satellite.elevation < 0 || satellite.azimuth < 0)
            continue;
        const QColor colour = colourOf(satellite);
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(satellite.used ? QBrush(colour) : Qt::NoBrush);
        painter.drawEllipse(placeOf(satellite.elevation, satellite.azimuth), dot, dot);
    }
    painter.setFont(labelFont());
    for (const auto& [index, place] : labelPlaces()) {
        painter.setPen(colourOf(shown[index]));
        painter.drawText(place, Qt::AlignCenter, shown[index].label);
    }
}
