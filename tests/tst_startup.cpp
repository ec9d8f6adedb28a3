// Start-up: the settings file, the single-instance guard and the exit codes, on the real
// program where a process boundary matters.
#include "DlgTab.h"
#include "InterruptWatcher.h"
#include "PromptRecorder.h"
#include "RecordingLogger.h"
#include "Startup.h"
#include "Translations.h"

#include <QtTest>

#include <QApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTranslator>

#include <csignal>
#include <optional>

namespace {
// A copy of the program in a folder of its own, so its settings file and log are the test's.
class InstalledCopy
{
public:
    explicit InstalledCopy(bool withSettings)
    {
        QDir(root.path()).mkpath(QStringLiteral("bin"));
        QFile::copy(QStringLiteral(ZR415_BINARY), program());
        if (withSettings) {
            QDir(root.path()).mkpath(QStringLiteral("etc/Corvane/config"));
            QFile settings(root.filePath(QStringLiteral("etc/Corvane/config/ZR415.ini")));
            settings.open(QIODevice::WriteOnly);
        }
        QDir(root.path()).mkpath(QStringLiteral("tmp"));
    }
    QString program() const { return root.filePath(QStringLiteral("bin/zr415")); }
    QString rootPath() const { return root.path(); }
    QString settingsPath() const
    {
        return root.filePath(QStringLiteral("bin/../etc/Corvane/config/ZR415.ini"));
    }
    QByteArray log() const { return readAll(root.filePath(QStringLiteral("log/ZR415.log"))); }
    // The per-user state folder the log falls back to; the operator's own stays untouched.
    QString stateHome() const { return root.filePath(QStringLiteral("state")); }
    QByteArray fallbackLog() const
    {
        return readAll(stateHome() + QStringLiteral("/zr415/ZR415.log"));
    }
    // Starts the program on the offscreen platform with this copy's own temp folder.
    void start(QProcess& process) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("tmp")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome());
        process.setProcessEnvironment(environment);
        process.start(program(), {});
    }

private:
    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir root;
};

void makeFile(const QString& path, const QByteArray& content = QByteArray())
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

bool waitForLog(const InstalledCopy& copy, const QByteArray& text, int count = 1)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (copy.log().count(text) >= count)
            return true;
        QTest::qWait(50);
    }
    return false;
}

// Takes out every translator that earlier start-ups installed.
void removeTranslators()
{
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

QString standardOkText()
{
    QMessageBox box(QMessageBox::Information, QString(), QString(), QMessageBox::Ok);
    return box.button(QMessageBox::Ok)->text();
}

void stop(QProcess& process)
{
    process.kill();
    process.waitForFinished(5000);
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void missingSettingsFileLogsAndExitsWithoutWindow();
    void withoutAUsableLogTheFailureStillEndsCleanly();
    void logGoesToTheStateFolderWhenItsOwnCannotBeUsed_data();
    void logGoesToTheStateFolderWhenItsOwnCannotBeUsed();
    void secondInstanceIsRefusedWhileTheFirstRuns();
    void lockOfAKilledInstanceDoesNotBlockTheNextStart();
    void secondInstanceShowsTheWarningAndEndsWithZero();
    void escapeClosesTheWindowAndEndsTheEventLoop();
    void stopSignalClosesTheWindowAndEndsWithZero_data();
    void stopSignalClosesTheWindowAndEndsWithZero();
    void watcherHandsTheSignalBackWhenItEnds_data();
    void watcherHandsTheSignalBackWhenItEnds();
    void translationIsLoadedOnlyWhereOneIsShipped_data();
    void translationIsLoadedOnlyWhereOneIsShipped();
};

void StartupTest::missingSettingsFileLogsAndExitsWithoutWindow()
{
    InstalledCopy copy(false);
    QProcess process;
    copy.start(process);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QByteArray expected =
        "get_system_ini_parameter().load(" + copy.settingsPath().toLocal8Bit() + ") fail!";
    QVERIFY2(process.readAllStandardError().contains(expected), expected.constData());
    QCOMPARE(copy.log().count('\n'), 1);
    QVERIFY(copy.log().contains(expected));
}

void StartupTest::withoutAUsableLogTheFailureStillEndsCleanly()
{
    InstalledCopy copy(false);
    // Files where the log folder and the state folder should be: there is no logger.
    makeFile(copy.rootPath() + QStringLiteral("/log"));
    makeFile(copy.stateHome());
    QProcess process;
    copy.start(process);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QByteArray errors = process.readAllStandardError();
    QVERIFY(errors.contains("get_system_ini_parameter().load("));
    // Why there is no log is said where it can still be seen.
    QVERIFY2(errors.contains("log/ZR415.log not used"), errors.constData());
    QVERIFY2(errors.contains("state/zr415/ZR415.log not used"), errors.constData());
}

void StartupTest::logGoesToTheStateFolderWhenItsOwnCannotBeUsed_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("a-file-in-place-of-the-log-folder") << "file" << QByteArray("not used");
    QTest::newRow("link-planted-for-the-log") << "link" << QByteArray("symbolic link");
}

void StartupTest::logGoesToTheStateFolderWhenItsOwnCannotBeUsed()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, reason);
    InstalledCopy copy(false);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("victim"));
    const QByteArray victim = "precious\n";
    makeFile(target, victim);
    if (fault == QLatin1String("file")) {
        makeFile(copy.rootPath() + QStringLiteral("/log"));
    } else {
        QVERIFY(QDir(copy.rootPath()).mkpath(QStringLiteral("log")));
        QVERIFY(QFile::link(target, copy.rootPath() + QStringLiteral("/log/ZR415.log")));
    }
    QProcess process;
    copy.start(process);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 1);

    const QByteArray log = copy.fallbackLog();
    const QByteArray expected =
        "get_system_ini_parameter().load(" + copy.settingsPath().toLocal8Bit() + ") fail!";
    QVERIFY2(log.contains(expected), log.constData());
    QVERIFY2(log.contains("log/ZR415.log not used: ") && log.contains(reason), log.constData());
    QCOMPARE(log.count('\n'), 2);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), victim);
}

void StartupTest::secondInstanceIsRefusedWhileTheFirstRuns()
{
    InstalledCopy copy(true);
    QProcess first;
    copy.start(first);
    QVERIFY(waitForLog(copy, "started with settings"));
    QProcess second;
    copy.start(second);
    QVERIFY(waitForLog(copy, "another instance is running"));
    QCOMPARE(copy.log().count("started with settings"), 1);
    QCOMPARE(first.state(), QProcess::Running);
    stop(second); // it waits on its warning box
    stop(first);
}

void StartupTest::stopSignalClosesTheWindowAndEndsWithZero_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("terminate") << int(SIGTERM);
    QTest::newRow("interrupt") << int(SIGINT);
}

void StartupTest::stopSignalClosesTheWindowAndEndsWithZero()
{
    QFETCH(int, signalNumber);
    InstalledCopy copy(true);
    QProcess program;
    copy.start(program);
    QVERIFY(waitForLog(copy, "window shown"));
    ::kill(static_cast<pid_t>(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(copy.log().contains("asked to stop: closing the window"));
    // Its lock went with it: the next start is not refused.
    QProcess next;
    copy.start(next);
    QVERIFY(waitForLog(copy, "started with settings", 2));
    stop(next);
}

namespace {
volatile std::sig_atomic_t ownHandlerCalls = 0;
void ownHandler(int)
{
    ownHandlerCalls = ownHandlerCalls + 1;
}
} // namespace

void StartupTest::watcherHandsTheSignalBackWhenItEnds_data()
{
    QTest::addColumn<bool>("ownHandlerBefore"); // else the signal was ignored
    QTest::addColumn<bool>("outerWatcher");     // a watcher already ran when this one started
    QTest::newRow("ignored-before") << false << false;
    QTest::newRow("own-handler-before") << true << false;
    QTest::newRow("inside-another-watcher") << true << true;
}

void StartupTest::watcherHandsTheSignalBackWhenItEnds()
{
    QFETCH(bool, ownHandlerBefore);
    QFETCH(bool, outerWatcher);
    std::signal(SIGHUP, ownHandlerBefore ? ownHandler : SIG_IGN);
    ownHandlerCalls = 0;
    const auto current = [] {
        struct sigaction now = {};
        sigaction(SIGHUP, nullptr, &now);
        return now.sa_handler;
    };
    std::optional<InterruptWatcher> outer;
    if (outerWatcher)
        outer.emplace(std::vector<int>{SIGHUP});
    const auto before = current();
    {
        InterruptWatcher watcher({SIGHUP, SIGTERM});
        ::raise(SIGHUP);
        QTRY_COMPARE(watcher.signalNumber(), int(SIGHUP));
    }
    QVERIFY(current() == before);
    ::raise(SIGHUP);
    if (outer) {
        // The signal reaches the outer watcher again, not the pipe of the one that ended.
        QTRY_COMPARE(outer->signalNumber(), int(SIGHUP));
        outer.reset();
    }
    QVERIFY(current() == (ownHandlerBefore ? ownHandler : SIG_IGN));
    QCOMPARE(int(ownHandlerCalls), ownHandlerBefore && !outerWatcher ? 1 : 0);
    std::signal(SIGHUP, SIG_DFL);
}

void StartupTest::lockOfAKilledInstanceDoesNotBlockTheNextStart()
{
    InstalledCopy copy(true);
    QProcess first;
    copy.start(first);
    QVERIFY(waitForLog(copy, "started with settings"));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    QVERIFY(first.waitForFinished(5000));

    QProcess next;
    copy.start(next);
    QVERIFY(waitForLog(copy, "started with settings", 2));
    QVERIFY(!copy.log().contains("another instance"));
    stop(next);
}

void StartupTest::secondInstanceShowsTheWarningAndEndsWithZero()
{
    RecordingLogger logger;
    QLockFile other(QDir::temp().filePath(QStringLiteral("ZR415.lock")));
    QVERIFY(other.tryLock(0));
    PromptRecorder prompts;
    const std::optional<int> exitCode = prepare_startup(*qApp);
    QVERIFY(exitCode.has_value());
    QCOMPARE(*exitCode, 0);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].title, QStringLiteral("警告"));
    QCOMPARE(prompts.shown[0].text, QStringLiteral("程序已经运行，不能运行多个程序！"));
    QCOMPARE(prompts.shown[0].buttonTexts, QStringList{QStringLiteral("确定")});
    QCOMPARE(prompts.shown[0].icon, QMessageBox::Warning);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void StartupTest::escapeClosesTheWindowAndEndsTheEventLoop()
{
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(50, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(window.isHidden());
}

void StartupTest::translationIsLoadedOnlyWhereOneIsShipped_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("shipped");
    QTest::newRow("german-none-shipped") << QLocale(QLocale::German, QLocale::Germany) << false;
    QTest::newRow("chinese-shipped") << QLocale(QLocale::Chinese, QLocale::China) << true;
}

// An identity translation cannot tell a loaded file from none, so look at the translators
// themselves: the tool's own must hold its messages, and Qt's must change a standard button.
void StartupTest::translationIsLoadedOnlyWhereOneIsShipped()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, shipped);
    removeTranslators();
    QCOMPARE(standardOkText(), QStringLiteral("OK"));
    const QLocale before;
    QLocale::setDefault(locale);
    const bool loaded = load_translations_file(qApp, 0);
    QLocale::setDefault(before);
    QCOMPARE(loaded, shipped);

    QTranslator* own = nullptr;
    for (QTranslator* translator : qApp->findChildren<QTranslator*>())
        if (QFileInfo(translator->filePath()).fileName().startsWith(QLatin1String("zr415_")))
            own = translator;
    QCOMPARE(own != nullptr, shipped);
    if (own) {
        QCOMPARE(own->language(), QStringLiteral("zh_CN"));
        // A translator without the message answers with a null text.
        QCOMPARE(own->translate("DlgTab", "ZR415"), QStringLiteral("ZR415"));
    }
    // Message boxes show Chinese standard buttons whatever the locale, like every caption.
    QCOMPARE(standardOkText(), QStringLiteral("确定"));
    QVERIFY(!load_translations_file(nullptr, 0));
    DlgTab window(nullptr);
    QCOMPARE(window.windowTitle(), QStringLiteral("ZR415"));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
