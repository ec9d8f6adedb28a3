#include "TempSettings.h"

#include "IIniParameter.h"

#include <QFile>

TempSettings::TempSettings(const QByteArray& content)
{
    QFile file(path());
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    file.close();
    loaded = reload();
}

QByteArray TempSettings::fileContent() const
{
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TempSettings::reload() const
{
    return get_system_ini_parameter()->load(path().toLocal8Bit().constData());
}
