#include "ProfileWriter.h"

#include "CliTexts.h"
#include "Dictionary.h"
#include "IniParameter.h"
#include "NmeaList.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "ShownBytes.h"

#include <QFile>

#include <sys/stat.h>

bool ProfileWriter::mayWrite(const QString& path, bool replace, QString& error)
{
    struct stat existing = {};
    if (::lstat(QFile::encodeName(path).constData(), &existing) != 0)
        return true;
    if (S_ISLNK(existing.st_mode))
        error = CliTexts::profileIsLink(path);
    else if (!replace)
        error = CliTexts::profileExists(path);
    return error.isEmpty();
}

bool ProfileWriter::write(const UnitResult& unit, const QString& path, bool replace, QString& error)
{
    Dictionary stored;
    for (const SettingsKey& key : SettingsKeys::all())
        dic_set_value(&stored, key.name.c_str(), "%s", key.defaultValue);
    // A speed outside the list would make the profile refused; the search finds it anyway.
    const std::string baud = std::to_string(unit.baud);
    for (const std::string& listed : SettingsKeys::baudRates())
        if (listed == baud)
            dic_set_value(&stored, "baudrate", "%s", baud.c_str());
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        const auto read = unit.rates.find(nmeaList[i]);
        // The page would show a rate it does not list as OFF: the copy would differ silently.
        if (read == unit.rates.end() || !SettingsKeys::isRate(read->second.toStdString())) {
            error = CliTexts::rateNotInList(nmeaList[i], read == unit.rates.end()
                                                             ? QString()
                                                             : shownBytes(read->second.toUtf8()));
            return false;
        }
        dic_set_value(&stored, SettingsKeys::set(name).c_str(), "1");
        dic_set_value(&stored, SettingsKeys::setCommand(name).c_str(), "%s",
                      read->second.toStdString().c_str());
    }
    Dictionary shown;
    SettingsValues::normaliseOutput(&stored, &shown);
    IniParameter file;
    for (const SettingsKey& key : SettingsKeys::all()) {
        const char* value = shown.get(key.name.c_str());
        dic_set_value(file.dictionary(), key.name.c_str(), "%s",
                      value ? value : stored.get(key.name.c_str()));
    }
    // Asked again just before: a file may have appeared while the unit was read.
    if (!mayWrite(path, replace, error))
        return false;
    if (!file.save(QFile::encodeName(path).constData())) {
        error = CliTexts::cannotWriteProfile(path, QString::fromLocal8Bit(file.error_text()));
        return false;
    }
    return true;
}
