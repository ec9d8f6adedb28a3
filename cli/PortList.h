#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>

// The ports the window's list offers, with what the system knows of each.
class PortList
{
public:
    struct Entry
    {
        QString name; // as the window lists it
        QString path; // what to open
        QString description;
        QString manufacturer;
        QString serialNumber;
        int vendorId = -1; // USB ids, -1 when unknown
        int productId = -1;
        bool extra = false; // from ZR415_EXTRA_PORTS
    };

    static QList<Entry> present();
    static QJsonArray toJson(const QList<Entry>& entries);
    // One line per port.
    static QString toText(const QList<Entry>& entries);
};
