#include "SnrBars.h"

#include "ConstellationLook.h"

#include <QPainter>

#include <cmath>

SnrBars::SnrBars(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("snrBars"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SnrBars::setSatellites(const QList<ShownSatellite>& satellites)
{
    // Redrawn only when something drawn changed.
    if (satellites == shown)
        return;
    shown = satellites;
    update();
}

void SnrBars::setGreyed(bool grey)
{
    if (greyed != grey) {
        greyed = grey;
        update();
    }
}

QFont SnrBars::labelFont() const
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    return small;
}

namespace {
// Slots across the plot: one a bar, and one between two systems.
int slotCount(const QList<ShownSatellite>& shown)
{
    int gaps = 0;
    for (int i = 1; i < shown.size(); ++i)
        if (shown[i].system != shown[i - 1].system)
            ++gaps;
    return static_cast<int>(shown.size()) + gaps;
}

qreal widestLabel(const QList<ShownSatellite>& shown, const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (const ShownSatellite& satellite : shown)
        widest = qMax(widest, metrics.horizontalAdvance(satellite.label));
    return widest;
}
} // namespace

bool SnrBars::labelsUpright() const
{
    const QFontMetricsF metrics(labelFont());
    const qreal scale = fontMetrics().horizontalAdvance(QStringLiteral("dB-Hz")) + 4;
    const int slotTotal = slotCount(shown);
    const qreal slot = slotTotal ? (width() - scale - 2) / slotTotal : width();
    return widestLabel(shown, metrics) + 2 > slot;
}

QRectF SnrBars::plotArea() const
{
    // Room on the left for the scale and its unit, below for the labels.
    const QFontMetrics metrics = fontMetrics();
    const QFontMetricsF small(labelFont());
    const qreal scale = metrics.horizontalAdvance(QStringLiteral("dB-Hz")) + 4;
    const qreal below = labelsUpright() ? widestLabel(shown, small) + 3 : small.height() + 1;
    const qreal top = metrics.height();
    return QRectF(scale, top, qMax(10.0, width() - scale - 2),
                  qMax(10.0, height() - top - below - 1));
}

QList<qreal> SnrBars::barLefts(qreal* barWidth) const
{
    const QRectF area = plotArea();
    const int slotTotal = slotCount(shown);
    const qreal slot = slotTotal ? area.width() / slotTotal : 0;
    // Bars are 3/4 of their slot, a pixel at least apart.
    *barWidth = qMax(1.0, qMin(slot * 0.75, slot - 1));
    QList<qreal> lefts;
    qreal x = area.left();
    for (int i = 0; i < shown.size(); ++i) {
        if (i > 0 && shown[i].system != shown[i - 1].system)
            x += slot;
        lefts << x + (slot - *barWidth) / 2;
        x += slot;
    }
    return lefts;
}

QRectF SnrBars::barOf(int index) const
{
    if (index < 0 || index >= shown.size() || shown[index].snr < 0)
        return {};
    qreal barWidth = 0;
    const QList<qreal> lefts = barLefts(&barWidth);
    const QRectF area = plotArea();
    const qreal high = area.height() * qBound(0, shown[index].snr, fullScale) / fullScale;
    return QRectF(lefts[index], area.bottom() - high, barWidth, high);
}

QList<QPair<int, QRectF>> SnrBars::labelPlaces(bool* uprightOut) const
{
    const QFontMetricsF metrics(labelFont());
    const bool upright = labelsUpright();
    if (uprightOut)
        *uprightOut = upright;
    qreal barWidth = 0;
    const QList<qreal> lefts = barLefts(&barWidth);
    const qreal top = plotArea().bottom() + 2;
    QList<QPair<int, QRectF>> places;
    qreal freeFrom = -1e9; // where the next label may start, across the bars
    for (int i = 0; i < shown.size(); ++i) {
        const qreal middle = lefts[i] + barWidth / 2;
        const qreal across = upright ? metrics.height() : metrics.horizontalAdvance(shown[i].label);
        const qreal along = upright ? metrics.horizontalAdvance(shown[i].label) : metrics.height();
        const qreal start = middle - across / 2;
        // Where labels would touch, every other one is left out.
        if (start < freeFrom)
            continue;
        freeFrom = start + across + 1;
        places << qMakePair(i, QRectF(start, top, across, along));
    }
    return places;
}

void SnrBars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor faint = palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor ink = greyed ? faint : palette().color(QPalette::Active, QPalette::WindowText);
    const QFontMetrics metrics = fontMetrics();

    // The scale: lines at 0, 20, 40 and 60 dB-Hz, its unit above it.
    const QRectF area = plotArea();
    painter.setPen(ink);
    painter.drawText(QRectF(0, 0, area.left() + 20, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("dB-Hz"));
    for (int level : {0, 20, 40, 60}) {
        const qreal y = area.bottom() - area.height() * level / fullScale;
        painter.setPen(QPen(faint, 1, level ? Qt::DotLine : Qt::SolidLine));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(ink);
        const qreal textTop = qMax(qreal(metrics.height()), y - metrics.height() / 2.0);
        painter.drawText(QRectF(0, textTop, area.left() - 3, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(level));
    }

    for (int i = 0; i < shown.size(); ++i) {
        const ShownSatellite& satellite = shown[i];
        const QRectF bar = barOf(i);
        if (bar.isEmpty())
            continue;
        QColor colour = greyed ? faint : ConstellationLook::colour(satellite.system);
        if (satellite.stale)
            colour.setAlpha(90);
        // Used: solid. Not used: pale inside its system's colour, so a narrow bar keeps it.
        QColor fill = colour;
        if (!satellite.used)
            fill.setAlphaF(colour.alphaF() * 0.3);
        painter.fillRect(bar, fill);
        if (!satellite.used && bar.width() >= 3) {
            painter.setPen(QPen(colour, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(bar.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }

    bool upright = false;
    const QList<QPair<int, QRectF>> places = labelPlaces(&upright);
    painter.setFont(labelFont());
    for (const auto& [index, place] : places) {
        painter.setPen(greyed ? faint : ConstellationLook::colour(shown[index].system));
        if (!upright) {
            painter.drawText(place, Qt::AlignHCenter | Qt::AlignTop, shown[index].label);
            continue;
        }
        // Turned a quarter clockwise, its start at the bar.
        painter.save();
        painter.translate(place.left(), place.top());
        painter.rotate(90);
        painter.drawText(QRectF(0, -place.width(), place.height(), place.width()),
                         Qt::AlignLeft | Qt::AlignVCenter, shown[index].label);
        painter.restore();
    }
}
