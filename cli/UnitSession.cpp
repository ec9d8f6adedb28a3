#include "UnitSession.h"

#include "CommandSentences.h"
#include "NmeaList.h"
#include "ReplyReader.h"

#include <QDateTime>

#include <algorithm>

namespace {
const std::string outputKeyPrefix = "GNSS.NMEA.";
// A receiver slower than the short search wait is most likely at one of the first speeds.
constexpr std::size_t secondPassSpeeds = 3;

QString textOf(const std::string& sentence)
{
    return QString::fromStdString(sentence.substr(0, sentence.find_first_of("\r\n")));
}
} // namespace

UnitSession::UnitSession(UnitJob chosen, QObject* parent) : QObject(parent), job(std::move(chosen))
{
    outcome.command = job.command;
    outcome.port = job.port;
    outcome.baudSearched = job.searchBaud && job.bauds.size() > 1;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &UnitSession::timedOut);
    connect(&port, &QSerialPort::readyRead, this, &UnitSession::received);
    connect(&port, &QSerialPort::errorOccurred, this, &UnitSession::failed);

    for (const std::string& sentence : job.sets) {
        const CommandSentences::Command command = CommandSentences::commandOf(sentence);
        exchanges.push_back({sentence, command.verb, command.key, {}, Exchange::Set});
    }
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        const bool read = job.readRates || (job.verify && job.wanted.count(name));
        if (read)
            exchanges.push_back({CommandSentences::getOutput(name), "GET", outputKeyPrefix + name,
                                 name, job.readRates ? Exchange::Query : Exchange::ReadBack});
    }
}

void UnitSession::start()
{
    if (phase != Phase::Idle)
        return;
    clock.start();
    outcome.started = QDateTime::currentDateTimeUtc();
    if (job.bauds.empty()) {
        finish(UnitResult::Outcome::OpenFailed, QStringLiteral("no baud rate to try"));
        return;
    }
    port.setPortName(job.port);
    configuring = true;
    const bool opened = port.open(QIODevice::ReadWrite);
    configuring = false;
    if (!opened) {
        finish(UnitResult::Outcome::OpenFailed, port.errorString());
        return;
    }
    // 8N1 without flow control; the speed is set for each try.
    configuring = true;
    const bool configured =
        port.setDataBits(QSerialPort::Data8) && port.setParity(QSerialPort::NoParity) &&
        port.setStopBits(QSerialPort::OneStop) && port.setFlowControl(QSerialPort::NoFlowControl);
    configuring = false;
    if (!configured) {
        finish(UnitResult::Outcome::OpenFailed,
               QStringLiteral("the port refused 8N1: %1").arg(port.errorString()));
        return;
    }
    phase = Phase::Probing;
    speedIndex = 0;
    probe();
}

void UnitSession::probe()
{
    const unsigned baud = job.bauds[speedIndex];
    // A speed the port refuses is that try's failure, not a lost line.
    configuring = true;
    const bool set = port.setBaudRate(static_cast<qint32>(baud));
    configuring = false;
    if (!set) {
        if (job.searchBaud && advanceSpeed()) {
            probe();
            return;
        }
        finish(UnitResult::Outcome::OpenFailed,
               QStringLiteral("the port refused %1 baud: %2").arg(baud).arg(port.errorString()));
        return;
    }
    // What arrived at the last speed is noise at this one.
    clearInput();
    confirming = false;
    attempts = 1;
    if (!write(CommandSentences::getSerialNumber()))
        return;
    timer.start(job.searchBaud && pass == 1 ? job.probeMs : job.ackMs);
}

void UnitSession::clearInput()
{
    port.clear(QSerialPort::Input);
    port.readAll();
    extractor.reset();
}

bool UnitSession::advanceSpeed()
{
    const std::size_t end =
        pass == 1 ? job.bauds.size() : std::min(job.bauds.size(), secondPassSpeeds);
    if (speedIndex + 1 < end) {
        ++speedIndex;
        return true;
    }
    if (pass == 1) {
        pass = 2;
        speedIndex = 0;
        return true;
    }
    return false;
}

void UnitSession::tryNextSpeed()
{
    if (!job.searchBaud && attempts < 2) {
        ++attempts;
        if (write(CommandSentences::getSerialNumber()))
            timer.start(job.ackMs);
        return;
    }
    if (job.searchBaud && advanceSpeed()) {
        probe();
        return;
    }
    finish(UnitResult::Outcome::NoDevice,
           job.searchBaud ? QStringLiteral("no answer to the serial-number query at any speed")
                          : QStringLiteral("no answer to the serial-number query at %1 baud")
                                .arg(job.bauds.front()));
}

void UnitSession::sendExchange()
{
    if (current >= exchanges.size()) {
        finishWithAnswers();
        return;
    }
    attempts = 1;
    if (write(exchanges[current].sentence))
        timer.start(job.ackMs);
}

void UnitSession::advance()
{
    timer.stop();
    ++current;
    sendExchange();
}

void UnitSession::answered(bool ok, const std::string& value)
{
    const Exchange& exchange = exchanges[current];
    const QString key = QString::fromStdString(exchange.key);
    switch (exchange.kind) {
    case Exchange::Set:
        if (!ok)
            outcome.rejected << key;
        else if (exchange.key.compare(0, outputKeyPrefix.size(), outputKeyPrefix) != 0)
            outcome.ackOnly << key;
        break;
    case Exchange::ReadBack: {
        // Refusing to tell is not a different value.
        if (!ok)
            outcome.rejected << key;
        else if (value != job.wanted.at(exchange.name))
            outcome.mismatches << UnitResult::Mismatch{
                key, QString::fromStdString(job.wanted.at(exchange.name)),
                QString::fromStdString(value)};
        break;
    }
    case Exchange::Query:
        if (ok)
            outcome.rates[QString::fromStdString(exchange.name)] = QString::fromStdString(value);
        else
            outcome.rejected << key;
        break;
    }
    advance();
}

void UnitSession::unanswered()
{
    // A read-back without answer proves nothing either way: silence, not a difference.
    outcome.unanswered << QString::fromStdString(exchanges[current].key);
    advance();
}

void UnitSession::timedOut()
{
    if (phase == Phase::Probing) {
        tryNextSpeed();
        return;
    }
    if (phase != Phase::Exchanging)
        return;
    if (attempts < 2) {
        ++attempts;
        if (write(exchanges[current].sentence))
            timer.start(job.ackMs);
        return;
    }
    unanswered();
}

void UnitSession::received()
{
    const QByteArray bytes = port.readAll();
    if (phase == Phase::Done)
        return;
    extractor.feed(bytes.constData(), static_cast<int>(bytes.size()));
    std::vector<ReplyAcknowledgement> acks;
    const std::vector<ReplyValue> values = ReplyReader::drain(extractor, &acks);
    if (phase == Phase::Probing)
        handleIdentity(values);
    else if (phase == Phase::Exchanging)
        handleAnswers(values, acks);
}

void UnitSession::handleIdentity(const std::vector<ReplyValue>& values)
{
    for (const ReplyValue& value : values) {
        if (!value.serialNumber)
            continue;
        timer.stop();
        // A slow receiver's answer to the query at an earlier speed can land while a later one
        // is set; on a real line it would be noise, on a pseudo-terminal it reads clean. Only an
        // answer to a query asked, and answered, at this speed alone counts.
        const bool earlierQueryPending = pass > 1 || speedIndex > 0;
        if (job.searchBaud && earlierQueryPending && !confirming) {
            clearInput();
            confirming = true;
            if (write(CommandSentences::getSerialNumber()))
                timer.start(job.ackMs);
            return;
        }
        outcome.serial = QString::fromStdString(value.value);
        outcome.baud = job.bauds[speedIndex];
        phase = Phase::Exchanging;
        current = 0;
        sendExchange();
        return;
    }
}

void UnitSession::handleAnswers(const std::vector<ReplyValue>& values,
                                const std::vector<ReplyAcknowledgement>& acks)
{
    if (current >= exchanges.size())
        return;
    const Exchange& exchange = exchanges[current];
    for (const ReplyAcknowledgement& ack : acks) {
        if (ack.verb != exchange.verb || ack.key != exchange.key)
            continue;
        std::string value;
        for (const ReplyValue& reply : values)
            if (!reply.serialNumber && reply.sentence == exchange.name)
                value = reply.value;
        answered(ack.ok, value);
        return;
    }
}

void UnitSession::failed(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || configuring ||
        phase == Phase::Done || !port.isOpen())
        return;
    // The device went away (unplugged, the line hung up): QSerialPort repeats this as long as
    // the port stays open, so the unit ends here, once.
    finish(UnitResult::Outcome::Lost,
           QStringLiteral("the line went away: %1").arg(port.errorString()));
}

bool UnitSession::write(const std::string& sentence)
{
    outcome.sent << textOf(sentence);
    const qint64 size = static_cast<qint64>(sentence.size());
    if (port.write(sentence.data(), size) != size) {
        if (phase != Phase::Done)
            finish(UnitResult::Outcome::Lost,
                   QStringLiteral("cannot write to the line: %1").arg(port.errorString()));
        return false;
    }
    return true;
}

void UnitSession::finishWithAnswers()
{
    outcome.verified = job.verify && !job.readRates;
    if (!outcome.rejected.isEmpty())
        finish(UnitResult::Outcome::Rejected);
    else if (!outcome.unanswered.isEmpty())
        finish(UnitResult::Outcome::Unanswered);
    else if (!outcome.mismatches.isEmpty())
        finish(UnitResult::Outcome::Mismatch);
    else
        finish(UnitResult::Outcome::Ok);
}

void UnitSession::interrupt()
{
    if (phase != Phase::Done)
        finish(UnitResult::Outcome::Interrupted, QStringLiteral("stopped by Ctrl-C"));
}

void UnitSession::finish(UnitResult::Outcome result, const QString& error)
{
    if (phase == Phase::Done)
        return;
    phase = Phase::Done;
    timer.stop();
    if (port.isOpen())
        port.close();
    outcome.outcome = result;
    outcome.error = error;
    outcome.seconds = clock.isValid() ? clock.nsecsElapsed() / 1e9 : 0;
    if (!outcome.started.isValid())
        outcome.started = QDateTime::currentDateTimeUtc();
    emit finished(this);
}
