// Responsiveness under a flood: the simulated receiver streams every sentence at its highest
// rate while the page is open and the operator queries once a second. Prints the worst and
// typical lateness of a 10 ms timer and the resident memory over time.
#include "DlgZR415.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;

    SimulatorProcess simulator({"--rates", "ALL=0.02", "--serial", "FLOOD"});
    if (!simulator.isRunning()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    qputenv("ZR415_EXTRA_PORTS", simulator.devicePath().toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    page.show();
    PageProbe::choose(page, simulator.devicePath(), QStringLiteral("256000"));
    PageProbe::click(page, "connectButton");
    if (!PageProbe::linkShownOpen(page)) {
        std::fprintf(stderr, "could not connect\n");
        return 1;
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
    std::printf("second  resident KiB  worst delay ms  answers shown\n");
    for (int second = 1; second <= seconds; ++second) {
        PageProbe::part<QLineEdit>(page, "bodyNumEdit")->clear();
        PageProbe::click(page, "queryButton");
        const std::size_t from = lateness.size();
        while (clock.elapsed() < second * 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (PageProbe::part<QLineEdit>(page, "bodyNumEdit")->text() == QLatin1String("FLOOD"))
            ++answered;
        const double worst =
            from < lateness.size() ? *std::max_element(lateness.begin() + from, lateness.end()) : 0;
        std::printf("%6d  %12ld  %14.1f  %13d\n", second, residentKiB(), worst, answered);
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
    std::printf("queries answered in their second: %d of %d\n", answered, seconds);
    return 0;
}
