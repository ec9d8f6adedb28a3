#include "Startup.h"

#include "IIniParameter.h"
#include "ILogger.h"
#include "InstanceGuard.h"
#include "OperatorPrompt.h"
#include "TextFunctions.h"
#include "ThrowLoggedError.h"
#include "Translations.h"

#include <QApplication>
#include <QObject>

#include <cstdio>
#include <stdexcept>

const char* const settingsPathTemplate = "$(APP_DIR)/../etc/Corvane/config/ZR415.ini";

std::optional<int> prepare_startup(QApplication& application)
{
    // Qt 6 keeps every text as UTF-8: there is no locale codec to install.
    char path[1000] = {};
    process_resolve_path(path, sizeof path, settingsPathTemplate);
    try {
        if (!get_system_ini_parameter()->load(path))
            throw_logged_error("get_system_ini_parameter().load(%s) fail!", path);
    } catch (const std::runtime_error& error) {
        // Logged already; the operator starting from a terminal sees it too.
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    load_translations_file(&application, 0);
    if (instance_is_run("ZR415", 0)) {
        log_entry("another instance is running: not started");
        OperatorPrompt::withButtons(nullptr, QMessageBox::Warning, QObject::tr("警告"),
                                    QObject::tr("程序已经运行，不能运行多个程序！"),
                                    {QObject::tr("确定")}, 0, -1);
        return 0;
    }
    log_entry("started with settings %s", path);
    return std::nullopt;
}
