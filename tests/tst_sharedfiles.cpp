// The files several operators share in the log folder: the window's log and zr415ctl's audit
// file, as a second operator and a full disk meet them.
#include "AuditLog.h"
#include "FileLogger.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr gid_t operators = 4200;

QByteArray fileContent(const QString& path)
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

// Opens path as the program would, as operator uid of the shared group when run as root.
bool openAs(uid_t uid, const QString& opener, const QString& path)
{
    const bool root = ::geteuid() == 0;
    if (root && (::setegid(operators) != 0 || ::seteuid(uid) != 0))
        return false;
    bool opened = false;
    if (opener == QLatin1String("audit")) {
        AuditLog audit;
        QString error;
        opened = audit.open(path, error);
    } else {
        opened = FileLogger(path.toStdString()).isOpen();
    }
    if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
        qFatal("cannot become root again");
    return opened;
}

QJsonObject lastRecord(const QByteArray& text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object();
}
} // namespace

class SharedFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesInASharedFolderStayGroupWritable_data();
    void filesInASharedFolderStayGroupWritable();
    void auditAppendIsWholeOrTakenBack_data();
    void auditAppendIsWholeOrTakenBack();
    void everyRecordNamesItsRun_data();
    void everyRecordNamesItsRun();
    void runWithAnUnwrittenRecordFails_data();
    void runWithAnUnwrittenRecordFails();

private:
    QTemporaryDir scratch{QStringLiteral("/tmp/zr415-shared-XXXXXX")};
};

void SharedFilesTest::initTestCase()
{
    QVERIFY(scratch.isValid());
    // Other users must pass through; what they may do is set on the folders below.
    QVERIFY(QFile::setPermissions(scratch.path(), QFileDevice::Permissions(0x7755)));
    ::umask(022);
    std::signal(SIGXFSZ, SIG_IGN);
}

void SharedFilesTest::filesInASharedFolderStayGroupWritable_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("fileMode");
    QTest::newRow("audit-file-in-the-shared-log-folder") << "audit" << 02775 << 0664;
    QTest::newRow("window-log-in-the-shared-log-folder") << "log" << 02775 << 0664;
    QTest::newRow("audit-file-in-a-private-folder-keeps-the-umask") << "audit" << 0755 << 0644;
}

// One operator creates the file under umask 022; a second operator of the group appends next.
void SharedFilesTest::filesInASharedFolderStayGroupWritable()
{
    QFETCH(QString, opener);
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    const QString folder = scratch.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    const bool root = ::geteuid() == 0;
    // The private folder belongs to the first operator alone.
    if (root)
        QVERIFY(::chown(folder.toLocal8Bit().constData(), folderMode & S_ISGID ? 0 : 4201,
                        operators) == 0);
    QVERIFY(::chmod(folder.toLocal8Bit().constData(), static_cast<mode_t>(folderMode)) == 0);
    const QString path = folder + QStringLiteral("/shared.log");
    QVERIFY(openAs(4201, opener, path));
    struct stat made = {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &made) == 0);
    QCOMPARE(static_cast<int>(made.st_mode & 07777), fileMode);
    if (root)
        QCOMPARE(openAs(4202, opener, path), bool(fileMode & S_IWGRP));
    else
        qInfo("not root: the second operator's append was not tried");
}

void SharedFilesTest::auditAppendIsWholeOrTakenBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("room"); // bytes the disk still takes; -1 without limit
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<bool>("written");
    const QByteArray whole = "{\"earlier\":1}\n";
    const QByteArray cut = "{\"earl";
    QTest::newRow("appended-after-a-whole-line") << whole << -1 << whole << true;
    QTest::newRow("a-cut-line-is-ended-first") << cut << -1 << cut + '\n' << true;
    QTest::newRow("disk-full-mid-record") << whole << 20 << whole << false;
    QTest::newRow("disk-full-after-a-cut-line") << cut << 20 << cut << false;
    QTest::newRow("disk-full-before-the-record") << whole << 0 << whole << false;
}

void SharedFilesTest::auditAppendIsWholeOrTakenBack()
{
    QFETCH(QByteArray, before);
    QFETCH(int, room);
    QFETCH(QByteArray, kept);
    QFETCH(bool, written);
    const QString path =
        scratch.filePath(QStringLiteral("append-%1.jsonl").arg(QTest::currentDataTag()));
    writeFile(path, before);
    AuditLog audit;
    QString error;
    QVERIFY(audit.open(path, error));
    rlimit was = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &was) == 0);
    if (room >= 0) {
        const rlimit full = {rlim_t(before.size() + room), was.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
    }
    const bool appended = audit.append({{QStringLiteral("result"), QStringLiteral("ok")}}, error);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &was) == 0);
    QCOMPARE(appended, written);
    const QByteArray after = fileContent(path);
    if (!written) {
        QCOMPARE(after, kept);
        QVERIFY2(error.contains(path), qPrintable(error));
        return;
    }
    QVERIFY(after.startsWith(kept));
    QVERIFY(after.endsWith('\n'));
    QCOMPARE(after.count('\n'), kept.count('\n') + 1);
    QCOMPARE(lastRecord(after)[QStringLiteral("result")].toString(), QStringLiteral("ok"));
}

void SharedFilesTest::everyRecordNamesItsRun_data()
{
    QTest::addColumn<bool>("sameRun");
    QTest::newRow("two-units-of-one-run") << true;
    QTest::newRow("the-next-run") << false;
}

void SharedFilesTest::everyRecordNamesItsRun()
{
    QFETCH(bool, sameRun);
    const QString path = scratch.filePath(QStringLiteral("runs-%1.jsonl").arg(sameRun));
    QString error;
    auto first = std::make_unique<AuditLog>();
    QVERIFY(first->open(path, error));
    QVERIFY(first->append({}, error));
    if (!sameRun) {
        first = std::make_unique<AuditLog>();
        QVERIFY(first->open(path, error));
    }
    QVERIFY(first->append({}, error));
    const QList<QByteArray> lines = fileContent(path).trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QJsonObject one = QJsonDocument::fromJson(lines[0]).object();
    const QJsonObject two = QJsonDocument::fromJson(lines[1]).object();
    QCOMPARE(one[QStringLiteral("run")] == two[QStringLiteral("run")], sameRun);
    QVERIFY(!QUuid::fromString(one[QStringLiteral("run")].toString()).isNull());
    QCOMPARE(one[QStringLiteral("host")].toString(), QSysInfo::machineHostName());
    QVERIFY(!one[QStringLiteral("user")].toString().isEmpty());
    QCOMPARE(one[QStringLiteral("version")].toString(), QStringLiteral(ZR415_VERSION));
}

void SharedFilesTest::runWithAnUnwrittenRecordFails_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("summary");
    QTest::newRow("record-written") << false << 0 << QByteArray("1 ok\n");
    QTest::newRow("disk-full") << true << 1 << QByteArray("1 ok; 1 not recorded in ");
}

// The unit itself ends ok; only its record is lost, and the run must not report success.
void SharedFilesTest::runWithAnUnwrittenRecordFails()
{
    QFETCH(bool, diskFull);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, summary);
    SimulatorProcess receiver({"--serial", "SN-FULL"});
    QVERIFY(receiver.isRunning());
    const QString audit = scratch.filePath(QStringLiteral("run-%1.jsonl").arg(diskFull));
    // Long enough that the serial port's small lock file still fits under the limit.
    const QByteArray before = "{\"earlier\":\"" + QByteArray(200, 'x') + "\"}\n";
    writeFile(audit, before);
    QProcess program;
    if (diskFull)
        program.setChildProcessModifier([size = before.size()] {
            const rlimit full = {rlim_t(size + 10), rlim_t(size + 10)};
            ::setrlimit(RLIMIT_FSIZE, &full);
        });
    program.start(QStringLiteral(ZR415CTL_BINARY),
                  {"set", receiver.devicePath(), "GGA=1", "--baud", "115200", "--audit", audit});
    QVERIFY(program.waitForFinished(30000));
    const QByteArray out = program.readAllStandardOutput();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(out.contains(summary), out.constData());
    const QByteArray after = fileContent(audit);
    QCOMPARE(after.count('\n'), diskFull ? 1 : 2);
    QVERIFY(after.startsWith(before));
}

QTEST_GUILESS_MAIN(SharedFilesTest)
#include "tst_sharedfiles.moc"
