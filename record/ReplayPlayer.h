#pragma once

#include "RecordingReader.h"
#include "ReplayPacer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// Plays a recording on the event loop: the receiver's bytes and our commands come out as they
// were recorded, at a speed, with pause. A step never holds the loop up for long: as fast as it
// can still goes in slices.
class ReplayPlayer : public QObject
{
    Q_OBJECT

public:
    explicit ReplayPlayer(QObject* parent = nullptr);

    // False, with error, when the recording cannot be read.
    bool start(const QString& path, double speed, QString& error);
    void stop();
    void setSpeed(double speed);
    void setPaused(bool paused);
    bool isPlaying() const { return playing; }
    bool isPaused() const { return pacer.paused(); }
    // True when the timing came from FILE.jsonl, false when from the NMEA time tags.
    bool timed() const { return reader.timed(); }
    const QString& path() const { return filePath; }

    // Bytes handed out in one turn of the event loop at most.
    static constexpr std::size_t maxBytesPerTurn = 64 * 1024;

signals:
    void bytesReceived(const QByteArray& bytes);
    void commandWritten(const QByteArray& sentence);
    // The recording played to its end, or stop() ended it.
    void finished();

private:
    void playDue();

    RecordingReader reader;
    ReplayPacer pacer{reader};
    QElapsedTimer clock;
    QTimer timer;
    QString filePath;
    bool playing = false;
};
