#pragma once

#include "IDictionary.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class Dictionary : public IDictionary
{
public:
    void set(const char* key, const char* value) override;
    const char* get(const char* key) const override;
    std::size_t count() const override { return entries.size(); }
    const char* keyAt(std::size_t index) const override;

private:
    std::vector<std::pair<std::string, std::string>> entries;
    std::unordered_map<std::string, std::size_t> indexByKey;
};
