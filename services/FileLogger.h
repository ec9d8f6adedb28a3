#pragma once

#include "ILogger.h"

#include <cstdio>
#include <string>

// Appends one timestamped line per entry to a log file and flushes it at once, so that the
// entry is on disk even when the program ends right after it.
class FileLogger : public ILogger
{
public:
    explicit FileLogger(const std::string& path);
    ~FileLogger() override;
    FileLogger(const FileLogger&) = delete;
    FileLogger& operator=(const FileLogger&) = delete;

    bool isOpen() const { return file != nullptr; }
    const std::string& path() const { return filePath; }
    void vlog(const char* format, int flag, va_list args) override;

    // "$(APP_DIR)/../log/ZR415.log"
    static const char* const defaultPathTemplate;

private:
    std::string filePath;
    std::FILE* file = nullptr;
};
