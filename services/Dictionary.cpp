#include "Dictionary.h"

#include "TextFunctions.h"
#include "ThrowLoggedError.h"

#include <cstdarg>
#include <cstdio>

void Dictionary::set(const char* key, const char* value)
{
    if (!key)
        return;
    const std::string text = value ? value : "";
    auto found = indexByKey.find(key);
    if (found != indexByKey.end()) {
        entries[found->second].second = text;
        return;
    }
    indexByKey.emplace(key, entries.size());
    entries.emplace_back(key, text);
}

const char* Dictionary::get(const char* key) const
{
    if (!key)
        return nullptr;
    auto found = indexByKey.find(key);
    return found == indexByKey.end() ? nullptr : entries[found->second].second.c_str();
}

const char* Dictionary::keyAt(std::size_t index) const
{
    return index < entries.size() ? entries[index].first.c_str() : nullptr;
}

IDictionary* dictionary_get_instance(int)
{
    return new Dictionary;
}

void dictionary_release_instance(IDictionary** dictionary)
{
    if (!dictionary)
        return;
    delete *dictionary;
    *dictionary = nullptr;
}

void dic_set_value(IDictionary* dictionary, const char* key, const char* format, ...)
{
    if (!dictionary || !key || !format)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = format_to_string(format, args);
    va_end(args);
    dictionary->set(key, text.c_str());
}

const char* dic_get_csz(IDictionary* dictionary, const char* key, const char* defaultValue)
{
    const char* value = dictionary && key ? dictionary->get(key) : nullptr;
    if (value)
        return value;
    if (defaultValue)
        return defaultValue;
    throw_logged_error("<ERROR ctx='dic_get_csz'>missing[%s]!</ERROR>", key ? key : "");
}

int dic_get_int(IDictionary* dictionary, const char* key, const char* defaultValue)
{
    return text_to_int(dic_get_csz(dictionary, key, defaultValue));
}
