#include "SerialReaderWriter.h"

#include "IDictionary.h"
#include "ILogger.h"
#include "IMessanger.h"
#include "TextFunctions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSerialPortInfo>

#include <algorithm>
#include <exception>
#include <unistd.h>

SerialReaderWriter::SerialReaderWriter()
{
    connect(&port, &QSerialPort::readyRead, this, &SerialReaderWriter::deliverReceived);
    connect(&port, &QSerialPort::errorOccurred, this, &SerialReaderWriter::handleError);
}

std::string SerialReaderWriter::portNameOf(IDictionary* link)
{
    const char* name = link ? link->get("portName") : nullptr;
    if (name && *name)
        return name;
    const char* number = link ? link->get("portNum") : nullptr;
    return "COM" + std::to_string(text_to_int(number));
}

std::string SerialReaderWriter::sinkMessage(const char* data, std::size_t length)
{
    std::string payload(data, length);
    payload.erase(std::remove(payload.begin(), payload.end(), '\0'), payload.end());
    return "MSG:" + std::to_string(payload.size()) + ":" + payload;
}

void SerialReaderWriter::fail(LinkError kind, const std::string& text)
{
    lastErrorKind = kind;
    lastError = text;
}

LinkError SerialReaderWriter::kindOf(QSerialPort::SerialPortError error) const
{
    switch (error) {
    case QSerialPort::NoError:
        return LinkError::None;
    case QSerialPort::DeviceNotFoundError:
        return LinkError::NoSuchDevice;
    case QSerialPort::OpenError:
        return LinkError::Busy;
    case QSerialPort::PermissionError: {
        // The system says "permission" for a port that is in use too: a device this user
        // may read and write is busy, not forbidden.
        const QByteArray path = port.portName().startsWith(QLatin1Char('/'))
                                    ? port.portName().toLocal8Bit()
                                    : ("/dev/" + port.portName()).toLocal8Bit();
        return ::euidaccess(path.constData(), R_OK | W_OK) == 0 ? LinkError::Busy
                                                                : LinkError::NoPermission;
    }
    case QSerialPort::ResourceError:
        return LinkError::Unplugged;
    case QSerialPort::UnsupportedOperationError:
        return LinkError::BaudUnsupported;
    case QSerialPort::WriteError:
        return LinkError::WriteFailed;
    case QSerialPort::NotOpenError:
        return LinkError::NotOpen;
    default:
        return LinkError::Other;
    }
}

bool SerialReaderWriter::open(IDictionary* link, IMessanger* newSink)
{
    fail(LinkError::None, {});
    if (port.isOpen())
        close(link, sink);
    const std::string name = portNameOf(link);
    const char* type = link ? link->get("type") : nullptr;
    if (type && std::string(type) != "SerialPort") {
        fail(LinkError::Other, std::string("unsupported link type ") + type);
        return false;
    }
    const char* baudText = link ? link->get("baudrate") : nullptr;
    const int baud = baudText && *baudText ? text_to_int(baudText) : 9600;
    port.setPortName(QString::fromStdString(name));
    opening = true;
    if (!port.open(QIODevice::ReadWrite)) {
        opening = false;
        fail(kindOf(port.error()), port.errorString().toStdString());
        log_entry("open %s failed: %s", name.c_str(), lastError.c_str());
        return false;
    }
    // Parameters are set on the open port: a device that refuses one is reported, not ignored.
    const bool configured = port.setBaudRate(baud) && port.setDataBits(QSerialPort::Data8) &&
                            port.setParity(QSerialPort::NoParity) &&
                            port.setStopBits(QSerialPort::OneStop) &&
                            port.setFlowControl(QSerialPort::NoFlowControl);
    opening = false;
    if (!configured) {
        fail(LinkError::BaudUnsupported, port.errorString().toStdString());
        log_entry("configure %s at %d baud failed: %s", name.c_str(), baud, lastError.c_str());
        port.close();
        return false;
    }
    sink = newSink;
    log_entry("link %s opened at %d baud", name.c_str(), baud);
    return true;
}

bool SerialReaderWriter::close(IDictionary*, IMessanger*)
{
    sink = nullptr;
    if (!port.isOpen())
        return false;
    log_entry("link %s closed", port.portName().toUtf8().constData());
    port.close();
    return true;
}

bool SerialReaderWriter::write(IDictionary*, const char* data, int length)
{
    if (!port.isOpen()) {
        fail(LinkError::NotOpen, "the link is not open");
        log_entry("not sent, link closed: %.*s", length > 0 && data ? length : 0, data ? data : "");
        return false;
    }
    if (!data || length <= 0)
        return true;
    if (port.write(data, length) != length) {
        fail(LinkError::WriteFailed, port.errorString().toStdString());
        log_entry("write failed: %s", lastError.c_str());
        return false;
    }
    return true;
}

void SerialReaderWriter::set_link_lost_handler(std::function<void(const char*)> handler)
{
    linkLost = std::move(handler);
}

void SerialReaderWriter::set_write_failed_handler(std::function<void(const char*)> handler)
{
    writeFailed = std::move(handler);
}

void SerialReaderWriter::deliverReceived()
{
    const QByteArray received = port.readAll();
    if (!sink || received.isEmpty())
        return;
    const std::string message =
        sinkMessage(received.constData(), static_cast<std::size_t>(received.size()));
    try {
        sink->log(message.c_str());
    } catch (const std::exception& error) {
        // The sink has logged it already; the link keeps running.
        log_entry("sink failed: %s", error.what());
    } catch (...) {
        log_entry("sink failed: unknown exception");
    }
}

void SerialReaderWriter::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !port.isOpen() || opening)
        return;
    if (error == QSerialPort::TimeoutError)
        return;
    // A failed write leaves the port usable, but what was queued is gone: say so.
    if (error == QSerialPort::WriteError) {
        fail(LinkError::WriteFailed, port.errorString().toStdString());
        log_entry("write to %s failed: %s", port.portName().toUtf8().constData(),
                  lastError.c_str());
        if (writeFailed)
            writeFailed(lastError.c_str());
        return;
    }
    // Anything else means the device is gone, and QSerialPort repeats the error as fast as it
    // can while the port stays open: close it here.
    fail(LinkError::Unplugged, port.errorString().toStdString());
    log_entry("link %s lost: %s", port.portName().toUtf8().constData(), lastError.c_str());
    sink = nullptr;
    port.close();
    if (linkLost)
        linkLost(lastError.c_str());
}

namespace {
IReaderWriter* installedReaderWriter = nullptr;
} // namespace

IReaderWriter* get_s_IReaderWriter()
{
    if (installedReaderWriter)
        return installedReaderWriter;
    // Owned by the application object, so the port is closed before Qt shuts down.
    static QPointer<SerialReaderWriter> serial;
    if (!serial) {
        serial = new SerialReaderWriter;
        serial->setParent(QCoreApplication::instance());
    }
    return serial.data();
}

void set_s_IReaderWriter(IReaderWriter* readerWriter)
{
    installedReaderWriter = readerWriter;
}

void enum_serl_port(std::vector<std::string>& names)
{
    names.clear();
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        return a.portName() < b.portName();
    });
    for (const QSerialPortInfo& info : ports)
        names.push_back(info.portName().toStdString());
    const QByteArray extra = qgetenv("ZR415_EXTRA_PORTS");
    // A path that is not there now (a simulator not started, a receiver unplugged) is not offered.
    for (const QByteArray& path : extra.split(':'))
        if (!path.isEmpty() && QFileInfo::exists(QString::fromLocal8Bit(path)))
            names.push_back(path.toStdString());
}
