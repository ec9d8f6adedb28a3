// Time from process start to the window shown (offscreen), for the tool's start-up and for a
// bare Qt program that shows an empty dialog, measured in one run; and, as a second reference,
// a bare dialog with one Chinese label, which pays the font set-up any Chinese window pays. The
// same binary plays both: the parent starts itself as a child in each mode and times the child's
// "shown" line.
#include "DlgTab.h"
#include "Startup.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
void waitUntilShown(QWidget& window)
{
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::puts("shown");
    std::fflush(stdout);
    std::_Exit(0);
}

int child(int argc, char* argv[], const std::string& mode)
{
    QApplication application(argc, argv);
    if (mode == "bare") {
        QDialog dialog;
        waitUntilShown(dialog);
    }
    if (mode == "bare-chinese") {
        QDialog dialog;
        QLabel label(QStringLiteral("设置ZR415"), &dialog);
        waitUntilShown(dialog);
    }
    if (prepare_startup(application))
        return 1;
    DlgTab window(nullptr);
    waitUntilShown(window);
    return 0;
}

// Milliseconds from fork to the child's "shown" line.
double timeOne(const char* self, const char* mode)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        execl(self, self, "--child", mode, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(pipeEnds[1]);
    char buffer[16];
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    const auto end = std::chrono::steady_clock::now();
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got <= 0 || status != 0) {
        std::fprintf(stderr, "child %s failed\n", mode);
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--child")
        return child(argc, argv, argv[2]);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir temp; // the single-instance lock of each child lives here
    setenv("TMPDIR", temp.path().toLocal8Bit().constData(), 1);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    std::vector<double> tool, bare, chinese;
    timeOne(argv[0], "bare"); // warm the file cache
    timeOne(argv[0], "bare-chinese");
    timeOne(argv[0], "tool");
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(timeOne(argv[0], "bare"));
        chinese.push_back(timeOne(argv[0], "bare-chinese"));
        tool.push_back(timeOne(argv[0], "tool"));
    }
    const double toolMs = median(tool);
    const double bareMs = median(bare);
    const double chineseMs = median(chinese);
    std::printf("start-up to window shown, median of %d (offscreen)\n", rounds);
    std::printf("bare Qt dialog          %8.1f ms\n", bareMs);
    std::printf("bare, one Chinese label %8.1f ms\n", chineseMs);
    std::printf("zr415                   %8.1f ms\n", toolMs);
    std::printf("zr415 / Chinese label   %8.2f x\n", toolMs / chineseMs);
    std::printf("zr415 / bare            %8.2f x   (target <= 1.5 x): %s\n", toolMs / bareMs,
                toolMs / bareMs <= 1.5 ? "met" : "MISSED");
    return 0;
}
