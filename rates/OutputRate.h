#pragma once

#include <QString>

#include <optional>

// How a rate of the output list ("OFF", "0.02" … "60") is read: the time in seconds between two
// sentences of a kind. Should a receiver prove to read it otherwise, periodSeconds changes alone.
class OutputRate
{
public:
    // 0 for "OFF"; nothing for a text that is not a rate of the list.
    static std::optional<double> periodSeconds(const QString& rate);
    // A period measured on a millisecond clock, for a person: at most three decimals, never in
    // scientific notation; "<0.001 s" when faster than the clock can tell.
    static QString seconds(double seconds);
    // The same without its unit: "0.2", "<0.001".
    static QString number(double seconds);
    // The same with its frequency: "0.2 s · 5 Hz". Something arrives, so never "OFF".
    static QString describe(double seconds);
    // A rate of the list for a person: "OFF", or its period as describe gives it; empty for a
    // text that is not a rate of the list.
    static QString describeRate(const QString& rate);
};
