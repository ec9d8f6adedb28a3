#include "LineMonitor.h"

#include "CliTexts.h"
#include "ShownBytes.h"
#include "StatusReport.h"

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {
// A stream without line ends is still shown, in pieces of this size.
constexpr qsizetype maxLine = 4096;

bool isHead(char c)
{
    return c == '$' || c == '!' || c == '@';
}
} // namespace

LineMonitor::LineMonitor(std::FILE* toOut, QObject* parent, Mode chosen)
    : QObject(parent), out(toOut), mode(chosen)
{
    deadline.setSingleShot(true);
    // A coarse timer may end up to 5 % early: --seconds is what a rate is measured over.
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, this, &LineMonitor::stop);
    statusTick.setInterval(1000);
    statusTick.setTimerType(Qt::PreciseTimer);
    connect(&statusTick, &QTimer::timeout, this, &LineMonitor::printStatus);
    connect(&line, &ReceiverLink::bytesReceived, this, &LineMonitor::received);
    connect(&line, &ReceiverLink::lost, this, &LineMonitor::lineLost);
    if (mode == Mode::StatusJson)
        status.setEpochListener([this] { printEpoch(); });
}

bool LineMonitor::start(const QString& port, unsigned baud, double seconds, QString& error)
{
    portName = port;
    if (!line.open(portName, static_cast<qint32>(baud))) {
        error =
            CliTexts::onPort(portName, CliTexts::linkReason(line.errorKind(), line.errorText()));
        return false;
    }
    // Bytes that waited in the line before we came are old: their arrival time is unknown.
    line.clearInput();
    atLineStart = false;
    startedAt = endedAt = lastStatusAt = rates.now();
    if (mode == Mode::Status)
        statusTick.start();
    // As gpsd greets a client that asked to watch.
    if (mode == Mode::StatusJson)
        write(StatusReport::version() +
              StatusReport::devices(portName, baud, QDateTime::currentDateTimeUtc()));
    if (seconds > 0)
        deadline.start(static_cast<int>(seconds * 1000));
    return true;
}

void LineMonitor::received(const QByteArray& bytes)
{
    if (mode == Mode::Rates) {
        rates.addReceived(bytes);
        return;
    }
    if (mode == Mode::Status || mode == Mode::StatusJson) {
        status.addReceived(bytes, rates.now());
        return;
    }
    partial += bytes;
    if (!atLineStart) {
        const auto start = std::find_if(partial.cbegin(), partial.cend(),
                                        [](char c) { return isHead(c) || c == '\n' || c == '\r'; });
        partial.remove(0, start - partial.cbegin());
        atLineStart = !partial.isEmpty();
    }
    while (line.isOpen()) {
        qsizetype end = partial.indexOf('\n');
        if (end < 0 && partial.size() >= maxLine)
            end = maxLine - 1;
        if (end < 0)
            return;
        QByteArray whole = partial.left(end + 1);
        partial.remove(0, end + 1);
        print(whole);
    }
}

void LineMonitor::print(QByteArray text)
{
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    if (text.isEmpty())
        return;
    const QByteArray stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    write(stamp + "  " + shownBytes(text).toUtf8() + '\n');
}

void LineMonitor::printStatus()
{
    const qint64 now = rates.now();
    const StatusReport report(portName, status, now);
    lastStatusAt = now;
    const QByteArray stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    write(stamp + "  " + report.toText().toUtf8() + '\n');
}

void LineMonitor::printEpoch()
{
    const StatusReport report(portName, status, rates.now());
    QByteArray objects = report.tpv();
    if (status.skySeen() && status.skyChanges() != skyReported) {
        skyReported = status.skyChanges();
        objects += report.sky();
    }
    // A heading may come between epochs: it is reported with the next.
    if (status.heading().at != headingReported) {
        headingReported = status.heading().at;
        objects += report.att();
    }
    write(objects);
}

void LineMonitor::write(const QByteArray& text)
{
    if (writeError)
        return;
    // Whoever reads us may stop reading (head -1): that ends the run, it does not hang it.
    errno = 0;
    if (std::fputs(text.constData(), out) < 0 || std::fflush(out) != 0) {
        writeError = errno ? errno : EIO;
        end();
    }
}

void LineMonitor::end()
{
    if (!line.isOpen())
        return;
    line.close();
    deadline.stop();
    statusTick.stop();
    endedAt = rates.now();
    // The unit's last words, even without their line end.
    if (mode == Mode::Lines && atLineStart)
        print(std::exchange(partial, {}));
    emit finished();
}

void LineMonitor::lineLost(LinkError kind, const QString& text)
{
    lostReason = CliTexts::linkReason(kind, text);
    status.finishEpoch();
    endedAt = rates.now();
    deadline.stop();
    statusTick.stop();
    if (mode == Mode::Lines && atLineStart)
        print(std::exchange(partial, {}));
    emit finished();
}

void LineMonitor::stop()
{
    if (!line.isOpen())
        return;
    // Whatever the driver still holds belongs to this run.
    line.readPending();
    // The last second's report, when the deadline came just before its tick: N seconds give N.
    if (mode == Mode::Status && rates.now() - lastStatusAt >= 500)
        printStatus();
    status.finishEpoch();
    end();
}
