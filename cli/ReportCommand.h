#pragma once

#include "ReportThresholds.h"
#include "UnitReport.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <vector>

// zr415ctl report: reads its options, has each unit's report made (live units listened to,
// recordings read), prints them and writes the pages. Exit status 0 when every report was made
// and passed, 1 when one failed or could not be made, 2 for a usage error, 128 + N stopped by
// signal N (the reports of what was heard are printed first).
class ReportCommand
{
public:
    ReportCommand(std::FILE* out, std::FILE* err);

    // arguments as main gets them, program name first, "report" second.
    int run(const QStringList& arguments);
    static QString usage();

    struct Options
    {
        QStringList ports;
        QStringList files;
        double seconds = 300;
        int parallel = 0; // 0: every unit at once
        bool json = false;
        QString html;
        ReportThresholds thresholds;
    };
    // nullopt with error for arguments that cannot be used.
    static std::optional<Options> parse(const QStringList& arguments, QString& error);

private:
    std::vector<UnitReport> live(const Options& options);
    void print(const UnitReport& report, bool json);
    bool writePages(const Options& options, const std::vector<UnitReport>& reports);

    std::FILE* out;
    std::FILE* err;
    int signalled = 0; // the signal that stopped the live units early
};
