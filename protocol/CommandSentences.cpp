#include "CommandSentences.h"

#include "IDictionary.h"
#include "NmeaList.h"
#include "ScopedFormatter.h"
#include "SettingsKeys.h"

namespace CommandSentences {
std::string setOutput(const std::string& sentence, const std::string& rate)
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.NMEA.%s,%s\r\n", sentence.c_str(), rate.c_str());
}

std::string setAllOutputs(const std::string& rate)
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.NMEA.ALL,%s\r\n", rate.c_str());
}

std::string trackSbas()
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL\r\n");
}

std::string untrackSbas()
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.SATELLITE.UNTRACK.SBAS,ALL\r\n");
}

std::string cleanSatellites()
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.CLEAN_SATELLITE\r\n");
}

std::string setHdtTalker(const std::string& prefix)
{
    return ScopedFormatter::once("#KVT,,SET,GNSS.NMEATALKER.HDT,%s\r\n", prefix.c_str());
}

std::string getSerialNumber()
{
    return ScopedFormatter::once("#KVT,,GET,DEVICE.INFO.SN\r\n");
}

std::string getOutput(const std::string& sentence)
{
    return ScopedFormatter::once("#KVT,,GET,GNSS.NMEA.%s\r\n", sentence.c_str());
}

std::string factoryReset()
{
    return ScopedFormatter::once("#KVT,,SET,DEVICE.RECOVER\r\n");
}

std::vector<std::string> forSubmit(IDictionary* settings)
{
    std::vector<std::string> sentences;
    for (int i = 0; i <= nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        if (dic_get_int(settings, SettingsKeys::set(name).c_str(), "") != 1)
            continue;
        const std::string rate = dic_get_csz(settings, SettingsKeys::setCommand(name).c_str(), "");
        // The "NMEA" row stands for every sentence at once and comes after the single ones.
        sentences.push_back(i < nmeaSentenceCount ? setOutput(name, rate) : setAllOutputs(rate));
    }
    sentences.push_back(dic_get_int(settings, "sbas", "0") == 1 ? trackSbas() : untrackSbas());
    if (dic_get_int(settings, "clean", "0") == 1)
        sentences.push_back(cleanSatellites());
    if (dic_get_int(settings, "useHdtPrefix", "0") != 0)
        sentences.push_back(
            setHdtTalker(SettingsKeys::hdtPrefixAt(dic_get_int(settings, "hdtPrefix", "0"))));
    return sentences;
}

std::vector<std::string> forQuery(IDictionary* settings)
{
    std::vector<std::string> sentences;
    if (dic_get_int(settings, "bodyNum", "0") == 1)
        sentences.push_back(getSerialNumber());
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        if (dic_get_int(settings, SettingsKeys::query(name).c_str(), "0") != 0)
            sentences.push_back(getOutput(name));
    }
    return sentences;
}

Command commandOf(const std::string& sentence)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    const std::size_t end = sentence.find_first_of("\r\n");
    const std::string line = sentence.substr(0, end);
    while (fields.size() < 4) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    fields.resize(4);
    return {fields[2], fields[3]};
}
} // namespace CommandSentences
