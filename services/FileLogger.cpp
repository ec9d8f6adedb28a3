#include "FileLogger.h"

#include "TextFunctions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <memory>
#include <string>

const char* const FileLogger::defaultPathTemplate = "$(APP_DIR)/../log/ZR415.log";

FileLogger::FileLogger(const std::string& path) : filePath(path)
{
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
    file = std::fopen(path.c_str(), "a");
}

FileLogger::~FileLogger()
{
    if (file)
        std::fclose(file);
}

void FileLogger::vlog(const char* format, int, va_list args)
{
    if (!file)
        return;
    std::string text = format_to_string(format, args);
    // One entry is one line, whatever the message holds.
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    const QByteArray stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
    std::fprintf(file, "%s %s\n", stamp.constData(), text.c_str());
    std::fflush(file);
}

namespace {
ILogger* installedLogger = nullptr;

ILogger* fileLogger()
{
    static std::unique_ptr<FileLogger> logger = [] {
        char path[1000];
        if (!process_resolve_path(path, sizeof path, FileLogger::defaultPathTemplate))
            return std::unique_ptr<FileLogger>();
        auto opened = std::make_unique<FileLogger>(path);
        return opened->isOpen() ? std::move(opened) : std::unique_ptr<FileLogger>();
    }();
    return logger.get();
}
} // namespace

ILogger* vell_logger_get_instance()
{
    return installedLogger ? installedLogger : fileLogger();
}

void set_vell_logger_instance(ILogger* logger)
{
    installedLogger = logger;
}

void log_entry(const char* format, ...)
{
    ILogger* logger = vell_logger_get_instance();
    if (!logger)
        return;
    va_list args;
    va_start(args, format);
    logger->vlog(format, 0, args);
    va_end(args);
}
