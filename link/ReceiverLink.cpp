#include "ReceiverLink.h"

#include "StaleLockFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

ReceiverLink::ReceiverLink(QObject* parent) : QObject(parent)
{
    connect(&port, &QSerialPort::readyRead, this, &ReceiverLink::received);
    connect(&port, &QSerialPort::errorOccurred, this, &ReceiverLink::handleError);
}

void ReceiverLink::fail(LinkError kind, const QString& text)
{
    errorKindValue = kind;
    errorTextValue = text;
}

LinkError ReceiverLink::openFailureOf(const QString& portName, QSerialPort::SerialPortError error)
{
    const QByteArray path = portName.startsWith(QLatin1Char('/'))
                                ? portName.toLocal8Bit()
                                : ("/dev/" + portName).toLocal8Bit();
    // Ask the system once more, the way the port itself was opened.
    struct stat status
    {};
    if (::stat(path.constData(), &status) != 0)
        return errno == EACCES ? LinkError::NoPermission : LinkError::NoSuchDevice;
    if (!S_ISCHR(status.st_mode))
        return LinkError::NotSerial;
    const int probe = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
            return LinkError::NoPermission;
        case EBUSY:
            return LinkError::Busy;
        case EMFILE:
        case ENFILE:
            return LinkError::TooManyFiles;
        case ENOENT:
            return LinkError::NoSuchDevice;
        case ENXIO:
        case ENODEV:
        case EIO:
            return LinkError::Unplugged;
        default:
            return LinkError::Other;
        }
    }
    const bool terminal = ::isatty(probe) == 1;
    // The port holds its lock file open beside the line: with one descriptor left, the probe
    // gets it, yet the port did not.
    const int spare = ::fcntl(probe, F_DUPFD_CLOEXEC, 0);
    const bool outOfFiles = spare < 0 && (errno == EMFILE || errno == ENFILE);
    if (spare >= 0)
        ::close(spare);
    ::close(probe);
    if (outOfFiles)
        return LinkError::TooManyFiles;
    // A character device that is no terminal (/dev/null) refuses every speed: that it is no
    // serial line is the reason.
    if (!terminal)
        return LinkError::NotSerial;
    if (error == QSerialPort::UnsupportedOperationError)
        return LinkError::BaudUnsupported;
    // This user may open the device, yet the port refused: another program holds it (its lock
    // file or exclusive mode).
    return error == QSerialPort::DeviceNotFoundError ? LinkError::NoSuchDevice : LinkError::Busy;
}

bool ReceiverLink::open(const QString& portName, qint32 baud)
{
    close();
    fail(LinkError::None, {});
    name = portName;
    port.setPortName(portName);
    configuring = true;
    if (!port.open(QIODevice::ReadWrite)) {
        configuring = false;
        const LinkError kind = openFailureOf(portName, port.error());
        // A lock nobody holds any more is no program using the port: say whose it is.
        const std::optional<StaleLockFile> stale =
            kind == LinkError::Busy ? StaleLockFile::blocking(portName) : std::nullopt;
        if (stale)
            fail(LinkError::StaleLock, stale->toText());
        else
            fail(kind, port.errorString());
        return false;
    }
    // The lock file goes by the name given; the device itself is locked too, so the same device
    // under another name (a link, a bind mount) or held by another program that locks it is in
    // use, even for root, whom the exclusive mode lets through.
    if (::flock(port.handle(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        configuring = false;
        fail(LinkError::Busy, QStringLiteral("the device is locked by another open file"));
        port.close();
        return false;
    }
    // Set on the open port: a device that refuses one is reported, not ignored.
    const bool configured = port.setBaudRate(baud) && port.setDataBits(QSerialPort::Data8) &&
                            port.setParity(QSerialPort::NoParity) &&
                            port.setStopBits(QSerialPort::OneStop) &&
                            port.setFlowControl(QSerialPort::NoFlowControl);
    configuring = false;
    if (!configured) {
        fail(LinkError::BaudUnsupported, port.errorString());
        port.close();
        return false;
    }
    extractor.reset();
    wrongChecksumCount = 0;
    return true;
}

bool ReceiverLink::setBaud(qint32 baud)
{
    configuring = true;
    const bool set = port.setBaudRate(baud);
    configuring = false;
    if (!set)
        fail(LinkError::BaudUnsupported, port.errorString());
    return set;
}

void ReceiverLink::close()
{
    // Closing the descriptor also releases its lock on the device.
    if (port.isOpen())
        port.close();
}

bool ReceiverLink::write(const QByteArray& bytes)
{
    if (!port.isOpen()) {
        fail(LinkError::NotOpen, QStringLiteral("the link is not open"));
        return false;
    }
    if (bytes.isEmpty())
        return true;
    if (port.write(bytes) != bytes.size()) {
        fail(LinkError::WriteFailed, port.errorString());
        return false;
    }
    emit commandWritten(bytes);
    return true;
}

void ReceiverLink::clearInput()
{
    port.clear(QSerialPort::Input);
    port.readAll();
    extractor.reset();
}

void ReceiverLink::readPending()
{
    // A zero wait only collects; an error meanwhile ends the line as lost.
    if (port.isOpen())
        port.waitForReadyRead(0);
    if (port.isOpen())
        received();
}

void ReceiverLink::received()
{
    const QByteArray bytes = port.readAll();
    if (bytes.isEmpty())
        return;
    emit bytesReceived(bytes);
    if (!matchAnswers || !port.isOpen())
        return;
    extractor.feed(bytes.constData(), static_cast<int>(bytes.size()));
    std::vector<ReplyAcknowledgement> answers;
    if (verifyChecksums)
        answers = ReplyReader::drainChecked(extractor, &wrongChecksumCount);
    else
        ReplyReader::drain(extractor, &answers);
    if (!answers.empty())
        emit answersReceived(answers);
}

void ReceiverLink::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || configuring ||
        !port.isOpen())
        return;
    // A failed write leaves the line usable, but what was queued is gone: say so.
    if (error == QSerialPort::WriteError) {
        fail(LinkError::WriteFailed, port.errorString());
        emit writeFailed(errorTextValue);
        return;
    }
    // Anything else means the device is gone, and QSerialPort repeats the error as fast as it
    // can while the port stays open: close it here, and tell once.
    fail(LinkError::Unplugged, port.errorString());
    port.close();
    emit lost(errorKindValue, errorTextValue);
}
