#include "ReportListener.h"

#include "CliTexts.h"
#include "UnitSession.h"

#include <algorithm>

ReportListener::ReportListener(UnitJob unitJob, double listenSeconds, QObject* parent)
    : QObject(parent), job(std::move(unitJob)), seconds(listenSeconds)
{
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, this, [this] { end(); });
    connect(&line, &ReceiverLink::bytesReceived, this,
            [this](const QByteArray& bytes) { builder.addBytes(bytes, clock.elapsed()); });
    connect(&line, &ReceiverLink::lost, this, [this](LinkError kind, const QString& text) {
        end(CliTexts::onPort(job.port, CliTexts::linkReason(kind, text)));
    });
}

ReportListener::~ReportListener() = default;

void ReportListener::start()
{
    job.readRates = true;
    session = new UnitSession(job, this);
    connect(session, &UnitSession::finished, this, [this](UnitSession*) { identified(); });
    session->start();
}

void ReportListener::stop(int signalNumber)
{
    if (session && !session->isFinished())
        session->interrupt(signalNumber);
    else
        end();
}

void ReportListener::cancel(const QString& reason)
{
    end(reason);
}

void ReportListener::identified()
{
    const UnitResult& result = session->result();
    serial = result.serial;
    if (result.outcome != UnitResult::Outcome::Ok) {
        end(result.error.isEmpty() ? UnitResult::outcomeName(result.outcome) : result.error);
        return;
    }
    settings.emplace_back(QStringLiteral("baud"), QString::number(result.baud));
    for (const auto& [name, rate] : result.rates) {
        settings.emplace_back(name, rate);
        rates[name] = rate;
    }
    if (!line.open(job.port, static_cast<qint32>(result.baud))) {
        end(CliTexts::onPort(job.port, CliTexts::linkReason(line.errorKind(), line.errorText())));
        return;
    }
    // What waited in the line arrived before the clock started.
    line.clearInput();
    clock.start();
    deadline.start(static_cast<int>(seconds * 1000));
}

void ReportListener::end(const QString& error)
{
    if (done)
        return;
    done = true;
    deadline.stop();
    const double listened = clock.isValid() ? clock.elapsed() / 1000.0 : 0;
    line.close();
    made = error.isEmpty() ? builder.finish(listened) : UnitReport();
    made.error = error;
    made.serial = serial;
    made.port = job.port;
    made.settings = settings;
    // A rate set and never seen is shown too: that is what the report is for.
    for (const auto& [name, value] : rates) {
        bool number = false;
        const double period = value.toDouble(&number);
        if (!number || !error.isEmpty())
            continue;
        const QByteArray kind = name.toLatin1();
        auto rate = std::find_if(made.rates.begin(), made.rates.end(),
                                 [&kind](const auto& each) { return each.kind == kind; });
        if (rate == made.rates.end())
            rate = made.rates.insert(made.rates.end(),
                                     UnitReport::Rate{kind, 0, std::nullopt, std::nullopt});
        rate->setS = period;
    }
    emit finished(this);
}
