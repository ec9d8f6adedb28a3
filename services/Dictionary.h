#pragma once

#include "IDictionary.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <utility>

class Dictionary : public IDictionary
{
public:
    void set(const char* key, const char* value) override;
    const char* get(const char* key) const override;
    std::size_t count() const override { return entries.size(); }
    const char* keyAt(std::size_t index) const override;

private:
    // A deque never moves its elements when one is added, so the text a value pointer points
    // into stays where it is until its own key is set again.
    std::deque<std::pair<std::string, std::string>> entries;
    std::unordered_map<std::string, std::size_t> indexByKey;
};
