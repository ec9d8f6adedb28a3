#pragma once

#include <QString>

class ReportBuilder;

// Reads a recording for the report: FILE as the receiver sent it and, beside it, FILE.jsonl
// telling when each piece arrived. Without the index (another tool's capture) the bytes go in
// untimed, and the receiver's time tags tell the time.
class RecordingFeed
{
public:
    struct Header
    {
        bool indexed = false; // FILE.jsonl was there
        QString port;
        QString serial;
        QString started;
        qint64 baud = 0;
    };

    // Feeds every byte of path to builder; false, with error, when the file cannot be read or
    // its index is not one.
    static bool read(const QString& path, ReportBuilder& builder, Header& header, QString& error);
};
