#include "LinkRecorder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>

LinkRecorder::LinkRecorder(QObject* parent, Clock chosen)
    : QObject(parent), clock(std::move(chosen))
{
    if (!clock) {
        elapsed.start();
        clock = [this] { return elapsed.elapsed(); };
    }
    flushTimer.setInterval(flushIntervalMs);
    connect(&flushTimer, &QTimer::timeout, this, &LinkRecorder::flush);
}

bool LinkRecorder::start(const QString& path, const Header& header, bool overwrite)
{
    stop();
    failureKind = Failure::None;
    failureText.clear();
    filePath = path;
    const QString timingPath = path + QStringLiteral(".jsonl");
    if (!overwrite && (QFileInfo::exists(path) || QFileInfo::exists(timingPath))) {
        failureKind = Failure::Exists;
        failureText = QString::fromLocal8Bit(std::strerror(EEXIST));
        return false;
    }
    // Unbuffered: a full disk shows in the write that hit it, not at some later close.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    if (!overwrite)
        mode |= QIODevice::NewOnly;
    bytesFile.setFileName(path);
    timingFile.setFileName(timingPath);
    errno = 0;
    if (!bytesFile.open(mode) || !timingFile.open(mode)) {
        failureKind = errno == EEXIST ? Failure::Exists : Failure::CannotOpen;
        failureText = errno ? QString::fromLocal8Bit(std::strerror(errno))
                            : (bytesFile.isOpen() ? timingFile : bytesFile).errorString();
        bytesFile.close();
        timingFile.close();
        return false;
    }
    offset = 0;
    heldBytes.clear();
    QJsonObject described{
        {QStringLiteral("port"), header.port},
        {QStringLiteral("baud"), header.baud},
        {QStringLiteral("started"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}};
    if (!header.serial.isEmpty())
        described.insert(QStringLiteral("serial"), header.serial);
    // "recording" first, so a reader knows the file from its first bytes.
    heldTiming =
        "{\"recording\":1," + QJsonDocument(described).toJson(QJsonDocument::Compact).mid(1) + '\n';
    startedAt = clock();
    flushTimer.start();
    flush();
    return isRecording();
}

void LinkRecorder::addReceived(const QByteArray& bytes)
{
    if (!isRecording() || bytes.isEmpty())
        return;
    heldBytes += bytes;
    offset += bytes.size();
    heldTiming += "{\"at_ms\":" + QByteArray::number(clock() - startedAt) +
                  ",\"offset\":" + QByteArray::number(offset) + "}\n";
    if (heldBytes.size() >= maxHeldBytes)
        flush();
}

void LinkRecorder::addCommand(const QByteArray& sentence)
{
    if (!isRecording())
        return;
    QByteArray text = sentence;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    const QJsonObject entry{{QStringLiteral("at_ms"), clock() - startedAt},
                            {QStringLiteral("sent"), QString::fromLatin1(text)}};
    heldTiming += QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
}

bool LinkRecorder::writeHeld(QFile& file, QByteArray& held)
{
    errno = 0;
    if (!held.isEmpty() && file.write(held) != held.size()) {
        fail(Failure::WriteFailed,
             errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
        return false;
    }
    held.clear();
    return true;
}

void LinkRecorder::flush()
{
    if (!isRecording())
        return;
    // A folder removed or unmounted under open files takes their writes without a word.
    if (!QFileInfo::exists(filePath)) {
        fail(Failure::Vanished, QString::fromLocal8Bit(std::strerror(ENOENT)));
        return;
    }
    // The bytes before the entries that point into them.
    if (writeHeld(bytesFile, heldBytes))
        writeHeld(timingFile, heldTiming);
}

void LinkRecorder::stop()
{
    if (!isRecording())
        return;
    flush();
    flushTimer.stop();
    bytesFile.close();
    timingFile.close();
}

void LinkRecorder::fail(Failure kind, const QString& text)
{
    failureKind = kind;
    failureText = text;
    flushTimer.stop();
    bytesFile.close();
    timingFile.close();
    heldBytes.clear();
    heldTiming.clear();
    emit failed();
}
