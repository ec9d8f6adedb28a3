#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Records one link: FILE holds the receiver's bytes exactly as they came, FILE.jsonl a header,
// then when each piece arrived (milliseconds since the start, FILE's length after it) and each
// command we sent. Written at least twice a second, so an unplug or a crash loses at most the
// last moments. A failed write ends the recording, never the link.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    enum class Failure
    {
        None,
        Exists,     // FILE or FILE.jsonl is there and overwriting was not asked for
        CannotOpen, // the folder is missing or not writable
        WriteFailed,
        Vanished // the file or its folder went away while recording
    };
    Q_ENUM(Failure)

    struct Header
    {
        QString port;
        qint32 baud = 0;
        QString serial; // empty when not known
    };

    // Milliseconds on a monotonic clock; tests bring their own.
    using Clock = std::function<qint64()>;
    explicit LinkRecorder(QObject* parent = nullptr, Clock clock = {});
    ~LinkRecorder() override { stop(); }

    // False, with failure() and errorText(), when the files cannot be made.
    bool start(const QString& path, const Header& header, bool overwrite);
    void addReceived(const QByteArray& bytes);
    void addCommand(const QByteArray& sentence);
    // Writes what is held and closes the files; nothing when not recording.
    void stop();
    // Writes what is held now.
    void flush();

    bool isRecording() const { return bytesFile.isOpen(); }
    const QString& path() const { return filePath; }
    Failure failure() const { return failureKind; }
    // The system's words for the failure.
    const QString& errorText() const { return failureText; }
    qint64 bytesRecorded() const { return offset; }

    static constexpr int flushIntervalMs = 500;
    // Held in memory no longer than this, whatever the interval.
    static constexpr qsizetype maxHeldBytes = 256 * 1024;

signals:
    // The recording ended by itself, failure() tells why; the link is not affected.
    void failed();

private:
    void fail(Failure kind, const QString& text);
    bool writeHeld(QFile& file, QByteArray& held);

    Clock clock;
    QElapsedTimer elapsed;
    qint64 startedAt = 0;
    QFile bytesFile;
    QFile timingFile;
    QString filePath;
    QByteArray heldBytes;
    QByteArray heldTiming;
    qint64 offset = 0;
    QTimer flushTimer;
    Failure failureKind = Failure::None;
    QString failureText;
};
