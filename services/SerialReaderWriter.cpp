#include "SerialReaderWriter.h"

#include "IDictionary.h"
#include "ILogger.h"
#include "IMessanger.h"
#include "TextFunctions.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSerialPortInfo>

#include <algorithm>
#include <exception>

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

bool SerialReaderWriter::open(IDictionary* link, IMessanger* newSink)
{
    lastError.clear();
    if (port.isOpen())
        close(link, sink);
    const std::string name = portNameOf(link);
    const char* type = link ? link->get("type") : nullptr;
    if (type && std::string(type) != "SerialPort") {
        lastError = std::string("unsupported link type ") + type;
        return false;
    }
    const int baud = text_to_int(link ? link->get("baudrate") : nullptr);
    port.setPortName(QString::fromStdString(name));
    if (!port.open(QIODevice::ReadWrite)) {
        lastError = port.errorString().toStdString();
        log_entry("open %s failed: %s", name.c_str(), lastError.c_str());
        return false;
    }
    // Parameters are set on the open port: a device that refuses one is reported, not ignored.
    const bool configured =
        port.setBaudRate(baud > 0 ? baud : 9600) && port.setDataBits(QSerialPort::Data8) &&
        port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
        port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        lastError = port.errorString().toStdString();
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
        lastError = "the link is not open";
        log_entry("not sent, link closed: %.*s", length > 0 && data ? length : 0, data ? data : "");
        return false;
    }
    if (!data || length <= 0)
        return true;
    if (port.write(data, length) != length) {
        lastError = port.errorString().toStdString();
        log_entry("write failed: %s", lastError.c_str());
        return false;
    }
    return true;
}

void SerialReaderWriter::set_link_lost_handler(std::function<void(const char*)> handler)
{
    linkLost = std::move(handler);
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
    if (error == QSerialPort::NoError || !port.isOpen())
        return;
    // Timeouts and failed writes leave the port usable; anything else means the device is gone.
    if (error == QSerialPort::TimeoutError || error == QSerialPort::WriteError)
        return;
    // QSerialPort repeats the error as fast as it can while the port stays open: close it here.
    lastError = port.errorString().toStdString();
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
    for (const QByteArray& path : extra.split(':'))
        if (!path.isEmpty())
            names.push_back(path.toStdString());
}
