#include "NmeaGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {
constexpr double metresPerDegree = 111320.0;
constexpr double geoidSeparation = 8.765;

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

// ddmm.mmmmm with the hemisphere letter.
std::string angle(double degrees, bool isLatitude)
{
    const char hemisphere = isLatitude ? (degrees >= 0 ? 'N' : 'S') : (degrees >= 0 ? 'E' : 'W');
    // Whole hundred-thousandths of a minute, so 59.999999' never prints as 60.00000'.
    const long long units = std::llround(std::fabs(degrees) * 60.0 * 100000.0);
    const long long whole = units / (60 * 100000LL);
    const long long minutes = units % (60 * 100000LL);
    return format(isLatitude ? "%02lld%02lld.%05lld,%c" : "%03lld%02lld.%05lld,%c", whole,
                  minutes / 100000, minutes % 100000, hemisphere);
}
} // namespace

NmeaGenerator::NmeaGenerator(FixQuality quality, StationPosition where)
    : fix(quality), station(where)
{}

std::string NmeaGenerator::withChecksum(const std::string& body)
{
    unsigned char sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    return "$" + body + format("*%02X\r\n", sum);
}

double NmeaGenerator::sigma() const
{
    switch (fix) {
    case FixQuality::RtkFixed:
        return 0.01;
    case FixQuality::RtkFloat:
        return 0.2;
    case FixQuality::Dgnss:
        return 0.5;
    case FixQuality::Manual:
    case FixQuality::Simulation:
        return 0.0;
    default:
        return 1.5;
    }
}

std::string NmeaGenerator::satellitesInView(const std::vector<SkySatellite>& sky) const
{
    std::string all;
    for (GnssSystem system : SkyModel::systems()) {
        std::vector<SkySatellite> own;
        std::copy_if(
            sky.begin(), sky.end(), std::back_inserter(own),
            [system](const SkySatellite& satellite) { return satellite.system == system; });
        const GnssSystemCode code = SkyModel::codeOf(system);
        const std::size_t parts = (own.size() + 3) / 4;
        for (std::size_t part = 0; part < parts; ++part) {
            std::string body =
                format("%sGSV,%zu,%zu,%02zu", code.talker, parts, part + 1, own.size());
            for (std::size_t i = part * 4; i < std::min(own.size(), part * 4 + 4); ++i)
                body +=
                    format(",%02d,%02ld,%03d,%02d", own[i].number, std::lround(own[i].elevation),
                           static_cast<int>(std::floor(own[i].azimuth)), own[i].snr);
            all += withChecksum(body + format(",%X", code.signalId));
        }
    }
    return all;
}

std::string NmeaGenerator::sentence(const std::string& name, const std::string& hdtTalker,
                                    double utcSeconds)
{
    if (startUtc < 0)
        startUtc = utcSeconds;
    const double elapsed = utcSeconds - startUtc;
    // The time tag in whole hundredths, so 59.999 s never prints as 60.00.
    const long long centiseconds = std::llround(utcSeconds * 100.0);
    const std::time_t whole = static_cast<std::time_t>(centiseconds / 100);
    std::tm utc{};
    gmtime_r(&whole, &utc);
    const std::string time =
        format("%02d%02d%02d.%02lld", utc.tm_hour, utc.tm_min, utc.tm_sec, centiseconds % 100);
    const std::string date =
        format("%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, (utc.tm_year + 1900) % 100);

    const bool fixed = fix != FixQuality::NoFix;
    const std::vector<SkySatellite> sky = skyModel.at(elapsed, fixed);
    const long used = std::count_if(sky.begin(), sky.end(),
                                    [](const SkySatellite& satellite) { return satellite.used; });
    const double hdop = used > 0 ? 0.5 + 6.0 / static_cast<double>(used) : 99.9;
    const char mode = fixModeLetter(fix);
    const std::string status = fixed ? "A" : "V";
    // The position wanders within one sigma of the station.
    const double north = sigma() * std::sin(elapsed * 0.37);
    const double east = sigma() * std::cos(elapsed * 0.23);
    const double latitude = station.latitude + north / metresPerDegree;
    const double longitude =
        station.longitude +
        east / (metresPerDegree * std::max(0.01, std::cos(station.latitude * M_PI / 180)));
    const std::string position =
        fixed ? angle(latitude, true) + "," + angle(longitude, false) : ",,,";
    double heading = std::fmod(87.5 + 0.2 * elapsed, 360.0);
    if (heading < 0)
        heading += 360.0;

    if (name == "GGA") {
        const std::string height =
            fixed
                ? format("%.3f,M,%.3f,M", station.height + 1.5 * sigma() * std::sin(elapsed * 0.31),
                         geoidSeparation)
                : ",M,,M";
        const std::string corrections =
            usesCorrections(fix) ? format("%.1f,0000", 0.5 + std::fmod(elapsed, 1.0)) : ",";
        return withChecksum(format("GNGGA,%s,%s,%d,%02ld,%.1f,%s,%s", time.c_str(),
                                   position.c_str(), static_cast<int>(fix), used, hdop,
                                   height.c_str(), corrections.c_str()));
    }
    if (name == "ZDA")
        return withChecksum(format("GNZDA,%s,%02d,%02d,%04d,00,00", time.c_str(), utc.tm_mday,
                                   utc.tm_mon + 1, utc.tm_year + 1900));
    if (name == "GST") {
        const double s = sigma();
        if (!fixed)
            return withChecksum("GNGST," + time + ",,,,,,,");
        return withChecksum(format("GNGST,%s,%.3f,%.3f,%.3f,45.0,%.3f,%.3f,%.3f", time.c_str(),
                                   0.8 * s, 1.2 * s, s, s, 0.9 * s, 1.8 * s));
    }
    if (name == "GSV")
        return satellitesInView(sky);
    if (name == "GSA") {
        std::string all;
        for (GnssSystem system : SkyModel::systems()) {
            std::string body = fixed ? "GNGSA,A,3" : "GNGSA,A,1";
            int slots = 12;
            for (const SkySatellite& satellite : sky)
                if (satellite.system == system && satellite.used && slots > 0) {
                    body += format(",%02d", satellite.number);
                    --slots;
                }
            body += std::string(static_cast<std::size_t>(slots), ',');
            all += withChecksum(body + format(",%.1f,%.1f,%.1f,%d", hdop * 1.7, hdop, hdop * 1.4,
                                              SkyModel::codeOf(system).systemId));
        }
        return all;
    }
    if (name == "GLL")
        return withChecksum("GNGLL," + position + "," + time + "," + status + "," + mode);
    if (name == "RMC")
        return withChecksum(format("GNRMC,%s,%s,%s,0.02,%.1f,%s,,,%c", time.c_str(), status.c_str(),
                                   position.c_str(), heading, date.c_str(), mode));
    if (name == "VTG")
        return withChecksum(format("GNVTG,%.1f,T,,M,0.02,N,0.04,K,%c", heading, mode));
    if (name == "GRS")
        return withChecksum("GNGRS," + time +
                            ",0,0.1,-0.2,0.1,0.0,-0.1,0.2,0.1,-0.1,0.0,0.1,0.0,-0.2");
    if (name == "HDT")
        return withChecksum(format("%sHDT,%.3f,T", hdtTalker.c_str(), heading));
    return {};
}
