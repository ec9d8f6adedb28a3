#include "SimulatorProcess.h"

#include <csignal>
#include <sys/prctl.h>

SimulatorProcess::SimulatorProcess(const QStringList& arguments)
{
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test or bench that dies (a crash, a timeout) takes its simulator with it.
    simulator.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    simulator.start(QStringLiteral(ZR415_SIM_BINARY), arguments);
    if (!simulator.waitForStarted(5000))
        return;
    while (!simulator.canReadLine() && simulator.waitForReadyRead(5000)) {
    }
    path = QString::fromLocal8Bit(simulator.readLine()).trimmed();
}

SimulatorProcess::~SimulatorProcess()
{
    simulator.terminate();
    if (!simulator.waitForFinished(3000))
        simulator.kill();
    simulator.waitForFinished(3000);
}
