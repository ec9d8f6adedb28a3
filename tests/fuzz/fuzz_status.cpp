// The receiver-status parser with any bytes, cut into chunks anywhere: it never crashes, and
// what it keeps stays within the bounds a view relies on.
#include "ReceiverStatus.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkBounds(const ReceiverStatus& status, qint64 nowMs)
{
    if (status.position().known()) {
        require(std::abs(status.position().value.latitude) <= 90);
        require(std::abs(status.position().value.longitude) <= 180);
    }
    if (status.heading().known())
        require(status.heading().value >= 0 && status.heading().value <= 360);
    if (status.utcTime().known())
        require(status.utcTime().value >= 0 && status.utcTime().value < (24 * 3600 + 1) * 1000);
    require(status.corrections().value.stationId.size() <= ReceiverStatus::maxStationIdBytes);
    status.utc();
    const auto signals_ = status.signalsInView(nowMs);
    // 8 talkers, 16 signal ids, 20 parts of 4 satellites
    require(signals_.size() <= 8 * 16 * 20 * 4);
    for (const auto& satellite : signals_) {
        require(satellite.number > 0);
        require(!satellite.elevation || (*satellite.elevation >= 0 && *satellite.elevation <= 90));
        require(!satellite.azimuth || (*satellite.azimuth >= 0 && *satellite.azimuth <= 360));
        require(nowMs - satellite.lastSeen <=
                status.overdueAfterMs(ReceiverStatus::Sentence::Gsv) + ReceiverStatus::skyKeptMs);
    }
    require(status.satellitesInView(nowMs).size() <= signals_.size());
    for (const auto& count : status.systemCounts(nowMs))
        require(count.used >= 0 && count.inView >= 0 && count.used + count.inView > 0);
    for (int kind = 0; kind < ReceiverStatus::sentenceKinds; ++kind)
        require(status.overdueAfterMs(static_cast<ReceiverStatus::Sentence>(kind)) >=
                ReceiverStatus::minOverdueMs);
    if (status.utc().isValid())
        require(status.utc().time().msecsSinceStartOfDay() == status.utcTime().value % 86400000);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte says where the chunks are cut; the rest is the line.
    const std::size_t chunk = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    ReceiverStatus status;
    // Epochs end in the middle of parsing: the listener reads everything then.
    status.setEpochListener([&status] {
        status.utc();
        status.satellitesInView(0);
    });
    qint64 nowMs = 0;
    for (qsizetype at = 0; at < bytes.size(); at += static_cast<qsizetype>(chunk)) {
        status.addReceived(bytes.mid(at, static_cast<qsizetype>(chunk)), nowMs);
        nowMs += 250;
    }
    checkBounds(status, nowMs);
    for (const QByteArray& line : bytes.split('\n'))
        status.addSentence(line, nowMs);
    checkBounds(status, nowMs);
    status.finishEpoch();
    checkBounds(status, nowMs + ReceiverStatus::skyKeptMs + 1);
    return 0;
}
