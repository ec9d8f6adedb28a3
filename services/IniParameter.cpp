#include "IniParameter.h"

#include "ILogger.h"
#include "WritePlace.h"

#include "TextFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const std::string bom = "\xEF\xBB\xBF";

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool needsQuotes(const std::string& value)
{
    if (value.empty())
        return false;
    if (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
        value.back() == '\t' || value.front() == '"')
        return true;
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

// After a rename the folder's entry must reach the disk too, or a power cut may bring back
// the old file.
void syncFolderOf(const std::string& path)
{
    std::string copy = path;
    const int fd = ::open(::dirname(copy.data()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes text to a new file beside target and renames it over target, so the file is replaced
// whole or not at all. rename() replaces a link that appeared since the check instead of
// writing through it, and the new file is created exclusively, so no planted name is followed.
// Returns 0, or the errno of the step that failed.
int writeReplacing(const std::string& target, const std::string& text, const struct stat* existing)
{
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", QRandomGenerator::global()->generate());
        temporary = target + suffix;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return errno;
    if (existing) {
        // Keep the owner, the group and the mode, so a save by one operator does not lock
        // out the others; a plain user keeps what the system lets them.
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), existing->st_gid) != 0)
            log_entry("settings file: owner and group not kept: %s", std::strerror(errno));
        ::fchmod(fd, existing->st_mode & 07777);
    }
    int error = 0;
    for (std::size_t done = 0; !error && done < text.size();) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count > 0)
            done += static_cast<std::size_t>(count);
        else if (count == 0)
            error = EIO;
        else if (errno != EINTR)
            error = errno;
    }
    // A full disk may only show when the data reaches it.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolderOf(target);
    return 0;
}
} // namespace

std::string IniParameter::encodeValue(const std::string& value, bool quoted)
{
    if (!quoted && !needsQuotes(value))
        return value;
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                out += "\\x";
                out += hex[c >> 4];
                out += hex[c & 0xf];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// A value in quotes is unescaped when the quotes enclose it exactly; anything else is taken
// as it stands, so hand-written values with quotes inside are not mangled.
std::string IniParameter::decodeValue(const std::string& raw)
{
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"')
        return raw;
    std::string out;
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        char c = raw[i];
        if (c == '"')
            return raw;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= raw.size())
            return raw;
        const char escaped = raw[++i];
        switch (escaped) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '"':
        case '\\':
            out += escaped;
            break;
        case 'x': {
            if (i + 3 >= raw.size())
                return raw;
            const int high = hex_digit_value(raw[i + 1]);
            const int low = hex_digit_value(raw[i + 2]);
            if (high < 0 || low < 0)
                return raw;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return raw;
        }
    }
    return out;
}

void IniParameter::parse(const std::string& text)
{
    values = Dictionary();
    lines.clear();
    std::size_t at = 0;
    hasBom = text.compare(0, bom.size(), bom) == 0;
    if (hasBom)
        at = bom.size();
    while (at < text.size()) {
        // A line ends in LF, CR LF or a lone CR (files from old editors), and keeps its own.
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        Line kept;
        kept.text = text.substr(at, end - at);
        const std::size_t endingSize =
            text.compare(end, 2, "\r\n") == 0 ? 2 : (end < text.size() ? 1 : 0);
        kept.ending = text.substr(end, endingSize);
        at = end + endingSize;
        const std::string content = trimmed(kept.text);
        const std::size_t equals = content.find('=');
        // Comments, sections and lines that are not entries are kept as they are.
        const bool entry = !content.empty() && content[0] != ';' && content[0] != '#' &&
                           content[0] != '[' && equals != std::string::npos && equals > 0 &&
                           kept.text.find('\0') == std::string::npos;
        const std::string raw = entry ? trimmed(content.substr(equals + 1)) : std::string();
        const std::string decoded = decodeValue(raw);
        // The settings hold C strings: a value with an escaped NUL could only be kept cut
        // short, so its line stays as written and gives no value.
        if (entry && decoded.find('\0') == std::string::npos) {
            kept.key = trimmed(content.substr(0, equals));
            // Only blanks come before the key, so the first "=" of the line is the entry's.
            const std::size_t afterEquals = kept.text.find('=') + 1;
            const std::size_t valueStart = kept.text.find_first_not_of(" \t", afterEquals);
            const std::size_t valueEnd = kept.text.find_last_not_of(" \t") + 1;
            kept.head = kept.text.substr(0, valueStart == std::string::npos ? kept.text.size()
                                                                            : valueStart);
            kept.tail = valueStart == std::string::npos ? "" : kept.text.substr(valueEnd);
            kept.value = decoded;
            // A decoded value always loses its quotes, so it differs from the raw text.
            kept.quoted = kept.value != raw;
            values.set(kept.key.c_str(), kept.value.c_str());
        }
        lines.push_back(std::move(kept));
    }
    // The last line of a key gave the value that counts; only that line is ever rewritten.
    std::set<std::string> seen;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->key.empty() && seen.insert(line->key).second)
            line->live = true;
    lineEnd = !lines.empty() && !lines.front().ending.empty() ? lines.front().ending : "\n";
}

std::vector<IniParameter::Entry> IniParameter::entries() const
{
    std::vector<Entry> found;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!lines[i].key.empty())
            found.push_back({i + 1, lines[i].key, lines[i].value});
    return found;
}

std::string IniParameter::render() const
{
    std::string out = hasBom ? bom : std::string();
    std::set<std::string> written;
    for (const Line& line : lines) {
        const char* value = line.live ? values.get(line.key.c_str()) : nullptr;
        // An unchanged value keeps its line byte for byte, whatever spelling it had.
        if (value && line.value != value)
            out += line.head + encodeValue(value, line.quoted) + line.tail + line.ending;
        else
            out += line.text + line.ending;
        if (!line.key.empty())
            written.insert(line.key);
    }
    bool separated = lines.empty() || !lines.back().ending.empty();
    for (std::size_t i = 0; i < values.count(); ++i) {
        const std::string key = values.keyAt(i);
        if (written.count(key))
            continue;
        if (!separated)
            out += lineEnd;
        separated = true;
        out += key + "=" + encodeValue(values.get(key.c_str())) + lineEnd;
    }
    return out;
}

bool IniParameter::load(const char* path)
{
    lastError.clear();
    if (!path || !*path) {
        lastError = "no file name";
        return false;
    }
    QFile file(QString::fromLocal8Bit(path));
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::ReadOnly)) {
        lastError =
            QFileInfo(file.fileName()).isDir() ? "is a folder" : file.errorString().toStdString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        lastError = file.errorString().toStdString();
        return false;
    }
    parse(bytes.toStdString());
    loadedPath = path;
    return true;
}

bool IniParameter::fail(SaveError kind, const std::string& text)
{
    lastErrorKind = kind;
    lastError = text;
    return false;
}

bool IniParameter::save(const char* path)
{
    lastError.clear();
    lastErrorKind = SaveError::None;
    const std::string target = path ? path : loadedPath;
    if (target.empty())
        return fail(SaveError::Other, "no settings file was loaded");
    // The folder may be writable by a whole group: a link planted in the file's place would
    // have us replace whatever it points to.
    struct stat existing = {};
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return fail(SaveError::FileIsLink, "the settings file is a symbolic link: refused");
    if (exists && !S_ISREG(existing.st_mode))
        return fail(SaveError::Other, "the settings file is not a regular file");
    const WritePlace::Refusal refusal = WritePlace::check(QString::fromLocal8Bit(target.c_str()));
    if (refusal.kind != SaveError::None)
        return fail(refusal.kind, refusal.text);
    if (const int error = writeReplacing(target, render(), exists ? &existing : nullptr))
        return fail(WritePlace::kindOfErrno(error), std::strerror(error));
    return true;
}

IIniParameter* get_system_ini_parameter()
{
    static IniParameter settings;
    return &settings;
}
