#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// One unit's commissioning figures, from a recording or a live line, and what its page draws.
// Made by ReportBuilder; the thresholds are checked by ReportThresholds.
struct UnitReport
{
    // GGA's quality, in its order: the JSON names of fixNames.
    static constexpr int fixKinds = 9;
    static constexpr int rtkFixed = 4;
    static const std::array<const char*, fixKinds> fixNames;

    struct Position
    {
        quint64 epochs = 0; // those with a fix and a position
        double latitude = 0;
        double longitude = 0;
        double heightM = 0; // above mean sea level
        double sigmaNorthM = 0;
        double sigmaEastM = 0;
        double sigmaUpM = 0;
        double cep50M = 0;
        double cep95M = 0;
    };
    struct Heading
    {
        quint64 epochs = 0;
        double meanDeg = 0;
        double sigmaDeg = 0;
    };
    struct System
    {
        QString name; // "GPS", "BeiDou", …
        double usedMean = 0;
        double inViewMean = 0;
        std::optional<double> snrMeanDbHz;
    };
    struct Rate
    {
        QByteArray kind;
        quint64 arrivals = 0;
        std::optional<double> measuredS; // mean period; none with fewer than two arrivals
        std::optional<double> setS;      // what a live unit said it was set to
    };
    struct Check
    {
        QString name; // the option's name: "min-fixed", …
        double limit = 0;
        std::optional<double> value; // none: nothing to measure, which fails
        bool passed = false;
    };
    // What the page draws, kept small whatever the length of the recording.
    struct Track
    {
        QString system;
        int number = 0;
        std::vector<std::pair<short, short>> points; // azimuth, elevation in degrees
    };
    struct Drawings
    {
        double spanS = 0;             // of the columns below
        std::vector<signed char> fix; // the kind most epochs of a column had; -1 no epoch
        std::vector<float> heading;   // mean of a column; NaN none
        std::vector<std::pair<float, float>> scatter; // east, north from the mean, metres
        std::vector<Track> tracks;
    };

    QString serial;
    QString port;
    QString file;
    QString error; // the report could not be made; nothing else holds
    std::vector<std::pair<QString, QString>> settings; // read back from a live unit
    double seconds = 0;
    quint64 epochs = 0;
    std::array<quint64, fixKinds> fix{};
    std::optional<double> firstFixS;
    std::optional<double> firstRtkFixedS;
    std::optional<double> longestOutageS;
    std::optional<Position> position;
    std::optional<Heading> heading;
    std::optional<double> usedMean;
    std::optional<double> inViewMean;
    std::vector<System> systems;
    std::vector<Rate> rates;
    quint64 checksumErrors = 0;
    std::vector<Check> checks;
    bool passed = true;
    Drawings drawings;

    // Share of epochs RTK fixed, in percent; none without epochs.
    std::optional<double> fixedPercent() const;
    QJsonObject toJson() const;
};
