#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

// The provisioning record: one JSON line per unit, appended at once and never rewritten, so a
// crash of the program loses no finished unit's record. Forcing it to disk waits for the disk,
// so that runs beside the units (one sync for all records written meanwhile), and flush() waits
// for it before the run ends. A record that cannot be written whole is taken back, so the file
// stays one JSON object per line even on a full disk.
class AuditLog
{
public:
    AuditLog();
    ~AuditLog();
    AuditLog(const AuditLog&) = delete;
    AuditLog& operator=(const AuditLog&) = delete;

    // Opens path for appending, creating it (and its folder) when missing.
    bool open(const QString& path, QString& error);
    // Opens provision.jsonl in the first of defaultFolders() where that works; each folder
    // passed over adds a line to warnings.
    bool openDefault(QString& error, QStringList& warnings);
    // Adds run, user, host and version to record and appends it as one line.
    bool append(QJsonObject record, QString& error);
    // Waits until every record appended is on disk; false, with the reason, when one may not be.
    bool flush(QString& error);
    const QString& path() const { return filePath; }

    // The log folder beside the program when it is or can be made writable, then the state
    // folder $XDG_STATE_HOME/zr415 (~/.local/state/zr415).
    static QStringList defaultFolders();
    // The folder for the record: logFolder when it is or can be made writable, else the
    // state folder of the user; empty when neither is possible.
    static QString chooseFolder(const QString& logFolder);

private:
    // Forces what was written to the disk: empty, or why it could not.
    QString syncToDisk() const;
    void syncInBackground();
    void startSyncer();

    int fd = -1;
    QString filePath;
    QJsonObject stamp; // the same on every record of this run
    std::mutex syncMutex;
    std::condition_variable syncChanged;
    std::thread syncer;
    unsigned long appended = 0; // records written
    unsigned long synced = 0;   // of those, the ones a sync has covered
    bool closing = false;
    QString syncError;
};
