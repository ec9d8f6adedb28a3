// Responsiveness under a flood, in three cases: the simulated receiver streams every sentence
// at its highest rate while the page is open; it streams 256 kB/s while the window shows the
// traffic tab; and the same with the tab behind the page, for comparison. The operator queries
// once a second. Prints the worst and typical lateness of a 10 ms timer, the resident memory and
// the CPU time over time. A fourth case shows the output tab under the same flood, a fifth the
// receiver tab, a sixth the receiver view in its own 1200 x 900 window; before the cases the
// output tab's meter alone is timed on recorded lines.
#include "DlgTab.h"
#include "DlgZR415.h"
#include "LinkTraffic.h"
#include "OutputView.h"
#include "PageProbe.h"
#include "ProcessCpu.h"
#include "PromptRecorder.h"
#include "RateMeter.h"
#include "ReceiverView.h"
#include "ReceiverWindow.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"
#include "TrafficView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
long residentKiB()
{
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

struct FloodCase
{
    const char* name;
    const char* title;
    QStringList simulatorArguments;
    enum
    {
        PageAlone,
        WindowOnPage,
        WindowOnTraffic,
        WindowOnOutput,
        WindowOnReceiver,
        ReceiverDetached // the receiver view in its own window, 1200 x 900
    } shown;
};

int run(const FloodCase& flood, int seconds)
{
    std::printf("== %s\n", flood.title);
    SimulatorProcess simulator(flood.simulatorArguments);
    if (!simulator.isRunning()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    qputenv("ZR415_EXTRA_PORTS", simulator.devicePath().toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    std::unique_ptr<QWidget> window;
    DlgZR415* shownPage = nullptr;
    TrafficView* traffic = nullptr;
    if (flood.shown != FloodCase::PageAlone) {
        auto* tabs = new DlgTab(nullptr);
        window.reset(tabs);
        shownPage = tabs->settingsPage();
        traffic = tabs->trafficView();
    } else {
        shownPage = new DlgZR415(nullptr);
        window.reset(shownPage);
    }
    DlgZR415& page = *shownPage;
    window->show();
    PageProbe::choose(page, simulator.devicePath(), QStringLiteral("256000"));
    PageProbe::click(page, "connectButton");
    if (!PageProbe::linkShownOpen(page)) {
        std::fprintf(stderr, "could not connect\n");
        return 1;
    }
    // Connected on the page, as an operator does, then the case's tab is brought forward.
    if (flood.shown != FloodCase::PageAlone) {
        auto* tabs = static_cast<DlgTab*>(window.get());
        if (flood.shown == FloodCase::WindowOnTraffic)
            tabs->tabs()->setCurrentWidget(traffic);
        if (flood.shown == FloodCase::WindowOnOutput)
            tabs->tabs()->setCurrentWidget(tabs->outputView());
        if (flood.shown == FloodCase::WindowOnReceiver ||
            flood.shown == FloodCase::ReceiverDetached)
            tabs->tabs()->setCurrentWidget(tabs->receiverView());
        if (flood.shown == FloodCase::ReceiverDetached) {
            PageProbe::click(*tabs->receiverView(), "detachButton");
            tabs->receiverView()->detachedWindow()->resize(1200, 900);
        }
    }

    std::vector<double> lateness;
    QElapsedTimer clock;
    clock.start();
    double expected = 10.0; // milliseconds since start when the next tick is due
    auto now = [&clock] { return static_cast<double>(clock.nsecsElapsed()) / 1e6; };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &page, [&] {
        const double at = now();
        lateness.push_back(std::max(0.0, at - expected));
        expected = at + 10.0;
    });
    tick.start(10);

    int answered = 0;
    std::printf("second  resident KiB  CPU %%  worst delay ms  answers shown%s\n",
                traffic ? "  lines received" : "");
    for (int second = 1; second <= seconds; ++second) {
        PageProbe::part<QLineEdit>(page, "bodyNumEdit")->clear();
        PageProbe::click(page, "queryButton");
        const std::size_t from = lateness.size();
        const double cpuBefore = processCpuSeconds();
        // A real event loop that sleeps when idle, as the tool's does, not a spinning one that
        // takes a core from the simulator.
        QEventLoop loop;
        QTimer::singleShot(std::max<qint64>(0, second * 1000 - clock.elapsed()), Qt::PreciseTimer,
                           &loop, &QEventLoop::quit);
        loop.exec();
        if (PageProbe::part<QLineEdit>(page, "bodyNumEdit")->text() == QLatin1String("FLOOD"))
            ++answered;
        const double worst =
            from < lateness.size() ? *std::max_element(lateness.begin() + from, lateness.end()) : 0;
        const double cpuPercent = (processCpuSeconds() - cpuBefore) * 100;
        std::printf("%6d  %12ld  %5.0f  %14.1f  %13d", second, residentKiB(), cpuPercent, worst,
                    answered);
        if (traffic)
            std::printf("  %14llu", static_cast<unsigned long long>(traffic->log().end()));
        std::printf("\n");
        std::fflush(stdout);
    }
    tick.stop();
    std::vector<double> sorted = lateness;
    std::sort(sorted.begin(), sorted.end());
    const double worst = sorted.empty() ? 0 : sorted.back();
    const double p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
    std::printf(
        "\ntimer ticks %zu; lateness p99 %.1f ms, worst %.1f ms (target worst < 20 ms): %s\n",
        sorted.size(), p99, worst, worst < 20 ? "met" : "MISSED");
    std::printf("queries answered in their second: %d of %d\n\n", answered, seconds);
    return 0;
}

QByteArray withChecksum(const QByteArray& body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + body + '*' + QByteArray::number(sum | 0x100, 16).right(2).toUpper() + "\r\n";
}

// The meter alone, fed 512-byte chunks of the flood's lines mixed with GGA and satellite groups,
// as the link hands them over: its throughput, and what 256 kB/s costs of one core.
void meterCost()
{
    QByteArray recorded;
    for (int i = 0; recorded.size() < 4 * 1024 * 1024; ++i) {
        recorded +=
            withChecksum("GNTXT,01,01,02,FILLER " + QByteArray::number(i).rightJustified(8, '0') +
                         " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
        if (i % 20 == 0)
            recorded += withChecksum("GNGGA,101500.20,3114.12345,N,12128.54321,E,4,12,0.8,"
                                     "12.345,M,8.765,M,1.0,0000") +
                        withChecksum("GPGSV,3,1,12,02,22,029,33,04,29,058,36,06,36,087,39,08,"
                                     "43,116,42");
    }
    qint64 clockMs = 0;
    RateMeter meter([&clockMs] { return clockMs; });
    QElapsedTimer timer;
    timer.start();
    constexpr int rounds = 5;
    for (int round = 0; round < rounds; ++round)
        for (qsizetype at = 0; at < recorded.size(); at += 512, ++clockMs)
            meter.addReceived(recorded.mid(at, 512));
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double megabytesPerSecond = rounds * recorded.size() / seconds / 1e6;
    const double corePercent = 0.262144 / megabytesPerSecond * 100;
    std::printf("== output meter alone, 512-byte chunks\n"
                "%.0f MB/s; at 256 kB/s %.3f %% of a core (target < 1 %%): %s\n\n",
                megabytesPerSecond, corePercent, corePercent < 1 ? "met" : "MISSED");
}

// The receiver tab alone: its parser fed 512-byte chunks of the flood's lines mixed with a fix, a
// sky of three GSV parts, GSA and HDT; then a refresh drawn in full with that sky. What 256 kB/s
// and two redraws a second cost of one core.
void receiverCost()
{
    QByteArray recorded;
    for (int i = 0; recorded.size() < 4 * 1024 * 1024; ++i) {
        recorded +=
            withChecksum("GNTXT,01,01,02,FILLER " + QByteArray::number(i).rightJustified(8, '0') +
                         " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
        if (i % 20 == 0)
            recorded +=
                withChecksum("GNGGA,101500.20,3114.12345,N,12128.54321,E,4,12,0.8,12.345,M,"
                             "8.765,M,1.0,0000") +
                withChecksum("GPGSV,3,1,12,02,22,029,33,04,29,058,36,06,36,087,39,08,43,116,42") +
                withChecksum("GPGSV,3,2,12,10,50,145,45,12,57,174,48,14,64,203,31,16,71,232,34") +
                withChecksum("GPGSV,3,3,12,18,78,261,37,20,15,290,40,22,22,319,43,24,29,348,46") +
                withChecksum("GNGSA,A,3,02,04,06,08,10,12,14,16,18,20,22,24,1.2,0.8,0.9") +
                withChecksum("GNHDT,87.500,T");
    }
    qint64 clockMs = 0;
    LinkTraffic source;
    ReceiverView view(&source, nullptr, [&clockMs] { return clockMs; });
    view.resize(434, 570);
    // CPU time, not wall time: the machine may be busy with others.
    double cpuBefore = processCpuSeconds();
    constexpr int rounds = 5;
    for (int round = 0; round < rounds; ++round)
        for (qsizetype at = 0; at < recorded.size(); at += 512, ++clockMs)
            emit source.bytesReceived(recorded.mid(at, 512));
    const double seconds = processCpuSeconds() - cpuBefore;
    const double megabytesPerSecond = rounds * recorded.size() / seconds / 1e6;
    // Each redraw with a new time and a sky whose levels moved, painted as the window paints:
    // what changed.
    view.show();
    QCoreApplication::processEvents();
    constexpr int redraws = 50;
    double redrawSeconds = 0;
    for (int i = 0; i < redraws; ++i) {
        clockMs += 500;
        const QByteArray level = QByteArray::number(30 + i % 20);
        const QByteArray moved =
            withChecksum("GNGGA,1015" + QByteArray::number(10 + i) +
                         ".20,3114.12345,N,12128.54321,E,4,12,0.8,12.345,M,8.765,M,1.0,0000") +
            withChecksum("GPGSV,3,1,12,02,22,029," + level +
                         ",04,29,058,36,06,36,087,39,08,43,116,42") +
            withChecksum("GPGSV,3,2,12,10,50,145,45,12,57,174,48,14,64,203,31,16,71,232,34") +
            withChecksum("GPGSV,3,3,12,18,78,261,37,20,15,290,40,22,22,319,43,24,29,348," + level);
        emit source.bytesReceived(moved);
        cpuBefore = processCpuSeconds();
        view.refresh();
        QCoreApplication::processEvents();
        redrawSeconds += processCpuSeconds() - cpuBefore;
    }
    const double redrawMs = redrawSeconds * 1000 / redraws;
    const double corePercent = 0.262144 / megabytesPerSecond * 100 + 2 * redrawMs / 10;
    std::printf("== receiver tab alone, 512-byte chunks\n"
                "%.0f MB/s parsed, %.2f ms a redraw with 12 satellites; at 256 kB/s and two "
                "redraws a second %.3f %% of a core (target < 1 %%): %s\n\n",
                megabytesPerSecond, redrawMs, corePercent, corePercent < 1 ? "met" : "MISSED");
}
} // namespace

// Usage: bench_flood [seconds] [page|traffic|behind|output|receiver|detached]; every case by
// default.
int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    const char* only = argc > 2 ? argv[2] : nullptr;
    const FloodCase cases[] = {
        {"page",
         "settings page, every sentence at its highest rate",
         {"--rates", "ALL=0.02", "--serial", "FLOOD"},
         FloodCase::PageAlone},
        {"traffic",
         "traffic tab visible, 256 kB/s",
         {"--flood", "262144", "--serial", "FLOOD"},
         FloodCase::WindowOnTraffic},
        // The same flood with the traffic tab behind the page: the link and the log, no view.
        {"behind",
         "traffic tab hidden, 256 kB/s",
         {"--flood", "262144", "--serial", "FLOOD"},
         FloodCase::WindowOnPage},
        {"output",
         "output tab visible, 256 kB/s",
         {"--flood", "262144", "--rates", "GGA=0.1,GSV=1", "--serial", "FLOOD"},
         FloodCase::WindowOnOutput},
        {"receiver",
         "receiver tab visible, 256 kB/s",
         {"--flood", "262144", "--rates", "GGA=0.1,RMC=0.1,GSA=0.2,GSV=0.2,HDT=0.1,GST=1",
          "--serial", "FLOOD"},
         FloodCase::WindowOnReceiver},
        {"detached",
         "receiver view in its own 1200 x 900 window, 256 kB/s",
         {"--flood", "262144", "--rates", "GGA=0.1,RMC=0.1,GSA=0.2,GSV=0.2,HDT=0.1,GST=1",
          "--serial", "FLOOD"},
         FloodCase::ReceiverDetached},
    };
    if (!only || std::strcmp(only, "output") == 0)
        meterCost();
    if (!only || std::strcmp(only, "receiver") == 0)
        receiverCost();
    int failed = 0;
    bool matched = false;
    for (const FloodCase& flood : cases) {
        if (only && std::strcmp(only, flood.name) != 0)
            continue;
        matched = true;
        failed |= run(flood, seconds);
    }
    if (!matched) {
        std::fprintf(
            stderr,
            "bench_flood: no case %s (page, traffic, behind, output, receiver or detached)\n",
            only);
        return 2;
    }
    return failed;
}
