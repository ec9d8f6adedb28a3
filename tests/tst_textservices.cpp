// The bounded text helpers, the dictionaries, the formatter, the log file and the fatal-error
// routine.
#include "FileLogger.h"
#include "IDictionary.h"
#include "RecordingLogger.h"
#include "ScopedFormatter.h"
#include "ShownBytes.h"
#include "TextFunctions.h"
#include "ThrowLoggedError.h"

#include <QtTest>

#include <climits>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Sets an environment variable for the lifetime of the object; a null value unsets it.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value)
        : name(name), had(qEnvironmentVariableIsSet(name)), before(qgetenv(name))
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (had)
            qputenv(name, before);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    bool had;
    QByteArray before;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TextServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void cszVsprintfNeverWritesPastItsSize();
    void nextWord3CopiesBoundedAndMovesPastTheWord_data();
    void nextWord3CopiesBoundedAndMovesPastTheWord();
    void resolvePathExpandsAppDirWithinTheSize();
    void textToIntReadsLikeAtoiWithoutOverflow_data();
    void textToIntReadsLikeAtoiWithoutOverflow();
    void formatterCutsAtItsCapacity();
    void deviceBytesAreShownEscaped_data();
    void deviceBytesAreShownEscaped();
    void deviceBytesAreKeptForRecords_data();
    void deviceBytesAreKeptForRecords();
    void dictionaryKeepsValuesOfAnyLengthAndOrder();
    void valuePointerStaysValidWhileOtherKeysAreSet_data();
    void valuePointerStaysValidWhileOtherKeysAreSet();
    void dicGetCszFallsBackToDefaultOrThrowsLogged();
    void throwLoggedErrorLogsTheFormatAndThrowsTheBoundedText();
    void stateLogFolderFollowsTheUsersStateHome_data();
    void stateLogFolderFollowsTheUsersStateHome();
    void logGoesToTheFirstFolderItCanBeWrittenIn_data();
    void logGoesToTheFirstFolderItCanBeWrittenIn();
    void processLogLivesBesideTheProgram();
};

void TextServicesTest::cszVsprintfNeverWritesPastItsSize()
{
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    const int written = csz_sprintf(buffer, 8, "%s-%d", "abcdefghij", 42);
    QCOMPARE(written, 7);
    QCOMPARE(QByteArray(buffer), QByteArray("abcdefg"));
    QCOMPARE(buffer[8], 'X'); // untouched beyond the size given

    QCOMPARE(csz_sprintf(buffer, 16, "%d", 12), 2);
    QCOMPARE(QByteArray(buffer), QByteArray("12"));
    QCOMPARE(csz_sprintf(buffer, 1, "%s", "abc"), 0);
    QCOMPARE(buffer[0], '\0');
    QCOMPARE(csz_sprintf(buffer, 0, "%s", "abc"), 0);
    QCOMPARE(csz_sprintf(nullptr, 10, "%s", "abc"), 0);
}

void TextServicesTest::nextWord3CopiesBoundedAndMovesPastTheWord_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<char>("delimiter");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<int>("consumed");

    QTest::newRow("word-and-delimiter")
        << QByteArray("MSG:12:abc") << ':' << 100 << QByteArray("MSG") << 4;
    QTest::newRow("no-delimiter-takes-all")
        << QByteArray("1*0A") << ':' << 100 << QByteArray("1*0A") << 4;
    QTest::newRow("value-cut-at-star") << QByteArray("1*0A") << '*' << 64 << QByteArray("1") << 2;
    QTest::newRow("empty-word") << QByteArray(":rest") << ':' << 100 << QByteArray() << 1;
    QTest::newRow("empty-source") << QByteArray("") << ':' << 100 << QByteArray() << 0;
    QTest::newRow("long-word-cut-to-size")
        << QByteArray(100, 'a') + "*x" << '*' << 64 << QByteArray(63, 'a') << 101;
}

void TextServicesTest::nextWord3CopiesBoundedAndMovesPastTheWord()
{
    QFETCH(QByteArray, source);
    QFETCH(char, delimiter);
    QFETCH(int, size);
    QFETCH(QByteArray, word);
    QFETCH(int, consumed);

    QByteArray dest(size + 8, 'Z');
    QCOMPARE(next_word3(dest.data(), source.constData(), delimiter, size), consumed);
    QCOMPARE(QByteArray(dest.constData()), word);
    QCOMPARE(dest.at(size), 'Z');
}

void TextServicesTest::resolvePathExpandsAppDirWithinTheSize()
{
    char out[1000];
    QVERIFY(process_resolve_path(out, sizeof out, "$(APP_DIR)/../etc/x.ini"));
    QCOMPARE(QString::fromLocal8Bit(out),
             QCoreApplication::applicationDirPath() + QStringLiteral("/../etc/x.ini"));

    char small[8];
    std::memset(small, 'X', sizeof small);
    QVERIFY(!process_resolve_path(small, 4, "$(APP_DIR)/long"));
    QCOMPARE(small[0], '\0');
    QCOMPARE(small[4], 'X');
    QVERIFY(process_resolve_path(out, sizeof out, "plain"));
    QCOMPARE(QByteArray(out), QByteArray("plain"));
}

void TextServicesTest::textToIntReadsLikeAtoiWithoutOverflow_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("12") << 12;
    QTest::newRow("leading-blanks-and-sign") << QByteArray("  -7x") << -7;
    QTest::newRow("no-digits") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("decimal-stops-at-point") << QByteArray("0.5") << 0;
    QTest::newRow("huge-clamps") << QByteArray("99999999999999999999") << INT_MAX;
    QTest::newRow("huge-negative-clamps") << QByteArray("-99999999999999999999") << INT_MIN;
}

void TextServicesTest::textToIntReadsLikeAtoiWithoutOverflow()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(text_to_int(text.constData()), value);
}

void TextServicesTest::formatterCutsAtItsCapacity()
{
    ScopedFormatter formatter(10);
    formatter.format("%s", "12345");
    QCOMPARE(QByteArray(formatter.format("%s", "6789ABCDEF")), QByteArray("123456789A"));
    QVERIFY(formatter.get()->truncated());
    QCOMPARE(formatter.get()->length(), std::size_t(10));

    ScopedFormatter sentence(300);
    QCOMPARE(QByteArray(sentence.format("#KVT,,SET,GNSS.NMEA.%s,%s\r\n", "GGA", "1")),
             QByteArray("#KVT,,SET,GNSS.NMEA.GGA,1\r\n"));
    QVERIFY(!sentence.get()->truncated());
}

void TextServicesTest::deviceBytesAreShownEscaped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("printable-ascii") << QByteArray("$GP,1 ~A*7F") << QStringLiteral("$GP,1 ~A*7F");
    QTest::newRow("tab-and-nul") << QByteArray("a\tb\0c", 5) << QStringLiteral("a\\x09b\\x00c");
    QTest::newRow("del-and-high") << QByteArray("\x7f\x80\xff")
                                  << QStringLiteral("\\x7F\\x80\\xFF");
    QTest::newRow("utf8-cjk") << QByteArray("中") << QStringLiteral("\\xE4\\xB8\\xAD");
    QTest::newRow("terminal-escape") << QByteArray("\x1b[2J") << QStringLiteral("\\x1B[2J");
    QTest::newRow("backslash-is-not-taken-for-an-escape")
        << QByteArray("a\\x41\\") << QStringLiteral("a\\\\x41\\\\");
}

void TextServicesTest::deviceBytesAreShownEscaped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(shownBytes(bytes), expected);
}

void TextServicesTest::deviceBytesAreKeptForRecords_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("printable-ascii") << QByteArray("ZR415-0041") << QStringLiteral("ZR415-0041");
    QTest::newRow("utf8-kept-as-text") << QByteArray("中") << QStringLiteral("中");
    QTest::newRow("byte-order-mark-kept") << QByteArray("\xef\xbb\xbf"
                                                        "A")
                                          << QStringLiteral("\uFEFFA");
    QTest::newRow("not-utf8") << QByteArray("A\xff") << QStringLiteral("A\\xFF");
    QTest::newRow("utf8-cut-short") << QByteArray("A\xe4\xb8") << QStringLiteral("A\\xE4\\xB8");
    QTest::newRow("nul") << QByteArray("1\0", 2) << QStringLiteral("1\\x00");
    QTest::newRow("backslash") << QByteArray("A\\xFF") << QStringLiteral("A\\\\xFF");
}

void TextServicesTest::deviceBytesAreKeptForRecords()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(keptDeviceText(bytes), expected);
}

void TextServicesTest::dictionaryKeepsValuesOfAnyLengthAndOrder()
{
    IDictionary* dictionary = dictionary_get_instance(0);
    const std::string big(1 << 20, 'v');
    dic_set_value(dictionary, "b", "%s", big.c_str());
    dic_set_value(dictionary, "a", "%d", -1);
    dic_set_value(dictionary, "b", "%s", "short");
    QCOMPARE(QByteArray(dictionary->get("a")), QByteArray("-1"));
    QCOMPARE(QByteArray(dictionary->get("b")), QByteArray("short"));
    QCOMPARE(dictionary->count(), std::size_t(2));
    QCOMPARE(QByteArray(dictionary->keyAt(0)), QByteArray("b"));
    dic_set_value(dictionary, "big", "%s", big.c_str());
    QCOMPARE(std::strlen(dictionary->get("big")), big.size());
    QVERIFY(dictionary->get("missing") == nullptr);
    dictionary_release_instance(&dictionary);
    QVERIFY(dictionary == nullptr);
}

void TextServicesTest::valuePointerStaysValidWhileOtherKeysAreSet_data()
{
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<int>("added");
    // Short texts live inside the string object itself, so they move whenever it moves.
    QTest::newRow("short-value-few-keys") << QByteArray("1") << 10;
    QTest::newRow("short-value-many-keys") << QByteArray("COM3") << 20000;
    QTest::newRow("empty-value-many-keys") << QByteArray("") << 20000;
    QTest::newRow("long-value-many-keys") << QByteArray(300, 'v') << 20000;
}

// A caller may keep the pointer get() gave while it sets other keys: the sanitizer build
// reports a read through a pointer that moved.
void TextServicesTest::valuePointerStaysValidWhileOtherKeysAreSet()
{
    QFETCH(QByteArray, held);
    QFETCH(int, added);
    IDictionary* dictionary = dictionary_get_instance(0);
    dictionary->set("held", held.constData());
    const char* pointer = dictionary->get("held");
    for (int i = 0; i < added; ++i) {
        const QByteArray key = "key" + QByteArray::number(i);
        dictionary->set(key.constData(), key.constData());
        if (i % 100 == 0)
            dictionary->set("key0", "set again");
    }
    // The same text where it was, not merely an equal text somewhere else.
    QCOMPARE(static_cast<const void*>(dictionary->get("held")), static_cast<const void*>(pointer));
    QCOMPARE(QByteArray(pointer), held);
    QCOMPARE(dictionary->count(), std::size_t(added) + 1);
    QCOMPARE(QByteArray(dictionary->keyAt(0)), QByteArray("held"));
    QCOMPARE(QByteArray(dictionary->keyAt(std::size_t(added))),
             "key" + QByteArray::number(added - 1));
    QCOMPARE(QByteArray(dictionary->get("key0")), QByteArray("set again"));
    dictionary_release_instance(&dictionary);
}

void TextServicesTest::dicGetCszFallsBackToDefaultOrThrowsLogged()
{
    RecordingLogger logger;
    IDictionary* dictionary = dictionary_get_instance(0);
    dic_set_value(dictionary, "sbas", "%s", "7abc");
    QCOMPARE(dic_get_int(dictionary, "sbas", "0"), 7);
    QCOMPARE(QByteArray(dic_get_csz(dictionary, "none", "fallback")), QByteArray("fallback"));
    QCOMPARE(dic_get_int(dictionary, "none", ""), 0);
    try {
        dic_get_csz(dictionary, "none", nullptr);
        QFAIL("a missing key without default must throw");
    } catch (const std::runtime_error& error) {
        QCOMPARE(QByteArray(error.what()),
                 QByteArray("<ERROR ctx='dic_get_csz'>missing[none]!</ERROR>"));
    }
    QCOMPARE(logger.entries.size(), std::size_t(1));
    dictionary_release_instance(&dictionary);
}

void TextServicesTest::throwLoggedErrorLogsTheFormatAndThrowsTheBoundedText()
{
    RecordingLogger logger;
    const std::string longText(5000, 'p');
    try {
        throw_logged_error("load(%s) fail! %d", longText.c_str(), 42);
        QFAIL("must throw");
    } catch (const std::runtime_error& error) {
        QCOMPARE(std::strlen(error.what()), std::size_t(2039));
        QVERIFY(QByteArray(error.what()).startsWith("load(ppp"));
    }
    // The logger got the format itself and an argument list it could read in full.
    QCOMPARE(logger.formats.size(), std::size_t(1));
    QCOMPARE(QByteArray(logger.formats[0].c_str()), QByteArray("load(%s) fail! %d"));
    QCOMPARE(logger.entries[0], "load(" + longText + ") fail! 42");
}

void TextServicesTest::stateLogFolderFollowsTheUsersStateHome_data()
{
    QTest::addColumn<QByteArray>("stateHome"); // "<unset>" for none
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("state-home-set")
        << QByteArray("/var/state") << QByteArray("/home/op") << QByteArray("/var/state/zr415");
    QTest::newRow("state-home-unset") << QByteArray("<unset>") << QByteArray("/home/op")
                                      << QByteArray("/home/op/.local/state/zr415");
    QTest::newRow("state-home-empty")
        << QByteArray("") << QByteArray("/home/op") << QByteArray("/home/op/.local/state/zr415");
    QTest::newRow("state-home-relative-is-ignored") << QByteArray("state") << QByteArray("/home/op")
                                                    << QByteArray("/home/op/.local/state/zr415");
}

void TextServicesTest::stateLogFolderFollowsTheUsersStateHome()
{
    QFETCH(QByteArray, stateHome);
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, folder);
    ScopedEnvironment state("XDG_STATE_HOME",
                            stateHome == "<unset>" ? nullptr : stateHome.constData());
    ScopedEnvironment user("HOME", home.constData());
    QCOMPARE(QByteArray::fromStdString(state_log_folder()), folder);
}

void TextServicesTest::logGoesToTheFirstFolderItCanBeWrittenIn_data()
{
    QTest::addColumn<QString>("logFolder");
    QTest::addColumn<bool>("fallsBack");
    QTest::newRow("writable") << "writable" << false;
    QTest::newRow("created-when-missing") << "missing" << false;
    QTest::newRow("read-only") << "read-only" << true;
    QTest::newRow("a-file-in-its-place") << "file" << true;
    QTest::newRow("under-a-file") << "under-file" << true;
}

// The installed log folder may not be writable by this operator: the log then goes to the
// state folder instead of being lost.
void TextServicesTest::logGoesToTheFirstFolderItCanBeWrittenIn()
{
    QFETCH(QString, logFolder);
    QFETCH(bool, fallsBack);
    // In /tmp, which every user may pass through, whatever folder the build lies in: the
    // read-only row runs as an unprivileged user. The state folder must take that user too,
    // who keeps the superuser's group.
    QTemporaryDir root(QStringLiteral("/tmp/zr415-log-XXXXXX"));
    QVERIFY(QFile::setPermissions(root.path(), QFileDevice::Permissions(0x7777)));
    const QString primary = root.filePath(QStringLiteral("log"));
    const QString fallback = root.filePath(QStringLiteral("state/zr415"));
    if (logFolder == QLatin1String("writable") || logFolder == QLatin1String("read-only"))
        QVERIFY(QDir().mkpath(primary));
    if (logFolder == QLatin1String("file") || logFolder == QLatin1String("under-file")) {
        QFile blocker(root.filePath(QStringLiteral("log")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QString used = logFolder == QLatin1String("under-file")
                             ? root.filePath(QStringLiteral("log/sub"))
                             : primary;
    std::vector<std::string> passedOver;
    std::unique_ptr<FileLogger> logger;
    if (logFolder == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(primary, QFileDevice::Permissions(0x5555)));
        // The superuser writes anywhere: open as an ordinary user instead.
        const uid_t was = geteuid();
        if (was == 0)
            QVERIFY(seteuid(65534) == 0);
        logger =
            FileLogger::openInFirstUsable({used.toStdString(), fallback.toStdString()}, passedOver);
        if (was == 0)
            QVERIFY(seteuid(0) == 0);
    } else {
        logger =
            FileLogger::openInFirstUsable({used.toStdString(), fallback.toStdString()}, passedOver);
    }
    QVERIFY2(logger, passedOver.empty() ? "" : passedOver.back().c_str());
    logger->log("entry %d", 1);
    const QString expected = (fallsBack ? fallback : used) + QStringLiteral("/ZR415.log");
    QCOMPARE(QString::fromStdString(logger->path()), expected);
    QVERIFY(readFile(expected).endsWith(" entry 1\n"));
    QCOMPARE(passedOver.size(), std::size_t(fallsBack ? 1 : 0));
    if (fallsBack)
        QVERIFY2(QString::fromStdString(passedOver[0]).contains(used), passedOver[0].c_str());
    else
        QVERIFY(!QFileInfo::exists(fallback));
}

void TextServicesTest::processLogLivesBesideTheProgram()
{
    const char* folder = log_folder();
    QVERIFY(folder);
    QCOMPARE(QString::fromLocal8Bit(folder),
             QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../log")));
    QVERIFY(QFileInfo(QString::fromLocal8Bit(folder) + QStringLiteral("/ZR415.log")).isFile());
}

QTEST_GUILESS_MAIN(TextServicesTest)
#include "tst_textservices.moc"
