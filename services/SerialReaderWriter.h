#pragma once

#include "IReaderWriter.h"

#include <QObject>
#include <QSerialPort>

// The link over QSerialPort, on the thread that created it (the GUI thread): received chunks
// are handed to the sink from the event loop, in order.
class SerialReaderWriter : public QObject, public IReaderWriter
{
public:
    SerialReaderWriter();

    bool open(IDictionary* link, IMessanger* sink) override;
    bool close(IDictionary* link, IMessanger* sink) override;
    const char* last_error() const override { return lastError.c_str(); }
    bool write(IDictionary* link, const char* data, int length) override;
    bool is_open() const override { return port.isOpen(); }
    void set_link_lost_handler(std::function<void(const char*)> handler) override;

    // The port name the link dictionary selects.
    static std::string portNameOf(IDictionary* link);
    // "MSG:<count>:<bytes>" with the NUL bytes of the chunk left out: the sink reads a C string,
    // and a NUL can be no part of a reply.
    static std::string sinkMessage(const char* data, std::size_t length);

private:
    void deliverReceived();
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort port;
    IMessanger* sink = nullptr;
    std::string lastError;
    std::function<void(const char*)> linkLost;
};
