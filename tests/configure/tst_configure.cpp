// The project configured as a packager or a fresh machine meets it: with only the build
// packages' programs, the test tools hidden from every find_program.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {
// The programs of the test and packaging packages.
const QStringList testTools = QStringLiteral("groff cram3 python3 ansible-playbook jq fakeroot "
                                             "desktop-file-validate dpkg-shlibdeps file")
                                  .split(u' ');

// The exit code (-1: did not finish) and everything printed.
std::pair<int, QByteArray> run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    // Generous: a configure and a compile on a busy machine; nothing here measures speed.
    const bool finished =
        process.waitForFinished(480000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, process.readAll()};
}
} // namespace

class ConfigureTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void configureNeedsTheTestToolsOnlyForTheTests_data();
    void configureNeedsTheTestToolsOnlyForTheTests();

private:
    QTemporaryDir scratch;
    QString root;
};

// A root whose /usr/bin has every program of this machine's but the test tools; find_program
// looks only there.
void ConfigureTest::initTestCase()
{
    QVERIFY(scratch.isValid());
    root = scratch.filePath(QStringLiteral("root"));
    const QString bin = root + QStringLiteral("/usr/bin");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::link(QStringLiteral("usr/bin"), root + QStringLiteral("/bin")));
    const QDir system(QStringLiteral("/usr/bin"));
    for (const QString& name : system.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (!testTools.contains(name))
            QVERIFY(QFile::link(system.filePath(name), bin + '/' + name));
}

void ConfigureTest::configureNeedsTheTestToolsOnlyForTheTests_data()
{
    QTest::addColumn<QString>("tests");
    QTest::addColumn<bool>("configures");
    QTest::addColumn<QStringList>("told");
    QTest::newRow("programs-alone") << "OFF" << true << QStringList{};
    QTest::newRow("tests-without-their-tools")
        << "ON" << false
        << QStringList{"groff-base", "python3-cram",       "ansible-core", "jq",
                       "fakeroot",   "desktop-file-utils", "dpkg-dev",     "-DZR415_TESTS=OFF"};
}

void ConfigureTest::configureNeedsTheTestToolsOnlyForTheTests()
{
    QFETCH(QString, tests);
    QFETCH(bool, configures);
    QFETCH(QStringList, told);
    const QString build = scratch.filePath(QTest::currentDataTag());
    // No build type given: the packager's plain configure.
    // As run.sh, test.sh and bench/run.sh configure: CMake's output only when it fails.
    const auto [configured, configureOutput] =
        run(QStringLiteral(ZR415_SOURCE_DIR "/tools/configure.sh"),
            {build, "-DZR415_TESTS=" + tests, "-DCMAKE_CXX_COMPILER=" ZR415_CXX,
             "-DCMAKE_FIND_ROOT_PATH=" + root, "-DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=ONLY"});
    QVERIFY2((configured == 0) == configures, configureOutput.constData());
    QCOMPARE(configureOutput.isEmpty(), configures);
    for (const QString& words : told)
        QVERIFY2(configureOutput.contains(words.toUtf8()), qPrintable(words));
    if (!configures)
        return;

    QFile cache(build + QStringLiteral("/CMakeCache.txt"));
    QVERIFY(cache.open(QIODevice::ReadOnly));
    const QByteArray entries = cache.readAll();
    QVERIFY(entries.contains("\nCMAKE_BUILD_TYPE:STRING=Release\n"));
    // Never even looked for: a lookup leaves its entry, found or not.
    QVERIFY2(!entries.contains("\nCRAM:"), "cram3 was looked for");
    const auto [compiled, compileOutput] =
        run(QStringLiteral(ZR415_CMAKE), {"--build", build, "-j", "1", "--target", "zr415-sim"});
    QVERIFY2(compiled == 0, compileOutput.constData());
    QCOMPARE(run(build + QStringLiteral("/bin/zr415-sim"), {"--version"}).second,
             QByteArray("zr415-sim " ZR415_VERSION "\n"));
}

QTEST_GUILESS_MAIN(ConfigureTest)
#include "tst_configure.moc"
