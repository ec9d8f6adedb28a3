#pragma once

#include "ConfirmedRates.h"
#include "ReceiverStatus.h"
#include "ShownSatellite.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class LinkBanner;
class LinkTraffic;
class QFormLayout;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;
class ReceiverWindow;
class SkyPlot;
class SnrBars;

// The receiver tab: what the link's NMEA says of the receiver — fix, position, heights, time,
// heading, motion, DOPs, satellites, corrections, accuracy — and its sky: a polar plot, signal
// bars and a table of the satellites in view, one colour per system in all three. A value is
// greyed with its age only once its sentence is overdue by the rate the receiver was set to;
// a closed link leaves everything as it was, greyed. detachButton shows the same view in a
// window of its own, where the plots grow with the window; closing it puts the view back.
class ReceiverView : public QWidget
{
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock; tests give their own.
    using Clock = std::function<qint64()>;

    ReceiverView(LinkTraffic* source, QWidget* parent, Clock clock = {});
    ~ReceiverView() override;

    // No more than the window's designed size leaves a tab: the plots and the table take
    // whatever room there is, in the tab or in a window of its own.
    QSize sizeHint() const override;

    // At most twice a second, and only while the view is shown.
    static constexpr int refreshMs = 500;

    void refresh();
    const ReceiverStatus& status() const { return receiverStatus; }
    // The window the view is shown in on its own; null while it is on its tab.
    ReceiverWindow* detachedWindow() const { return detached; }
    // GGA's quality in words.
    static QString qualityText(ReceiverStatus::FixQuality quality);
    // How long a fix has been of its kind: "32 s", "5 min", "2 h".
    static QString durationText(qint64 ms);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum Column
    {
        SystemColumn,
        NumberColumn,
        PrnColumn,
        ElevationColumn,
        AzimuthColumn,
        SnrColumn,
        UsedColumn,
        ColumnCount
    };
    void buildUi(LinkTraffic* source);
    QLabel* addValue(QFormLayout* form, const QString& caption, const char* name);
    void sizeColumns();
    qint64 now() const;
    void received(const QByteArray& chunk);
    void opened();
    void closed();
    void detach();
    void attach();
    // The periods the receiver confirmed on this link, for the parser's overdue limits.
    void takeConfirmedRates();
    // Sets a value's text; greyed with its age when overdue, "—" when not known.
    template <typename T>
    void showValue(QLabel* label, const QString& text, const ReceiverStatus::Timed<T>& value,
                   qint64 at);
    void showText(QLabel* label, const QString& text, bool known, bool overdue, qint64 ageMs);
    void showFix(qint64 at);
    void showSatellites(qint64 at);
    void fillTable(const QList<ShownSatellite>& satellites);

    Clock clock;
    QElapsedTimer sinceStart;
    ReceiverStatus receiverStatus;
    ConfirmedRates confirmedRates;
    // Once the link ended, the tab shows what it knew then.
    bool ended = false;
    qint64 endedAt = 0;
    // The fix kind shown and since when the receiver has reported it (-1: no fix known).
    ReceiverStatus::FixQuality kind = ReceiverStatus::FixQuality::NoFix;
    qint64 kindSince = -1;

    LinkBanner* banner = nullptr;
    QPushButton* detachButton = nullptr;
    QWidget* body = nullptr;
    QLabel* detachedNote = nullptr;
    ReceiverWindow* detached = nullptr;
    QLabel* fixQuality = nullptr;
    QLabel* position = nullptr;
    QLabel* height = nullptr;
    QLabel* utcTime = nullptr;
    QLabel* heading = nullptr;
    QLabel* motion = nullptr;
    QLabel* dop = nullptr;
    QLabel* satellites = nullptr;
    QLabel* corrections = nullptr;
    QLabel* accuracy = nullptr;
    QLabel* legend = nullptr;
    SkyPlot* skyPlot = nullptr;
    SnrBars* snrBars = nullptr;
    QTableWidget* table = nullptr;
    QTimer* refreshTimer = nullptr;
};
