#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
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
    // Opens the shared file, provision.jsonl in the log folder beside the program; when that
    // folder cannot be written, the one in the state folder, with warning saying why (set on
    // every such run). Anything but a plain file of its own at the shared path is refused, never
    // passed over: error names it.
    bool openDefault(QString& error, QString& warning);
    // Adds schema, run, user, host and version to record and appends it as one line. A record
    // nothing waits for (syncSoon false) is synced with the next one, or by flush().
    bool append(QJsonObject record, QString& error, bool syncSoon = true);
    // The record as append writes it: what goes elsewhere when it cannot be written.
    QJsonObject stamped(QJsonObject record) const;
    // Waits until every record appended is on disk; false, with the reason, when one may not be.
    bool flush(QString& error);
    // How many records were appended: a record's number is this count just after its append.
    unsigned long appendedCount() const;
    // Whether record number n is on disk: 1 yes, 0 not yet, -1 a sync failed (error says why).
    int syncState(unsigned long n, QString& error) const;
    // Called on the syncing thread after each sync, so it must only post; none after it is
    // replaced.
    void setSyncListener(std::function<void()> listener);
    const QString& path() const { return filePath; }
    QString runId() const;

    // provision.jsonl in the log folder beside the program; empty when that cannot be told.
    static QString sharedPath();
    // The file the default of openDefault() is: the shared one unless only the state folder's
    // exists. For reading: creates nothing.
    static QString defaultPath();
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
    std::function<void()> onSynced;
    mutable std::mutex syncMutex;
    std::condition_variable syncChanged;
    std::thread syncer;
    unsigned long appended = 0;  // records written
    unsigned long requested = 0; // the ones a sync was asked for
    unsigned long synced = 0;    // of those, the ones a sync has covered
    unsigned long durable = 0;   // the ones a successful sync covered before any failed
    bool closing = false;
    QString syncError;
};
