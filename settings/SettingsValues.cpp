#include "SettingsValues.h"

#include "IDictionary.h"
#include "NmeaList.h"
#include "SettingsKeys.h"

namespace {
const char* fallback(const std::string& key)
{
    const SettingsKey* known = SettingsKeys::find(key);
    return known ? known->defaultValue : "";
}
} // namespace

bool SettingsValues::ticked(IDictionary* values, const std::string& key)
{
    return dic_get_int(values, key.c_str(), fallback(key)) != 0;
}

std::string SettingsValues::rate(const std::string& text)
{
    return SettingsKeys::isRate(text) ? text : SettingsKeys::rates().front();
}

std::string SettingsValues::rate(IDictionary* values, const std::string& key)
{
    return rate(dic_get_csz(values, key.c_str(), fallback(key)));
}

int SettingsValues::hdtPrefix(int index)
{
    return SettingsKeys::hdtPrefixAt(index).empty() ? -1 : index;
}

int SettingsValues::hdtPrefix(IDictionary* values)
{
    return hdtPrefix(dic_get_int(values, "hdtPrefix", fallback("hdtPrefix")));
}

void SettingsValues::normaliseOutput(IDictionary* stored, IDictionary* shown)
{
    for (const char* key : {"sbas", "clean", "useHdtPrefix"})
        dic_set_value(shown, key, "%d", ticked(stored, key) ? 1 : 0);
    dic_set_value(shown, "hdtPrefix", "%d", hdtPrefix(stored));
    for (const QString& entry : nmeaList) {
        const std::string name = entry.toStdString();
        dic_set_value(shown, SettingsKeys::set(name).c_str(), "%d",
                      ticked(stored, SettingsKeys::set(name)) ? 1 : 0);
        dic_set_value(shown, SettingsKeys::setCommand(name).c_str(), "%s",
                      rate(stored, SettingsKeys::setCommand(name)).c_str());
    }
}
