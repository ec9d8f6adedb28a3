#pragma once

#include "ShownSatellite.h"

#include <QList>
#include <QWidget>

// Signal levels: one bar per satellite, grouped by system (in the order given), as high as its
// SNR on a 0-60 dB-Hz scale, in its system's colour: solid when used in the fix, pale when not.
// Its label ("G05") beneath it, turned upright where bars are narrow, and only every second (or
// third…) one where even that would overlap.
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
    // The bar of the satellite at index in the widget as it is now (empty without a level).
    QRectF barOf(int index) const;
    // Where each label is drawn, by the satellite's index, and whether labels are upright.
    QList<QPair<int, QRectF>> labelPlaces(bool* upright = nullptr) const;

    QSize sizeHint() const override { return {240, 170}; }
    QSize minimumSizeHint() const override { return {120, 90}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Left edge of each bar; systems are kept apart by a gap.
    QList<qreal> barLefts(qreal* width) const;
    QRectF plotArea() const;
    QFont labelFont() const;
    // Labels are upright when the widest does not fit its slot lying down.
    bool labelsUpright() const;

    QList<ShownSatellite> shown;
    bool greyed = false;
};
