#include "CommandLine.h"

#include "Profile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <limits>
#include <map>

namespace {
struct CommandDefinition
{
    Invocation::Command command;
    QStringList options; // the value-less and value options it accepts
    QString synopsis;
    QString help;
};

const std::map<QString, CommandDefinition>& commands()
{
    static const std::map<QString, CommandDefinition> table = {
        {QStringLiteral("ports"),
         {Invocation::Command::Ports,
          {QStringLiteral("json")},
          QStringLiteral("ports   [--json]"),
          QStringLiteral(
              "Lists the serial ports in columns: system ports with description, maker,\n"
              "USB serial number, USB ids and stable /dev/serial/by-id name where known,\n"
              "then the paths of ZR415_EXTRA_PORTS that exist. --json prints one\n"
              "array of the same fields.")}},
        {QStringLiteral("query"),
         {Invocation::Command::Query,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("parallel")},
          QStringLiteral("query   PORT... [--baud RATE|auto] [--json] [--parallel N]"),
          QStringLiteral("Reads the serial number and the ten output rates of each unit.")}},
        {QStringLiteral("set"),
         {Invocation::Command::Set,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("no-verify"),
           QStringLiteral("audit")},
          QStringLiteral("set     PORT NAME=VALUE... [--baud RATE|auto] [--json] [--no-verify] "
                         "[--audit FILE]"),
          QStringLiteral(
              "Sets outputs of one unit, in the order the window's submit button uses.\n"
              "NAME is case-insensitive: GGA ZDA GST GSV GSA GLL RMC VTG GRS HDT or ALL =\n"
              "OFF 0.02 0.05 0.1 0.2 0.5 1 2 5 10 15 30 60; SBAS=on|off; HDT-TALKER=HE|GP|GN;\n"
              "CLEAN (no value) clears the stored satellite data. SBAS is sent only when named.\n"
              "The rates set are read back unless --no-verify.")}},
        {QStringLiteral("apply"),
         {Invocation::Command::Apply,
          {QStringLiteral("baud"), QStringLiteral("json"), QStringLiteral("no-verify"),
           QStringLiteral("audit"), QStringLiteral("parallel")},
          QStringLiteral("apply   PROFILE PORT... [--baud RATE|auto] [--json] [--no-verify] "
                         "[--audit FILE] [--parallel N]"),
          QStringLiteral(
              "Sends each unit what the window's submit button sends for the settings file\n"
              "PROFILE (as its save button writes it), then reads the rates back. Its port\n"
              "and query keys are ignored; its baud rate is tried first. A profile the window\n"
              "would change or send wrongly is refused and nothing is sent. All units run at\n"
              "once, or N at a time with --parallel.")}},
        {QStringLiteral("reset"),
         {Invocation::Command::Reset,
          {QStringLiteral("yes"), QStringLiteral("baud"), QStringLiteral("json"),
           QStringLiteral("audit"), QStringLiteral("parallel")},
          QStringLiteral(
              "reset   PORT... --yes [--baud RATE|auto] [--json] [--audit FILE] [--parallel N]"),
          QStringLiteral("Restores the factory settings of each unit; refuses to run without "
                         "--yes.")}},
        {QStringLiteral("monitor"),
         {Invocation::Command::Monitor,
          {QStringLiteral("baud"), QStringLiteral("seconds")},
          QStringLiteral("monitor PORT [--baud RATE] [--seconds N]"),
          QStringLiteral("Prints each line the unit sends, with its UTC time, until Ctrl-C or N\n"
                         "seconds. The speed is 115200 unless --baud names another.")}},
    };
    return table;
}

const std::map<QString, QString>& optionHelp()
{
    static const std::map<QString, QString> help = {
        {QStringLiteral("baud"),
         QStringLiteral(
             "  --baud RATE|auto  the line speed; auto (the default) tries the profile's "
             "rate,\n"
             "                    115200, 9600, then the other rates of the list, and "
             "reports\n"
             "                    the one that answered; with no answer, the first three\n"
             "                    again with the full answer wait\n")},
        {QStringLiteral("json"), QStringLiteral("  --json            JSON instead of English\n")},
        {QStringLiteral("no-verify"),
         QStringLiteral("  --no-verify       do not read back what was set\n")},
        {QStringLiteral("audit"),
         QStringLiteral("  --audit FILE      the audit file (default: provision.jsonl in the log "
                        "folder)\n")},
        {QStringLiteral("parallel"),
         QStringLiteral("  --parallel N      at most N units at once (default: all)\n")},
        {QStringLiteral("yes"), QStringLiteral("  --yes             confirm the factory reset\n")},
        {QStringLiteral("seconds"),
         QStringLiteral("  --seconds N       stop after N seconds (default: at Ctrl-C)\n")},
    };
    return help;
}

const char* const environmentHelp =
    "Environment: ZR415CTL_ACK_MS (wait for each answer, default 1000 ms, one retry),\n"
    "ZR415CTL_PROBE_MS (wait at each speed while searching, default 300 ms),\n"
    "ZR415_EXTRA_PORTS (more port paths, separated by ':').\n"
    "Exit status: 0 every unit ok, 1 some unit not ok, 2 usage or profile error (nothing\n"
    "sent), 130 interrupted (Ctrl-C).\n";

QCommandLineOption optionNamed(const QString& name)
{
    if (name == QLatin1String("baud"))
        return {name, QStringLiteral("speed"), QStringLiteral("RATE")};
    if (name == QLatin1String("audit"))
        return {name, QStringLiteral("audit file"), QStringLiteral("FILE")};
    if (name == QLatin1String("parallel") || name == QLatin1String("seconds"))
        return {name, name, QStringLiteral("N")};
    return QCommandLineOption(name);
}

// The monitor's deadline is one timer counting milliseconds in an int: about 24 days.
constexpr int maxSeconds = std::numeric_limits<int>::max() / 1000;

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
            options += optionHelp().at(name);
        return QStringLiteral("usage: zr415ctl %1\n%2\nOptions:\n%3%4")
            .arg(found->second.synopsis, found->second.help, options,
                 QString::fromLatin1(environmentHelp));
    }
    QString text = QStringLiteral("usage: zr415ctl COMMAND [options]\n"
                                  "Configures ZR415 receivers on serial lines, one or many at "
                                  "a time.\nCommands:\n");
    for (const char* name : {"ports", "query", "set", "apply", "reset", "monitor"})
        text += QStringLiteral("  zr415ctl %1\n").arg(commands().at(QLatin1String(name)).synopsis);
    text += QStringLiteral("zr415ctl COMMAND --help tells more; --version prints the version.\n");
    return text + QString::fromLatin1(environmentHelp);
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
        error = first.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command '%1'").arg(first);
        usageText = usage();
        return std::nullopt;
    }
    const CommandDefinition& definition = found->second;
    invocation.command = definition.command;
    invocation.name = first;
    usageText = usage(first);

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    for (const QString& name : definition.options)
        parser.addOption(optionNamed(name));
    QStringList rest = arguments;
    rest.removeAt(1);
    if (!parser.parse(rest)) {
        error = QStringLiteral("%1: %2").arg(first, parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        invocation.command = Invocation::Command::Help;
        invocation.helpText = usageText;
        return invocation;
    }
    QStringList positional = parser.positionalArguments();
    const auto fail = [&](const QString& message) {
        error = QStringLiteral("%1: %2").arg(first, message);
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
    if (given("audit")) {
        invocation.auditPath = parser.value(QStringLiteral("audit"));
        if (invocation.auditPath.isEmpty())
            return fail(QStringLiteral("--audit needs a file name"));
    }
    if (given("baud")) {
        const QString baud = parser.value(QStringLiteral("baud"));
        double rate = 0;
        if (baud == QLatin1String("auto") && invocation.command != Invocation::Command::Monitor)
            invocation.baud = 0;
        else if (positiveNumber(baud, rate) && rate == static_cast<unsigned>(rate) &&
                 rate <= 4000000)
            invocation.baud = static_cast<unsigned>(rate);
        else
            return fail(
                invocation.command == Invocation::Command::Monitor
                    ? QStringLiteral("--baud needs a rate such as 115200, not '%1'").arg(baud)
                    : QStringLiteral("--baud needs a rate such as 115200 or auto, not '%1'")
                          .arg(baud));
    }
    if (given("parallel")) {
        double count = 0;
        const QString text = parser.value(QStringLiteral("parallel"));
        if (!positiveNumber(text, count) || count != static_cast<int>(count))
            return fail(
                QStringLiteral("--parallel needs a whole number above 0, not '%1'").arg(text));
        invocation.parallel = static_cast<int>(count);
    }
    if (given("seconds")) {
        const QString text = parser.value(QStringLiteral("seconds"));
        if (!positiveNumber(text, invocation.seconds) || invocation.seconds > maxSeconds)
            return fail(QStringLiteral("--seconds needs a number above 0 and at most %1, not '%2'")
                            .arg(maxSeconds)
                            .arg(text));
    }

    switch (invocation.command) {
    case Invocation::Command::Ports:
        if (!positional.isEmpty())
            return fail(QStringLiteral("takes no port, got '%1'").arg(positional.first()));
        break;
    case Invocation::Command::Query:
    case Invocation::Command::Reset:
        if (positional.isEmpty())
            return fail(QStringLiteral("needs at least one PORT"));
        invocation.ports = positional;
        if (invocation.command == Invocation::Command::Reset && !invocation.confirmed)
            return fail(QStringLiteral("restores the factory settings: add --yes to confirm"));
        break;
    case Invocation::Command::Set:
        if (positional.size() < 2)
            return fail(QStringLiteral("needs a PORT and at least one NAME=VALUE"));
        invocation.ports = {positional.takeFirst()};
        invocation.assignments = positional;
        if (QString wrong; !Profile::fromAssignments(invocation.assignments, wrong))
            return fail(wrong.replace(QLatin1Char('\n'), QLatin1String("; ")));
        break;
    case Invocation::Command::Apply:
        if (positional.size() < 2)
            return fail(QStringLiteral("needs a PROFILE and at least one PORT"));
        invocation.profilePath = positional.takeFirst();
        invocation.ports = positional;
        break;
    case Invocation::Command::Monitor:
        if (positional.size() != 1)
            return fail(QStringLiteral("needs exactly one PORT"));
        invocation.ports = positional;
        if (invocation.baud == 0)
            invocation.baud = 115200;
        break;
    default:
        break;
    }
    // One port object per unit: the same device twice, under any of its names, would fight
    // over one line.
    QStringList devices;
    for (const QString& port : invocation.ports) {
        const QFileInfo info(port);
        const QString device =
            info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
        const qsizetype earlier = devices.indexOf(device);
        if (earlier >= 0)
            return fail(port == invocation.ports[earlier]
                            ? QStringLiteral("port '%1' is named twice").arg(port)
                            : QStringLiteral("port '%1' is named twice, also as '%2'")
                                  .arg(invocation.ports[earlier], port));
        devices << device;
    }
    return invocation;
}
