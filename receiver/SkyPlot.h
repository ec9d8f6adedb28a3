#pragma once

#include "ShownSatellite.h"

#include <QList>
#include <QWidget>

// The sky seen from the receiver: north up, the horizon as the outer ring, rings at 30° and 60°
// elevation, each satellite a dot at its azimuth and elevation with its number beside it,
// coloured by system (legend in the corner), filled when it is used in the fix.
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

    QSize sizeHint() const override { return {180, 180}; }
    QSize minimumSizeHint() const override { return {100, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF centre() const;
    qreal radius() const;

    QList<ShownSatellite> shown;
    bool greyed = false;
};
