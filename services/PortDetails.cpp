#include "PortDetails.h"

#include "IReaderWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {
// The device file a path ends at through its links; empty when it leads nowhere.
QString deviceOf(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString stableLinkTo(const QString& device, const QStringList& folders)
{
    if (device.isEmpty())
        return {};
    for (const QString& folder : folders) {
        const QFileInfoList links =
            QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        for (const QFileInfo& link : links)
            if (link.isSymLink() && link.canonicalFilePath() == device)
                return link.absoluteFilePath();
    }
    return {};
}
} // namespace

QStringList PortDetails::stableLinkFolders()
{
    QStringList folders{QStringLiteral("/dev/serial/by-id")};
    for (const QByteArray& path : qgetenv("ZR415_EXTRA_PORTS").split(':')) {
        const QString folder = QFileInfo(QString::fromLocal8Bit(path)).absolutePath();
        if (!path.isEmpty() && QFileInfo(folder).fileName() == QLatin1String("by-id") &&
            !folders.contains(folder))
            folders << folder;
    }
    return folders;
}

QList<PortDetails> PortDetails::of(const std::vector<std::string>& names)
{
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    const QStringList linkFolders = stableLinkFolders();
    QList<PortDetails> ports;
    for (const std::string& text : names) {
        PortDetails port;
        port.name = QString::fromStdString(text);
        port.path = port.name;
        port.extra = true;
        for (const QSerialPortInfo& info : system) {
            if (info.portName() != port.name)
                continue;
            port.path = info.systemLocation();
            port.description = info.description();
            port.manufacturer = info.manufacturer();
            port.serialNumber = info.serialNumber();
            port.vendorId = info.hasVendorIdentifier() ? info.vendorIdentifier() : -1;
            port.productId = info.hasProductIdentifier() ? info.productIdentifier() : -1;
            port.extra = false;
            break;
        }
        port.byId = stableLinkTo(deviceOf(port.path), linkFolders);
        ports << port;
    }
    return ports;
}

QList<PortDetails> PortDetails::present()
{
    std::vector<std::string> names;
    enum_serl_port(names);
    return of(names);
}

bool PortDetails::sameDeviceAs(const PortDetails& other) const
{
    // A device that says who it is must say the same: another adapter plugged in under the old
    // name is not the receiver. The bare path counts only where neither side says anything.
    const bool toldWho = !byId.isEmpty() || !serialNumber.isEmpty() || !other.byId.isEmpty() ||
                         !other.serialNumber.isEmpty();
    if (!toldWho)
        return path == other.path;
    // The ports of a multi-port adapter share its USB serial number: where both have a stable
    // name, that name alone tells them apart.
    if (!byId.isEmpty() && !other.byId.isEmpty())
        return byId == other.byId;
    return !serialNumber.isEmpty() && serialNumber == other.serialNumber;
}

QString PortDetails::usbIds() const
{
    if (vendorId < 0 || productId < 0)
        return {};
    return QStringLiteral("%1:%2")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'));
}
