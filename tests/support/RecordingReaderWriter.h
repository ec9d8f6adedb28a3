#pragma once

#include "IReaderWriter.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Stands in for the serial link: keeps what each call was given. Installs itself for its
// lifetime.
class RecordingReaderWriter : public IReaderWriter
{
public:
    struct Call
    {
        QString operation;
        QMap<QString, QString> link; // the link dictionary at the time of the call
        void* sink = nullptr;
    };

    RecordingReaderWriter() { set_s_IReaderWriter(this); }
    ~RecordingReaderWriter() override { set_s_IReaderWriter(nullptr); }

    bool open(IDictionary* link, IMessanger* sink) override;
    bool close(IDictionary* link, IMessanger* sink) override;
    const char* last_error() const override { return "refused by the test"; }
    LinkError last_error_kind() const override { return errorKind; }
    bool write(IDictionary* link, const char* data, int length) override;
    bool is_open() const override { return opened; }
    void set_link_lost_handler(std::function<void(const char*)> handler) override
    {
        linkLost = std::move(handler);
    }
    void set_write_failed_handler(std::function<void(const char*)> handler) override
    {
        writeFailed = std::move(handler);
    }

    bool openSucceeds = true;
    // Runs inside open, before it returns: a port that reports errors while it is being set up.
    std::function<void()> duringOpen;
    bool opened = false;
    QList<Call> calls;
    QList<QByteArray> writes;
    LinkError errorKind = LinkError::Other;
    std::function<void(const char*)> linkLost;
    std::function<void(const char*)> writeFailed;
};
