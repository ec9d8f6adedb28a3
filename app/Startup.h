#pragma once

#include <optional>

class QApplication;

// The start-up up to the top-level window: settings file, translations, single-instance guard.
// Returns the exit code when the program must end here, nothing when the window may open.
std::optional<int> prepare_startup(QApplication& application);

// "$(APP_DIR)/../etc/Corvane/config/ZR415.ini"
extern const char* const settingsPathTemplate;
