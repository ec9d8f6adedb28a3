#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>

// What the simulated receiver remembers, and how it answers one command sentence.
// Rates are the output period in seconds, kept as the text they were set with ("OFF" = none).
class ReceiverState
{
public:
    static constexpr int sentenceCount = 10;
    static const std::array<const char*, sentenceCount> sentenceNames;

    explicit ReceiverState(std::string serialNumber = "ZR415-SIM-0001");

    // One command without its line end, such as "#KVT,,SET,GNSS.NMEA.GGA,1". Returns the reply
    // sentence with its CR LF, or nothing for a line that is not a command.
    std::optional<std::string> handle(const std::string& command);

    const std::string& rate(int sentence) const
    {
        return rates[static_cast<std::size_t>(sentence)];
    }
    // The period in seconds, or 0 when the sentence is off.
    double period(int sentence) const;
    bool sbasTracked() const { return sbas; }
    const std::string& hdtTalker() const { return talker; }
    // Counts clear-satellite orders, so the stream can show a fresh start.
    int satelliteClears() const { return clears; }

    void restoreFactory();

    // Misbehaviour for testing: SETs of rejected keys are answered ERR and change nothing;
    // SETs of sticky keys are answered OK and change nothing; with noAck, SETs are applied and
    // never answered. Keys are dotted (GNSS.NMEA.GGA); a bare sentence name means its NMEA key.
    void reject(const std::string& key) { rejected.insert(dottedKey(key)); }
    void stick(const std::string& key) { sticky.insert(dottedKey(key)); }
    void setNoAck(bool on) { noAck = on; }
    static std::string dottedKey(const std::string& key);

    // "@" + body + "*" + two hex digits of the XOR of the body's bytes + CR LF.
    static std::string reply(const std::string& body);
    static bool isRate(const std::string& text);

private:
    std::string getValue(const std::string& key, bool& known) const;
    bool setValue(const std::string& key, const std::string& value, bool hasValue);

    std::string serial;
    std::array<std::string, sentenceCount> rates;
    bool sbas = false;
    std::string talker = "HE";
    int clears = 0;
    std::set<std::string> rejected;
    std::set<std::string> sticky;
    bool noAck = false;
};
