#include "SkyModel.h"

#include <cmath>

namespace {
constexpr double pi = 3.14159265358979323846;

struct Track
{
    GnssSystem system;
    int number;
};

// The satellites in view, in the order GSV lists them.
const Track tracks[] = {
    {GnssSystem::Gps, 2},      {GnssSystem::Gps, 5},      {GnssSystem::Gps, 7},
    {GnssSystem::Gps, 13},     {GnssSystem::Gps, 15},     {GnssSystem::Gps, 20},
    {GnssSystem::Gps, 30},     {GnssSystem::Glonass, 65}, {GnssSystem::Glonass, 66},
    {GnssSystem::Glonass, 72}, {GnssSystem::Glonass, 78}, {GnssSystem::Glonass, 81},
    {GnssSystem::Galileo, 3},  {GnssSystem::Galileo, 8},  {GnssSystem::Galileo, 13},
    {GnssSystem::Galileo, 24}, {GnssSystem::Galileo, 31}, {GnssSystem::BeiDou, 6},
    {GnssSystem::BeiDou, 9},   {GnssSystem::BeiDou, 14},  {GnssSystem::BeiDou, 21},
    {GnssSystem::BeiDou, 27},  {GnssSystem::BeiDou, 33},
};

// Below this a satellite is tracked but left out of the fix, as receivers mask low ones.
constexpr double elevationMask = 15.0;
constexpr int weakestUsedSnr = 30;
} // namespace

const std::vector<GnssSystem>& SkyModel::systems()
{
    static const std::vector<GnssSystem> all = {GnssSystem::Gps, GnssSystem::Glonass,
                                                GnssSystem::Galileo, GnssSystem::BeiDou};
    return all;
}

GnssSystemCode SkyModel::codeOf(GnssSystem system)
{
    switch (system) {
    case GnssSystem::Gps:
        return {"GP", 1, 1}; // L1 C/A
    case GnssSystem::Glonass:
        return {"GL", 2, 1}; // G1 C/A
    case GnssSystem::Galileo:
        return {"GA", 3, 7}; // E1
    case GnssSystem::BeiDou:
        return {"GB", 4, 1}; // B1I
    }
    return {"GN", 0, 0};
}

std::vector<SkySatellite> SkyModel::at(double seconds, bool fixed) const
{
    std::vector<SkySatellite> sky;
    int k = 0;
    for (const Track& track : tracks) {
        // Each rises and sets between 10° and 85° in one and a half to two and a half hours,
        // and turns round the sky at 0.6-1.4° a minute, half of them each way.
        const double phase = k * 2.399963;
        const double swing = 2 * pi / (5400.0 + 600.0 * (k % 7));
        const double elevation = 10.0 + 75.0 * (0.5 + 0.5 * std::sin(phase + swing * seconds));
        const double turn = (k % 2 ? 1.0 : -1.0) * (0.010 + 0.003 * (k % 5));
        double azimuth = std::fmod(k * 137.508 + 20.0 + turn * seconds, 360.0);
        if (azimuth < 0)
            azimuth += 360.0;
        if (azimuth >= 360.0) // -0.0…01 + 360
            azimuth = 0.0;
        // Stronger high up, through less air; a little flicker on top.
        const int snr = static_cast<int>(std::lround(26.0 + 22.0 * std::sin(elevation * pi / 180) +
                                                     1.5 * std::sin(0.05 * seconds + k)));
        sky.push_back({track.system, track.number, elevation, azimuth, snr,
                       fixed && elevation >= elevationMask && snr >= weakestUsedSnr});
        ++k;
    }
    return sky;
}
