#include "SettingsKeys.h"

#include "NmeaList.h"
#include "ScopedFormatter.h"

std::string SettingsKeys::set(const std::string& sentence)
{
    return ScopedFormatter::once("set%s", sentence.c_str());
}

std::string SettingsKeys::setCommand(const std::string& sentence)
{
    return ScopedFormatter::once("setCommand%s", sentence.c_str());
}

std::string SettingsKeys::query(const std::string& sentence)
{
    return ScopedFormatter::once("query%s", sentence.c_str());
}

const std::vector<SettingsKey>& SettingsKeys::all()
{
    static const std::vector<SettingsKey> keys = [] {
        std::vector<SettingsKey> table = {
            {"baudrate", SettingsKey::Text, "", SettingsKey::Link, {}},
            {"portNum", SettingsKey::Text, "", SettingsKey::Link, {}},
            {"sbas", SettingsKey::Integer, "0", SettingsKey::Output, {}},
            {"clean", SettingsKey::Integer, "0", SettingsKey::Output, {}},
            {"hdtPrefix", SettingsKey::Integer, "0", SettingsKey::Output, {}},
            {"useHdtPrefix", SettingsKey::Integer, "0", SettingsKey::Output, {}},
        };
        for (const QString& entry : nmeaList) {
            const std::string name = entry.toStdString();
            table.push_back({set(name), SettingsKey::Integer, "", SettingsKey::Output, name});
            table.push_back({setCommand(name), SettingsKey::Text, "", SettingsKey::Output, name});
        }
        table.push_back({"bodyNum", SettingsKey::Integer, "1", SettingsKey::Query, {}});
        for (int i = 0; i < nmeaSentenceCount; ++i) {
            const std::string name = nmeaList[i].toStdString();
            table.push_back({query(name), SettingsKey::Integer, "1", SettingsKey::Query, name});
        }
        return table;
    }();
    return keys;
}

const SettingsKey* SettingsKeys::find(const std::string& name)
{
    for (const SettingsKey& key : all())
        if (key.name == name)
            return &key;
    return nullptr;
}

const std::vector<std::string>& SettingsKeys::rates()
{
    static const std::vector<std::string> list = {"OFF", "0.02", "0.05", "0.1", "0.2", "0.5", "1",
                                                  "2",   "5",    "10",   "15",  "30",  "60"};
    return list;
}

bool SettingsKeys::isRate(const std::string& text)
{
    for (const std::string& rate : rates())
        if (rate == text)
            return true;
    return false;
}

const std::vector<std::string>& SettingsKeys::baudRates()
{
    static const std::vector<std::string> list = {"9600",  "14400",  "19200",  "38400", "56000",
                                                  "57600", "115200", "128000", "256000"};
    return list;
}

const std::vector<std::string>& SettingsKeys::hdtPrefixes()
{
    static const std::vector<std::string> list = {"HE", "GP", "GN"};
    return list;
}

std::string SettingsKeys::hdtPrefixAt(int index)
{
    return index >= 0 && index < static_cast<int>(hdtPrefixes().size())
               ? hdtPrefixes()[static_cast<std::size_t>(index)]
               : std::string();
}
