#pragma once

#include <string>

class IDictionary;

// What the page makes of a stored value when it shows it, and so what it stores back. The page
// and zr415ctl's profiles both go through here, so they cannot disagree about what 提交 sends.
namespace SettingsValues {
// A check box: any non-zero whole number ticks it; a missing key reads as the key's default.
bool ticked(IDictionary* values, const std::string& key);
// A rate list: the exact text of one of its entries, else its first entry, OFF.
std::string rate(const std::string& text);
// A rate list's text for a key; a missing key reads as the empty text.
std::string rate(IDictionary* values, const std::string& key);
// The talker list: its index 0 to 2, else -1, as the list then shows no entry.
int hdtPrefix(int index);
int hdtPrefix(IDictionary* values);
// Writes the output group of stored into shown as the page leaves it after loading stored and
// storing its widgets back.
void normaliseOutput(IDictionary* stored, IDictionary* shown);
} // namespace SettingsValues
