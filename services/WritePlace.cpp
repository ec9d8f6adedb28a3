#include "WritePlace.h"

#include <QFileInfo>

#include <cerrno>

WritePlace::Refusal WritePlace::check(const QString& path)
{
    const QFileInfo file(path);
    if (file.exists() && !(file.permissions() & QFileDevice::WriteOwner))
        return {SaveError::FileReadOnly, "the file is read-only"};
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return {SaveError::FolderMissing, "the folder does not exist"};
    if (!(folder.permissions() & QFileDevice::WriteOwner))
        return {SaveError::FolderNotWritable, "the folder is read-only"};
    return {};
}

SaveError WritePlace::kindOfErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return SaveError::FolderNotWritable;
    case ENOSPC:
    case EDQUOT:
        return SaveError::DiskFull;
    default:
        return SaveError::Other;
    }
}
