#include "InstanceGuard.h"

#include <QDir>
#include <QLockFile>

#include <map>
#include <memory>
#include <string>

int instance_is_run(const char* name, int)
{
    // The locks live until the process ends: the name stays taken while the tool runs.
    static std::map<std::string, std::unique_ptr<QLockFile>> held;
    const std::string key = name ? name : "";
    if (held.count(key))
        return 0;
    auto lock = std::make_unique<QLockFile>(
        QDir::temp().filePath(QString::fromStdString(key) + QStringLiteral(".lock")));
    // A lock whose process is gone is stale and is taken over; a live one is never stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return lock->error() == QLockFile::LockFailedError ? 1 : 0;
    held.emplace(key, std::move(lock));
    return 0;
}
