#pragma once

#include <optional>
#include <string>

// The kinds of position a receiver reports, numbered as GGA's quality digit.
enum class FixQuality
{
    NoFix = 0,
    Single = 1,
    Dgnss = 2,
    Pps = 3,
    RtkFixed = 4,
    RtkFloat = 5,
    DeadReckoning = 6,
    Manual = 7,
    Simulation = 8
};

// "no-fix", "single", "dgnss", "pps", "rtk-fixed", "rtk-float", "dead-reckoning", "manual",
// "simulation"; nothing for any other name.
std::optional<FixQuality> fixQualityNamed(const std::string& name);
// The names above, separated by "|", for messages.
std::string fixQualityNames();
// The mode letter of RMC, GLL and VTG (N, A, D, P, R, F, E, M, S).
char fixModeLetter(FixQuality quality);
// Whether GGA carries an age of corrections and a station for this kind of fix.
bool usesCorrections(FixQuality quality);
