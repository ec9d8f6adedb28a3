// What following the ports costs an idle window: its thread's wakeups (context switches) and CPU
// time while nothing changes, then the same around one port plugged in and pulled out.
#include "DlgTab.h"
#include "ProcessCpu.h"
#include "PromptRecorder.h"
#include "TempSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
long wakeups()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// A real event loop that sleeps when idle, as the tool's does (QTest::qWait wakes every 10 ms).
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void report(const char* what, long switches, double cpu)
{
    std::printf("%-34s %6ld wakeups  %7.3f s CPU\n", what, switches, cpu);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    QTemporaryDir lab;
    const QString port = lab.filePath(QStringLiteral("ttyUSB0"));
    qputenv("ZR415_EXTRA_PORTS", (port + ":/dev/serial/by-id/usb-none").toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    // The whole window, as the operator has it: the page in front, the other tabs behind.
    DlgTab page(nullptr);
    page.show();
    idleFor(500);
    auto* ports = page.findChild<QComboBox*>(QStringLiteral("portCombo"));

    long before = wakeups();
    double cpu = processCpuSeconds();
    idleFor(seconds * 1000);
    const long idle = wakeups() - before;
    report(qPrintable(QStringLiteral("idle %1 s").arg(seconds)), idle, processCpuSeconds() - cpu);

    before = wakeups();
    cpu = processCpuSeconds();
    QFile::link(QStringLiteral("/dev/null"), port);
    idleFor(1000);
    const bool listed = ports->findText(port) >= 0;
    QFile::remove(port);
    idleFor(1000);
    const bool gone = ports->findText(port) < 0;
    std::printf("one port plugged in and pulled out: %s within 1 s each\n",
                listed && gone ? "listed and unlisted" : "NOT followed");
    report("one port in and out", wakeups() - before, processCpuSeconds() - cpu);
    // The wait's own end costs a wakeup or two; anything periodic would show as hundreds.
    const bool quiet = idle <= 2;
    std::printf("target: no wakeups while nothing changes (<= 2, the wait's own end): %s\n",
                quiet ? "met" : "missed");
    return quiet && listed && gone ? 0 : 1;
}
