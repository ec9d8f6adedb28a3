#include "PortList.h"

#include "IReaderWriter.h"

#include <QJsonObject>
#include <QSerialPortInfo>

namespace {
QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString hex4(int id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}
} // namespace

QList<PortList::Entry> PortList::present()
{
    std::vector<std::string> names;
    enum_serl_port(names);
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    QList<Entry> entries;
    for (const std::string& text : names) {
        Entry entry;
        entry.name = QString::fromStdString(text);
        entry.path = entry.name;
        entry.extra = true;
        for (const QSerialPortInfo& info : system) {
            if (info.portName() != entry.name)
                continue;
            entry.path = info.systemLocation();
            entry.description = info.description();
            entry.manufacturer = info.manufacturer();
            entry.serialNumber = info.serialNumber();
            entry.vendorId = info.hasVendorIdentifier() ? info.vendorIdentifier() : -1;
            entry.productId = info.hasProductIdentifier() ? info.productIdentifier() : -1;
            entry.extra = false;
            break;
        }
        entries << entry;
    }
    return entries;
}

QJsonArray PortList::toJson(const QList<Entry>& entries)
{
    QJsonArray array;
    for (const Entry& entry : entries)
        array.append(QJsonObject{
            {QStringLiteral("name"), entry.name},
            {QStringLiteral("path"), entry.path},
            {QStringLiteral("description"), textOrNull(entry.description)},
            {QStringLiteral("manufacturer"), textOrNull(entry.manufacturer)},
            {QStringLiteral("serial"), textOrNull(entry.serialNumber)},
            {QStringLiteral("vid"),
             entry.vendorId >= 0 ? QJsonValue(hex4(entry.vendorId)) : QJsonValue()},
            {QStringLiteral("pid"),
             entry.productId >= 0 ? QJsonValue(hex4(entry.productId)) : QJsonValue()},
            {QStringLiteral("extra"), entry.extra},
        });
    return array;
}

QString PortList::toText(const QList<Entry>& entries)
{
    QString text;
    for (const Entry& entry : entries) {
        QStringList parts{entry.name};
        if (entry.path != entry.name)
            parts << entry.path;
        if (!entry.description.isEmpty())
            parts << entry.description;
        if (!entry.manufacturer.isEmpty())
            parts << entry.manufacturer;
        if (!entry.serialNumber.isEmpty())
            parts << QStringLiteral("serial ") + entry.serialNumber;
        if (entry.vendorId >= 0)
            parts << QStringLiteral("usb %1:%2").arg(hex4(entry.vendorId), hex4(entry.productId));
        if (entry.extra)
            parts << QStringLiteral("(ZR415_EXTRA_PORTS)");
        text += parts.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}
