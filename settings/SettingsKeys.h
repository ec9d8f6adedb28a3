#pragma once

#include <string>
#include <vector>

// One key of the settings file: its name, how its value is written and read, and the default a
// missing key reads as when the page loads it.
struct SettingsKey
{
    enum Kind
    {
        Integer,
        Text
    };
    enum Group
    {
        Link,
        Output,
        Query
    };

    std::string name;
    Kind kind;
    const char* defaultValue;
    Group group;
    std::string sentence; // GGA … HDT or NMEA for the per-sentence keys, else empty
};

// The 39 keys of the settings file and the value lists the page offers. No widgets here: the
// page, its settings code and the command-line tool share this table.
namespace SettingsKeys {
// Every key, in the order the save button stores them: baudrate, portNum, the output group,
// then the query group.
const std::vector<SettingsKey>& all();
// The entry of name, or null for a key the page does not know.
const SettingsKey* find(const std::string& name);

std::string set(const std::string& sentence);        // "set%s"
std::string setCommand(const std::string& sentence); // "setCommand%s"
std::string query(const std::string& sentence);      // "query%s"

// The thirteen output rates, "OFF" first, as they are shown, stored and sent.
const std::vector<std::string>& rates();
bool isRate(const std::string& text);
// The nine baud rates of the port settings, 9600 first.
const std::vector<std::string>& baudRates();
// The HDT talker prefixes by their "hdtPrefix" index: HE, GP, GN.
const std::vector<std::string>& hdtPrefixes();
// The prefix of an index; empty outside 0 to 2, as the page's list then shows no entry.
std::string hdtPrefixAt(int index);
} // namespace SettingsKeys
