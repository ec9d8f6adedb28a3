// zr415ctl report --from over a day's recording at 10 Hz (864 000 epochs, about 190 MB): the
// wall time and the peak memory of the process, against the targets of 10 s and 200 MB. Once
// with the recording's index (FILE.jsonl, a piece per epoch), once without (another tool's
// capture, timed by its time tags). The recording is made once, in a temporary folder.
#include "NmeaLines.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {
using NmeaLines::nmea;

constexpr int epochs = 24 * 3600 * 10;

QByteArray timeTag(int tenths)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d.%d0", tenths / 36000, tenths / 600 % 60,
                  tenths / 10 % 60, tenths % 10);
    return text;
}

// Noise of a few centimetres, the same every run.
double noise(unsigned& state)
{
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1u << 24) - 0.5;
}

// Once a second: RMC, ZDA, the used lists and the sky of four systems.
QByteArray perSecond(int tenths)
{
    static const QList<QByteArray> bodies = NmeaLines::fourSystemSky();
    QByteArray all =
        nmea("GNRMC," + timeTag(tenths) + ",A,3114.878902,N,12135.244198,E,0.0,87.5,071226,,,R") +
        nmea("GNZDA," + timeTag(tenths) + ",07,12,2026,00,00");
    for (const QByteArray& body : bodies)
        all += nmea(body);
    return all;
}

struct Recording
{
    QTemporaryDir dir;
    QString indexed;
    QString plain;
    qint64 bytes = 0;
};

// A day from midnight: 30 s without a fix, 60 s float, then fixed with a minute's outage at
// noon; heading 87.66° with a tenth of a degree of noise.
const Recording& recording()
{
    static Recording* made = [] {
        auto* r = new Recording;
        r->indexed = r->dir.filePath(QStringLiteral("day.nmea"));
        r->plain = r->dir.filePath(QStringLiteral("capture.nmea"));
        QFile data(r->indexed);
        QFile index(r->indexed + QStringLiteral(".jsonl"));
        if (!data.open(QIODevice::WriteOnly) || !index.open(QIODevice::WriteOnly))
            std::abort();
        index.write(R"({"recording":1,"port":"/dev/ttyUSB0","baud":115200,"serial":"ZR-BENCH",)"
                    R"("started":"2026-12-07T00:00:00Z"})"
                    "\n");
        unsigned state = 7;
        QByteArray block;
        QByteArray pieces;
        for (int tenth = 0; tenth < epochs; ++tenth) {
            const int quality = tenth < 300 ? 0 : tenth < 900 ? 5 : (tenth / 600 == 720) ? 0 : 4;
            const double north = 0.02 * noise(state);
            const double east = 0.02 * noise(state);
            char position[96];
            std::snprintf(position, sizeof position, "3114.%06d,N,12135.%06d,E,%d,24,0.6,%.3f",
                          878902 + int(north / 1.852), 244198 + int(east / 1.58), quality,
                          12.3 + 0.03 * noise(state));
            QByteArray epoch;
            if (tenth % 10 == 0)
                epoch += perSecond(tenth);
            epoch += nmea("GNGGA," + timeTag(tenth) + "," + position + ",M,8.10,M,1.2,0123") +
                     nmea("HEHDT," + QByteArray::number(87.66 + 0.2 * noise(state), 'f', 3) + ",T");
            block += epoch;
            r->bytes += epoch.size();
            pieces += "{\"at_ms\":" + QByteArray::number(qint64(tenth) * 100 + 3) +
                      ",\"offset\":" + QByteArray::number(r->bytes) + "}\n";
            if (block.size() > (1 << 20)) {
                data.write(block);
                index.write(pieces);
                block.clear();
                pieces.clear();
            }
        }
        data.write(block);
        index.write(pieces);
        data.close();
        index.close();
        if (!QFile::copy(r->indexed, r->plain))
            std::abort();
        return r;
    }();
    return *made;
}

// Runs zr415ctl report on path; its wall time in seconds and its peak memory in bytes.
bool runReport(const QString& path, double& seconds, long& peakBytes)
{
    const QByteArray file = path.toLocal8Bit();
    const QByteArray pages = file + ".pages";
    const char* argv[] = {ZR415CTL_BINARY, "report", "--from",          file.constData(),
                          "--json",        "--html", pages.constData(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return false;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    peakBytes = usage.ru_maxrss * 1024L;
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void reportOfADay(benchmark::State& state, bool indexed)
{
    const Recording& day = recording();
    double worstSeconds = 0;
    long worstPeak = 0;
    for (auto _ : state) {
        double seconds = 0;
        long peak = 0;
        if (!runReport(indexed ? day.indexed : day.plain, seconds, peak)) {
            state.SkipWithError("zr415ctl report failed");
            return;
        }
        state.SetIterationTime(seconds);
        worstSeconds = std::max(worstSeconds, seconds);
        worstPeak = std::max(worstPeak, peak);
    }
    state.counters["epochs"] = epochs;
    state.counters["recording_MB"] = day.bytes / 1e6;
    state.counters["worst_s"] = worstSeconds;
    state.counters["peak_MB"] = worstPeak / 1e6;
    state.SetLabel(worstSeconds < 10 && worstPeak < 200e6 ? "under 10 s and 200 MB: met"
                                                          : "10 s / 200 MB: MISSED");
}
} // namespace

BENCHMARK_CAPTURE(reportOfADay, indexed, true)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(reportOfADay, capture_without_index, false)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(3);
BENCHMARK_MAIN();
