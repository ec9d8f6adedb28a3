#include "ReplayPlayer.h"

#include <vector>

ReplayPlayer::ReplayPlayer(QObject* parent) : QObject(parent)
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &ReplayPlayer::playDue);
    clock.start();
}

bool ReplayPlayer::start(const QString& path, double speed, QString& error)
{
    stop();
    std::string reason;
    if (!reader.open(path.toStdString(), reason)) {
        error = QString::fromStdString(reason);
        return false;
    }
    filePath = path;
    playing = true;
    pacer.start(clock.elapsed(), speed);
    timer.start(0);
    return true;
}

void ReplayPlayer::stop()
{
    if (!playing)
        return;
    playing = false;
    timer.stop();
    emit finished();
}

void ReplayPlayer::setSpeed(double speed)
{
    pacer.setSpeed(clock.elapsed(), speed);
    if (playing)
        timer.start(0);
}

void ReplayPlayer::setPaused(bool paused)
{
    pacer.setPaused(clock.elapsed(), paused);
    if (playing)
        timer.start(0);
}

void ReplayPlayer::playDue()
{
    std::vector<ReplayStep> due;
    const std::int64_t waitMs = pacer.take(clock.elapsed(), due, maxBytesPerTurn);
    for (const ReplayStep& step : due) {
        const QByteArray bytes = QByteArray::fromStdString(step.bytes);
        if (step.sent)
            emit commandWritten(bytes + "\r\n");
        else
            emit bytesReceived(bytes);
        // A receiver of the signal may have stopped the replay.
        if (!playing)
            return;
    }
    if (waitMs < 0) {
        stop();
        return;
    }
    if (!pacer.paused())
        timer.start(static_cast<int>(std::min<std::int64_t>(waitMs, 1000)));
}
