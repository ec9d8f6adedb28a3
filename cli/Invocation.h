#pragma once

#include <QString>
#include <QStringList>

#include <map>

// One run of zr415ctl as the command line asked for it, already checked.
struct Invocation
{
    enum class Command
    {
        Help,
        Version,
        Ports,
        Query,
        Set,
        Apply,
        Reset,
        Monitor,
        Audit
    };

    Command command = Command::Help;
    QString name; // the command's word: ports, query, …
    QStringList ports;
    QStringList assignments; // set: NAME=VALUE…
    QString profilePath;     // apply
    unsigned baud = 0;       // 0: search (auto)
    bool json = false;
    bool verify = true;
    bool confirmed = false;      // reset: --yes
    QString auditPath;           // empty: the default file
    int parallel = 0;            // 0: every unit at once
    double seconds = 0;          // monitor: 0 until Ctrl-C
    bool rates = false;          // monitor: measure and print the table instead of the lines
    bool status = false;         // monitor: print the receiver's status once a second instead
    QString recordPath;          // monitor: also record the line here
    double observe = 0;          // apply: seconds to listen after the read-back; 0 not at all
    QStringList expectedSerials; // set, apply, reset: only these units are changed; empty: any
    std::map<QString, QString> boundSerials; // port as in ports -> the only serial number taken
    bool audit = true;                       // false: --no-audit, or a run that changes nothing
    bool check = false;                      // apply: tell what would change, change nothing
    QString savedProfilePath;                // query: write the unit's state here as a profile
    bool force = false;                      // query, monitor: the file may replace one
    QString helpText;                        // Help: what to print
    QString auditRun;                        // audit: the run to tell; empty for the one begun last
    bool failedOnly = false;                 // audit: units not ok, unfinished ones too
    bool unfinishedOnly = false;             // audit: units started and never finished
    bool portsOnly = false;                  // audit: their ports alone, one a line
};
