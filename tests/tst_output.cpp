// The output tab: what the meter measures in a recorded stream, what the tab concludes from the
// rates the receiver confirmed, and the whole tool against the simulated receiver.
#include "ConfirmedRates.h"
#include "DlgTab.h"
#include "DlgZR415.h"
#include "LinkTraffic.h"
#include "NmeaLines.h"
#include "OutputRate.h"
#include "OutputView.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "RateCheck.h"
#include "RateMeter.h"
#include "SetWidget.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"

#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

using namespace NmeaLines;

namespace {
QByteArray gga(const QByteArray& talker = "GN", const QByteArray& time = "101500.20")
{
    return nmea(talker + "GGA," + time + ",3114.1,N,12128.5,E,4,12,0.8,12.3,M,8.7,M,1.0,0000");
}

// Every 'step' ms from 'from', 'count' times.
Recording every(qint64 step, int count, const QByteArray& bytes, qint64 from = 0)
{
    Recording reads;
    for (int i = 0; i < count; ++i)
        reads << Read{from + i * step, bytes};
    return reads;
}

// The tab's row of a sentence kind, column by column.
QStringList rowOf(OutputView& view, const QString& kind)
{
    auto* table = PageProbe::part<QTableWidget>(view, "rateTable");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() != kind)
            continue;
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << table->item(row, column)->text();
        return cells;
    }
    return {};
}

// The output tab on a link of its own, on a clock the test moves.
struct Bench
{
    qint64 now = 0;
    LinkTraffic traffic;
    OutputView view{&traffic, nullptr, [this] { return now; }};

    void open(const QString& port)
    {
        emit traffic.linkOpened(port, QStringLiteral("115200"), false);
    }
    void receive(const QByteArray& bytes) { emit traffic.bytesReceived(bytes); }
    void query(const QByteArray& kind, const QByteArray& rate)
    {
        receive("@KVT,,GET,GNSS.NMEA." + kind + ",OK," + rate + "*00\r");
    }
    // GGA every step ms from now until 'until', each with its own time.
    void ggaUntil(qint64 step, qint64 until, const QByteArray& extra = {})
    {
        for (; now <= until; now += step)
            receive(gga("GN", timeOf(now)) + extra);
        now -= step;
    }
    QStringList row(const QString& kind)
    {
        view.refresh();
        return rowOf(view, kind);
    }
    QString label(const char* name) { return PageProbe::part<QLabel>(view, name)->text(); }
};
} // namespace

Q_DECLARE_METATYPE(Recording)

class OutputTest : public QObject
{
    Q_OBJECT

private slots:
    void meterMeasuresARecordedStream_data();
    void meterMeasuresARecordedStream();
    void stateComparesConfirmedRateWithArrivals_data();
    void stateComparesConfirmedRateWithArrivals();
    void tabShowsSetRatesAsTheyArrive();
    void receiversOneAfterTheOtherDoNotMix();
    void arrivalsBeforeTheSettingAreNotJudged();
    void settingNotOfTheListIsShownEscapedAndUnknown();
    void garbledOnlyKindShowsChecksumErrors();
    void headerShowsDeviceFieldsAsPlainText();
    void resetCountsKeepsTheSetting();
};

void OutputTest::meterMeasuresARecordedStream_data()
{
    QTest::addColumn<Recording>("reads");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("period");
    QTest::addColumn<double>("minGap");
    QTest::addColumn<double>("maxGap");
    QTest::addColumn<int>("checksumErrors");
    QTest::addColumn<int>("nonNmeaBytes");

    const QByteArray bad = gga().replace("*", "0*");
    const QByteArray junk("\x00\xff\x13$\x01@", 6);
    const QByteArray whole = gga();
    QTest::newRow("gp-and-gn-talkers-are-one-kind")
        << Recording{{0, gga("GP", "101459.50")},
                     {200, gga("GN", "101459.70")},
                     {400, gga("GP", "101459.90")},
                     {700, gga("GN", "101500.20")}}
        << QByteArray("GGA") << 4 << 0.7 / 3 << 0.2 << 0.3 << 0 << 0;
    QTest::newRow("bad-checksum-counted-apart-not-timed")
        << Recording{{0, gga()}, {100, bad}, {200, gga()}} << QByteArray("GGA") << 2 << 0.2 << 0.2
        << 0.2 << 1 << 0;
    QTest::newRow("junk-before-a-sentence-and-on-its-own-line")
        << Recording{{0, junk + gga()}, {500, junk + "\r\n" + gga()}} << QByteArray("GGA") << 2
        << 0.5 << 0.5 << 0.5 << 0 << 12;
    QTest::newRow("sentence-split-across-reads-timed-at-its-end")
        << Recording{{0, gga()}, {900, whole.left(20)}, {1000, whole.mid(20)}} << QByteArray("GGA")
        << 2 << 1.0 << 1.0 << 1.0 << 0 << 0;
    QTest::newRow("window-holds-the-last-ten-seconds")
        << (every(2000, 10, gga()) + every(500, 17, gga(), 20000)) << QByteArray("GGA") << 27
        << 10.0 / 17 << 0.5 << 2.0 << 0 << 0;
    QTest::newRow("window-holds-the-last-fifty")
        << (every(1000, 5, gga()) + every(100, 60, gga(), 5000)) << QByteArray("GGA") << 65 << 0.1
        << 0.1 << 0.1 << 0 << 0;
    QTest::newRow("slow-rate-measured-from-its-last-two")
        << every(30000, 3, gga()) << QByteArray("GGA") << 3 << 30.0 << 30.0 << 30.0 << 0 << 0;
    QTest::newRow("satellite-group-is-one-arrival")
        << (every(1000, 3, nmea("GPGSV,2,1,08,01,40,083,46") + nmea("GPGSV,2,2,08,02,17,308,41")))
        << QByteArray("GSV") << 6 << 1.0 << 1.0 << 1.0 << 0 << 0;
    QTest::newRow("overlong-line-is-noise")
        << Recording{{0, QByteArray(600, 'A') + "\r\n" + gga()}, {1000, gga()}} << QByteArray("GGA")
        << 2 << 1.0 << 1.0 << 1.0 << 0 << 600;
}

void OutputTest::meterMeasuresARecordedStream()
{
    QFETCH(Recording, reads);
    QFETCH(QByteArray, kind);
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    quint64 bytes = 0;
    for (const Read& read : reads) {
        now = read.ms;
        meter.addReceived(read.bytes);
        bytes += read.bytes.size();
    }
    const RateMeter::Kind figures = meter.kind(kind);
    QTEST(int(figures.count), "count");
    QTEST(int(figures.checksumErrors), "checksumErrors");
    QFETCH(double, period);
    QFETCH(double, minGap);
    QFETCH(double, maxGap);
    QVERIFY2(qAbs(figures.period - period) < 1e-9, qPrintable(QString::number(figures.period)));
    QVERIFY2(qAbs(figures.minGap - minGap) < 1e-9, qPrintable(QString::number(figures.minGap)));
    QVERIFY2(qAbs(figures.maxGap - maxGap) < 1e-9, qPrintable(QString::number(figures.maxGap)));
    const RateMeter::Line line = meter.line();
    QTEST(int(line.nonNmeaBytes), "nonNmeaBytes");
    QCOMPARE(line.bytes, bytes);
    // The newest GGA, whatever its talker; a bad one is not read.
    QCOMPARE(meter.fix().seen, kind == "GGA");
    if (kind == "GGA")
        QCOMPARE(QStringList({meter.fix().quality, meter.fix().satellites, meter.fix().hdop,
                              meter.fix().utc}),
                 QStringList({"4", "12", "0.8", "10:15:00.20"}));
}

void OutputTest::stateComparesConfirmedRateWithArrivals_data()
{
    // Each event: "ms >command", "ms <reply" or "ms GGA" for a GGA sentence arriving ("BAD": one
    // with a bad checksum).
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("state");

    const QString setGga = "0 >#KVT,,SET,GNSS.NMEA.GGA,0.2\r\n";
    const QString okGga = "10 <@KVT,,SET,GNSS.NMEA.GGA,OK*00\r";
    QStringList atRate{setGga, okGga};
    for (int ms = 100; ms <= 2100; ms += 200)
        atRate << QString("%1 GGA").arg(ms);
    QStringList slow{setGga, okGga};
    for (int ms = 100; ms <= 2100; ms += 240)
        slow << QString("%1 GGA").arg(ms);
    QTest::newRow("acknowledged-and-arriving-at-rate")
        << atRate << qint64(2200) << "0.2 s · 5 Hz" << int(RateCheck::State::Normal);
    QTest::newRow("twenty-percent-slow")
        << slow << qint64(2200) << "0.2 s · 5 Hz" << int(RateCheck::State::Deviating);
    QTest::newRow("stopped-three-seconds-ago")
        << atRate << qint64(5100) << "0.2 s · 5 Hz" << int(RateCheck::State::Silent);
    QTest::newRow("a-second-quiet-is-not-yet-silent")
        << atRate << qint64(3100) << "0.2 s · 5 Hz" << int(RateCheck::State::Normal);
    QTest::newRow("nothing-yet-after-the-setting")
        << QStringList{setGga, okGga} << qint64(2000) << "0.2 s · 5 Hz"
        << int(RateCheck::State::Waiting);
    QTest::newRow("refused-set-leaves-no-setting")
        << QStringList{setGga, "10 <@KVT,,SET,GNSS.NMEA.GGA,ERR*00\r", "100 GGA", "300 GGA"}
        << qint64(400) << "" << int(RateCheck::State::Unset);
    QTest::newRow("unanswered-set-leaves-no-setting")
        << QStringList{setGga, "100 GGA", "300 GGA"} << qint64(400) << ""
        << int(RateCheck::State::Unset);
    QTest::newRow("query-answer-is-a-setting")
        << QStringList{"0 <@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r", "1000 GGA", "2000 GGA"}
        << qint64(2100) << "1 s · 1 Hz" << int(RateCheck::State::Normal);
    QTest::newRow("all-at-once-sets-gga-off-and-it-stops")
        << QStringList{"0 GGA", "0 >#KVT,,SET,GNSS.NMEA.ALL,OFF\r\n",
                       "10 <@KVT,,SET,GNSS.NMEA.ALL,OK*00\r", "100 GGA"}
        << qint64(3200) << "OFF" << int(RateCheck::State::Normal);
    QTest::newRow("off-but-still-arriving")
        << QStringList{"0 >#KVT,,SET,GNSS.NMEA.GGA,OFF\r\n", "10 <@KVT,,SET,GNSS.NMEA.GGA,OK*00\r",
                       "3000 GGA"}
        << qint64(3200) << "OFF" << int(RateCheck::State::Deviating);
    QTest::newRow("slow-rate-not-silent-before-three-periods")
        << QStringList{"0 >#KVT,,SET,GNSS.NMEA.GGA,5\r\n", "10 <@KVT,,SET,GNSS.NMEA.GGA,OK*00\r"}
        << qint64(14000) << "5 s · 0.2 Hz" << int(RateCheck::State::Waiting);
    QTest::newRow("garbled-after-good-ones-is-no-silence")
        << QStringList{"0 <@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r",
                       "1000 GGA",
                       "2000 GGA",
                       "3000 BAD",
                       "4000 BAD",
                       "5000 BAD",
                       "6000 BAD"}
        << qint64(6100) << "1 s · 1 Hz" << int(RateCheck::State::ChecksumErrors);
    QTest::newRow("garbled-long-ago-then-silence")
        << QStringList{"0 <@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r", "500 BAD", "1000 GGA", "2000 GGA"}
        << qint64(6100) << "1 s · 1 Hz" << int(RateCheck::State::Silent);
    QTest::newRow("factory-reset-forgets-the-setting")
        << QStringList{"0 <@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r",
                       "100 <@KVT,,SET,DEVICE.RECOVER,OK*00\r"}
        << qint64(5000) << "" << int(RateCheck::State::Unset);
}

void OutputTest::stateComparesConfirmedRateWithArrivals()
{
    QFETCH(QStringList, events);
    QFETCH(qint64, now);
    qint64 clock = 0;
    RateMeter meter([&clock] { return clock; });
    ConfirmedRates confirmed;
    for (const QString& event : events) {
        clock = event.section(' ', 0, 0).toLongLong();
        const QString what = event.section(' ', 1);
        if (what.startsWith('>'))
            confirmed.addCommand(what.mid(1).toLatin1());
        else if (what.startsWith('<'))
            confirmed.addReceived(what.mid(1).toLatin1(), clock);
        else if (what == QLatin1String("BAD"))
            meter.addReceived(gga().replace("*", "0*"));
        else
            meter.addReceived(gga());
    }
    const ConfirmedRates::Setting setting = confirmed.setting("GGA");
    QTEST(OutputRate::describeRate(setting.rate), "setting");
    QTEST(int(RateCheck::of(setting.rate, setting.since, meter.kind("GGA", setting.since), now)),
          "state");
}

void OutputTest::tabShowsSetRatesAsTheyArrive()
{
    // The receiver acknowledges GSV but keeps it off.
    SimulatorProcess simulator({"--rates", "GGA=0.2,RMC=1", "--sticky", "GSV"});
    QVERIFY(simulator.isRunning());
    qputenv("ZR415_EXTRA_PORTS", simulator.devicePath().toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts(QMessageBox::Ok);
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DlgZR415& page = *window.settingsPage();
    PageProbe::choose(page, simulator.devicePath(), QStringLiteral("256000"));
    PageProbe::click(page, "connectButton");
    QVERIFY(PageProbe::linkShownOpen(page));
    for (const auto& [name, rate] : {std::pair{"GGA", "0.2"}, std::pair{"GSV", "1"}}) {
        page.outputRows().at(name)->setChecked(1);
        page.outputRows().at(name)->setCurrentText(QString::fromLatin1(rate));
    }
    PageProbe::click(page, "submitButton");
    OutputView& view = *window.outputView();
    window.tabs()->setCurrentWidget(&view);
    auto* table = PageProbe::part<QTableWidget>(view, "rateTable");
    QList<int> widths;
    for (int column = 0; column < table->columnCount(); ++column)
        widths << table->columnWidth(column);

    QTRY_COMPARE_WITH_TIMEOUT(rowOf(view, "GGA").value(4), QStringLiteral("正常"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rowOf(view, "GSV").value(4), QStringLiteral("未输出"), 6000);
    QCOMPARE(rowOf(view, "GSV").mid(1, 3), QStringList({"1 s · 1 Hz", "", ""}));
    // RMC arrives, but no rate of it was confirmed: measured, not judged.
    QTRY_VERIFY(!rowOf(view, "RMC").value(2).isEmpty());
    QCOMPARE(rowOf(view, "RMC").value(4), QString());
    // Columns keep their width as figures come, and 状态 stays in view in the design's window.
    for (int column = 0; column < table->columnCount() - 1; ++column)
        QCOMPARE(table->columnWidth(column), widths[column]);
    // (The page may need a few pixels more than 434 with the test's fonts; this tab never does.)
    QVERIFY(view.minimumSizeHint().width() <= page.minimumSizeHint().width());
    const int beyondDesign = window.width() - 434;
    QVERIFY(table->columnViewportPosition(4) + table->columnWidth(4) <=
            table->viewport()->width() - beyondDesign);
    window.grab().save(QStringLiteral(ZR415_BUILD_DIR "/zr415-output.png"));
}

void OutputTest::receiversOneAfterTheOtherDoNotMix()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    emit bench.traffic.commandWritten("#KVT,,SET,GNSS.NMEA.GGA,0.2\r\n");
    bench.receive("@KVT,,SET,GNSS.NMEA.GGA,OK*00\r");
    bench.now = 100;
    bench.ggaUntil(200, 2100, nmea("PUBX,00,1"));
    const QStringList first = bench.row("GGA");
    QCOMPARE(first.mid(1, 4), QStringList({"0.2 s · 5 Hz", "0.2 s · 5 Hz", "11", "正常"}));
    QVERIFY2(bench.label("fixLabel").contains("10:15:02.10"), qPrintable(bench.label("fixLabel")));

    // Closed: kept as the link left it (the last sentence too), greyed, though time goes on.
    bench.now = 2300;
    bench.receive(gga("GN", timeOf(bench.now)));
    emit bench.traffic.linkClosed(LinkTraffic::End::Disconnected);
    bench.now = 9000;
    QCOMPARE(bench.row("GGA").value(3), QStringLiteral("12"));
    QCOMPARE(bench.row("GGA").value(4), first.value(4));
    QVERIFY2(bench.label("fixLabel").contains("10:15:02.30"), qPrintable(bench.label("fixLabel")));
    QVERIFY(bench.label("linkBanner").contains("已断开"));
    auto* table = PageProbe::part<QTableWidget>(bench.view, "rateTable");
    QCOMPARE(table->palette().color(QPalette::Active, QPalette::Text),
             QPalette().color(QPalette::Disabled, QPalette::Text));

    // Another receiver: nothing of the first one's counts, settings, kinds or fix.
    bench.open(QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(bench.row("GGA").mid(1), QStringList(7, QString()));
    QVERIFY(bench.row("PUBX").isEmpty());
    QVERIFY2(!bench.label("fixLabel").contains("10:15"), qPrintable(bench.label("fixLabel")));
    QVERIFY(!bench.label("linkBanner").contains("已断开"));
    QCOMPARE(table->palette().color(QPalette::Active, QPalette::Text),
             QPalette().color(QPalette::Active, QPalette::Text));
    bench.now = 10000;
    bench.ggaUntil(5000, 15000);
    QCOMPARE(bench.row("GGA").mid(1, 4), QStringList({"", "5 s · 0.2 Hz", "2", ""}));
}

void OutputTest::arrivalsBeforeTheSettingAreNotJudged()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    bench.ggaUntil(1000, 20000);
    bench.now = 20050;
    bench.query("GGA", "0.2");
    bench.now = 20100;
    bench.ggaUntil(200, 22100);
    QCOMPARE(bench.row("GGA").value(4), QStringLiteral("正常"));
}

void OutputTest::settingNotOfTheListIsShownEscapedAndUnknown()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    const QByteArray digits(70, '1');
    bench.query("GGA", digits);
    bench.query("RMC", "1\x1b[31m");
    bench.now = 1000;
    bench.receive(gga());
    QCOMPARE(bench.row("GGA").value(1), QString(digits.left(40)) + QChar(0x2026));
    QCOMPARE(bench.row("GGA").value(4), QStringLiteral("未知"));
    QCOMPARE(bench.row("RMC").value(1), QStringLiteral("1\\x1B[31m"));
    QCOMPARE(bench.row("RMC").value(4), QStringLiteral("未知"));
}

void OutputTest::garbledOnlyKindShowsChecksumErrors()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    bench.query("GGA", "1");
    for (bench.now = 1000; bench.now <= 5000; bench.now += 1000)
        bench.receive(gga("GN", timeOf(bench.now)).replace("*", "0*") +
                      garbled("GNRMC," + timeOf(bench.now) + ",A"));
    for (const char* kind : {"GGA", "RMC"}) {
        const QStringList row = bench.row(kind);
        QCOMPARE(row.value(3), QString());
        QCOMPARE(row.value(4), QStringLiteral("校验错误"));
        QCOMPARE(row.value(7), QStringLiteral("5"));
    }
}

void OutputTest::headerShowsDeviceFieldsAsPlainText()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    bench.receive(nmea("GNGGA,101500.00,3114.1,N,12128.5,E,<font size=7 color=red>ERROR</font>,"
                       "\x1b[2J,0.8,12.3,M,8.7,M,1.0,0000"));
    bench.view.refresh();
    auto* header = PageProbe::part<QLabel>(bench.view, "fixLabel");
    QCOMPARE(header->textFormat(), Qt::PlainText);
    QVERIFY2(header->text().contains("<font size=7 color=red>ERROR</font>") &&
                 header->text().contains("\\x1B[2J"),
             qPrintable(header->text()));
}

void OutputTest::resetCountsKeepsTheSetting()
{
    Bench bench;
    bench.open(QStringLiteral("/dev/ttyUSB0"));
    bench.query("GGA", "0.2");
    bench.now = 100;
    bench.ggaUntil(200, 2100);
    bench.receive(gga().replace("*", "0*"));
    QCOMPARE(bench.row("GGA").value(7), QStringLiteral("1"));
    bench.now = 5000;
    PageProbe::part<QPushButton>(bench.view, "resetCountsButton")->click();
    // Counts restart, the setting stays, and the quiet before the reset is no silence.
    bench.now = 6000;
    QCOMPARE(bench.row("GGA").mid(1), QStringList({"0.2 s · 5 Hz", "", "", "", "", "", ""}));
    bench.now = 6100;
    bench.ggaUntil(200, 8100);
    QCOMPARE(bench.row("GGA").mid(1, 4),
             QStringList({"0.2 s · 5 Hz", "0.2 s · 5 Hz", "11", "正常"}));
}

QTEST_MAIN(OutputTest)
#include "tst_output.moc"
