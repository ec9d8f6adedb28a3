#include "FakePorts.h"

#include <QDir>
#include <QFile>

FakePorts::FakePorts(const QStringList& names) : previous(QDir::currentPath())
{
    QDir::setCurrent(folder.path());
    for (const QString& name : names)
        add(name);
}

FakePorts::~FakePorts()
{
    QDir::setCurrent(previous);
}

void FakePorts::add(const QString& name)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot make the fake port %s", qPrintable(name));
}

void FakePorts::remove(const QString& name)
{
    QFile::remove(folder.filePath(name));
}
