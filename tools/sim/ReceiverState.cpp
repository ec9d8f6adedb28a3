#include "ReceiverState.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

const std::array<const char*, ReceiverState::sentenceCount> ReceiverState::sentenceNames = {
    "GGA", "ZDA", "GST", "GSV", "GSA", "GLL", "RMC", "VTG", "GRS", "HDT"};

namespace {
std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

int sentenceIndex(const std::string& key)
{
    static const std::string prefix = "GNSS.NMEA.";
    if (key.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string name = key.substr(prefix.size());
    for (int i = 0; i < ReceiverState::sentenceCount; ++i)
        if (name == ReceiverState::sentenceNames[static_cast<std::size_t>(i)])
            return i;
    return -1;
}
} // namespace

ReceiverState::ReceiverState(std::string serialNumber) : serial(std::move(serialNumber))
{
    restoreFactory();
}

void ReceiverState::restoreFactory()
{
    rates.fill("OFF");
    sbas = false;
    talker = "HE";
}

bool ReceiverState::isRate(const std::string& text)
{
    static const char* const known[] = {"OFF", "0.02", "0.05", "0.1", "0.2", "0.5", "1",
                                        "2",   "5",    "10",   "15",  "30",  "60"};
    for (const char* rate : known)
        if (text == rate)
            return true;
    return false;
}

double ReceiverState::period(int sentence) const
{
    const std::string& text = rate(sentence);
    return text == "OFF" ? 0.0 : std::atof(text.c_str());
}

std::string ReceiverState::reply(const std::string& body)
{
    unsigned char sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    char check[4];
    std::snprintf(check, sizeof check, "%02X", sum);
    return "@" + body + "*" + check + "\r\n";
}

std::string ReceiverState::getValue(const std::string& key, bool& known) const
{
    known = true;
    if (key == "DEVICE.INFO.SN")
        return serial;
    const int index = sentenceIndex(key);
    if (index >= 0)
        return rate(index);
    known = false;
    return {};
}

bool ReceiverState::setValue(const std::string& key, const std::string& value, bool hasValue)
{
    const int index = sentenceIndex(key);
    if (index >= 0) {
        if (!hasValue || !isRate(value))
            return false;
        rates[static_cast<std::size_t>(index)] = value;
        return true;
    }
    if (key == "GNSS.NMEA.ALL") {
        if (!hasValue || !isRate(value))
            return false;
        rates.fill(value);
        return true;
    }
    if (key == "GNSS.SATELLITE.TRACK.SBAS" || key == "GNSS.SATELLITE.UNTRACK.SBAS") {
        if (value != "ALL")
            return false;
        sbas = key == "GNSS.SATELLITE.TRACK.SBAS";
        return true;
    }
    if (key == "GNSS.NMEATALKER.HDT") {
        const bool letters = value.size() == 2 &&
                             std::isupper(static_cast<unsigned char>(value[0])) &&
                             std::isupper(static_cast<unsigned char>(value[1]));
        if (!letters)
            return false;
        talker = value;
        return true;
    }
    if (key == "GNSS.CLEAN_SATELLITE" && !hasValue) {
        ++clears;
        return true;
    }
    if (key == "DEVICE.RECOVER" && !hasValue) {
        restoreFactory();
        return true;
    }
    return false;
}

std::string ReceiverState::dottedKey(const std::string& key)
{
    return key.find('.') == std::string::npos ? "GNSS.NMEA." + key : key;
}

std::optional<std::string> ReceiverState::handle(const std::string& command)
{
    const std::vector<std::string> fields = split(command, ',');
    if (fields.size() < 4 || fields[0] != "#KVT")
        return std::nullopt;
    const std::string& verb = fields[2];
    const std::string& key = fields[3];
    if (verb == "GET") {
        bool known = false;
        const std::string value = getValue(key, known);
        if (!known || fields.size() != 4)
            return reply("KVT,,GET," + key + ",ERR");
        return reply("KVT,,GET," + key + ",OK," + value);
    }
    if (verb == "SET") {
        if (rejected.count(key))
            return reply("KVT,,SET," + key + ",ERR");
        const bool hasValue = fields.size() >= 5;
        const bool accepted =
            sticky.count(key) ||
            (fields.size() <= 5 && setValue(key, hasValue ? fields[4] : "", hasValue));
        if (noAck)
            return std::nullopt;
        return reply("KVT,,SET," + key + (accepted ? ",OK" : ",ERR"));
    }
    return reply("KVT,," + verb + "," + key + ",ERR");
}
