#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <string>
#include <vector>

// Follows the serial ports as they come and go: the kernel tells when an entry of /dev,
// /dev/serial/by-id or a folder of ZR415_EXTRA_PORTS changes (inotify), and only then is the
// list read again. Nothing runs while nothing changes.
class PortWatcher : public QObject
{
    Q_OBJECT

public:
    explicit PortWatcher(QObject* parent = nullptr);

    // The ports as enum_serl_port lists them, as of the last change.
    const std::vector<std::string>& ports() const { return names; }
    // A plug-in touches several entries (device, by-id link, its folder) within a few
    // milliseconds: they are read as one change after this quiet time.
    static constexpr int settleMs = 100;

signals:
    // The list, or the device behind one of its names, changed.
    void portsChanged();

private:
    void relist();
    void watchFolders();
    // The names, each with the identity of the file it leads to.
    QStringList snapshot() const;

    QFileSystemWatcher watcher;
    QTimer settle;
    std::vector<std::string> names;
    QStringList lastSnapshot;
};
