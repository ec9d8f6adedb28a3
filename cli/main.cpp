// zr415ctl: configures, verifies and provisions ZR415 receivers from the command line.
#include "CliTexts.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "ReportCommand.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    // Output piped into a reader that quits early must not end the run before every unit's
    // record is written.
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes an audit append fail like a full disk, which is reported,
    // instead of ending the run before the other units are recorded.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList arguments = QCoreApplication::arguments();
    // The short form that version options usually have.
    if (arguments.value(1) == QLatin1String("-V"))
        arguments[1] = QStringLiteral("--version");
    // report has its own options, read in its own files.
    if (arguments.value(1) == QLatin1String("report"))
        return ReportCommand(stdout, stderr).run(arguments);
    if (arguments.size() == 3 && arguments[2] == QLatin1String("report") &&
        (arguments[1] == QLatin1String("help") || arguments[1] == QLatin1String("--help"))) {
        std::fputs(ReportCommand::usage().toUtf8().constData(), stdout);
        return CommandRunner::exitOk;
    }
    QString error;
    QString hint;
    const std::optional<Invocation> invocation = CommandLine::parse(arguments, error, hint);
    if (!invocation) {
        std::fprintf(stderr, "%s\n%s", CliTexts::fromTool(error).toUtf8().constData(),
                     hint.toUtf8().constData());
        return CommandRunner::exitUsage;
    }
    if (invocation->command == Invocation::Command::Help) {
        std::fputs(invocation->helpText.toUtf8().constData(), stdout);
        return CommandRunner::exitOk;
    }
    if (invocation->command == Invocation::Command::Version) {
        std::printf("%s\n", CliTexts::version().toUtf8().constData());
        return CommandRunner::exitOk;
    }
    return CommandRunner(stdout, stderr).run(*invocation);
}
