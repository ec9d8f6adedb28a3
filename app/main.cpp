#include "DlgTab.h"
#include "ILogger.h"
#include "InterruptWatcher.h"
#include "Startup.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (const std::optional<int> exitCode = prepare_startup(application))
        return *exitCode;
    // Destroyed before the application object, so the link is closed while Qt still runs.
    auto window = std::make_unique<DlgTab>(nullptr);
    // Asked to stop (a logout, a kill, Ctrl-C in a terminal): close the window as the operator
    // would, so the link is closed and the program ends with 0.
    InterruptWatcher stopRequests({SIGINT, SIGTERM});
    QObject::connect(&stopRequests, &InterruptWatcher::interrupted, window.get(), [&window] {
        log_entry("asked to stop: closing the window");
        window->close();
    });
    window->show();
    log_entry("window shown");
    return application.exec();
}
