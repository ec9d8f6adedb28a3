#include "TrafficFile.h"

#include "WritePlace.h"

#include <QSaveFile>

#include <cerrno>

TrafficFile::Result TrafficFile::write(const QString& path, const QByteArray& bytes)
{
    const WritePlace::Refusal refusal = WritePlace::check(path);
    if (refusal.kind != SaveError::None)
        return {refusal.kind, QString::fromUtf8(refusal.text)};
    QSaveFile file(path);
    // Unbuffered, so a full disk fails the write here and not after the rename.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {WritePlace::kindOfErrno(errno), file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const Result failed{WritePlace::kindOfErrno(errno), file.errorString()};
        file.cancelWriting();
        return failed;
    }
    return {};
}
