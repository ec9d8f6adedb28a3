#include "AuditLog.h"

#include "FileLogger.h"
#include "TextFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
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
} // namespace

AuditLog::~AuditLog()
{
    if (fd >= 0)
        ::close(fd);
}

QString AuditLog::chooseFolder(const QString& logFolder)
{
    if (writableFolder(logFolder))
        return QDir::cleanPath(logFolder);
    const QString fallback = stateFolder();
    return writableFolder(fallback) ? fallback : QString();
}

QString AuditLog::defaultPath()
{
    char resolved[1000];
    const QString logFolder = process_resolve_path(resolved, sizeof resolved, "$(APP_DIR)/../log")
                                  ? QFile::decodeName(resolved)
                                  : QString();
    const QString folder = chooseFolder(logFolder);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/provision.jsonl");
}

bool AuditLog::open(const QString& path, QString& error)
{
    if (path.isEmpty()) {
        error =
            QStringLiteral("no folder for the audit file can be written; name one with --audit");
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The log folder may be writable by a whole group: a link planted under the audit file's
    // name is refused, never followed, and so is anything but a plain file.
    std::string why;
    fd = open_for_append_unfollowed(QFile::encodeName(path).toStdString(), why);
    if (fd < 0) {
        error = QStringLiteral("cannot open audit file %1: %2")
                    .arg(path, QString::fromLocal8Bit(why.c_str()));
        return false;
    }
    filePath = path;
    return true;
}

bool AuditLog::append(const QJsonObject& record, QString& error)
{
    // One write per record: with O_APPEND a line is never interleaved with another writer's.
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t written =
            ::write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = QStringLiteral("cannot write audit file %1: %2")
                        .arg(filePath, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        done += written;
    }
    if (::fsync(fd) != 0) {
        error = QStringLiteral("cannot flush audit file %1: %2")
                    .arg(filePath, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}
