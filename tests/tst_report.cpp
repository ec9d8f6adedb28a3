// The commissioning report: its figures on made-up streams whose answers are known (spread,
// CEP, heading through north, times to fix, rates, sky), recordings with and without their
// index, the thresholds and zr415ctl report's exit status, and pages that load nothing.
#include "CtlProcess.h"
#include "RecordingFeed.h"
#include "ReportBuilder.h"
#include "ReportStream.h"
#include "ReportThresholds.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>

using namespace NmeaLines;
using ReportStream::Base;

namespace {
constexpr double ten = 36000; // 10:00:00 in seconds of the day

UnitReport reportOf(const QByteArray& bytes)
{
    ReportBuilder builder;
    builder.addBytes(bytes, -1);
    return builder.finish();
}

double orNone(const std::optional<double>& value)
{
    return value ? *value : -1;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Epochs one a second, RTK fixed, at these offsets (north, east, up in metres).
QByteArray spread(const Base& base, const QList<double>& north, const QList<double>& east,
                  const QList<double>& up)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < north.size(); ++i)
        bytes += ReportStream::gga(base, ten + i, 4, north[i], east[i], up[i]);
    return bytes;
}
} // namespace

class ReportTest : public QObject
{
    Q_OBJECT

private slots:
    void positionSpread_data();
    void positionSpread();
    void headingIsCircular_data();
    void headingIsCircular();
    void fixTimes_data();
    void fixTimes();
    void ratesOnePerEpoch_data();
    void ratesOnePerEpoch();
    void skyPerSystem();
    void indexedRecordingUsesArrivalTimes_data();
    void indexedRecordingUsesArrivalTimes();
    void thresholdsDecide_data();
    void thresholdsDecide();
    void unmeasuredFiguresAreNull();
    void exitStatus_data();
    void exitStatus();
    void pagesHoldTheirDrawingsAndLoadNothing();
    void helpNamesTheReport_data();
    void helpNamesTheReport();
    void stoppedWhileTheUnitIsSought();
    void liveUnitsReadFirstThenListened_data();
    void liveUnitsReadFirstThenListened();
};

void ReportTest::positionSpread_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<QList<double>>("north");
    QTest::addColumn<QList<double>>("east");
    QTest::addColumn<QList<double>>("up");
    QTest::addColumn<double>("meanNorth");       // of the mean from the base, metres
    QTest::addColumn<QList<double>>("expected"); // sigma n, e, u, cep50, cep95

    const QList<double> zeros20(20, 0.0);
    QList<double> alternate;
    for (int i = 0; i < 20; ++i)
        alternate << (i % 2 ? -1.0 : 1.0);
    QTest::newRow("north-only") << 31.2 << alternate << zeros20 << zeros20 << 0.0
                                << QList<double>{1, 0, 0, 1, 1};
    QList<double> upTwo;
    for (double n : alternate)
        upTwo << 2 * n;
    QTest::newRow("up-only-no-horizontal")
        << 31.2 << zeros20 << zeros20 << upTwo << 0.0 << QList<double>{0, 0, 2, 0, 0};
    // 18 at 1 m north or south, one 3 m east and one 3 m west: the median is 1 m, the 19th of
    // 20 distances (nearest rank of 95 %) is 3 m.
    QList<double> north18 = alternate.mid(0, 18) + QList<double>{0, 0};
    QList<double> east2 = QList<double>(18, 0.0) + QList<double>{3, -3};
    QTest::newRow("cep95-from-the-tail") << 31.2 << north18 << east2 << zeros20 << 0.0
                                         << QList<double>{std::sqrt(0.9), std::sqrt(0.9), 0, 1, 3};
    QTest::newRow("east-at-60-north")
        << 60.0 << zeros20 << alternate << zeros20 << 0.0 << QList<double>{0, 1, 0, 1, 1};
    QTest::newRow("south-west-hemispheres")
        << -33.9 << alternate << zeros20 << zeros20 << 0.0 << QList<double>{1, 0, 0, 1, 1};
    // The mean is 1.5 m north of the first fix: distances 1.5, 0.5, 0.5, 0.5.
    QTest::newRow("mean-away-from-the-first-fix")
        << 31.2 << QList<double>{3, 1, 1, 1} << QList<double>(4, 0.0) << QList<double>(4, 0.0)
        << 1.5 << QList<double>{std::sqrt(0.75), 0, 0, 0.5, 1.5};
}

void ReportTest::positionSpread()
{
    QFETCH(double, latitude);
    QFETCH(QList<double>, north);
    QFETCH(QList<double>, east);
    QFETCH(QList<double>, up);
    QFETCH(double, meanNorth);
    QFETCH(QList<double>, expected);
    const Base base{latitude, latitude < 0 ? -70.6 : 121.4737, 12.345};
    // An epoch without a fix is far away and must not count.
    const UnitReport report = reportOf(spread(base, north, east, up) +
                                       ReportStream::gga(base, ten + 100, 0, 500, 500, 500));
    QVERIFY(report.position);
    QCOMPARE(report.position->epochs, quint64(north.size()));
    QCOMPARE(report.fix[0], quint64(1));
    const double tolerance = 1e-3; // metres
    QVERIFY2(std::abs(report.position->sigmaNorthM - expected[0]) < tolerance,
             qPrintable(QString::number(report.position->sigmaNorthM)));
    QVERIFY2(std::abs(report.position->sigmaEastM - expected[1]) < tolerance,
             qPrintable(QString::number(report.position->sigmaEastM)));
    QVERIFY2(std::abs(report.position->sigmaUpM - expected[2]) < tolerance,
             qPrintable(QString::number(report.position->sigmaUpM)));
    QVERIFY2(std::abs(report.position->cep50M - expected[3]) < tolerance,
             qPrintable(QString::number(report.position->cep50M)));
    QVERIFY2(std::abs(report.position->cep95M - expected[4]) < tolerance,
             qPrintable(QString::number(report.position->cep95M)));
    // The mean position, back in degrees: 1 m is about 9e-6 degrees.
    const QByteArray meanAt = ReportStream::gga(base, 0, 4, meanNorth);
    const UnitReport alone = reportOf(meanAt);
    QVERIFY(std::abs(report.position->latitude - alone.position->latitude) < 1e-8);
    QVERIFY(std::abs(report.position->longitude - base.longitude) < 1e-8);
    QVERIFY(std::abs(report.position->heightM - base.height) < 1e-4);
}

void ReportTest::headingIsCircular_data()
{
    QTest::addColumn<QList<double>>("headings");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sigma");
    QTest::newRow("either-side-of-north") << QList<double>{359, 1} << 0.0 << 1.0;
    QTest::newRow("north-with-spread") << QList<double>{350, 10, 0} << 0.0 << std::sqrt(200.0 / 3);
    QTest::newRow("just-west-of-north")
        << QList<double>{358, 359, 0} << 359.0 << std::sqrt(2.0 / 3);
    QTest::newRow("east") << QList<double>{89, 91} << 90.0 << 1.0;
    QTest::newRow("south") << QList<double>{179, 181} << 180.0 << 1.0;
    QTest::newRow("steady") << QList<double>{42.5, 42.5, 42.5} << 42.5 << 0.0;
}

void ReportTest::headingIsCircular()
{
    QFETCH(QList<double>, headings);
    QFETCH(double, mean);
    QFETCH(double, sigma);
    QByteArray bytes;
    int i = 0;
    for (double heading : headings)
        bytes += ReportStream::gga(Base(), ten + i++, 4) + ReportStream::hdt(heading);
    // An epoch without a heading leaves the figures alone.
    bytes += ReportStream::gga(Base(), ten + i, 4);
    const UnitReport report = reportOf(bytes);
    QVERIFY(report.heading);
    QCOMPARE(report.heading->epochs, quint64(headings.size()));
    QVERIFY2(std::abs(report.heading->meanDeg - mean) < 1e-3,
             qPrintable(QString::number(report.heading->meanDeg)));
    QVERIFY2(std::abs(report.heading->sigmaDeg - sigma) < 1e-3,
             qPrintable(QString::number(report.heading->sigmaDeg)));
    // The drawing over time: a column an epoch, empty where no heading came.
    const auto& columns = report.drawings.heading;
    QCOMPARE(columns.size(), std::size_t(headings.size() + 1));
    QCOMPARE(std::count_if(columns.begin(), columns.end(), [](float h) { return !std::isnan(h); }),
             qsizetype(headings.size()));
    QVERIFY(std::isnan(columns.back()));
}

void ReportTest::fixTimes_data()
{
    QTest::addColumn<double>("start");        // seconds of the day
    QTest::addColumn<QList<double>>("times"); // of each epoch after the start
    QTest::addColumn<QList<int>>("qualities");
    QTest::addColumn<QList<double>>(
        "expected"); // first fix, first RTK fixed, outage, seconds, silence drawn (1) or not

    const QList<double> ten10{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("float-then-fixed")
        << ten << ten10 << QList<int>{0, 0, 1, 1, 5, 5, 4, 4, 4, 4} << QList<double>{2, 6, 0, 9, 0};
    QTest::newRow("never-fixed") << ten << QList<double>{0, 1, 2} << QList<int>{0, 0, 0}
                                 << QList<double>{-1, -1, -1, 2, 0};
    QTest::newRow("fixed-but-never-rtk")
        << ten << QList<double>{0, 1, 2} << QList<int>{0, 2, 5} << QList<double>{1, -1, 0, 2, 0};
    QTest::newRow("outage-in-the-middle")
        << ten << QList<double>{0, 1, 2, 3, 4, 5} << QList<int>{4, 4, 0, 0, 0, 4}
        << QList<double>{0, 0, 3, 5, 0};
    QTest::newRow("silence-is-an-outage")
        << ten << QList<double>{0, 1, 2, 7, 8} << QList<int>{4, 4, 4, 4, 4}
        << QList<double>{0, 0, 4, 8, 1};
    QTest::newRow("loss-at-the-end") << ten << QList<double>{0, 1, 2, 3} << QList<int>{1, 4, 0, 0}
                                     << QList<double>{0, 1, 2, 3, 0};
    QTest::newRow("over-midnight") << 86398.0 << QList<double>{0, 1, 2, 3} << QList<int>{0, 0, 4, 4}
                                   << QList<double>{2, 2, 0, 3, 0};
    QTest::newRow("ten-hertz") << ten << QList<double>{0, 0.1, 0.2, 0.3, 0.4}
                               << QList<int>{0, 0, 0, 4, 4} << QList<double>{0.3, 0.3, 0, 0.4, 0};
    // Steps of 0.8 and 1.1 s are the arrival clock's jitter: two epochs share a column of the
    // drawing and the next is left empty, yet nothing was lost.
    QTest::newRow("jittered-arrivals")
        << ten << QList<double>{0, 0.8, 1.9, 2.7, 3.8, 4.6, 5.7} << QList<int>{4, 4, 4, 4, 4, 4, 4}
        << QList<double>{0, 0, 0, 5.7, 0};
}

void ReportTest::fixTimes()
{
    QFETCH(double, start);
    QFETCH(QList<double>, times);
    QFETCH(QList<int>, qualities);
    QFETCH(QList<double>, expected);
    QByteArray bytes;
    for (qsizetype i = 0; i < times.size(); ++i)
        bytes += ReportStream::gga(Base(), start + times[i], qualities[i]);
    bytes.chop(2); // the last line cut off before its line end still counts
    const UnitReport report = reportOf(bytes);
    QCOMPARE(report.epochs, quint64(times.size()));
    QCOMPARE(report.fix[UnitReport::rtkFixed], quint64(qualities.count(4)));
    QCOMPARE(report.fix[0], quint64(qualities.count(0)));
    QCOMPARE(orNone(report.firstFixS), expected[0]);
    QCOMPARE(orNone(report.firstRtkFixedS), expected[1]);
    QCOMPARE(orNone(report.longestOutageS), expected[2]);
    QCOMPARE(report.seconds, expected[3]);
    const auto& fix = report.drawings.fix;
    QCOMPARE(std::count(fix.begin(), fix.end(), -1) > 0, expected[4] == 1);
}

void ReportTest::ratesOnePerEpoch_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<quint64>("arrivals");
    QTest::addColumn<double>("period");
    QTest::newRow("gga-ten-hertz") << QByteArray("GGA") << quint64(30) << 0.1;
    QTest::newRow("gsv-three-parts-once-a-second") << QByteArray("GSV") << quint64(3) << 1.0;
    QTest::newRow("rmc-once-a-second") << QByteArray("RMC") << quint64(3) << 1.0;
    QTest::newRow("zda-once") << QByteArray("ZDA") << quint64(1) << -1.0;
}

void ReportTest::ratesOnePerEpoch()
{
    QFETCH(QByteArray, kind);
    QFETCH(quint64, arrivals);
    QFETCH(double, period);
    QByteArray bytes = nmea("GNZDA,100000.00,07,12,2026,00,00");
    for (int i = 0; i < 30; ++i) {
        bytes += ReportStream::gga(Base(), ten + i / 10.0, 4);
        if (i % 10 == 0)
            bytes += nmea("GPRMC,100000.00,A,3113.824,N,12128.422,E,0.0,0.0,071226,,,D") +
                     nmea("GPGSV,3,1,09,01,40,083,46,02,17,308,41,03,10,100,30,04,20,200,35") +
                     nmea("GPGSV,3,2,09,05,40,083,46,06,17,308,41,07,10,100,30,08,20,200,35") +
                     nmea("GPGSV,3,3,09,09,40,083,46");
    }
    bytes += garbled("GNGGA,100003.00,,,,,0,00,,,M,,M,,") + "\x01\x02\xff junk\r\n";
    const UnitReport report = reportOf(bytes);
    QCOMPARE(report.checksumErrors, quint64(1));
    const auto rate = std::find_if(report.rates.begin(), report.rates.end(),
                                   [&](const UnitReport::Rate& each) { return each.kind == kind; });
    QVERIFY(rate != report.rates.end());
    QCOMPARE(rate->arrivals, arrivals);
    QVERIFY2(std::abs(orNone(rate->measuredS) - period) < 1e-9,
             qPrintable(QString::number(orNone(rate->measuredS))));
}

void ReportTest::skyPerSystem()
{
    // GPS: three in view (SNR 40, 44 and 42; one without elevation, so not drawn), one used;
    // BeiDou: one in view without SNR, none used.
    QByteArray bytes;
    // Five epochs in one second: the sky is sampled once.
    for (int i = 0; i < 5; ++i)
        bytes += ReportStream::gga(Base(), ten + i / 10.0, 4) +
                 nmea("GPGSA,A,3,07,,,,,,,,,,,,1.2,0.7,1.0") +
                 nmea("GPGSV,1,1,03,07,45,090,40,08,30,180,44,10,,045,42") +
                 nmea("GBGSV,1,1,01,21,60,270,");
    const UnitReport report = reportOf(bytes);
    QCOMPARE(report.systems.size(), std::size_t(2));
    const UnitReport::System& gps = report.systems[0];
    QCOMPARE(gps.name, QStringLiteral("GPS"));
    QCOMPARE(gps.inViewMean, 3.0);
    QCOMPARE(gps.usedMean, 1.0);
    QCOMPARE(orNone(gps.snrMeanDbHz), 42.0);
    const UnitReport::System& beidou = report.systems[1];
    QCOMPARE(beidou.name, QStringLiteral("BeiDou"));
    QCOMPARE(beidou.inViewMean, 1.0);
    QCOMPARE(beidou.usedMean, 0.0);
    QVERIFY(!beidou.snrMeanDbHz);
    QCOMPARE(orNone(report.inViewMean), 4.0);
    QCOMPARE(orNone(report.usedMean), 20.0); // GGA's count
    // A track per satellite, where it stood.
    QCOMPARE(report.drawings.tracks.size(), std::size_t(3));
    QCOMPARE(report.drawings.tracks[0].points.front(), std::make_pair(short(90), short(45)));
}

void ReportTest::indexedRecordingUsesArrivalTimes_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<double>("firstRtkFixed"); // -2: the index is refused
    const QByteArray header = R"({"recording":1,"port":"/dev/ttyUSB0","baud":115200,)"
                              R"("serial":"SN-42","started":"2026-12-07T10:00:00Z"})"
                              "\n";
    // Each piece is one epoch of the file below; times in the GGAs are empty.
    QTest::newRow("pieces-a-second-apart") << header + R"({"at_ms":0,"offset":PIECE1}
{"at_ms":1000,"offset":PIECE2}
{"at_ms":2000,"offset":PIECE3}
)" << 2.0;
    QTest::newRow("commands-and-a-cut-last-line") << header + R"({"at_ms":0,"offset":PIECE1}
{"at_ms":400,"sent":"#KVT,GET,GNSS.NMEA.GGA"}
{"at_ms":1500,"offset":PIECE2}
{"at_ms":3000,"offset":PIECE3}
{"at_ms":35)" << 3.0;
    QTest::newRow("offset-goes-back") << header + R"({"at_ms":0,"offset":PIECE2}
{"at_ms":1000,"offset":PIECE1}
)" << -2.0;
    // The last piece was written after the index's last flush: it came no earlier.
    QTest::newRow("bytes-after-the-last-flush") << header + R"({"at_ms":0,"offset":PIECE1}
{"at_ms":1000,"offset":PIECE2}
)" << 1.0;
    QTest::newRow("not-an-index") << QByteArray("{\"at_ms\":0,\"offset\":10}\n") << -2.0;
}

void ReportTest::indexedRecordingUsesArrivalTimes()
{
    QFETCH(QByteArray, index);
    QFETCH(double, firstRtkFixed);
    QByteArray bytes;
    const int qualities[] = {0, 1, 4};
    for (int i = 0; i < 3; ++i) {
        bytes += ReportStream::gga(Base(), -1, qualities[i]);
        index.replace("PIECE" + QByteArray::number(i + 1), QByteArray::number(bytes.size()));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.nmea"));
    QVERIFY(writeFile(path, bytes));
    QVERIFY(writeFile(path + QStringLiteral(".jsonl"), index));
    ReportBuilder builder;
    RecordingFeed::Header header;
    QString error;
    const bool read = RecordingFeed::read(path, builder, header, error);
    QCOMPARE(read, firstRtkFixed != -2);
    if (!read) {
        QVERIFY(error.contains(QStringLiteral("unit.nmea.jsonl")));
        return;
    }
    QVERIFY(header.indexed);
    QCOMPARE(header.serial, QStringLiteral("SN-42"));
    const UnitReport report = builder.finish();
    QCOMPARE(report.epochs, quint64(3));
    QCOMPARE(orNone(report.firstRtkFixedS), firstRtkFixed);
    QCOMPARE(report.seconds, firstRtkFixed);
    // Three arrivals from 0 ms: the period is timed from the first.
    QCOMPARE(report.rates.front().kind, QByteArray("GGA"));
    QCOMPARE(orNone(report.rates.front().measuredS), firstRtkFixed / 2);
}

void ReportTest::thresholdsDecide_data()
{
    QTest::addColumn<QString>("options"); // limits given, as NAME=VALUE
    QTest::addColumn<bool>("headingSeen");
    QTest::addColumn<bool>("passed");
    QTest::addColumn<QStringList>("failing");
    // The unit: 95 of 100 epochs RTK fixed, first fix at 5 s, CEP95 0.02 m, heading sigma 0.1°.
    QTest::newRow("none-given") << QString() << true << true << QStringList();
    QTest::newRow("fixed-share-exactly-met") << "min-fixed=95" << true << true << QStringList();
    QTest::newRow("fixed-share-short")
        << "min-fixed=95.1" << true << false << QStringList{"min-fixed"};
    QTest::newRow("cep95-exactly-met") << "max-cep95=0.02" << true << true << QStringList();
    QTest::newRow("cep95-over") << "max-cep95=0.019" << true << false << QStringList{"max-cep95"};
    QTest::newRow("heading-sigma-over")
        << "max-heading-sigma=0.09" << true << false << QStringList{"max-heading-sigma"};
    QTest::newRow("no-heading-fails")
        << "max-heading-sigma=10" << false << false << QStringList{"max-heading-sigma"};
    QTest::newRow("first-fix-late")
        << "max-first-fix=4.9" << true << false << QStringList{"max-first-fix"};
    QTest::newRow("all-met") << "min-fixed=90,max-cep95=0.05,max-heading-sigma=0.2,max-first-fix=5"
                             << true << true << QStringList();
    QTest::newRow("two-of-four-missed")
        << "min-fixed=99,max-cep95=0.05,max-heading-sigma=0.2,max-first-fix=1" << true << false
        << QStringList{"min-fixed", "max-first-fix"};
}

void ReportTest::thresholdsDecide()
{
    QFETCH(QString, options);
    QFETCH(bool, headingSeen);
    QFETCH(bool, passed);
    QFETCH(QStringList, failing);
    UnitReport report;
    report.epochs = 100;
    report.fix[UnitReport::rtkFixed] = 95;
    report.fix[1] = 5;
    report.firstFixS = 5;
    report.position = UnitReport::Position();
    report.position->cep95M = 0.02;
    if (headingSeen)
        report.heading = UnitReport::Heading{100, 12, 0.1};
    ReportThresholds thresholds;
    for (const QString& option : options.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = option.section(QLatin1Char('='), 0, 0);
        const double value = option.section(QLatin1Char('='), 1).toDouble();
        if (name == QLatin1String("min-fixed"))
            thresholds.minFixedPercent = value;
        else if (name == QLatin1String("max-cep95"))
            thresholds.maxCep95M = value;
        else if (name == QLatin1String("max-heading-sigma"))
            thresholds.maxHeadingSigmaDeg = value;
        else if (name == QLatin1String("max-first-fix"))
            thresholds.maxFirstFixS = value;
    }
    thresholds.check(report);
    QCOMPARE(report.passed, passed);
    QStringList failed;
    for (const UnitReport::Check& check : report.checks)
        if (!check.passed)
            failed << check.name;
    QCOMPARE(failed, failing);
    QCOMPARE(report.checks.size(),
             std::size_t(options.split(QLatin1Char(','), Qt::SkipEmptyParts).size()));
}

void ReportTest::unmeasuredFiguresAreNull()
{
    // Three epochs without a fix, nothing else: every figure of a fix is null, none is zero.
    QByteArray bytes;
    for (int i = 0; i < 3; ++i)
        bytes += ReportStream::gga(Base(), ten + i, 0);
    const QJsonObject json = reportOf(bytes).toJson();
    for (const char* key :
         {"first_fix_s", "first_rtk_fixed_s", "longest_outage_s", "position", "heading"})
        QVERIFY2(json.value(QLatin1String(key)).isNull(), key);
    QCOMPARE(json.value(QStringLiteral("epochs")).toInt(), 3);
    QCOMPARE(json.value(QStringLiteral("fix")).toObject().value("none").toInt(), 3);
    QCOMPARE(json.value(QStringLiteral("fix")).toObject().size(), UnitReport::fixKinds);
    QVERIFY(json.value(QStringLiteral("satellites")).toObject().value("in_view_mean").isNull());
    QVERIFY(json.value(QStringLiteral("snr_mean_dbhz")).toObject().isEmpty());
    QCOMPARE(json.value(QStringLiteral("rates"))
                 .toObject()
                 .value("GGA")
                 .toObject()
                 .value("period_s")
                 .toDouble(),
             1.0);
}

void ReportTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments"); // GOOD and FLOAT name two recordings
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("passing");
    QTest::newRow("no-thresholds") << QStringList{"--from", "GOOD"} << 0 << 1 << 1;
    QTest::newRow("all-met") << QStringList{"--from",      "GOOD", "--min-fixed",     "100",
                                            "--max-cep95", "0.05", "--max-first-fix", "0"}
                             << 0 << 1 << 1;
    QTest::newRow("one-of-two-units-fails")
        << QStringList{"--from", "GOOD", "FLOAT", "--min-fixed", "60"} << 1 << 2 << 1;
    QTest::newRow("cep95-not-met")
        << QStringList{"--from", "GOOD", "--max-cep95", "0.001"} << 1 << 1 << 0;
    QTest::newRow("pages-cannot-be-written")
        << QStringList{"--from", "GOOD", "FLOAT", "--html", "GOOD/pages"} << 1 << 2 << 2;
    QTest::newRow("recording-missing") << QStringList{"--from", "GOOD", "MISSING"} << 1 << 2 << 1;
    QTest::newRow("threshold-not-a-number")
        << QStringList{"--from", "GOOD", "--min-fixed", "lots"} << 2 << 0 << 0;
    QTest::newRow("percent-over-100")
        << QStringList{"--from", "GOOD", "--min-fixed", "101"} << 2 << 0 << 0;
    QTest::newRow("seconds-with-recordings")
        << QStringList{"--from", "GOOD", "--seconds", "5"} << 2 << 0 << 0;
    QTest::newRow("nothing-to-report") << QStringList{"--json"} << 2 << 0 << 0;
    QTest::newRow("unknown-option") << QStringList{"--from", "GOOD", "--max-cep"} << 2 << 0 << 0;
}

void ReportTest::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(int, lines);
    QFETCH(int, passing);
    QTemporaryDir dir;
    QByteArray good;
    QByteArray floating;
    for (int i = 0; i < 20; ++i) {
        good += ReportStream::gga(Base(), ten + i, 4, i % 2 ? 0.01 : -0.01);
        floating += ReportStream::gga(Base(), ten + i, i < 10 ? 5 : 4);
    }
    QVERIFY(writeFile(dir.filePath(QStringLiteral("good.nmea")), good));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("float.nmea")), floating));
    arguments.replaceInStrings(QStringLiteral("GOOD"), dir.filePath(QStringLiteral("good.nmea")));
    arguments.replaceInStrings(QStringLiteral("FLOAT"), dir.filePath(QStringLiteral("float.nmea")));
    arguments.replaceInStrings(QStringLiteral("MISSING"),
                               dir.filePath(QStringLiteral("gone.nmea")));
    const CtlRun run =
        runCtl(QStringList{QStringLiteral("report"), QStringLiteral("--json")} + arguments);
    QCOMPARE(run.exitCode, status);
    const QList<QJsonObject> units = jsonLines(run.out);
    QCOMPARE(units.size(), lines);
    if (status == 2)
        QVERIFY(run.err.startsWith("zr415ctl: report: "));
    const auto passed = std::count_if(units.begin(), units.end(), [](const QJsonObject& unit) {
        return unit.value(QStringLiteral("passed")).toBool();
    });
    QCOMPARE(int(passed), passing);
}

void ReportTest::pagesHoldTheirDrawingsAndLoadNothing()
{
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 30; ++i)
        bytes +=
            ReportStream::gga(Base(), ten + i, i < 3 ? 0 : 4, (i % 3) * 0.01, (i % 5) * 0.01) +
            ReportStream::hdt(359.5 + (i % 2)) +
            nmea("GPGSV,1,1,02,07," + QByteArray::number(40 + i / 10) + ",090,40,08,30,180,44");
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a.nmea")), bytes));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("b <x>.nmea")), bytes));
    const QString pages = dir.filePath(QStringLiteral("pages"));
    const CtlRun run =
        runCtl({QStringLiteral("report"), QStringLiteral("--from"),
                dir.filePath(QStringLiteral("a.nmea")), dir.filePath(QStringLiteral("b <x>.nmea")),
                dir.filePath(QStringLiteral("a.nmea")), QStringLiteral("--html"), pages});
    QCOMPARE(run.exitCode, 0);
    const QStringList written = QDir(pages).entryList(QDir::Files, QDir::Name);
    // The same recording twice gets a page each, and no page is called index.
    QCOMPARE(written,
             (QStringList{"a.nmea-2.html", "a.nmea.html", "b__x_.nmea.html", "index.html"}));
    const QRegularExpression link(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""));
    for (const QString& name : written) {
        QFile file(QDir(pages).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY2(!html.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(name));
        QVERIFY2(!html.contains(QStringLiteral("http:"), Qt::CaseInsensitive), qPrintable(name));
        QVERIFY2(!html.contains(QStringLiteral("https:"), Qt::CaseInsensitive), qPrintable(name));
        QVERIFY2(!html.contains(QStringLiteral("url("), Qt::CaseInsensitive), qPrintable(name));
        QVERIFY2(!html.contains(QStringLiteral("<x>")), qPrintable(name)); // escaped
        for (auto found = link.globalMatch(html); found.hasNext();) {
            const QString target = found.next().captured(1);
            QVERIFY2(written.contains(target), qPrintable(name + ": " + target));
        }
        if (name == QLatin1String("index.html")) {
            QCOMPARE(html.count(QStringLiteral("PASSED")), 3);
            continue;
        }
        // Fix kind, scatter, sky, heading, SNR.
        QCOMPARE(html.count(QStringLiteral("<svg ")), 5);
        QVERIFY(html.contains(QStringLiteral("CEP95")));
        QVERIFY(html.contains(QStringLiteral("<polyline"))); // the track and the heading
        QVERIFY(html.contains(QStringLiteral("@media print")));
        // The fix legend names the kinds that occurred, and only those.
        QVERIFY(html.contains(QStringLiteral(">none</text>")));
        QVERIFY(html.contains(QStringLiteral(">rtk-fixed</text>")));
        QVERIFY(!html.contains(QStringLiteral(">rtk-float</text>")));
    }
    // One unit to one file.
    const QString one = dir.filePath(QStringLiteral("one.html"));
    QCOMPARE(runCtl({QStringLiteral("report"), QStringLiteral("--from"),
                     dir.filePath(QStringLiteral("a.nmea")), QStringLiteral("--html"), one})
                 .exitCode,
             0);
    QVERIFY(QFileInfo(one).isFile());
}

void ReportTest::helpNamesTheReport_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("shown");
    QTest::newRow("report-help") << QStringList{"report", "--help"}
                                 << QByteArray("--max-heading-sigma DEGREES") << true;
    QTest::newRow("help-report") << QStringList{"help", "report"}
                                 << QByteArray("--max-heading-sigma DEGREES") << true;
    QTest::newRow("every-command")
        << QStringList{"--help"} << QByteArray("report  PORT...|--from FILE...") << true;
    QTest::newRow("help-monitor-is-not-the-report")
        << QStringList{"help", "monitor"} << QByteArray("--max-heading-sigma") << false;
}

void ReportTest::helpNamesTheReport()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    QFETCH(bool, shown);
    const CtlRun run = runCtl(arguments);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(expected) == shown, run.out.constData());
}

void ReportTest::stoppedWhileTheUnitIsSought()
{
    // A silent unit keeps the speed search going for seconds; a stop ends it at once, and the
    // report says so rather than that the unit never answered.
    QTemporaryDir dir;
    const QString commands = dir.filePath(QStringLiteral("commands.log"));
    SimulatorProcess unit({QStringLiteral("--silent"), QStringLiteral("--log"), commands});
    QVERIFY(unit.isRunning());
    QProcess ctl;
    ctl.setProcessEnvironment(quickCtlEnvironment());
    ctl.start(QStringLiteral(ZR415CTL_BINARY),
              {QStringLiteral("report"), unit.devicePath(), QStringLiteral("--json")});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(commands).size() > 0, 10000);
    ::kill(static_cast<pid_t>(ctl.processId()), SIGTERM);
    QVERIFY(ctl.waitForFinished(10000));
    QCOMPARE(ctl.exitCode(), 128 + SIGTERM);
    const QList<QJsonObject> units = jsonLines(ctl.readAllStandardOutput());
    QCOMPARE(units.size(), 1);
    QVERIFY2(
        units.first().value(QStringLiteral("error")).toString().contains(QStringLiteral("stopped")),
        qPrintable(units.first().value(QStringLiteral("error")).toString()));
}

void ReportTest::liveUnitsReadFirstThenListened_data()
{
    QTest::addColumn<QStringList>("simulator"); // empty: no simulator, a port that is not there
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<double>("ggaSet"); // the rate read back; -1 none
    QTest::newRow("answering-at-5-hz")
        << QStringList{"--serial", "SN-LIVE", "--rates", "GGA=0.2,HDT=0.2,GSV=1"} << 0 << "SN-LIVE"
        << 0.2;
    QTest::newRow("float-fails-min-fixed")
        << QStringList{"--serial", "SN-FLOAT", "--rates", "GGA=0.2", "--fix", "rtk-float"} << 1
        << "SN-FLOAT" << 0.2;
    QTest::newRow("silent-unit") << QStringList{"--silent"} << 1 << QString() << -1.0;
    QTest::newRow("no-such-port") << QStringList() << 1 << QString() << -1.0;
}

void ReportTest::liveUnitsReadFirstThenListened()
{
    QFETCH(QStringList, simulator);
    QFETCH(int, status);
    QFETCH(QString, serial);
    QFETCH(double, ggaSet);
    std::unique_ptr<SimulatorProcess> unit;
    QTemporaryDir dir;
    const QString commands = dir.filePath(QStringLiteral("commands.log"));
    QString port = dir.filePath(QStringLiteral("no-such-tty"));
    if (!simulator.isEmpty()) {
        unit = std::make_unique<SimulatorProcess>(simulator +
                                                  QStringList{QStringLiteral("--log"), commands});
        QVERIFY(unit->isRunning());
        port = unit->devicePath();
    }
    const CtlRun run =
        runCtl({QStringLiteral("report"), port, QStringLiteral("--seconds"), QStringLiteral("2"),
                QStringLiteral("--min-fixed"), QStringLiteral("90"), QStringLiteral("--json")});
    QCOMPARE(run.exitCode, status);
    const QList<QJsonObject> units = jsonLines(run.out);
    QCOMPARE(units.size(), 1);
    const QJsonObject report = units.first();
    QCOMPARE(report.value(QStringLiteral("port")).toString(), port);
    QCOMPARE(report.value(QStringLiteral("serial")).toString(), serial);
    QCOMPARE(report.value(QStringLiteral("passed")).toBool(), status == 0);
    if (ggaSet < 0) {
        QVERIFY(!report.value(QStringLiteral("error")).toString().isEmpty());
        return;
    }
    QVERIFY(!report.contains(QStringLiteral("error")));
    const QJsonObject gga =
        report.value(QStringLiteral("rates")).toObject().value("GGA").toObject();
    QCOMPARE(gga.value(QStringLiteral("set_s")).toDouble(), ggaSet);
    // A sentence set OFF and never seen is no rate.
    QVERIFY(!report.value(QStringLiteral("rates")).toObject().contains(QStringLiteral("GLL")));
    QVERIFY2(std::abs(gga.value(QStringLiteral("period_s")).toDouble() - ggaSet) < 0.02,
             qPrintable(QString::number(gga.value(QStringLiteral("period_s")).toDouble())));
    // Listened for the seconds asked, after the rates were read: about 10 epochs at 5 Hz.
    QVERIFY(std::abs(report.value(QStringLiteral("seconds")).toDouble() - 2) < 0.2);
    QVERIFY(std::abs(report.value(QStringLiteral("epochs")).toInt() - 10) <= 1);
    const QJsonObject settings = report.value(QStringLiteral("settings")).toObject();
    QCOMPARE(settings.value("GGA").toString(), QString::number(ggaSet));
    QCOMPARE(settings.value("baud").toString(), QStringLiteral("115200"));
    const QJsonObject fix = report.value(QStringLiteral("fix")).toObject();
    QCOMPARE(fix.value(status == 0 ? "rtk-fixed" : "rtk-float").toInt(),
             report.value(QStringLiteral("epochs")).toInt());
    // The sky where the unit sends it: a mean SNR per system seen.
    const QJsonObject snr = report.value(QStringLiteral("snr_mean_dbhz")).toObject();
    QCOMPARE(snr.isEmpty(), status != 0);
    for (const QJsonValue& mean : snr)
        QVERIFY(mean.toDouble() > 20 && mean.toDouble() < 60);
    // Nothing was set: only questions went to the unit.
    QFile log(commands);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray sent = log.readAll();
    QVERIFY(sent.contains(",GET,GNSS.NMEA.GGA"));
    QVERIFY(!sent.contains(",SET,"));
}

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
