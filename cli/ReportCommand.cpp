#include "ReportCommand.h"

#include "CliTexts.h"
#include "CommandRunner.h"
#include "InterruptWatcher.h"
#include "RecordingFeed.h"
#include "ReportBuilder.h"
#include "ReportListener.h"
#include "ReportPage.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <csignal>
#include <deque>
#include <memory>

namespace {
// The monitor's limits: a day's worth of listening and more units than any bench holds are
// typing errors.
constexpr double maxSeconds = 7 * 24 * 3600;
constexpr int maxParallel = 100000;

bool number(const QString& text, double low, double high, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value >= low && value <= high;
}

QString summary(const UnitReport& report)
{
    const QString name = report.serial.isEmpty() ? QStringLiteral("-") : report.serial;
    const QString from = report.file.isEmpty() ? report.port : report.file;
    if (!report.error.isEmpty())
        return QStringLiteral("%1 %2: not made: %3\n").arg(name, from, report.error);
    const auto optional = [](const std::optional<double>& value, int decimals, const char* unit) {
        return value ? QString::number(*value, 'f', decimals) + QLatin1String(unit)
                     : QStringLiteral("-");
    };
    QString text =
        QStringLiteral("%1 %2: %3 s, %4 epochs, RTK fixed %5, first fix %6, CEP95 %7, "
                       "heading sigma %8: %9\n")
            .arg(name, from, QString::number(report.seconds, 'f', 1))
            .arg(report.epochs)
            .arg(optional(report.fixedPercent(), 1, " %"), optional(report.firstFixS, 1, " s"),
                 report.position ? optional(report.position->cep95M, 3, " m") : QStringLiteral("-"),
                 report.heading ? optional(report.heading->sigmaDeg, 3, " deg")
                                : QStringLiteral("-"),
                 report.passed ? QStringLiteral("passed") : QStringLiteral("FAILED"));
    for (const UnitReport::Check& check : report.checks)
        if (!check.passed)
            text +=
                QStringLiteral("  --%1 %2 not met: %3\n")
                    .arg(check.name, QString::number(check.limit), optional(check.value, 3, ""));
    return text;
}
} // namespace

ReportCommand::ReportCommand(std::FILE* toOut, std::FILE* toErr) : out(toOut), err(toErr) {}

QString ReportCommand::usage()
{
    return QStringLiteral(
        "usage: zr415ctl report PORT... [--seconds N] [--parallel N] [--json] [--html FILE|DIR]\n"
        "                       [thresholds]\n"
        "       zr415ctl report --from FILE... [--json] [--html FILE|DIR] [thresholds]\n"
        "Commissioning report of each unit: listens to each live unit for N seconds (its\n"
        "serial number and rates read first, nothing set), or reads recordings (FILE and,\n"
        "when there, FILE.jsonl with the arrival times; without it the receiver's time tags\n"
        "tell the time). Prints per unit its epochs, fix kinds, time to first fix and to RTK\n"
        "fixed, longest outage, mean position with its spread and CEP, heading, satellites,\n"
        "SNR, rates and checksum errors, and whether it passed the thresholds given.\n"
        "  --from FILE       read this recording (the other arguments are recordings too)\n"
        "  --seconds N       listen this long to live units (default 300)\n"
        "  --parallel N      at most N live units at once (default: all)\n"
        "  --json            one JSON object a unit, a line each\n"
        "  --html FILE|DIR   a page for one unit; for several, a folder with a page each\n"
        "                    and index.html, a table of them all\n"
        "thresholds (any not met fails the unit):\n"
        "  --min-fixed PERCENT          share of epochs RTK fixed at least this\n"
        "  --max-cep95 METRES           95 % of positions within this of the mean\n"
        "  --max-heading-sigma DEGREES  heading's standard deviation at most this\n"
        "  --max-first-fix SECONDS      first fix no later than this after the first epoch\n"
        "Exit status: 0 every report made and passed, 1 one failed or could not be made,\n"
        "2 a usage error.\n");
}

std::optional<ReportCommand::Options> ReportCommand::parse(const QStringList& arguments,
                                                           QString& error)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption from(QStringLiteral("from"), {}, QStringLiteral("FILE"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), {}, QStringLiteral("N"));
    const QCommandLineOption parallel(QStringLiteral("parallel"), {}, QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption html(QStringLiteral("html"), {}, QStringLiteral("FILE"));
    const QCommandLineOption minFixed(QStringLiteral("min-fixed"), {}, QStringLiteral("PERCENT"));
    const QCommandLineOption maxCep95(QStringLiteral("max-cep95"), {}, QStringLiteral("METRES"));
    const QCommandLineOption maxHeading(QStringLiteral("max-heading-sigma"), {},
                                        QStringLiteral("DEGREES"));
    const QCommandLineOption maxFirstFix(QStringLiteral("max-first-fix"), {},
                                         QStringLiteral("SECONDS"));
    parser.addOptions(
        {help, from, seconds, parallel, json, html, minFixed, maxCep95, maxHeading, maxFirstFix});
    QStringList rest = arguments;
    rest.removeAt(1);
    if (!parser.parse(rest)) {
        error = parser.errorText();
        return std::nullopt;
    }
    Options options;
    if (parser.isSet(help))
        return std::nullopt; // error empty: the caller prints the usage
    options.json = parser.isSet(json);
    if (parser.isSet(from))
        options.files = parser.values(from) + parser.positionalArguments();
    else
        options.ports = parser.positionalArguments();
    if (options.files.isEmpty() && options.ports.isEmpty()) {
        error = QStringLiteral("needs a PORT or --from FILE");
        return std::nullopt;
    }
    if (parser.isSet(seconds) &&
        (!number(parser.value(seconds), 0.001, maxSeconds, options.seconds))) {
        error = QStringLiteral("--seconds %1: a number of seconds from 0.001 to %2 expected")
                    .arg(parser.value(seconds))
                    .arg(maxSeconds);
        return std::nullopt;
    }
    if (parser.isSet(parallel)) {
        double count = 0;
        if (!number(parser.value(parallel), 1, maxParallel, count) || count != int(count)) {
            error = QStringLiteral("--parallel %1: a whole number from 1 to %2 expected")
                        .arg(parser.value(parallel))
                        .arg(maxParallel);
            return std::nullopt;
        }
        options.parallel = int(count);
    }
    if (!options.files.isEmpty() && (parser.isSet(seconds) || parser.isSet(parallel))) {
        error = QStringLiteral("--seconds and --parallel are for live units, not --from");
        return std::nullopt;
    }
    if (parser.isSet(html)) {
        options.html = parser.value(html);
        if (options.html.isEmpty()) {
            error = QStringLiteral("--html needs a FILE or DIR");
            return std::nullopt;
        }
    }
    const struct
    {
        const QCommandLineOption& option;
        std::optional<double>& limit;
        double high;
    } limits[] = {{minFixed, options.thresholds.minFixedPercent, 100},
                  {maxCep95, options.thresholds.maxCep95M, 1e7},
                  {maxHeading, options.thresholds.maxHeadingSigmaDeg, 360},
                  {maxFirstFix, options.thresholds.maxFirstFixS, maxSeconds}};
    for (const auto& [option, limit, high] : limits) {
        if (!parser.isSet(option))
            continue;
        double value = 0;
        if (!number(parser.value(option), 0, high, value)) {
            error = QStringLiteral("--%1 %2: a number from 0 to %3 expected")
                        .arg(option.names().first(), parser.value(option))
                        .arg(high);
            return std::nullopt;
        }
        limit = value;
    }
    return options;
}

int ReportCommand::run(const QStringList& arguments)
{
    QString error;
    const std::optional<Options> options = parse(arguments, error);
    if (!options) {
        if (error.isEmpty()) {
            std::fputs(usage().toUtf8().constData(), out);
            return CommandRunner::exitOk;
        }
        std::fprintf(err, "%s\n%s",
                     CliTexts::fromTool(QStringLiteral("report: ") + error).toUtf8().constData(),
                     CliTexts::seeHelp(QStringLiteral("report")).toUtf8().constData());
        return CommandRunner::exitUsage;
    }
    std::vector<UnitReport> reports;
    if (!options->files.isEmpty()) {
        for (const QString& file : options->files) {
            ReportBuilder builder;
            RecordingFeed::Header header;
            QString readError;
            const bool read = RecordingFeed::read(file, builder, header, readError);
            UnitReport report = read ? builder.finish() : UnitReport();
            report.file = file;
            report.serial = header.serial;
            report.port = header.port;
            if (!read)
                report.error = readError;
            reports.push_back(std::move(report));
        }
    } else {
        reports = live(*options);
    }
    bool allPassed = true;
    for (UnitReport& report : reports) {
        options->thresholds.check(report);
        allPassed = allPassed && report.passed;
        print(report, options->json);
    }
    if (!options->html.isEmpty() && !writePages(*options, reports))
        allPassed = false;
    if (signalled)
        return CommandRunner::exitSignalled + signalled;
    return allPassed ? CommandRunner::exitOk : CommandRunner::exitUnitsFailed;
}

std::vector<UnitReport> ReportCommand::live(const Options& options)
{
    int ackMs = 0;
    int probeMs = 0;
    QString error;
    CommandRunner::waitFromEnvironment("ZR415CTL_ACK_MS", 1000, ackMs, error);
    CommandRunner::waitFromEnvironment("ZR415CTL_PROBE_MS", 300, probeMs, error);
    std::vector<std::unique_ptr<ReportListener>> listeners;
    for (const QString& port : options.ports) {
        UnitJob job;
        job.command = QStringLiteral("report");
        // A name with a slash is a path from here; a bare name a device under /dev.
        job.port = port.contains(QLatin1Char('/'))
                       ? QDir::cleanPath(QDir::current().absoluteFilePath(port))
                       : QStringLiteral("/dev/") + port;
        job.bauds = CommandRunner::baudOrder(0);
        job.ackMs = ackMs;
        job.probeMs = probeMs;
        listeners.push_back(std::make_unique<ReportListener>(job, options.seconds));
    }
    InterruptWatcher interrupts({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
    QEventLoop loop;
    std::size_t next = 0;
    std::size_t finished = 0;
    const std::size_t limit =
        options.parallel > 0 ? std::size_t(options.parallel) : listeners.size();
    const auto launch = [&] {
        while (next < listeners.size() && next - finished < limit)
            listeners[next++]->start();
    };
    for (const auto& listener : listeners)
        QObject::connect(listener.get(), &ReportListener::finished, &loop, [&](ReportListener*) {
            ++finished;
            if (finished == listeners.size())
                loop.quit();
            else if (!interrupts.isInterrupted())
                launch();
        });
    // Stopped early: each unit reports what it heard so far; those not started, that they
    // were not.
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&] {
        for (std::size_t i = 0; i < next; ++i)
            listeners[i]->stop(interrupts.signalNumber());
        for (; next < listeners.size(); ++next)
            listeners[next]->cancel(QStringLiteral("interrupted before it was listened to"));
    });
    launch();
    if (finished < listeners.size())
        loop.exec();
    std::vector<UnitReport> reports;
    for (const auto& listener : listeners)
        reports.push_back(listener->report());
    if (interrupts.isInterrupted())
        signalled = interrupts.signalNumber();
    return reports;
}

void ReportCommand::print(const UnitReport& report, bool json)
{
    const QByteArray text =
        json ? QJsonDocument(report.toJson()).toJson(QJsonDocument::Compact) + '\n'
             : summary(report).toUtf8();
    std::fputs(text.constData(), out);
    std::fflush(out);
}

bool ReportCommand::writePages(const Options& options, const std::vector<UnitReport>& reports)
{
    const QFileInfo target(options.html);
    const bool oneFile =
        reports.size() == 1 && !target.isDir() && !options.html.endsWith(QLatin1Char('/'));
    const auto write = [this](const QString& path, const QString& html) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(html.toUtf8()) >= 0 && file.commit())
            return true;
        std::fprintf(
            err, "%s\n",
            CliTexts::fromTool(
                QStringLiteral("report: cannot write %1: %2").arg(path, file.errorString()))
                .toUtf8()
                .constData());
        return false;
    };
    if (oneFile)
        return write(options.html, ReportPage::unit(reports.front()));
    if (!QDir().mkpath(options.html)) {
        std::fprintf(err, "%s\n",
                     CliTexts::fromTool(
                         QStringLiteral("report: cannot make the folder %1").arg(options.html))
                         .toUtf8()
                         .constData());
        return false;
    }
    const QDir folder(options.html);
    QStringList pages;
    bool written = true;
    for (const UnitReport& report : reports) {
        // Two recordings of one unit get a page each.
        QString name = ReportPage::fileName(report);
        for (int n = 2; pages.contains(name) || name == QLatin1String("index.html"); ++n)
            name = QFileInfo(ReportPage::fileName(report)).completeBaseName() +
                   QStringLiteral("-%1.html").arg(n);
        pages << name;
        written = write(folder.filePath(name), ReportPage::unit(report)) && written;
    }
    return write(folder.filePath(QStringLiteral("index.html")),
                 ReportPage::index(reports, pages)) &&
           written;
}
