#include "InterruptWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The pipe of the watcher in charge: all a signal handler can safely reach.
volatile std::sig_atomic_t activeWriteEnd = -1;

void onStopSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t ignored = ::write(activeWriteEnd, &byte, 1);
    errno = saved;
}
} // namespace

InterruptWatcher::InterruptWatcher(std::vector<int> signalNumbers, QObject* parent)
    : QObject(parent), watched(std::move(signalNumbers))
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        watched.clear(); // nothing to restore: the signals keep what they had
        return;
    }
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &InterruptWatcher::drain);
    outerWriteEnd = activeWriteEnd;
    activeWriteEnd = pipeEnds[1];
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    previous.resize(watched.size());
    for (std::size_t i = 0; i < watched.size(); ++i)
        sigaction(watched[i], &action, &previous[i]);
}

InterruptWatcher::~InterruptWatcher()
{
    // A signal from now on belongs to whoever watched before.
    activeWriteEnd = outerWriteEnd;
    for (std::size_t i = watched.size(); i-- > 0;)
        sigaction(watched[i], &previous[i], nullptr);
    delete notifier;
    for (int end : pipeEnds)
        if (end >= 0)
            ::close(end);
}

void InterruptWatcher::drain()
{
    const int before = caught;
    unsigned char bytes[64];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0)
        if (caught == 0)
            caught = bytes[0];
    // Once is enough: later signals change nothing.
    if (before == 0 && caught != 0)
        emit interrupted();
}
