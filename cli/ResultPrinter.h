#pragma once

#include "UnitResult.h"

#include <QList>
#include <QString>

#include <cstdio>
#include <optional>

// Tells the operator how each unit ended: one line per unit as it finishes, in English or as
// JSON, then a summary; a live count on a terminal.
class ResultPrinter
{
public:
    ResultPrinter(bool json, std::FILE* out, std::FILE* status);

    // recorded: whether the unit's finished record was written, for runs that record.
    void unit(const UnitResult& result, std::optional<bool> recorded = std::nullopt);
    void progress(int done, int total);
    // The summary line (not in JSON mode), with how many records could not be written to
    // auditPath; clears the live count.
    // auditDeclined: the run was told not to write an audit record, which the summary says.
    void finish(int unrecorded = 0, const QString& auditPath = {}, bool auditDeclined = false);
    // JSON only: the object that ends the unit lines, with the run's totals.
    void summary(const QString& run, const QString& command, int recorded);
    // The first error writing the results (an errno), 0 when none.
    int outputError() const { return writeError; }

    static QString humanLine(const UnitResult& result);
    // "30 ok, 1 rejected, 1 no-device", in the order of the outcomes.
    static QString summaryLine(const QList<UnitResult::Outcome>& outcomes);

private:
    void clearStatus();
    void written(bool ok);

    bool json;
    std::FILE* out;
    std::FILE* status;
    bool live;
    bool statusShown = false;
    QList<UnitResult::Outcome> seen;
    int changed = 0;
    int wouldChange = 0; // apply --check: units the profile would change
    int writeError = 0;
};
