#pragma once

#include <vector>

// The satellite systems the simulated receiver tracks.
enum class GnssSystem
{
    Gps,
    Glonass,
    Galileo,
    BeiDou
};

// How NMEA names a system: the talker of its GSV, NMEA 4.10's system id (GSA) and the signal id
// of the signal tracked (GSV).
struct GnssSystemCode
{
    const char* talker;
    int systemId;
    int signalId;
};

struct SkySatellite
{
    GnssSystem system;
    int number;       // as GSV numbers it: GLONASS 65-96, the others their own PRN
    double elevation; // degrees, 0-90
    double azimuth;   // degrees, 0-360
    int snr;          // dB-Hz
    bool used;        // in the fix
};

// Twenty-odd satellites of four systems crossing the sky slowly, the same for the same time
// since the start, so a test can reason about what it sees.
class SkyModel
{
public:
    static const std::vector<GnssSystem>& systems();
    static GnssSystemCode codeOf(GnssSystem system);

    // The sky seconds after the start, sorted by system then number. Nothing is used without a
    // fix.
    std::vector<SkySatellite> at(double seconds, bool fixed) const;
};
