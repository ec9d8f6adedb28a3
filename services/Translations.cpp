#include "Translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool load_translations_file(QApplication* application, int)
{
    if (!application)
        return false;
    bool loaded = false;
    auto* own = new QTranslator(application);
    if (own->load(QLocale(), QStringLiteral("zr415"), QStringLiteral("_"),
                  QStringLiteral(":/i18n"))) {
        application->installTranslator(own);
        loaded = true;
    } else {
        delete own;
    }
    // Every caption is Chinese, so the standard buttons of message boxes are too, and so are the
    // serial port's own words where the operator sees them.
    for (const char* name : {"qtbase_zh_CN", "qtserialport_zh_CN"}) {
        auto* qt = new QTranslator(application);
        if (qt->load(QString::fromLatin1(name),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            application->installTranslator(qt);
        } else {
            delete qt;
        }
    }
    return loaded;
}
