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

SerialReaderWriter::SerialReaderWriter()
{
    connect(&line, &ReceiverLink::bytesReceived, this, &SerialReaderWriter::deliver);
    connect(&line, &ReceiverLink::lost, this, &SerialReaderWriter::lose);
    connect(&line, &ReceiverLink::writeFailed, this, &SerialReaderWriter::failWrite);
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

bool SerialReaderWriter::open(IDictionary* link, IMessanger* newSink)
{
    fail(LinkError::None, {});
    if (line.isOpen())
        close(link, sink);
    const std::string name = portNameOf(link);
    const char* type = link ? link->get("type") : nullptr;
    if (type && std::string(type) != "SerialPort") {
        fail(LinkError::Other, std::string("unsupported link type ") + type);
        return false;
    }
    const char* baudText = link ? link->get("baudrate") : nullptr;
    const int baud = baudText && *baudText ? text_to_int(baudText) : 9600;
    if (!line.open(QString::fromStdString(name), baud)) {
        fail(line.errorKind(), line.errorText().toStdString());
        if (lastErrorKind == LinkError::BaudUnsupported)
            log_entry("configure %s at %d baud failed: %s", name.c_str(), baud, lastError.c_str());
        else
            log_entry("open %s failed: %s", name.c_str(), lastError.c_str());
        return false;
    }
    sink = newSink;
    log_entry("link %s opened at %d baud", name.c_str(), baud);
    return true;
}

bool SerialReaderWriter::close(IDictionary*, IMessanger*)
{
    sink = nullptr;
    if (!line.isOpen())
        return false;
    log_entry("link %s closed", line.portName().toUtf8().constData());
    line.close();
    return true;
}

bool SerialReaderWriter::write(IDictionary*, const char* data, int length)
{
    if (!line.isOpen()) {
        fail(LinkError::NotOpen, "the link is not open");
        log_entry("not sent, link closed: %.*s", length > 0 && data ? length : 0, data ? data : "");
        return false;
    }
    if (!data || length <= 0)
        return true;
    if (!line.write(QByteArray(data, length))) {
        fail(line.errorKind(), line.errorText().toStdString());
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

void SerialReaderWriter::deliver(const QByteArray& received)
{
    if (!sink)
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

void SerialReaderWriter::failWrite(const QString& text)
{
    fail(LinkError::WriteFailed, text.toStdString());
    log_entry("write to %s failed: %s", line.portName().toUtf8().constData(), lastError.c_str());
    if (writeFailed)
        writeFailed(lastError.c_str());
}

void SerialReaderWriter::lose(LinkError kind, const QString& text)
{
    fail(kind, text.toStdString());
    log_entry("link %s lost: %s", line.portName().toUtf8().constData(), lastError.c_str());
    sink = nullptr;
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
