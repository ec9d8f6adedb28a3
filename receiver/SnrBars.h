#pragma once

#include "ShownSatellite.h"

#include <QList>
#include <QWidget>

// Signal levels: one bar per satellite, grouped by system (in the order given), as high as its
// SNR on a 0-60 dB-Hz scale, coloured by strength, outlined when used in the fix, its number
// beneath it.
class SnrBars : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fullScale = 60; // dB-Hz

    explicit SnrBars(QWidget* parent);

    void setSatellites(const QList<ShownSatellite>& satellites);
    const QList<ShownSatellite>& satellites() const { return shown; }
    // Drawn in grey once the link has ended.
    void setGreyed(bool greyed);
    // The colour of a bar of this SNR: red weak, orange, yellow, green strong.
    static QColor colourOf(int snr);
    // The bar of the satellite at index in the widget as it is now (empty without a level).
    QRectF barOf(int index) const;

    QSize sizeHint() const override { return {220, 150}; }
    QSize minimumSizeHint() const override { return {100, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Left edge of each bar; systems are kept apart by a gap.
    QList<qreal> barLefts(qreal* width) const;
    QRectF plotArea() const;

    QList<ShownSatellite> shown;
    bool greyed = false;
};
