#include "Profile.h"

#include "CliTexts.h"
#include "CommandSentences.h"
#include "Dictionary.h"
#include "IniParameter.h"
#include "NmeaList.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "ShownBytes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// What the operator typed, as a terminal may safely show it.
QString shown(const QString& text)
{
    return shownBytes(text.toUtf8());
}

const std::string allName = "NMEA"; // the settings name of the row for every sentence at once

bool isWholeNumber(const std::string& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    return number.match(QString::fromStdString(text)).hasMatch();
}

bool isZeroOrOne(const std::string& wholeNumber)
{
    bool ok = false;
    const qlonglong number = QString::fromStdString(wholeNumber).toLongLong(&ok);
    return ok && (number == 0 || number == 1);
}

QString joined(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list.join(QStringLiteral(", "));
}

int intOf(IDictionary* values, const std::string& key, const char* fallback)
{
    return dic_get_int(values, key.c_str(), fallback);
}

// Keys and values from the file reach a terminal: escaped, so they cannot steer it.
QString quoted(const std::string& key, const char* value)
{
    return QStringLiteral("%1=%2").arg(shownBytes(key), shownBytes(value));
}

constexpr qsizetype maxProfileBytes = 1024 * 1024;
} // namespace

QString Profile::allowedRates()
{
    return joined(SettingsKeys::rates());
}

void Profile::check(IDictionary* raw, QStringList& errors)
{
    for (std::size_t i = 0; i < raw->count(); ++i) {
        const std::string key = raw->keyAt(i);
        const char* value = raw->get(key.c_str());
        const SettingsKey* known = SettingsKeys::find(key);
        if (!known || known->group != SettingsKey::Output)
            continue;
        if (known->kind == SettingsKey::Integer && !isWholeNumber(value))
            errors << CliTexts::notWholeNumber(quoted(key, value), key == "hdtPrefix");
        // A switch: the page would take another number as one state or the other, unsaid.
        else if (known->kind == SettingsKey::Integer && key != "hdtPrefix" && !isZeroOrOne(value))
            errors << CliTexts::notZeroOrOne(quoted(key, value));
        // The page's list has no entry for another text and would send its first, OFF.
        if (known->kind == SettingsKey::Text && !SettingsKeys::isRate(value))
            errors << CliTexts::notOutputRate(quoted(key, value), allowedRates());
    }
    for (const QString& entry : nmeaList) {
        const std::string name = entry.toStdString();
        const std::string rateKey = SettingsKeys::setCommand(name);
        if (SettingsValues::ticked(raw, SettingsKeys::set(name)) && !raw->get(rateKey.c_str()))
            errors << CliTexts::missingWhileSet(QString::fromStdString(rateKey),
                                                QString::fromStdString(SettingsKeys::set(name)),
                                                allowedRates());
    }
    if (SettingsValues::ticked(raw, "useHdtPrefix") && SettingsValues::hdtPrefix(raw) < 0)
        errors << CliTexts::talkerOutOfRange(quoted("hdtPrefix", raw->get("hdtPrefix")));
    const char* baud = raw->get("baudrate");
    if (baud && *baud) {
        bool listed = false;
        for (const std::string& rate : SettingsKeys::baudRates())
            listed = listed || rate == baud;
        if (!listed)
            errors << CliTexts::notListedBaud(quoted("baudrate", baud),
                                              joined(SettingsKeys::baudRates()));
    }
}

void Profile::build(IDictionary* page, bool withSbas)
{
    setSentences = CommandSentences::forSubmit(page);
    if (!withSbas) {
        const std::string track = CommandSentences::trackSbas();
        const std::string untrack = CommandSentences::untrackSbas();
        setSentences.erase(std::remove_if(setSentences.begin(), setSentences.end(),
                                          [&](const std::string& sentence) {
                                              return sentence == track || sentence == untrack;
                                          }),
                           setSentences.end());
    }
    // Every sentence at once is sent after the single ones, so it decides what they report.
    std::string all;
    if (intOf(page, SettingsKeys::set(allName), "0") == 1)
        all = dic_get_csz(page, SettingsKeys::setCommand(allName).c_str(), "");
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        if (!all.empty())
            wanted[name] = all;
        else if (intOf(page, SettingsKeys::set(name), "0") == 1)
            wanted[name] = dic_get_csz(page, SettingsKeys::setCommand(name).c_str(), "");
    }
}

std::optional<Profile> Profile::load(const QString& path, QString& error)
{
    // One read gives both what is applied and what the audit's digest is of.
    QByteArray bytes;
    if (!readOnce(path, bytes, error))
        return std::nullopt;
    QStringList errors;
    IniParameter file;
    if (!checkText(bytes, errors)) {
        error = CliTexts::profileRefused(path, errors);
        return std::nullopt;
    }
    file.parse(bytes.toStdString());
    checkKeys(file, errors);
    check(file.dictionary(), errors);
    if (!errors.isEmpty()) {
        error = CliTexts::profileRefused(path, errors);
        return std::nullopt;
    }
    Profile profile;
    profile.digest =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    profile.filePath = QFileInfo(path).absoluteFilePath();
    IDictionary* raw = file.dictionary();
    for (std::size_t i = 0; i < raw->count(); ++i)
        if (!SettingsKeys::find(raw->keyAt(i)))
            profile.unknownKeys << shownBytes(raw->keyAt(i));
    profile.baud = static_cast<unsigned>(intOf(raw, "baudrate", "0"));
    Dictionary page;
    SettingsValues::normaliseOutput(raw, &page);
    profile.build(&page, true);
    return profile;
}

bool Profile::readOnce(const QString& path, QByteArray& bytes, QString& error)
{
    const auto fail = [&](const QString& why) {
        error = CliTexts::cannotReadProfile(path, why);
        return false;
    };
    // Not blocking: a pipe with no writer must not hold the run before it starts.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(status.st_mode))
        return fail(CliTexts::profileIsFolder());
    // A pipe or device gives its bytes once and may never end: only a file can be read, hashed
    // and named in the audit as the same thing.
    if (!S_ISREG(status.st_mode))
        return fail(CliTexts::profileNotRegular());
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            return true;
        bytes.append(chunk, got);
        if (bytes.size() > maxProfileBytes)
            return fail(CliTexts::profileTooLarge());
    }
}

bool Profile::checkText(const QByteArray& bytes, QStringList& errors)
{
    // Line numbers as the settings file counts them: LF, CR LF or a lone CR ends a line.
    std::size_t line = 1;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= bytes.size(); ++at) {
        const bool end = at == bytes.size() || bytes[at] == '\n' || bytes[at] == '\r';
        if (!end)
            continue;
        const QByteArrayView text = QByteArrayView(bytes).sliced(start, at - start);
        if (!text.isValidUtf8()) {
            errors << CliTexts::notUtf8(line);
            return false;
        }
        // The settings file reads a value up to a NUL: what follows would be dropped unsaid.
        if (text.contains('\0')) {
            errors << CliTexts::nulByte(line, shownBytes(text.toByteArray()));
            return false;
        }
        if (at + 1 < bytes.size() && bytes[at] == '\r' && bytes[at + 1] == '\n')
            ++at;
        start = at + 1;
        ++line;
    }
    return true;
}

void Profile::checkKeys(const IniParameter& file, QStringList& errors)
{
    bool anyOutput = false;
    std::map<std::string, IniParameter::Entry> first;
    for (const IniParameter::Entry& entry : file.entries()) {
        const SettingsKey* known = SettingsKeys::find(entry.key);
        anyOutput = anyOutput || (known && known->group == SettingsKey::Output);
        if (!known)
            for (const SettingsKey& key : SettingsKeys::all())
                if (QString::fromStdString(key.name).compare(QString::fromUtf8(entry.key),
                                                             Qt::CaseInsensitive) == 0)
                    // The window reads keys as written: this line would be silently ignored.
                    errors << CliTexts::keyInOtherCase(entry.line, shownBytes(entry.key),
                                                       QString::fromStdString(key.name));
        const auto [earlier, added] = first.emplace(entry.key, entry);
        if (!added && earlier->second.value != entry.value)
            errors << CliTexts::givenAgain(entry.line, quoted(entry.key, entry.value.c_str()),
                                           earlier->second.line,
                                           quoted(entry.key, earlier->second.value.c_str()));
    }
    if (!anyOutput && errors.isEmpty())
        errors << CliTexts::noOutputSetting();
}

std::optional<Profile> Profile::fromAssignments(const QStringList& assignments, QString& error)
{
    Dictionary raw;
    QStringList errors;
    QStringList seen;
    bool sbasNamed = false;
    const QString knownNames =
        (nmeaList.mid(0, nmeaSentenceCount) + QStringList{"ALL", "SBAS", "HDT-TALKER", "CLEAN"})
            .join(QStringLiteral(", "));
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals).trimmed().toUpper();
        const QString value = equals < 0 ? QString() : assignment.mid(equals + 1).trimmed();
        if (seen.contains(name)) {
            errors << CliTexts::givenTwice(shown(name));
            continue;
        }
        seen << name;
        const int sentence =
            nmeaList.indexOf(name == QLatin1String("ALL") ? QString::fromStdString(allName) : name);
        if (sentence >= 0 && name != QString::fromStdString(allName)) {
            // OFF in any case; the numbers as the list spells them.
            const std::string rate = value.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0
                                         ? std::string("OFF")
                                         : value.toStdString();
            if (equals < 0 || !SettingsKeys::isRate(rate)) {
                errors << CliTexts::notOutputRate(shown(name) + QLatin1Char('=') + shown(value),
                                                  allowedRates());
                continue;
            }
            const std::string key = nmeaList[sentence].toStdString();
            dic_set_value(&raw, SettingsKeys::set(key).c_str(), "1");
            dic_set_value(&raw, SettingsKeys::setCommand(key).c_str(), "%s", rate.c_str());
        } else if (name == QLatin1String("SBAS")) {
            const QString state = value.toLower();
            if (state != QLatin1String("on") && state != QLatin1String("off")) {
                errors << CliTexts::badSbas(shown(value));
                continue;
            }
            dic_set_value(&raw, "sbas", "%d", state == QLatin1String("on") ? 1 : 0);
            sbasNamed = true;
        } else if (name == QLatin1String("HDT-TALKER")) {
            const auto& prefixes = SettingsKeys::hdtPrefixes();
            const auto found =
                std::find(prefixes.begin(), prefixes.end(), value.toUpper().toStdString());
            if (found == prefixes.end()) {
                errors << CliTexts::badTalker(shown(value), joined(prefixes));
                continue;
            }
            dic_set_value(&raw, "useHdtPrefix", "1");
            dic_set_value(&raw, "hdtPrefix", "%d", static_cast<int>(found - prefixes.begin()));
        } else if (name == QLatin1String("CLEAN")) {
            if (equals >= 0) {
                errors << CliTexts::cleanTakesNoValue(shown(assignment));
                continue;
            }
            dic_set_value(&raw, "clean", "1");
        } else {
            errors << CliTexts::unknownSetting(shownBytes(name.toUtf8()), knownNames);
        }
    }
    // ALL is sent after the single sentences and overrides them: the unit would end with
    // other rates than the ones named.
    const qsizetype singles = std::count_if(seen.begin(), seen.end(), [](const QString& name) {
        return name != QLatin1String("ALL") && nmeaList.mid(0, nmeaSentenceCount).contains(name);
    });
    if (seen.contains(QLatin1String("ALL")) && singles > 0)
        errors << CliTexts::allWithSingles();
    if (!errors.isEmpty()) {
        error = errors.join(QLatin1Char('\n'));
        return std::nullopt;
    }
    Profile profile;
    Dictionary page;
    SettingsValues::normaliseOutput(&raw, &page);
    // SBAS goes out only when it was asked for: setting one rate must not switch SBAS off.
    profile.build(&page, sbasNamed);
    return profile;
}
