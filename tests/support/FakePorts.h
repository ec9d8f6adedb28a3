#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Port names like COM4 that exist for the port list: empty files of those names in a
// temporary folder, made the current folder for this object's lifetime.
class FakePorts
{
public:
    explicit FakePorts(const QStringList& names);
    ~FakePorts();
    FakePorts(const FakePorts&) = delete;
    FakePorts& operator=(const FakePorts&) = delete;

    void add(const QString& name);
    void remove(const QString& name);

private:
    QTemporaryDir folder;
    QString previous;
};
