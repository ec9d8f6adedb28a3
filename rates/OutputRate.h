#pragma once

#include <QString>

#include <optional>

// How a rate of the output list ("OFF", "0.02" … "60") is read: the time in seconds between two
// sentences of a kind. Should a receiver prove to read it otherwise, periodSeconds changes alone.
class OutputRate
{
public:
    // 0 for "OFF"; nothing for a text that is not a rate.
    static std::optional<double> periodSeconds(const QString& rate);
    // A period for a person, in both forms: "0.2 s · 5 Hz"; "OFF" for 0.
    static QString describe(double seconds);
};
