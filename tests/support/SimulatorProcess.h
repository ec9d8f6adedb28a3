#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// zr415-sim started as a process of its own; stopped when this goes away.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QStringList& arguments = {});
    ~SimulatorProcess();

    bool isRunning() const { return !path.isEmpty(); }
    // The device the simulator answers on.
    const QString& devicePath() const { return path; }
    QProcess& process() { return simulator; }

private:
    QProcess simulator;
    QString path;
};
