#include "CommandLine.h"

#include "CliTexts.h"
#include "Profile.h"
#include "SerialBindings.h"
#include "SettingsKeys.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <map>
#include <sys/stat.h>

namespace {
struct CommandDefinition
{
    Invocation::Command command;
    QStringList options; // the value-less and value options it accepts
};

const std::map<QString, CommandDefinition>& commands()
{
    static const std::map<QString, CommandDefinition> table = {
        {QStringLiteral("ports"), {Invocation::Command::Ports, {QStringLiteral("json")}}},
        {QStringLiteral("query"),
         {Invocation::Command::Query,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("parallel"),
           QStringLiteral("profile"), QStringLiteral("force")}}},
        {QStringLiteral("set"),
         {Invocation::Command::Set,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("no-verify"),
           QStringLiteral("audit"), QStringLiteral("no-audit"), QStringLiteral("parallel"),
           QStringLiteral("expect-serial"), QStringLiteral("serials")}}},
        {QStringLiteral("apply"),
         {Invocation::Command::Apply,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("no-verify"),
           QStringLiteral("audit"), QStringLiteral("no-audit"), QStringLiteral("parallel"),
           QStringLiteral("observe"), QStringLiteral("expect-serial"), QStringLiteral("serials"),
           QStringLiteral("check")}}},
        {QStringLiteral("reset"),
         {Invocation::Command::Reset,
          {QStringLiteral("yes"), QStringLiteral("baud"), QStringLiteral("json"),
           QStringLiteral("audit"), QStringLiteral("no-audit"), QStringLiteral("parallel"),
           QStringLiteral("expect-serial"), QStringLiteral("serials")}}},
        {QStringLiteral("monitor"),
         {Invocation::Command::Monitor,
          {QStringLiteral("baud"), QStringLiteral("seconds"), QStringLiteral("rates"),
           QStringLiteral("status"), QStringLiteral("json"), QStringLiteral("record"),
           QStringLiteral("force")}}},
        {QStringLiteral("audit"),
         {Invocation::Command::Audit,
          {QStringLiteral("run"), QStringLiteral("failed"), QStringLiteral("unfinished"),
           QStringLiteral("ports"), QStringLiteral("json")}}},
    };
    return table;
}

QCommandLineOption optionNamed(const QString& name)
{
    if (name == QLatin1String("baud"))
        return {name, QStringLiteral("speed"), QStringLiteral("RATE")};
    if (name == QLatin1String("audit") || name == QLatin1String("profile") ||
        name == QLatin1String("record") || name == QLatin1String("serials"))
        return {name, name, QStringLiteral("FILE")};
    if (name == QLatin1String("expect-serial"))
        return {name, name, QStringLiteral("SN")};
    if (name == QLatin1String("parallel") || name == QLatin1String("seconds"))
        return {name, name, QStringLiteral("N")};
    if (name == QLatin1String("observe"))
        return {name, name, QStringLiteral("SECONDS")};
    if (name == QLatin1String("run"))
        return {name, name, QStringLiteral("ID")};
    return QCommandLineOption(name);
}

// More units at once than any workbench holds is a typing error, not a plan.
constexpr int maxParallel = 100000;

// The monitor's deadline is one timer counting milliseconds in an int: about 24 days.
constexpr int maxSeconds = std::numeric_limits<int>::max() / 1000;

// A name with a slash is a path from here, as the shell means it; a bare name is a device
// under /dev.
QString resolvedPort(const QString& port)
{
    return port.contains(QLatin1Char('/')) ? QDir::cleanPath(QDir::current().absoluteFilePath(port))
                                           : QStringLiteral("/dev/") + port;
}

// What two names of one device have in common: its device number, also under a bind mount or
// a second device node, where no path leads from one name to the other.
QString deviceOf(const QString& resolved)
{
    struct stat found = {};
    if (::stat(QFile::encodeName(resolved).constData(), &found) != 0)
        return resolved;
    if (S_ISCHR(found.st_mode) || S_ISBLK(found.st_mode))
        return QStringLiteral("device %1").arg(static_cast<qulonglong>(found.st_rdev));
    return QStringLiteral("file %1:%2")
        .arg(static_cast<qulonglong>(found.st_dev))
        .arg(static_cast<qulonglong>(found.st_ino));
}

bool listedBaud(unsigned rate)
{
    for (const std::string& listed : SettingsKeys::baudRates())
        if (listed == std::to_string(rate))
            return true;
    return false;
}

std::string listedBauds()
{
    std::string text;
    for (const std::string& listed : SettingsKeys::baudRates())
        text += (text.empty() ? "" : ", ") + listed;
    return text;
}

bool positiveNumber(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value > 0 && value < 1e9;
}
} // namespace

QString CommandLine::usage(const QString& command)
{
    const auto found = commands().find(command);
    if (found != commands().end()) {
        QString options;
        for (const QString& name : found->second.options)
            options += found->second.command == Invocation::Command::Monitor &&
                               name == QLatin1String("baud")
                           ? CliTexts::fixedBaudHelp()
                           : CliTexts::optionHelp(name);
        return CliTexts::usageOf(CliTexts::synopsis(command), CliTexts::commandHelp(command),
                                 options);
    }
    QString text = CliTexts::usageHeader();
    for (const char* name :
         {"ports", "query", "set", "apply", "reset", "monitor", "audit", "report"})
        text += CliTexts::usageLine(CliTexts::synopsis(QLatin1String(name)));
    return text + CliTexts::usageFooter() + CliTexts::environmentHelp();
}

std::optional<Invocation> CommandLine::parse(const QStringList& arguments, QString& error,
                                             QString& usageText)
{
    Invocation invocation;
    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        invocation.helpText = usage(arguments.value(2));
        return invocation;
    }
    if (first == QLatin1String("--version")) {
        invocation.command = Invocation::Command::Version;
        return invocation;
    }
    const auto found = commands().find(first);
    if (found == commands().end()) {
        error = first.isEmpty() ? CliTexts::noCommand() : CliTexts::unknownCommand(first);
        usageText = CliTexts::seeHelp({});
        return std::nullopt;
    }
    const CommandDefinition& definition = found->second;
    invocation.command = definition.command;
    invocation.name = first;
    usageText = CliTexts::seeHelp(first);

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    for (const QString& name : definition.options)
        parser.addOption(optionNamed(name));
    QStringList rest = arguments;
    rest.removeAt(1);
    // set PORT... -- NAME=VALUE...: what follows the -- is the settings, for all the ports.
    std::optional<QStringList> afterDashes;
    if (const qsizetype dashes = rest.indexOf(QStringLiteral("--"));
        dashes >= 0 && invocation.command == Invocation::Command::Set) {
        afterDashes = rest.mid(dashes + 1);
        rest = rest.mid(0, dashes);
    }
    if (!parser.parse(rest)) {
        error = CliTexts::ofCommand(first, parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        invocation.command = Invocation::Command::Help;
        invocation.helpText = usage(first);
        return invocation;
    }
    QStringList positional = parser.positionalArguments();
    const auto fail = [&](const QString& message) {
        error = CliTexts::ofCommand(first, message);
        return std::nullopt;
    };

    // Asking the parser about an option it was not given makes it complain.
    const auto given = [&](const char* name) {
        return definition.options.contains(QLatin1String(name)) &&
               parser.isSet(QLatin1String(name));
    };
    invocation.json = given("json");
    invocation.verify = !given("no-verify");
    invocation.confirmed = given("yes");
    invocation.audit = invocation.command != Invocation::Command::Query && !given("no-audit");
    invocation.check = given("check");
    invocation.force = given("force");
    if (given("audit") && given("no-audit"))
        return fail(CliTexts::auditOptionsClash());
    SerialBindings bindings;
    QString bindingError;
    if (given("expect-serial"))
        for (const QString& value : parser.values(QStringLiteral("expect-serial"))) {
            if (value.contains(QLatin1Char('='))) {
                if (!bindings.addArgument(value, bindingError))
                    return fail(bindingError);
                continue;
            }
            const QStringList serials = value.split(QLatin1Char(','));
            if (serials.contains(QString()))
                return fail(CliTexts::badExpectedSerials(value));
            invocation.expectedSerials << serials;
        }
    if (given("serials") &&
        !bindings.addFile(parser.value(QStringLiteral("serials")), bindingError))
        return fail(bindingError);
    if (given("profile")) {
        invocation.savedProfilePath = parser.value(QStringLiteral("profile"));
        if (invocation.savedProfilePath.isEmpty())
            return fail(CliTexts::profileNeedsFile());
    }
    if (given("audit")) {
        invocation.auditPath = parser.value(QStringLiteral("audit"));
        if (invocation.auditPath.isEmpty())
            return fail(CliTexts::auditNeedsFile());
        // Standard output carries the results a script reads; records there would mix in.
        if (invocation.auditPath == QLatin1String("-"))
            return fail(CliTexts::auditToStandardOutput());
    }
    if (given("baud")) {
        const QString baud = parser.value(QStringLiteral("baud"));
        double rate = 0;
        if (baud == QLatin1String("auto") && invocation.command != Invocation::Command::Monitor)
            invocation.baud = 0;
        else if (!positiveNumber(baud, rate) || rate != static_cast<unsigned>(rate) ||
                 rate > 4000000)
            return fail(
                CliTexts::badBaud(baud, invocation.command != Invocation::Command::Monitor));
        else if (!listedBaud(static_cast<unsigned>(rate)))
            return fail(
                CliTexts::baudNotListed(baud, QString::fromStdString(listedBauds()),
                                        invocation.command != Invocation::Command::Monitor));
        else
            invocation.baud = static_cast<unsigned>(rate);
    }
    if (given("parallel")) {
        double count = 0;
        const QString text = parser.value(QStringLiteral("parallel"));
        if (!positiveNumber(text, count) || count != static_cast<int>(count) || count > maxParallel)
            return fail(CliTexts::badParallel(maxParallel, text));
        invocation.parallel = static_cast<int>(count);
    }
    if (given("seconds")) {
        const QString text = parser.value(QStringLiteral("seconds"));
        if (!positiveNumber(text, invocation.seconds) || invocation.seconds > maxSeconds)
            return fail(CliTexts::badSeconds(maxSeconds, text));
    }
    invocation.rates = given("rates");
    invocation.status = given("status");
    if (given("record")) {
        invocation.recordPath = parser.value(QStringLiteral("record"));
        if (invocation.recordPath.isEmpty())
            return fail(CliTexts::recordNeedsFile());
    }
    if (given("observe")) {
        const QString text = parser.value(QStringLiteral("observe"));
        if (!positiveNumber(text, invocation.observe) || invocation.observe > maxSeconds)
            return fail(CliTexts::badObserve(maxSeconds, text));
    }

    switch (invocation.command) {
    case Invocation::Command::Ports:
        if (!positional.isEmpty())
            return fail(CliTexts::takesNoPort(positional.first()));
        break;
    case Invocation::Command::Query:
    case Invocation::Command::Reset:
        if (positional.isEmpty())
            return fail(CliTexts::needsPorts());
        invocation.ports = positional;
        if (invocation.command == Invocation::Command::Reset && !invocation.confirmed)
            return fail(CliTexts::resetNeedsYes());
        if (!invocation.savedProfilePath.isEmpty() && positional.size() != 1)
            return fail(CliTexts::profileNeedsOnePort());
        break;
    case Invocation::Command::Set:
        if (afterDashes) {
            invocation.ports = positional;
            invocation.assignments = *afterDashes;
        } else if (!positional.isEmpty()) {
            invocation.ports = {positional.takeFirst()};
            invocation.assignments = positional;
        }
        if (invocation.ports.isEmpty() || invocation.assignments.isEmpty())
            return fail(CliTexts::setNeedsPortAndValues());
        if (QString wrong; !Profile::fromAssignments(invocation.assignments, wrong))
            return fail(wrong.replace(QLatin1Char('\n'), QLatin1String("; ")));
        break;
    case Invocation::Command::Apply:
        if (positional.size() < 2)
            return fail(CliTexts::applyNeedsProfileAndPorts());
        invocation.profilePath = positional.takeFirst();
        invocation.ports = positional;
        if (invocation.check && invocation.observe > 0)
            return fail(CliTexts::checkWithObserve());
        // Nothing is changed, so there is nothing to record.
        invocation.audit = invocation.audit && !invocation.check;
        break;
    case Invocation::Command::Monitor:
        if (positional.size() != 1)
            return fail(CliTexts::monitorNeedsOnePort());
        invocation.ports = positional;
        if (invocation.baud == 0)
            invocation.baud = 115200;
        if (invocation.status && invocation.rates)
            return fail(CliTexts::statusWithRates());
        if (invocation.json && !invocation.rates && !invocation.status)
            return fail(CliTexts::jsonNeedsRates());
        if ((invocation.rates || invocation.status) && invocation.seconds == 0)
            invocation.seconds = 10;
        break;
    case Invocation::Command::Audit:
        if (positional.size() > 1)
            return fail(CliTexts::auditTakesOneFile(positional[1]));
        invocation.auditPath = positional.value(0);
        invocation.failedOnly = given("failed");
        invocation.unfinishedOnly = given("unfinished");
        invocation.portsOnly = given("ports");
        if (invocation.failedOnly && invocation.unfinishedOnly)
            return fail(CliTexts::failedWithUnfinished());
        if (given("run")) {
            invocation.auditRun = parser.value(QStringLiteral("run"));
            if (invocation.auditRun.isEmpty())
                return fail(CliTexts::runNeedsId());
        }
        break;
    default:
        break;
    }
    // One port object per unit: the same device twice, under any of its names, would fight over
    // one line.
    QStringList devices;
    for (QString& port : invocation.ports) {
        const QString named = port;
        port = resolvedPort(port);
        const QString device = deviceOf(port);
        const qsizetype earlier = devices.indexOf(device);
        if (earlier >= 0)
            return fail(port == invocation.ports[earlier]
                            ? CliTexts::portNamedTwice(named)
                            : CliTexts::portNamedTwiceAs(invocation.ports[earlier], named));
        devices << device;
    }
    // A binding names a device, under whatever name; one for a port not in this run is left
    // alone, so one file serves a whole station.
    std::map<QString, QString> serialOfDevice;
    std::map<QString, QString> deviceOfSerial;
    std::map<QString, QString> portOfSerial; // as it was typed, to be named back
    for (const SerialBindings::Binding& binding : bindings.all()) {
        const QString device = deviceOf(resolvedPort(binding.port));
        const auto bound = serialOfDevice.find(device);
        if (bound != serialOfDevice.end() && bound->second != binding.serial)
            return fail(CliTexts::portBoundTwice(binding.port, bound->second, binding.serial));
        const auto taken = deviceOfSerial.find(binding.serial);
        if (taken != deviceOfSerial.end() && taken->second != device)
            return fail(CliTexts::serialBoundTwice(binding.serial, portOfSerial[binding.serial],
                                                   binding.port));
        serialOfDevice[device] = binding.serial;
        deviceOfSerial[binding.serial] = device;
        portOfSerial[binding.serial] = binding.port;
        const qsizetype unit = devices.indexOf(device);
        if (unit >= 0)
            invocation.boundSerials[invocation.ports[unit]] = binding.serial;
    }
    return invocation;
}
