#include "OutputView.h"

#include "LinkBanner.h"
#include "LinkTraffic.h"
#include "NmeaList.h"
#include "OutputRate.h"
#include "ShownBytes.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

OutputView::OutputView(LinkTraffic* source, QWidget* parent, RateMeter::Clock clock)
    : QWidget(parent), rateMeter(std::move(clock))
{
    buildUi(source);
    if (source) {
        connect(source, &LinkTraffic::commandWritten, this,
                [this](const QByteArray& sentence) { confirmedRates.addCommand(sentence); });
        connect(source, &LinkTraffic::bytesReceived, this, [this](const QByteArray& chunk) {
            rateMeter.addReceived(chunk);
            confirmedRates.addReceived(chunk, rateMeter.now());
        });
        connect(source, &LinkTraffic::linkOpened, this, &OutputView::linkOpened);
        connect(source, &LinkTraffic::replayOpened, this, &OutputView::linkOpened);
        connect(source, &LinkTraffic::linkClosed, this, &OutputView::linkClosed);
    }
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &OutputView::refresh);
}

void OutputView::buildUi(LinkTraffic* source)
{
    if (source)
        banner = new LinkBanner(source, this);
    // The header shows the receiver's own fields: never rich text.
    fixLabel = new QLabel(this);
    fixLabel->setObjectName(QStringLiteral("fixLabel"));
    fixLabel->setTextFormat(Qt::PlainText);
    lineLabel = new QLabel(this);
    lineLabel->setObjectName(QStringLiteral("lineLabel"));
    lineLabel->setTextFormat(Qt::PlainText);
    resetButton = new QPushButton(tr("清零"), this);
    resetButton->setObjectName(QStringLiteral("resetCountsButton"));
    resetButton->setAutoDefault(false);
    connect(resetButton, &QPushButton::clicked, this, &OutputView::resetCounts);

    table = new QTableWidget(0, ColumnCount, this);
    table->setObjectName(QStringLiteral("rateTable"));
    table->setHorizontalHeaderLabels({tr("语句"), tr("设定"), tr("实测"), tr("条数"), tr("状态"),
                                      tr("最短间隔"), tr("最长间隔"), tr("校验错误")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setFocusPolicy(Qt::NoFocus);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setWordWrap(false);
    fixColumnWidths();
    for (int i = 0; i < nmeaSentenceCount; ++i)
        rowOf(nmeaList[i].toLatin1());

    auto* load = new QHBoxLayout;
    load->addWidget(lineLabel, 1);
    load->addWidget(resetButton);
    auto* column = new QVBoxLayout(this);
    if (banner)
        column->addWidget(banner);
    column->addWidget(fixLabel);
    column->addLayout(load);
    column->addWidget(table, 1);
    refresh();
}

void OutputView::fixColumnWidths()
{
    // Widths set once from the widest text a column shows, so a refresh never moves them and
    // 状态 stays in view in the design's window; the gaps and errors come after it.
    const QStringList widest = {QStringLiteral("GGA"),
                                QStringLiteral("60 s · 0.0167 Hz"),
                                QStringLiteral("0.333 s · 3.33 Hz"),
                                QStringLiteral("999999"),
                                widestState(table->fontMetrics()),
                                QStringLiteral("10.000 s"),
                                QStringLiteral("10.000 s"),
                                QStringLiteral("99999")};
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const QFontMetrics cells = table->fontMetrics();
    const QFontMetrics captions = header->fontMetrics();
    for (int column = 0; column < ColumnCount; ++column) {
        const QString caption = table->horizontalHeaderItem(column)->text();
        table->setColumnWidth(column, std::max(cells.horizontalAdvance(widest[column]),
                                               captions.horizontalAdvance(caption)) +
                                          12);
    }
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

QString OutputView::widestState(const QFontMetrics& metrics)
{
    QString widest = tr("未知");
    for (RateCheck::State state : {RateCheck::State::Normal, RateCheck::State::Deviating,
                                   RateCheck::State::Silent, RateCheck::State::ChecksumErrors}) {
        const QString text = stateText(state);
        if (metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest))
            widest = text;
    }
    return widest;
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
    case RateCheck::State::ChecksumErrors:
        return tr("校验错误");
    case RateCheck::State::Unset:
    case RateCheck::State::Waiting:
        break;
    }
    return {};
}

void OutputView::linkOpened()
{
    rateMeter.reset();
    confirmedRates.reset();
    countsSince = -1;
    ended = false;
    // Kinds the last receiver sent beyond the list go with it.
    table->setRowCount(nmeaSentenceCount);
    for (QWidget* part : {static_cast<QWidget*>(fixLabel), static_cast<QWidget*>(lineLabel),
                          static_cast<QWidget*>(table)})
        LinkBanner::grey(part, false);
    refresh();
}

void OutputView::linkClosed()
{
    // Shown one last time as the link left it, then kept.
    refresh();
    ended = true;
    for (int row = 0; row < table->rowCount(); ++row)
        table->item(row, StateColumn)->setForeground(QBrush());
    for (QWidget* part : {static_cast<QWidget*>(fixLabel), static_cast<QWidget*>(lineLabel),
                          static_cast<QWidget*>(table)})
        LinkBanner::grey(part, true);
}

void OutputView::resetCounts()
{
    rateMeter.reset();
    countsSince = rateMeter.now();
    refresh();
}

void OutputView::refresh()
{
    if (ended)
        return;
    const RateMeter::Fix& fix = rateMeter.fix();
    const auto shown = [&fix](const QByteArray& field) {
        return fix.seen ? shownDeviceText(field) : QStringLiteral("—");
    };
    fixLabel->setText(
        tr("定位质量 %1   卫星 %2   HDOP %3   UTC %4")
            .arg(shown(fix.quality), shown(fix.satellites), shown(fix.hdop), shown(fix.utc)));
    const RateMeter::Line line = rateMeter.line();
    lineLabel->setText(tr("%1 行/秒   %2 字节/秒")
                           .arg(QString::number(line.linesPerSecond, 'f', 1),
                                QString::number(line.bytesPerSecond, 'f', 0)));

    for (const RateMeter::Kind& seen : rateMeter.kinds())
        rowOf(seen.name);
    const qint64 now = rateMeter.now();
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* sentence = table->item(row, SentenceColumn);
        const QByteArray name = sentence->data(Qt::UserRole).toByteArray();
        const ConfirmedRates::Setting setting = confirmedRates.setting(QString::fromLatin1(name));
        // Counts restarted by 清零 judge the setting from then on.
        const qint64 since = setting.since < 0 ? -1 : std::max(setting.since, countsSince);
        const RateMeter::Kind kind = rateMeter.kind(name, since);
        const QString rate = OutputRate::describeRate(setting.rate);
        const bool known = setting.rate.isEmpty() || !rate.isEmpty();
        setCell(row, SettingColumn, known ? rate : shownDeviceText(setting.rate.toUtf8()));
        setCell(row, MeasuredColumn,
                kind.measured >= 2 ? OutputRate::describe(kind.period) : QString());
        setCell(row, CountColumn, kind.count ? QString::number(kind.count) : QString());
        setCell(row, MinGapColumn,
                kind.measured >= 2 ? OutputRate::seconds(kind.minGap) : QString());
        setCell(row, MaxGapColumn,
                kind.measured >= 2 ? OutputRate::seconds(kind.maxGap) : QString());
        setCell(row, ChecksumErrorsColumn,
                kind.checksumErrors ? QString::number(kind.checksumErrors) : QString());
        RateCheck::State state = RateCheck::of(setting.rate, since, kind, now);
        if (state == RateCheck::State::Unset && kind.lastAt < 0 && kind.lastBadAt >= 0)
            state = RateCheck::State::ChecksumErrors;
        setCell(row, StateColumn, known ? stateText(state) : tr("未知"));
        const bool wrong =
            known && (state == RateCheck::State::Deviating || state == RateCheck::State::Silent ||
                      state == RateCheck::State::ChecksumErrors);
        table->item(row, StateColumn)->setForeground(wrong ? QBrush(Qt::red) : QBrush());
    }
}

int OutputView::rowOf(const QByteArray& kind)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, SentenceColumn)->data(Qt::UserRole).toByteArray() == kind)
            return row;
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column)
        table->setItem(row, column, new QTableWidgetItem);
    table->item(row, SentenceColumn)->setData(Qt::UserRole, kind);
    // A kind is what the device named it; the view shows it escaped.
    table->item(row, SentenceColumn)->setText(shownDeviceText(kind));
    return row;
}

void OutputView::setCell(int row, int column, const QString& text)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item->text() != text)
        item->setText(text);
}
