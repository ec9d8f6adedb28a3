// The window and zr415ctl over the same receivers: each misbehaviour must read as the same kind
// in both, in Chinese in the one and English in the other.
#include "CliTexts.h"
#include "CommandSentences.h"
#include "DlgZR415.h"
#include "IReaderWriter.h"
#include "LineSettings.h"
#include "OperatorMessages.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "PseudoTerminal.h"
#include "ReceiverState.h"
#include "SetWidget.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"
#include "UnitSession.h"

#include <QtTest>

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTranslator>

#include <functional>
#include <memory>
#include <unistd.h>

using namespace PageProbe;

namespace {
struct Report
{
    LinkOutcome outcome = LinkOutcome::Ok;
    LinkError failure = LinkError::None;
    QString text;
};

// Where a row's receiver is: a simulator, a port another program holds, a plain file, or a
// device path as it is.
struct Receiver
{
    explicit Receiver(const QString& kind, const QStringList& options)
    {
        if (kind == QLatin1String("held")) {
            held = std::make_unique<PseudoTerminal>();
            other = std::make_unique<QSerialPort>(held->devicePath());
            other->open(QIODevice::ReadWrite);
            path = held->devicePath();
        } else if (kind == QLatin1String("file")) {
            path = folder.filePath(QStringLiteral("not-a-port"));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
        } else if (kind.startsWith(QLatin1Char('/'))) {
            path = kind;
        } else {
            commandLog = kind == QLatin1String("closed-after-the-set")
                             ? folder.filePath(QStringLiteral("commands.log"))
                             : QString();
            simulator = std::make_unique<SimulatorProcess>(
                commandLog.isEmpty() ? options : options + QStringList{"--log", commandLog});
            path = simulator->devicePath();
        }
    }
    // For a line closed halfway: once the simulator has heard the SET, it goes away, as a
    // receiver unplugged mid-command would. Waits for that event, not for a time.
    bool closeOnceSetHeard()
    {
        if (commandLog.isEmpty())
            return true;
        const auto heardTheSet = [this] {
            QFile heard(commandLog);
            return heard.open(QIODevice::ReadOnly) && heard.readAll().contains(",SET,");
        };
        if (!QTest::qWaitFor(heardTheSet, 15000))
            return false;
        simulator.reset();
        return true;
    }
    QString commandLog;
    QTemporaryDir folder;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<PseudoTerminal> held;
    std::unique_ptr<QSerialPort> other;
    QString path;
};

const QStringList ggaAtOne{QStringLiteral("GGA=1")};

Report throughTheWindow(const QString& kind, const QStringList& options)
{
    Receiver receiver(kind, options);
    qputenv("ZR415_EXTRA_PORTS", receiver.path.toLocal8Bit());
    TempSettings settings;
    PromptRecorder prompts;
    IReaderWriter* link = get_s_IReaderWriter();
    // The kind the operator was told: a reconnect attempt afterwards has its own last error.
    LinkError told = LinkError::None;
    OperatorPrompt::setResponder([&](const PromptRequest& request) {
        prompts.shown << request;
        told = link->last_error_kind();
        return prompts.answer;
    });
    DlgZR415 page(nullptr);
    choose(page, receiver.path, QStringLiteral("115200"));
    click(page, "connectButton");
    if (!linkShownOpen(page))
        return {LinkOutcome::OpenFailed, link->last_error_kind(), prompts.shown.value(0).text};
    page.outputRows().at("GGA")->setChecked(1);
    page.outputRows().at("GGA")->setCurrentText(QStringLiteral("1"));
    click(page, "submitButton");
    if (!receiver.closeOnceSetHeard())
        return {LinkOutcome::Interrupted, LinkError::None, QStringLiteral("no SET heard")};
    // Until every command is answered or given up, or the link is gone.
    const bool over = QTest::qWaitFor(
        [&] {
            return !linkShownOpen(page) ||
                   (!page.lastOutcomes().empty() && page.lastOutcomes().settled());
        },
        DlgZR415::answerWaitMs * 10);
    if (!over)
        return {LinkOutcome::Interrupted, LinkError::None, QStringLiteral("never settled")};
    if (!linkShownOpen(page)) {
        if (!QTest::qWaitFor([&] { return !prompts.shown.isEmpty(); }))
            return {LinkOutcome::Interrupted, LinkError::None, QStringLiteral("no warning shown")};
        return {LinkOutcome::Lost, told, prompts.shown.value(0).text};
    }
    const LinkOutcome outcome = page.lastOutcomes().outcome();
    click(page, "breakButton");
    return {outcome, LinkError::None, status(page)};
}

Report throughZr415ctl(const QString& kind, const QStringList& options)
{
    Receiver receiver(kind, options);
    UnitJob job;
    job.command = QStringLiteral("set");
    job.port = receiver.path;
    job.bauds = {115200};
    job.searchBaud = false;
    job.sets = {CommandSentences::setOutput("GGA", "1")};
    job.wanted = {{"GGA", "1"}};
    job.ackMs = 700;
    UnitSession session(job);
    session.start();
    if (!receiver.closeOnceSetHeard())
        return {LinkOutcome::Interrupted, LinkError::None, QStringLiteral("no SET heard")};
    if (!QTest::qWaitFor([&] { return session.isFinished(); }, 15000))
        return {LinkOutcome::Interrupted, LinkError::None, QStringLiteral("never finished")};
    const UnitResult& result = session.result();
    return {result.outcome, result.failure, result.error};
}

// The window's reason for a kind as an English desktop reads it.
QString windowReasonInEnglish(LinkError kind)
{
    QTranslator english;
    if (!english.load(QStringLiteral(":/i18n/zr415_en.qm")))
        return {};
    QCoreApplication::installTranslator(&english);
    const QString text = OperatorMessages::linkReason(kind, {});
    QCoreApplication::removeTranslator(&english);
    return text;
}

// A receiver the test plays itself, answering each command line as the row says.
class ScriptedReceiver : public QObject
{
public:
    using Answer = std::function<QByteArray(const QByteArray& command)>;
    explicit ScriptedReceiver(Answer answerOf) : answer(std::move(answerOf))
    {
        connect(&readable, &QSocketNotifier::activated, this, &ScriptedReceiver::readCommands);
    }
    const QString& path() const { return line.devicePath(); }
    int count(const QByteArray& command) const { return heard.count(command); }
    unsigned speed() const
    {
        LineSettings settings{};
        return readLineSettings(line.deviceFd(), settings) ? settings.baud : 0;
    }
    void send(const QByteArray& bytes) { line.write(bytes); }

private:
    void readCommands()
    {
        char buffer[256];
        ssize_t got = 0;
        while ((got = ::read(line.controllerFd(), buffer, sizeof buffer)) > 0)
            pending.append(buffer, got);
        for (qsizetype end = pending.indexOf("\r\n"); end >= 0; end = pending.indexOf("\r\n")) {
            const QByteArray command = pending.left(end);
            pending.remove(0, end + 2);
            heard << command;
            line.write(answer(command));
        }
    }

    PseudoTerminal line;
    QSocketNotifier readable{line.controllerFd(), QSocketNotifier::Read};
    Answer answer;
    QByteArray pending;
    QByteArrayList heard;
};

QByteArray answerTo(const QByteArray& command, const char* status)
{
    const QByteArrayList fields = command.split(',');
    const QByteArray body = "KVT,," + fields.value(2) + "," + fields.value(3) + "," + status;
    return QByteArray::fromStdString(ReceiverState::reply(body.toStdString()));
}

QByteArray trimmed(const std::string& sentence)
{
    return QByteArray::fromStdString(sentence).trimmed();
}
} // namespace

class FrontsTest : public QObject
{
    Q_OBJECT

private slots:
    void bothFrontsReportTheSameKind_data();
    void bothFrontsReportTheSameKind();
    void zr415ctlAsksAgainAndCreditsOnlyItsOwnAnswers_data();
    void zr415ctlAsksAgainAndCreditsOnlyItsOwnAnswers();
};

void FrontsTest::bothFrontsReportTheSameKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<LinkOutcome>("window");
    QTest::addColumn<LinkOutcome>("zr415ctl");
    QTest::addColumn<LinkError>("failure");
    QTest::addColumn<QString>("windowWords"); // the reason as the page words it
    QTest::addColumn<QString>("cliWords");    // as zr415ctl and an English desktop word it
    using O = LinkOutcome;
    using E = LinkError;
    const QString sim = QStringLiteral("sim");
    QTest::newRow("answers-ok") << sim << QStringList{} << O::Ok << O::Ok << E::None << QString()
                                << QString();
    QTest::newRow("refuses-a-key") << sim << QStringList{"--reject", "GGA"} << O::Rejected
                                   << O::Rejected << E::None << QString() << QString();
    QTest::newRow("never-answers") << sim << QStringList{"--no-ack"} << O::Unanswered
                                   << O::Unanswered << E::None << QString() << QString();
    // Only zr415ctl reads back what it set; the window shows the old value on its next query.
    QTest::newRow("keeps-the-old-value") << sim << QStringList{"--sticky", "GGA"} << O::Ok
                                         << O::Mismatch << E::None << QString() << QString();
    QTest::newRow("line-closed-halfway")
        << QStringLiteral("closed-after-the-set") << QStringList{"--no-ack"} << O::Lost << O::Lost
        << E::Unplugged << QStringLiteral("设备已拔出")
        << QStringLiteral("the device was unplugged");
    // zr415ctl asks for the serial number first and finds no receiver; the window, which does
    // not, gets no answers.
    QTest::newRow("garbage-at-the-wrong-speed")
        << sim << QStringList{"--baud", "9600"} << O::Unanswered << O::NoDevice << E::None
        << QString() << QString();
    QTest::newRow("port-held-by-another-program")
        << QStringLiteral("held") << QStringList{} << O::OpenFailed << O::OpenFailed << E::Busy
        << QStringLiteral("串口已被其他程序占用")
        << QStringLiteral("the port is in use by another program");
    QTest::newRow("regular-file-named-as-port")
        << QStringLiteral("file") << QStringList{} << O::OpenFailed << O::OpenFailed << E::NotSerial
        << QStringLiteral("不是串口设备") << QStringLiteral("not a serial device");
    QTest::newRow("character-device-that-is-no-line")
        << QStringLiteral("/dev/null") << QStringList{} << O::OpenFailed << O::OpenFailed
        << E::NotSerial << QStringLiteral("不是串口设备") << QStringLiteral("not a serial device");
}

void FrontsTest::bothFrontsReportTheSameKind()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, options);
    QFETCH(LinkOutcome, window);
    QFETCH(LinkOutcome, zr415ctl);
    QFETCH(LinkError, failure);
    QFETCH(QString, windowWords);
    QFETCH(QString, cliWords);

    const Report shown = throughTheWindow(kind, options);
    const Report printed = throughZr415ctl(kind, options);
    QCOMPARE(shown.outcome, window);
    QCOMPARE(printed.outcome, zr415ctl);
    QCOMPARE(shown.failure, failure);
    QCOMPARE(printed.failure, failure);
    if (failure == LinkError::None)
        return;
    QVERIFY2(shown.text.contains(windowWords), qPrintable(shown.text));
    QVERIFY2(printed.text.contains(cliWords), qPrintable(printed.text));
    QCOMPARE(windowReasonInEnglish(failure), cliWords);
}

void FrontsTest::zr415ctlAsksAgainAndCreditsOnlyItsOwnAnswers_data()
{
    QTest::addColumn<bool>("searchBaud");
    QTest::addColumn<QByteArray>("silentTo");   // commands never answered
    QTest::addColumn<QByteArray>("refused");    // commands answered ERR
    QTest::addColumn<bool>("lateIdentity");     // the first serial number only after a speed change
    QTest::addColumn<QByteArray>("askedTwice"); // a command the unit must send twice, or none
    QTest::addColumn<LinkOutcome>("outcome");
    const QByteArray identity = trimmed(CommandSentences::getSerialNumber());
    const QByteArray set = trimmed(CommandSentences::setOutput("GGA", "1"));
    const QByteArray readBack = trimmed(CommandSentences::getOutput("GGA"));
    QTest::newRow("refused-read-back-is-rejected")
        << false << QByteArray() << readBack << false << QByteArray() << LinkOutcome::Rejected;
    // Both problems at once: the worst of them, in the one order both fronts rank by.
    QTest::newRow("refused-outranks-unanswered")
        << false << set << readBack << false << set << LinkOutcome::Rejected;
    QTest::newRow("unanswered-set-is-sent-twice")
        << false << set << QByteArray() << false << set << LinkOutcome::Unanswered;
    QTest::newRow("identity-asked-twice-at-a-fixed-speed")
        << false << identity << QByteArray() << false << identity << LinkOutcome::NoDevice;
    QTest::newRow("late-identity-not-credited-to-the-next-speed")
        << true << identity << QByteArray() << true << QByteArray() << LinkOutcome::NoDevice;
}

void FrontsTest::zr415ctlAsksAgainAndCreditsOnlyItsOwnAnswers()
{
    QFETCH(bool, searchBaud);
    QFETCH(QByteArray, silentTo);
    QFETCH(QByteArray, refused);
    QFETCH(bool, lateIdentity);
    QFETCH(QByteArray, askedTwice);
    QFETCH(LinkOutcome, outcome);

    ScriptedReceiver receiver([&](const QByteArray& command) {
        if (command == silentTo)
            return QByteArray();
        if (command == refused)
            return answerTo(command, "ERR");
        if (command.contains("DEVICE.INFO.SN"))
            return answerTo(command, "OK,ZR415-7");
        return answerTo(command, command.contains(",GET,") ? "OK,1" : "OK");
    });
    UnitJob job;
    job.port = receiver.path();
    job.bauds = searchBaud ? std::vector<unsigned>{115200, 9600} : std::vector<unsigned>{115200};
    job.searchBaud = searchBaud;
    job.sets = {CommandSentences::setOutput("GGA", "1")};
    job.wanted = {{"GGA", "1"}};
    job.ackMs = 300;
    job.probeMs = 300;
    UnitSession session(job);
    session.start();
    if (lateIdentity) {
        // The answer to the question asked at 115200 comes once the unit has moved on.
        QTRY_VERIFY(receiver.speed() == 9600);
        receiver.send(answerTo(trimmed(CommandSentences::getSerialNumber()), "OK,ZR415-7"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(session.isFinished(), 10000);
    QCOMPARE(session.result().outcome, outcome);
    if (!askedTwice.isEmpty())
        QCOMPARE(receiver.count(askedTwice), 2);
    if (!refused.isEmpty())
        QVERIFY(session.result().rejected.contains(QString::fromLatin1(refused.split(',').at(3))));
}

QTEST_MAIN(FrontsTest)
#include "tst_fronts.moc"
