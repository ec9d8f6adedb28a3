#include "OutputView.h"

#include "LinkTraffic.h"
#include "NmeaList.h"
#include "OutputRate.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

OutputView::OutputView(LinkTraffic* source, QWidget* parent, RateMeter::Clock clock)
    : QWidget(parent), rateMeter(std::move(clock))
{
    buildUi();
    if (source) {
        connect(source, &LinkTraffic::commandWritten, this,
                [this](const QByteArray& sentence) { confirmedRates.addCommand(sentence); });
        connect(source, &LinkTraffic::bytesReceived, this, [this](const QByteArray& chunk) {
            rateMeter.addReceived(chunk);
            confirmedRates.addReceived(chunk, rateMeter.now());
        });
    }
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &OutputView::refresh);
}

void OutputView::buildUi()
{
    fixLabel = new QLabel(this);
    fixLabel->setObjectName(QStringLiteral("fixLabel"));
    lineLabel = new QLabel(this);
    lineLabel->setObjectName(QStringLiteral("lineLabel"));

    table = new QTableWidget(0, ColumnCount, this);
    table->setObjectName(QStringLiteral("rateTable"));
    table->setHorizontalHeaderLabels({tr("语句"), tr("设定"), tr("实测"), tr("条数"), tr("状态")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setFocusPolicy(Qt::NoFocus);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < nmeaSentenceCount; ++i)
        rowOf(nmeaList[i]);

    auto* column = new QVBoxLayout(this);
    column->addWidget(fixLabel);
    column->addWidget(lineLabel);
    column->addWidget(table, 1);
    refresh();
}

void OutputView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    refreshTimer->start(refreshMs);
}

void OutputView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    refreshTimer->stop();
}

QString OutputView::stateText(RateCheck::State state)
{
    switch (state) {
    case RateCheck::State::Normal:
        return tr("正常");
    case RateCheck::State::Deviating:
        return tr("偏差");
    case RateCheck::State::Silent:
        return tr("未输出");
    case RateCheck::State::Unset:
    case RateCheck::State::Waiting:
        break;
    }
    return {};
}

void OutputView::refresh()
{
    const RateMeter::Fix& fix = rateMeter.fix();
    const QString none = QStringLiteral("—");
    fixLabel->setText(tr("定位质量 %1   卫星 %2   HDOP %3   UTC %4")
                          .arg(fix.seen ? fix.quality : none, fix.seen ? fix.satellites : none,
                               fix.seen ? fix.hdop : none, fix.seen ? fix.utc : none));
    const RateMeter::Line line = rateMeter.line();
    lineLabel->setText(tr("%1 行/秒   %2 字节/秒")
                           .arg(QString::number(line.linesPerSecond, 'f', 1),
                                QString::number(line.bytesPerSecond, 'f', 0)));

    for (const RateMeter::Kind& seen : rateMeter.kinds())
        rowOf(QString::fromLatin1(seen.name));
    const qint64 now = rateMeter.now();
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString name = table->item(row, SentenceColumn)->text();
        const ConfirmedRates::Setting setting = confirmedRates.setting(name);
        const RateMeter::Kind kind = rateMeter.kind(name.toLatin1(), setting.since);
        const std::optional<double> period = OutputRate::periodSeconds(setting.rate);
        setCell(row, SettingColumn, period ? OutputRate::describe(*period) : setting.rate);
        setCell(row, MeasuredColumn,
                kind.measured >= 2 ? OutputRate::describe(kind.period) : QString());
        setCell(row, CountColumn, kind.count ? QString::number(kind.count) : QString());
        const RateCheck::State state = RateCheck::of(setting.rate, setting.since, kind, now);
        setCell(row, StateColumn, stateText(state));
        const bool wrong =
            state == RateCheck::State::Deviating || state == RateCheck::State::Silent;
        table->item(row, StateColumn)->setForeground(wrong ? QBrush(Qt::red) : QBrush());
    }
}

int OutputView::rowOf(const QString& kind)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, SentenceColumn)->text() == kind)
            return row;
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column)
        table->setItem(row, column, new QTableWidgetItem);
    table->item(row, SentenceColumn)->setText(kind);
    return row;
}

void OutputView::setCell(int row, int column, const QString& text)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item->text() != text)
        item->setText(text);
}
