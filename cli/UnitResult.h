#pragma once

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
    // Ordered from good to worst; a unit with several problems reports the worst it can prove.
    enum class Outcome
    {
        Ok,
        Rejected,
        Unanswered,
        Mismatch,
        NoDevice,
        OpenFailed,
        Lost,
        Interrupted
    };
    struct Mismatch
    {
        QString key;
        QString want;
        std::optional<QString> got; // none: the read-back went unanswered or was refused
    };

    QString command; // query, set, apply, reset
    QString port;
    unsigned baud = 0; // the speed it answered at; 0 when it never did
    bool baudSearched = false;
    QString serial;
    Outcome outcome = Outcome::Ok;
    QStringList sent; // every sentence written, without its CR LF, in order
    QStringList rejected;
    QStringList unanswered;
    QList<Mismatch> mismatches;
    QStringList ackOnly; // set and acknowledged, but the command set has no read-back for it
    bool verified = false;
    std::map<QString, QString> rates; // query: sentence name -> output rate
    QString error;
    double seconds = 0;
    QDateTime started;

    static QString outcomeName(Outcome outcome);
    static const QList<Outcome>& allOutcomes();
    QJsonObject toJson() const;
};
