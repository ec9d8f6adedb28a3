#include "FixQuality.h"

#include <array>

namespace {
struct FixKind
{
    const char* name;
    char modeLetter;
};

// In the order of GGA's quality digit.
constexpr std::array<FixKind, 9> kinds = {{{"no-fix", 'N'},
                                           {"single", 'A'},
                                           {"dgnss", 'D'},
                                           {"pps", 'P'},
                                           {"rtk-fixed", 'R'},
                                           {"rtk-float", 'F'},
                                           {"dead-reckoning", 'E'},
                                           {"manual", 'M'},
                                           {"simulation", 'S'}}};
} // namespace

std::optional<FixQuality> fixQualityNamed(const std::string& name)
{
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (name == kinds[i].name)
            return static_cast<FixQuality>(i);
    return std::nullopt;
}

std::string fixQualityNames()
{
    std::string names;
    for (const FixKind& kind : kinds)
        names += (names.empty() ? "" : "|") + std::string(kind.name);
    return names;
}

char fixModeLetter(FixQuality quality)
{
    return kinds[static_cast<std::size_t>(quality)].modeLetter;
}

bool usesCorrections(FixQuality quality)
{
    return quality == FixQuality::Dgnss || quality == FixQuality::RtkFixed ||
           quality == FixQuality::RtkFloat;
}
