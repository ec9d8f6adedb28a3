#pragma once

#include <QList>
#include <QString>

// Serial numbers bound to ports, as the command line and a --serials file give them; the ports
// are still as written, the command line resolves them to devices.
class SerialBindings
{
public:
    struct Binding
    {
        QString port;
        QString serial;
    };

    // "PORT=SN" from --expect-serial; false, with error, when a side is missing.
    bool addArgument(const QString& value, QString& error);
    // Lines "PORT SN" or "PORT=SN"; "#" comments and blank lines skipped; any other line refuses
    // the file.
    bool addFile(const QString& path, QString& error);
    const QList<Binding>& all() const { return bindings; }

private:
    QList<Binding> bindings;
};
