#pragma once

#include "LinkError.h"
#include "LinkOutcome.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// What became of one receiver: how it was reached, what it was sent, and what it answered.
struct UnitResult
{
    // In the order of LinkOutcome: a unit with several problems reports the worst.
    using Outcome = LinkOutcome;
    struct Mismatch
    {
        QString key;
        QString want;
        std::optional<QString> got; // none: the read-back went unanswered or was refused
        // Measured on the stream rather than read back; got is then the period measured.
        bool observed = false;
        // Observed: sentences of it with bad checksums, when no good one arrived.
        quint64 checksumErrors = 0;
    };
    // A command that got no answer, named with its verb: a key is both set and read back.
    struct Unanswered
    {
        QString verb; // SET, GET
        QString key;
    };
    // apply: a setting the profile changes; from is "unknown" when it cannot be read.
    struct Change
    {
        QString key;
        QString from;
        QString to;
    };

    QString command; // query, set, apply, reset
    QString port;
    unsigned baud = 0; // the speed it answered at; 0 when it never did
    bool baudSearched = false;
    QString serial;
    Outcome outcome = Outcome::Ok;
    QStringList sent;        // every sentence written, without its CR LF, in order
    QStringList applied;     // the SETs the unit acknowledged, as sent
    QStringList setsSent;    // every SET that went out, once each, answered or not
    QString inFlight;        // the SET sent and still unanswered when the unit ended
    QStringList ignoredKeys; // apply: profile keys nothing was sent for
    QStringList rejected;
    QList<Unanswered> unanswered;
    QList<Mismatch> mismatches;
    QStringList ackOnly; // set and acknowledged, but the command set has no read-back for it
    bool serialUnusable = false;      // no-device: what answered gave no usable serial number
    int badChecksums = 0;             // answers dropped because their checksum did not match
    bool verified = false;            // every rate set was read back equal
    std::map<QString, QString> rates; // query: sentence name -> output rate
    bool check = false;               // apply --check: nothing was sent, changes says what would be
    bool readBefore = false;          // apply: the rates were read before the SETs, see changes
    QList<Change> changes;
    bool changed = false;      // apply: a SET went out that changes the unit
    bool wouldChange = false;  // apply --check: applying would change the unit
    QStringList unlistedRates; // query --profile: NAME=rate read that a profile cannot hold
    QString error;
    QString reasonCode; // interrupted by the run for a cause outside the unit; see ReasonCode
    LinkError failure = LinkError::None; // why the line could not be opened or was lost
    double seconds = 0;
    QDateTime started;

    static QString outcomeName(Outcome outcome);
    static const QList<Outcome>& allOutcomes();
    QJsonObject toJson() const;
};
