#pragma once

// Why the line to a receiver failed, as far as the system tells it. Each front words it for its
// own reader.
enum class LinkError
{
    None,
    NoSuchDevice,
    NoPermission,
    Busy,            // another program has the port
    StaleLock,       // a lock file left by a process that ended, which this user cannot remove
    Unplugged,       // the device went away while open
    BaudUnsupported, // the port refused the line settings
    NotSerial,       // the path is there, but no serial line: a plain file, a folder
    TooManyFiles,    // this process or the system is out of file descriptors
    NotOpen,
    WriteFailed,
    Other
};
