// The simulated receiver's answers and stream: the end-to-end tests rely on them.
#include "NmeaGenerator.h"
#include "PseudoTerminal.h"
#include "ReceiverState.h"
#include "SimulatorProcess.h"
#include "SkyModel.h"

#include <QSerialPort>

#include <QtTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void commandsGetTheirReplies_data();
    void commandsGetTheirReplies();
    void setsChangeTheStateAsAReceiverWould();
    void misbehaviourRefusesIgnoresOrKeepsSets_data();
    void misbehaviourRefusesIgnoresOrKeepsSets();
    void streamedSentencesCarryValidChecksums();
    void epochReportsItsFixWithOneTimeTag_data();
    void epochReportsItsFixWithOneTimeTag();
    void satellitesCrossTheSkySlowly();
    void satellitesInViewComeInConsistentGroups();
    void optionsSetTheFixAndLogEveryCommand();
    void linkedDeviceAnswersAnyLineEndAndGoesAwayOnStop();
    void exclusiveModeEndsWithTheLastUser_data();
    void exclusiveModeEndsWithTheLastUser();
};

namespace {
int openDevice(const QString& path)
{
    return ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

bool exclusive(int fd)
{
    int set = 0;
    return ::ioctl(fd, TIOCGEXCL, &set) == 0 && set != 0;
}

QByteArray readAvailable(int fd)
{
    char buffer[256];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    return got > 0 ? QByteArray(buffer, got) : QByteArray();
}
} // namespace

void SimulatorTest::commandsGetTheirReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("serial") << QByteArray("#KVT,,GET,DEVICE.INFO.SN")
                            << QByteArray("@KVT,,GET,DEVICE.INFO.SN,OK,SN-1");
    QTest::newRow("rate") << QByteArray("#KVT,,GET,GNSS.NMEA.GSV")
                          << QByteArray("@KVT,,GET,GNSS.NMEA.GSV,OK,OFF");
    QTest::newRow("unknown-get") << QByteArray("#KVT,,GET,GNSS.NMEA.XYZ")
                                 << QByteArray("@KVT,,GET,GNSS.NMEA.XYZ,ERR");
    QTest::newRow("bad-rate") << QByteArray("#KVT,,SET,GNSS.NMEA.GGA,0.50")
                              << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,ERR");
    QTest::newRow("empty-talker") << QByteArray("#KVT,,SET,GNSS.NMEATALKER.HDT,")
                                  << QByteArray("@KVT,,SET,GNSS.NMEATALKER.HDT,ERR");
    QTest::newRow("not-a-command") << QByteArray("$GPGGA,1,2") << QByteArray();
}

void SimulatorTest::commandsGetTheirReplies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    ReceiverState receiver("SN-1");
    const std::optional<std::string> answer = receiver.handle(command.toStdString());
    const QByteArray text = answer ? QByteArray::fromStdString(*answer) : QByteArray();
    QCOMPARE(text.left(text.indexOf('*')), reply);
    // Then "*", the XOR of everything between "@" and "*" in two hex digits, and CR LF.
    if (!reply.isEmpty()) {
        char sum = 0;
        for (char c : reply.mid(1))
            sum ^= c;
        QCOMPARE(text.mid(reply.size()),
                 "*" + QByteArray::number(uchar(sum), 16).rightJustified(2, '0').toUpper() +
                     "\r\n");
    }
}

void SimulatorTest::misbehaviourRefusesIgnoresOrKeepsSets_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("rateAfter");
    QTest::newRow("reject") << "reject" << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,ERR")
                            << QByteArray("OFF");
    QTest::newRow("sticky") << "sticky" << QByteArray("@KVT,,SET,GNSS.NMEA.GGA,OK")
                            << QByteArray("OFF");
    QTest::newRow("no-ack") << "no-ack" << QByteArray() << QByteArray("1");
}

void SimulatorTest::misbehaviourRefusesIgnoresOrKeepsSets()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, rateAfter);
    ReceiverState receiver;
    if (mode == "reject")
        receiver.reject("GGA");
    else if (mode == "sticky")
        receiver.stick("GNSS.NMEA.GGA");
    else
        receiver.setNoAck(true);
    const std::optional<std::string> answer = receiver.handle("#KVT,,SET,GNSS.NMEA.GGA,1");
    const QByteArray text = answer ? QByteArray::fromStdString(*answer) : QByteArray();
    QCOMPARE(text.left(text.indexOf('*')), reply);
    QCOMPARE(QByteArray::fromStdString(receiver.rate(0)), rateAfter);
    // Other keys and every GET are answered as usual.
    QVERIFY(receiver.handle("#KVT,,GET,GNSS.NMEA.GGA").has_value());
}

void SimulatorTest::setsChangeTheStateAsAReceiverWould()
{
    ReceiverState receiver;
    receiver.handle("#KVT,,SET,GNSS.NMEA.GGA,1");
    receiver.handle("#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL");
    receiver.handle("#KVT,,SET,GNSS.NMEATALKER.HDT,GN");
    receiver.handle("#KVT,,SET,GNSS.CLEAN_SATELLITE");
    QCOMPARE(QString::fromStdString(receiver.rate(0)), QStringLiteral("1"));
    QCOMPARE(receiver.period(0), 1.0);
    QVERIFY(receiver.sbasTracked());
    QCOMPARE(receiver.hdtTalker(), std::string("GN"));
    QCOMPARE(receiver.satelliteClears(), 1);

    receiver.handle("#KVT,,SET,GNSS.NMEA.ALL,0.2");
    for (int i = 0; i < ReceiverState::sentenceCount; ++i)
        QCOMPARE(receiver.rate(i), std::string("0.2"));
    receiver.handle("#KVT,,SET,DEVICE.RECOVER");
    for (int i = 0; i < ReceiverState::sentenceCount; ++i)
        QCOMPARE(receiver.period(i), 0.0);
    QVERIFY(!receiver.sbasTracked());
    QCOMPARE(receiver.hdtTalker(), std::string("HE"));
}

void SimulatorTest::streamedSentencesCarryValidChecksums()
{
    NmeaGenerator generator;
    for (const char* name : ReceiverState::sentenceNames) {
        const QByteArray text = QByteArray::fromStdString(generator.sentence(name, "GP", 1.7e9));
        const QList<QByteArray> lines = text.split('\n');
        QVERIFY(lines.size() >= 2);
        for (const QByteArray& line : lines) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line.startsWith('$') && line.endsWith('\r'), line.constData());
            const qsizetype star = line.lastIndexOf('*');
            char sum = 0;
            for (char c : line.mid(1, star - 1))
                sum ^= c;
            QCOMPARE(line.mid(star + 1, 2).toInt(nullptr, 16), int(uchar(sum)));
            QVERIFY(!line.contains('@'));
        }
    }
    QVERIFY(generator.sentence("HDT", "GP", 0).rfind("$GPHDT,", 0) == 0);
}

void SimulatorTest::linkedDeviceAnswersAnyLineEndAndGoesAwayOnStop()
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("receiver"));
    auto simulator =
        std::make_unique<SimulatorProcess>(QStringList{"--link", link, "--serial", "S9"});
    QVERIFY(simulator->isRunning());
    QCOMPARE(QFileInfo(link).symLinkTarget(), simulator->devicePath());

    QSerialPort port(link);
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write("#KVT,,GET,DEVICE.INFO.SN\r#KVT,,GET,GNSS.NMEA.GGA\n#KVT,,SET,GNSS.NMEA.ZDA,1\r\n");
    QByteArray replies;
    QTRY_VERIFY((replies += port.readAll()).count('\n') >= 3);
    QVERIFY(replies.startsWith("@KVT,,GET,DEVICE.INFO.SN,OK,S9*"));
    QVERIFY(replies.contains("\r\n@KVT,,GET,GNSS.NMEA.GGA,OK,OFF*"));
    QVERIFY(replies.contains("\r\n@KVT,,SET,GNSS.NMEA.ZDA,OK*"));
    port.close();

    simulator->process().terminate();
    QVERIFY(simulator->process().waitForFinished(5000));
    QCOMPARE(simulator->process().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

namespace {
// The fields of "$…*hh\r\n" between "$" and "*".
QList<QByteArray> fieldsOf(const QByteArray& line)
{
    return line.mid(1, line.lastIndexOf('*') - 1).split(',');
}

bool hasValidChecksum(const QByteArray& line)
{
    const qsizetype star = line.lastIndexOf('*');
    char sum = 0;
    for (char c : line.mid(1, star - 1))
        sum ^= c;
    return line.startsWith('$') && line.endsWith('\r') &&
           line.mid(star + 1, 2).toInt(nullptr, 16) == int(uchar(sum));
}

QList<QByteArray> linesOf(const std::string& text)
{
    QList<QByteArray> lines = QByteArray::fromStdString(text).split('\n');
    lines.removeAll(QByteArray());
    return lines;
}
} // namespace

void SimulatorTest::epochReportsItsFixWithOneTimeTag_data()
{
    QTest::addColumn<QString>("fix");
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("corrections");
    QTest::newRow("no-fix") << "no-fix" << 0 << false;
    QTest::newRow("single") << "single" << 1 << false;
    QTest::newRow("dgnss") << "dgnss" << 2 << true;
    QTest::newRow("rtk-fixed") << "rtk-fixed" << 4 << true;
    QTest::newRow("rtk-float") << "rtk-float" << 5 << true;
    QTest::newRow("simulation") << "simulation" << 8 << false;
}

void SimulatorTest::epochReportsItsFixWithOneTimeTag()
{
    QFETCH(QString, fix);
    QFETCH(int, quality);
    QFETCH(bool, corrections);
    NmeaGenerator generator(*fixQualityNamed(fix.toStdString()));
    // 23:59:59.99, where a careless rounding makes a minute of 60 s.
    const double epoch = 1796687999.99;
    generator.sentence("GGA", "HE", epoch - 100); // the start
    QSet<QByteArray> tags;
    int usedInGga = -1;
    int usedInGsa = 0;
    for (const char* name : ReceiverState::sentenceNames) {
        for (const QByteArray& line : linesOf(generator.sentence(name, "HE", epoch))) {
            QVERIFY2(hasValidChecksum(line), line.constData());
            const QList<QByteArray> fields = fieldsOf(line);
            const QByteArray kind = fields[0].mid(2);
            if (kind == "GGA" || kind == "RMC" || kind == "ZDA" || kind == "GST" || kind == "GRS")
                tags << fields[1];
            if (kind == "GLL")
                tags << fields[5];
            if (kind == "GSA")
                usedInGsa += int(std::count_if(fields.begin() + 3, fields.begin() + 15,
                                               [](const QByteArray& f) { return !f.isEmpty(); }));
            if (kind == "GGA") {
                QCOMPARE(fields[6].toInt(), quality);
                QCOMPARE(!fields[13].isEmpty() && !fields[14].isEmpty(), corrections);
                QCOMPARE(fields[2].isEmpty(), quality == 0);
                usedInGga = fields[7].toInt();
            }
        }
    }
    QCOMPARE(tags, QSet<QByteArray>{"235959.99"});
    QCOMPARE(usedInGga, usedInGsa);
    QCOMPARE(usedInGga > 0, quality != 0);
}

void SimulatorTest::satellitesCrossTheSkySlowly()
{
    const SkyModel model;
    const std::vector<SkySatellite> start = model.at(0, true);
    const std::vector<SkySatellite> later = model.at(600, true);
    QVERIFY(start.size() >= 20 && start.size() == later.size());
    int moved = 0;
    for (std::size_t i = 0; i < start.size(); ++i) {
        for (const SkySatellite& satellite : {start[i], later[i]}) {
            QVERIFY(satellite.elevation >= 0 && satellite.elevation <= 90);
            QVERIFY(satellite.azimuth >= 0 && satellite.azimuth < 360);
            QVERIFY(satellite.snr >= 20 && satellite.snr <= 55);
        }
        const double turned = std::fabs(std::remainder(later[i].azimuth - start[i].azimuth, 360));
        const double climbed = std::fabs(later[i].elevation - start[i].elevation);
        QVERIFY(turned < 20 && climbed < 30); // slowly: well under a degree a second
        moved += turned > 1 || climbed > 1;
    }
    QVERIFY(moved >= int(start.size()) - 2);
    // Higher up, stronger: the highest satellite is heard better than the lowest.
    const auto [low, high] = std::minmax_element(
        start.begin(), start.end(),
        [](const SkySatellite& a, const SkySatellite& b) { return a.elevation < b.elevation; });
    QVERIFY(high->snr > low->snr + 10);
    // No fix, nothing used.
    for (const SkySatellite& satellite : model.at(0, false))
        QVERIFY(!satellite.used);
}

void SimulatorTest::satellitesInViewComeInConsistentGroups()
{
    NmeaGenerator generator;
    QMap<QByteArray, QList<QList<QByteArray>>> groups; // by talker
    for (const QByteArray& line : linesOf(generator.sentence("GSV", "HE", 1.8e9)))
        groups[line.mid(1, 2)] << fieldsOf(line);
    QCOMPARE(groups.keys(), (QList<QByteArray>{"GA", "GB", "GL", "GP"}));
    const QMap<QByteArray, int> signal{{"GA", 7}, {"GB", 1}, {"GL", 1}, {"GP", 1}};
    int inView = 0;
    for (auto group = groups.begin(); group != groups.end(); ++group) {
        int listed = 0;
        for (int part = 1; part <= group->size(); ++part) {
            const QList<QByteArray>& fields = group->at(part - 1);
            QCOMPARE(fields[1].toInt(), group->size());
            QCOMPARE(fields[2].toInt(), part);
            QCOMPARE((fields.size() - 5) % 4, 0); // four fields a satellite, then the signal
            QVERIFY(fields.size() - 5 <= 16);
            QCOMPARE(fields.last().toInt(nullptr, 16), signal[group.key()]);
            listed += int(fields.size() - 5) / 4;
        }
        QCOMPARE(group->first()[3].toInt(), listed);
        inView += listed;
    }
    QVERIFY(inView >= 20 && inView <= 30);
}

void SimulatorTest::optionsSetTheFixAndLogEveryCommand()
{
    QTemporaryDir folder;
    const QString log = folder.filePath(QStringLiteral("commands.log"));
    SimulatorProcess simulator(
        {"--fix", "manual", "--position", "-33.85,151.2,58", "--log", log, "--silent"});
    QVERIFY(simulator.isRunning());
    QSerialPort port(simulator.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    const QList<QByteArray> sent{"#KVT,,SET,GNSS.NMEA.GGA,0.1", "#KVT,,SET,GNSS.NMEA.GGA,0.1",
                                 "$GPGGA,not,a,command", "#KVT,,GET,DEVICE.INFO.SN"};
    port.write(sent.join("\r\n") + "\r\n");
    QByteArray stream;
    QTRY_VERIFY((stream += port.readAll()).count("$GNGGA") >= 2);
    const qsizetype gga = stream.indexOf("$GNGGA");
    const QList<QByteArray> fields = fieldsOf(stream.mid(gga, stream.indexOf('\n', gga) - gga));
    QCOMPARE(fields.mid(2, 5), (QList<QByteArray>{"3351.00000", "S", "15112.00000", "E", "7"}));
    QCOMPARE(fields[9], QByteArray("58.000"));

    // Silent or not, every line is logged as it came, one a line.
    const auto logged = [&log] {
        QFile written(log);
        return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    };
    QTRY_COMPARE(logged(), sent.join('\n') + '\n');

    for (const QStringList& bad : {QStringList{"--fix", "rtk"},
                                   {"--position", "91,0,0"},
                                   {"--position", "1,2,3,4"},
                                   {"--log", "/no/such/folder/log"}}) {
        SimulatorProcess refused(bad);
        QVERIFY(!refused.isRunning());
        QVERIFY(refused.process().state() == QProcess::NotRunning ||
                refused.process().waitForFinished(5000));
        QVERIFY(refused.process().exitCode() != 0);
    }
}

void SimulatorTest::exclusiveModeEndsWithTheLastUser_data()
{
    QTest::addColumn<bool>("holderStays");
    QTest::addColumn<bool>("otherStays");
    QTest::addColumn<bool>("exclusiveAfter");
    // A holder that ends without clearing the mode (killed) closes its descriptor all the same.
    QTest::newRow("last-user-gone") << false << false << false;
    QTest::newRow("holder-still-open") << true << false << true;
    QTest::newRow("other-user-still-open") << false << true << true;
}

void SimulatorTest::exclusiveModeEndsWithTheLastUser()
{
    QFETCH(bool, holderStays);
    QFETCH(bool, otherStays);
    QFETCH(bool, exclusiveAfter);
    SimulatorProcess simulator;
    QVERIFY(simulator.isRunning());
    const int other = openDevice(simulator.devicePath());
    const int holder = openDevice(simulator.devicePath());
    QVERIFY(other >= 0 && holder >= 0);
    QCOMPARE(::ioctl(holder, TIOCEXCL), 0);
    if (!otherStays)
        ::close(other);
    if (!holderStays)
        ::close(holder);
    const int staying = holderStays ? holder : otherStays ? other : -1;
    if (staying >= 0) {
        // Once it answers through the staying descriptor, the simulator has seen the closes.
        QCOMPARE(::write(staying, "#KVT,,GET,DEVICE.INFO.SN\r\n", 26), 26);
        QByteArray heard;
        QTRY_VERIFY((heard += readAvailable(staying)).contains("@KVT"));
        QCOMPARE(exclusive(staying), exclusiveAfter);
        ::close(staying);
        return;
    }
    // Only root may open a device in exclusive mode; the next user's open is the test.
    const auto reopenedFree = [&simulator] {
        const int next = openDevice(simulator.devicePath());
        const bool free = next >= 0 && !exclusive(next);
        if (next >= 0)
            ::close(next);
        return free;
    };
    QTRY_VERIFY(reopenedFree());
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
