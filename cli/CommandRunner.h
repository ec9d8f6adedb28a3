#pragma once

#include "Invocation.h"
#include "UnitResult.h"

#include <QString>

#include <cstdio>
#include <optional>
#include <vector>

class InterruptWatcher;
class LineMonitor;
class LinkRecorder;
class Profile;

// Carries out one checked invocation and gives the exit status: 0 every unit ok, 1 some unit
// not ok, 2 a usage or profile error with nothing sent, 3 apply --check: every unit ok and
// applying would change one, 128 + N stopped by signal N (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT). Results that cannot be written to standard output make it 1 at
// least.
class CommandRunner
{
public:
    CommandRunner(std::FILE* out, std::FILE* err);

    int run(const Invocation& invocation);

    // The speeds --baud auto tries: the profile's (when it names one), 115200, 9600, then the
    // rest of the list.
    static std::vector<unsigned> baudOrder(unsigned hint);
    // A wait in milliseconds from the environment variable name, else fallback.
    static bool waitFromEnvironment(const char* name, int fallback, int& value, QString& error);

    static constexpr int exitOk = 0;
    static constexpr int exitUnitsFailed = 1;
    static constexpr int exitUsage = 2;
    static constexpr int exitWouldChange = 3;
    static constexpr int exitSignalled = 128; // plus the signal's number

private:
    int runPorts(const Invocation& invocation);
    int runMonitor(const Invocation& invocation);
    // False, told on err, when the recording cannot begin.
    bool startRecording(const Invocation& invocation, const LineMonitor& monitor,
                        LinkRecorder& recorder);
    int runUnits(const Invocation& invocation);
    int runAudit(const Invocation& invocation);
    int refuse(const QString& message);
    // status, unless writing to standard output failed (writeError, or the stream says so).
    int withOutputChecked(int writeError, int status);
    // After the units: the stop signal's status, the profile of query --profile written.
    int unitsStatus(const Invocation& invocation, const InterruptWatcher& interrupts,
                    const std::optional<UnitResult>& queried, bool allOk);

    std::FILE* out;
    std::FILE* err;
};
