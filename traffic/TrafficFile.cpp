#include "TrafficFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {
SaveError kindOfErrno(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return SaveError::DiskFull;
    if (error == EACCES || error == EPERM || error == EROFS)
        return SaveError::FolderNotWritable;
    return SaveError::Other;
}
} // namespace

TrafficFile::Result TrafficFile::write(const QString& path, const QByteArray& bytes)
{
    // Read-only marks are honoured even for the superuser, who could write past them.
    const QFileInfo info(path);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        return {SaveError::FileReadOnly, QStringLiteral("the file is read-only")};
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return {SaveError::FolderMissing, QStringLiteral("the folder does not exist")};
    if (!(folder.permissions() & QFileDevice::WriteOwner))
        return {SaveError::FolderNotWritable, QStringLiteral("the folder is read-only")};
    QSaveFile file(path);
    // Unbuffered, so a full disk fails the write here and not after the rename.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {kindOfErrno(errno), file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const Result failed{kindOfErrno(errno), file.errorString()};
        file.cancelWriting();
        return failed;
    }
    return {};
}
