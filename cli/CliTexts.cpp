#include "CliTexts.h"

#include "StaleLockFile.h"

#include <csignal>

namespace CliTexts {
QString linkReason(LinkError kind, const QString& systemText)
{
    switch (kind) {
    case LinkError::NoSuchDevice:
        return QStringLiteral("no such device");
    case LinkError::NoPermission:
        return QStringLiteral("permission denied (the user must be in the group dialout)");
    case LinkError::Busy:
        return QStringLiteral("the port is in use by another program");
    case LinkError::StaleLock: {
        const StaleLockFile stale = StaleLockFile::fromText(systemText);
        return QStringLiteral("stale lock file %1 of user %2 (process %3 has ended), which this "
                              "user cannot remove; remove it as root: %4, or reboot")
            .arg(stale.path, stale.owner, QString::number(stale.pid), stale.removeCommand());
    }
    case LinkError::Unplugged:
        return QStringLiteral("the device was unplugged");
    case LinkError::BaudUnsupported:
        return QStringLiteral("baud rate not supported");
    case LinkError::NotSerial:
        return QStringLiteral("not a serial device");
    case LinkError::TooManyFiles:
        return QStringLiteral("too many open files");
    default:
        return QStringLiteral("system error: %1").arg(systemText);
    }
}
QString cannotOpen(const QString& port, const QString& reason)
{
    return QStringLiteral("cannot open %1: %2").arg(port, reason);
}
QString lineLost(const QString& reason)
{
    return QStringLiteral("the line went away: %1").arg(reason);
}
QString cannotWrite(const QString& reason)
{
    return QStringLiteral("cannot write to the line: %1").arg(reason);
}
QString noBaudToTry()
{
    return QStringLiteral("no baud rate to try");
}
QString unusableSerial(const QString& shown)
{
    return QStringLiteral("the serial number answered is no receiver's: \"%1\"").arg(shown);
}
QString noIdentityAtAnySpeed()
{
    return QStringLiteral("no answer to the serial-number query at any speed");
}
QString noIdentityAt(unsigned baud)
{
    return QStringLiteral("no answer to the serial-number query at %1 baud").arg(baud);
}
QString signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGQUIT:
        return QStringLiteral("SIGQUIT");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}
QString interrupted(int signalNumber)
{
    return QStringLiteral("stopped by %1").arg(signalName(signalNumber));
}
QString unfinishedAs(const QString& progress)
{
    if (progress == QLatin1String("changing"))
        return QStringLiteral("unfinished: changing, a SET went out");
    if (progress == QLatin1String("started"))
        return QStringLiteral("unfinished: started, nothing sent");
    return QStringLiteral("unfinished: not started");
}
QString leftByRun(const QString& run)
{
    return QStringLiteral("left by run %1").arg(run);
}
QString setInFlight(const QString& sentence)
{
    return QStringLiteral("sent, unanswered when stopped: %1").arg(sentence);
}
QString unexpectedSerial()
{
    return QStringLiteral("serial number not among --expect-serial; nothing was set");
}
QString notBoundSerial(const QString& serial)
{
    return QStringLiteral("serial number is not %1, which is bound to this port; nothing was set")
        .arg(serial);
}
QString ratesNotInList(const QStringList& rates)
{
    return QStringLiteral("rates a profile cannot hold: %1").arg(rates.join(QStringLiteral(", ")));
}
QString changesMade(const QStringList& changes)
{
    return changes.isEmpty() ? QStringLiteral("no rate changed")
                             : QStringLiteral("changes: ") + changes.join(QStringLiteral(", "));
}
QString badSerialBinding(const QString& value)
{
    return QStringLiteral("--expect-serial needs PORT=SN with both named, not '%1'").arg(value);
}
QString badSerialsLine(const QString& path, int number, const QString& line)
{
    return QStringLiteral("%1 line %2: needs \"PORT SN\" or PORT=SN, not '%3'")
        .arg(path)
        .arg(number)
        .arg(line);
}
QString cannotReadSerials(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot read --serials %1: %2").arg(path, reason);
}
QString portBoundTwice(const QString& port, const QString& first, const QString& second)
{
    return QStringLiteral("port %1 is bound to two serial numbers, %2 and %3")
        .arg(port, first, second);
}
QString serialBoundTwice(const QString& serial, const QString& first, const QString& second)
{
    return QStringLiteral("serial number %1 is bound to two ports, %2 and %3")
        .arg(serial, first, second);
}
QString fileTooLarge()
{
    return QStringLiteral("larger than 1 MiB");
}
QString notZeroOrOne(const QString& assignment)
{
    return QStringLiteral("%1: allowed: 0 or 1").arg(assignment);
}
QString baudNotListed(const QString& value, const QString& allowed, bool autoAllowed)
{
    return QStringLiteral("--baud %1 is not a rate of the list; allowed: %2%3")
        .arg(value, allowed, autoAllowed ? QStringLiteral(", auto") : QString());
}
QString fromTool(const QString& message)
{
    return QStringLiteral("zr415ctl: ") + message;
}
QString monitorCannotOpen(const QString& reason)
{
    return QStringLiteral("cannot open %1").arg(reason);
}
QString monitorLost(const QString& port, const QString& reason)
{
    return QStringLiteral("%1 lost: %2").arg(port, reason);
}
QString recordingRefused(const QString& path, const QString& reason, bool exists)
{
    return exists ? QStringLiteral("%1 exists; add --force to replace it").arg(path)
                  : QStringLiteral("cannot record into %1: %2").arg(path, reason);
}
QString recordingEnded(const QString& path, const QString& reason)
{
    return QStringLiteral("recording into %1 ended: %2; still listening").arg(path, reason);
}
QString recordNeedsFile()
{
    return QStringLiteral("--record needs a file name");
}
QString monitorOutputFailed(const QString& reason)
{
    return QStringLiteral("cannot write the output: %1").arg(reason);
}
QString observedRate(const QString& key, const QString& want, const std::optional<QString>& got,
                     quint64 checksumErrors)
{
    if (!got && checksumErrors)
        return QStringLiteral("%1 wanted %2, arrives with bad checksums only (%3)")
            .arg(key, want)
            .arg(checksumErrors);
    if (!got)
        return QStringLiteral("%1 wanted %2, too few arrive to measure").arg(key, want);
    if (*got == QLatin1String("OFF"))
        return QStringLiteral("%1 wanted %2, nothing arrives").arg(key, want);
    return QStringLiteral("%1 wanted %2, arrives every %3 s").arg(key, want, *got);
}
QString observeTooShort(double given, double needed)
{
    return QStringLiteral("--observe %1 is too short to tell for the profile's rates: it needs at "
                          "least %2 (three periods of the slowest, at least 3 s)")
        .arg(given)
        .arg(needed);
}
QString noSerialPorts()
{
    return QStringLiteral("no serial ports found");
}
QString badWait(const char* variable, const QString& value)
{
    return QStringLiteral("%1 must be milliseconds from 1 to 600000, not '%2'")
        .arg(QString::fromLatin1(variable), value);
}
QString ignoredProfileKeys(const QString& profile, const QStringList& keys)
{
    return QStringLiteral("profile %1: keys ignored, the window does not know them: %2")
        .arg(profile, keys.join(QStringLiteral(", ")));
}
QString auditFailed(const QString& reason, const QString& record)
{
    return QStringLiteral("%1; the record was: %2").arg(reason, record);
}

// Help of the commands, by name.
QString synopsis(const QString& command)
{
    if (command == QLatin1String("ports"))
        return QStringLiteral("ports   [--json]");
    if (command == QLatin1String("query"))
        return QStringLiteral("query   PORT... [--baud RATE|auto] [--json] [--parallel N] "
                              "[--profile FILE [--force]]");
    if (command == QLatin1String("set"))
        return QStringLiteral(
            "set     PORT NAME=VALUE... | PORT... -- NAME=VALUE... [--baud RATE|auto] [--json] "
            "[--no-verify] [--audit FILE|--no-audit] [--parallel N] [--expect-serial "
            "SN[,SN...]|PORT=SN]... [--serials FILE]");
    if (command == QLatin1String("apply"))
        return QStringLiteral("apply   PROFILE PORT... [--baud RATE|auto] [--json] [--no-verify] "
                              "[--audit FILE|--no-audit] [--parallel N] [--observe SECONDS] "
                              "[--expect-serial SN[,SN...]|PORT=SN]... [--serials FILE] "
                              "[--check]");
    if (command == QLatin1String("reset"))
        return QStringLiteral("reset   PORT... --yes [--baud RATE|auto] [--json] "
                              "[--audit FILE|--no-audit] [--parallel N] "
                              "[--expect-serial SN[,SN...]|PORT=SN]... [--serials FILE]");
    if (command == QLatin1String("monitor"))
        return QStringLiteral(
            "monitor PORT [--baud RATE] [--seconds N] [--rates [--json] | --status [--json]] "
            "[--record FILE [--force]]");
    if (command == QLatin1String("audit"))
        return QStringLiteral(
            "audit   [FILE] [--run ID] [--failed|--unfinished] [--ports] [--json]");
    if (command == QLatin1String("report"))
        return QStringLiteral("report  PORT...|--from FILE... [--seconds N] [--json] "
                              "[--html FILE|DIR] [thresholds]");
    return {};
}
QString commandHelp(const QString& command)
{
    if (command == QLatin1String("ports"))
        return QStringLiteral(
            "Lists the serial ports in columns: system ports with description, maker,\n"
            "USB serial number, USB ids and stable /dev/serial/by-id name where known,\n"
            "then the paths of ZR415_EXTRA_PORTS that exist. --json prints one\n"
            "array of the same fields.");
    if (command == QLatin1String("query"))
        return QStringLiteral(
            "Reads the serial number and the ten output rates of each unit. With --profile\n"
            "it also writes the unit's state as a settings file that apply takes: every\n"
            "rate as read, the speed it answered at, and for what cannot be read (SBAS,\n"
            "the HDT talker, the clear order, the query keys) what a missing key reads as.");
    if (command == QLatin1String("set"))
        return QStringLiteral(
            "Sets outputs of one unit, in the order the window's submit button uses, or of\n"
            "several: name the ports, then --, then the settings (options before the --).\n"
            "NAME is case-insensitive: GGA ZDA GST GSV GSA GLL RMC VTG GRS HDT or ALL =\n"
            "OFF 0.02 0.05 0.1 0.2 0.5 1 2 5 10 15 30 60; SBAS=on|off; HDT-TALKER=HE|GP|GN;\n"
            "CLEAN (no value) clears the stored satellite data. SBAS is sent only when named.\n"
            "The rates set are read back unless --no-verify.");
    if (command == QLatin1String("apply"))
        return QStringLiteral(
            "Sends each unit what the window's submit button sends for the settings file\n"
            "PROFILE (as its save button writes it), then reads the rates back. Its port\n"
            "and query keys are ignored; its baud rate is tried first. A profile the window\n"
            "would change or send wrongly is refused and nothing is sent. All units run at\n"
            "once, or N at a time with --parallel. --observe then listens to each unit\n"
            "and compares every rate set with what arrives. --check sends nothing: it\n"
            "reads each unit's rates and lists what the profile would change.\n"
            "Without --check the profile's rates are read first too, and \"changes\" lists\n"
            "them; \"changed\" is true when one of them differed (or could not be read) or\n"
            "the profile clears the stored satellite data, which acts every time. SBAS and\n"
            "the HDT talker cannot be read back: they are sent as always and never count\n"
            "as a change.");
    if (command == QLatin1String("reset"))
        return QStringLiteral("Restores the factory settings of each unit; refuses to run without "
                              "--yes.");
    if (command == QLatin1String("monitor"))
        return QStringLiteral(
            "Prints each line the unit sends, with its UTC time, until Ctrl-C or N\n"
            "seconds. The speed is 115200 unless --baud names another. With --rates it\n"
            "measures instead (10 seconds unless --seconds says otherwise) and prints per\n"
            "sentence how many arrived, their mean period, shortest and longest gap and\n"
            "checksum errors. With --status it prints once a second (10 seconds unless\n"
            "--seconds says otherwise) the fix, position, satellites used/in view, HDOP\n"
            "and heading; with --json gpsd's stream: VERSION and DEVICES, then per epoch\n"
            "a TPV, a SKY when the sky changed and an ATT when a heading came, CR LF ended.\n"
            "--record FILE also keeps every byte the unit sends in FILE, exactly as sent,\n"
            "and when each piece arrived in FILE.jsonl; zr415-sim --replay and the window\n"
            "play it back.");
    if (command == QLatin1String("audit"))
        return QStringLiteral(
            "Tells the last state of each unit of one run from an audit file (default: the\n"
            "one set, apply and reset write), by default of the run that began last in it.\n"
            "A port of the run with no finished record was cut off (killed run, crash): it\n"
            "is unfinished, not started, started (nothing sent) or changing (a SET went\n"
            "out). Without --run, the ports earlier runs left unfinished follow, until a\n"
            "later run names them again. Lines that are not records are skipped and counted.");
    return {};
}
QString optionHelp(const QString& option)
{
    if (option == QLatin1String("baud"))
        return QStringLiteral(
            "  --baud RATE|auto  the line speed; auto (the default) tries the profile's "
            "rate,\n"
            "                    115200, 9600, then the other rates of the list, and "
            "reports\n"
            "                    the one that answered; with no answer, the first three\n"
            "                    again with the full answer wait\n");
    if (option == QLatin1String("json"))
        return QStringLiteral("  --json            JSON instead of English\n");
    if (option == QLatin1String("no-verify"))
        return QStringLiteral("  --no-verify       do not read back what was set\n");
    if (option == QLatin1String("audit"))
        return QStringLiteral(
            "  --audit FILE      the audit file (default: provision.jsonl in the log "
            "folder)\n");
    if (option == QLatin1String("parallel"))
        return QStringLiteral("  --parallel N      at most N units at once (default: all)\n");
    if (option == QLatin1String("yes"))
        return QStringLiteral("  --yes             confirm the factory reset\n");
    if (option == QLatin1String("rates"))
        return QStringLiteral(
            "  --rates           measure the rate of each sentence, print a table\n");
    if (option == QLatin1String("status"))
        return QStringLiteral(
            "  --status          print the receiver's fix, position and sky once a second\n");
    if (option == QLatin1String("observe"))
        return QStringLiteral(
            "  --observe SECONDS after the read-back, listen that long; a rate more than\n"
            "                    10 % off, silent when set, or arriving when set OFF is a\n"
            "                    mismatch (at least three periods of the slowest rate set)\n");
    if (option == QLatin1String("no-audit"))
        return QStringLiteral("  --no-audit        write no audit record (the summary says so)\n");
    if (option == QLatin1String("expect-serial"))
        return QStringLiteral(
            "  --expect-serial SN[,SN...]\n"
            "                    only units with one of these serial numbers are changed; any\n"
            "                    other ends as unexpected-serial and is sent no SET\n"
            "  --expect-serial PORT=SN\n"
            "                    (repeatable) the unit on PORT (any name of the device) must\n"
            "                    show SN, else unexpected-serial, nothing set; the SN list\n"
            "                    is for the ports without such a binding\n");
    if (option == QLatin1String("serials"))
        return QStringLiteral(
            "  --serials FILE    bindings as PORT=SN, one \"PORT SN\" or PORT=SN a line;\n"
            "                    comments from #\n"
            "                    and blank lines are skipped, any other line is refused\n");
    if (option == QLatin1String("check"))
        return QStringLiteral(
            "  --check           send no SET and write no audit record; read each unit's\n"
            "                    rates and list per unit what would change (SBAS, talker\n"
            "                    and clear cannot be read: from \"unknown\"); exit 0 when\n"
            "                    nothing would change, 3 when it would (a rate differs or\n"
            "                    the profile clears satellite data), 1 if a unit failed\n");
    if (option == QLatin1String("profile"))
        return QStringLiteral(
            "  --profile FILE    write the unit's state to FILE as a profile for apply; never\n"
            "                    through a symbolic link\n");
    if (option == QLatin1String("force"))
        return QStringLiteral(
            "  --force           let --profile or --record replace an existing file\n");
    if (option == QLatin1String("record"))
        return QStringLiteral(
            "  --record FILE     also record the line into FILE and FILE.jsonl; a failed\n"
            "                    write ends the recording, not the listening (exit 1)\n");
    if (option == QLatin1String("run"))
        return QStringLiteral(
            "  --run ID          the run with this id (\"run\" in the records)\n");
    if (option == QLatin1String("failed"))
        return QStringLiteral("  --failed          only the units not ok, unfinished ones too\n");
    if (option == QLatin1String("unfinished"))
        return QStringLiteral("  --unfinished      only the ports never finished\n");
    if (option == QLatin1String("ports"))
        return QStringLiteral(
            "  --ports           only their ports, one a line: zr415ctl audit --failed\n"
            "                    --ports | xargs zr415ctl apply PROFILE runs them again\n");
    if (option == QLatin1String("seconds"))
        return QStringLiteral(
            "  --seconds N       stop after N seconds (default: at Ctrl-C, 10 with --rates\n"
            "                    or --status)\n");
    return {};
}
QString auditMoved(const QString& warning, const QString& path)
{
    return QStringLiteral("%1; the audit file is %2 instead").arg(warning, path);
}
QString environmentHelp()
{
    return QStringLiteral(
        "Environment: ZR415CTL_ACK_MS (wait for each answer, default 1000 ms, one retry),\n"
        "ZR415CTL_PROBE_MS (wait at each speed while searching, default 300 ms),\n"
        "ZR415_EXTRA_PORTS (more port paths, separated by ':').\n"
        "Exit status: 0 every unit ok, 1 some unit not ok, 2 usage or profile error (nothing\n"
        "sent), 3 apply --check: every unit ok and something would change, 128 + N\n"
        "stopped by signal N (130 Ctrl-C, 131 Ctrl-\\, 143 SIGTERM, 129 SIGHUP). A result\n"
        "that cannot be written to standard output makes the status 1 at least.\n"
        "reason_code (JSON, null when ok): busy no-permission stale-lock no-such-device\n"
        "not-serial unplugged too-many-files baud-unsupported write-failed no-answer\n"
        "bad-checksum bad-serial refused read-back-differs observed-differs\n"
        "unlisted-rate unexpected-serial audit-unwritable interrupted other.\n");
}
QString usageHeader()
{
    return QStringLiteral("usage: zr415ctl COMMAND [options]\n"
                          "Configures ZR415 receivers on serial lines, one or many at a time.\n"
                          "Commands:\n");
}
QString usageFooter()
{
    return QStringLiteral("zr415ctl COMMAND --help tells more; --version prints the version.\n");
}
QString usageOf(const QString& synopsis, const QString& help, const QString& options)
{
    return QStringLiteral("usage: zr415ctl %1\n%2\nOptions:\n%3%4")
        .arg(synopsis, help, options, environmentHelp());
}
QString noCommand()
{
    return QStringLiteral("no command given");
}
QString unknownCommand(const QString& name)
{
    return QStringLiteral("unknown command '%1'").arg(name);
}
QString ofCommand(const QString& command, const QString& message)
{
    return QStringLiteral("%1: %2").arg(command, message);
}
QString auditNeedsFile()
{
    return QStringLiteral("--audit needs a file name");
}
QString badBaud(const QString& value, bool autoAllowed)
{
    return autoAllowed
               ? QStringLiteral("--baud needs a rate such as 115200 or auto, not '%1'").arg(value)
               : QStringLiteral("--baud needs a rate such as 115200, not '%1'").arg(value);
}
QString badParallel(int most, const QString& value)
{
    return QStringLiteral("--parallel needs a whole number from 1 to %1, not '%2'")
        .arg(most)
        .arg(value);
}
QString seeHelp(const QString& command)
{
    return command.isEmpty()
               ? QStringLiteral("Try 'zr415ctl --help' for the usage.\n")
               : QStringLiteral("Try 'zr415ctl %1 --help' for the usage.\n").arg(command);
}
QString fixedBaudHelp()
{
    return QStringLiteral("  --baud RATE       the line speed (default: 115200; no search)\n");
}
QString badSeconds(int most, const QString& value)
{
    return QStringLiteral("--seconds needs a number above 0 and at most %1, not '%2'")
        .arg(most)
        .arg(value);
}
QString badObserve(int most, const QString& value)
{
    return QStringLiteral("--observe needs a number of seconds above 0 and at most %1, not '%2'")
        .arg(most)
        .arg(value);
}
QString jsonNeedsRates()
{
    return QStringLiteral(
        "--json goes with --rates or --status: the lines are printed as they come");
}
QString statusWithRates()
{
    return QStringLiteral("--status and --rates cannot go together: choose one");
}
QString fixQuality(int quality)
{
    static const char* const words[] = {"no fix",    "single",    "DGNSS",          "PPS",
                                        "RTK fixed", "RTK float", "dead reckoning", "manual",
                                        "simulation"};
    return quality >= 0 && quality <= 8 ? QLatin1String(words[quality]) : QStringLiteral("-");
}
QString statusLine(const QString& fix, const QString& position, int used, int inView,
                   const QString& hdop, const QString& heading)
{
    return QStringLiteral("fix %1, %2, satellites %3/%4, HDOP %5, heading %6")
        .arg(fix, position)
        .arg(used)
        .arg(inView)
        .arg(hdop, heading);
}
QString takesNoPort(const QString& given)
{
    return QStringLiteral("takes no port, got '%1'").arg(given);
}
QString needsPorts()
{
    return QStringLiteral("needs at least one PORT");
}
QString resetNeedsYes()
{
    return QStringLiteral("restores the factory settings: add --yes to confirm");
}
QString setNeedsPortAndValues()
{
    return QStringLiteral("needs a PORT and at least one NAME=VALUE");
}
QString applyNeedsProfileAndPorts()
{
    return QStringLiteral("needs a PROFILE and at least one PORT");
}
QString monitorNeedsOnePort()
{
    return QStringLiteral("needs exactly one PORT");
}
QString portNamedTwice(const QString& port)
{
    return QStringLiteral("port '%1' is named twice").arg(port);
}
QString badExpectedSerials(const QString& value)
{
    return QStringLiteral("--expect-serial needs serial numbers separated by commas, not '%1'")
        .arg(value);
}
QString auditOptionsClash()
{
    return QStringLiteral("--audit and --no-audit contradict each other");
}
QString checkWithObserve()
{
    return QStringLiteral("--check sends nothing, so there is nothing to --observe");
}
QString profileNeedsOnePort()
{
    return QStringLiteral("--profile writes one unit's state: name exactly one PORT");
}
QString profileNeedsFile()
{
    return QStringLiteral("--profile needs a file name");
}
QString profileExists(const QString& path)
{
    return QStringLiteral("%1 exists; add --force to replace it").arg(path);
}
QString profileIsLink(const QString& path)
{
    return QStringLiteral("%1 is a symbolic link; a profile is not written through one").arg(path);
}
QString cannotWriteProfile(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot write profile %1: %2").arg(path, reason);
}
QString rateNotInList(const QString& name, const QString& rate)
{
    return QStringLiteral("%1 reports rate '%2', which a profile cannot hold").arg(name, rate);
}
QString profileWritten(const QString& path)
{
    return QStringLiteral("profile written to %1; SBAS, the HDT talker and the clear order cannot "
                          "be read from a unit, so it holds the window's defaults for them "
                          "(sbas=0: applying it switches SBAS off)")
        .arg(path);
}
QString profileNotWritten(const QString& path)
{
    return QStringLiteral("no profile written to %1: the unit was not read").arg(path);
}
QString notRecordedAsAsked()
{
    return QStringLiteral("not recorded (--no-audit)");
}
QString portNamedTwiceAs(const QString& earlier, const QString& port)
{
    return QStringLiteral("port '%1' is named twice, also as '%2'").arg(earlier, port);
}
QString usageLine(const QString& synopsis)
{
    return QStringLiteral("  zr415ctl ") + synopsis + QLatin1Char('\n');
}
QString version()
{
    return QStringLiteral("zr415ctl " ZR415_VERSION);
}

QString noAuditFolder()
{
    return QStringLiteral("no folder for the audit file can be written; name one with --audit");
}
QString cannotOpenAudit(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot open audit file %1: %2").arg(path, reason);
}
QString cannotWriteAudit(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot write audit file %1: %2").arg(path, reason);
}
QString cannotFlushAudit(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot flush audit file %1: %2").arg(path, reason);
}
QString nothingWritten()
{
    return QStringLiteral("nothing written");
}
QString partialRecordLeft(const QString& failure, const QString& reason)
{
    return failure + QStringLiteral("; a partial record may remain: %1").arg(reason);
}

QString cannotReadProfile(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot read profile %1: %2").arg(path, reason);
}
QString profileIsFolder()
{
    return QStringLiteral("is a folder");
}
QString profileNotRegular()
{
    return QStringLiteral(
        "not a regular file (a pipe or device cannot be applied; save it to a file first)");
}
QString profileTooLarge()
{
    return QStringLiteral("larger than 1 MiB, not a settings file");
}
QString profileRefused(const QString& path, const QStringList& errors)
{
    return QStringLiteral("profile %1 refused:\n  %2")
        .arg(path, errors.join(QStringLiteral("\n  ")));
}
QString notUtf8(std::size_t line)
{
    return QStringLiteral("line %1: not UTF-8 text").arg(line);
}
QString nulByte(std::size_t line, const QString& text)
{
    return QStringLiteral("line %1: holds a NUL byte, which ends a value early: %2")
        .arg(line)
        .arg(text);
}
QString keyInOtherCase(std::size_t line, const QString& key, const QString& known)
{
    return QStringLiteral("line %1: key %2 is %3 in another case").arg(line).arg(key, known);
}
QString givenAgain(std::size_t line, const QString& assignment, std::size_t earlierLine,
                   const QString& earlierAssignment)
{
    // In one pass: a value such as "%3" is the file's text, not a place for the next number.
    return QStringLiteral("line %1: %2 given again with another value (line %3: %4)")
        .arg(QString::number(line), assignment, QString::number(earlierLine), earlierAssignment);
}
QString noOutputSetting()
{
    return QStringLiteral("no line holds an output setting the window knows (setGGA, "
                          "setCommandGGA, sbas, clean, hdtPrefix, …)");
}
QString notWholeNumber(const QString& assignment, bool talker)
{
    return QStringLiteral("%1: not a whole number; allowed: 0 or 1%2")
        .arg(assignment, talker ? QStringLiteral(" (0, 1, 2 for HE, GP, GN)") : QString());
}
QString notOutputRate(const QString& assignment, const QString& allowed)
{
    return QStringLiteral("%1: not an output rate; allowed: %2").arg(assignment, allowed);
}
QString missingWhileSet(const QString& rateKey, const QString& setKey, const QString& allowed)
{
    return QStringLiteral("%1: missing while %2 is set; allowed: %3").arg(rateKey, setKey, allowed);
}
QString talkerOutOfRange(const QString& assignment)
{
    return QStringLiteral(
               "%1: out of range while useHdtPrefix is set; allowed: 0 (HE), 1 (GP), 2 (GN)")
        .arg(assignment);
}
QString notListedBaud(const QString& assignment, const QString& allowed)
{
    return QStringLiteral("%1: not a baud rate of the list; allowed: %2").arg(assignment, allowed);
}
QString givenTwice(const QString& name)
{
    return QStringLiteral("%1: given twice").arg(name);
}
QString badSbas(const QString& value)
{
    return QStringLiteral("SBAS=%1: allowed: on, off").arg(value);
}
QString badTalker(const QString& value, const QString& allowed)
{
    return QStringLiteral("HDT-TALKER=%1: allowed: %2").arg(value, allowed);
}
QString cleanTakesNoValue(const QString& assignment)
{
    return QStringLiteral("%1: CLEAN takes no value").arg(assignment);
}
QString unknownSetting(const QString& name, const QString& known)
{
    return QStringLiteral("%1: unknown setting; known: %2").arg(name, known);
}
QString allWithSingles()
{
    return QStringLiteral("ALL cannot be combined with single sentences: ALL is sent last and "
                          "would override them; use two set commands");
}
QString stoppedBeforeStart(int signalNumber)
{
    return QStringLiteral("stopped by %1 before it started").arg(signalName(signalNumber));
}

QString noValue()
{
    return QStringLiteral("-");
}
QString baudUsed(unsigned baud, bool searched)
{
    return QStringLiteral("%1 baud%2")
        .arg(baud)
        .arg(searched ? QStringLiteral(" (auto)") : QString());
}
QString secondsTaken(double seconds)
{
    return QStringLiteral("%1 s").arg(seconds, 0, 'f', 2);
}
QString plannedChange(const QString& key, const QString& from, const QString& to)
{
    return QStringLiteral("%1 %2 -> %3").arg(key, from, to);
}
QString wouldChange(const QStringList& changes)
{
    return changes.isEmpty()
               ? QStringLiteral("no rate would change")
               : QStringLiteral("would change: ") + changes.join(QStringLiteral(", "));
}
QString cannotBeRead(const QStringList& keys)
{
    return QStringLiteral("cannot be read, would be sent: ") + keys.join(QStringLiteral(", "));
}
QString appliedSettings(const QStringList& settings)
{
    return QStringLiteral("applied: ") + settings.join(QStringLiteral(", "));
}
QString refusedSettings(const QStringList& settings)
{
    return QStringLiteral("refused: ") + settings.join(QStringLiteral(", "));
}
QString unansweredSettings(const QStringList& settings)
{
    return QStringLiteral("no answer: ") + settings.join(QStringLiteral(", "));
}
QString wrongChecksums(int count)
{
    return QStringLiteral("%1 answer(s) with a wrong checksum ignored").arg(count);
}
QString ackOnlySettings(const QStringList& settings)
{
    return QStringLiteral("acknowledged, no read-back exists: ") +
           settings.join(QStringLiteral(", "));
}
QString readBack(const QString& key, const QString& want, const std::optional<QString>& got)
{
    return QStringLiteral("%1 wanted %2, read back %3")
        .arg(key, want, got ? *got : QStringLiteral("nothing"));
}
QString outcomeCount(qsizetype count, const QString& outcome)
{
    return QStringLiteral("%1 %2").arg(count).arg(outcome);
}
QString noUnits()
{
    return QStringLiteral("no units");
}
QString notRecordedIn(int count, const QString& path)
{
    return QStringLiteral("%1 not recorded in %2").arg(count).arg(path);
}
QString progress(int done, int total)
{
    return QStringLiteral("%1 of %2 done").arg(done).arg(total);
}

QStringList portColumns()
{
    return {QStringLiteral("NAME"),  QStringLiteral("PATH"),   QStringLiteral("DESCRIPTION"),
            QStringLiteral("MAKER"), QStringLiteral("SERIAL"), QStringLiteral("USB"),
            QStringLiteral("BY-ID"), QStringLiteral("LISTED")};
}
QString listedBy(bool extra)
{
    return extra ? QStringLiteral("ZR415_EXTRA_PORTS") : QStringLiteral("system");
}
QStringList rateColumns()
{
    return {QStringLiteral("SENTENCE"), QStringLiteral("COUNT"),
            QStringLiteral("PERIOD"),   QStringLiteral("MIN GAP"),
            QStringLiteral("MAX GAP"),  QStringLiteral("CHECKSUM ERRORS")};
}
QString lineTotals(const QString& port, quint64 lines, quint64 bytes, double seconds)
{
    // The port is named by the operator and may hold "%2": the numbers are placed first.
    return port + QStringLiteral(": ") +
           QStringLiteral("%1 lines, %2 bytes in %3 s\n").arg(lines).arg(bytes).arg(seconds);
}
QString onPort(const QString& port, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(port, reason);
}

QString noLogFolder()
{
    return QStringLiteral("the log folder beside the program cannot be found");
}
QString logFolderNotWritable(const QString& folder, const QString& reason)
{
    return QStringLiteral("the log folder %1 cannot be written: %2").arg(folder, reason);
}
QString auditNotPlainFile(const QString& path)
{
    return QStringLiteral("the shared audit file %1 is not a plain file of its own (a symbolic "
                          "link, a second name or something else): nothing sent; remove it or "
                          "name another file with --audit")
        .arg(path);
}
QString auditUnwritable()
{
    return QStringLiteral("not started: the audit file cannot be written");
}
QString auditToStandardOutput()
{
    return QStringLiteral("--audit needs a file: standard output holds the results (a file "
                          "named '-' is ./-)");
}
QString outputFailed(const QString& reason)
{
    return QStringLiteral("the results could not be written to standard output: %1").arg(reason);
}
QString failedWithUnfinished()
{
    return QStringLiteral("--failed already lists the unfinished units; give one of the two");
}
QString auditTakesOneFile(const QString& extra)
{
    return QStringLiteral("audit reads one file, not also '%1'").arg(extra);
}
QString runNeedsId()
{
    return QStringLiteral("--run needs a run id");
}
QString cannotReadAudit(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot read audit file %1: %2").arg(path, reason);
}
QString noRunIn(const QString& path)
{
    return QStringLiteral("no run recorded in %1").arg(path);
}
QString runNotIn(const QString& run, const QString& path)
{
    return QStringLiteral("run %1 is not recorded in %2").arg(run, path);
}
QString linesSkipped(int count, const QString& path)
{
    return QStringLiteral("%1 line(s) of %2 skipped: not a record").arg(count).arg(path);
}
} // namespace CliTexts
