// The cost of recording a link at ten times the line rate of 115200 baud (about 115 kB/s, in a
// chunk every 10 ms as a serial driver hands them over): the recorder alone, with and without
// recording, then the window with each tab in front, recording or not. Prints the CPU time as
// a share of one core and the worst lateness of a 10 ms timer, the event loop's longest stall.
#include "DlgTab.h"
#include "DlgZR415.h"
#include "LinkRecorder.h"
#include "LinkTraffic.h"
#include "ProcessCpu.h"
#include "TempSettings.h"
#include "TrafficView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int chunkEveryMs = 10;
constexpr int bytesPerSecond = 115200; // ten times 115200 baud's 11 520 bytes a second

QByteArray chunkOfLines()
{
    const QByteArray line = "$GNGGA,123456.00,3114.8789,N,12135.2442,E,4,24,0.6,12.3,M,8.9,M,"
                            "1.0,0000*4C\r\n";
    QByteArray chunk;
    while (chunk.size() < bytesPerSecond * chunkEveryMs / 1000)
        chunk += line;
    return chunk.left(bytesPerSecond * chunkEveryMs / 1000);
}

struct Figures
{
    double cpuPercent;
    double worstMs;
};

// Feeds source for seconds and measures the process meanwhile.
Figures feed(LinkTraffic& source, int seconds)
{
    const QByteArray chunk = chunkOfLines();
    QElapsedTimer clock;
    clock.start();
    double expected = chunkEveryMs;
    double worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &source, [&] {
        const double at = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        worst = std::max(worst, at - expected);
        expected = at + chunkEveryMs;
        emit source.bytesReceived(chunk);
    });
    const double cpuBefore = processCpuSeconds();
    tick.start(chunkEveryMs);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return {(processCpuSeconds() - cpuBefore) * 100 / seconds, worst};
}

void print(const char* what, const Figures& off, const Figures& on)
{
    const double cost = on.cpuPercent - off.cpuPercent;
    std::printf("%-22s %8.2f %% %8.2f %% %9.2f %% %10.1f ms %10.1f ms  %s\n", what, off.cpuPercent,
                on.cpuPercent, cost, off.worstMs, on.worstMs,
                cost < 1 && on.worstMs <= 10 ? "met" : "NOT met");
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir folder;
    std::printf("%d s each, %d bytes every %d ms; target: recording costs < 1 %% of a core, "
                "no stall > 10 ms\n",
                seconds, bytesPerSecond * chunkEveryMs / 1000, chunkEveryMs);
    std::printf("%-22s %10s %10s %11s %13s %13s\n", "case", "CPU off", "CPU on", "recording",
                "worst off", "worst on");

    {
        LinkTraffic source;
        LinkRecorder recorder;
        QObject::connect(&source, &LinkTraffic::bytesReceived, &recorder,
                         &LinkRecorder::addReceived);
        const Figures off = feed(source, seconds);
        recorder.start(folder.filePath(QStringLiteral("alone.nmea")),
                       {QStringLiteral("/dev/ttyUSB0"), 115200, {}}, false);
        const Figures on = feed(source, seconds);
        recorder.stop();
        print("recorder alone", off, on);
    }

    TempSettings settings;
    DlgTab window(nullptr);
    window.show();
    LinkTraffic& source = *window.settingsPage()->traffic();
    LinkRecorder recorder;
    QObject::connect(&source, &LinkTraffic::bytesReceived, &recorder, &LinkRecorder::addReceived);
    const char* names[] = {"window, settings page", "window, traffic tab", "window, output tab",
                           "window, receiver tab"};
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        emit source.linkOpened(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("115200"), false);
        const Figures off = feed(source, seconds);
        recorder.start(folder.filePath(QStringLiteral("tab%1.nmea").arg(tab)),
                       {QStringLiteral("/dev/ttyUSB0"), 115200, {}}, false);
        const Figures on = feed(source, seconds);
        recorder.stop();
        emit source.linkClosed(LinkTraffic::End::Disconnected);
        print(names[tab], off, on);
    }
    return 0;
}
