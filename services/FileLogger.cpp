#include "FileLogger.h"

#include "TextFunctions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const FileLogger::defaultPathTemplate = "$(APP_DIR)/../log/ZR415.log";
const char* const FileLogger::fileName = "ZR415.log";

namespace {
// A file made in a folder its group may write is for the whole group: one operator's umask
// (usually 022) must not lock the next operator out of the shared log and audit files.
void shareWithTheFoldersGroup(int fd, const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat folderStat = {};
    struct stat fileStat = {};
    if (::stat(folder.c_str(), &folderStat) != 0 || !(folderStat.st_mode & S_IWGRP) ||
        ::fstat(fd, &fileStat) != 0)
        return;
    // Not logged: this may run while the log itself is being opened. The file is ours, so
    // only a failing disk refuses, and the next write will say so.
    ::fchmod(fd, (fileStat.st_mode & 07777) | S_IRGRP | S_IWGRP);
}
} // namespace

int open_for_append_unfollowed(const std::string& path, std::string& why)
{
    // O_NOFOLLOW refuses a link in the file's place; O_NONBLOCK keeps a planted pipe from
    // holding the start-up until someone reads it. What was opened is checked on the open
    // file itself, so nothing can be swapped in between. The file is created exclusively so
    // that only a file made here gets the folder's group access.
    // Read as well: an append may need to see how the file ends.
    const int flags = O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
        fd = ::open(path.c_str(), flags);
        if (fd >= 0 || errno != ENOENT)
            break;
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0)
            shareWithTheFoldersGroup(fd, path);
        else if (errno != EEXIST)
            break;
    }
    if (fd < 0) {
        // ENXIO: a pipe with no reader or a device with nothing behind it.
        why = errno == ELOOP   ? "it is a symbolic link: refused"
              : errno == ENXIO ? "it is not a plain file: refused"
                               : std::strerror(errno);
        return -1;
    }
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(opened.st_mode))
        why = "it is not a plain file: refused";
    else if (opened.st_nlink != 1)
        why = "it has another name (a hard link): refused";
    else
        return fd;
    ::close(fd);
    return -1;
}

FileLogger::FileLogger(const std::string& path) : filePath(path)
{
    QDir().mkpath(QFileInfo(QString::fromLocal8Bit(path.c_str())).absolutePath());
    const int fd = open_for_append_unfollowed(path, why);
    if (fd < 0)
        return;
    if (!(file = ::fdopen(fd, "a"))) {
        why = std::strerror(errno);
        ::close(fd);
    }
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

void FileLogger::log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vlog(format, 0, args);
    va_end(args);
}

std::unique_ptr<FileLogger> FileLogger::openInFirstUsable(const std::vector<std::string>& folders,
                                                          std::vector<std::string>& passedOver)
{
    for (const std::string& folder : folders) {
        auto logger = std::make_unique<FileLogger>(folder + "/" + fileName);
        if (logger->isOpen())
            return logger;
        passedOver.push_back("log file " + logger->path() + " not used: " + logger->failure());
    }
    return nullptr;
}

std::string state_log_folder()
{
    // Relative paths are ignored, as the XDG base directory rules ask.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/zr415";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || home[0] != '/')
        return {};
    return std::string(home) + "/.local/state/zr415";
}

namespace {
ILogger* installedLogger = nullptr;

struct ProcessLog
{
    std::unique_ptr<FileLogger> logger;
    std::string folder;
};

const ProcessLog& processLog()
{
    static const ProcessLog log = [] {
        std::vector<std::string> folders;
        char path[1000];
        if (process_resolve_path(path, sizeof path, FileLogger::defaultPathTemplate))
            folders.push_back(
                QDir::cleanPath(QFileInfo(QString::fromLocal8Bit(path)).absolutePath())
                    .toLocal8Bit()
                    .toStdString());
        // An operator outside the group that may write the installed log folder still gets
        // a log of their own.
        const std::string state = state_log_folder();
        if (!state.empty())
            folders.push_back(state);
        std::vector<std::string> passedOver;
        ProcessLog made;
        made.logger = FileLogger::openInFirstUsable(folders, passedOver);
        for (const std::string& why : passedOver) {
            if (made.logger)
                made.logger->log("%s", why.c_str());
            else
                std::fprintf(stderr, "ZR415: %s\n", why.c_str());
        }
        if (made.logger) {
            const std::string& opened = made.logger->path();
            made.folder = opened.substr(0, opened.size() - std::strlen(FileLogger::fileName) - 1);
        }
        return made;
    }();
    return log;
}
} // namespace

const char* log_folder()
{
    const ProcessLog& log = processLog();
    return log.logger ? log.folder.c_str() : nullptr;
}

ILogger* vell_logger_get_instance()
{
    return installedLogger ? installedLogger : processLog().logger.get();
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
