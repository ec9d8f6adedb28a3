// The settings file on disk: loading, byte-exact round trips, and saves that fail honestly.
#include "IDictionary.h"
#include "IniParameter.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray value(IniParameter& settings, const char* key)
{
    const char* text = settings.dictionary()->get(key);
    return text ? QByteArray(text) : QByteArray("<absent>");
}
} // namespace

class IniParameterTest : public QObject
{
    Q_OBJECT

private slots:
    void loadFailsForMissingFileOrFolder();
    void plainLinesCommentsAndSectionsLoad();
    void everyValueComesBackByteForByte_data();
    void everyValueComesBackByteForByte();
    void saveKeepsCommentsUnknownKeysAndLineEnds();
    void onlyTheLineOfAChangedValueIsRewritten_data();
    void onlyTheLineOfAChangedValueIsRewritten();
    void malformedLinesDoNotStopTheLoad();
    void savingTwiceWritesTheSameBytes_data();
    void savingTwiceWritesTheSameBytes();
    void fileChangesOnlyWhenSaved();
    void saveIntoReadOnlyFileFailsAndKeepsIt();
    void saveIntoReadOnlyFolderFailsAndKeepsTheFile();
    void saveOntoFullDiskFailsAndKeepsTheFile();
    void saveKeepsTheModeOfTheFile_data();
    void saveKeepsTheModeOfTheFile();
    void saveRefusesALinkInTheFilesPlace_data();
    void saveRefusesALinkInTheFilesPlace();

private:
    QTemporaryDir folder;
    QString pathOf(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
};

void IniParameterTest::loadFailsForMissingFileOrFolder()
{
    IniParameter settings;
    QVERIFY(!settings.load(pathOf("missing.ini").toLocal8Bit().constData()));
    QVERIFY(QByteArray(settings.error_text()).size() > 0);
    QVERIFY(!settings.load(folder.path().toLocal8Bit().constData()));
    QVERIFY(!settings.load(nullptr));
    // Nothing was loaded, so there is nowhere to save to.
    QVERIFY(!settings.save(nullptr));
}

void IniParameterTest::plainLinesCommentsAndSectionsLoad()
{
    const QString path = pathOf("plain.ini");
    writeFile(path, "; comment\n# other comment\nsbas=1\n[ZR415]\n  portNum = COM3  \n"
                    "setCommandGGA=0.5\n\n");
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    QCOMPARE(value(settings, "sbas"), QByteArray("1"));
    QCOMPARE(value(settings, "portNum"), QByteArray("COM3"));
    QCOMPARE(value(settings, "setCommandGGA"), QByteArray("0.5"));
    QCOMPARE(value(settings, "; comment"), QByteArray("<absent>"));
    QCOMPARE(settings.dictionary()->count(), std::size_t(3));
}

void IniParameterTest::everyValueComesBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("spaces-both-ends") << QByteArray("  a b  ");
    QTest::newRow("tab-at-end") << QByteArray("x\t");
    QTest::newRow("equals") << QByteArray("a=b=c");
    QTest::newRow("semicolon-and-hash") << QByteArray("; not a comment # either");
    QTest::newRow("comma") << QByteArray("a,b,c");
    QTest::newRow("leading-at") << QByteArray("@Variant(x)");
    QTest::newRow("quotes-around") << QByteArray("\"quoted\"");
    QTest::newRow("quote-inside") << QByteArray("say \"hi\"");
    QTest::newRow("lone-quote") << QByteArray("\"");
    QTest::newRow("backslashes") << QByteArray("C:\\dir\\n");
    QTest::newRow("non-ascii") << QByteArray("设置ZR415 é");
    QTest::newRow("newline-and-cr") << QByteArray("line1\nline2\r");
    QTest::newRow("control-bytes") << QByteArray("\x01\x1f\x7f");
    QTest::newRow("negative-number") << QByteArray("-1");
}

void IniParameterTest::everyValueComesBackByteForByte()
{
    QFETCH(QByteArray, text);
    const QString path = pathOf("roundtrip.ini");
    writeFile(path, "");
    IniParameter first;
    QVERIFY(first.load(path.toLocal8Bit().constData()));
    first.dictionary()->set("key", text.constData());
    first.dictionary()->set("after", "still here");
    QVERIFY2(first.save(nullptr), first.error_text());

    IniParameter second;
    QVERIFY(second.load(path.toLocal8Bit().constData()));
    QCOMPARE(value(second, "key"), text);
    QCOMPARE(value(second, "after"), QByteArray("still here"));
}

void IniParameterTest::saveKeepsCommentsUnknownKeysAndLineEnds()
{
    const QString path = pathOf("keep.ini");
    writeFile(path, "\xEF\xBB\xBF; operator notes\r\nunknownKey=kept\r\nsbas=0\r\nsbas=0\r\n");
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    settings.dictionary()->set("sbas", "1");
    settings.dictionary()->set("newKey", "new");
    QVERIFY(settings.save(nullptr));
    // Only the last sbas line gave the value; the earlier one stays as the operator left it.
    QCOMPARE(readFile(path), QByteArray("\xEF\xBB\xBF; operator notes\r\nunknownKey=kept\r\n"
                                        "sbas=0\r\nsbas=1\r\nnewKey=new\r\n"));
}

void IniParameterTest::onlyTheLineOfAChangedValueIsRewritten_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("same-key-in-two-sections-changed")
        << QByteArray("[a]\nname=one\n[b]\nname=two\n") << QByteArray("name") << QByteArray("three")
        << QByteArray("[a]\nname=one\n[b]\nname=three\n");
    QTest::newRow("same-key-in-two-sections-unchanged")
        << QByteArray("[a]\nname=one\n[b]\nname=two\n") << QByteArray("name") << QByteArray("two")
        << QByteArray("[a]\nname=one\n[b]\nname=two\n");
    QTest::newRow("repeated-key-crlf") << QByteArray("a=1\r\nb=2\r\na=3\r\n") << QByteArray("a")
                                       << QByteArray("4") << QByteArray("a=1\r\nb=2\r\na=4\r\n");
    QTest::newRow("quoted-value-unchanged")
        << QByteArray("station=\"north, mast 2\"\n") << QByteArray("station")
        << QByteArray("north, mast 2") << QByteArray("station=\"north, mast 2\"\n");
    QTest::newRow("quoted-value-changed-stays-quoted")
        << QByteArray("station=\"north, mast 2\"\n") << QByteArray("station")
        << QByteArray("south, mast 3") << QByteArray("station=\"south, mast 3\"\n");
    QTest::newRow("escaped-value-unchanged")
        << QByteArray("path=\"C:\\\\dir\"\n") << QByteArray("path") << QByteArray("C:\\dir")
        << QByteArray("path=\"C:\\\\dir\"\n");
    QTest::newRow("spacing-unchanged")
        << QByteArray("  portNum = COM3  \n") << QByteArray("portNum") << QByteArray("COM3")
        << QByteArray("  portNum = COM3  \n");
    QTest::newRow("spacing-kept-when-changed")
        << QByteArray("\tportNum = COM3 \n") << QByteArray("portNum") << QByteArray("COM4")
        << QByteArray("\tportNum = COM4 \n");
    QTest::newRow("empty-value-filled") << QByteArray("sbas=\nx=1\n") << QByteArray("sbas")
                                        << QByteArray("1") << QByteArray("sbas=1\nx=1\n");
    QTest::newRow("plain-value-that-now-needs-quotes")
        << QByteArray("note=x\n") << QByteArray("note") << QByteArray(" padded ")
        << QByteArray("note=\" padded \"\n");
    // Each line keeps the end it had, a lone CR (old editors) included.
    QTest::newRow("lone-cr-line-ends")
        << QByteArray("sbas=0\rstation=north-7\r") << QByteArray("sbas") << QByteArray("1")
        << QByteArray("sbas=1\rstation=north-7\r");
    QTest::newRow("three-kinds-of-line-end")
        << QByteArray("a=1\rsbas=0\r\nc=3\n") << QByteArray("sbas") << QByteArray("1")
        << QByteArray("a=1\rsbas=1\r\nc=3\n");
    // A value the settings cannot hold whole keeps its line as written.
    QTest::newRow("escaped-nul-kept-as-written")
        << QByteArray("q=\"a\\x00b\\\"c\"\nsbas=0\n") << QByteArray("sbas") << QByteArray("1")
        << QByteArray("q=\"a\\x00b\\\"c\"\nsbas=1\n");
}

void IniParameterTest::onlyTheLineOfAChangedValueIsRewritten()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, saved);
    const QString path = pathOf("rewrite.ini");
    writeFile(path, file);
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    settings.dictionary()->set(key.constData(), value.constData());
    QVERIFY2(settings.save(nullptr), settings.error_text());
    QCOMPARE(readFile(path), saved);

    IniParameter reloaded;
    QVERIFY(reloaded.load(path.toLocal8Bit().constData()));
    QCOMPARE(::value(reloaded, key.constData()), value);
}

void IniParameterTest::malformedLinesDoNotStopTheLoad()
{
    const QString path = pathOf("malformed.ini");
    static const char bytes[] = "no equals sign\n=no key\n[unclosed\nbad\0line=x\n\xff\xfe=binary\n"
                                "good=yes\nlast=no newline";
    writeFile(path, QByteArray(bytes, sizeof bytes - 1));
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    QCOMPARE(value(settings, "good"), QByteArray("yes"));
    QCOMPARE(value(settings, "last"), QByteArray("no newline"));
    QCOMPARE(value(settings, "\xff\xfe"), QByteArray("binary"));
    QCOMPARE(value(settings, "bad"), QByteArray("<absent>"));
}

void IniParameterTest::savingTwiceWritesTheSameBytes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("indented-key-that-starts-like-a-mark") << QByteArray("\t\xEF\xBB\xBFkey=0\n");
    QTest::newRow("last-line-ends-in-lone-cr") << QByteArray("a=1\r\nb=0.5\r");
    QTest::newRow("mixed-line-ends") << QByteArray("a=1\r\nb=2\nc\r\r\n");
    QTest::newRow("no-final-newline") << QByteArray("a=1");
}

// The first save may add keys; from then on load and save change nothing, and every value
// comes back as it was loaded.
void IniParameterTest::savingTwiceWritesTheSameBytes()
{
    QFETCH(QByteArray, file);
    IniParameter first;
    first.parse(file.toStdString());
    first.dictionary()->set("portNum", "COM3");
    const std::string saved = first.render();
    IniParameter second;
    second.parse(saved);
    QCOMPARE(second.render(), saved);
    QCOMPARE(second.dictionary()->count(), first.dictionary()->count());
    for (std::size_t i = 0; i < first.dictionary()->count(); ++i) {
        const char* key = first.dictionary()->keyAt(i);
        QCOMPARE(value(second, key), QByteArray(first.dictionary()->get(key)));
    }
}

void IniParameterTest::fileChangesOnlyWhenSaved()
{
    const QString path = pathOf("untouched.ini");
    writeFile(path, "sbas=0\n");
    {
        IniParameter settings;
        QVERIFY(settings.load(path.toLocal8Bit().constData()));
        settings.dictionary()->set("sbas", "1");
        QCoreApplication::processEvents();
    }
    QCOMPARE(readFile(path), QByteArray("sbas=0\n"));
}

void IniParameterTest::saveIntoReadOnlyFileFailsAndKeepsIt()
{
    const QString path = pathOf("readonly.ini");
    writeFile(path, "sbas=0\n");
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    settings.dictionary()->set("sbas", "1");
    QVERIFY(!settings.save(nullptr));
    QVERIFY(QByteArray(settings.error_text()).contains("read-only"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(readFile(path), QByteArray("sbas=0\n"));
}

void IniParameterTest::saveIntoReadOnlyFolderFailsAndKeepsTheFile()
{
    QTemporaryDir locked;
    const QString path = locked.filePath(QStringLiteral("ZR415.ini"));
    writeFile(path, "sbas=0\n");
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    settings.dictionary()->set("sbas", "1");
    const bool saved = settings.save(nullptr);
    QFile::setPermissions(locked.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!saved);
    QVERIFY(QByteArray(settings.error_text()).contains("read-only"));
    QCOMPARE(readFile(path), QByteArray("sbas=0\n"));
    QCOMPARE(QDir(locked.path()).entryList(QDir::Files), QStringList{QStringLiteral("ZR415.ini")});
}

void IniParameterTest::saveOntoFullDiskFailsAndKeepsTheFile()
{
    const QString path = pathOf("full.ini");
    const QByteArray original = "sbas=0\n";
    writeFile(path, original);
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    settings.dictionary()->set("small", "a value that does not fill a write buffer");

    // A file-size limit makes every write past 16 bytes fail the way a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit limited = before;
    limited.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved = settings.save(nullptr);
    setrlimit(RLIMIT_FSIZE, &before);

    QVERIFY(!saved);
    QVERIFY(QByteArray(settings.error_text()).size() > 0);
    QCOMPARE(readFile(path), original);
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("full.ini*")}, QDir::Files).size(), 1);
}

void IniParameterTest::saveKeepsTheModeOfTheFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("owner-only") << 0600;
    QTest::newRow("group-writable") << 0664;
    QTest::newRow("group-read-only") << 0640;
}

// The file is replaced by a new one: it must come out as the operator's group left it.
void IniParameterTest::saveKeepsTheModeOfTheFile()
{
    QFETCH(int, mode);
    const QString path = pathOf("mode.ini");
    writeFile(path, "sbas=0\n");
    const QByteArray local = path.toLocal8Bit();
    QCOMPARE(chmod(local.constData(), static_cast<mode_t>(mode)), 0);
    IniParameter settings;
    QVERIFY(settings.load(local.constData()));
    settings.dictionary()->set("sbas", "1");
    QVERIFY2(settings.save(nullptr), settings.error_text());
    struct stat saved = {};
    QCOMPARE(lstat(local.constData(), &saved), 0);
    QVERIFY(S_ISREG(saved.st_mode));
    QCOMPARE(int(saved.st_mode & 07777), mode);
    QCOMPARE(readFile(path), QByteArray("sbas=1\n"));
}

void IniParameterTest::saveRefusesALinkInTheFilesPlace_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<bool>("givenByName");
    QTest::newRow("link-to-a-file-elsewhere") << true << false;
    QTest::newRow("link-to-a-file-named-in-the-call") << true << true;
    QTest::newRow("dangling-link") << false << false;
}

// A link planted where the file was loaded from: the save fails and what the link points to
// is neither changed nor created.
void IniParameterTest::saveRefusesALinkInTheFilesPlace()
{
    QFETCH(bool, targetExists);
    QFETCH(bool, givenByName);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("victim"));
    const QByteArray victim = "not a settings file\n";
    if (targetExists)
        writeFile(target, victim);
    QTemporaryDir shared;
    const QString path = shared.filePath(QStringLiteral("ZR415.ini"));
    writeFile(path, "sbas=0\n");
    IniParameter settings;
    QVERIFY(settings.load(path.toLocal8Bit().constData()));
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::link(target, path));

    settings.dictionary()->set("sbas", "1");
    QVERIFY(!settings.save(givenByName ? path.toLocal8Bit().constData() : nullptr));
    QCOMPARE(settings.error_kind(), SaveError::FileIsLink);
    QVERIFY(QByteArray(settings.error_text()).contains("symbolic link"));
    QCOMPARE(QFileInfo::exists(target), targetExists);
    if (targetExists)
        QCOMPARE(readFile(target), victim);
    QCOMPARE(QFileInfo(path).symLinkTarget(), target);
    QCOMPARE(QDir(shared.path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
             QStringList{QStringLiteral("ZR415.ini")});
}

QTEST_GUILESS_MAIN(IniParameterTest)
#include "tst_iniparameter.moc"
