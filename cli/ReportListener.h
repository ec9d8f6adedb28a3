#pragma once

#include "ReceiverLink.h"
#include "ReportBuilder.h"
#include "UnitJob.h"
#include "UnitReport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class UnitSession;

// One live unit for the report: its serial number and rates read first, as query reads them
// (nothing is set), then its output listened to for the seconds asked, at the speed it
// answered at.
class ReportListener : public QObject
{
    Q_OBJECT

public:
    ReportListener(UnitJob job, double seconds, QObject* parent = nullptr);
    ~ReportListener() override;

    void start();
    // Ends the listening now; the report covers what arrived.
    void stop(int signalNumber);
    // Ends a unit never started: its report says it was not made.
    void cancel(const QString& reason);
    const UnitReport& report() const { return made; }

signals:
    void finished(ReportListener* listener);

private:
    void identified();
    void end(const QString& error = {});

    UnitJob job;
    double seconds;
    UnitSession* session = nullptr;
    ReceiverLink line;
    ReportBuilder builder;
    QElapsedTimer clock;
    QTimer deadline;
    UnitReport made;
    QString serial;
    std::vector<std::pair<QString, QString>> settings;
    std::map<QString, QString> rates;
    bool done = false;
};
