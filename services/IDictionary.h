#pragma once

#include <cstddef>

// Text values under text keys. Keys keep the order in which they were first set.
class IDictionary
{
public:
    virtual void set(const char* key, const char* value) = 0;
    // The value under key, or null when the key is absent. Valid until that key is set again
    // or the dictionary is destroyed; setting other keys, new or old, leaves it in place.
    virtual const char* get(const char* key) const = 0;
    virtual std::size_t count() const = 0;
    virtual const char* keyAt(std::size_t index) const = 0;
    virtual ~IDictionary() = default;
};

IDictionary* dictionary_get_instance(int flags);
// Deletes the dictionary and clears the variable that held it.
void dictionary_release_instance(IDictionary** dictionary);

// Stores the printf-style text of the arguments under key. Any length is kept whole.
void dic_set_value(IDictionary* dictionary, const char* key, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The value under key, else defaultValue; with no default either, a logged std::runtime_error.
const char* dic_get_csz(IDictionary* dictionary, const char* key, const char* defaultValue);
// dic_get_csz read as a number in the manner of atoi, clamped to the range of int.
int dic_get_int(IDictionary* dictionary, const char* key, const char* defaultValue);
