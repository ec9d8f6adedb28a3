// Throughput of the reply path (sink text -> extractor -> replies -> page) on realistic
// traffic, beside two references measured in the same run: the fastest line rate the tool
// offers, and a plain one-pass memchr scan of the same bytes.
#include "DlgZR415.h"
#include "NmeaGenerator.h"
#include "ReceiverState.h"
#include "SerialReaderWriter.h"
#include "TempSettings.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr double fastestLineBytesPerSecond = 256000.0 / 10.0; // 8N1: ten bits a byte
constexpr std::size_t chunkSize = 512; // about what one read of a busy port returns

// Every sentence at full rate (about 650 lines a second), with a GET answer after every 60th
// line: the eleven answers of one query a second.
const std::string& traffic()
{
    static const std::string bytes = [] {
        NmeaGenerator generator;
        std::string all;
        int line = 0;
        while (all.size() < 4 * 1024 * 1024) {
            for (const char* name : ReceiverState::sentenceNames) {
                all += generator.sentence(name, "HE", 1.7e9 + line * 0.02);
                if (++line % 60 == 0)
                    all += ReceiverState::reply(std::string("KVT,,GET,GNSS.NMEA.") + name +
                                                ",OK,0.02");
            }
        }
        return all;
    }();
    return bytes;
}

// The texts the serial reader/writer hands to the sink, one per chunk read.
const std::vector<std::string>& sinkTexts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        const std::string& bytes = traffic();
        for (std::size_t at = 0; at < bytes.size(); at += chunkSize)
            all.push_back(SerialReaderWriter::sinkMessage(bytes.data() + at,
                                                          std::min(chunkSize, bytes.size() - at)));
        return all;
    }();
    return texts;
}

void replyPath(benchmark::State& state)
{
    TempSettings settings;
    DlgZR415 page(nullptr);
    const std::vector<std::string>& texts = sinkTexts();
    for (auto _ : state)
        for (const std::string& text : texts)
            benchmark::DoNotOptimize(page.log(text.c_str()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * traffic().size()));
}
BENCHMARK(replyPath)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void memchrScan(benchmark::State& state)
{
    const std::string& bytes = traffic();
    for (auto _ : state) {
        std::size_t lines = 0;
        for (const char *at = bytes.data(), *end = at + bytes.size();
             (at = static_cast<const char*>(
                  std::memchr(at, '\r', static_cast<std::size_t>(end - at))));
             ++at)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(memchrScan)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's bytes per second for the verdict printed at the end.
class Collector : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            rates[run.benchmark_name()] = run.counters.at("bytes_per_second");
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const double path = collector.rates["replyPath/min_time:2.000"];
    const double scan = collector.rates["memchrScan/min_time:2.000"];
    if (path <= 0 || scan <= 0)
        return 1;
    std::printf("\nreply path      %10.1f MB/s\n", path / 1e6);
    std::printf("memchr scan     %10.1f MB/s\n", scan / 1e6);
    std::printf("fastest line    %10.4f MB/s (256000 baud)\n", fastestLineBytesPerSecond / 1e6);
    std::printf("path / line     %10.0f x   (target >= 1000 x): %s\n",
                path / fastestLineBytesPerSecond,
                path / fastestLineBytesPerSecond >= 1000 ? "met" : "MISSED");
    std::printf("path / scan     %10.3f x   (target >= 0.3 x):  %s\n", path / scan,
                path / scan >= 0.3 ? "met" : "MISSED");
    return 0;
}
