#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// What the system knows of one listed port: enough to tell ports apart, and to find the same
// device again when it comes back under another name.
struct PortDetails
{
    QString name; // as the list shows it
    QString path; // what to open
    QString description;
    QString manufacturer;
    QString serialNumber; // the USB adapter's own, not the receiver's
    int vendorId = -1;    // USB ids, -1 when unknown
    int productId = -1;
    QString byId;       // the stable link naming this device, when there is one
    bool extra = false; // from ZR415_EXTRA_PORTS

    // Each listed port (enum_serl_port's names, in its order) with what is known of it.
    static QList<PortDetails> of(const std::vector<std::string>& names);
    static QList<PortDetails> present();
    // Folders whose links name devices for good: /dev/serial/by-id, and any folder called
    // by-id among those of ZR415_EXTRA_PORTS.
    static QStringList stableLinkFolders();

    // The same device: the same stable link where both have one, else the same USB serial
    // number; the same path only where neither side says who it is.
    bool sameDeviceAs(const PortDetails& other) const;
    // "vvvv:pppp", or empty when the ids are unknown.
    QString usbIds() const;
};
