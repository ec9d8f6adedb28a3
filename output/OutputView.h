#pragma once

#include "ConfirmedRates.h"
#include "RateCheck.h"
#include "RateMeter.h"

#include <QWidget>

class LinkTraffic;
class QLabel;
class QTableWidget;
class QTimer;

// The output tab: per sentence kind the rate the receiver confirmed, the period measured on the
// line, how many arrived and whether the two agree; above it the newest fix and the line's load.
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
        ColumnCount
    };
    void buildUi();
    int rowOf(const QString& kind);
    void setCell(int row, int column, const QString& text);

    RateMeter rateMeter;
    ConfirmedRates confirmedRates;
    QLabel* fixLabel = nullptr;
    QLabel* lineLabel = nullptr;
    QTableWidget* table = nullptr;
    QTimer* refreshTimer = nullptr;
};
