#pragma once

#include "ConfirmedRates.h"
#include "RateCheck.h"
#include "RateMeter.h"

#include <QWidget>

class LinkBanner;
class LinkTraffic;
class QFontMetrics;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

// The output tab: per sentence kind the rate the receiver confirmed, the period measured on the
// line, how many arrived and whether the two agree; above it the newest fix and the line's load.
// It belongs to one link: opening one starts it afresh, closing one leaves it as it was, greyed.
class OutputView : public QWidget
{
    Q_OBJECT

public:
    OutputView(LinkTraffic* source, QWidget* parent, RateMeter::Clock clock = {});

    // At most twice a second, and only while the tab is shown.
    static constexpr int refreshMs = 500;

    void refresh();
    const RateMeter& meter() const { return rateMeter; }
    static QString stateText(RateCheck::State state);
    // The longest text the 状态 column shows, in the language of the moment.
    static QString widestState(const QFontMetrics& metrics);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum Column
    {
        SentenceColumn,
        SettingColumn,
        MeasuredColumn,
        CountColumn,
        StateColumn,
        MinGapColumn,
        MaxGapColumn,
        ChecksumErrorsColumn,
        ColumnCount
    };
    void buildUi(LinkTraffic* source);
    void fixColumnWidths();
    int rowOf(const QByteArray& kind);
    void setCell(int row, int column, const QString& text);
    void linkOpened();
    void linkClosed();
    void resetCounts();

    RateMeter rateMeter;
    ConfirmedRates confirmedRates;
    qint64 countsSince = -1; // when 清零 restarted the counts, on the meter's clock
    bool ended = false;
    LinkBanner* banner = nullptr;
    QLabel* fixLabel = nullptr;
    QLabel* lineLabel = nullptr;
    QPushButton* resetButton = nullptr;
    QTableWidget* table = nullptr;
    QTimer* refreshTimer = nullptr;
};
