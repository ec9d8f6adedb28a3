#include "PortWatcher.h"

#include "IReaderWriter.h"
#include "PortDetails.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {
// A folder that does not exist yet (by-id before the first USB adapter) is watched through
// the nearest folder above it that does.
QString nearestExisting(QString folder)
{
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    return folder;
}
} // namespace

PortWatcher::PortWatcher(QObject* parent) : QObject(parent)
{
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
    connect(&settle, &QTimer::timeout, this, &PortWatcher::relist);
    enum_serl_port(names);
    lastSnapshot = snapshot();
    watchFolders();
}

void PortWatcher::relist()
{
    enum_serl_port(names);
    watchFolders();
    const QStringList now = snapshot();
    if (now == lastSnapshot)
        return;
    lastSnapshot = now;
    emit portsChanged();
}

void PortWatcher::watchFolders()
{
    QStringList wanted{QStringLiteral("/dev")};
    wanted << PortDetails::stableLinkFolders();
    for (const QByteArray& path : qgetenv("ZR415_EXTRA_PORTS").split(':')) {
        if (path.isEmpty())
            continue;
        const QFileInfo entry(QString::fromLocal8Bit(path));
        wanted << entry.absolutePath();
        // A link outlives its device (a simulator's pseudo-terminal): watch where it points too.
        if (entry.isSymLink())
            wanted << QFileInfo(entry.symLinkTarget()).absolutePath();
    }
    QStringList folders;
    for (const QString& folder : wanted) {
        const QString existing = nearestExisting(folder);
        if (!folders.contains(existing))
            folders << existing;
    }
    const QStringList watched = watcher.directories();
    for (const QString& folder : watched)
        if (!folders.contains(folder))
            watcher.removePath(folder);
    for (const QString& folder : folders)
        if (!watched.contains(folder))
            watcher.addPath(folder);
}

QStringList PortWatcher::snapshot() const
{
    QStringList entries;
    for (const std::string& name : names) {
        // System ports are listed by their name in /dev.
        const std::string path = name.compare(0, 1, "/") != 0 &&
                                         QFileInfo::exists(QString::fromStdString("/dev/" + name))
                                     ? "/dev/" + name
                                     : name;
        // A device unplugged and plugged back within the quiet time keeps its name but is a
        // new file, and so is a link made anew.
        struct stat device
        {};
        struct stat entry
        {};
        const bool there = ::stat(path.c_str(), &device) == 0;
        const bool named = ::lstat(path.c_str(), &entry) == 0;
        entries << QStringLiteral("%1 %2 %3 %4.%5 %6 %7 %8.%9")
                       .arg(QString::fromStdString(name))
                       .arg(there ? device.st_ino : 0)
                       .arg(there ? device.st_rdev : 0)
                       .arg(there ? device.st_ctim.tv_sec : 0)
                       .arg(there ? device.st_ctim.tv_nsec : 0)
                       .arg(there ? device.st_mode : 0)
                       .arg(named ? entry.st_ino : 0)
                       .arg(named ? entry.st_ctim.tv_sec : 0)
                       .arg(named ? entry.st_ctim.tv_nsec : 0);
    }
    return entries;
}
