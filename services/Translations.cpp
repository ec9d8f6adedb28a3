#include "Translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool load_translations_file(QApplication* application, int)
{
    if (!application)
        return false;
    // The captions are Chinese in the source; an English desktop (LANGUAGE, LC_ALL, LC_MESSAGES
    // or LANG naming English first) gets the English translation, any other language Chinese.
    bool loaded = false;
    bool english = false;
    auto* own = new QTranslator(application);
    if (own->load(QLocale(), QStringLiteral("zr415"), QStringLiteral("_"),
                  QStringLiteral(":/i18n"))) {
        application->installTranslator(own);
        loaded = true;
        english = own->language().startsWith(QLatin1String("en"));
    } else {
        delete own;
    }
    if (english)
        return loaded;
    // Chinese captions: the standard buttons of message boxes are Chinese too, and so are the
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
