// The receiver-status parser against lines as receivers send them: what it keeps of each
// sentence, the sky it builds from GSV groups and GSA lists, and what goes stale.
#include "NmeaLines.h"
#include "ReceiverStatus.h"

#include <QtTest>

using namespace NmeaLines;

namespace {

QByteArray lines(const QByteArrayList& bodies)
{
    QByteArray all;
    for (const QByteArray& body : bodies)
        all += body.startsWith('$') ? body + "\r\n" : nmea(body);
    return all;
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Every value the parser keeps, as text; absent when unknown.
QMap<QString, QString> valuesOf(const ReceiverStatus& status)
{
    QMap<QString, QString> values;
    if (status.fixQuality().known())
        values["quality"] = QString::number(int(status.fixQuality().value));
    if (status.fixMode().known())
        values["mode"] = QString::number(int(status.fixMode().value));
    if (status.position().known())
        values["position"] = number(status.position().value.latitude, 7) + ' ' +
                             number(status.position().value.longitude, 7);
    if (status.heightMsl().known())
        values["height"] = number(status.heightMsl().value, 2);
    if (status.geoidSeparation().known())
        values["geoid"] = number(status.geoidSeparation().value, 2);
    if (status.utcTime().known())
        values["time"] = QString::number(status.utcTime().value);
    if (status.utc().isValid())
        values["utc"] = status.utc().toString(Qt::ISODateWithMs);
    if (status.heading().known())
        values["heading"] = number(status.heading().value, 2);
    if (status.speed().known())
        values["speed"] = number(status.speed().value, 3);
    if (status.pdop().known())
        values["pdop"] = number(status.pdop().value, 2);
    if (status.hdop().known())
        values["hdop"] = number(status.hdop().value, 2);
    if (status.vdop().known())
        values["vdop"] = number(status.vdop().value, 2);
    if (status.satellitesUsed().known())
        values["used"] = QString::number(status.satellitesUsed().value);
    if (status.corrections().known()) {
        const auto& corrections = status.corrections().value;
        values["corrections"] =
            (corrections.ageSeconds ? number(*corrections.ageSeconds, 1) : "-") + ' ' +
            QString::fromLatin1(corrections.stationId);
    }
    if (status.accuracy().known())
        values["accuracy"] = number(status.accuracy().value.latitude, 3) + ' ' +
                             number(status.accuracy().value.longitude, 3) + ' ' +
                             number(status.accuracy().value.altitude, 3);
    return values;
}

QString letter(Constellation constellation)
{
    return QString("?GSEBQRI").at(static_cast<int>(constellation));
}

// "G1/0 e40 a83 s46 used": constellation, number as sent, signal id, elevation, azimuth, SNR.
QStringList skyOf(const std::vector<ReceiverStatus::Satellite>& satellites)
{
    QStringList shown;
    for (const auto& satellite : satellites) {
        QString text = letter(satellite.constellation) + QString::number(satellite.number) + '/' +
                       QString::number(satellite.signalId);
        if (satellite.elevation)
            text += " e" + QString::number(*satellite.elevation);
        if (satellite.azimuth)
            text += " a" + QString::number(*satellite.azimuth);
        if (satellite.snr)
            text += " s" + QString::number(*satellite.snr);
        if (satellite.used)
            text += " used";
        shown << text;
    }
    return shown;
}

const QByteArray gga =
    "GNGGA,123456.20,3114.878902,N,12135.244198,E,4,12,0.8,12.30,M,8.10,M,1.2,0123";
const QByteArray gpsSkyPart1 = "GPGSV,2,1,05,01,40,083,46,02,17,308,41,12,07,344,,14,22,228,45";
const QByteArray gpsSkyPart2 = "GPGSV,2,2,05,32,67,045,50";
} // namespace

Q_DECLARE_METATYPE(Recording)

class TestStatus : public QObject
{
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void sky_data();
    void sky();
    void chunksCutAnywhere();
    void recordedStreams_data();
    void recordedStreams();
    void countsPerConstellation();
};

void TestStatus::values_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // empty: not known

    QTest::newRow("GGA quality") << lines({gga}) << "quality"
                                 << "4";
    QTest::newRow("GGA position") << lines({gga}) << "position"
                                  << "31.2479817 121.5874033";
    QTest::newRow("south and west are negative")
        << lines({"GPGGA,000000,3114.878902,S,12135.244198,W,1,05,1.0,1.0,M,0.0,M,,"}) << "position"
        << "-31.2479817 -121.5874033";
    QTest::newRow("GGA height") << lines({gga}) << "height"
                                << "12.30";
    QTest::newRow("GGA geoid separation") << lines({gga}) << "geoid"
                                          << "8.10";
    QTest::newRow("GGA satellites used") << lines({gga}) << "used"
                                         << "12";
    QTest::newRow("GGA corrections") << lines({gga}) << "corrections"
                                     << "1.2 0123";
    QTest::newRow("station id bounded")
        << lines({"GPGGA,000000,,,,,2,05,1.0,,M,,M,3,0123456789ABCDEF"}) << "corrections"
        << "3.0 01234567";
    QTest::newRow("GGA time, no date") << lines({gga}) << "time"
                                       << "45296200";
    QTest::newRow("time without a fraction")
        << lines({"GPGGA,123456,3114.878902,S,12135.244198,W,1,05,1.0,1.0,M,0.0,M,,"}) << "time"
        << "45296000";
    QTest::newRow("time kept to the millisecond")
        << lines({"GNRMC,053229.438,A,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,R"}) << "utc"
        << "2026-12-07T05:32:29.438Z";
    QTest::newRow("no date from GGA alone") << lines({gga}) << "utc"
                                            << "";
    QTest::newRow("RMC date and time")
        << lines({"GNRMC,123456.20,A,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,R"}) << "utc"
        << "2026-12-07T12:34:56.200Z";
    QTest::newRow("RMC void keeps no position")
        << lines({"GNRMC,123456.20,V,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,N"})
        << "position"
        << "";
    QTest::newRow("ZDA date and time") << lines({"GPZDA,235959.99,31,12,2026,00,00"}) << "utc"
                                       << "2026-12-31T23:59:59.990Z";
    QTest::newRow("HDT heading") << lines({"GNHDT,123.45,T"}) << "heading"
                                 << "123.45";
    QTest::newRow("HDT from a gyro's talker") << lines({"HEHDT,87.662,T"}) << "heading"
                                              << "87.66";
    QTest::newRow("GSA mode") << lines({"GNGSA,A,2,01,02,12,,,,,,,,,,1.8,1.0,1.5,1"}) << "mode"
                              << "2";
    QTest::newRow("GSA PDOP") << lines({"GNGSA,A,3,01,02,12,,,,,,,,,,1.8,1.0,1.5,1"}) << "pdop"
                              << "1.80";
    QTest::newRow("GSA VDOP without system id")
        << lines({"GPGSA,A,3,01,02,12,,,,,,,,,,1.8,1.0,1.5"}) << "vdop"
        << "1.50";
    QTest::newRow("newest HDOP, GGA then GSA")
        << lines({gga, "GNGSA,A,3,01,02,12,,,,,,,,,,1.8,1.1,1.5,1"}) << "hdop"
        << "1.10";
    QTest::newRow("GST sigmas") << lines({"GPGST,123456.20,0.5,0.02,0.01,45.0,0.012,0.015,0.030"})
                                << "accuracy"
                                << "0.012 0.015 0.030";
    QTest::newRow("lower-case checksum") << QByteArray("$GNHDT,123.45,T*1a\r\n") << "heading"
                                         << "123.45";
    QTest::newRow("bad checksum skips the sentence")
        << QByteArray("$GNHDT,123.45,T*1B\r\n") << "heading"
        << "";
    QTest::newRow("bad checksum skips only that sentence")
        << QByteArray("$GNHDT,123.45,T*1B\r\n") + lines({gga}) << "quality"
        << "4";
    QTest::newRow("broken latitude skips the whole sentence")
        << lines({"GNGGA,123456.20,31x4.878902,N,12135.244198,E,4,12,0.8,12.30,M,8.10,M,1.2,0123"})
        << "quality"
        << "";
    QTest::newRow("impossible longitude skips the whole sentence")
        << lines({"GNRMC,123456.20,A,3114.878902,N,18100.000,E,0.0,0.0,071226,,,R"}) << "utc"
        << "";
    QTest::newRow("time out of range skips the whole sentence")
        << lines({"GNGGA,246000.00,3114.878902,N,12135.244198,E,4,12,0.8,12.30,M,8.10,M,,"})
        << "quality"
        << "";
    QTest::newRow("no fix: no position, height or DOP of the last fix")
        << lines({gga, "GNGGA,123457.20,3114.878902,N,12135.244198,E,0,,,,,,,,"}) << "position"
        << "";
    QTest::newRow("no fix: empty count is 0 used")
        << lines({gga, "GNGGA,123457.20,,,,,0,,,,,,,,"}) << "used"
        << "0";
    QTest::newRow("empty DOPs are none") << lines({gga, "GNGSA,A,1,,,,,,,,,,,,,,,,1"}) << "pdop"
                                         << "";
    QTest::newRow("GSA of 16 ids counts them")
        << lines({"GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,1.2,0.7,1.0,1"})
        << "used"
        << "16";
    QTest::newRow("speed from knots") << lines({"GNVTG,45.5,T,,M,10.0,N,18.5,K,D"}) << "speed"
                                      << "5.144";
    QTest::newRow("broken latitude keeps no position")
        << lines({"GNGGA,123456.20,31x4.878902,N,12135.244198,E,4,12,0.8,12.30,M,8.10,M,1.2,0123"})
        << "position"
        << "";
    QTest::newRow("minutes past 60 are broken")
        << lines({"GNGGA,123456.20,3164.0,N,12135.244198,E,4,12,0.8,12.30,M,8.10,M,1.2,0123"})
        << "position"
        << "";
    QTest::newRow("unknown quality skips the whole sentence")
        << lines({"GNGGA,123456.20,,,,,9,12,0.8,12.30,M,8.10,M,1.2,0123"}) << "time"
        << "";
    QTest::newRow("no exponents or nan")
        << lines({"GNHDT,1e2,T", "GPGST,1,0.5,0.02,0.01,45.0,nan,0.015,0.030"}) << "heading"
        << "";
    QTest::newRow("GGA cut short")
        << lines({"GNGGA,123456.20,3114.878902,N,12135.244198,E,4"}) << "quality"
        << "";
    QTest::newRow("sentence cut by the next one")
        << QByteArray("$GNGGA,123456.20,3114.87$GNHDT,123.45,T*1A\r\n") << "heading"
        << "123.45";
    QTest::newRow("date that does not exist")
        << lines({"GPZDA,120000.00,31,02,2026,00,00"}) << "utc"
        << "";
}

void TestStatus::values()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    ReceiverStatus status;
    status.addReceived(received, 1000);
    QCOMPARE(valuesOf(status).value(key), expected);
}

void TestStatus::sky_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("perSignal"); // signalsInView rather than satellitesInView

    QTest::newRow("two-part GSV group")
        << lines({gpsSkyPart1, gpsSkyPart2})
        << QStringList{"G1/0 e40 a83 s46", "G2/0 e17 a308 s41", "G12/0 e7 a344",
                       "G14/0 e22 a228 s45", "G32/0 e67 a45 s50"}
        << false;
    QTest::newRow("group not complete: no sky yet")
        << lines({gpsSkyPart1}) << QStringList{} << false;
    QTest::newRow("a complete group replaces the sky")
        << lines({gpsSkyPart1, gpsSkyPart2, "GPGSV,1,1,01,32,68,046,49"})
        << QStringList{"G32/0 e68 a46 s49"} << false;
    QTest::newRow("the next group arriving keeps the sky")
        << lines({"GPGSV,1,1,01,32,68,046,49", gpsSkyPart1}) << QStringList{"G32/0 e68 a46 s49"}
        << false;
    QTest::newRow("a part out of order drops the group")
        << lines({"GPGSV,3,1,09,01,40,083,46", "GPGSV,3,2,09,02,17,308,41",
                  "GPGSV,3,2,09,02,17,308,41"})
        << QStringList{} << false;
    QTest::newRow("a part with a bad checksum drops the group")
        << lines({gpsSkyPart1}) + "$GPGSV,2,2,05,32,67,045,50*00\r\n"
        << QStringList{} << false;
    QTest::newRow("skies per talker")
        << lines({"GPGSV,1,1,01,32,68,046,49", "GLGSV,1,1,01,65,30,100,40"})
        << QStringList{"G32/0 e68 a46 s49", "R65/0 e30 a100 s40"} << false;
    QTest::newRow("GB and BD are BeiDou")
        << lines({"GBGSV,1,1,01,06,55,120,44", "BDGSV,1,1,01,09,30,200,38"})
        << QStringList{"B6/0 e55 a120 s44", "B9/0 e30 a200 s38"} << false;
    QTest::newRow("GN GSV by satellite number")
        << lines({"GNGSV,1,1,03,05,10,010,30,70,20,020,31,305,30,030,32"})
        << QStringList{"G5/0 e10 a10 s30", "E305/0 e30 a30 s32", "R70/0 e20 a20 s31"} << false;
    QTest::newRow("SBAS under the GPS talker")
        << lines({"GPGSV,1,1,01,46,35,150,40"}) << QStringList{"S46/0 e35 a150 s40"} << false;
    QTest::newRow("skies per signal id, strongest signal shown")
        << lines({"GPGSV,1,1,01,01,40,083,46,1", "GPGSV,1,1,01,01,40,083,49,8",
                  "GPGSV,1,1,01,01,40,083,30,1"})
        << QStringList{"G1/8 e40 a83 s49"} << false;
    QTest::newRow("each signal listed")
        << lines({"GPGSV,1,1,01,01,40,083,46,1", "GPGSV,1,1,01,01,40,083,49,8"})
        << QStringList{"G1/1 e40 a83 s46", "G1/8 e40 a83 s49"} << true;
    QTest::newRow("GSA used, by talker")
        << lines({"GPGSV,1,1,02,01,40,083,46,02,17,308,41", "GPGSA,A,3,02,,,,,,,,,,,,1.8,1.0,1.5"})
        << QStringList{"G1/0 e40 a83 s46", "G2/0 e17 a308 s41 used"} << false;
    QTest::newRow("GSA used, by system id over GN")
        << lines({"GPGSV,1,1,01,06,40,083,46", "GBGSV,1,1,01,06,55,120,44",
                  "GNGSA,A,3,06,,,,,,,,,,,,1.8,1.0,1.5,4"})
        << QStringList{"G6/0 e40 a83 s46", "B6/0 e55 a120 s44 used"} << false;
    QTest::newRow("GSA used, by number without system id")
        << lines({"GLGSV,1,1,01,70,40,083,46", "GNGSA,A,3,05,70,,,,,,,,,,,1.8,1.0,1.5",
                  "GPGSV,1,1,01,05,10,010,30"})
        << QStringList{"G5/0 e10 a10 s30 used", "R70/0 e40 a83 s46 used"} << false;
    QTest::newRow("BD GSA marks GB sky")
        << lines({"GBGSV,1,1,01,06,55,120,44", "BDGSA,A,3,06,,,,,,,,,,,,1.8,1.0,1.5"})
        << QStringList{"B6/0 e55 a120 s44 used"} << false;
    QTest::newRow("a system repeated without time tags begins the next epoch's lists")
        << lines({"GPGSV,1,1,01,01,40,083,46", "GLGSV,1,1,01,70,40,083,46",
                  "GNGSA,A,3,01,,,,,,,,,,,,1.8,1.0,1.5,1", "GNGSA,A,3,70,,,,,,,,,,,,1.8,1.0,1.5,2",
                  "GNGSA,A,3,,,,,,,,,,,,,1.8,1.0,1.5,2"})
        << QStringList{"G1/0 e40 a83 s46", "R70/0 e40 a83 s46"} << false;
    // The field after the twelve satellites is PDOP, even written as a whole number.
    QTest::newRow("GSA whole-number PDOP is no satellite")
        << lines({"GPGSV,1,1,02,01,40,083,46,02,17,308,41", "GPGSA,A,3,01,,,,,,,,,,,,2,1,1"})
        << QStringList{"G1/0 e40 a83 s46 used", "G2/0 e17 a308 s41"} << false;
    QTest::newRow("GSV of no satellites empties the sky")
        << lines({gpsSkyPart1, gpsSkyPart2, "GPGSV,1,1,00"}) << QStringList{} << false;
    QTest::newRow("signal id B is signal 11")
        << lines({"GAGSV,1,1,01,05,10,020,30,B"}) << QStringList{"E5/11 e10 a20 s30"} << true;
    QTest::newRow("SBAS and QZSS in a GPS list of NMEA 4.10")
        << lines({"GPGSV,1,1,03,05,40,083,46,46,35,150,40,195,20,100,38",
                  "GNGSA,A,3,05,46,195,,,,,,,,,,1.8,1.0,1.5,1"})
        << QStringList{"G5/0 e40 a83 s46 used", "S46/0 e35 a150 s40 used",
                       "Q195/0 e20 a100 s38 used"}
        << false;
    QTest::newRow("BeiDou numbered 201-263 under its own talker")
        << lines({"GBGSV,1,1,01,221,40,083,46", "GBGSA,A,3,221,,,,,,,,,,,,1.8,1.0,1.5"})
        << QStringList{"B221/0 e40 a83 s46 used"} << false;
    QTest::newRow("used from the newest epoch only: a lost fix's empty GSA")
        << lines({"GPGSV,1,1,02,01,40,083,46,02,17,308,41", "GNGGA,120000,,,,,1,02,1.0,,,,,,",
                  "GNGSA,A,3,01,02,,,,,,,,,,,1.8,1.0,1.5,1", "GNGGA,120001,,,,,0,,,,,,,,",
                  "GNGSA,A,1,,,,,,,,,,,,,,,"})
        << QStringList{"G1/0 e40 a83 s46", "G2/0 e17 a308 s41"} << false;
    QTest::newRow("GSAs without system id of one epoch add up")
        << lines({"GPGSV,1,1,01,01,40,083,46", "GLGSV,1,1,01,70,40,083,46",
                  "GNGGA,120000,,,,,1,02,1.0,,,,,,", "GNGSA,A,3,01,,,,,,,,,,,,1.8,1.0,1.5",
                  "GNGSA,A,3,70,,,,,,,,,,,,1.8,1.0,1.5"})
        << QStringList{"G1/0 e40 a83 s46 used", "R70/0 e40 a83 s46 used"} << false;
    QTest::newRow("empty fields of a satellite")
        << lines({"GPGSV,1,1,01,07,,,"}) << QStringList{"G7/0"} << false;
    QTest::newRow("GSV of an unknown talker")
        << lines({"XXGSV,1,1,01,07,10,20,30"}) << QStringList{} << false;
}

void TestStatus::sky()
{
    QFETCH(QByteArray, received);
    QFETCH(QStringList, expected);
    ReceiverStatus status;
    status.addReceived(received, 1000);
    QFETCH(bool, perSignal);
    QCOMPARE(skyOf(perSignal ? status.signalsInView(1000) : status.satellitesInView(1000)),
             expected);
}

void TestStatus::chunksCutAnywhere()
{
    // Noise, an over-long line and sentences cut at every byte read the same as whole.
    const QByteArray stream = "\x01noise" + QByteArray(2000, 'x') + "\r\n" +
                              lines({gga, "GNHDT,123.45,T", gpsSkyPart1, gpsSkyPart2});
    ReceiverStatus whole;
    whole.addReceived(stream, 0);
    ReceiverStatus byteByByte;
    for (char byte : stream)
        byteByByte.addReceived(QByteArray(1, byte), 0);
    QCOMPARE(valuesOf(byteByByte), valuesOf(whole));
    QCOMPARE(skyOf(byteByByte.satellitesInView(0)), skyOf(whole.satellitesInView(0)));
    QCOMPARE(valuesOf(whole).value("heading"), "123.45");
    QCOMPARE(whole.satellitesInView(0).size(), std::size_t(5));
}

namespace {
// An epoch of a receiver with a fix at ms, or without one (as sent on loss).
QByteArray fixEpoch(qint64 ms)
{
    return nmea("GNGGA," + timeOf(ms) + ",3114.878902,N,12135.244198,E,1,17,0.8,12.3,M,8.1,M,,") +
           nmea("GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,,,,,,1.45,0.8,1.19,1");
}
QByteArray lostEpoch(qint64 ms)
{
    return nmea("GNGGA," + timeOf(ms) + ",,,,,0,,,,,,,,") + nmea("GNGSA,A,1,,,,,,,,,,,,,,,") +
           nmea("GNGSA,A,1,,,,,,,,,,,,,,,");
}
QByteArray everything(qint64 ms)
{
    return fixEpoch(ms) +
           nmea("GNRMC," + timeOf(ms) +
                ",A,3114.878902,N,12135.244198,E,0.0,0.0,"
                "071226,,,R") +
           nmea("GPGSV,1,1,02,01,40,083,46,02,17,308,41");
}
} // namespace

void TestStatus::recordedStreams_data()
{
    QTest::addColumn<Recording>("reads");
    QTest::addColumn<QString>("periods"); // set on the link: "GGA=5,GSV=15"
    QTest::addColumn<qint64>("readAt");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const Recording lost = every(1000, 5000, fixEpoch) + every(1000, 25000, lostEpoch, 5000);
    QTest::newRow("loss: 0 used") << lost << "" << qint64(24500) << "used"
                                  << "0";
    QTest::newRow("loss: no DOPs") << lost << "" << qint64(24500) << "pdop"
                                   << "";
    QTest::newRow("loss: nothing overdue, the receiver tells the loss")
        << lost << "" << qint64(24500) << "overdue"
        << "";
    QTest::newRow("loss: one epoch each, the empty GSAs' within it")
        << lost << "" << qint64(24500) << "epochs"
        << "25";

    const Recording slow = every(5000, 30000, everything);
    QTest::newRow("5 s rates: 4.9 s after, not overdue") << slow << "" << qint64(29900) << "overdue"
                                                         << "";
    QTest::newRow("5 s rates: overdue past 7.5 s") << slow << "" << qint64(32600) << "overdue"
                                                   << "GGA GSA GSV RMC";
    QTest::newRow("rate set to 5 s: not overdue at 4 s after the first")
        << Recording{{0, everything(0)}} << "GGA=5" << qint64(4000) << "overdue"
        << "GSA GSV RMC";
    QTest::newRow("unknown rate: overdue after 2 s")
        << Recording{{0, everything(0)}} << "" << qint64(2001) << "overdue"
        << "GGA GSA GSV RMC";
    QTest::newRow("unknown rate: not before 2 s")
        << Recording{{0, everything(0)}} << "" << qint64(2000) << "overdue"
        << "";
    const Recording sky15 = merged(every(1000, 31000, fixEpoch), every(15000, 31000, [](qint64) {
                                       return nmea("GPGSV,1,1,02,01,40,083,46,02,17,308,41");
                                   }));
    // At 9600 baud an epoch's GSV parts take most of the second.
    Recording slowLine = every(1000, 5000, fixEpoch);
    for (qint64 second = 0; second < 5000; second += 1000)
        for (int part = 1; part <= 8; ++part)
            slowLine << Read{second + 100 * part,
                             nmea(QByteArray("GPGSV,8,") + char('0' + part) + ",08,01,40,083,46")};
    QTest::newRow("slow line: an epoch's GSVs spread over 0.8 s are one arrival")
        << merged({}, slowLine) << "" << qint64(5000) << "gsvPeriod"
        << "1.00";
    QTest::newRow("15 s GSV: the sky stays between groups") << sky15 << "" << qint64(44000) << "sky"
                                                            << "G01 G02";
    QTest::newRow("each satellite by its system's own number")
        << Recording{{0, nmea("GPGSV,1,1,04,05,40,083,46,46,35,150,40,195,20,100,38,32,1,2,3") +
                             nmea("GLGSV,1,1,01,71,20,100,38") + nmea("GAGSV,1,1,01,11,2,3,4") +
                             nmea("GBGSV,1,1,01,221,20,100,38")}}
        << "" << qint64(0) << "sky"
        << "G05 G32 S33 E11 C21 J03 R07";
    QTest::newRow("15 s GSV: not overdue 14 s after") << sky15 << "" << qint64(44000) << "overdue"
                                                      << "GGA GSA";

    // RMC at 23:59:58 with the date, then GGA alone.
    const auto midnight = [](const QByteArray& ggaTime) {
        return nmea("GNGGA," + ggaTime + ",3114.878902,N,12135.244198,E,1,17,0.8,12.3,M,8.1,M,,");
    };
    const Recording acrossMidnight{
        {0, nmea("GNRMC,235958.00,A,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,R") +
                midnight("235958.00")},
        {1000, midnight("235959.00")},
        {2000, midnight("000000.00")},
        {3000, midnight("000001.00")}};
    QTest::newRow("midnight: the date rolls over with the time")
        << acrossMidnight.mid(0, 3) << "" << qint64(2000) << "utc"
        << "2026-12-08T00:00:00.000Z";
    QTest::newRow("midnight: a date older than its period is not joined")
        << acrossMidnight << "" << qint64(3000) << "utc"
        << "";
    QTest::newRow("midnight: unless RMC is set that slow")
        << acrossMidnight << "RMC=5" << qint64(3000) << "utc"
        << "2026-12-08T00:00:01.000Z";
    QTest::newRow("a time tag with and without fraction is one epoch")
        << Recording{{0, nmea("GNGGA,120000,,,,,0,,,,,,,,") +
                             nmea("GNRMC,120000.00,V,,,,,,,071226,,,N")}}
        << "" << qint64(0) << "epochs"
        << "1";
    QTest::newRow("impossible latitude: the good sentences' position stays")
        << Recording{{0, fixEpoch(0)},
                     {1000, nmea("GNGGA,101501.00,9959.000,N,12135.244198,E,1,17,0.8,99.9,M,"
                                 "8.1,M,,")}}
        << "" << qint64(1000) << "position height skipped"
        << "31.2479817 121.5874033 12.30 1";
}

void TestStatus::recordedStreams()
{
    QFETCH(Recording, reads);
    QFETCH(QString, periods);
    QFETCH(qint64, readAt);
    QFETCH(QString, key);
    ReceiverStatus status;
    int epochs = 0;
    status.setEpochListener([&epochs] { ++epochs; });
    for (const QString& period : periods.split(',', Qt::SkipEmptyParts))
        QVERIFY(status.setConfiguredPeriod(period.section('=', 0, 0).toLatin1(),
                                           period.section('=', 1).toDouble()));
    for (const Read& read : reads)
        status.addReceived(read.bytes, read.ms);
    status.finishEpoch();
    QMap<QString, QString> values = valuesOf(status);
    values["epochs"] = QString::number(epochs);
    values["skipped"] = QString::number(status.sentencesSkipped());
    values["gsvPeriod"] = number(status.measuredPeriod(ReceiverStatus::Sentence::Gsv), 2);
    QStringList overdue;
    for (int kind = 0; kind < ReceiverStatus::sentenceKinds; ++kind) {
        const auto sentence = static_cast<ReceiverStatus::Sentence>(kind);
        if (status.isOverdue(sentence, readAt))
            overdue << ReceiverStatus::nameOf(sentence);
    }
    overdue.sort();
    values["overdue"] = overdue.join(' ');
    QStringList sky;
    for (const auto& satellite : status.satellitesInView(readAt))
        sky << satellite.label();
    values["sky"] = sky.join(' ');
    QStringList shown;
    for (const QString& each : key.split(' '))
        shown << values.value(each);
    QTEST(shown.join(' '), "expected");
}

void TestStatus::countsPerConstellation()
{
    ReceiverStatus status;
    // GPS 1 on two signals counts once in view.
    status.addReceived(
        lines({"GPGSV,1,1,02,01,40,083,46,02,17,308,41,1", "GPGSV,1,1,01,01,40,083,49,8",
               "GBGSV,1,1,01,06,55,120,44", "GNGSA,A,3,01,,,,,,,,,,,,1.8,1.0,1.5,1",
               "GNGSA,A,3,06,09,,,,,,,,,,,1.8,1.0,1.5,4"}),
        0);
    QStringList counts;
    for (const auto& count : status.systemCounts(0))
        counts << letter(count.constellation) + QString(" %1/%2").arg(count.used).arg(count.inView);
    QCOMPARE(counts, (QStringList{"G 1/2", "B 2/1"}));
}

QTEST_GUILESS_MAIN(TestStatus)
#include "tst_status.moc"
