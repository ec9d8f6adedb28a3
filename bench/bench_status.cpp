// The receiver-status parser at 256 kB/s of a multi-system receiver's NMEA (ten times the
// fastest line), fed in the serial layer's 512-byte chunks, with the queries a view makes twice
// a second. Prints the share of one core it takes; the target is below 1 %.
#include "NmeaLines.h"
#include "ReceiverStatus.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cstdio>
#include <ctime>

namespace {
using NmeaLines::nmea;

// One epoch as a four-system receiver sends it, its time tags n × 5 ms after noon.
QByteArray epoch(int n)
{
    const int ms = n * 5;
    const QByteArray tag = QStringLiteral("12%1%2.%3")
                               .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                               .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                               .arg(ms % 1000, 3, 10, QLatin1Char('0'))
                               .toLatin1();
    QByteArrayList bodies = {
        "GNGGA," + tag + ",3114.878902,N,12135.244198,E,4,24,0.6,12.30,M,8.10,M,1.2,0123",
        "GNRMC," + tag + ",A,3114.878902,N,12135.244198,E,0.0,87.5,071226,,,R",
        "GNVTG,87.5,T,,M,0.0,N,0.0,K,D",
    };
    bodies += NmeaLines::fourSystemSky();
    bodies += {
        "GNGST," + tag + ",0.8,0.012,0.010,45.0,0.011,0.011,0.020",
        "GNZDA," + tag + ",07,12,2026,00,00",
        "HEHDT,87.662,T",
    };
    QByteArray all;
    for (const QByteArray& body : bodies)
        all += nmea(body);
    return all;
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    constexpr qsizetype bytesPerSecond = 256 * 1024;
    constexpr qsizetype chunkBytes = 512;
    QByteArray second;
    for (int n = 0; second.size() < bytesPerSecond; ++n)
        second += epoch(n);
    second.truncate(bytesPerSecond);

    std::size_t seen = 0;
    std::size_t seenAtEpoch = 0;
    ReceiverStatus status;
    // What zr415ctl's gpsd stream reads at the end of each epoch.
    std::size_t epochs = 0;
    status.setEpochListener([&] {
        ++epochs;
        seenAtEpoch += status.utc().isValid() + status.satellitesUsed().value;
    });
    const double start = cpuSeconds();
    for (int s = 0; s < seconds; ++s) {
        const qsizetype chunks = second.size() / chunkBytes;
        for (qsizetype c = 0; c < chunks; ++c) {
            const qint64 nowMs = s * 1000LL + c * 1000 / chunks;
            status.addReceived(second.mid(c * chunkBytes, chunkBytes), nowMs);
            // A view repaints at most twice a second.
            if (c == 0 || c == chunks / 2)
                seen += status.satellitesInView(nowMs).size() + status.systemCounts(nowMs).size();
        }
    }
    const double used = cpuSeconds() - start;
    const double share = 100 * used / seconds;
    std::printf("sentences taken: %llu, skipped: %llu, satellites seen: %zu, epochs: %zu (%zu)\n",
                static_cast<unsigned long long>(status.sentencesTaken()),
                static_cast<unsigned long long>(status.sentencesSkipped()), seen, epochs,
                seenAtEpoch);
    std::printf("parser + view queries at 256 kB/s: %.3f %% of a core (target < 1 %%: %s)\n", share,
                share < 1 ? "met" : "missed");
    return 0;
}
