#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&controller, &device, name, nullptr, nullptr) != 0) {
        controller = device = -1;
        return;
    }
    termios mode{};
    tcgetattr(device, &mode);
    cfmakeraw(&mode);
    tcsetattr(device, TCSANOW, &mode);
    fcntl(controller, F_SETFL, fcntl(controller, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeController();
    if (device >= 0)
        ::close(device);
}

void PseudoTerminal::write(const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && controller >= 0) {
        const ssize_t written = ::write(controller, at, static_cast<size_t>(left));
        if (written > 0) {
            at += written;
            left -= written;
        } else {
            pollfd wait{controller, POLLOUT, 0};
            poll(&wait, 1, 50);
        }
    }
}

QByteArray PseudoTerminal::read(int timeoutMs, int quietMs)
{
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    qint64 lastByte = -1;
    while (controller >= 0 && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buffer[4096];
        const ssize_t got = ::read(controller, buffer, sizeof buffer);
        if (got > 0) {
            received.append(buffer, got);
            lastByte = clock.elapsed();
            continue;
        }
        if (lastByte >= 0 && clock.elapsed() - lastByte >= quietMs)
            break;
        pollfd wait{controller, POLLIN, 0};
        poll(&wait, 1, 5);
    }
    return received;
}

QByteArray PseudoTerminal::readCount(int count, int timeoutMs)
{
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (controller >= 0 && received.size() < count && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buffer[4096];
        const ssize_t got = ::read(controller, buffer, sizeof buffer);
        if (got > 0) {
            received.append(buffer, got);
            continue;
        }
        pollfd wait{controller, POLLIN, 0};
        poll(&wait, 1, 5);
    }
    return received;
}

void PseudoTerminal::closeController()
{
    if (controller >= 0)
        ::close(controller);
    controller = -1;
}
