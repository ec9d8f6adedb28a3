// Who holds a port: the device itself is locked whatever its name, and a lock file left by an
// ended process of another user is named as such, with what to do about it.
#include "CliTexts.h"
#include "OperatorMessages.h"
#include "PseudoTerminal.h"
#include "ReceiverLink.h"
#include "StaleLockFile.h"

#include <QtTest>

#include <QSysInfo>
#include <QTranslator>

#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t runner = 4201; // the operator who runs the program
constexpr uid_t nobody = 65534;

// The pid of a process that has ended.
qint64 endedPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Opens port as the runner would, back as root afterwards.
LinkError openAsRunner(ReceiverLink& link, const QString& port, QString* text)
{
    if (::setegid(4200) != 0 || ::seteuid(runner) != 0)
        return LinkError::Other;
    link.open(port, 115200);
    if (::seteuid(0) != 0 || ::setegid(0) != 0)
        qFatal("cannot become root again");
    *text = link.errorText();
    return link.errorKind();
}

// What zr415ctl query prints for port, run as the runner.
QByteArray queryAsRunner(const QString& port)
{
    QProcess query;
    query.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(4200) != 0 || ::setuid(runner) != 0)
            ::_exit(99);
    });
    query.start(QStringLiteral(ZR415CTL_BINARY), {QStringLiteral("query"), port});
    if (!query.waitForFinished(30000))
        query.kill();
    return query.readAllStandardOutput() + query.readAllStandardError();
}

QString inEnglish(const std::function<QString()>& text)
{
    QTranslator english;
    if (!english.load(QStringLiteral(":/i18n/zr415_en.qm")))
        return {};
    QCoreApplication::installTranslator(&english);
    const QString shown = text();
    QCoreApplication::removeTranslator(&english);
    return shown;
}
} // namespace

class LocksTest : public QObject
{
    Q_OBJECT

private slots:
    void sameDeviceUnderAnotherNameIsInUse_data();
    void sameDeviceUnderAnotherNameIsInUse();
    void lockFileLeftByAnEndedProcess_data();
    void lockFileLeftByAnEndedProcess();
    void bothFrontsNameTheStaleLock();

private:
    QTemporaryDir scratch{QStringLiteral("/tmp/zr415-locks-XXXXXX")};
};

void LocksTest::sameDeviceUnderAnotherNameIsInUse_data()
{
    QTest::addColumn<QString>("holder"); // who has the device first
    QTest::newRow("device-then-link") << "device";
    QTest::newRow("link-then-device") << "link";
    QTest::newRow("another-program-locking-the-device") << "program";
}

// As root the exclusive mode lets a second open through; only the lock on the device stops it.
void LocksTest::sameDeviceUnderAnotherNameIsInUse()
{
    QFETCH(QString, holder);
    PseudoTerminal line;
    const QString link = scratch.filePath(QStringLiteral("unit-") + QTest::currentDataTag());
    QVERIFY(QFile::link(line.devicePath(), link));
    ReceiverLink first;
    int program = -1;
    if (holder == QLatin1String("program")) {
        program = ::open(line.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(program >= 0 && ::flock(program, LOCK_EX | LOCK_NB) == 0);
    } else {
        QVERIFY(first.open(holder == QLatin1String("device") ? line.devicePath() : link, 115200));
    }
    ReceiverLink second;
    QVERIFY(!second.open(holder == QLatin1String("device") ? link : line.devicePath(), 115200));
    QCOMPARE(second.errorKind(), LinkError::Busy);
    QVERIFY(!second.isOpen());

    // Closing releases the device.
    first.close();
    if (program >= 0)
        ::close(program);
    QVERIFY2(second.open(link, 115200), qPrintable(second.errorText()));
}

void LocksTest::lockFileLeftByAnEndedProcess_data()
{
    QTest::addColumn<uint>("owner");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<LinkError>("failure");
    // The sticky lock folder keeps the runner from removing another user's file.
    QTest::newRow("another-users-ended-process") << uint(nobody) << true << LinkError::StaleLock;
    QTest::newRow("another-users-running-process") << uint(nobody) << false << LinkError::Busy;
    // The runner's own stale lock is removed, and the port opens.
    QTest::newRow("runners-own-ended-process") << uint(runner) << true << LinkError::None;
}

void LocksTest::lockFileLeftByAnEndedProcess()
{
    QFETCH(uint, owner);
    QFETCH(bool, ended);
    QFETCH(LinkError, failure);
    if (::geteuid() != 0)
        QSKIP("needs root to play two users");
    PseudoTerminal line;
    QVERIFY(::chmod(line.devicePath().toLocal8Bit().constData(), 0666) == 0);
    QVERIFY(QFile::setPermissions(scratch.path(), QFileDevice::Permissions(0x7755)));
    const QString port = scratch.filePath(QStringLiteral("stale-") + QTest::currentDataTag());
    QVERIFY(QFile::link(line.devicePath(), port));
    const QString lockPath = StaleLockFile::pathFor(port);
    QVERIFY2(lockPath.startsWith(QLatin1String("/var/lock/LCK..")), qPrintable(lockPath));
    const qint64 pid = ended ? endedPid() : QCoreApplication::applicationPid();
    {
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(QByteArray::number(pid) + '\n' + QCoreApplication::applicationName().toUtf8() +
                   '\n' + QSysInfo::machineHostName().toUtf8() + '\n');
    }
    QVERIFY(::chown(QFile::encodeName(lockPath).constData(), owner, 4200) == 0);
    struct stat folder = {};
    QVERIFY(::stat("/var/lock/", &folder) == 0 && (folder.st_mode & S_ISVTX));

    ReceiverLink link;
    QString text;
    const LinkError got = openAsRunner(link, port, &text);
    link.close();
    const QString printed =
        failure == LinkError::StaleLock ? QString::fromUtf8(queryAsRunner(port)) : QString();
    QFile::remove(lockPath);
    QCOMPARE(got, failure);
    if (failure != LinkError::StaleLock)
        return;
    const QString resolved = QFileInfo(lockPath).canonicalFilePath();
    for (const QString& reason : {CliTexts::linkReason(got, text), printed})
        for (const QString& part : {resolved, QStringLiteral("nobody"), QString::number(pid),
                                    QStringLiteral("sudo rm ") + resolved})
            QVERIFY2(reason.contains(part), qPrintable(reason));
}

void LocksTest::bothFrontsNameTheStaleLock()
{
    StaleLockFile stale;
    stale.path = QStringLiteral("/run/lock/LCK..unit 7");
    stale.owner = QStringLiteral("ops");
    stale.pid = 4711;
    const QString text = stale.toText();
    const QString window = OperatorMessages::linkReason(LinkError::StaleLock, text);
    for (const QString& part :
         {QStringLiteral("/run/lock/LCK..unit 7"), QStringLiteral("ops"), QStringLiteral("4711"),
          QStringLiteral("sudo rm '/run/lock/LCK..unit 7'")})
        QVERIFY2(window.contains(part), qPrintable(window));
    QCOMPARE(inEnglish([&] { return OperatorMessages::linkReason(LinkError::StaleLock, text); }),
             CliTexts::linkReason(LinkError::StaleLock, text));
}

QTEST_MAIN(LocksTest)
#include "tst_locks.moc"
