#include "LineMonitor.h"

#include "ShownBytes.h"

#include <QDateTime>

#include <utility>

namespace {
// A stream without line ends is still shown, in pieces of this size.
constexpr qsizetype maxLine = 4096;
} // namespace

LineMonitor::LineMonitor(std::FILE* toOut, QObject* parent) : QObject(parent), out(toOut)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &LineMonitor::stop);
    connect(&port, &QSerialPort::readyRead, this, &LineMonitor::received);
    connect(&port, &QSerialPort::errorOccurred, this, &LineMonitor::failed);
}

bool LineMonitor::start(const QString& portName, unsigned baud, double seconds, QString& error)
{
    port.setPortName(portName);
    opening = true;
    const bool opened = port.open(QIODevice::ReadOnly);
    const bool configured =
        opened && port.setBaudRate(static_cast<qint32>(baud)) &&
        port.setDataBits(QSerialPort::Data8) && port.setParity(QSerialPort::NoParity) &&
        port.setStopBits(QSerialPort::OneStop) && port.setFlowControl(QSerialPort::NoFlowControl);
    opening = false;
    if (!configured) {
        error = QStringLiteral("%1: %2").arg(portName, port.errorString());
        port.close();
        return false;
    }
    // Bytes that waited in the line before we came are old: their arrival time is unknown.
    port.clear(QSerialPort::Input);
    if (seconds > 0)
        deadline.start(static_cast<int>(seconds * 1000));
    return true;
}

void LineMonitor::received()
{
    partial += port.readAll();
    for (;;) {
        qsizetype end = partial.indexOf('\n');
        if (end < 0 && partial.size() >= maxLine)
            end = maxLine - 1;
        if (end < 0)
            return;
        QByteArray line = partial.left(end + 1);
        partial.remove(0, end + 1);
        print(line);
    }
}

void LineMonitor::print(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    const QByteArray stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
    std::fprintf(out, "%s  %s\n", stamp.constData(), shownBytes(line).toUtf8().constData());
    std::fflush(out);
}

void LineMonitor::end()
{
    // The unit's last words, even without their line end.
    print(std::exchange(partial, {}));
    port.close();
    deadline.stop();
    emit finished();
}

void LineMonitor::failed(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || opening ||
        !port.isOpen())
        return;
    lostReason = port.errorString();
    end();
}

void LineMonitor::stop()
{
    if (!port.isOpen())
        return;
    // Whatever the driver still holds belongs to this run; a zero wait only collects it.
    port.waitForReadyRead(0);
    if (!port.isOpen())
        return; // it went away meanwhile, and was ended as lost
    received();
    end();
}
