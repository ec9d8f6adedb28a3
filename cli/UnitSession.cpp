#include "UnitSession.h"

#include "CliTexts.h"
#include "CommandSentences.h"
#include "NmeaList.h"
#include "ObservedRates.h"
#include "PlannedChanges.h"
#include "SettingsKeys.h"
#include "ShownBytes.h"

#include <QDateTime>

#include <algorithm>

namespace {
const std::string outputKeyPrefix = "GNSS.NMEA.";
// A receiver slower than the short search wait is most likely at one of the first speeds.
constexpr std::size_t secondPassSpeeds = 3;
// Each command is asked again once when its answer does not come.
constexpr int commandTries = 2;

QString textOf(const std::string& sentence)
{
    return QString::fromStdString(sentence.substr(0, sentence.find_first_of("\r\n")));
}

QString deviceText(const std::string& value)
{
    return keptDeviceText(QByteArrayView(value.data(), static_cast<qsizetype>(value.size())));
}

// A serial number that names something: not empty, not blank, no NUL or other control byte.
bool namesAReceiver(const std::string& serial)
{
    bool blank = true;
    for (const char c : serial) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return false;
        blank = blank && byte == ' ';
    }
    return !blank;
}
} // namespace

UnitSession::UnitSession(UnitJob chosen, QObject* parent)
    : QObject(parent), job(std::move(chosen)),
      asking([this](const std::string& sentence) { return write(sentence); })
{
    outcome.command = job.command;
    outcome.port = job.port;
    outcome.ignoredKeys = job.ignoredKeys;
    outcome.baudSearched = job.searchBaud && job.bauds.size() > 1;
    line.setMatchAnswers(true);
    line.setVerifyChecksums(true);
    asking.setCollector([this] { line.readPending(); });
    connect(&line, &ReceiverLink::answersReceived, &asking, &OneAtATime::acknowledge);
    connect(&line, &ReceiverLink::lost, this, &UnitSession::lineLost);
    connect(&asking, &OneAtATime::answered, this, [this](bool ok, const std::string& value) {
        if (phase == Phase::Probing)
            identified(ok, value);
        else if (phase == Phase::Exchanging)
            answered(ok, value);
    });
    connect(&asking, &OneAtATime::unanswered, this, [this] {
        if (phase == Phase::Probing)
            tryNextSpeed();
        else if (phase == Phase::Exchanging)
            unanswered();
    });
    if (job.observeSeconds > 0) {
        connect(&line, &ReceiverLink::bytesReceived, this,
                [this](const QByteArray& bytes) { meter.addReceived(bytes); });
        observing.setSingleShot(true);
        observing.setTimerType(Qt::PreciseTimer);
        connect(&observing, &QTimer::timeout, this, &UnitSession::observed);
    }

    outcome.check = job.check;
    if (job.readBefore && !job.check)
        for (int i = 0; i < nmeaSentenceCount; ++i) {
            const std::string name = nmeaList[i].toStdString();
            if (job.wanted.count(name))
                exchanges.push_back({CommandSentences::getOutput(name), outputKeyPrefix + name,
                                     name, Exchange::ReadBefore});
        }
    readsBefore = exchanges.size();
    for (const std::string& sentence : job.check ? std::vector<std::string>{} : job.sets)
        exchanges.push_back(
            {sentence, CommandSentences::commandOf(sentence).key, {}, Exchange::Set});
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const std::string name = nmeaList[i].toStdString();
        const bool asked = job.readRates || job.check;
        if (asked || (job.verify && job.wanted.count(name)))
            exchanges.push_back({CommandSentences::getOutput(name), outputKeyPrefix + name, name,
                                 asked ? Exchange::Query : Exchange::ReadBack});
    }
}

void UnitSession::start()
{
    if (phase != Phase::Idle)
        return;
    clock.start();
    outcome.started = QDateTime::currentDateTimeUtc();
    if (job.bauds.empty()) {
        finish(UnitResult::Outcome::OpenFailed, CliTexts::noBaudToTry());
        return;
    }
    if (!openAtAnySpeed())
        return;
    phase = Phase::Probing;
    askIdentity(job.searchBaud ? job.probeMs : job.ackMs, job.searchBaud ? 1 : commandTries);
}

bool UnitSession::openAtAnySpeed()
{
    // While searching, a speed the port refuses is only that try's failure.
    while (!line.open(job.port, static_cast<qint32>(job.bauds[speedIndex]))) {
        if (line.errorKind() == LinkError::BaudUnsupported && job.searchBaud && advanceSpeed())
            continue;
        outcome.failure = line.errorKind();
        finish(UnitResult::Outcome::OpenFailed,
               CliTexts::linkReason(line.errorKind(), line.errorText()));
        return false;
    }
    return true;
}

void UnitSession::probe()
{
    while (!line.setBaud(static_cast<qint32>(job.bauds[speedIndex]))) {
        if (job.searchBaud && advanceSpeed())
            continue;
        outcome.failure = line.errorKind();
        finish(UnitResult::Outcome::OpenFailed,
               CliTexts::linkReason(line.errorKind(), line.errorText()));
        return;
    }
    // What arrived at the last speed is noise at this one.
    line.clearInput();
    confirming = false;
    askIdentity(job.searchBaud && pass == 1 ? job.probeMs : job.ackMs, 1);
}

void UnitSession::askIdentity(int waitMs, int tries)
{
    asking.ask(CommandSentences::getSerialNumber(), waitMs, tries);
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
    if (job.searchBaud && advanceSpeed()) {
        probe();
        return;
    }
    if (unusableSerial) {
        outcome.serialUnusable = true;
        finish(UnitResult::Outcome::NoDevice,
               CliTexts::unusableSerial(shownBytes(QByteArray::fromStdString(*unusableSerial))));
        return;
    }
    finish(UnitResult::Outcome::NoDevice, job.searchBaud
                                              ? CliTexts::noIdentityAtAnySpeed()
                                              : CliTexts::noIdentityAt(job.bauds.front()));
}

void UnitSession::identified(bool ok, const std::string& serial)
{
    if (!ok) {
        tryNextSpeed();
        return;
    }
    // An empty or blank serial number, or one with control bytes, tells nothing of who
    // answered: no receiver to set anything on.
    if (!namesAReceiver(serial)) {
        unusableSerial = serial;
        tryNextSpeed();
        return;
    }
    // A slow receiver's answer to the query at an earlier speed can land while a later one is
    // set; on a real line it would be noise, on a pseudo-terminal it reads clean. Only an answer
    // to a query asked, and answered, at this speed alone counts.
    const bool earlierQueryPending = pass > 1 || speedIndex > 0;
    if (job.searchBaud && earlierQueryPending && !confirming) {
        line.clearInput();
        confirming = true;
        askIdentity(job.ackMs, 1);
        return;
    }
    outcome.serial = deviceText(serial);
    outcome.baud = job.bauds[speedIndex];
    // A serial number bound to the port is the only one taken there; the list is for the rest.
    if (!job.boundSerial.isEmpty() && outcome.serial != job.boundSerial) {
        finish(UnitResult::Outcome::UnexpectedSerial, CliTexts::notBoundSerial(job.boundSerial));
        return;
    }
    if (job.boundSerial.isEmpty() && !job.expectedSerials.isEmpty() &&
        !job.expectedSerials.contains(outcome.serial)) {
        finish(UnitResult::Outcome::UnexpectedSerial, CliTexts::unexpectedSerial());
        return;
    }
    phase = Phase::Exchanging;
    current = 0;
    if (holding && !job.check && !job.sets.empty()) {
        held = true;
        emit readyToChange(this);
        if (phase != Phase::Exchanging)
            return;
    }
    // The rates read before the SETs change nothing: they are asked while the go-ahead is
    // awaited.
    sendExchange();
}

void UnitSession::proceed()
{
    if (!held || phase != Phase::Exchanging)
        return;
    held = false;
    if (waitingToSet) {
        waitingToSet = false;
        sendExchange();
    }
}

void UnitSession::refuse(const QString& reasonCode, const QString& reason)
{
    if (!held || phase != Phase::Exchanging)
        return;
    held = false;
    outcome.reasonCode = reasonCode;
    finish(UnitResult::Outcome::Interrupted, reason);
}

void UnitSession::sendExchange()
{
    if (held && current < exchanges.size() && exchanges[current].kind == Exchange::Set) {
        // Set first: the go-ahead may come inside the signal.
        waitingToSet = true;
        if (!askedToSet) {
            askedToSet = true;
            emit aboutToSet(this);
        }
        return;
    }
    if (current >= readsBefore)
        readBeforeDone = true;
    if (current >= exchanges.size()) {
        finishWithAnswers();
        return;
    }
    asking.ask(exchanges[current].sentence, job.ackMs, commandTries);
}

void UnitSession::advance()
{
    ++current;
    sendExchange();
}

void UnitSession::answered(bool ok, const std::string& value)
{
    const Exchange& exchange = exchanges[current];
    const QString key = QString::fromStdString(exchange.key);
    switch (exchange.kind) {
    case Exchange::ReadBefore:
        // Not read is "unknown" in the changes; the read-back afterwards is what proves.
        if (ok)
            outcome.rates[QString::fromStdString(exchange.name)] = deviceText(value);
        break;
    case Exchange::Set:
        if (ok)
            outcome.applied << textOf(exchange.sentence);
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
                key, QString::fromStdString(job.wanted.at(exchange.name)), deviceText(value)};
        else
            ++readBackEqual;
        break;
    }
    case Exchange::Query:
        if (ok)
            outcome.rates[QString::fromStdString(exchange.name)] = deviceText(value);
        else
            outcome.rejected << key;
        break;
    }
    advance();
}

void UnitSession::unanswered()
{
    // A read-back without answer proves nothing either way: silence, not a difference.
    const Exchange& exchange = exchanges[current];
    if (exchange.kind != Exchange::ReadBefore)
        outcome.unanswered << UnitResult::Unanswered{
            exchange.kind == Exchange::Set ? QStringLiteral("SET") : QStringLiteral("GET"),
            QString::fromStdString(exchange.key)};
    advance();
}

void UnitSession::lineLost(LinkError kind, const QString& text)
{
    outcome.failure = kind;
    finish(UnitResult::Outcome::Lost, CliTexts::lineLost(CliTexts::linkReason(kind, text)));
}

bool UnitSession::write(const std::string& sentence)
{
    outcome.sent << textOf(sentence);
    // Sent is enough: a SET the answer of which was lost may still have taken effect.
    if (phase == Phase::Exchanging && current < exchanges.size() &&
        exchanges[current].kind == Exchange::Set) {
        setSent = true;
        // A SET asked again is still one SET.
        if (lastSetWritten != current)
            outcome.setsSent << textOf(sentence);
        lastSetWritten = current;
    }
    if (line.write(QByteArray::fromStdString(sentence)))
        return true;
    if (phase != Phase::Done) {
        outcome.failure = line.errorKind();
        finish(UnitResult::Outcome::Lost, CliTexts::cannotWrite(line.errorText()));
    }
    return false;
}

void UnitSession::finishWithAnswers()
{
    if (observedFrom < 0) {
        // Only rates read back equal count: silence or a refusal verifies nothing. Known now,
        // so a stop while the stream is measured keeps it.
        const auto readBacks =
            std::count_if(exchanges.begin(), exchanges.end(),
                          [](const Exchange& e) { return e.kind == Exchange::ReadBack; });
        outcome.verified = job.verify && !job.readRates && !job.check && readBacks > 0 &&
                           readBackEqual == readBacks;
    }
    // What the unit says it does is known now; what it does is measured next.
    if (job.observeSeconds > 0 && observedFrom < 0) {
        observedFrom = meter.now();
        observing.start(static_cast<int>(job.observeSeconds * 1000));
        return;
    }
    if (job.check) {
        outcome.changes = PlannedChanges::of(job.sets, job.wanted, outcome.rates);
        outcome.wouldChange = PlannedChanges::changeUnit(outcome.changes);
    }
    // A profile made from this unit would have to leave these out or change them.
    QStringList unlistedShown;
    if (job.ratesForProfile)
        for (const auto& [name, rate] : outcome.rates)
            if (!SettingsKeys::isRate(rate.toStdString())) {
                outcome.unlistedRates << name + QLatin1Char('=') + rate;
                unlistedShown << name + QLatin1Char('=') + shownBytes(rate.toUtf8());
            }
    UnitResult::Outcome worst = UnitResult::Outcome::Ok;
    QString error;
    if (!outcome.unlistedRates.isEmpty()) {
        worst = UnitResult::Outcome::Mismatch;
        error = CliTexts::ratesNotInList(unlistedShown);
    }
    if (!outcome.mismatches.isEmpty())
        worst = worseOf(worst, UnitResult::Outcome::Mismatch);
    if (!outcome.unanswered.isEmpty())
        worst = worseOf(worst, UnitResult::Outcome::Unanswered);
    if (!outcome.rejected.isEmpty())
        worst = worseOf(worst, UnitResult::Outcome::Rejected);
    finish(worst, error);
}

void UnitSession::observed()
{
    outcome.mismatches << ObservedRates::differences(job.wanted, meter, observedFrom, meter.now());
    finishWithAnswers();
}

void UnitSession::interrupt(int signalNumber)
{
    if (phase != Phase::Done)
        finish(UnitResult::Outcome::Interrupted, CliTexts::interrupted(signalNumber));
}

void UnitSession::tellChanges()
{
    if (!job.readBefore || job.check || !readBeforeDone)
        return;
    outcome.readBefore = true;
    outcome.changes = PlannedChanges::of(job.sets, job.wanted, outcome.rates);
    outcome.changed = setSent && PlannedChanges::changeUnit(outcome.changes);
}

void UnitSession::finish(UnitResult::Outcome result, const QString& error)
{
    if (phase == Phase::Done)
        return;
    // Its answer is lost with the line: the unit may have taken it or not.
    if (phase == Phase::Exchanging && lastSetWritten == current && current < exchanges.size())
        outcome.inFlight = textOf(exchanges[current].sentence);
    phase = Phase::Done;
    observing.stop();
    asking.cancel();
    outcome.badChecksums = line.wrongChecksums();
    line.close();
    outcome.outcome = result;
    outcome.error = error;
    tellChanges();
    outcome.seconds = clock.isValid() ? clock.nsecsElapsed() / 1e9 : 0;
    if (!outcome.started.isValid())
        outcome.started = QDateTime::currentDateTimeUtc();
    emit finished(this);
}
