#pragma once

#include "IReaderWriter.h"

#include "ReceiverLink.h"

#include <QObject>

// The window's link over the receiver line, on the thread that created it (the GUI thread):
// received chunks are handed to the sink from the event loop, in order.
class SerialReaderWriter : public QObject, public IReaderWriter
{
public:
    SerialReaderWriter();

    bool open(IDictionary* link, IMessanger* sink) override;
    bool close(IDictionary* link, IMessanger* sink) override;
    const char* last_error() const override { return lastError.c_str(); }
    LinkError last_error_kind() const override { return lastErrorKind; }
    bool write(IDictionary* link, const char* data, int length) override;
    bool is_open() const override { return line.isOpen(); }
    void set_link_lost_handler(std::function<void(const char*)> handler) override;
    void set_write_failed_handler(std::function<void(const char*)> handler) override;

    // The port name the link dictionary selects.
    static std::string portNameOf(IDictionary* link);
    // "MSG:<count>:<bytes>" with the NUL bytes of the chunk left out: the sink reads a C string,
    // and a NUL can be no part of a reply.
    static std::string sinkMessage(const char* data, std::size_t length);

private:
    void deliver(const QByteArray& received);
    void lose(LinkError kind, const QString& text);
    void failWrite(const QString& text);
    void fail(LinkError kind, const std::string& text);

    ReceiverLink line{this};
    IMessanger* sink = nullptr;
    std::string lastError;
    LinkError lastErrorKind = LinkError::None;
    std::function<void(const char*)> linkLost;
    std::function<void(const char*)> writeFailed;
};
