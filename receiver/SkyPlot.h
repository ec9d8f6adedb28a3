#pragma once

#include "ShownSatellite.h"

#include <QList>
#include <QRectF>
#include <QWidget>

// The sky seen from the receiver: north up, the horizon as the outer ring, rings at 30° and 60°
// elevation, each satellite a dot at its azimuth and elevation in its system's colour, filled
// when it is used in the fix, its label ("G05") beside it where that hides no other label.
// The legend is the tab's, outside the plot.
class SkyPlot : public QWidget
{
    Q_OBJECT

public:
    explicit SkyPlot(QWidget* parent);

    void setSatellites(const QList<ShownSatellite>& satellites);
    const QList<ShownSatellite>& satellites() const { return shown; }
    // Drawn in grey once the link has ended.
    void setGreyed(bool greyed);
    // Where a satellite's dot is drawn (its centre) in the widget as it is now.
    QPointF placeOf(int elevation, int azimuth) const;
    // Where each label is drawn, by the satellite's index; a label with no free place is left out.
    QList<QPair<int, QRectF>> labelPlaces() const;

    QSize sizeHint() const override { return {170, 170}; }
    QSize minimumSizeHint() const override { return {100, 100}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF centre() const;
    qreal radius() const;
    qreal dotRadius() const;
    QFont labelFont() const;

    QList<ShownSatellite> shown;
    bool greyed = false;
};
