#pragma once

#include "PortDetails.h"

#include <QJsonArray>
#include <QList>
#include <QString>

// The ports the window's list offers, with what the system knows of each.
class PortList
{
public:
    using Entry = PortDetails;

    static QList<Entry> present() { return PortDetails::present(); }
    static QJsonArray toJson(const QList<Entry>& entries);
    // A heading, then one line per port in aligned columns; "-" where nothing is known.
    static QString toText(const QList<Entry>& entries);
};
