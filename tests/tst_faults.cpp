// Faults from the settings file and the serial line: the tool starts, keeps working, keeps its
// memory bounded and never loses the saved file.
#include "DlgZR415.h"
#include "FileLogger.h"
#include "IDictionary.h"
#include "IIniParameter.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "RecordingLogger.h"
#include "SetWidget.h"
#include "SettingsKeys.h"
#include "StreamExtractor.h"
#include "TempSettings.h"

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QRandomGenerator>

#include <csignal>
#include <cstring>
#include <map>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace PageProbe;

namespace {
StreamExtractor* lastExtractor = nullptr;

IStreamExtractor* keptExtractor(const char*, int separator, int terminator)
{
    static std::vector<std::unique_ptr<StreamExtractor>> extractors;
    extractors.push_back(std::make_unique<StreamExtractor>('@', static_cast<char>(separator),
                                                           static_cast<char>(terminator)));
    lastExtractor = extractors.back().get();
    return lastExtractor;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    return bytes;
}

// The indexes of the lines that give the settings keys their values: the last line of each,
// read as the settings file reads it (blanks around the key, no comments, sections or NULs).
std::set<qsizetype> linesOfSettingsKeys(const QList<QByteArray>& lines)
{
    std::map<std::string, qsizetype> last;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        std::string line = lines[i].toStdString();
        if (i == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        line.erase(0, line.find_first_not_of(" \t"));
        const std::size_t equals = line.find('=');
        if (line.empty() || std::strchr(";#[", line[0]) || line.find('\0') != std::string::npos ||
            equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        key.erase(key.find_last_not_of(" \t") + 1);
        if (SettingsKeys::find(key))
            last[key] = i;
    }
    std::set<qsizetype> indexes;
    for (const auto& entry : last)
        indexes.insert(entry.second);
    return indexes;
}

// The settings keys and their values as the settings object holds them now.
std::map<std::string, std::string> settingsValues()
{
    IDictionary* values = get_system_ini_parameter()->dictionary();
    std::map<std::string, std::string> found;
    for (const SettingsKey& key : SettingsKeys::all())
        if (const char* value = values->get(key.name.c_str()))
            found[key.name] = value;
    return found;
}

// Runs body with every file write past limitBytes failing, as on a full disk.
template <typename Body> void withFullDisk(rlim_t limitBytes, Body body)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit limited = before;
    limited.rlim_cur = limitBytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    body();
    setrlimit(RLIMIT_FSIZE, &before);
}
} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badSettingsFilesStillStartThePage_data();
    void badSettingsFilesStillStartThePage();
    void failedSavesKeepTheOldFileByteForByte_data();
    void failedSavesKeepTheOldFileByteForByte();
    void linkPlantedForTheSettingsFileIsRefused_data();
    void linkPlantedForTheSettingsFileIsRefused();
    void namesPlantedForTheLogAreRefused_data();
    void namesPlantedForTheLogAreRefused();
    void lineFaultsLeaveThePageWorkingAndBounded_data();
    void lineFaultsLeaveThePageWorkingAndBounded();
    void portWithoutRightsIsReported();
};

void FaultsTest::initTestCase()
{
    set_stream_extractor_factory(&keptExtractor);
}

void FaultsTest::badSettingsFilesStillStartThePage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("sbasTicked");
    QTest::addColumn<QString>("ggaRate");

    QTest::newRow("empty") << QByteArray() << false << "OFF";
    QTest::newRow("binary-garbage") << randomBytes(64 * 1024, 1) << false << "OFF";
    QByteArray big;
    while (big.size() < 10 * 1024 * 1024)
        big += "filler" + QByteArray::number(big.size()) + "=some value to make it big\n";
    QTest::newRow("ten-megabytes") << big + "sbas=1\nsetCommandGGA=5\n" << true << "5";
    QTest::newRow("megabyte-value")
        << "setCommandGGA=" + QByteArray(1024 * 1024, '1') + "\nsbas=1\n"
        << true << "OFF";
    QTest::newRow("duplicate-keys-last-wins")
        << QByteArray("sbas=0\nsetCommandGGA=1\nsbas=1\nsetCommandGGA=2\n") << true << "2";
    QTest::newRow("crlf") << QByteArray("sbas=1\r\nsetCommandGGA=0.2\r\n") << true << "0.2";
    QTest::newRow("utf8-mark") << QByteArray("\xEF\xBB\xBFsbas=1\nsetCommandGGA=10\n") << true
                               << "10";
    // GBK text cannot match a list entry; the rows stay at their defaults.
    QTest::newRow("gbk-encoded") << QByteArray(
                                        "; \xC9\xE8\xD6\xC3\nportNum=\xB4\xAE\xBF\xDA\nsbas=1\n"
                                        "setCommandGGA=\xB9\xD8\n")
                                 << true << "OFF";
}

void FaultsTest::badSettingsFilesStillStartThePage()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, sbasTicked);
    QFETCH(QString, ggaRate);
    // Loaded once: a ten-megabyte file is parsed at the speed of the build, slow under the
    // sanitizers.
    TempSettings settings(file);
    QVERIFY(settings.isLoaded());
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    QCOMPARE(part<QCheckBox>(page, "sbasCheck")->isChecked(), sbasTicked);
    QCOMPARE(page.outputRows().at("GGA")->currentText(), ggaRate);

    // Saving keeps what the tool did not write, byte for byte: every line but the last one
    // of each settings key comes back as it was, and nothing the tool wrote is lost on reload.
    click(page, "saveButton");
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("保存成功"));
    const QList<QByteArray> before = file.split('\n');
    const QList<QByteArray> after = settings.fileContent().split('\n');
    QVERIFY(after.size() >= before.size());
    const std::set<qsizetype> written = linesOfSettingsKeys(before);
    for (qsizetype i = 0; i + 1 < before.size(); ++i)
        if (!written.count(i))
            QVERIFY2(after[i] == before[i], qPrintable(QStringLiteral("line %1").arg(i + 1)));
    // The last line had no line end: keys appended after it give it one.
    if (!written.count(before.size() - 1))
        QVERIFY(after[before.size() - 1].startsWith(before.last()));
    const std::map<std::string, std::string> stored = settingsValues();
    QVERIFY(settings.reload());
    QCOMPARE(settingsValues(), stored);
    QCOMPARE(stored.size(), SettingsKeys::all().size());
}

void FaultsTest::failedSavesKeepTheOldFileByteForByte_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only-file") << "file";
    QTest::newRow("read-only-folder") << "folder";
    QTest::newRow("full-disk") << "disk";
}

void FaultsTest::failedSavesKeepTheOldFileByteForByte()
{
    QFETCH(QString, fault);
    RecordingLogger logger;
    const QByteArray original = "; operator's notes\r\nsbas=0\r\nsetCommandGGA=1\r\n";
    TempSettings settings(original);
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    part<QCheckBox>(page, "sbasCheck")->setChecked(true);

    const QString target =
        fault == QLatin1String("folder") ? settings.folderPath() : settings.path();
    const QFileDevice::Permissions was = QFile::permissions(target);
    if (fault == QLatin1String("disk"))
        withFullDisk(16, [&] { click(page, "saveButton"); });
    else {
        QFile::setPermissions(target, was & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                              QFileDevice::WriteGroup | QFileDevice::WriteOther));
        click(page, "saveButton");
        QFile::setPermissions(target, was);
    }

    QCOMPARE(settings.fileContent(), original);
    QCOMPARE(QDir(settings.folderPath()).entryList(QDir::Files), QStringList{"ZR415.ini"});
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown[0].text.startsWith(QStringLiteral("配置保存失败：")));
    QVERIFY(logger.contains("配置保存失败"));
    // The operator's choice is still in memory: a save that works later writes it.
    click(page, "saveButton");
    QVERIFY(settings.fileContent().contains("sbas=1\r\n"));
}

void FaultsTest::linkPlantedForTheSettingsFileIsRefused_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link-to-a-file-elsewhere") << true;
    QTest::newRow("dangling-link") << false;
}

// Someone who may write the settings folder swaps the file for a link: saving must neither
// write through it nor create what it names, and the operator is told why.
void FaultsTest::linkPlantedForTheSettingsFileIsRefused()
{
    QFETCH(bool, targetExists);
    RecordingLogger logger;
    TempSettings settings("sbas=0\n");
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("shadow"));
    const QByteArray victim = "root:x:0:0\n";
    if (targetExists) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(victim);
    }
    QVERIFY(QFile::remove(settings.path()));
    QVERIFY(QFile::link(target, settings.path()));

    part<QCheckBox>(page, "sbasCheck")->setChecked(true);
    click(page, "saveButton");

    QCOMPARE(QFileInfo::exists(target), targetExists);
    if (targetExists) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), victim);
    }
    QCOMPARE(QFileInfo(settings.path()).symLinkTarget(), target);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("配置保存失败：配置文件是符号链接，已拒绝"));
    QVERIFY(logger.contains("symbolic link"));
}

void FaultsTest::namesPlantedForTheLogAreRefused_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("reason");
    QTest::newRow("link-to-a-file-elsewhere") << "link"
                                              << "symbolic link";
    QTest::newRow("dangling-link") << "dangling"
                                   << "symbolic link";
    QTest::newRow("hard-link-to-a-file-elsewhere") << "hard"
                                                   << "hard link";
    // Nobody reads the pipe: opening it for writing must not hang the start-up.
    QTest::newRow("pipe") << "pipe"
                          << "not a plain file";
}

// Someone who may write the log folder plants a name for the log: the log is not opened
// through it, what it names is untouched, and the log goes to the next folder.
void FaultsTest::namesPlantedForTheLogAreRefused()
{
    QFETCH(QString, planted);
    QFETCH(QString, reason);
    QTemporaryDir shared;
    QTemporaryDir elsewhere;
    const QString log = shared.filePath(QStringLiteral("ZR415.log"));
    const QString target = elsewhere.filePath(QStringLiteral("victim"));
    const QByteArray victim = "precious\n";
    if (planted != QLatin1String("dangling") && planted != QLatin1String("pipe")) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(victim);
    }
    const QByteArray logPath = log.toLocal8Bit();
    if (planted == QLatin1String("hard"))
        QCOMPARE(::link(target.toLocal8Bit().constData(), logPath.constData()), 0);
    else if (planted == QLatin1String("pipe"))
        QCOMPARE(::mkfifo(logPath.constData(), 0666), 0);
    else
        QVERIFY(QFile::link(target, log));

    FileLogger direct(logPath.toStdString());
    QVERIFY(!direct.isOpen());
    QVERIFY2(QString::fromStdString(direct.failure()).contains(reason), direct.failure().c_str());

    std::vector<std::string> passedOver;
    const QString next = elsewhere.filePath(QStringLiteral("state"));
    std::unique_ptr<FileLogger> logger = FileLogger::openInFirstUsable(
        {shared.path().toStdString(), next.toStdString()}, passedOver);
    QVERIFY(logger);
    QCOMPARE(QString::fromStdString(logger->path()), next + QStringLiteral("/ZR415.log"));
    logger->log("%s", "an entry");
    QCOMPARE(passedOver.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(passedOver[0]).contains(reason));

    if (planted == QLatin1String("dangling")) {
        QVERIFY(!QFileInfo::exists(target));
    } else if (planted != QLatin1String("pipe")) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), victim);
    }
}

void FaultsTest::lineFaultsLeaveThePageWorkingAndBounded_data()
{
    QTest::addColumn<QByteArray>("flood");
    QTest::newRow("garbage") << randomBytes(1024 * 1024, 2);
    QTest::newRow("megabyte-line-without-cr") << "@" + QByteArray(1024 * 1024, 'x');
    QTest::newRow("nul-bytes") << QByteArray(64 * 1024, '\0');
    QTest::newRow("carriage-returns") << QByteArray(256 * 1024, '\r');
    QTest::newRow("heads") << QByteArray(256 * 1024, '@');
    QTest::newRow("tiny-sentences") << QByteArray("@\r").repeated(64 * 1024);
}

void FaultsTest::lineFaultsLeaveThePageWorkingAndBounded()
{
    QFETCH(QByteArray, flood);
    RecordingLogger logger;
    PseudoTerminal receiver;
    qputenv("ZR415_EXTRA_PORTS", receiver.devicePath().toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    StreamExtractor* extractor = lastExtractor;
    choose(page, receiver.devicePath(), QStringLiteral("256000"));
    click(page, "connectButton");
    QVERIFY(linkShownOpen(page));

    std::size_t largestPending = 0;
    for (qsizetype at = 0; at < flood.size(); at += 4096) {
        receiver.write(flood.mid(at, 4096));
        QCoreApplication::processEvents();
        largestPending = qMax(largestPending, extractor->pending());
    }
    receiver.write("\r\n@R,,GET,GNSS.NMEA.GSA,OK,0.1*00\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(queryValue(page, QStringLiteral("GSA")), QStringLiteral("0.1"),
                              10000);
    QVERIFY2(largestPending <= StreamExtractor::maxSentenceLength,
             QByteArray::number(qulonglong(largestPending)).constData());
    QVERIFY(linkShownOpen(page));
    QVERIFY(prompts.shown.isEmpty());
    click(page, "breakButton");
}

void FaultsTest::portWithoutRightsIsReported()
{
    PseudoTerminal receiver;
    const QByteArray path = receiver.devicePath().toLocal8Bit();
    qputenv("ZR415_EXTRA_PORTS", path);
    TempSettings settings;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    choose(page, receiver.devicePath());
    QVERIFY(chmod(path.constData(), 0600) == 0);
    // The superuser passes every permission check: open as an ordinary user instead.
    if (geteuid() == 0) {
        QVERIFY(seteuid(65534) == 0);
        click(page, "connectButton");
        QVERIFY(seteuid(0) == 0);
    } else {
        QVERIFY(chmod(path.constData(), 0) == 0);
        click(page, "connectButton");
        chmod(path.constData(), 0600);
    }
    QVERIFY(linkShownClosed(page));
    QCOMPARE(prompts.shown.size(), 1);
    QVERIFY2(
        prompts.shown[0].text.endsWith(QStringLiteral("没有访问权限（用户须属于 dialout 组）")),
        qPrintable(prompts.shown[0].text));
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
