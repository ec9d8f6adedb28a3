#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the tool opens the device path, the test plays the receiver on the
// controlling side. The line is raw, so bytes pass unchanged in both directions.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return controller >= 0; }
    const QString& devicePath() const { return path; }
    // The receiver's end (non-blocking), and the tool's end as the kernel keeps it.
    int controllerFd() const { return controller; }
    int deviceFd() const { return device; }

    void write(const QByteArray& bytes);
    // Whatever arrives within timeoutMs after the first byte, until quietMs pass with nothing.
    QByteArray read(int timeoutMs = 2000, int quietMs = 100);
    // Reads until at least count bytes arrived or timeoutMs passed, spinning the Qt event loop.
    QByteArray readCount(int count, int timeoutMs = 3000);
    // Closes the receiver's side: the tool's end sees the line go away.
    void closeController();

private:
    int controller = -1;
    int device = -1; // kept open so the line stays up between the tool's opens
    QString path;
};
