// The files several operators share in the log folder, as a second operator and a full disk
// meet them.
#include "AuditLog.h"
#include "FileLogger.h"
#include "SimulatorProcess.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Opens path as the program would; as root, as operator uid of group 4200.
bool openAs(uid_t uid, const QString& opener, const QString& path)
{
    const bool root = ::geteuid() == 0;
    if (root && (::setegid(4200) != 0 || ::seteuid(uid) != 0))
        return false;
    QString error;
    const bool opened = opener == QLatin1String("audit") ? AuditLog().open(path, error)
                                                         : FileLogger(path.toStdString()).isOpen();
    if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
        qFatal("cannot become root again");
    return opened;
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
    void runWithAnUnwrittenRecordFails_data();
    void runWithAnUnwrittenRecordFails();

private:
    QTemporaryDir scratch{QStringLiteral("/tmp/zr415-shared-XXXXXX")};
};

void SharedFilesTest::initTestCase()
{
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

// One operator creates the file under umask 022; another of the group appends next.
void SharedFilesTest::filesInASharedFolderStayGroupWritable()
{
    QFETCH(QString, opener);
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    const QByteArray folder = scratch.filePath(QTest::currentDataTag()).toLocal8Bit();
    QVERIFY(QDir().mkpath(folder));
    const bool root = ::geteuid() == 0;
    // The private folder is the first operator's alone.
    QVERIFY(!root || ::chown(folder, folderMode & S_ISGID ? 0 : 4201, 4200) == 0);
    QVERIFY(::chmod(folder, static_cast<mode_t>(folderMode)) == 0);
    const QString path = folder + "/shared.log";
    QVERIFY(openAs(4201, opener, path));
    struct stat made = {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &made) == 0);
    QCOMPARE(static_cast<int>(made.st_mode & 07777), fileMode);
    if (root)
        QCOMPARE(openAs(4202, opener, path), bool(fileMode & S_IWGRP));
}

void SharedFilesTest::auditAppendIsWholeOrTakenBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("room"); // bytes the disk still takes; -1 without limit
    QTest::addColumn<QByteArray>("kept");
    const QByteArray whole = "{\"earlier\":1}\n";
    const QByteArray cut = "{\"earl";
    QTest::newRow("appended-after-a-whole-line") << whole << -1 << whole;
    QTest::newRow("a-cut-line-is-ended-first") << cut << -1 << cut + '\n';
    QTest::newRow("disk-full-mid-record") << whole << 20 << whole;
    QTest::newRow("disk-full-after-a-cut-line") << cut << 20 << cut;
    QTest::newRow("disk-full-before-the-record") << whole << 0 << whole;
}

void SharedFilesTest::auditAppendIsWholeOrTakenBack()
{
    QFETCH(QByteArray, before);
    QFETCH(int, room);
    QFETCH(QByteArray, kept);
    const QString path = scratch.filePath(QString::fromLatin1(QTest::currentDataTag()));
    writeFile(path, before);
    AuditLog audit;
    QString error;
    QVERIFY(audit.open(path, error));
    rlimit was = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &was) == 0);
    const rlimit full = {rlim_t(before.size() + room), was.rlim_max};
    QVERIFY(room < 0 || ::setrlimit(RLIMIT_FSIZE, &full) == 0);
    // Two units of one run.
    const bool appended = audit.append({{QStringLiteral("result"), QStringLiteral("ok")}}, error) &&
                          audit.append({}, error);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &was) == 0);
    QCOMPARE(appended, room < 0);
    const QByteArray after = fileContent(path);
    QVERIFY(after.startsWith(kept));
    if (!appended) {
        QCOMPARE(after, kept);
        return;
    }
    const QList<QByteArray> records = after.mid(kept.size()).split('\n');
    QCOMPARE(records.size(), 3); // two lines, each ended
    const QJsonObject first = QJsonDocument::fromJson(records[0]).object();
    const QJsonObject second = QJsonDocument::fromJson(records[1]).object();
    QCOMPARE(first[QStringLiteral("result")].toString(), QStringLiteral("ok"));
    QCOMPARE(first[QStringLiteral("run")], second[QStringLiteral("run")]);
    for (const char* field : {"run", "user", "host", "version"})
        QVERIFY2(!first[QLatin1String(field)].toString().isEmpty(), field);
}

void SharedFilesTest::runWithAnUnwrittenRecordFails_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("summary");
    QTest::newRow("record-written") << false << 0 << QByteArray("1 ok\n");
    QTest::newRow("disk-full") << true << 1 << QByteArray("1 interrupted; 1 not recorded in ");
}

// No record, no change: a run whose planned record does not fit starts no unit, and the run
// must not report success.
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
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(out.contains(summary), out.constData());
    // Written: the run's planned record, the unit's started and changing records ahead of the
    // change, and the one at its end.
    QCOMPARE(fileContent(audit).count('\n'), diskFull ? 1 : 5);
}

QTEST_GUILESS_MAIN(SharedFilesTest)
#include "tst_sharedfiles.moc"
