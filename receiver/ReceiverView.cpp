#include "ReceiverView.h"

#include "ConstellationLook.h"
#include "LinkBanner.h"
#include "LinkTraffic.h"
#include "ReceiverWindow.h"
#include "ShownBytes.h"
#include "SkyPlot.h"
#include "SnrBars.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The sentences whose rate the receiver can be set to and the parser ages values by.
const char* const agedSentences[] = {"GGA", "RMC", "GSA", "GSV", "HDT", "ZDA", "GST", "VTG"};
} // namespace

ReceiverView::ReceiverView(LinkTraffic* source, QWidget* parent, Clock chosen)
    : QWidget(parent), clock(std::move(chosen))
{
    sinceStart.start();
    buildUi(source);
    connect(source, &LinkTraffic::bytesReceived, this, &ReceiverView::received);
    connect(source, &LinkTraffic::commandWritten, this,
            [this](const QByteArray& sentence) { confirmedRates.addCommand(sentence); });
    connect(source, &LinkTraffic::linkOpened, this, &ReceiverView::opened);
    connect(source, &LinkTraffic::replayOpened, this, &ReceiverView::opened);
    connect(source, &LinkTraffic::linkClosed, this, &ReceiverView::closed);
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &ReceiverView::refresh);
    refresh();
}

ReceiverView::~ReceiverView()
{
    // The window goes with the view; the body it holds is the view's.
    if (detached)
        detached->disconnect(this);
}

void ReceiverView::buildUi(LinkTraffic* source)
{
    banner = new LinkBanner(source, this);
    detachButton = new QPushButton(tr("单独窗口"), this);
    detachButton->setObjectName(QStringLiteral("detachButton"));
    detachButton->setToolTip(tr("在单独的窗口中显示，可放大；关闭该窗口即放回本页"));
    connect(detachButton, &QPushButton::clicked, this, &ReceiverView::detach);
    detachedNote = new QLabel(tr("接收机状态显示在单独的窗口中；关闭该窗口即放回本页。"), this);
    detachedNote->setObjectName(QStringLiteral("detachedNote"));
    detachedNote->setWordWrap(true);
    detachedNote->setAlignment(Qt::AlignCenter);
    detachedNote->hide();

    body = new QWidget(this);
    body->setObjectName(QStringLiteral("receiverBody"));
    auto* values = new QWidget;
    values->setObjectName(QStringLiteral("valueArea"));
    auto* form = new QFormLayout(values);
    form->setContentsMargins(0, 0, 0, 0);
    form->setVerticalSpacing(1);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    fixQuality = addValue(form, tr("定位"), "fixQuality");
    position = addValue(form, tr("位置"), "position");
    height = addValue(form, tr("高度"), "height");
    utcTime = addValue(form, tr("时间"), "utcTime");
    heading = addValue(form, tr("航向"), "heading");
    motion = addValue(form, tr("速度"), "motion");
    dop = addValue(form, tr("精度因子"), "dop");
    satellites = addValue(form, tr("卫星"), "satellites");
    corrections = addValue(form, tr("差分"), "corrections");
    accuracy = addValue(form, tr("精度"), "accuracy");
    // Every row stays in sight: the plots and the table give up room, never the values.
    values->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // The systems' colours, outside the plots, with each one's used and visible count.
    legend = new QLabel;
    legend->setObjectName(QStringLiteral("skyLegend"));
    legend->setTextFormat(Qt::RichText);
    legend->setWordWrap(true);

    skyPlot = new SkyPlot(nullptr);
    snrBars = new SnrBars(nullptr);
    auto* sky = new QSplitter(Qt::Horizontal);
    sky->setObjectName(QStringLiteral("skySplitter"));
    sky->setChildrenCollapsible(false);
    sky->addWidget(skyPlot);
    sky->addWidget(snrBars);
    // The sky as wide as the bars: a plot 150 px across cannot be read.
    sky->setStretchFactor(0, 1);
    sky->setStretchFactor(1, 1);

    table = new QTableWidget(0, ColumnCount);
    table->setObjectName(QStringLiteral("satelliteTable"));
    table->setHorizontalHeaderLabels({tr("系统"), tr("编号"), QStringLiteral("PRN"), tr("仰角"),
                                      tr("方位角"), tr("信噪比 dB-Hz"), tr("使用")});
    table->horizontalHeaderItem(PrnColumn)->setToolTip(tr("卫星的 PRN，与 gpsd 的编号相同"));
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->setFocusPolicy(Qt::NoFocus);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    sizeColumns();

    auto* parts = new QSplitter(Qt::Vertical);
    parts->setObjectName(QStringLiteral("receiverSplitter"));
    parts->setChildrenCollapsible(false);
    parts->addWidget(sky);
    parts->addWidget(table);
    parts->setStretchFactor(0, 3);
    parts->setStretchFactor(1, 2);

    auto* bodyColumn = new QVBoxLayout(body);
    bodyColumn->setContentsMargins(0, 0, 0, 0);
    bodyColumn->setSpacing(3);
    bodyColumn->addWidget(values);
    bodyColumn->addWidget(legend);
    bodyColumn->addWidget(parts, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(banner, 1);
    top->addWidget(detachButton);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);
    column->addLayout(top);
    column->addWidget(body, 1);
    column->addWidget(detachedNote, 1);
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

void ReceiverView::sizeColumns()
{
    // Each column as wide as its heading or its longest entry, so a refresh never moves them.
    QStringList systems;
    for (Constellation system : {Constellation::Gps, Constellation::Sbas, Constellation::Galileo,
                                 Constellation::BeiDou, Constellation::Qzss, Constellation::Glonass,
                                 Constellation::NavIC, Constellation::Unknown})
        systems << ConstellationLook::name(system);
    const QList<QStringList> longest{systems,
                                     {QStringLiteral("C263"), QStringLiteral("S158")},
                                     {QStringLiteral("463")},
                                     {QStringLiteral("90")},
                                     {QStringLiteral("359")},
                                     {QStringLiteral("99")},
                                     {tr("是"), tr("否")}};
    const QFontMetrics metrics = table->fontMetrics();
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ColumnCount; ++column) {
        int widest = header->sectionSizeHint(column);
        for (const QString& entry : longest[column])
            widest = qMax(widest, metrics.horizontalAdvance(entry) + 14);
        table->setColumnWidth(column, widest);
    }
    header->setStretchLastSection(true);
}

QSize ReceiverView::sizeHint() const
{
    return QWidget::sizeHint().boundedTo(QSize(420, 500)).expandedTo(minimumSizeHint());
}

qint64 ReceiverView::now() const
{
    return clock ? clock() : sinceStart.elapsed();
}

void ReceiverView::received(const QByteArray& chunk)
{
    const qint64 at = now();
    receiverStatus.addReceived(chunk, at);
    confirmedRates.addReceived(chunk, at);
    // Since when the fix has been of its kind: the first GGA that reported it.
    const auto& quality = receiverStatus.fixQuality();
    if (quality.known() && (kindSince < 0 || quality.value != kind)) {
        kind = quality.value;
        kindSince = quality.at;
    }
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
    // Shown on its own, the view goes on while its tab is hidden.
    if (!detached)
        refreshTimer->stop();
}

void ReceiverView::detach()
{
    if (detached)
        return;
    detached = new ReceiverWindow(this);
    detached->setWindowTitle(tr("接收机状态"));
    layout()->removeWidget(body);
    detached->layout()->addWidget(body);
    body->show();
    detachedNote->show();
    detachButton->setEnabled(false);
    connect(detached, &ReceiverWindow::closed, this, &ReceiverView::attach);
    detached->resize(qMax(760, body->sizeHint().width()), qMax(640, body->sizeHint().height()));
    detached->show();
    refreshTimer->start(refreshMs);
    refresh();
}

void ReceiverView::attach()
{
    if (!detached)
        return;
    ReceiverWindow* window = detached;
    detached = nullptr;
    window->layout()->removeWidget(body);
    body->setParent(this);
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->insertWidget(1, body, 1);
    body->show();
    detachedNote->hide();
    detachButton->setEnabled(true);
    window->deleteLater();
    if (!isVisible())
        refreshTimer->stop();
    refresh();
}

void ReceiverView::opened()
{
    receiverStatus.clear();
    confirmedRates.reset();
    kindSince = -1;
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

void ReceiverView::takeConfirmedRates()
{
    // A rate the receiver confirmed on this link (OFF or not a number: unknown, so measured).
    for (const char* name : agedSentences) {
        bool isNumber = false;
        const double seconds =
            confirmedRates.setting(QString::fromLatin1(name)).rate.toDouble(&isNumber);
        receiverStatus.setConfiguredPeriod(QByteArrayView(name), isNumber ? seconds : 0);
    }
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

QString ReceiverView::durationText(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    if (seconds < 120)
        return tr("%1 s").arg(seconds);
    if (seconds < 2 * 3600)
        return tr("%1 min").arg(seconds / 60);
    return tr("%1 h").arg(seconds / 3600);
}

template <typename T>
void ReceiverView::showValue(QLabel* label, const QString& text,
                             const ReceiverStatus::Timed<T>& value, qint64 at)
{
    showText(label, text, value.known(), receiverStatus.isOverdue(value, at), at - value.at);
}

void ReceiverView::showText(QLabel* label, const QString& text, bool known, bool overdue,
                            qint64 ageMs)
{
    QString shown = known ? text : QStringLiteral("—");
    if (known && overdue)
        shown += QStringLiteral(" · ") + tr("%1 s 前").arg(ageMs / 1000);
    if (label->text() != shown)
        label->setText(shown);
    LinkBanner::grey(label, (known && overdue) || ended);
}

void ReceiverView::refresh()
{
    takeConfirmedRates();
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
    if (kindSince >= 0)
        fix += QStringLiteral(" · ") + durationText(quality.at - kindSince);
    showValue(fixQuality, fix, quality, at);

    const auto& where = status.position();
    const double latitude = where.value.latitude;
    const double longitude = where.value.longitude;
    showValue(position,
              QStringLiteral("%1° %2, %3° %4")
                  .arg(number(qAbs(latitude), 7), latitude < 0 ? "S" : "N",
                       number(qAbs(longitude), 7), longitude < 0 ? "W" : "E"),
              where, at);

    const auto ellipsoid = status.heightEllipsoid();
    QString heights = tr("海拔 %1 m").arg(number(status.heightMsl().value, 2));
    if (ellipsoid.known())
        heights += QStringLiteral(" · ") + tr("椭球高 %1 m").arg(number(ellipsoid.value, 2));
    showValue(height, heights, status.heightMsl(), at);

    const auto& time = status.utcTime();
    const int ms = time.value;
    QString utc = QStringLiteral("%1:%2:%3.%4 UTC")
                      .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                      .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                      .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                      .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    // The date rolled with the time of day; none once it is older than its sentence allows.
    const QDateTime joined = status.utc();
    if (joined.isValid())
        utc.prepend(joined.date().toString(QStringLiteral("yyyy-MM-dd ")));
    showValue(utcTime, utc, time, at);

    showValue(heading, number(status.heading().value, 2) + QStringLiteral("°"), status.heading(),
              at);

    const auto& speed = status.speed();
    const auto& course = status.course();
    QString moving = tr("%1 m/s").arg(number(speed.value, 2));
    if (course.known())
        moving += QStringLiteral(" · ") + tr("航迹向 %1°").arg(number(course.value, 1));
    showValue(motion, moving, speed, at);

    QStringList dops;
    bool dopOverdue = false;
    qint64 dopAt = -1;
    for (const auto& [name, value] :
         {std::pair{"PDOP", &status.pdop()}, std::pair{"HDOP", &status.hdop()},
          std::pair{"VDOP", &status.vdop()}}) {
        if (!value->known())
            continue;
        dops << QLatin1String(name) + QLatin1Char(' ') + number(value->value, 2);
        dopOverdue = dopOverdue || status.isOverdue(*value, at);
        dopAt = qMax(dopAt, value->at);
    }
    showText(dop, dops.join(QStringLiteral(" · ")), !dops.isEmpty(), dopOverdue, at - dopAt);

    // Heard with empty fields, GGA says there are none.
    const auto& correction = status.corrections();
    QStringList correctionParts;
    if (correction.known() && correction.value.ageSeconds)
        correctionParts << tr("龄期 %1 s").arg(number(*correction.value.ageSeconds, 1));
    if (correction.known() && !correction.value.stationId.isEmpty())
        correctionParts << tr("基站 %1").arg(shownDeviceText(correction.value.stationId));
    showText(corrections,
             correctionParts.isEmpty() ? tr("无") : correctionParts.join(QStringLiteral(" · ")),
             correction.heard(), status.isOverdue(correction, at), at - correction.at);

    const auto& sigmas = status.accuracy();
    showValue(accuracy,
              tr("纬度 %1 m · 经度 %2 m · 高度 %3 m")
                  .arg(number(sigmas.value.latitude, 3), number(sigmas.value.longitude, 3),
                       number(sigmas.value.altitude, 3)),
              sigmas, at);
}

void ReceiverView::showSatellites(qint64 at)
{
    const ReceiverStatus& status = receiverStatus;
    using Sentence = ReceiverStatus::Sentence;
    // Sorted by system and the satellite's own number, as the table lists them.
    const std::vector<ReceiverStatus::Satellite> seen = status.satellitesInView(at);
    const qint64 skyOverdue = status.overdueAfterMs(Sentence::Gsv);
    QList<ShownSatellite> shown;
    for (const ReceiverStatus::Satellite& satellite : seen) {
        ShownSatellite dot;
        dot.system = satellite.constellation;
        dot.number = satellite.svid();
        dot.label = satellite.label();
        dot.prn = satellite.prn();
        dot.elevation = satellite.elevation.value_or(-1);
        dot.azimuth = satellite.azimuth.value_or(-1);
        dot.snr = satellite.snr.value_or(-1);
        dot.used = satellite.used;
        dot.ageMs = at - satellite.lastSeen;
        dot.stale = dot.ageMs > skyOverdue;
        shown << dot;
    }
    skyPlot->setSatellites(shown);
    skyPlot->setGreyed(ended);
    snrBars->setSatellites(shown);
    snrBars->setGreyed(ended);
    fillTable(shown);

    // In view: the GSV skies; used: the newest epoch's count.
    const std::vector<ReceiverStatus::SystemCount> counts = status.systemCounts(at);
    int inView = 0;
    QStringList perSystem;
    for (const ReceiverStatus::SystemCount& count : counts) {
        inView += count.inView;
        const QColor colour = ended ? palette().color(QPalette::Disabled, QPalette::WindowText)
                                    : ConstellationLook::colour(count.constellation);
        perSystem << QStringLiteral("<span style=\"color:%1\">&#9679;&nbsp;%2&nbsp;%3/%4</span>")
                         .arg(colour.name(),
                              ConstellationLook::name(count.constellation).toHtmlEscaped())
                         .arg(count.used)
                         .arg(count.inView);
    }
    const QString legendText = perSystem.join(QStringLiteral(" &nbsp; "));
    if (legend->text() != legendText)
        legend->setText(legendText);
    const auto& used = status.satellitesUsed();
    const bool skyKnown = status.lastArrival(Sentence::Gsv) >= 0;
    showText(satellites, tr("使用 %1 / 可见 %2").arg(used.known() ? used.value : 0).arg(inView),
             used.known() || skyKnown,
             used.known() ? status.isOverdue(used, at) : status.isOverdue(Sentence::Gsv, at),
             used.known() ? at - used.at : at - status.lastArrival(Sentence::Gsv));
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
                                satellite.label,
                                QString::number(satellite.prn),
                                plain(satellite.elevation),
                                plain(satellite.azimuth),
                                plain(satellite.snr),
                                satellite.used ? tr("是") : tr("否")};
        const QString age = satellite.stale ? tr("%1 s 前").arg(satellite.ageMs / 1000) : QString();
        const QBrush own(ConstellationLook::colour(satellite.system));
        for (int column = 0; column < ColumnCount; ++column) {
            QTableWidgetItem* item = table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, column, item);
            }
            if (item->text() != cells[column])
                item->setText(cells[column]);
            // The system and its number in the system's colour, as in the plots.
            const bool coloured = column == SystemColumn || column == NumberColumn;
            item->setForeground(satellite.stale || ended ? faint : coloured ? own : QBrush());
            item->setToolTip(age);
        }
    }
    LinkBanner::grey(table, ended);
}
