#include "ReceiverView.h"

#include "ConstellationLook.h"
#include "LinkBanner.h"
#include "LinkTraffic.h"
#include "ShownBytes.h"
#include "SkyPlot.h"
#include "SnrBars.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The later of two times of arrival (-1: never).
qint64 later(qint64 a, qint64 b)
{
    return a < 0 ? b : (b < 0 ? a : qMax(a, b));
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
} // namespace

ReceiverView::ReceiverView(LinkTraffic* source, QWidget* parent, Clock chosen)
    : QWidget(parent), clock(std::move(chosen))
{
    sinceStart.start();
    buildUi(source);
    connect(source, &LinkTraffic::bytesReceived, this,
            [this](const QByteArray& chunk) { receiverStatus.addReceived(chunk, now()); });
    connect(source, &LinkTraffic::linkOpened, this, &ReceiverView::opened);
    connect(source, &LinkTraffic::replayOpened, this, &ReceiverView::opened);
    connect(source, &LinkTraffic::linkClosed, this, &ReceiverView::closed);
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &ReceiverView::refresh);
    refresh();
}

void ReceiverView::buildUi(LinkTraffic* source)
{
    banner = new LinkBanner(source, this);

    auto* values = new QWidget;
    auto* form = new QFormLayout(values);
    form->setContentsMargins(0, 0, 0, 0);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    fixQuality = addValue(form, tr("定位"), "fixQuality");
    position = addValue(form, tr("位置"), "position");
    height = addValue(form, tr("高度"), "height");
    utcTime = addValue(form, tr("时间"), "utcTime");
    heading = addValue(form, tr("航向"), "heading");
    dop = addValue(form, tr("精度因子"), "dop");
    satellites = addValue(form, tr("卫星"), "satellites");
    corrections = addValue(form, tr("差分"), "corrections");
    accuracy = addValue(form, tr("精度"), "accuracy");
    auto* valueArea = new QScrollArea;
    valueArea->setObjectName(QStringLiteral("valueArea"));
    valueArea->setWidgetResizable(true);
    valueArea->setFrameShape(QFrame::NoFrame);
    valueArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    valueArea->setWidget(values);
    valueArea->viewport()->setAutoFillBackground(false);
    values->setAutoFillBackground(false);

    skyPlot = new SkyPlot(nullptr);
    snrBars = new SnrBars(nullptr);
    auto* sky = new QSplitter(Qt::Horizontal);
    sky->setObjectName(QStringLiteral("skySplitter"));
    sky->setChildrenCollapsible(false);
    sky->addWidget(skyPlot);
    sky->addWidget(snrBars);
    sky->setStretchFactor(1, 1);

    table = new QTableWidget(0, ColumnCount);
    table->setObjectName(QStringLiteral("satelliteTable"));
    table->setHorizontalHeaderLabels(
        {tr("系统"), tr("编号"), tr("仰角"), tr("方位角"), tr("信噪比"), tr("参与定位")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setFocusPolicy(Qt::NoFocus);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    // Columns as wide as their headings, so a refresh never moves them.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ColumnCount; ++column)
        table->setColumnWidth(column, table->horizontalHeader()->sectionSizeHint(column) + 8);
    table->horizontalHeader()->setStretchLastSection(true);

    auto* parts = new QSplitter(Qt::Vertical);
    parts->setObjectName(QStringLiteral("receiverSplitter"));
    parts->setChildrenCollapsible(false);
    parts->addWidget(valueArea);
    parts->addWidget(sky);
    parts->addWidget(table);
    parts->setStretchFactor(0, 0);
    parts->setStretchFactor(1, 1);
    parts->setStretchFactor(2, 1);

    auto* column = new QVBoxLayout(this);
    column->addWidget(banner);
    column->addWidget(parts, 1);
}

QLabel* ReceiverView::addValue(QFormLayout* form, const QString& caption, const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    // Fields come from the device: never rich text.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* captionLabel = new QLabel(caption);
    captionLabel->setTextFormat(Qt::PlainText);
    form->addRow(captionLabel, label);
    return label;
}

qint64 ReceiverView::now() const
{
    return clock ? clock() : sinceStart.elapsed();
}

void ReceiverView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    refreshTimer->start(refreshMs);
}

void ReceiverView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    refreshTimer->stop();
}

void ReceiverView::opened()
{
    receiverStatus.clear();
    ended = false;
    refresh();
}

void ReceiverView::closed()
{
    // A loss followed by 断开 ends the link once: the tab keeps the moment of the first.
    if (!ended)
        endedAt = now();
    ended = true;
    refresh();
}

QString ReceiverView::qualityText(ReceiverStatus::FixQuality quality)
{
    using Q = ReceiverStatus::FixQuality;
    switch (quality) {
    case Q::NoFix:
        return tr("无定位");
    case Q::Single:
        return tr("单点定位");
    case Q::Dgnss:
        return tr("差分定位");
    case Q::Pps:
        return tr("PPS");
    case Q::RtkFixed:
        return tr("RTK 固定解");
    case Q::RtkFloat:
        return tr("RTK 浮点解");
    case Q::DeadReckoning:
        return tr("航位推算");
    case Q::Manual:
        return tr("手动输入");
    case Q::Simulation:
        return tr("模拟");
    }
    return tr("未知");
}

void ReceiverView::showValue(QLabel* label, const QString& text, qint64 ageMs)
{
    QString shown = ageMs < 0 ? QStringLiteral("—") : text;
    const bool stale = ageMs > ReceiverStatus::staleMs;
    if (stale)
        shown += QStringLiteral(" · ") + tr("%1 s 前").arg(ageMs / 1000);
    if (label->text() != shown)
        label->setText(shown);
    LinkBanner::grey(label, stale || ended);
}

void ReceiverView::refresh()
{
    // Once the link ended, everything is shown as it was then.
    const qint64 at = ended ? endedAt : now();
    showFix(at);
    showSatellites(at);
}

void ReceiverView::showFix(qint64 at)
{
    const ReceiverStatus& status = receiverStatus;
    using Mode = ReceiverStatus::FixMode;
    const auto& quality = status.fixQuality();
    QString fix = qualityText(quality.value);
    const auto& mode = status.fixMode();
    if (mode.known() && mode.value != Mode::NoFix &&
        quality.value != ReceiverStatus::FixQuality::NoFix)
        fix += mode.value == Mode::TwoD ? QStringLiteral(" · 2D") : QStringLiteral(" · 3D");
    showValue(fixQuality, fix, quality.ageMs(at));

    const auto& where = status.position();
    const double latitude = where.value.latitude;
    const double longitude = where.value.longitude;
    showValue(position,
              QStringLiteral("%1° %2, %3° %4")
                  .arg(number(qAbs(latitude), 7), latitude < 0 ? "S" : "N",
                       number(qAbs(longitude), 7), longitude < 0 ? "W" : "E"),
              where.ageMs(at));

    const auto& geoid = status.geoidSeparation();
    const QString metres = number(status.heightMsl().value, 2);
    showValue(height,
              geoid.known() ? tr("%1 m · 大地水准面差距 %2 m").arg(metres, number(geoid.value, 2))
                            : tr("%1 m").arg(metres),
              status.heightMsl().ageMs(at));

    const auto& time = status.utcTime();
    const int hundredths = time.value;
    QString utc = QStringLiteral("%1:%2:%3.%4 UTC")
                      .arg(hundredths / 360000, 2, 10, QLatin1Char('0'))
                      .arg(hundredths / 6000 % 60, 2, 10, QLatin1Char('0'))
                      .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
                      .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    if (status.utcDate().known())
        utc.prepend(status.utcDate().value.toString(QStringLiteral("yyyy-MM-dd ")));
    showValue(utcTime, utc, time.ageMs(at));

    showValue(heading, number(status.heading().value, 2) + QStringLiteral("°"),
              status.heading().ageMs(at));

    QStringList dops;
    qint64 dopAt = -1;
    for (const auto& [name, value] :
         {std::pair{"PDOP", &status.pdop()}, std::pair{"HDOP", &status.hdop()},
          std::pair{"VDOP", &status.vdop()}}) {
        if (!value->known())
            continue;
        dops << QLatin1String(name) + QLatin1Char(' ') + number(value->value, 2);
        dopAt = later(dopAt, value->at);
    }
    showValue(dop, dops.join(QStringLiteral(" · ")), dopAt < 0 ? -1 : at - dopAt);

    const auto& correction = status.corrections();
    QStringList correctionParts;
    if (correction.value.ageSeconds)
        correctionParts << tr("龄期 %1 s").arg(number(*correction.value.ageSeconds, 1));
    if (!correction.value.stationId.isEmpty())
        correctionParts << tr("基站 %1").arg(shownDeviceText(correction.value.stationId));
    showValue(corrections,
              correctionParts.isEmpty() ? tr("无") : correctionParts.join(QStringLiteral(" · ")),
              correction.ageMs(at));

    const auto& sigmas = status.accuracy();
    showValue(accuracy,
              tr("纬度 %1 m · 经度 %2 m · 高度 %3 m")
                  .arg(number(sigmas.value.latitude, 3), number(sigmas.value.longitude, 3),
                       number(sigmas.value.altitude, 3)),
              sigmas.ageMs(at));
}

void ReceiverView::showSatellites(qint64 at)
{
    const ReceiverStatus& status = receiverStatus;
    // Sorted by system and the satellite's own number, as the table lists them.
    const std::vector<ReceiverStatus::Satellite> seen = status.satellitesInView(at);
    QList<ShownSatellite> shown;
    qint64 lastSeen = -1;
    for (const ReceiverStatus::Satellite& satellite : seen) {
        ShownSatellite dot;
        dot.system = satellite.constellation;
        dot.number = ownNumber(satellite.constellation, satellite.number);
        dot.elevation = satellite.elevation.value_or(-1);
        dot.azimuth = satellite.azimuth.value_or(-1);
        dot.snr = satellite.snr.value_or(-1);
        dot.used = satellite.used;
        dot.ageMs = at - satellite.lastSeen;
        dot.stale = dot.ageMs > ReceiverStatus::staleMs;
        shown << dot;
        lastSeen = later(lastSeen, satellite.lastSeen);
    }
    skyPlot->setSatellites(shown);
    skyPlot->setGreyed(ended);
    snrBars->setSatellites(shown);
    snrBars->setGreyed(ended);
    fillTable(shown);

    // Used: GGA's count where it came, else the GSA lists; in view: the GSV skies.
    const std::vector<ReceiverStatus::SystemCount> counts = status.systemCounts(at);
    int used = 0;
    int inView = 0;
    QStringList perSystem;
    for (const ReceiverStatus::SystemCount& count : counts) {
        used += count.used;
        inView += count.inView;
        perSystem << QStringLiteral("%1 %2/%3")
                         .arg(ConstellationLook::name(count.constellation))
                         .arg(count.used)
                         .arg(count.inView);
    }
    const auto& ggaCount = status.satellitesUsed();
    if (ggaCount.known())
        used = ggaCount.value;
    const qint64 satellitesAt = later(ggaCount.at, lastSeen);
    showValue(satellites,
              (QStringList(tr("使用 %1 / 可见 %2").arg(used).arg(inView)) + perSystem)
                  .join(QStringLiteral(" · ")),
              satellitesAt < 0 ? -1 : at - satellitesAt);
}

void ReceiverView::fillTable(const QList<ShownSatellite>& shown)
{
    if (table->rowCount() != shown.size())
        table->setRowCount(shown.size());
    const QBrush faint = palette().brush(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < shown.size(); ++row) {
        const ShownSatellite& satellite = shown[row];
        const auto plain = [](int value) { return value < 0 ? QString() : QString::number(value); };
        const QStringList cells{ConstellationLook::name(satellite.system),
                                QString::number(satellite.number),
                                plain(satellite.elevation),
                                plain(satellite.azimuth),
                                plain(satellite.snr),
                                satellite.used ? tr("是") : tr("否")};
        const QString age = satellite.stale ? tr("%1 s 前").arg(satellite.ageMs / 1000) : QString();
        for (int column = 0; column < ColumnCount; ++column) {
            QTableWidgetItem* item = table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, column, item);
            }
            if (item->text() != cells[column])
                item->setText(cells[column]);
            item->setForeground(satellite.stale ? faint : QBrush());
            item->setToolTip(age);
        }
    }
    LinkBanner::grey(table, ended);
}
