#pragma once

#include <QJsonObject>
#include <QString>

// The provisioning record: one JSON line per unit, appended and forced to disk before the next,
// never rewritten, so a crash loses no finished unit's record.
class AuditLog
{
public:
    AuditLog() = default;
    ~AuditLog();
    AuditLog(const AuditLog&) = delete;
    AuditLog& operator=(const AuditLog&) = delete;

    // Opens path for appending, creating it (and its folder) when missing.
    bool open(const QString& path, QString& error);
    bool append(const QJsonObject& record, QString& error);
    const QString& path() const { return filePath; }

    // provision.jsonl in the log folder beside the program when that can be written, else in
    // $XDG_STATE_HOME/zr415 (~/.local/state/zr415).
    static QString defaultPath();
    // The folder for the record: logFolder when it is or can be made writable, else the
    // state folder of the user; empty when neither is possible.
    static QString chooseFolder(const QString& logFolder);

private:
    int fd = -1;
    QString filePath;
};
