#pragma once

#include "LinkError.h"

#include <functional>
#include <string>
#include <vector>

class IDictionary;
class IMessanger;

// The serial link. The link dictionary names the port: "type" ("SerialPort"), "portName" (the
// full name or path; when absent, "COM" and "portNum"), "portNum" and "baudrate".
class IReaderWriter
{
public:
    // Opens the link; from then on every chunk received reaches sink->log as
    // "MSG:<count>:<bytes>". False, with last_error(), when the port could not be opened.
    virtual bool open(IDictionary* link, IMessanger* sink) = 0;
    // Closes the link; no delivery reaches the sink afterwards.
    virtual bool close(IDictionary* link, IMessanger* sink) = 0;
    // Why the last open, close or write failed, or why the link was lost: the system's text,
    // and what kind of failure it was.
    virtual const char* last_error() const = 0;
    virtual LinkError last_error_kind() const = 0;
    // Sends length bytes unchanged; false (and nothing sent) when the link is not open.
    virtual bool write(IDictionary* link, const char* data, int length) = 0;
    virtual bool is_open() const = 0;
    // Called once, with the reason, when an open link breaks (the device went away); the link
    // is closed by then.
    virtual void set_link_lost_handler(std::function<void(const char* reason)> handler) = 0;
    // Called with the reason when bytes that write() accepted could not be sent after all.
    virtual void set_write_failed_handler(std::function<void(const char* reason)> handler) = 0;
    virtual ~IReaderWriter() = default;
};

IReaderWriter* get_s_IReaderWriter();
// Lets tests install another implementation; null brings the serial one back.
void set_s_IReaderWriter(IReaderWriter* readerWriter);

// The serial ports present, by name in a stable order, then those of the paths listed in
// ZR415_EXTRA_PORTS (separated by ':') that exist now.
void enum_serl_port(std::vector<std::string>& names);
