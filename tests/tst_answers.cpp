// What zr415ctl believes of an answer: its checksum must match, its serial number must name a
// receiver, and its bytes reach the result and the record as they came.
#include "PseudoTerminal.h"
#include "ReceiverLink.h"
#include "ReceiverState.h"
#include "ResultPrinter.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {
// "@…*hh\r\n" with the checksum turned into one that does not match.
std::string withWrongChecksum(const std::string& reply)
{
    const std::size_t star = reply.rfind('*');
    const unsigned sum = std::stoul(reply.substr(star + 1, 2), nullptr, 16);
    char wrong[3];
    std::snprintf(wrong, sizeof wrong, "%02X", sum ^ 0x5a);
    return reply.substr(0, star + 1) + wrong + "\r\n";
}

// The answer with field 5 (the value) replaced, its checksum made to match again.
std::string withValue(const std::string& reply, const QByteArray& value)
{
    std::string body = reply.substr(1, reply.rfind('*') - 1);
    std::size_t at = 0;
    for (int comma = 0; comma < 5 && at != std::string::npos; ++comma)
        at = body.find(',', at + 1);
    body = (at == std::string::npos ? body + ',' : body.substr(0, at + 1)) + value.toStdString();
    return ReceiverState::reply(body);
}

struct Served
{
    QByteArray sent; // every byte zr415ctl wrote
    QList<QJsonObject> results;
};

// Plays a receiver for one run of zr415ctl; the answers to commands starting with changed are
// given value (when not empty) and then the checksum that mode asks for.
Served serve(const QStringList& arguments, const QByteArray& changed, const QByteArray& value,
             const QString& mode)
{
    PseudoTerminal line;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZR415CTL_ACK_MS"), QStringLiteral("300"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZR415CTL_BINARY),
                  QStringList{arguments[0], line.devicePath()} + arguments.mid(1));
    Served served;
    if (!program.waitForStarted(5000))
        return served;
    ReceiverState receiver("ZR415-PTY-7");
    QByteArray pending;
    while (program.state() != QProcess::NotRunning) {
        const QByteArray got = line.read(40, 5);
        served.sent += got;
        pending += got;
        for (qsizetype end = pending.indexOf("\r\n"); end >= 0; end = pending.indexOf("\r\n")) {
            const QByteArray command = pending.left(end);
            pending.remove(0, end + 2);
            std::optional<std::string> reply = receiver.handle(command.toStdString());
            if (!reply)
                continue;
            if (command.startsWith(changed)) {
                if (!value.isNull())
                    reply = withValue(*reply, value);
                if (mode == QLatin1String("wrong-sum"))
                    reply = withWrongChecksum(*reply);
                else if (mode == QLatin1String("no-sum"))
                    reply = reply->substr(0, reply->rfind('*')) + "\r\n";
            }
            line.write(QByteArray::fromStdString(*reply));
        }
        program.waitForFinished(0);
    }
    for (const QByteArray& text : program.readAllStandardOutput().split('\n'))
        if (!text.isEmpty())
            served.results << QJsonDocument::fromJson(text).object();
    return served;
}

QJsonObject lastRecord(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object();
}
} // namespace

class AnswersTest : public QObject
{
    Q_OBJECT

private slots:
    void linkBelievesChecksumsOnlyWhenAsked_data();
    void linkBelievesChecksumsOnlyWhenAsked();
    void zr415ctlTakesOnlyBelievableAnswers_data();
    void zr415ctlTakesOnlyBelievableAnswers();
    void humanLineNamesTheAnswersNotBelieved();

private:
    QTemporaryDir scratch;
};

void AnswersTest::linkBelievesChecksumsOnlyWhenAsked_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QByteArray>("value");
    // Its checksum, 4D, has a letter to write in lower case.
    const std::string body = "KVT,,GET,GNSS.NMEA.GGA,OK,5";
    const QByteArray good = QByteArray::fromStdString(ReceiverState::reply(body));
    const QByteArray wrong =
        QByteArray::fromStdString(withWrongChecksum(ReceiverState::reply(body)));
    const QByteArray lower = good.left(good.size() - 4) + good.right(4).toLower();
    QTest::newRow("matching") << good << true << true << QByteArray("5");
    QTest::newRow("matching-in-lower-case") << lower << true << true << QByteArray("5");
    QTest::newRow("wrong") << wrong << true << false << QByteArray();
    QTest::newRow("without-checksum")
        << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,1\r\n") << true << true << QByteArray("1");
    QTest::newRow("checksum-cut-short") << good.left(good.size() - 3) + "\r\n"
                                        << true << false << QByteArray();
    QTest::newRow("value-with-a-nul")
        << QByteArray::fromStdString(ReceiverState::reply(body + std::string(1, '\0'))) << true
        << true << QByteArray("5\0", 2);
    // The window's way: what follows "*" is not looked at.
    QTest::newRow("wrong-in-the-window") << wrong << false << true << QByteArray("5");
    QTest::newRow("value-and-star-in-the-window")
        << QByteArray("@KVT,,GET,GNSS.NMEA.GGA,OK,1*0A\r\n") << false << true << QByteArray("1");
}

void AnswersTest::linkBelievesChecksumsOnlyWhenAsked()
{
    QFETCH(QByteArray, received);
    QFETCH(bool, verify);
    QFETCH(bool, taken);
    QFETCH(QByteArray, value);
    PseudoTerminal line;
    ReceiverLink link;
    link.setMatchAnswers(true);
    link.setVerifyChecksums(verify);
    std::vector<ReplyAcknowledgement> answers;
    connect(&link, &ReceiverLink::answersReceived, this,
            [&](const std::vector<ReplyAcknowledgement>& got) {
                answers.insert(answers.end(), got.begin(), got.end());
            });
    QVERIFY(link.open(line.devicePath(), 115200));
    // A matching answer after it shows when the one under test has been read.
    const QByteArray marker =
        QByteArray::fromStdString(ReceiverState::reply("KVT,,GET,DEVICE.INFO.SN,OK,END"));
    line.write(received + marker);
    QVERIFY(QTest::qWaitFor([&] { return !answers.empty() && answers.back().value == "END"; }));
    answers.pop_back();
    QCOMPARE(answers.size(), std::size_t(taken ? 1 : 0));
    if (taken)
        QCOMPARE(QByteArray::fromStdString(answers[0].value), value);
    QCOMPARE(link.wrongChecksums(), verify && !taken ? 1 : 0);
}

void AnswersTest::zr415ctlTakesOnlyBelievableAnswers_data()
{
    QTest::addColumn<QByteArray>("changed"); // the command whose answers are changed
    QTest::addColumn<QByteArray>("value");   // null: the value is kept
    QTest::addColumn<QString>("checksum");   // wrong-sum, no-sum, or kept
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("badChecksums");
    QTest::addColumn<QJsonValue>("serial");
    const QByteArray serialQuery = "#KVT,,GET,DEVICE.INFO.SN";
    const QByteArray setGga = "#KVT,,SET,GNSS.NMEA.GGA";
    const QJsonValue unit = QStringLiteral("ZR415-PTY-7");
    // A false acknowledgement, asked twice, is never taken for one.
    QTest::newRow("set-acknowledged-with-a-wrong-checksum") << setGga << QByteArray() << "wrong-sum"
                                                            << "unanswered" << 2 << unit;
    QTest::newRow("set-acknowledged-without-checksum") << setGga << QByteArray() << "no-sum"
                                                       << "ok" << 0 << unit;
    QTest::newRow("serial-number-with-a-wrong-checksum")
        << serialQuery << QByteArray() << "wrong-sum"
        << "no-device" << 2 << QJsonValue();
    QTest::newRow("serial-number-with-a-nul") << serialQuery
                                              << QByteArray("ZR\0"
                                                            "415",
                                                            6)
                                              << ""
                                              << "no-device" << 0 << QJsonValue();
    QTest::newRow("serial-number-of-spaces") << serialQuery << QByteArray("   ") << ""
                                             << "no-device" << 0 << QJsonValue();
    QTest::newRow("serial-number-with-a-control-byte")
        << serialQuery << QByteArray("ZR415\x1b") << ""
        << "no-device" << 0 << QJsonValue();
    QTest::newRow("serial-number-not-utf-8")
        << serialQuery << QByteArray("ZR415-\xff\xfe") << ""
        << "ok" << 0 << QJsonValue(QStringLiteral("ZR415-\\xFF\\xFE"));
    QTest::newRow("read-back-with-a-nul")
        << QByteArray("#KVT,,GET,GNSS.NMEA.GGA") << QByteArray("1\0", 2) << ""
        << "mismatch" << 0 << unit;
}

void AnswersTest::zr415ctlTakesOnlyBelievableAnswers()
{
    QFETCH(QByteArray, changed);
    QFETCH(QByteArray, value);
    QFETCH(QString, checksum);
    QFETCH(QString, result);
    QFETCH(int, badChecksums);
    QFETCH(QJsonValue, serial);
    const QString audit = scratch.filePath(QStringLiteral("%1.jsonl").arg(QTest::currentDataTag()));
    const Served served = serve({"set", "GGA=1", "--baud", "115200", "--json", "--audit", audit},
                                changed, value, checksum);
    QCOMPARE(served.results.size(), 1);
    const QJsonObject unit = served.results[0];
    QCOMPARE(unit["result"].toString(), result);
    QCOMPARE(unit["bad_checksums"].toInt(-1), badChecksums);
    QCOMPARE(unit["serial"], serial);
    // No receiver, nothing set.
    QCOMPARE(served.sent.contains(",SET,"), !serial.isNull());
    if (result == QLatin1String("mismatch"))
        QCOMPARE(unit["mismatches"].toArray()[0].toObject()["got"].toString(),
                 QStringLiteral("1\\x00"));
    const QJsonObject record = lastRecord(audit);
    QCOMPARE(record["serial"], serial);
    QCOMPARE(record["bad_checksums"].toInt(-1), badChecksums);
    QVERIFY(!QJsonDocument(record).toJson().contains("\xef\xbf\xbd"));
}

void AnswersTest::humanLineNamesTheAnswersNotBelieved()
{
    UnitResult result;
    result.port = QStringLiteral("/dev/ttyUSB0");
    QVERIFY(!ResultPrinter::humanLine(result).contains(QLatin1String("checksum")));
    result.badChecksums = 2;
    QVERIFY2(ResultPrinter::humanLine(result).contains(
                 QLatin1String("2 answer(s) with a wrong checksum ignored")),
             qPrintable(ResultPrinter::humanLine(result)));
}

QTEST_MAIN(AnswersTest)
#include "tst_answers.moc"
