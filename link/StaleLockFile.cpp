#include "StaleLockFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Where QSerialPort looks for a lock folder, in its order.
const QStringList& lockFolders()
{
    static const QStringList folders{QStringLiteral("/var/lock"),
                                     QStringLiteral("/etc/locks"),
                                     QStringLiteral("/var/spool/locks"),
                                     QStringLiteral("/var/spool/uucp"),
                                     QStringLiteral("/tmp"),
                                     QStringLiteral("/var/tmp"),
                                     QStringLiteral("/var/lock/lockdev"),
                                     QStringLiteral("/run/lock")};
    return folders;
}

QString userName(uid_t uid)
{
    if (const passwd* user = ::getpwuid(uid))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(uid);
}

bool processEnded(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Whether this process may unlink a file of owner in folder: a sticky folder lets only the
// file's or the folder's owner (or root) do it, whatever its write bits say.
bool mayRemove(const QByteArray& folder, uid_t owner)
{
    const uid_t self = ::geteuid();
    if (self == 0)
        return true;
    struct stat status
    {};
    if (::stat(folder.constData(), &status) != 0)
        return false;
    if ((status.st_mode & S_ISVTX) && owner != self && status.st_uid != self)
        return false;
    return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

const QRegularExpression& textForm()
{
    static const QRegularExpression form(
        QStringLiteral("^stale lock file (.+) of user (.+), process (\\d+) ended$"));
    return form;
}
} // namespace

QString StaleLockFile::pathFor(const QString& portName)
{
    const bool path = portName.startsWith(QLatin1Char('/')) ||
                      portName.startsWith(QLatin1String("./")) ||
                      portName.startsWith(QLatin1String("../"));
    QString name = path ? portName : QStringLiteral("/dev/") + portName;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString fileName = QStringLiteral("/LCK..") + name;
    for (const QString& folder : lockFolders()) {
        const QFileInfo info(folder);
        if (info.isReadable() && (QFile::exists(folder + fileName) || info.isWritable()))
            return folder + fileName;
    }
    return {};
}

std::optional<StaleLockFile> StaleLockFile::blocking(const QString& portName)
{
    const QString path = pathFor(portName);
    if (path.isEmpty())
        return std::nullopt;
    return inspect(path);
}

std::optional<StaleLockFile> StaleLockFile::inspect(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    struct stat status
    {};
    if (::lstat(file.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QFile lock(path);
    if (!lock.open(QIODevice::ReadOnly))
        return std::nullopt;
    // pid, program, host, one a line, as QLockFile writes them.
    const QList<QByteArray> lines = lock.read(4096).split('\n');
    bool number = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&number);
    if (!number || pid <= 0)
        return std::nullopt;
    // A process of another host cannot be asked whether it still runs.
    const QString host = QString::fromUtf8(lines.value(2).trimmed());
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return std::nullopt;
    if (!processEnded(pid) ||
        mayRemove(QFile::encodeName(QFileInfo(path).absolutePath()), status.st_uid))
        return std::nullopt;
    StaleLockFile stale;
    const QString resolved = QFileInfo(path).canonicalFilePath();
    stale.path = resolved.isEmpty() ? path : resolved;
    stale.owner = userName(status.st_uid);
    stale.pid = pid;
    return stale;
}

QString StaleLockFile::toText() const
{
    return QStringLiteral("stale lock file %1 of user %2, process %3 ended")
        .arg(path, owner)
        .arg(pid);
}

StaleLockFile StaleLockFile::fromText(const QString& text)
{
    StaleLockFile stale;
    const QRegularExpressionMatch match = textForm().match(text);
    if (!match.hasMatch())
        return stale;
    stale.path = match.captured(1);
    stale.owner = match.captured(2);
    stale.pid = match.captured(3).toLongLong();
    return stale;
}

QString StaleLockFile::removeCommand() const
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+:=@%-]+$"));
    QString quoted = path;
    if (!plain.match(path).hasMatch())
        quoted = QLatin1Char('\'') +
                 QString(path).replace(QLatin1Char('\''), QLatin1String("'\\''")) +
                 QLatin1Char('\'');
    return QStringLiteral("sudo rm ") + quoted;
}
