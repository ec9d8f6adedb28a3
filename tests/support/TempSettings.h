#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A settings file in a temporary folder, loaded into the process settings object.
class TempSettings
{
public:
    explicit TempSettings(const QByteArray& content = QByteArray());

    QString path() const { return folder.filePath(QStringLiteral("ZR415.ini")); }
    QString folderPath() const { return folder.path(); }
    QByteArray fileContent() const;
    // Loads the file into the process settings object again, as a new start would.
    bool reload() const;
    // Whether the constructor's load succeeded.
    bool isLoaded() const { return loaded; }

private:
    QTemporaryDir folder;
    bool loaded = false;
};
