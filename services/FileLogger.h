#pragma once

#include "ILogger.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Appends one timestamped line per entry to a log file and flushes it at once, so that the
// entry is on disk even when the program ends right after it. The log folder may be writable
// by a whole group, so the file is opened only when it is a plain file of its own: a symbolic
// link, a second name (hard link), a pipe or a device in its place is refused, not followed.
class FileLogger : public ILogger
{
public:
    explicit FileLogger(const std::string& path);
    ~FileLogger() override;
    FileLogger(const FileLogger&) = delete;
    FileLogger& operator=(const FileLogger&) = delete;

    bool isOpen() const { return file != nullptr; }
    const std::string& path() const { return filePath; }
    // Why the file could not be opened; empty when it is open.
    const std::string& failure() const { return why; }
    void vlog(const char* format, int flag, va_list args) override;
    void log(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Opens fileName in the first of folders where that works, creating the folder if need
    // be. Each folder passed over adds to passedOver one line saying why.
    static std::unique_ptr<FileLogger> openInFirstUsable(const std::vector<std::string>& folders,
                                                         std::vector<std::string>& passedOver);

    // "$(APP_DIR)/../log/ZR415.log"
    static const char* const defaultPathTemplate;
    // "ZR415.log"
    static const char* const fileName;

private:
    std::string filePath;
    std::string why;
    std::FILE* file = nullptr;
};

// Opens path for appending only when it is a plain file of its own (created if missing): a
// symbolic link, a second name, a pipe or a device in its place is refused, never followed.
// Returns the descriptor, or -1 with why set. For the log and the files kept beside it.
int open_for_append_unfollowed(const std::string& path, std::string& why);

// The per-user folder the log falls back to: "$XDG_STATE_HOME/zr415", or
// "~/.local/state/zr415" when XDG_STATE_HOME is unset or not absolute; empty without a home.
std::string state_log_folder();

// The folder that holds the process log: that of FileLogger::defaultPathTemplate, or
// state_log_folder() when the log cannot be written there; null when the process has no log
// file. Files that belong beside the log go there too.
const char* log_folder();
