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
#include "ReceiverWindow.h"
#include "SimulatorProcess.h"
#include "SkyPlot.h"
#include "SnrBars.h"
#include "TempSettings.h"

#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>

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

const char* const valueNames[] = {"fixQuality",  "position", "height", "utcTime",
                                  "heading",     "motion",   "dop",    "satellites",
                                  "corrections", "accuracy"};

// count satellites of four systems, each with a two- or three-character label.
QList<ShownSatellite> crowd(int count)
{
    const Constellation systems[] = {Constellation::Gps, Constellation::Galileo,
                                     Constellation::BeiDou, Constellation::Glonass};
    QList<ShownSatellite> shown;
    for (int i = 0; i < count; ++i) {
        ShownSatellite satellite;
        satellite.system = systems[i * 4 / count];
        satellite.number = i + 1;
        satellite.label = systemLabel(satellite.system, i + 1);
        // Most near the zenith, where labels used to pile up.
        satellite.elevation = 70 + i % 20;
        satellite.azimuth = i * 37 % 360;
        satellite.snr = 20 + i % 30;
        satellite.used = i % 3 != 0;
        shown << satellite;
    }
    return shown;
}

bool overlapping(const QList<QPair<int, QRectF>>& places)
{
    for (int i = 0; i < places.size(); ++i)
        for (int j = i + 1; j < places.size(); ++j)
            if (places[i].second.intersects(places[j].second))
                return true;
    return false;
}
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
    void labelsNeverOverlap_data();
    void labelsNeverOverlap();
    void valuesAgeByTheRateSetOnThisLink_data();
    void valuesAgeByTheRateSetOnThisLink();
    void detachedWindowShowsTheSameViewAndGivesItBack();
    void everyRowAboveTheFoldAtTheWindowsSize();
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
                                  << "RTK 固定解 · 3D · 0 s";
    QTest::newRow("rtk-float-2d") << gga("5") + gsa("2") << "fixQuality"
                                  << "RTK 浮点解 · 2D · 0 s";
    QTest::newRow("no-fix-has-no-dimension") << gga("0") + gsa("1") << "fixQuality"
                                             << "无定位 · 0 s";
    QTest::newRow("dead-reckoning") << gga("6") << "fixQuality"
                                    << "航位推算 · 0 s";
    QTest::newRow("north-east") << gga() << "position"
                                << "31.2479817° N, 121.5874033° E";
    QTest::newRow("south-west")
        << nmea("GNGGA,000000.00,3354.000000,S,15112.000000,W,1,08,1.0,5.0,M,-3.0,M,,")
        << "position"
        << "33.9000000° S, 151.2000000° W";
    QTest::newRow("height-and-geoid") << gga() << "height"
                                      << "海拔 12.30 m · 椭球高 21.00 m";
    QTest::newRow("date-from-rmc") << rmc << "utcTime"
                                   << "2026-12-07 12:34:56.200 UTC";
    QTest::newRow("milliseconds-kept") << nmea("GNZDA,235959.438,31,12,2026,00,00") << "utcTime"
                                       << "2026-12-31 23:59:59.438 UTC";
    QTest::newRow("time-alone-from-gga") << gga() << "utcTime"
                                         << "12:34:56.200 UTC";
    QTest::newRow("speed-and-course-of-rmc")
        << nmea("GNRMC,123456.20,A,3114.878902,N,12135.244198,E,10.0,45.5,071226,,,D") << "motion"
        << "5.14 m/s · 航迹向 45.5°";
    QTest::newRow("heading-two-decimals") << hdt << "heading"
                                          << "123.46°";
    QTest::newRow("dops-of-gsa") << gsa("3") << "dop"
                                 << "PDOP 1.50 · HDOP 0.80 · VDOP 1.20";
    QTest::newRow("used-and-in-view-per-system")
        << gpsSky + beidouSky + gsa("3") + gsa("3", "07,,,,,,,,,,,", "4") << "satellites"
        << "使用 3 / 可见 4";
    QTest::newRow("lost-fix-has-no-dops")
        << nmea("GNGGA,123456.20,,,,,0,,,,M,,M,,") + nmea("GNGSA,A,1,,,,,,,,,,,,,,,,1") << "dop"
        << "—";
    QTest::newRow("no-corrections-says-none")
        << nmea("GNGGA,123456.20,3114.878902,N,12135.244198,E,1,12,0.8,12.3,M,8.7,M,,")
        << "corrections"
        << "无";
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
    QCOMPARE(headings,
             QStringList({"系统", "编号", "PRN", "仰角", "方位角", "信噪比 dB-Hz", "使用"}));
    // The system's own number beside gpsd's PRN: a GLONASS slot is not a PRN.
    const QList<QStringList> expected{{"GPS", "G01", "1", "5", "350", "", "否"},
                                      {"GPS", "G02", "2", "17", "308", "41", "是"},
                                      {"GPS", "G05", "5", "10", "10", "22", "否"},
                                      {"GPS", "G10", "10", "40", "83", "46", "是"},
                                      {"GPS", "G31", "31", "70", "120", "30", "是"},
                                      {"Galileo", "E04", "304", "60", "45", "44", "否"},
                                      {"北斗", "C01", "401", "15", "250", "28", "否"},
                                      {"北斗", "C07", "407", "55", "200", "38", "是"},
                                      {"北斗", "C12", "412", "30", "100", "35", "否"},
                                      {"GLONASS", "R06", "70", "20", "300", "", "否"}};
    QCOMPARE(tab.rows(), expected);
    // Each column as wide as its longest entry; the system and number in the system's colour.
    for (int column = 0; column + 1 < tab.table()->columnCount(); ++column)
        for (int row = 0; row < tab.table()->rowCount(); ++row)
            QVERIFY(tab.table()->fontMetrics().horizontalAdvance(tab.rows()[row][column]) <
                    tab.table()->columnWidth(column) - 6);
    QCOMPARE(tab.table()->item(9, 1)->foreground().color(),
             ConstellationLook::colour(Constellation::Glonass));
    // The plots draw the same satellites.
    QCOMPARE(part<SkyPlot>(tab.view, "skyPlot")->satellites().size(), expected.size());
    QCOMPARE(part<SnrBars>(tab.view, "snrBars")->satellites().size(), expected.size());
    QCOMPARE(part<SnrBars>(tab.view, "snrBars")->satellites().at(7).used, true);
    // The legend, outside the plots, counts each system's used and visible satellites.
    QTextDocument legend;
    legend.setHtml(tab.text("skyLegend"));
    QCOMPARE(legend.toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).simplified(),
             QStringLiteral("● GPS 3/5 ● Galileo 0/1 ● 北斗 1/3 ● GLONASS 0/1"));
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
    QCOMPARE(tab.text("fixQuality"), QStringLiteral("RTK 固定解 · 4 s"));
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
    // After a lost link, the new one's values are shown as they come, not greyed.
    emit tab.source.linkClosed(LinkTraffic::End::Lost);
    emit tab.source.serialNumberKnown(QStringLiteral("ZR415-0001"));
    tab.now = 30000;
    emit tab.source.linkOpened("/dev/ttyUSB1", "115200", true);
    QCOMPARE(part<LinkBanner>(tab.view, "linkBanner")->text(),
             QStringLiteral("/dev/ttyUSB1 · 115200"));
    tab.receive(gga());
    tab.view.refresh();
    QVERIFY(!greyed(part<QLabel>(tab.view, "fixQuality")));
    QVERIFY(!greyed(tab.table()));
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

void ReceiverViewTest::valuesAgeByTheRateSetOnThisLink_data()
{
    QTest::addColumn<QByteArray>("command"); // written before the answer
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("shown");
    const QString fresh = QStringLiteral("RTK 固定解 · 0 s");
    QTest::newRow("unknown-rate-overdue-after-2-s")
        << QByteArray() << QByteArray() << 2500 << fresh + " · 2 s 前";
    QTest::newRow("read-5-s-not-overdue-at-4-s")
        << QByteArray() << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,5\r") << 4000 << fresh;
    QTest::newRow("read-5-s-overdue-after-7.5-s")
        << QByteArray() << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,5\r") << 7600
        << fresh + " · 7 s 前";
    QTest::newRow("read-off-overdue-after-2-s")
        << QByteArray() << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,OFF\r") << 2500
        << fresh + " · 2 s 前";
    QTest::newRow("sent-5-s-confirmed")
        << QByteArray("#KVT,,SET,GNSS.NMEA.GGA,5\r\n") << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,OK\r")
        << 4000 << fresh;
    QTest::newRow("sent-5-s-refused")
        << QByteArray("#KVT,,SET,GNSS.NMEA.GGA,5\r\n")
        << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,ERR\r") << 4000 << fresh + " · 4 s 前";
}

void ReceiverViewTest::valuesAgeByTheRateSetOnThisLink()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    QFETCH(int, at);
    QFETCH(QString, shown);
    Tab tab;
    emit tab.source.linkOpened("/dev/ttyUSB1", "115200", false);
    if (!command.isEmpty())
        emit tab.source.commandWritten(command);
    tab.receive(answer + gga());
    tab.now = at;
    tab.view.refresh();
    QCOMPARE(tab.text("fixQuality"), shown);
    QCOMPARE(greyed(part<QLabel>(tab.view, "fixQuality")), shown.endsWith(QStringLiteral("前")));
    // A new link forgets the rate of the last one.
    emit tab.source.linkOpened("/dev/ttyUSB1", "115200", false);
    tab.receive(gga());
    tab.now += 2500;
    tab.view.refresh();
    QVERIFY(greyed(part<QLabel>(tab.view, "fixQuality")));
}

void ReceiverViewTest::detachedWindowShowsTheSameViewAndGivesItBack()
{
    TempSettings settings;
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.tabs()->setCurrentIndex(3);
    ReceiverView& view = *window.receiverView();
    auto* plot = view.findChild<SkyPlot*>();
    auto* bars = view.findChild<SnrBars*>();
    const QSize plotInTab = plot->size();
    const QSize barsInTab = bars->size();

    PageProbe::click(view, "detachButton");
    ReceiverWindow* own = view.detachedWindow();
    QVERIFY(own && own->isWindow());
    QVERIFY(QTest::qWaitForWindowExposed(own));
    QCOMPARE(plot->window(), static_cast<QWidget*>(own));
    QVERIFY(!part<QPushButton>(view, "detachButton")->isEnabled());
    // Larger, and the plots grow with it.
    own->resize(1200, 900);
    const auto across = [](const QSize& size) { return qMin(size.width(), size.height()); };
    QTRY_VERIFY(across(plot->size()) * 2 > across(plotInTab) * 3);
    QVERIFY(bars->width() > 2 * barsInTab.width());
    // Still fed while the tab is hidden.
    window.tabs()->setCurrentIndex(0);
    emit window.settingsPage()->traffic()->bytesReceived(gga());
    QTRY_COMPARE(part<QLabel>(view, "fixQuality")->text().left(7), QStringLiteral("RTK 固定解"));

    own->close();
    QTRY_VERIFY(!view.detachedWindow());
    QCOMPARE(plot->window(), static_cast<QWidget*>(&window));
    QVERIFY(part<QPushButton>(view, "detachButton")->isEnabled());
    window.tabs()->setCurrentIndex(3);
    QTRY_COMPARE(plot->size(), plotInTab);
}

void ReceiverViewTest::everyRowAboveTheFoldAtTheWindowsSize()
{
    TempSettings settings;
    DlgTab window(nullptr);
    // At the designed size, whatever the settings page needs: every value row in sight.
    window.tabs()->resize(434, 570);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.tabs()->setCurrentIndex(3);
    ReceiverView& view = *window.receiverView();
    // The longest satellites line: five systems, all of them.
    emit window.settingsPage()->traffic()->bytesReceived(
        gga() + gsa("3") + rmc + hdt + gst + gpsSky + beidouSky +
        nmea("GLGSV,1,1,01,70,20,300,40") + nmea("GAGSV,1,1,01,04,60,045,44,7"));
    view.refresh();
    QCoreApplication::processEvents();
    const QRect inside = window.tabs()->currentWidget()->rect();
    for (const char* name : valueNames) {
        auto* label = part<QLabel>(view, name);
        const QRect where(label->mapTo(&view, QPoint(0, 0)), label->size());
        QVERIFY2(label->isVisible() && inside.contains(where), name);
        QVERIFY2(label->height() >= label->heightForWidth(label->width()), name);
    }
    QVERIFY(part<SkyPlot>(view, "skyPlot")->height() >= 120);
    QVERIFY(part<QTableWidget>(view, "satelliteTable")->height() >= 80);
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
    QCOMPARE(tab.text("fixQuality"), QStringLiteral("RTK 固定解 · 0 s"));
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
                        {Constellation::BeiDou, 3, 40, 90, 30, true},
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

    // The system's colour, as in the sky: solid when used, pale when not.
    const QImage drawn = bars.grab().toImage();
    const QColor gps = ConstellationLook::colour(Constellation::Gps);
    QCOMPARE(drawn.pixelColor(full.center().toPoint()), gps);
    QCOMPARE(drawn.pixelColor(bars.barOf(2).center().toPoint()),
             ConstellationLook::colour(Constellation::BeiDou));
    const QColor pale = drawn.pixelColor(weak.center().toPoint());
    QVERIFY(pale != gps && pale.lightness() > gps.lightness());
}

void ReceiverViewTest::labelsNeverOverlap_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("upright");    // the bars' labels
    QTest::addColumn<bool>("everyLabel"); // the bars' labels all drawn
    QTest::newRow("few-wide") << 6 << QSize(300, 170) << false << true;
    QTest::newRow("thirty-in-the-tab") << 30 << QSize(240, 170) << true << false;
    QTest::newRow("thirty-detached") << 30 << QSize(900, 500) << false << true;
    QTest::newRow("forty-five-in-the-tab") << 45 << QSize(240, 170) << true << false;
    QTest::newRow("forty-five-detached") << 45 << QSize(900, 500) << true << true;
}

void ReceiverViewTest::labelsNeverOverlap()
{
    QFETCH(int, count);
    QFETCH(QSize, size);
    QFETCH(bool, upright);
    QFETCH(bool, everyLabel);
    SnrBars bars(nullptr);
    bars.resize(size);
    bars.setSatellites(crowd(count));
    bool turned = false;
    const QList<QPair<int, QRectF>> barLabels = bars.labelPlaces(&turned);
    QCOMPARE(turned, upright);
    QVERIFY(!overlapping(barLabels));
    QCOMPARE(barLabels.size() == count, everyLabel);
    // Thinned, not dropped: at least every fourth bar keeps its label.
    QVERIFY(barLabels.size() * 4 >= count);
    for (const auto& [index, place] : barLabels) {
        QVERIFY(place.bottom() <= size.height() && place.top() > bars.barOf(index).bottom());
        QVERIFY(qAbs(place.center().x() - bars.barOf(index).center().x()) < 1);
    }

    SkyPlot plot(nullptr);
    plot.resize(size.height(), size.height());
    QList<ShownSatellite> sky = crowd(count);
    // One on the horizon is drawn too, its label kept inside the plot.
    sky[0].elevation = 0;
    sky[0].azimuth = 90;
    sky[0].used = true;
    plot.setSatellites(sky);
    const QList<QPair<int, QRectF>> skyLabels = plot.labelPlaces();
    QVERIFY(!overlapping(skyLabels));
    QVERIFY(!skyLabels.isEmpty());
    for (const auto& [index, place] : skyLabels)
        QVERIFY(plot.rect().contains(place.toAlignedRect()));
    const QImage drawn = plot.grab().toImage();
    QCOMPARE(drawn.pixelColor(plot.placeOf(0, sky[0].azimuth).toPoint()).rgb(),
             ConstellationLook::colour(sky[0].system).rgb());
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
    QTRY_VERIFY_WITH_TIMEOUT(
        part<QLabel>(view, "fixQuality")->text().startsWith(QStringLiteral("RTK 固定解 · 3D · ")),
        5000);
    QTRY_VERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d UTC$)")
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
