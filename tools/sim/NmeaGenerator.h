#pragma once

#include <string>

// Plausible NMEA sentences for a receiver standing near a fixed point: the position wanders by
// a few centimetres, the time is the current UTC, and twelve satellites are in view.
class NmeaGenerator
{
public:
    // name is GGA … HDT; talker is the HDT talker (others use GN). Returns "$…*hh\r\n".
    std::string sentence(const std::string& name, const std::string& hdtTalker, double utcSeconds);

    // "$" + body + "*" + two hex digits of the XOR of the body's bytes + CR LF.
    static std::string withChecksum(const std::string& body);

private:
    std::string gsvGroup(int part, int parts);
    void wander();

    double latitude = 31.2304;   // degrees north
    double longitude = 121.4737; // degrees east
    double heading = 87.5;
    unsigned step = 0;
};
