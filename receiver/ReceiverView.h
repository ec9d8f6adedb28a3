#pragma once

#include "ReceiverStatus.h"
#include "ShownSatellite.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class LinkBanner;
class LinkTraffic;
class QFormLayout;
class QLabel;
class QTableWidget;
class QTimer;
class SkyPlot;
class SnrBars;

// The receiver tab: what the link's NMEA says of the receiver — fix, position, height, time,
// heading, DOPs, satellites, corrections, accuracy — and its sky: a polar plot, signal bars and a
// table of the satellites in view. Values not renewed for 3 s are greyed with their age; a closed
// link leaves everything as it was, greyed.
class ReceiverView : public QWidget
{
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock; tests give their own.
    using Clock = std::function<qint64()>;

    ReceiverView(LinkTraffic* source, QWidget* parent, Clock clock = {});

    // At most twice a second, and only while the tab is shown.
    static constexpr int refreshMs = 500;

    void refresh();
    const ReceiverStatus& status() const { return receiverStatus; }
    // GGA's quality in words.
    static QString qualityText(ReceiverStatus::FixQuality quality);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum Column
    {
        SystemColumn,
        NumberColumn,
        ElevationColumn,
        AzimuthColumn,
        SnrColumn,
        UsedColumn,
        ColumnCount
    };
    void buildUi(LinkTraffic* source);
    QLabel* addValue(QFormLayout* form, const QString& caption, const char* name);
    qint64 now() const;
    void opened();
    void closed();
    // Sets a value's text, greyed with its age once it is stale (ageMs < 0: not known).
    void showValue(QLabel* label, const QString& text, qint64 ageMs);
    void showFix(qint64 at);
    void showSatellites(qint64 at);
    void fillTable(const QList<ShownSatellite>& satellites);

    Clock clock;
    QElapsedTimer sinceStart;
    ReceiverStatus receiverStatus;
    // Once the link ended, the tab shows what it knew then.
    bool ended = false;
    qint64 endedAt = 0;

    LinkBanner* banner = nullptr;
    QLabel* fixQuality = nullptr;
    QLabel* position = nullptr;
    QLabel* height = nullptr;
    QLabel* utcTime = nullptr;
    QLabel* heading = nullptr;
    QLabel* dop = nullptr;
    QLabel* satellites = nullptr;
    QLabel* corrections = nullptr;
    QLabel* accuracy = nullptr;
    SkyPlot* skyPlot = nullptr;
    SnrBars* snrBars = nullptr;
    QTableWidget* table = nullptr;
    QTimer* refreshTimer = nullptr;
};
