#pragma once

#include "UnitReport.h"

#include <QString>
#include <QStringList>

#include <vector>

// Report pages as HTML: one unit's, and an index of many. Each page holds everything it shows
// (styles and inline SVG drawings): no script, nothing fetched, and it reads as well on paper.
class ReportPage
{
public:
    static QString unit(const UnitReport& report);
    // pages: the file name of each unit's page, beside the index.
    static QString index(const std::vector<UnitReport>& reports, const QStringList& pages);
    // A file name for a unit's page: its serial number, else its port or file, made safe.
    static QString fileName(const UnitReport& report);
};
