#pragma once

#include <string>
#include <vector>

class IDictionary;

// The receiver's command sentences, each with its CR LF, and the lists the page's actions send.
// No widgets here: the page and the command-line tool send the same bytes for the same settings.
namespace CommandSentences {
std::string setOutput(const std::string& sentence, const std::string& rate);
std::string setAllOutputs(const std::string& rate);
std::string trackSbas();
std::string untrackSbas();
std::string cleanSatellites();
std::string setHdtTalker(const std::string& prefix);
std::string getSerialNumber();
std::string getOutput(const std::string& sentence);
std::string factoryReset();

// What 提交 sends for the output keys of settings (as the page stores them before sending), in
// sending order: the ticked sentences in list order, ALL, the SBAS switch, the clear order, the
// HDT talker.
std::vector<std::string> forSubmit(IDictionary* settings);
// What 查询 sends for the query keys of settings: the serial number, then the ticked sentences.
std::vector<std::string> forQuery(IDictionary* settings);

// The verb and key of a command sentence: fields 2 and 3 ("SET", "GNSS.NMEA.GGA").
struct Command
{
    std::string verb;
    std::string key;
};
Command commandOf(const std::string& sentence);
} // namespace CommandSentences
