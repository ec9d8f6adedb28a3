// zr415ctl monitor --status: its arguments, gpsd's objects made from recorded lines, and whole
// runs against the simulated receiver.
#include "CommandLine.h"
#include "CtlProcess.h"
#include "Invocation.h"
#include "PseudoTerminal.h"
#include "ReceiverStatus.h"
#include "SimulatorProcess.h"
#include "StatusReport.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

namespace {
QByteArray nmea(const QByteArray& body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

// An object's value by a path: "SKY.satellites.0.PRN"; "absent" when it is not there.
QString valueAt(const QList<QJsonObject>& objects, const QString& path)
{
    QStringList steps = path.split('.');
    const QString wanted = steps.takeFirst();
    for (const QJsonObject& object : objects) {
        if (object["class"].toString() != wanted)
            continue;
        QJsonValue value = object;
        for (const QString& step : steps) {
            bool index = false;
            const int at = step.toInt(&index);
            value = index ? value.toArray().at(at) : value.toObject().value(step);
        }
        if (value.isUndefined())
            return QStringLiteral("absent");
        const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(text.mid(1, text.size() - 2));
    }
    return QStringLiteral("absent");
}

QList<QJsonObject> jsonLines(const QByteArray& text, QString& broken)
{
    QList<QJsonObject> objects;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            broken += QString::fromUtf8(line) + '\n';
        objects << document.object();
    }
    return objects;
}

const QByteArray gga =
    "GNGGA,123456.20,3114.878902,S,12135.244198,W,4,12,0.8,12.30,M,8.10,M,1.2,0123";
} // namespace

class MonitorStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data();
    void arguments();
    void gpsdObjects_data();
    void gpsdObjects();
    void humanLine();
    void statusLinesFromTheSimulator();
    void gpsdObjectsFromTheSimulator();
    void recordedMultiSystemSky();
};

void MonitorStatusTest::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint"); // empty: accepted
    QTest::addColumn<double>("seconds");
    QTest::newRow("ten seconds by default") << QStringList{"--status"} << "" << 10.0;
    QTest::newRow("seconds given") << QStringList{"--status", "--seconds", "3"} << "" << 3.0;
    QTest::newRow("json goes with status") << QStringList{"--status", "--json"} << "" << 10.0;
    QTest::newRow("not with rates") << QStringList{"--status", "--rates"} << "--rates" << 0.0;
    QTest::newRow("json alone") << QStringList{"--json"} << "--json goes with" << 0.0;
}

void MonitorStatusTest::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    QFETCH(double, seconds);
    QString error;
    QString usage;
    const auto invocation =
        CommandLine::parse(QStringList{"zr415ctl", "monitor", "/dev/a"} + arguments, error, usage);
    if (!complaint.isEmpty()) {
        QVERIFY(!invocation);
        QVERIFY2(error.contains(complaint), qPrintable(error));
        return;
    }
    QVERIFY2(invocation, qPrintable(error));
    QVERIFY(invocation->status);
    QCOMPARE(invocation->seconds, seconds);
}

void MonitorStatusTest::gpsdObjects_data()
{
    QTest::addColumn<QByteArrayList>("bodies"); // arriving at 500 ms; the report at 1000 ms
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing seen") << QByteArrayList{} << "TPV.mode"
                                  << "0";
    QTest::newRow("no fix") << QByteArrayList{"GNGGA,123456.20,,,,,0,00,,,M,,M,,"} << "TPV.mode"
                            << "1";
    QTest::newRow("GSA 2D") << QByteArrayList{gga, "GNGSA,A,2,01,,,,,,,,,,,,1.8,1.0,1.5,1"}
                            << "TPV.mode"
                            << "2";
    QTest::newRow("GGA alone with height: 3D") << QByteArrayList{gga} << "TPV.mode"
                                               << "3";
    QTest::newRow("RTK fixed") << QByteArrayList{gga} << "TPV.status"
                               << "3";
    QTest::newRow("RTK float") << QByteArrayList{"GNGGA,123456.20,,,,,5,12,0.8,12.30,M,8.10,M,,"}
                               << "TPV.status"
                               << "4";
    QTest::newRow("dead reckoning")
        << QByteArrayList{"GNGGA,123456.20,,,,,6,12,0.8,12.30,M,8.10,M,,"} << "TPV.status"
        << "5";
    QTest::newRow("signed latitude") << QByteArrayList{gga} << "TPV.lat"
                                     << "-31.2479817";
    QTest::newRow("signed longitude") << QByteArrayList{gga} << "TPV.lon"
                                      << "-121.5874033";
    QTest::newRow("height above sea level") << QByteArrayList{gga} << "TPV.altMSL"
                                            << "12.3";
    QTest::newRow("geoid separation") << QByteArrayList{gga} << "TPV.geoidSep"
                                      << "8.1";
    QTest::newRow("no time without a date") << QByteArrayList{gga} << "TPV.time"
                                            << "absent";
    QTest::newRow("time once RMC gave the date")
        << QByteArrayList{"GNRMC,123456.20,A,3114.878902,N,12135.244198,E,0.0,0.0,071226,,,R", gga}
        << "TPV.time"
        << "\"2026-12-07T12:34:56.200Z\"";
    QTest::newRow("DOPs") << QByteArrayList{"GNGSA,A,3,01,,,,,,,,,,,,1.8,1.0,1.5,1"} << "SKY.vdop"
                          << "1.5";
    QTest::newRow("satellite used")
        << QByteArrayList{"GPGSV,1,1,01,07,10,020,30", "GNGSA,A,3,07,,,,,,,,,,,,1.8,1.0,1.5,1"}
        << "SKY.satellites.0"
        << R"({"PRN":7,"az":20,"el":10,"gnssid":0,"ss":30,"svid":7,"used":true})";
    QTest::newRow("counts") << QByteArrayList{"GPGSV,1,1,02,07,10,020,30,08,10,020,",
                                              "GNGSA,A,3,07,,,,,,,,,,,,1.8,1.0,1.5,1"}
                            << "SKY.uSat"
                            << "1";
    QTest::newRow("no SNR: gpsd's 0, not tracked")
        << QByteArrayList{"GPGSV,1,1,01,08,10,020,"} << "SKY.satellites.0.ss"
        << "0";
    QTest::newRow("PPS fix is gpsd's 9")
        << QByteArrayList{"GNGGA,123456.20,,,,,3,12,0.8,12.30,M,8.10,M,,"} << "TPV.status"
        << "9";
    QTest::newRow("2D fix has its position")
        << QByteArrayList{gga, "GNGSA,A,2,01,,,,,,,,,,,,1.8,1.0,1.5,1"} << "TPV.lat"
        << "-31.2479817";
    QTest::newRow("GSA without a fix: no position")
        << QByteArrayList{gga, "GNGSA,A,1,,,,,,,,,,,,,,,,1"} << "TPV.lat"
        << "absent";
    QTest::newRow("2D fix has no height")
        << QByteArrayList{gga, "GNGSA,A,2,01,,,,,,,,,,,,1.8,1.0,1.5,1"} << "TPV.altMSL"
        << "absent";
    QTest::newRow("lost fix: no DOPs")
        << QByteArrayList{"GNGSA,A,3,01,,,,,,,,,,,,1.8,1.0,1.5,1",
                          "GNGGA,123457.20,,,,,0,,,,M,,M,,", "GNGSA,A,1,,,,,,,,,,,,,,,,1"}
        << "SKY.hdop"
        << "absent";
    QTest::newRow("SBAS in the GPS list is used")
        << QByteArrayList{"GPGSV,1,1,02,07,10,020,30,46,35,150,40",
                          "GNGSA,A,3,07,46,,,,,,,,,,,1.8,1.0,1.5,1"}
        << "SKY.satellites.1"
        << R"({"PRN":133,"az":150,"el":35,"gnssid":1,"ss":40,"svid":133,"used":true})";
    QTest::newRow("QZSS under the GPS talker")
        << QByteArrayList{"GPGSV,1,1,01,195,10,020,30"} << "SKY.satellites.0"
        << R"({"PRN":195,"az":20,"el":10,"gnssid":5,"ss":30,"svid":3,"used":false})";
    QTest::newRow("GLONASS numbering")
        << QByteArrayList{"GLGSV,1,1,01,70,10,020,30"} << "SKY.satellites.0"
        << R"({"PRN":70,"az":20,"el":10,"gnssid":6,"ss":30,"svid":6,"used":false})";
    QTest::newRow("Galileo numbering")
        << QByteArrayList{"GAGSV,1,1,01,05,10,020,30,7"} << "SKY.satellites.0.PRN"
        << "305";
    QTest::newRow("BeiDou numbering")
        << QByteArrayList{"BDGSV,1,1,01,06,10,020,30"} << "SKY.satellites.0"
        << R"({"PRN":406,"az":20,"el":10,"gnssid":3,"ss":30,"svid":6,"used":false})";
    QTest::newRow("BeiDou numbered after QZSS")
        << QByteArrayList{"GNGSV,1,1,01,206,10,020,30"} << "SKY.satellites.0.PRN"
        << "406";
    QTest::newRow("QZSS numbering")
        << QByteArrayList{"GQGSV,1,1,01,01,10,020,30"} << "SKY.satellites.0.gnssid"
        << "5";
    QTest::newRow("QZSS PRN") << QByteArrayList{"GQGSV,1,1,01,01,10,020,30"}
                              << "SKY.satellites.0.PRN"
                              << "193";
    QTest::newRow("SBAS numbering")
        << QByteArrayList{"GPGSV,1,1,01,46,10,020,30"} << "SKY.satellites.0.PRN"
        << "133";
    QTest::newRow("heading") << QByteArrayList{"HEHDT,87.662,T"} << "ATT.heading"
                             << "87.66";
    QTest::newRow("no heading, no ATT") << QByteArrayList{gga} << "ATT.class"
                                        << "absent";
    QTest::newRow("device named") << QByteArrayList{} << "SKY.device"
                                  << "\"/dev/a\"";
}

void MonitorStatusTest::gpsdObjects()
{
    QFETCH(QByteArrayList, bodies);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    ReceiverStatus status;
    for (const QByteArray& body : bodies)
        status.addReceived(nmea(body), 500);
    const StatusReport report(QStringLiteral("/dev/a"), status, 1000);
    const QByteArray lines = report.tpv() + report.sky() + report.att();
    QVERIFY(lines.endsWith("}\r\n"));
    QString broken;
    const QList<QJsonObject> objects = jsonLines(lines, broken);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
    QCOMPARE(valueAt(objects, path), expected);
}

void MonitorStatusTest::humanLine()
{
    ReceiverStatus status;
    status.addReceived(
        nmea(gga) + nmea("GPGSV,1,1,02,07,10,020,30,08,10,020,") + nmea("HEHDT,87.662,T"), 500);
    QCOMPARE(StatusReport(QStringLiteral("/dev/a"), status, 1000).toText(),
             QStringLiteral("fix RTK fixed, 31.2479817° S, 121.5874033° W, satellites 12/2, "
                            "HDOP 0.80, heading 87.66°"));
    // An overdue value is no longer reported; one just in time still is.
    const StatusReport inTime(QStringLiteral("/dev/a"), status, 500 + ReceiverStatus::minOverdueMs);
    QVERIFY(inTime.toText().contains(QStringLiteral("HDOP 0.80")));
    const qint64 overdue = 500 + ReceiverStatus::minOverdueMs + 1;
    const StatusReport late(QStringLiteral("/dev/a"), status, overdue);
    QCOMPARE(late.toText(), QStringLiteral("fix -, -, satellites 0/2, HDOP -, heading -"));
    const QByteArray json = late.tpv() + late.att();
    QVERIFY2(!json.contains("\"lat\"") && !json.contains("ATT"), json.constData());
}

void MonitorStatusTest::statusLinesFromTheSimulator()
{
    SimulatorProcess receiver({"--rates", "GGA=0.2,RMC=0.2,GSV=0.5,GSA=0.5,HDT=0.5"});
    QVERIFY(receiver.isRunning());
    const CtlRun run = runCtl({"monitor", receiver.devicePath(), "--status", "--seconds", "2.5"});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!lines.isEmpty(), run.err.constData());
    const QRegularExpression form(
        QStringLiteral("^\\S+Z  fix [a-zA-Z ]+( [23]D)?, \\d+\\.\\d{7}° [NS], \\d+\\.\\d{7}° [EW], "
                       "satellites \\d+/\\d+, HDOP \\d+\\.\\d\\d, heading \\d+\\.\\d\\d°$"));
    for (const QString& line : lines)
        QVERIFY2(form.match(line).hasMatch(), qPrintable(line));

    const CtlRun both =
        runCtl({"monitor", receiver.devicePath(), "--status", "--rates", "--seconds", "1"});
    QCOMPARE(both.exitCode, 2);
    QVERIFY(both.out.isEmpty());
}

void MonitorStatusTest::gpsdObjectsFromTheSimulator()
{
    SimulatorProcess receiver({"--rates", "GGA=0.2,RMC=0.2,GSV=0.5,GSA=0.5,HDT=0.5"});
    QVERIFY(receiver.isRunning());
    const CtlRun run =
        runCtl({"monitor", receiver.devicePath(), "--status", "--json", "--seconds", "2.5"});
    QCOMPARE(run.exitCode, 0);
    QString broken;
    const QList<QJsonObject> objects = jsonLines(run.out, broken);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
    QVERIFY2(!objects.isEmpty(), run.err.constData());
    // gpsd's greeting, then per epoch a TPV and, when they changed, a SKY and an ATT.
    QString classes;
    for (const QJsonObject& object : objects)
        classes += object["class"].toString().left(1);
    QVERIFY2(QRegularExpression(QStringLiteral("^VD(TS?A?)+$")).match(classes).hasMatch(),
             qPrintable(classes));
    QVERIFY(classes.contains('A') && classes.contains('S'));
    // GGA and RMC at 5 Hz for 2.5 s: a TPV each 0.2 s of the receiver's time, none repeated.
    QStringList times;
    for (const QJsonObject& object : objects)
        if (object["class"] == "TPV" && object.contains("time"))
            times << object["time"].toString();
    QVERIFY2(times.size() >= 10, qPrintable(times.join(' ')));
    for (qsizetype i = 1; i < times.size(); ++i)
        QCOMPARE(QDateTime::fromString(times[i - 1], Qt::ISODateWithMs)
                     .msecsTo(QDateTime::fromString(times[i], Qt::ISODateWithMs)),
                 qint64(200));
    // The last second's: the first may come before a date did.
    QJsonObject tpv;
    QJsonObject sky;
    for (const QJsonObject& object : objects) {
        tpv = object["class"] == "TPV" ? object : tpv;
        sky = object["class"] == "SKY" ? object : sky;
    }
    QCOMPARE(tpv["device"].toString(), receiver.devicePath());
    QCOMPARE(tpv["mode"].toInt(), 3);
    QVERIFY(tpv["lat"].isDouble() && tpv["lon"].isDouble() && tpv["time"].isString());
    QCOMPARE(sky["nSat"].toInt(), sky["satellites"].toArray().size());
    QVERIFY(sky["nSat"].toInt() > 0);
}

void MonitorStatusTest::recordedMultiSystemSky()
{
    // One epoch of a receiver speaking NMEA 4.10 for four systems, BeiDou as BD.
    const QByteArrayList bodies = {
        "GNGGA,123456.20,3114.878902,N,12135.244198,E,4,07,0.6,12.30,M,8.10,M,1.2,0123",
        "GNRMC,123456.20,A,3114.878902,N,12135.244198,E,0.0,87.5,071226,,,R",
        "GNGSA,A,3,02,04,,,,,,,,,,,1.1,0.6,0.9,1",
        "GNGSA,A,3,70,,,,,,,,,,,,1.1,0.6,0.9,2",
        "GNGSA,A,3,09,,,,,,,,,,,,1.1,0.6,0.9,3",
        "GNGSA,A,3,06,21,,,,,,,,,,,1.1,0.6,0.9,4",
        "GPGSV,2,1,05,02,22,029,41,04,29,058,44,06,36,087,47,08,43,116,30,1",
        "GPGSV,2,2,05,10,50,145,33,1",
        "GLGSV,1,1,02,70,36,087,47,75,43,116,30,1",
        "GAGSV,1,1,01,09,36,087,47,7",
        "BDGSV,1,1,02,06,22,029,41,21,29,058,44,1",
    };
    QByteArray epoch;
    for (const QByteArray& body : bodies)
        epoch += nmea(body);
    PseudoTerminal line;
    QProcess monitor;
    monitor.start(QStringLiteral(ZR415CTL_BINARY),
                  {"monitor", line.devicePath(), "--status", "--json", "--seconds", "2.5"});
    QVERIFY(monitor.waitForStarted(5000));
    for (int tries = 0; tries < 600 && !monitor.waitForFinished(100); ++tries)
        line.write(epoch);
    QCOMPARE(monitor.exitCode(), 0);
    QString broken;
    const QList<QJsonObject> objects = jsonLines(monitor.readAllStandardOutput(), broken);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
    QJsonObject sky;
    for (const QJsonObject& object : objects)
        sky = object["class"] == "SKY" ? object : sky;
    QStringList satellites;
    for (const QJsonValue& satellite : sky["satellites"].toArray())
        satellites << QStringLiteral("%1%2")
                          .arg(satellite["PRN"].toInt())
                          .arg(satellite["used"].toBool() ? "+" : "");
    QCOMPARE(satellites,
             (QStringList{"2+", "4+", "6", "8", "10", "309+", "406+", "421+", "70+", "75"}));
    QCOMPARE(sky["uSat"].toInt(), 6); // those marked used, not GGA's count
}

QTEST_GUILESS_MAIN(MonitorStatusTest)
#include "tst_monitorstatus.moc"
