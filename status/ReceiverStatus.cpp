#include "ReceiverStatus.h"

void ReceiverStatus::addReceived(const QByteArray& chunk, qint64 nowMs)
{
    Q_UNUSED(chunk);
    Q_UNUSED(nowMs);
}

void ReceiverStatus::addSentence(QByteArrayView line, qint64 nowMs)
{
    takeSentence(line, nowMs);
}

void ReceiverStatus::clear()
{
    *this = ReceiverStatus();
}

QDateTime ReceiverStatus::utc() const
{
    return QDateTime();
}

std::vector<ReceiverStatus::Satellite> ReceiverStatus::signalsInView(qint64) const
{
    return {};
}

std::vector<ReceiverStatus::Satellite> ReceiverStatus::satellitesInView(qint64) const
{
    return {};
}

std::vector<ReceiverStatus::SystemCount> ReceiverStatus::systemCounts(qint64) const
{
    return {};
}

bool ReceiverStatus::takeSentence(QByteArrayView, qint64)
{
    return false;
}
