#include "SnrBars.h"

#include "ConstellationLook.h"

#include <QPainter>

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

QColor SnrBars::colourOf(int snr)
{
    if (snr < 20)
        return QColor(0xd6, 0x27, 0x28);
    if (snr < 30)
        return QColor(0xff, 0x7f, 0x0e);
    if (snr < 40)
        return QColor(0xe0, 0xc0, 0x20);
    return QColor(0x2c, 0xa0, 0x2c);
}

QRectF SnrBars::plotArea() const
{
    // Room on the left for the scale, below for the numbers, above for the systems' names.
    const QFontMetrics metrics = fontMetrics();
    const qreal scale = metrics.horizontalAdvance(QStringLiteral("60")) + 4;
    const qreal line = metrics.height();
    return QRectF(scale, line, qMax(10.0, width() - scale - 2),
                  qMax(10.0, height() - 2 * line - 2));
}

QList<qreal> SnrBars::barLefts(qreal* barWidth) const
{
    const QRectF area = plotArea();
    int gaps = 0;
    for (int i = 1; i < shown.size(); ++i)
        if (shown[i].system != shown[i - 1].system)
            ++gaps;
    // A gap between systems is one bar wide; bars are 3/4 of their slot.
    const qreal slot = shown.isEmpty() ? 0 : area.width() / (shown.size() + gaps);
    *barWidth = qMax(1.0, slot * 0.75);
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

void SnrBars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor faint = palette().color(QPalette::Disabled, QPalette::WindowText);
    const QColor ink = greyed ? faint : palette().color(QPalette::Active, QPalette::WindowText);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    painter.setFont(small);
    const QFontMetrics metrics(small);

    // The scale: lines at 20, 40 and 60 dB-Hz.
    const QRectF area = plotArea();
    for (int level : {0, 20, 40, 60}) {
        const qreal y = area.bottom() - area.height() * level / fullScale;
        painter.setPen(QPen(faint, 1, level ? Qt::DotLine : Qt::SolidLine));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(ink);
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, area.left() - 3, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(level));
    }

    qreal barWidth = 0;
    const QList<qreal> lefts = barLefts(&barWidth);
    for (int i = 0; i < shown.size(); ++i) {
        const ShownSatellite& satellite = shown[i];
        // Each system's name above its first bar.
        if (i == 0 || satellite.system != shown[i - 1].system) {
            painter.setPen(greyed ? faint : ConstellationLook::colour(satellite.system));
            painter.drawText(QPointF(lefts[i], metrics.ascent()),
                             ConstellationLook::name(satellite.system));
        }
        const QRectF bar = barOf(i);
        if (!bar.isEmpty()) {
            QColor fill = greyed ? faint : colourOf(satellite.snr);
            if (satellite.stale)
                fill.setAlpha(90);
            painter.fillRect(bar, fill);
            if (satellite.used) {
                painter.setPen(QPen(ink, 1.5));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(bar.adjusted(0.75, 0.75, -0.75, -0.75));
            }
        }
        const QString number = QString::number(satellite.number);
        if (metrics.horizontalAdvance(number) <= barWidth + 4) {
            painter.setPen(ink);
            painter.drawText(
                QRectF(lefts[i] - 4, area.bottom() + 1, barWidth + 8, metrics.height()),
                Qt::AlignHCenter | Qt::AlignTop, number);
        }
    }
}
