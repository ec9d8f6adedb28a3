// The rate meter and what is built on it, on an injected clock: one arrival per epoch of a kind,
// kinds that garbage cannot take, the line's load, periods as a person reads them, the rates the
// receiver confirmed, and what monitor --rates and apply --observe make of it.
#include "CliTexts.h"
#include "ConfirmedRates.h"
#include "NmeaLines.h"
#include "ObservedRates.h"
#include "OutputRate.h"
#include "RateMeter.h"
#include "RateReport.h"
#include "UnitResult.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>

using namespace NmeaLines;

namespace {
QByteArray gga(qint64 ms)
{
    return nmea("GNGGA," + timeOf(ms) + ",3114.1,N,12128.5,E,4,12,0.8,12.3,M,8.7,M,1.0,0000");
}

// A multi-system sky: GPS in two parts, GLONASS and BeiDou in one each.
QByteArray sky(const QByteArray& signal = {})
{
    const QByteArray end = signal.isEmpty() ? QByteArray() : "," + signal;
    return nmea("GPGSV,2,1,06,01,40,083,46,02,17,308,41,03,10,100,30,04,20,200,35" + end) +
           nmea("GPGSV,2,2,06,05,40,083,46,06,17,308,41" + end) +
           nmea("GLGSV,1,1,02,65,40,083,46,66,17,308,41" + end) +
           nmea("GBGSV,1,1,01,201,40,083,46" + end);
}

void play(RateMeter& meter, qint64& now, const Recording& reads)
{
    for (const Read& read : reads) {
        now = read.ms;
        meter.addReceived(read.bytes);
    }
}
} // namespace

Q_DECLARE_METATYPE(Recording)

class RatesTest : public QObject
{
    Q_OBJECT

private slots:
    void meterTimesOneArrivalPerEpoch_data();
    void meterTimesOneArrivalPerEpoch();
    void garbageNeverTakesAKindsPlace_data();
    void garbageNeverTakesAKindsPlace();
    void proprietaryKindsKeepTheirWholeName();
    void lineLoadIsPerSecond_data();
    void lineLoadIsPerSecond();
    void periodsReadAsAPersonReadsThem_data();
    void periodsReadAsAPersonReadsThem();
    void repeatedQueryKeepsTheFirstConfirmation();
    void observeNamesChecksumErrorsNotSilence_data();
    void observeNamesChecksumErrorsNotSilence();
    void reportLeavesASingleArrivalUntimed();
    void checksumOnlyMismatchSaysSo();
};

void RatesTest::meterTimesOneArrivalPerEpoch_data()
{
    QTest::addColumn<Recording>("reads");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("period");

    const auto eachSecond = [](const QByteArray& bytes) {
        return every(1000, 5000, [bytes](qint64 ms) { return gga(ms) + bytes; });
    };
    QTest::newRow("multi-system-sky-once-a-second")
        << eachSecond(sky()) << QByteArray("GSV") << 20 << 1.0;
    QTest::newRow("multi-system-sky-with-signal-ids")
        << eachSecond(sky("1") + sky("8")) << QByteArray("GSV") << 40 << 1.0;
    QTest::newRow("sky-once-a-second-without-a-time-tag")
        << every(1000, 5000, [](qint64) { return sky(); }) << QByteArray("GSV") << 20 << 1.0;
    QTest::newRow("gngsv-of-two-systems-by-satellite-numbers")
        << eachSecond(nmea("GNGSV,1,1,02,01,40,083,46,02,17,308,41") +
                      nmea("GNGSV,1,1,02,65,40,083,46,66,17,308,41"))
        << QByteArray("GSV") << 10 << 1.0;
    QTest::newRow("two-gngsa-a-second-told-by-system-ids-alone")
        << eachSecond(nmea("GNGSA,A,3,01,02,03,,,,,,,,,,1.5,0.8,1.2,1") +
                      nmea("GNGSA,A,3,03,05,,,,,,,,,,,1.5,0.8,1.2,3"))
        << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("two-gngsa-a-second-by-satellite-numbers") << every(1000, 5000, [](qint64) {
        return nmea("GNGSA,A,3,01,02,03,,,,,,,,,,1.5,0.8,1.2") +
               nmea("GNGSA,A,3,65,66,,,,,,,,,,,1.5,0.8,1.2");
    }) << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("sky-every-0.2-s-whatever-gga")
        << merged(every(1000, 5000, gga), every(200, 5000, [](qint64) { return sky(); }))
        << QByteArray("GSV") << 100 << 0.2;
    const QByteArray emptyGsa = nmea("GNGSA,A,1,,,,,,,,,,,,,,,");
    QTest::newRow("two-empty-gngsa-a-second-indoors-no-time-yet")
        << every(1000, 5000,
                 [emptyGsa](qint64) {
                     return nmea("GNGGA,,,,,,0,00,99.99,,,,,,") + emptyGsa + emptyGsa;
                 })
        << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("two-empty-gngsa-a-second-with-time-tags")
        << eachSecond(emptyGsa + emptyGsa) << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("time-tags-of-one-epoch-differ-only-in-format")
        << every(1000, 5000,
                 [](qint64 ms) {
                     const QByteArray tag = timeOf(ms).left(6);
                     return nmea("GNGGA," + tag + ",3114.1,N,12128.5,E,4,12,0.8,12.3,M,8.7,M,,") +
                            nmea("GNGSA,A,3,01,02,,,,,,,,,,,1.5,0.8,1.2,1") +
                            nmea("GNRMC," + tag + ".00,A,3114.1,N,12128.5,E,0.0,0.0,071226,,,D") +
                            nmea("GNGSA,A,3,65,66,,,,,,,,,,,1.5,0.8,1.2,2");
                 })
        << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("gsa-of-sixteen-ids-told-by-its-system-id")
        << eachSecond(nmea("GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,1.2,0.7,"
                           "1.0,1") +
                      nmea("GNGSA,A,3,65,66,67,68,69,70,71,72,73,74,75,76,77,78,79,80,1.2,0.7,"
                           "1.0,2"))
        << QByteArray("GSA") << 10 << 1.0;
    QTest::newRow("gga-timed-by-its-time-tag")
        << every(200, 2000, gga) << QByteArray("GGA") << 10 << 0.2;
    QTest::newRow("rmc-timed-by-gga-tag-change")
        << merged(every(1000, 5000, gga), every(1000, 5000,
                                                [](qint64 ms) {
                                                    return nmea("GNRMC," + timeOf(ms) +
                                                                ",A,3114.1,N,12128.5,E,0.0,0.0,"
                                                                "071226,,,D");
                                                }))
        << QByteArray("RMC") << 5 << 1.0;
}

void RatesTest::meterTimesOneArrivalPerEpoch()
{
    QFETCH(Recording, reads);
    QFETCH(QByteArray, kind);
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    play(meter, now, reads);
    const RateMeter::Kind figures = meter.kind(kind);
    QTEST(int(figures.count), "count");
    QFETCH(double, period);
    QVERIFY2(qAbs(figures.period - period) < 1e-9, qPrintable(QString::number(figures.period)));
    QVERIFY2(qAbs(figures.maxGap - period) < 1e-9, qPrintable(QString::number(figures.maxGap)));
}

void RatesTest::garbageNeverTakesAKindsPlace_data()
{
    QTest::addColumn<bool>("goodChecksums");
    QTest::addColumn<int>("kindsKept");
    // GST and HDT, which are listed, and as many unknown names as the table keeps apart.
    QTest::newRow("garbled-names") << false << 2;
    QTest::newRow("well-formed-unknown-names") << true << 2 + int(RateMeter::maxKinds);
}

void RatesTest::garbageNeverTakesAKindsPlace()
{
    QFETCH(bool, goodChecksums);
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    for (int i = 0; i < 40; ++i) {
        const QByteArray body = "GPX" + QByteArray::number(i).rightJustified(2, '0') + ",1,2";
        meter.addReceived(goodChecksums ? nmea(body) : garbled(body));
    }
    // A listed kind arriving later is counted, and its own bad ones are counted against it.
    now = 1000;
    meter.addReceived(nmea("GNGST,101500.00,1.2,0.5,0.4,30.0,0.5,0.4,0.8"));
    meter.addReceived(garbled("GNHDT,123.4,T"));
    QCOMPARE(meter.kind("GST").count, quint64(1));
    QCOMPARE(meter.kind("HDT").checksumErrors, quint64(1));
    QTEST(int(meter.kinds().size()), "kindsKept");
    QCOMPARE(meter.line().checksumErrors, goodChecksums ? quint64(1) : quint64(41));
}

void RatesTest::proprietaryKindsKeepTheirWholeName()
{
    RateMeter meter([] { return qint64(0); });
    meter.addReceived(nmea("PGRME,15.0,M,45.0,M,25.0,M") + nmea("PUBX,00,081350.00,4717.1,N"));
    QCOMPARE(meter.kind("PGRME").count, quint64(1));
    QCOMPARE(meter.kind("PUBX").count, quint64(1));
    QCOMPARE(meter.kinds().size(), std::size_t(2));
}

void RatesTest::lineLoadIsPerSecond_data()
{
    QTest::addColumn<Recording>("reads");
    QTest::addColumn<qint64>("readAt");
    QTest::addColumn<double>("linesPerSecond");
    // Read as the last line arrives: the window holds the last ten seconds.
    QTest::newRow("ten-lines-a-second-for-12-s")
        << every(100, 12000, [](qint64) { return gga(0); }) << qint64(11900) << 10.0;
    // An epoch of ten lines each second, read just after 清零 began the measurement.
    const QByteArray burst = gga(0).repeated(10);
    QTest::newRow("bursts-right-after-a-reset")
        << every(1000, 4000, [burst](qint64) { return burst; }) << qint64(3100) << 10.0;
    QTest::newRow("bursts-read-just-before-the-next")
        << every(1000, 4000, [burst](qint64) { return burst; }) << qint64(3900) << 10.0;
    QTest::newRow("a-line-gone-quiet-falls")
        << every(1000, 4000, [burst](qint64) { return burst; }) << qint64(7000) << 5.0;
}

void RatesTest::lineLoadIsPerSecond()
{
    QFETCH(Recording, reads);
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    play(meter, now, reads);
    QFETCH(qint64, readAt);
    now = readAt;
    const RateMeter::Line load = meter.line();
    QCOMPARE(load.lines, quint64(reads.size() * reads.front().bytes.count('\n')));
    QFETCH(double, linesPerSecond);
    QVERIFY2(qAbs(load.linesPerSecond - linesPerSecond) < 1e-9,
             qPrintable(QString::number(load.linesPerSecond)));
    const double lineBytes = reads.front().bytes.size() / reads.front().bytes.count('\n');
    QVERIFY(qAbs(load.bytesPerSecond - linesPerSecond * lineBytes) < 1e-6);
}

void RatesTest::periodsReadAsAPersonReadsThem_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("gap");
    QTest::newRow("fifth-of-a-second") << 0.2 << "0.2 s · 5 Hz"
                                       << "0.2 s";
    QTest::newRow("a-minute") << 60.0 << "60 s · 0.0167 Hz"
                              << "60 s";
    QTest::newRow("a-third-three-decimals") << 1.0 / 3 << "0.333 s · 3 Hz"
                                            << "0.333 s";
    QTest::newRow("one-millisecond-the-clock-can-tell") << 0.001 << "0.001 s · 1000 Hz"
                                                        << "0.001 s";
    QTest::newRow("flood-faster-than-the-clock") << 4.08e-5 << "<0.001 s"
                                                 << "<0.001 s";
    QTest::newRow("two-in-one-millisecond-is-not-off") << 0.0 << "<0.001 s"
                                                       << "<0.001 s";
    QTest::newRow("huge-stays-fixed-point") << 1.11e12 << "1110000000000 s · 0 Hz"
                                            << "1110000000000 s";
}

void RatesTest::periodsReadAsAPersonReadsThem()
{
    QFETCH(double, seconds);
    QTEST(OutputRate::describe(seconds), "text");
    QTEST(OutputRate::seconds(seconds), "gap");
    // A setting is a rate of the list, or nothing the tab can read.
    QCOMPARE(OutputRate::describeRate(QStringLiteral("OFF")), QStringLiteral("OFF"));
    QCOMPARE(OutputRate::describeRate(QStringLiteral("0.2")), QStringLiteral("0.2 s · 5 Hz"));
    QCOMPARE(OutputRate::describeRate(QString(70, QLatin1Char('1'))), QString());
    QVERIFY(!OutputRate::periodSeconds(QStringLiteral("3")));
}

void RatesTest::repeatedQueryKeepsTheFirstConfirmation()
{
    ConfirmedRates confirmed;
    confirmed.addReceived("@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r", 0);
    confirmed.addReceived("@KVT,,GET,GNSS.NMEA.GGA,OK,1*00\r", 5000);
    QCOMPARE(confirmed.setting("GGA").since, qint64(0));
    confirmed.addReceived("@KVT,,GET,GNSS.NMEA.GGA,OK,0.2*00\r", 6000);
    QCOMPARE(confirmed.setting("GGA").since, qint64(6000));
    confirmed.reset();
    QCOMPARE(confirmed.setting("GGA").rate, QString());
}

void RatesTest::observeNamesChecksumErrorsNotSilence_data()
{
    QTest::addColumn<QString>("want");
    QTest::addColumn<bool>("garbledOnly");
    QTest::addColumn<QString>("got"); // "-": none measured; empty: no mismatch
    QTest::addColumn<int>("checksumErrors");
    QTest::newRow("set-and-garbled-only") << "1" << true << "-" << 4;
    QTest::newRow("off-and-garbled-only") << "OFF" << true << "-" << 4;
    QTest::newRow("set-and-silent") << "1" << false << "OFF" << 0;
    QTest::newRow("off-and-silent") << "OFF" << false << "" << 0;
}

void RatesTest::observeNamesChecksumErrorsNotSilence()
{
    QFETCH(QString, want);
    QFETCH(bool, garbledOnly);
    QFETCH(QString, got);
    QFETCH(int, checksumErrors);
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    for (now = 1000; now <= 4000 && garbledOnly; now += 1000)
        meter.addReceived(garbled("GNGGA," + timeOf(now) + ",3114.1,N,12128.5,E,4,12,0.8"));
    const QList<UnitResult::Mismatch> found =
        ObservedRates::differences({{"GGA", want.toStdString()}}, meter, 500, 5000);
    QCOMPARE(found.size(), got.isEmpty() ? 0 : 1);
    if (got.isEmpty())
        return;
    QCOMPARE(found[0].got.value_or(QStringLiteral("-")), got);
    QVERIFY(found[0].observed);
    QCOMPARE(int(found[0].checksumErrors), checksumErrors);
}

void RatesTest::reportLeavesASingleArrivalUntimed()
{
    qint64 now = 0;
    RateMeter meter([&now] { return now; });
    meter.addReceived(gga(0));
    meter.addReceived(garbled("GNRMC,101500.00,A"));
    now = 2000;
    meter.addReceived(garbled("GPX99,1"));
    const QJsonObject report = RateReport("/dev/x", 2000, meter).toJson();
    QCOMPARE(report["checksum_errors"].toInt(), 2);
    const QJsonObject rates = report["rates"].toObject();
    const QJsonObject once = rates["GGA"].toObject();
    QCOMPARE(once["count"].toInt(), 1);
    for (const char* figure : {"period", "min_gap", "max_gap"})
        QVERIFY2(once[figure].isNull(), figure);
    // Garbled only: shown as checksum errors, never timed.
    const QJsonObject garbledOnly = rates["RMC"].toObject();
    QCOMPARE(garbledOnly["count"].toInt(), 0);
    QCOMPARE(garbledOnly["checksum_errors"].toInt(), 1);
    QVERIFY(garbledOnly["period"].isNull());
}

void RatesTest::checksumOnlyMismatchSaysSo()
{
    UnitResult result;
    result.mismatches << UnitResult::Mismatch{QStringLiteral("GNSS.NMEA.GGA"), QStringLiteral("1"),
                                              std::nullopt, true, 4};
    const QJsonObject json = result.toJson()["mismatches"].toArray().at(0).toObject();
    QCOMPARE(json["checksum_errors"].toInt(), 4);
    QVERIFY(json["got"].isNull());
    QCOMPARE(CliTexts::observedRate("GNSS.NMEA.GGA", "1", std::nullopt, 4),
             QStringLiteral("GNSS.NMEA.GGA wanted 1, arrives with bad checksums only (4)"));
    QCOMPARE(CliTexts::observedRate("GNSS.NMEA.GGA", "1", std::nullopt),
             QStringLiteral("GNSS.NMEA.GGA wanted 1, too few arrive to measure"));
    QCOMPARE(CliTexts::observedRate("GNSS.NMEA.GGA", "1", QStringLiteral("OFF")),
             QStringLiteral("GNSS.NMEA.GGA wanted 1, nothing arrives"));
}

QTEST_MAIN(RatesTest)
#include "tst_rates.moc"
