#include "ReportThresholds.h"

namespace {
void add(UnitReport& report, const char* name, const std::optional<double>& limit,
         const std::optional<double>& value, bool atLeast)
{
    if (!limit)
        return;
    UnitReport::Check check{QLatin1String(name), *limit, value, false};
    check.passed = value && (atLeast ? *value >= *limit : *value <= *limit);
    report.passed = report.passed && check.passed;
    report.checks.push_back(check);
}
} // namespace

void ReportThresholds::check(UnitReport& report) const
{
    report.checks.clear();
    report.passed = report.error.isEmpty();
    add(report, "min-fixed", minFixedPercent, report.fixedPercent(), true);
    add(report, "max-cep95", maxCep95M,
        report.position ? std::optional<double>(report.position->cep95M) : std::nullopt, false);
    add(report, "max-heading-sigma", maxHeadingSigmaDeg,
        report.heading ? std::optional<double>(report.heading->sigmaDeg) : std::nullopt, false);
    add(report, "max-first-fix", maxFirstFixS, report.firstFixS, false);
}
