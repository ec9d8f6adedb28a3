// The Debian package as an operator's machine receives it: built from this tree by cpack, its
// files, modes and control fields, its maintainer scripts run on a temporary root, and the
// extracted programs started from there.
#include <QtTest>

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <csignal>

namespace {
const QString buildDir = QStringLiteral(ZR415_BUILD_DIR);
const QString prefix = QStringLiteral("/opt/zr415");
const QString settingsFile = QStringLiteral("/opt/zr415/etc/Corvane/config/ZR415.ini");
constexpr bool haveCtl = ZR415_HAVE_CTL;

struct Result
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result run(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Result result;
    // Generous: cpack and lintian are slow on a busy machine, and nothing here measures speed.
    result.finished =
        process.waitForFinished(240000) && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool succeeded(const Result& result)
{
    return result.finished && result.exitCode == 0;
}

QByteArray describe(const QString& what, const Result& result)
{
    return (what + QStringLiteral(" failed (%1): ").arg(result.exitCode)).toUtf8() + result.err +
           result.out;
}

// One entry of the package's file list, as dpkg-deb -c shows it.
struct Entry
{
    QString mode;
    QString owner;
    QString target;
};

// What the package must hold besides folders: path, mode, link target.
struct Shipped
{
    const char* path;
    const char* mode;
    const char* target;
    bool fromCtl;
};

const Shipped shipped[] = {
    {"/opt/zr415/bin/zr415", "-rwxr-xr-x", "", false},
    {"/opt/zr415/bin/zr415-sim", "-rwxr-xr-x", "", false},
    {"/opt/zr415/etc/Corvane/config/ZR415.ini", "-rw-r--r--", "", false},
    {"/usr/bin/zr415", "lrwxrwxrwx", "/opt/zr415/bin/zr415", false},
    {"/usr/share/applications/zr415.desktop", "-rw-r--r--", "", false},
    {"/usr/share/icons/hicolor/scalable/apps/zr415.svg", "-rw-r--r--", "", false},
    {"/usr/share/man/man1/zr415.1.gz", "-rw-r--r--", "", false},
    {"/usr/share/man/man1/zr415-sim.1.gz", "-rw-r--r--", "", false},
    {"/usr/share/doc/zr415/copyright", "-rw-r--r--", "", false},
    {"/usr/share/doc/zr415/changelog.gz", "-rw-r--r--", "", false},
    {"/usr/share/lintian/overrides/zr415", "-rw-r--r--", "", false},
    {"/opt/zr415/bin/zr415ctl", "-rwxr-xr-x", "", true},
    {"/usr/bin/zr415ctl", "lrwxrwxrwx", "/opt/zr415/bin/zr415ctl", true},
    {"/usr/share/man/man1/zr415ctl.1.gz", "-rw-r--r--", "", true},
};

bool expected(const Shipped& file)
{
    return !file.fromCtl || haveCtl;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString controlField(const QString& deb, const QString& field)
{
    const Result value = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, field});
    return succeeded(value) ? QString::fromUtf8(value.out.trimmed()) : QString();
}

// Mode and group of each path, as root would see them after the maintainer script ran under
// fakeroot (the same session must ask, so the script and stat run in one shell).
QStringList statAfter(const QString& script, const QStringList& paths)
{
    QStringList arguments = {QStringLiteral("sh"), QStringLiteral("-c"),
                             script + QStringLiteral(" && stat -c '%a %G' \"$@\""),
                             QStringLiteral("sh")};
    const Result result = run(QStringLiteral("fakeroot"), arguments + paths);
    if (!succeeded(result))
        return {QString::fromUtf8(describe(QStringLiteral("fakeroot"), result))};
    return QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts);
}
} // namespace

class PackageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileNameFollowsDebianNaming();
    void shipsEachFileWithItsModeAndOwner_data();
    void shipsEachFileWithItsModeAndOwner();
    void shipsNothingElse();
    void controlFields_data();
    void controlFields();
    void settingsFileIsTheOnlyConffile();
    void configureSharesTheFoldersWithDialout_data();
    void configureSharesTheFoldersWithDialout();
    void purgeRemovesTheLog_data();
    void purgeRemovesTheLog();
    void dpkgPurgeLeavesTheSystemsOpt_data();
    void dpkgPurgeLeavesTheSystemsOpt();
    void desktopEntryStartsTheProgram_data();
    void desktopEntryStartsTheProgram();
    void compressedFilesAreReproducible_data();
    void compressedFilesAreReproducible();
    void manualPagesCoverTheirCommands_data();
    void manualPagesCoverTheirCommands();
    void extractedProgramFindsItsSettingsThroughALink();
    void extractedToolsPrintThePackagesVersion_data();
    void extractedToolsPrintThePackagesVersion();
    void extractedProgramsNeedNoSearchPath_data();
    void extractedProgramsNeedNoSearchPath();
    void installKeepsTheBuildLayoutInsideItsPrefix_data();
    void installKeepsTheBuildLayoutInsideItsPrefix();
    void lintianFindsNoError();

private:
    // A fresh copy of the package's files under a new temporary folder.
    QString extract();

    QTemporaryDir work;
    QString deb;
    QString control; // the maintainer scripts and conffiles
    QString root;
    QMap<QString, Entry> listing;
};

QString PackageTest::extract()
{
    static int count = 0;
    const QString into = work.filePath(QStringLiteral("root%1").arg(++count));
    const Result result = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, into});
    return succeeded(result) ? into : QString();
}

void PackageTest::initTestCase()
{
    QVERIFY(work.isValid());
    const QString out = work.filePath(QStringLiteral("out"));
    const Result built =
        run(QStringLiteral(ZR415_CPACK),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             buildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out});
    QVERIFY2(succeeded(built), describe(QStringLiteral("cpack"), built).constData());
    const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    deb = QDir(out).filePath(debs.first());

    const Result contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    QVERIFY2(succeeded(contents), describe(QStringLiteral("dpkg-deb -c"), contents).constData());
    static const QRegularExpression line(
        QStringLiteral(R"(^(\S{10}) (\S+)\s+\d+ \S+ \S+ \.(/.*?)/?(?: -> (.*))?$)"));
    for (const QString& text : QString::fromUtf8(contents.out).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = line.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        listing.insert(match.captured(3),
                       {match.captured(1), match.captured(2), match.captured(4)});
    }
    root = extract();
    QVERIFY(!root.isEmpty());
    control = work.filePath(QStringLiteral("control"));
    const Result scripts = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), deb, control});
    QVERIFY2(succeeded(scripts), describe(QStringLiteral("dpkg-deb -e"), scripts).constData());
}

void PackageTest::fileNameFollowsDebianNaming()
{
    const Result architecture =
        run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QVERIFY(succeeded(architecture));
    QCOMPARE(QFileInfo(deb).fileName(), QStringLiteral("zr415_%1_%2.deb")
                                            .arg(controlField(deb, QStringLiteral("Version")),
                                                 QString::fromUtf8(architecture.out.trimmed())));
}

void PackageTest::shipsEachFileWithItsModeAndOwner_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("target");
    for (const Shipped& file : shipped)
        if (expected(file))
            QTest::newRow(file.path)
                << QString::fromLatin1(file.path) << QString::fromLatin1(file.mode)
                << QString::fromLatin1(file.target);
    // Folders the maintainer script opens to dialout start closed like any other.
    QTest::newRow("log folder") << QStringLiteral("/opt/zr415/log") << QStringLiteral("drwxr-xr-x")
                                << QString();
    QTest::newRow("settings folder") << QStringLiteral("/opt/zr415/etc/Corvane/config")
                                     << QStringLiteral("drwxr-xr-x") << QString();
}

void PackageTest::shipsEachFileWithItsModeAndOwner()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QFETCH(QString, target);
    QVERIFY2(listing.contains(path), qPrintable(path + QStringLiteral(" is not in the package")));
    const Entry entry = listing.value(path);
    QCOMPARE(entry.mode, mode);
    QCOMPARE(entry.owner, QStringLiteral("root/root"));
    QCOMPARE(entry.target, target);
    if (!target.isEmpty()) // the link leads to a file of the package
        QVERIFY(QFileInfo(root + target).isFile());
}

void PackageTest::shipsNothingElse()
{
    QStringList known;
    for (const Shipped& file : shipped)
        if (expected(file))
            known << QString::fromLatin1(file.path);
    for (auto it = listing.cbegin(); it != listing.cend(); ++it) {
        if (it->mode.startsWith(u'd'))
            continue;
        QVERIFY2(known.contains(it.key()),
                 qPrintable(it.key() + QStringLiteral(" is not expected")));
    }
    QCOMPARE(listing.value(QStringLiteral("/opt/zr415/log")).mode.left(1), QStringLiteral("d"));
    QVERIFY(QDir(root + QStringLiteral("/opt/zr415/log")).isEmpty());
}

void PackageTest::controlFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<bool>("whole");
    const Result architecture =
        run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QTest::newRow("architecture") << "Architecture" << QString::fromUtf8(architecture.out.trimmed())
                                  << true;
    QTest::newRow("summary names the receiver") << "Description"
                                                << "the ZR415 GNSS receiver" << false;
    // Version bounds only dpkg-shlibdeps knows: the dependencies came from the binaries.
    QTest::newRow("widgets from the binaries") << "Depends"
                                               << "libqt6widgets6 (>= " << false;
    QTest::newRow("serial port from the binaries") << "Depends"
                                                   << "libqt6serialport6 (>= " << false;
    QTest::newRow("C library from the binaries") << "Depends"
                                                 << "libc6 (>= " << false;
    QTest::newRow("a CJK font") << "Recommends"
                                << "fonts-wqy-microhei | fonts-noto-cjk" << false;
}

void PackageTest::controlFields()
{
    QFETCH(QString, field);
    QFETCH(QString, expectedText);
    QFETCH(bool, whole);
    const Result value = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, field});
    QVERIFY2(succeeded(value), describe(QStringLiteral("dpkg-deb -f"), value).constData());
    const QString text = QString::fromUtf8(value.out.trimmed());
    if (whole)
        QCOMPARE(text, expectedText);
    else
        QVERIFY2(text.contains(expectedText), qPrintable(field + QStringLiteral(": ") + text));
}

void PackageTest::settingsFileIsTheOnlyConffile()
{
    QCOMPARE(readFile(control + QStringLiteral("/conffiles")), settingsFile.toUtf8() + '\n');
    for (const char* script : {"postinst", "postrm"})
        QVERIFY2(QFileInfo(control + u'/' + QLatin1String(script)).isExecutable(), script);
}

void PackageTest::configureSharesTheFoldersWithDialout_data()
{
    QTest::addColumn<int>("runs");
    QTest::addColumn<bool>("plantLink");
    QTest::newRow("first configure") << 1 << false;
    QTest::newRow("configured again") << 2 << false;
    QTest::newRow("settings file swapped for a link") << 1 << true;
}

void PackageTest::configureSharesTheFoldersWithDialout()
{
    QFETCH(int, runs);
    QFETCH(bool, plantLink);
    QVERIFY2(run(QStringLiteral("getent"), {QStringLiteral("group"), QStringLiteral("dialout")})
                     .exitCode == 0,
             "this system has no group dialout");
    const QString into = extract();
    QVERIFY(!into.isEmpty());
    const QString settings = into + settingsFile;
    const QString victim = work.filePath(QStringLiteral("victim%1").arg(QTest::currentDataTag()));
    if (plantLink) {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::remove(settings));
        QVERIFY(QFile::link(victim, settings));
    }
    QStringList script;
    for (int i = 0; i < runs; ++i)
        script << QStringLiteral("DPKG_ROOT='%1' sh '%2/postinst' configure").arg(into, control);
    const QStringList modes =
        statAfter(script.join(QStringLiteral(" && ")),
                  {into + prefix + QStringLiteral("/etc/Corvane/config"),
                   into + prefix + QStringLiteral("/log"), plantLink ? victim : settings});
    QCOMPARE(modes.value(0), QStringLiteral("2775 dialout"));
    QCOMPARE(modes.value(1), QStringLiteral("2775 dialout"));
    // A planted link's target keeps its mode and group (fakeroot shows files it did not change
    // as root's).
    QCOMPARE(modes.value(2),
             plantLink ? QStringLiteral("600 root") : QStringLiteral("664 dialout"));
}

void PackageTest::purgeRemovesTheLog_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("operatorFile");
    QTest::addColumn<bool>("logKept");
    QTest::addColumn<bool>("treeKept");
    QTest::newRow("remove keeps the log") << "remove" << false << true << true;
    QTest::newRow("purge removes the whole tree") << "purge" << false << false << false;
    QTest::newRow("purge keeps a file of the operator") << "purge" << true << false << true;
}

void PackageTest::purgeRemovesTheLog()
{
    QFETCH(QString, action);
    QFETCH(bool, operatorFile);
    QFETCH(bool, logKept);
    QFETCH(bool, treeKept);
    const QString into = extract();
    QVERIFY(!into.isEmpty());
    // As dpkg leaves it before postrm: the package's files gone, what the programs wrote kept.
    const QString opt = into + prefix;
    QVERIFY(QDir(opt + QStringLiteral("/bin")).removeRecursively());
    QVERIFY(QFile::remove(into + settingsFile));
    QFile log(opt + QStringLiteral("/log/ZR415.log"));
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.close();
    const QString kept = opt + QStringLiteral("/etc/Corvane/config/ZR415.ini.backup");
    if (operatorFile) {
        QFile file(kept);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DPKG_ROOT"), into);
    const Result result =
        run(QStringLiteral("sh"), {control + QStringLiteral("/postrm"), action}, environment);
    QVERIFY2(succeeded(result), describe(QStringLiteral("postrm"), result).constData());
    QCOMPARE(QFileInfo::exists(log.fileName()), logKept);
    QCOMPARE(QFileInfo::exists(opt), treeKept);
    QCOMPARE(QFileInfo::exists(kept), operatorFile);
}

void PackageTest::dpkgPurgeLeavesTheSystemsOpt_data()
{
    QTest::addColumn<QString>("commands");
    QTest::addColumn<bool>("treeKept");
    QTest::newRow("installed") << "-i '%1'" << true;
    QTest::newRow("installed-then-purged") << "-i '%1' && dpkg $on -P zr415" << false;
}

// dpkg itself on a scratch system: on purge it removes the folders the package owns, and /opt
// is the system's (the base system makes it), whatever else is or is not in it.
void PackageTest::dpkgPurgeLeavesTheSystemsOpt()
{
    QFETCH(QString, commands);
    QFETCH(bool, treeKept);
    const QString system = work.filePath(QStringLiteral("system-%1").arg(QTest::currentDataTag()));
    const QString script =
        QStringLiteral("mkdir -p '%1' && cd '%1' && mkdir -p opt var/log var/lib/dpkg/info "
                       "var/lib/dpkg/updates "
                       "var/lib/dpkg/triggers && touch var/lib/dpkg/status var/lib/dpkg/available "
                       "&& on='--root=%1 --force-script-chrootless --force-depends "
                       "--force-not-root --force-bad-path' && dpkg $on ")
            .arg(system) +
        commands.arg(deb);
    const Result result =
        run(QStringLiteral("fakeroot"), {QStringLiteral("sh"), QStringLiteral("-c"), script});
    QVERIFY2(succeeded(result), describe(QStringLiteral("dpkg"), result).constData());
    QVERIFY(QFileInfo(system + QStringLiteral("/opt")).isDir());
    QCOMPARE(QFileInfo::exists(system + prefix), treeKept);
}

void PackageTest::desktopEntryStartsTheProgram_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("installedAs");
    QTest::newRow("program on the path") << "Exec"
                                         << "/usr/bin/%1";
    QTest::newRow("icon of the theme") << "Icon"
                                       << "/usr/share/icons/hicolor/scalable/apps/%1.svg";
}

// The menu entry as a desktop reads it: valid, and naming files the package installs.
void PackageTest::desktopEntryStartsTheProgram()
{
    QFETCH(QString, key);
    QFETCH(QString, installedAs);
    const QString path = root + QStringLiteral("/usr/share/applications/zr415.desktop");
    const Result valid = run(QStringLiteral("desktop-file-validate"), {path});
    QVERIFY2(valid.finished && valid.exitCode == 0 && valid.out.isEmpty(),
             describe(QStringLiteral("desktop-file-validate"), valid).constData());
    QSettings entry(path, QSettings::IniFormat);
    const QString value = entry.value(QStringLiteral("Desktop Entry/") + key).toString();
    QVERIFY2(!value.isEmpty() && !value.contains(u'/'), qPrintable(key + u'=' + value));
    const QFileInfo installed(root + installedAs.arg(value));
    // The link in /usr/bin is absolute: it is followed inside the extracted root.
    const QFileInfo target(installed.isSymLink() ? root + installed.symLinkTarget()
                                                 : installed.filePath());
    QVERIFY2(target.isFile(), qPrintable(target.filePath()));
    if (key == QLatin1String("Exec")) {
        QCOMPARE(target.filePath(), root + prefix + QStringLiteral("/bin/zr415"));
        QVERIFY(target.isExecutable());
    }
}

void PackageTest::compressedFilesAreReproducible_data()
{
    QTest::addColumn<QString>("path");
    for (const Shipped& file : shipped)
        if (expected(file) && QByteArray(file.path).endsWith(".gz"))
            QTest::newRow(file.path) << QString::fromLatin1(file.path);
}

void PackageTest::compressedFilesAreReproducible()
{
    QFETCH(QString, path);
    const QByteArray bytes = readFile(root + path);
    QVERIFY(bytes.size() > 10);
    QCOMPARE(bytes.left(3), QByteArray("\x1f\x8b\x08", 3));
    QCOMPARE(bytes[3] & 0x08, 0);                   // no file name
    QCOMPARE(bytes.mid(4, 4), QByteArray(4, '\0')); // no time stamp
}

void PackageTest::manualPagesCoverTheirCommands_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("mentions");
    const QStringList sections = {".SH NAME", ".SH SYNOPSIS", ".SH FILES", ".SH SEE ALSO"};
    QTest::newRow("zr415") << "zr415.1.gz"
                           << sections + QStringList{"ZR415.ini", "dialout", "ZR415_EXTRA_PORTS"};
    const QStringList commands = {"zr415ctl ports", "zr415ctl query", "zr415ctl set",
                                  "zr415ctl apply", "zr415ctl reset", "zr415ctl monitor"};
    const QStringList reference = {
        ".SH COMMANDS",   ".SH OPTIONS", ".SH EXIT STATUS", ".SH EXAMPLES",
        "\\-\\-parallel", ".B 128 + N",  "provision.jsonl", "jq "};
    QTest::newRow("zr415ctl") << "zr415ctl.1.gz" << sections + commands + reference;
    QTest::newRow("zr415-sim") << "zr415-sim.1.gz"
                               << sections + QStringList{".SH OPTIONS", "\\-\\-link"};
}

// The pages as built: the package carries them only beside their programs.
void PackageTest::manualPagesCoverTheirCommands()
{
    QFETCH(QString, page);
    QFETCH(QStringList, mentions);
    const Result text =
        run(QStringLiteral("gzip"),
            {QStringLiteral("-dc"), buildDir + QStringLiteral("/packaging/") + page});
    QVERIFY2(succeeded(text), describe(QStringLiteral("gzip"), text).constData());
    QVERIFY(text.out.startsWith(".TH " + QFileInfo(page).baseName().toUpper().toUtf8() + " 1 "));
    QVERIFY2(!text.out.contains("@ZR415_"), "a placeholder was left in the page");
    for (const QString& mention : mentions)
        QVERIFY2(text.out.contains(mention.toUtf8()), qPrintable(mention));
    // As man shows it: groff with every warning, and nothing to warn about.
    const Result shown =
        run(QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("gzip -dc '%1/packaging/%2' | groff -man -Tutf8 -ww -z")
                 .arg(buildDir, page)});
    QVERIFY2(succeeded(shown) && shown.err.isEmpty(), shown.err.constData());
}

void PackageTest::extractedProgramFindsItsSettingsThroughALink()
{
    // The package's /usr/bin link is absolute; this one leads to the extracted copy the same way.
    const QString links = work.filePath(QStringLiteral("links"));
    QVERIFY(QDir().mkpath(links));
    QVERIFY(QFile::link(root + prefix + QStringLiteral("/bin/zr415"),
                        links + QStringLiteral("/zr415")));
    const QString tmp = work.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), tmp);
    environment.insert(QStringLiteral("ZR415_EXTRA_PORTS"), QString());
    program.setProcessEnvironment(environment);
    program.start(links + QStringLiteral("/zr415"), {});
    QVERIFY(program.waitForStarted(10000));

    const QString logPath = root + prefix + QStringLiteral("/log/ZR415.log");
    QTRY_VERIFY_WITH_TIMEOUT(readFile(logPath).contains("window shown"), 20000);
    const QByteArray log = readFile(logPath);
    const QByteArray settings =
        (root + prefix + QStringLiteral("/bin/../etc/Corvane/config/ZR415.ini")).toUtf8();
    QVERIFY2(log.contains("started with settings " + settings + '\n'), log.constData());
    QCOMPARE(program.state(), QProcess::Running);

    // Asked to stop, it closes its window and ends cleanly.
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(readFile(logPath).contains("asked to stop: closing the window"));
}

void PackageTest::extractedToolsPrintThePackagesVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::newRow("command-line tool, long") << "zr415ctl"
                                             << "--version";
    QTest::newRow("command-line tool, short") << "zr415ctl"
                                              << "-V";
    QTest::newRow("simulator") << "zr415-sim"
                               << "--version";
}

void PackageTest::extractedToolsPrintThePackagesVersion()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    if (program == QLatin1String("zr415ctl") && !haveCtl)
        QSKIP("zr415ctl is not part of this build");
    const Result version = run(root + prefix + QStringLiteral("/bin/") + program, {option});
    QVERIFY2(succeeded(version), describe(program + u' ' + option, version).constData());
    QCOMPARE(QString::fromUtf8(version.out),
             QStringLiteral("%1 %2\n").arg(program, controlField(deb, QStringLiteral("Version"))));
}

void PackageTest::extractedProgramsNeedNoSearchPath_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("window") << "zr415";
    QTest::newRow("command-line tool") << "zr415ctl";
    QTest::newRow("simulator") << "zr415-sim";
}

// Our libraries are static and Qt is the system's: a search path could only name folders the
// package does not have.
void PackageTest::extractedProgramsNeedNoSearchPath()
{
    QFETCH(QString, program);
    if (program == QLatin1String("zr415ctl") && !haveCtl)
        QSKIP("zr415ctl is not part of this build");
    const Result dynamic =
        run(QStringLiteral("readelf"), {QStringLiteral("-d"), root + prefix + "/bin/" + program});
    QVERIFY2(succeeded(dynamic), describe(QStringLiteral("readelf -d"), dynamic).constData());
    QVERIFY(dynamic.out.contains("(NEEDED)"));
    QVERIFY2(!dynamic.out.contains("PATH)"), dynamic.out.constData());
}

void PackageTest::installKeepsTheBuildLayoutInsideItsPrefix_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("present");
    QTest::newRow("program") << "prefix/bin/zr415" << true;
    QTest::newRow("simulator") << "prefix/bin/zr415-sim" << true;
    QTest::newRow("command-line tool") << "prefix/bin/zr415ctl" << haveCtl;
    QTest::newRow("settings file") << "prefix/etc/Corvane/config/ZR415.ini" << true;
    QTest::newRow("log folder") << "prefix/log" << true;
    // The links and desktop files are the package's alone: nothing outside the prefix.
    QTest::newRow("no system links") << "usr" << false;
}

void PackageTest::installKeepsTheBuildLayoutInsideItsPrefix()
{
    QFETCH(QString, path);
    QFETCH(bool, present);
    // Staged, so that a rule escaping the prefix shows here instead of writing to /usr.
    const QString staged = work.filePath(QStringLiteral("staged"));
    if (!QFileInfo::exists(staged)) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), staged);
        const Result result = run(QStringLiteral(ZR415_CMAKE),
                                  {QStringLiteral("--install"), buildDir,
                                   QStringLiteral("--prefix"), QStringLiteral("/prefix")},
                                  environment);
        QVERIFY2(succeeded(result),
                 describe(QStringLiteral("cmake --install"), result).constData());
    }
    QCOMPARE(QFileInfo::exists(staged + u'/' + path), present);
    QCOMPARE(QDir(staged).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("prefix")});
    QCOMPARE(
        QDir(staged + QStringLiteral("/prefix")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        (QStringList{"bin", "etc", "log"}));
}

void PackageTest::lintianFindsNoError()
{
    if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
        QSKIP("lintian is not installed: the package was not linted");
    const Result lint =
        run(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error"), deb});
    QVERIFY2(lint.finished, "lintian did not finish");
    QVERIFY2(lint.exitCode == 0 && !lint.out.contains("E: "), lint.out.constData());
}

QTEST_GUILESS_MAIN(PackageTest)
#include "tst_package.moc"
