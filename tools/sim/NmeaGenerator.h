#pragma once

#include "FixQuality.h"
#include "SkyModel.h"

#include <string>

// Where the simulated receiver stands: degrees north and east, metres above mean sea level.
struct StationPosition
{
    double latitude = 31.2304;
    double longitude = 121.4737;
    double height = 12.345;
};

// The NMEA sentences of a receiver standing near a fixed point: the position wanders as much as
// its kind of fix allows, the heading turns slowly and twenty-odd satellites of four systems
// cross the sky. Everything follows from the time tag and the time of the first sentence, so
// the sentences of one epoch agree with each other.
class NmeaGenerator
{
public:
    explicit NmeaGenerator(FixQuality fix = FixQuality::RtkFixed, StationPosition where = {});

    // name is GGA … HDT; talker is the HDT talker. utcSeconds is the epoch's time tag. Returns
    // "$…*hh\r\n", several of them for GSV (a group per system) and GSA (one per system).
    std::string sentence(const std::string& name, const std::string& hdtTalker, double utcSeconds);

    // "$" + body + "*" + two hex digits of the XOR of the body's bytes + CR LF.
    static std::string withChecksum(const std::string& body);

private:
    std::string satellitesInView(const std::vector<SkySatellite>& sky) const;
    std::string satellitesUsed(const std::vector<SkySatellite>& sky) const;
    // One standard deviation of the position, in metres, for this kind of fix.
    double sigma() const;

    FixQuality fix;
    StationPosition station;
    SkyModel skyModel;
    double startUtc = -1; // the first time tag seen
};
