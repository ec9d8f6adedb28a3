#pragma once

class QApplication;

// Installs the tool's translation for the system locale, when one is shipped, and Qt's own
// Chinese texts for the standard buttons. Missing files are not an error.
bool load_translations_file(QApplication* application, int flags);
