// The receiver tab: what it shows of recorded NMEA, how it ages, how it follows the link, that it
// keeps the window's size, and the whole tool against the simulated receiver.
#include "ConstellationLook.h"
#include "DlgTab.h"
#include "DlgZR415.h"
#include "LinkBanner.h"
#include "LinkTraffic.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "ReceiverView.h"
#include "SimulatorProcess.h"
#include "SkyPlot.h"
#include "SnrBars.h"
#include "TempSettings.h"

#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>

using PageProbe::part;

namespace {
QByteArray nmea(const QByteArray& body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

QByteArray gga(const QByteArray& quality = "4", const QByteArray& station = "0123")
{
    return nmea("GNGGA,123456.20,3114.878902,N,12135.244198,E," + quality +
                ",12,0.8,12.3,M,8.7,M,1.0," + station);
}
QByteArray gsa(const QByteArray& mode, const QByteArray& used = "01,02,,,,,,,,,,",
               const QByteArray& system = "1")
{
    return nmea("GNGSA,A," + mode + "," + used + ",1.5,0.8,1.2," + system);
}
const QByteArray rmc = nmea("GNRMC,123456.20,A,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,D");
const QByteArray hdt = nmea("GNHDT,123.456,T");
const QByteArray gst = nmea("GNGST,123456.20,0.5,0.012,0.008,45.0,0.011,0.009,0.020");
const QByteArray gpsSky = nmea("GPGSV,1,1,03,01,40,083,46,02,17,308,41,03,70,120,30");
const QByteArray beidouSky = nmea("GBGSV,1,1,01,07,55,200,38");

// The tab on a traffic tap of its own, at a clock the test sets.
struct Tab
{
    LinkTraffic source;
    qint64 now = 0;
    ReceiverView view{&source, nullptr, [this] { return now; }};

    void receive(const QByteArray& bytes) { emit source.bytesReceived(bytes); }
    QString text(const char* name) { return part<QLabel>(view, name)->text(); }
    QTableWidget* table() { return part<QTableWidget>(view, "satelliteTable"); }
    QList<QStringList> rows()
    {
        QList<QStringList> rows;
        for (int row = 0; row < table()->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table()->columnCount(); ++column)
                cells << table()->item(row, column)->text();
            rows << cells;
        }
        return rows;
    }
};

// Shown in the disabled colours, as LinkBanner::grey leaves a widget.
bool greyed(QWidget* widget)
{
    return widget->palette().color(QPalette::Active, QPalette::WindowText) ==
           QPalette().color(QPalette::Disabled, QPalette::WindowText);
}

const char* const valueNames[] = {"fixQuality", "position",   "height",      "utcTime", "heading",
                                  "dop",        "satellites", "corrections", "accuracy"};
} // namespace

class ReceiverViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void labelsShowRecordedSentences_data();
    void labelsShowRecordedSentences();
    void tableListsEachSatelliteSortedBySystem();
    void staleValueIsGreyedWithItsAge();
    void newLinkStartsEmpty();
    void closedLinkKeepsWhatWasShownGreyed();
    void refreshesOnlyWhileShown();
    void skyPlotPutsNorthUpAndFillsUsedSatellites();
    void snrBarsScaleColourAndGroupBySystem();
    void neitherPlotCanBeDraggedAway();
    void windowKeepsItsSizeWithTheTab();
    void tabFilledFromTheSimulator();
};

void ReceiverViewTest::initTestCase()
{
    // Greying must be visible for the tests below to mean anything.
    QVERIFY(QPalette().color(QPalette::Disabled, QPalette::WindowText) !=
            QPalette().color(QPalette::Active, QPalette::WindowText));
}

void ReceiverViewTest::labelsShowRecordedSentences_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");

    QTest::newRow("rtk-fixed-3d") << gga("4") + gsa("3") << "fixQuality"
                                  << "RTK 固定解 · 3D";
    QTest::newRow("rtk-float-2d") << gga("5") + gsa("2") << "fixQuality"
                                  << "RTK 浮点解 · 2D";
    QTest::newRow("no-fix-has-no-dimension") << gga("0") + gsa("1") << "fixQuality"
                                             << "无定位";
    QTest::newRow("dead-reckoning") << gga("6") << "fixQuality"
                                    << "航位推算";
    QTest::newRow("north-east") << gga() << "position"
                                << "31.2479817° N, 121.5874033° E";
    QTest::newRow("south-west")
        << nmea("GNGGA,000000.00,3354.000000,S,15112.000000,W,1,08,1.0,5.0,M,-3.0,M,,")
        << "position"
        << "33.9000000° S, 151.2000000° W";
    QTest::newRow("height-and-geoid") << gga() << "height"
                                      << "12.30 m · 大地水准面差距 8.70 m";
    QTest::newRow("date-from-rmc") << rmc << "utcTime"
                                   << "2026-12-07 12:34:56.20 UTC";
    QTest::newRow("date-from-zda") << nmea("GNZDA,235959.99,31,12,2026,00,00") << "utcTime"
                                   << "2026-12-31 23:59:59.99 UTC";
    QTest::newRow("time-alone-from-gga") << gga() << "utcTime"
                                         << "12:34:56.20 UTC";
    QTest::newRow("heading-two-decimals") << hdt << "heading"
                                          << "123.46°";
    QTest::newRow("dops-of-gsa") << gsa("3") << "dop"
                                 << "PDOP 1.50 · HDOP 0.80 · VDOP 1.20";
    QTest::newRow("used-and-in-view-per-system")
        << gpsSky + beidouSky + gsa("3") + gsa("3", "07,,,,,,,,,,,", "4") << "satellites"
        << "使用 3 / 可见 4 · GPS 2/3 · 北斗 1/1";
    QTest::newRow("used-counted-by-gga") << gpsSky + beidouSky + gsa("3") + gga() << "satellites"
                                         << "使用 12 / 可见 4 · GPS 2/3 · 北斗 0/1";
    QTest::newRow("correction-age-and-station") << gga() << "corrections"
                                                << "龄期 1.0 s · 基站 0123";
    QTest::newRow("station-without-age")
        << nmea("GNGGA,123456.20,3114.878902,N,12135.244198,E,1,12,0.8,12.3,M,8.7,M,,0123")
        << "corrections"
        << "基站 0123";
    QTest::newRow("sigmas-of-gst") << gst << "accuracy"
                                   << "纬度 0.011 m · 经度 0.009 m · 高度 0.020 m";
    QTest::newRow("markup-from-the-device-is-text") << gga("4", "<b>1</b>") << "corrections"
                                                    << "龄期 1.0 s · 基站 <b>1</b>";
    QTest::newRow("control-byte-from-the-device-escaped") << gga("4", "\x1b[5m") << "corrections"
                                                          << "龄期 1.0 s · 基站 \\x1B[5m";
    QTest::newRow("nothing-yet") << QByteArray() << "heading"
                                 << "—";
}

void ReceiverViewTest::labelsShowRecordedSentences()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, label);
    Tab tab;
    tab.now = 1000;
    tab.receive(received);
    tab.view.refresh();
    QTEST(tab.text(label.toLatin1().constData()), "shown");
    for (const char* name : valueNames) {
        QCOMPARE(part<QLabel>(tab.view, name)->textFormat(), Qt::PlainText);
        QVERIFY(!greyed(part<QLabel>(tab.view, name)));
    }
}

void ReceiverViewTest::tableListsEachSatelliteSortedBySystem()
{
    Tab tab;
    // BeiDou 201 is BeiDou's own 1, as some receivers number it.
    tab.receive(nmea("GBGSV,1,1,03,12,30,100,35,07,55,200,38,201,15,250,28"));
    tab.receive(nmea("GLGSV,1,1,01,70,20,300,"));
    tab.receive(nmea("GPGSV,2,1,05,10,40,083,46,02,17,308,41,31,70,120,30,05,10,010,22"));
    tab.receive(nmea("GPGSV,2,2,05,01,05,350,"));
    tab.receive(nmea("GAGSV,1,1,01,04,60,045,44,7"));
    tab.receive(gsa("3", "10,02,31,,,,,,,,,"));
    tab.receive(gsa("3", "07,,,,,,,,,,,", "4"));
    tab.view.refresh();
    QStringList headings;
    for (int column = 0; column < tab.table()->columnCount(); ++column)
        headings << tab.table()->horizontalHeaderItem(column)->text();
    QCOMPARE(headings, QStringList({"系统", "编号", "仰角", "方位角", "信噪比", "参与定位"}));
    const QList<QStringList> expected{
        {"GPS", "1", "5", "350", "", "否"},      {"GPS", "2", "17", "308", "41", "是"},
        {"GPS", "5", "10", "10", "22", "否"},    {"GPS", "10", "40", "83", "46", "是"},
        {"GPS", "31", "70", "120", "30", "是"},  {"Galileo", "4", "60", "45", "44", "否"},
        {"北斗", "1", "15", "250", "28", "否"},  {"北斗", "7", "55", "200", "38", "是"},
        {"北斗", "12", "30", "100", "35", "否"}, {"GLONASS", "6", "20", "300", "", "否"}};
    QCOMPARE(tab.rows(), expected);
    // The plots draw the same satellites.
    QCOMPARE(part<SkyPlot>(tab.view, "skyPlot")->satellites().size(), expected.size());
    QCOMPARE(part<SnrBars>(tab.view, "snrBars")->satellites().size(), expected.size());
    QCOMPARE(part<SnrBars>(tab.view, "snrBars")->satellites().at(7).used, true);
}

void ReceiverViewTest::staleValueIsGreyedWithItsAge()
{
    Tab tab;
    tab.receive(gga() + hdt + gpsSky);
    tab.now = 4000;
    tab.receive(gga());
    tab.now = 5200;
    tab.view.refresh();
    QCOMPARE(tab.text("heading"), QStringLiteral("123.46° · 5 s 前"));
    QVERIFY(greyed(part<QLabel>(tab.view, "heading")));
    QCOMPARE(tab.text("fixQuality"), QStringLiteral("RTK 固定解"));
    QVERIFY(!greyed(part<QLabel>(tab.view, "fixQuality")));
    // The satellites of the old sky: still listed, greyed, with their age.
    QCOMPARE(tab.table()->rowCount(), 3);
    QTableWidgetItem* item = tab.table()->item(0, 0);
    QCOMPARE(item->foreground().color(), QPalette().color(QPalette::Disabled, QPalette::Text));
    QCOMPARE(item->toolTip(), QStringLiteral("5 s 前"));
    QVERIFY(part<SkyPlot>(tab.view, "skyPlot")->satellites().at(0).stale);
    // 10 s after their GSV became overdue they have left the sky.
    tab.now = ReceiverStatus::minOverdueMs + ReceiverStatus::skyKeptMs + 500;
    tab.view.refresh();
    QCOMPARE(tab.table()->rowCount(), 0);
}

void ReceiverViewTest::newLinkStartsEmpty()
{
    Tab tab;
    tab.receive(gga() + gsa("3") + rmc + hdt + gst + gpsSky);
    tab.view.refresh();
    QCOMPARE(tab.table()->rowCount(), 3);
    emit tab.source.linkOpened("/dev/ttyUSB1", "115200", false);
    for (const char* name : valueNames)
        QCOMPARE(tab.text(name), QStringLiteral("—"));
    QCOMPARE(tab.table()->rowCount(), 0);
    QVERIFY(part<SkyPlot>(tab.view, "skyPlot")->satellites().isEmpty());
    QVERIFY(part<SnrBars>(tab.view, "snrBars")->satellites().isEmpty());
    QCOMPARE(part<LinkBanner>(tab.view, "linkBanner")->text(),
             QStringLiteral("/dev/ttyUSB1 · 115200"));
}

void ReceiverViewTest::closedLinkKeepsWhatWasShownGreyed()
{
    Tab tab;
    emit tab.source.linkOpened("/dev/ttyUSB1", "115200", false);
    tab.receive(gga() + gsa("3") + rmc + hdt + gst + gpsSky);
    tab.now = 500;
    tab.view.refresh();
    QStringList before;
    for (const char* name : valueNames)
        before << tab.text(name);
    const QList<QStringList> rowsBefore = tab.rows();
    emit tab.source.linkClosed(LinkTraffic::End::Lost);
    tab.now = 60000;
    // 断开 while waiting for the lost device ends nothing more.
    emit tab.source.linkClosed(LinkTraffic::End::Disconnected);
    tab.view.refresh();
    QStringList after;
    for (const char* name : valueNames) {
        after << tab.text(name);
        QVERIFY2(greyed(part<QLabel>(tab.view, name)), name);
    }
    QCOMPARE(after, before);
    QCOMPARE(tab.rows(), rowsBefore);
    QCOMPARE(rowsBefore.size(), 3);
    QVERIFY(greyed(tab.table()));
    QCOMPARE(part<LinkBanner>(tab.view, "linkBanner")->text(),
             QStringLiteral("/dev/ttyUSB1 · 115200 · 已断开"));
}

void ReceiverViewTest::refreshesOnlyWhileShown()
{
    Tab tab;
    auto* timer = tab.view.findChild<QTimer*>();
    QVERIFY(timer);
    tab.receive(gga());
    QCoreApplication::processEvents();
    QVERIFY(!timer->isActive());
    QCOMPARE(tab.text("fixQuality"), QStringLiteral("—"));
    tab.view.show();
    QCOMPARE(tab.text("fixQuality"), QStringLiteral("RTK 固定解"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 500);
    tab.view.hide();
    QVERIFY(!timer->isActive());
}

void ReceiverViewTest::skyPlotPutsNorthUpAndFillsUsedSatellites()
{
    SkyPlot plot(nullptr);
    plot.resize(200, 200);
    const QPointF centre = plot.placeOf(90, 0);
    QCOMPARE(centre, QPointF(100, 100));
    const QPointF north = plot.placeOf(0, 0);
    const qreal horizon = centre.y() - north.y();
    QVERIFY(horizon > 50);
    QCOMPARE(north.x(), centre.x());
    QCOMPARE(plot.placeOf(0, 90), centre + QPointF(horizon, 0));
    QCOMPARE(plot.placeOf(0, 180), centre + QPointF(0, horizon));
    QCOMPARE(plot.placeOf(0, 270), centre - QPointF(horizon, 0));
    QCOMPARE(plot.placeOf(30, 90), centre + QPointF(horizon * 2 / 3, 0));

    ShownSatellite used{Constellation::Gps, 5, 45, 90, 40, true};
    ShownSatellite unused{Constellation::BeiDou, 7, 45, 270, 40, false};
    plot.setSatellites({used, unused});
    const QImage drawn = plot.grab().toImage();
    QCOMPARE(drawn.pixelColor(plot.placeOf(45, 90).toPoint()),
             ConstellationLook::colour(Constellation::Gps));
    QVERIFY(drawn.pixelColor(plot.placeOf(45, 270).toPoint()) !=
            ConstellationLook::colour(Constellation::BeiDou));
}

void ReceiverViewTest::snrBarsScaleColourAndGroupBySystem()
{
    SnrBars bars(nullptr);
    bars.resize(300, 160);
    bars.setSatellites({{Constellation::Gps, 1, 40, 90, 60, true},
                        {Constellation::Gps, 2, 40, 90, 15, false},
                        {Constellation::BeiDou, 3, 40, 90, 30, false},
                        {Constellation::BeiDou, 4, 40, 90, -1, false}});
    const QRectF full = bars.barOf(0);
    const QRectF weak = bars.barOf(1);
    QVERIFY(full.height() > 50);
    QCOMPARE(weak.height(), full.height() / 4);
    QCOMPARE(weak.bottom(), full.bottom());
    QCOMPARE(bars.barOf(2).height(), full.height() / 2);
    QVERIFY(bars.barOf(3).isEmpty());
    // A gap of one bar between systems.
    const qreal step = weak.left() - full.left();
    QCOMPARE(bars.barOf(2).left() - weak.left(), 2 * step);

    const QImage drawn = bars.grab().toImage();
    QCOMPARE(drawn.pixelColor(weak.center().toPoint()), SnrBars::colourOf(15));
    QCOMPARE(drawn.pixelColor(full.center().toPoint()), SnrBars::colourOf(60));
    // Four bands of strength: below 20, 30 and 40 dB-Hz, and above.
    const QList<int> bandStarts{0, 20, 30, 40};
    for (int band = 0; band < bandStarts.size(); ++band) {
        const int end = band + 1 < bandStarts.size() ? bandStarts[band + 1] - 1 : 60;
        QCOMPARE(SnrBars::colourOf(end), SnrBars::colourOf(bandStarts[band]));
        if (band > 0)
            QVERIFY(SnrBars::colourOf(bandStarts[band]) != SnrBars::colourOf(bandStarts[band] - 1));
    }
    // The used one outlined, the other not.
    const QColor ink = bars.palette().color(QPalette::Active, QPalette::WindowText);
    QCOMPARE(drawn.pixelColor(QPoint(int(full.left()) + 1, int(full.center().y()))), ink);
    QCOMPARE(drawn.pixelColor(QPoint(int(weak.left()) + 1, int(weak.center().y()))),
             SnrBars::colourOf(15));
}

void ReceiverViewTest::neitherPlotCanBeDraggedAway()
{
    Tab tab;
    tab.view.resize(900, 700);
    tab.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab.view));
    auto* sky = part<QSplitter>(tab.view, "skySplitter");
    auto* plot = tab.view.findChild<SkyPlot*>();
    auto* bars = tab.view.findChild<SnrBars*>();
    // The divider dragged past either edge leaves both plots on the tab.
    for (const int to : {-2000, 4000}) {
        QSplitterHandle* handle = sky->handle(1);
        const QPoint from = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        const QPoint target = handle->mapToGlobal(from + QPoint(to, 0));
        QMouseEvent drag(QEvent::MouseMove, handle->mapFromGlobal(target), target, Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &drag);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(target));
        QVERIFY2(plot->width() >= plot->minimumSizeHint().width() &&
                     bars->width() >= bars->minimumSizeHint().width(),
                 qPrintable(QStringLiteral("%1 %2").arg(plot->width()).arg(bars->width())));
    }
}

void ReceiverViewTest::windowKeepsItsSizeWithTheTab()
{
    TempSettings settings;
    DlgTab window(nullptr);
    QCOMPARE(window.tabs()->count(), 4);
    QCOMPARE(window.tabs()->tabText(3), QStringLiteral("接收机状态"));
    const QSize withTab = window.size();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.tabs()->setCurrentIndex(3);
    QCoreApplication::processEvents();
    const QRect inside = window.rect();
    for (QWidget* control : window.receiverView()->findChildren<QWidget*>()) {
        if (!control->isVisible())
            continue;
        const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
        QVERIFY2(inside.contains(where),
                 qPrintable(control->objectName() + " " + control->metaObject()->className()));
    }
    window.tabs()->setCurrentIndex(0);
    window.tabs()->removeTab(3);
    const QSize needed = window.tabs()->sizeHint();
    QCOMPARE(withTab, QSize(qMax(434, needed.width()), qMax(570, needed.height())));
}

void ReceiverViewTest::tabFilledFromTheSimulator()
{
    SimulatorProcess simulator({"--rates", "GGA=0.2,RMC=0.2,GSA=0.2,GSV=0.2,HDT=0.2,GST=0.2"});
    QVERIFY(simulator.isRunning());
    qputenv("ZR415_EXTRA_PORTS", simulator.devicePath().toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts(QMessageBox::Ok);
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DlgZR415& page = *window.settingsPage();
    PageProbe::choose(page, simulator.devicePath(), QStringLiteral("256000"));
    window.tabs()->setCurrentIndex(3);
    PageProbe::click(page, "connectButton");
    ReceiverView& view = *window.receiverView();
    QTRY_COMPARE_WITH_TIMEOUT(part<QLabel>(view, "fixQuality")->text(),
                              QStringLiteral("RTK 固定解 · 3D"), 5000);
    QTRY_VERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d\d UTC$)")
                    .match(part<QLabel>(view, "utcTime")->text())
                    .hasMatch());
    // The simulator's sky: four systems, twenty-odd satellites, most of them used in the fix.
    const QRegularExpression counts(QStringLiteral(R"(^使用 (\d+) / 可见 (\d+))"));
    QTRY_VERIFY(counts.match(part<QLabel>(view, "satellites")->text()).hasMatch());
    const QRegularExpressionMatch shown = counts.match(part<QLabel>(view, "satellites")->text());
    QVERIFY2(shown.captured(1).toInt() > 0 && shown.captured(2).toInt() >= 20,
             qPrintable(shown.captured(0)));
    QVERIFY(shown.captured(1).toInt() <= shown.captured(2).toInt());
    QTRY_VERIFY(part<QTableWidget>(view, "satelliteTable")->rowCount() > 0);
    QVERIFY(part<QLabel>(view, "position")->text().contains(QStringLiteral("° N, ")));
    // The simulator's heading comes under its own talker (HE).
    QTRY_VERIFY(part<QLabel>(view, "heading")->text().endsWith(QStringLiteral("°")));
    window.grab().save(QStringLiteral(ZR415_BUILD_DIR "/zr415-receiver.png"));
}

QTEST_MAIN(ReceiverViewTest)
#include "tst_receiverview.moc"
