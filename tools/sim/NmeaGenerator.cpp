#include "NmeaGenerator.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {
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
    degrees = std::fabs(degrees);
    const int whole = static_cast<int>(degrees);
    const double minutes = (degrees - whole) * 60.0;
    return isLatitude ? format("%02d%08.5f,%c", whole, minutes, hemisphere)
                      : format("%03d%08.5f,%c", whole, minutes, hemisphere);
}
} // namespace

std::string NmeaGenerator::withChecksum(const std::string& body)
{
    unsigned char sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    return "$" + body + format("*%02X\r\n", sum);
}

void NmeaGenerator::wander()
{
    ++step;
    latitude += 1e-7 * std::sin(step * 0.37);
    longitude += 1e-7 * std::cos(step * 0.23);
    heading = std::fmod(heading + 0.01 * std::sin(step * 0.11) + 360.0, 360.0);
}

std::string NmeaGenerator::gsvGroup(int part, int parts)
{
    std::string body = format("GPGSV,%d,%d,12", parts, part);
    for (int i = 0; i < 4; ++i) {
        const int prn = (part - 1) * 4 + i + 1;
        body += format(",%02d,%02d,%03d,%02d", prn * 2, 15 + (prn * 7) % 70, (prn * 29) % 360,
                       30 + (prn * 3 + static_cast<int>(step)) % 20);
    }
    return withChecksum(body);
}

std::string NmeaGenerator::sentence(const std::string& name, const std::string& hdtTalker,
                                    double utcSeconds)
{
    wander();
    const std::time_t whole = static_cast<std::time_t>(utcSeconds);
    std::tm utc{};
    gmtime_r(&whole, &utc);
    const double fraction = utcSeconds - static_cast<double>(whole);
    const std::string time =
        format("%02d%02d%05.2f", utc.tm_hour, utc.tm_min, utc.tm_sec + fraction);
    const std::string date =
        format("%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, (utc.tm_year + 1900) % 100);
    const std::string position = angle(latitude, true) + "," + angle(longitude, false);

    if (name == "GGA")
        return withChecksum("GNGGA," + time + "," + position +
                            ",4,12,0.8,12.345,M,8.765,M,1.0,0000");
    if (name == "ZDA")
        return withChecksum(format("GNZDA,%s,%02d,%02d,%04d,00,00", time.c_str(), utc.tm_mday,
                                   utc.tm_mon + 1, utc.tm_year + 1900));
    if (name == "GST")
        return withChecksum("GNGST," + time + ",0.8,0.012,0.010,45.0,0.011,0.011,0.020");
    if (name == "GSV") {
        std::string all;
        for (int part = 1; part <= 3; ++part)
            all += gsvGroup(part, 3);
        return all;
    }
    if (name == "GSA")
        return withChecksum("GNGSA,A,3,02,04,06,08,10,12,14,16,18,20,22,24,1.2,0.8,0.9");
    if (name == "GLL")
        return withChecksum("GNGLL," + position + "," + time + ",A,D");
    if (name == "RMC")
        return withChecksum("GNRMC," + time + ",A," + position + ",0.02,87.5," + date + ",,,D");
    if (name == "VTG")
        return withChecksum("GNVTG,87.5,T,,M,0.02,N,0.04,K,D");
    if (name == "GRS")
        return withChecksum("GNGRS," + time +
                            ",0,0.1,-0.2,0.1,0.0,-0.1,0.2,0.1,-0.1,0.0,0.1,0.0,-0.2");
    if (name == "HDT")
        return withChecksum(format("%sHDT,%.3f,T", hdtTalker.c_str(), heading));
    return {};
}
