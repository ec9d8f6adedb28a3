#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <cstdio>

// Prints every line a unit sends, with the UTC time it arrived, until stopped.
class LineMonitor : public QObject
{
    Q_OBJECT

public:
    LineMonitor(std::FILE* out, QObject* parent = nullptr);

    // False, with error, when the port cannot be opened at baud.
    bool start(const QString& portName, unsigned baud, double seconds, QString& error);
    void stop();
    // Why the line ended by itself (lost); empty when it was stopped.
    const QString& failure() const { return lostReason; }

signals:
    void finished();

private:
    void received();
    void print(QByteArray line);
    void end();
    void failed(QSerialPort::SerialPortError error);

    std::FILE* out;
    QSerialPort port;
    QTimer deadline;
    QByteArray partial;
    QString lostReason;
    bool opening = false;
};
