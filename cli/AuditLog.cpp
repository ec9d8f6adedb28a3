#include "AuditLog.h"

#include "CliTexts.h"
#include "FileLogger.h"
#include "TextFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSysInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
bool writableFolder(const QString& folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// Where the window's log goes when its own folder cannot be written.
QString stateFolder()
{
    return QFile::decodeName(state_log_folder().c_str());
}

QString userName()
{
    const passwd* user = ::getpwuid(::getuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::getuid());
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Holds the file's lock while a record is added, so that two runs appending at once never
// take back each other's records.
class AppendLock
{
public:
    explicit AppendLock(int fd) : fd(fd)
    {
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~AppendLock() { ::flock(fd, LOCK_UN); }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

private:
    int fd;
};
} // namespace

AuditLog::AuditLog()
    : stamp{{QStringLiteral("schema"), 3},
            {QStringLiteral("run"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
            {QStringLiteral("user"), userName()},
            {QStringLiteral("host"), QSysInfo::machineHostName()},
            {QStringLiteral("version"), QStringLiteral(ZR415_VERSION)}}
{}

AuditLog::~AuditLog()
{
    if (syncer.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(syncMutex);
            closing = true;
        }
        syncChanged.notify_all();
        syncer.join();
    }
    if (fd >= 0)
        ::close(fd);
}

QString AuditLog::syncToDisk() const
{
    return ::fsync(fd) == 0 ? QString() : CliTexts::cannotFlushAudit(filePath, systemError());
}

void AuditLog::syncInBackground()
{
    std::unique_lock<std::mutex> lock(syncMutex);
    for (;;) {
        syncChanged.wait(lock, [this] { return closing || synced < requested; });
        if (synced == appended)
            return;
        const unsigned long covered = appended;
        lock.unlock();
        const QString failure = syncToDisk();
        lock.lock();
        if (syncError.isEmpty())
            syncError = failure;
        if (syncError.isEmpty())
            durable = covered;
        synced = covered;
        syncChanged.notify_all();
        // Under the lock, so that a listener taken away is never called afterwards.
        if (onSynced)
            onSynced();
    }
}

void AuditLog::startSyncer()
{
    try {
        syncer = std::thread(&AuditLog::syncInBackground, this);
    } catch (const std::system_error&) {
        // No thread to be had (a process limit): this record is synced here, and the next
        // append tries the thread again.
        const QString failure = syncToDisk();
        const std::lock_guard<std::mutex> guard(syncMutex);
        if (syncError.isEmpty())
            syncError = failure;
        if (syncError.isEmpty())
            durable = appended;
        synced = appended;
    }
}

bool AuditLog::flush(QString& error)
{
    std::unique_lock<std::mutex> lock(syncMutex);
    // Records appended without a sync asked for are waiting for this.
    requested = appended;
    syncChanged.notify_all();
    syncChanged.wait(lock, [this] { return synced == appended; });
    error = syncError;
    return syncError.isEmpty();
}

void AuditLog::setSyncListener(std::function<void()> listener)
{
    const std::lock_guard<std::mutex> lock(syncMutex);
    onSynced = std::move(listener);
}

unsigned long AuditLog::appendedCount() const
{
    const std::lock_guard<std::mutex> lock(syncMutex);
    return appended;
}

int AuditLog::syncState(unsigned long n, QString& error) const
{
    const std::lock_guard<std::mutex> lock(syncMutex);
    error = syncError;
    if (durable >= n)
        return 1;
    // A failed sync may have lost any record written before it, so none after it is trusted.
    return syncError.isEmpty() ? 0 : -1;
}

QString AuditLog::runId() const
{
    return stamp.value(QStringLiteral("run")).toString();
}

QString AuditLog::chooseFolder(const QString& logFolder)
{
    if (writableFolder(logFolder))
        return QDir::cleanPath(logFolder);
    const QString fallback = stateFolder();
    return writableFolder(fallback) ? fallback : QString();
}

QString AuditLog::sharedPath()
{
    char resolved[1000];
    if (!process_resolve_path(resolved, sizeof resolved, "$(APP_DIR)/../log"))
        return {};
    return QDir::cleanPath(QFile::decodeName(resolved)) + QStringLiteral("/provision.jsonl");
}

QString AuditLog::defaultPath()
{
    const QString shared = sharedPath();
    const QString fallback = stateFolder() + QStringLiteral("/provision.jsonl");
    const bool sharedWritable =
        !shared.isEmpty() &&
        ::access(QFile::encodeName(QFileInfo(shared).absolutePath()).constData(), W_OK | X_OK) == 0;
    return !sharedWritable && !stateFolder().isEmpty() && QFileInfo::exists(fallback) ? fallback
                                                                                      : shared;
}

namespace {
// Something planted at the shared path stops the run: moving on would hide its records from
// everyone else.
bool plantedAt(const QString& path)
{
    struct stat found = {};
    return ::lstat(QFile::encodeName(path).constData(), &found) == 0 &&
           (!S_ISREG(found.st_mode) || found.st_nlink != 1);
}
} // namespace

bool AuditLog::openDefault(QString& error, QString& warning)
{
    const QString shared = sharedPath();
    QString why = CliTexts::noLogFolder();
    if (!shared.isEmpty()) {
        const QString folder = QFileInfo(shared).absolutePath();
        if (!writableFolder(folder))
            why = CliTexts::logFolderNotWritable(folder, systemError());
        else if (open(shared, why))
            return true;
        // Looked at after the open, so that a link planted in between is seen too.
        if (plantedAt(shared)) {
            error = CliTexts::auditNotPlainFile(shared);
            return false;
        }
    }
    // The state folder is made only now, when the record goes there.
    const QString fallback = stateFolder();
    if (!writableFolder(fallback)) {
        error = fallback.isEmpty() ? CliTexts::noAuditFolder()
                                   : CliTexts::cannotOpenAudit(fallback, systemError());
        return false;
    }
    if (!open(fallback + QStringLiteral("/provision.jsonl"), error))
        return false;
    warning = CliTexts::auditMoved(why, filePath);
    return true;
}

bool AuditLog::open(const QString& path, QString& error)
{
    if (path.isEmpty()) {
        error = CliTexts::noAuditFolder();
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The log folder may be writable by a whole group: a link planted under the audit file's
    // name is refused, never followed, and so is anything but a plain file.
    std::string why;
    fd = open_for_append_unfollowed(QFile::encodeName(path).toStdString(), why);
    if (fd < 0) {
        error = CliTexts::cannotOpenAudit(path, QString::fromLocal8Bit(why.c_str()));
        return false;
    }
    filePath = path;
    return true;
}

QJsonObject AuditLog::stamped(QJsonObject record) const
{
    for (auto field = stamp.constBegin(); field != stamp.constEnd(); ++field)
        record.insert(field.key(), field.value());
    return record;
}

bool AuditLog::append(QJsonObject record, QString& error, bool syncSoon)
{
    QByteArray line =
        QJsonDocument(stamped(std::move(record))).toJson(QJsonDocument::Compact) + '\n';
    AppendLock lock(fd);
    struct stat before = {};
    if (::fstat(fd, &before) != 0) {
        error = CliTexts::cannotWriteAudit(filePath, systemError());
        return false;
    }
    // A record left without its line end (by another program, or an older crash) must not
    // have this one glued to it.
    char last = '\n';
    if (before.st_size > 0 && ::pread(fd, &last, 1, before.st_size - 1) == 1 && last != '\n')
        line.prepend('\n');
    qsizetype done = 0;
    QString failure;
    while (done < line.size() && failure.isEmpty()) {
        const ssize_t written =
            ::write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (written > 0)
            done += written;
        else if (written == 0 || errno != EINTR)
            failure = CliTexts::cannotWriteAudit(filePath, written == 0 ? CliTexts::nothingWritten()
                                                                        : systemError());
    }
    if (failure.isEmpty()) {
        {
            const std::lock_guard<std::mutex> guard(syncMutex);
            ++appended;
            if (syncSoon)
                requested = appended;
        }
        if (!syncer.joinable())
            startSyncer();
        if (syncSoon)
            syncChanged.notify_all();
        return true;
    }
    // Half a record would break every line after it: take back what this append wrote.
    if (::ftruncate(fd, before.st_size) != 0)
        failure = CliTexts::partialRecordLeft(failure, systemError());
    error = failure;
    return false;
}
