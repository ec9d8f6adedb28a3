#include "DlgTab.h"
#include "ILogger.h"
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
    window->show();
    log_entry("window shown");
    return application.exec();
}
