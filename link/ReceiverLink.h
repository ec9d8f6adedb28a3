#pragma once

#include "LinkError.h"
#include "ReplyReader.h"
#include "StreamExtractor.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <vector>

// The serial line to one receiver: opened 8N1 at a rate, every failure as one LinkError with
// the system's text, the traffic in both directions, and the "@" answers in what arrives.
// Knows no window and no command line; both fronts sit on top of it.
class ReceiverLink : public QObject
{
    Q_OBJECT

public:
    explicit ReceiverLink(QObject* parent = nullptr);

    // A rate the port refuses is an open failure; the port is closed again then.
    bool open(const QString& portName, qint32 baud);
    bool setBaud(qint32 baud);
    void close();
    bool isOpen() const { return port.isOpen(); }
    const QString& portName() const { return name; }
    // False, with the reason, when the line is not open or took fewer bytes.
    bool write(const QByteArray& bytes);
    // Drops what arrived but was not read, and any answer cut off in it.
    void clearInput();
    // Reads what the driver already holds, without waiting: the last words before a close.
    void readPending();
    // When on, received bytes are cut into "@" answers, reported by answersReceived.
    void setMatchAnswers(bool on) { matchAnswers = on; }
    // When on, an answer whose "*hh" does not match is not believed: it is dropped and counted,
    // and the answers kept carry their value whole, as received. Off, the window's way: values
    // are cut at "*" whatever follows it.
    void setVerifyChecksums(bool on) { verifyChecksums = on; }
    // Answers dropped for their checksum since the line was opened.
    int wrongChecksums() const { return wrongChecksumCount; }

    LinkError errorKind() const { return errorKindValue; }
    const QString& errorText() const { return errorTextValue; }

    // What the system really refused when a port could not be opened: QSerialPort reports a
    // port in use, a lock held elsewhere and too many open files all as a permission error.
    static LinkError openFailureOf(const QString& portName, QSerialPort::SerialPortError error);

signals:
    void commandWritten(const QByteArray& bytes);
    void bytesReceived(const QByteArray& bytes);
    void answersReceived(const std::vector<ReplyAcknowledgement>& answers);
    // Once, when the open line breaks; it is closed by then.
    void lost(LinkError kind, const QString& text);
    // Bytes write() accepted could not be sent after all; the line stays open.
    void writeFailed(const QString& text);

private:
    void received();
    void handleError(QSerialPort::SerialPortError error);
    void fail(LinkError kind, const QString& text);

    QSerialPort port{this};
    QString name;
    StreamExtractor extractor{'@', ',', '\r'};
    bool matchAnswers = false;
    bool verifyChecksums = false;
    int wrongChecksumCount = 0;
    // Errors raised while opening or setting the line belong to that call, not to a lost line.
    bool configuring = false;
    LinkError errorKindValue = LinkError::None;
    QString errorTextValue;
};
