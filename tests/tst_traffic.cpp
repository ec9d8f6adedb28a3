// The traffic tab: how received bytes become lines, the view's batches, pause, filter and
// save, and the whole tool against the simulated receiver.
#include "CommandSentences.h"
#include "DlgTab.h"
#include "DlgZR415.h"
#include "IIniParameter.h"
#include "LinkTraffic.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"
#include "TrafficView.h"

#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include <ctime>
#include <memory>

using PageProbe::click;

namespace {
// One thing that happens to the log, at a time on its clock.
struct Step
{
    qint64 ms;
    enum
    {
        Receive,
        Command,
        Tick
    } what;
    QByteArray bytes;
};

qint64 noon()
{
    return QDateTime(QDate(2024, 5, 6), QTime(12, 0)).toMSecsSinceEpoch();
}

QStringList textsOf(const TrafficLog& log)
{
    QStringList texts;
    for (quint64 n = log.first(); n < log.end(); ++n)
        texts << log.at(n).text;
    return texts;
}

// The view's lines; without their times unless asked, as most tests cannot know them.
QStringList shownLines(TrafficView& view, bool timed = false)
{
    const QString text = PageProbe::part<QPlainTextEdit>(view, "trafficText")->toPlainText();
    QStringList lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    if (!timed)
        for (QString& line : lines)
            line.remove(0, 13);
    return lines;
}

// A traffic view on screen, fed by the test, at noon.
struct ShownView
{
    LinkTraffic source;
    TrafficView view{&source, nullptr, [] { return noon(); }};
    ShownView()
    {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TrafficTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { settings = std::make_unique<TempSettings>(); }

    void linesAreCutAtEveryLineEnd_data();
    void linesAreCutAtEveryLineEnd();
    void linesShowTimeDirectionAndReplyMark_data();
    void linesShowTimeDirectionAndReplyMark();
    void timeOfDayIsLocal_data();
    void timeOfDayIsLocal();
    void unfinishedLineIsShownAfterItsWait_data();
    void unfinishedLineIsShownAfterItsWait();
    void logKeepsTheNewestLines_data();
    void logKeepsTheNewestLines();

    void viewShowsBatchesHoldsThemWhilePausedAndClears();
    void filterHidesNmeaAndBringsItBack();
    void viewCatchesUpInStepsAndKeepsTheNewestLines_data();
    void viewCatchesUpInStepsAndKeepsTheNewestLines();
    void failedSaveIsReportedAndLosesNothing_data();
    void failedSaveIsReportedAndLosesNothing();
    void trafficTabFitsTheWindowOfTheSettingsPage();
    void viewFollowsTheNewestLineFromItsFirstShowing();
    void filterShowsEveryCommandAfterAFlood();
    void pauseAndClearHoldBothStores();
    void linkMarkersAreKeptShownAndSaved();

    void queryShowsCommandsAndRepliesInTheTab_data();
    void queryShowsCommandsAndRepliesInTheTab();
    void badFloodRateIsRefused_data();
    void badFloodRateIsRefused();

private:
    std::unique_ptr<TempSettings> settings;
};

void TrafficTest::linesAreCutAtEveryLineEnd_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lf") << QList<QByteArray>{"a\nb\n"} << QStringList{"a", "b"};
    QTest::newRow("cr") << QList<QByteArray>{"a\rb\r"} << QStringList{"a", "b"};
    QTest::newRow("cr-lf") << QList<QByteArray>{"a\r\nb\r\n"} << QStringList{"a", "b"};
    QTest::newRow("lf-cr") << QList<QByteArray>{"a\n\rb\n\r"} << QStringList{"a", "b"};
    QTest::newRow("cr-lf-split-between-chunks")
        << QList<QByteArray>{"a\r", "\nb\r", "\n"} << QStringList{"a", "b"};
    QTest::newRow("blank-lines-dropped")
        << QList<QByteArray>{"\r\n\r\n\na\r\n\n", "", "\r"} << QStringList{"a"};
    QTest::newRow("line-over-four-chunks")
        << QList<QByteArray>{"$GP", "GGA,1", "*00\r", "\n"} << QStringList{"$GPGGA,1*00"};
    QTest::newRow("unfinished-tail-waits")
        << QList<QByteArray>{"@A,,GET,K,OK*00\r\n$GPZDA*00\r\n$GP"}
        << QStringList{"@A,,GET,K,OK*00", "$GPZDA*00"};
    QTest::newRow("overlong-line-cut")
        << QList<QByteArray>{QByteArray(1100, 'x') + "\n"}
        << QStringList{QString(512, 'x'), QString(512, 'x'), QString(76, 'x')};
    QTest::newRow("line-end-right-after-a-cut")
        << QList<QByteArray>{QByteArray(512, 'y'), "\r\nz\n"}
        << QStringList{QString(512, 'y'), "z"};
}

void TrafficTest::linesAreCutAtEveryLineEnd()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, expected);
    TrafficLog log([] { return noon(); });
    for (const QByteArray& chunk : chunks)
        log.addReceived(chunk);
    QCOMPARE(textsOf(log), expected);
}

void TrafficTest::linesShowTimeDirectionAndReplyMark_data()
{
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("commandOrReply"); // kept by the filter
    auto row = [](const char* name, bool sent, const char* bytes, const char* shown, bool kept) {
        QTest::newRow(name) << sent << QByteArray(bytes) << QString::fromUtf8(shown) << kept;
    };
    row("command", true, "#KVT,,GET,DEVICE.INFO.SN\r\n", "→ #KVT,,GET,DEVICE.INFO.SN", true);
    row("command-cr-inside", true, "#KVT\r,,GET\r\n", "→ #KVT\\x0D,,GET", true);
    row("set-ok", false, "@KVT,,SET,X,OK*57\r\n", "← [OK] @KVT,,SET,X,OK*57", true);
    row("get-ok-value", false, "@KVT,,GET,X,OK,1*5E\r\n", "← [OK] @KVT,,GET,X,OK,1*5E", true);
    row("err-no-checksum", false, "@KVT,,GET,X,ERR\r\n", "← [ERR] @KVT,,GET,X,ERR", true);
    row("other-status", false, "@KVT,,GET,X,OKAY,1\r", "← @KVT,,GET,X,OKAY,1", true);
    row("ok-in-field-1", false, "@KVT,OK,GET,X\r", "← @KVT,OK,GET,X", true);
    row("noise-before-head", false, "\x93@K,,SET,X,OK\n", "← [OK] \\x93@K,,SET,X,OK", true);
    row("bad-checksum-ok", false, "@KVT,,SET,X,OK*00\r\n", "← [OK] [校验错误] @KVT,,SET,X,OK*00",
        true);
    row("bad-checksum-err", false, "@KVT,,SET,X,ERR*06\r\n",
        "← [ERR] [校验错误] @KVT,,SET,X,ERR*06", true);
    row("bad-checksum-value", false, "@KVT,,GET,X,OK,7*5E\r",
        "← [OK] [校验错误] @KVT,,GET,X,OK,7*5E", true);
    row("lowercase-checksum", false, "@KVT,,GET,X,OK,1*5e\r", "← [OK] @KVT,,GET,X,OK,1*5e", true);
    // What follows "*" is no checksum: as zr415ctl, the tab does not take it for a good one.
    row("one-digit-after-star", false, "@KVT,,GET,X,OK,1*0\r",
        "← [OK] [校验错误] @KVT,,GET,X,OK,1*0", true);
    row("no-hex-after-star", false, "@KVT,,GET,X,OK,1*G1\r",
        "← [OK] [校验错误] @KVT,,GET,X,OK,1*G1", true);
    row("checksum-from-the-head", false, "\x93@KVT,,SET,X,OK*57\r", "← [OK] \\x93@KVT,,SET,X,OK*57",
        true);
    row("nmea-with-ok-fields", false, "$GPTXT,OK,ERR,OK,OK*00\r", "← $GPTXT,OK,ERR,OK,OK*00",
        false);
}

void TrafficTest::linesShowTimeDirectionAndReplyMark()
{
    QFETCH(bool, sent);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(bool, commandOrReply);
    TrafficLog log([] { return noon() + 1234; });
    if (sent)
        log.addCommand(bytes);
    else
        log.addReceived(bytes);
    QCOMPARE(log.end(), quint64(1));
    QCOMPARE(TrafficLog::format(log.at(0)), "12:00:01.234 " + expected);
    QCOMPARE(TrafficLog::isCommandOrReply(log.at(0)), commandOrReply);
}

void TrafficTest::timeOfDayIsLocal_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("utc");
    QTest::addColumn<QString>("expected");
    QTest::newRow("utc-last-ms") << QByteArray("UTC") << "2024-05-06T23:59:59.999"
                                 << "23:59:59.999";
    QTest::newRow("berlin-winter") << QByteArray("Europe/Berlin") << "2024-03-31T00:59:59.999"
                                   << "01:59:59.999";
    QTest::newRow("berlin-summer-from-the-next-ms")
        << QByteArray("Europe/Berlin") << "2024-03-31T01:00:00.000"
        << "03:00:00.000";
    QTest::newRow("kolkata-half-hour") << QByteArray("Asia/Kolkata") << "2024-05-06T18:29:59.500"
                                       << "23:59:59.500";
    QTest::newRow("new-york-day-before")
        << QByteArray("America/New_York") << "2024-05-07T03:00:00.001"
        << "23:00:00.001";
}

void TrafficTest::timeOfDayIsLocal()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, utc);
    QFETCH(QString, expected);
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", zone);
    tzset();
    QDateTime at = QDateTime::fromString(utc, Qt::ISODateWithMs);
    at.setTimeZone(QTimeZone::utc());
    const QString shown = TrafficLog::timeOfDay(at.toMSecsSinceEpoch());
    wasSet ? qputenv("TZ", saved) : qunsetenv("TZ");
    tzset();
    QCOMPARE(shown, expected);
}

void TrafficTest::unfinishedLineIsShownAfterItsWait_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("expected"); // text@milliseconds of each line
    QTest::newRow("not-at-199-ms")
        << QList<Step>{{0, Step::Receive, "abc"}, {199, Step::Tick, {}}} << QStringList{};
    QTest::newRow("at-200-ms") << QList<Step>{{0, Step::Receive, "abc"},
                                              {199, Step::Tick, {}},
                                              {200, Step::Tick, {}}}
                               << QStringList{"abc@0"};
    QTest::newRow("finished-in-time-is-one-line") << QList<Step>{{0, Step::Receive, "abc"},
                                                                 {150, Step::Tick, {}},
                                                                 {180, Step::Receive, "d\n"}}
                                                  << QStringList{"abcd@180"};
    QTest::newRow("continuation-starts-a-new-line") << QList<Step>{{0, Step::Receive, "abc"},
                                                                   {250, Step::Tick, {}},
                                                                   {260, Step::Receive, "d\n"}}
                                                    << QStringList{"abc@0", "d@260"};
    QTest::newRow("late-bytes-without-a-tick")
        << QList<Step>{{0, Step::Receive, "abc"}, {300, Step::Receive, "d\r\n"}}
        << QStringList{"abc@0", "d@300"};
    QTest::newRow("wait-counts-from-the-first-byte")
        << QList<Step>{{0, Step::Receive, "ab"}, {150, Step::Receive, "c"}, {210, Step::Tick, {}}}
        << QStringList{"abc@150"};
    QTest::newRow("line-end-after-the-shown-part") << QList<Step>{{0, Step::Receive, "abc"},
                                                                  {200, Step::Tick, {}},
                                                                  {210, Step::Receive, "\r\n"}}
                                                   << QStringList{"abc@0"};
    QTest::newRow("command-in-between") << QList<Step>{{0, Step::Receive, "@K,,GET"},
                                                       {50, Step::Command, "#KVT\r\n"},
                                                       {100, Step::Receive, ",X,OK\r"}}
                                        << QStringList{"#KVT@50", "@K,,GET,X,OK@100"};
    QTest::newRow("clock-set-back")
        << QList<Step>{{1000, Step::Receive, "abc"}, {500, Step::Tick, {}}}
        << QStringList{"abc@1000"};
    QTest::newRow("cleared-with-the-log")
        << QList<Step>{{0, Step::Receive, "abc"}, {10, Step::Tick, "clear"}, {300, Step::Tick, {}}}
        << QStringList{};
}

void TrafficTest::unfinishedLineIsShownAfterItsWait()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, expected);
    qint64 now = 0;
    TrafficLog log([&now] { return now; });
    for (const Step& step : steps) {
        now = step.ms;
        if (step.what == Step::Receive)
            log.addReceived(step.bytes);
        else if (step.what == Step::Command)
            log.addCommand(step.bytes);
        else if (step.bytes == "clear")
            log.clear();
        else
            log.takeWaitingLine();
    }
    QStringList lines;
    for (quint64 n = log.first(); n < log.end(); ++n)
        lines << QStringLiteral("%1@%2").arg(log.at(n).text).arg(log.at(n).at);
    QCOMPARE(lines, expected);
}

void TrafficTest::logKeepsTheNewestLines_data()
{
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("firstKept");
    QTest::newRow("at-the-bound") << 10000 << 0;
    QTest::newRow("one-over") << 10001 << 1;
    QTest::newRow("far-over") << 25000 << 15000;
}

void TrafficTest::logKeepsTheNewestLines()
{
    QFETCH(int, added);
    QFETCH(int, firstKept);
    TrafficLog log([] { return noon(); });
    QByteArray chunk;
    for (int i = 0; i < added; ++i)
        chunk += "$GPTXT," + QByteArray::number(i) + "\r\n";
    log.addReceived(chunk);
    QCOMPARE(log.first(), quint64(firstKept));
    QCOMPARE(log.end(), quint64(added));
    QCOMPARE(log.at(log.first()).text, QStringLiteral("$GPTXT,%1").arg(firstKept));
}

void TrafficTest::viewShowsBatchesHoldsThemWhilePausedAndClears()
{
    ShownView tab;
    auto* pause = PageProbe::part<QPushButton>(tab.view, "pauseButton");
    QCOMPARE(pause->text(), QStringLiteral("暂停"));
    emit tab.source.commandWritten("#KVT,,GET,DEVICE.INFO.SN\r\n");
    emit tab.source.bytesReceived("@KVT,,GET,DEVICE.INFO.SN,OK,SN-1*3D\r\n$GP");
    QCOMPARE(shownLines(tab.view), QStringList()); // not before the batch
    tab.view.refresh();
    QCOMPARE(shownLines(tab.view, true),
             (QStringList{"12:00:00.000 → #KVT,,GET,DEVICE.INFO.SN",
                          "12:00:00.000 ← [OK] @KVT,,GET,DEVICE.INFO.SN,OK,SN-1*3D"}));

    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("继续"));
    emit tab.source.bytesReceived("GGA,1*00\r\n");
    tab.view.refresh();
    QCOMPARE(shownLines(tab.view).size(), 2);
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("暂停"));
    QCOMPARE(shownLines(tab.view).value(2), QStringLiteral("← $GPGGA,1*00")); // kept meanwhile

    emit tab.source.bytesReceived("$GN");
    click(tab.view, "clearButton");
    QCOMPARE(shownLines(tab.view), QStringList());
    emit tab.source.bytesReceived("RMC*00\r\n");
    tab.view.refresh();
    QCOMPARE(shownLines(tab.view), QStringList{"← RMC*00"});
}

void TrafficTest::filterHidesNmeaAndBringsItBack()
{
    ShownView tab;
    auto* filter = PageProbe::part<QCheckBox>(tab.view, "onlyCommandsCheck");
    QCOMPARE(filter->text(), QStringLiteral("只显示命令和应答"));
    emit tab.source.bytesReceived("$GNGGA,1*00\r\n@KVT,,SET,K,ERR*05\r\n");
    emit tab.source.commandWritten("#KVT,,SET,K,1\r\n");
    tab.view.refresh();
    filter->setChecked(true);
    emit tab.source.bytesReceived("$GNRMC,2*00\r\n@KVT,,GET,X,NONE\r\n\x01\x02\r\n");
    tab.view.refresh();
    const QStringList onlyCommands{"← [ERR] @KVT,,SET,K,ERR*05", "→ #KVT,,SET,K,1",
                                   "← @KVT,,GET,X,NONE"};
    QCOMPARE(shownLines(tab.view), onlyCommands);
    filter->setChecked(false);
    QCOMPARE(shownLines(tab.view),
             (QStringList{"← $GNGGA,1*00", "← [ERR] @KVT,,SET,K,ERR*05", "→ #KVT,,SET,K,1",
                          "← $GNRMC,2*00", "← @KVT,,GET,X,NONE", "← \\x01\\x02"}));
    filter->setChecked(true);
    QCOMPARE(shownLines(tab.view), onlyCommands);
}

void TrafficTest::viewCatchesUpInStepsAndKeepsTheNewestLines_data()
{
    QTest::addColumn<QList<int>>("bursts");   // lines received; all but the last shown whole
    QTest::addColumn<int>("afterOneRefresh"); // lines in the view one refresh after the last
    QTest::addColumn<int>("firstKept");
    QTest::addColumn<int>("lastKept");
    QTest::newRow("small-burst") << QList<int>{300} << 300 << 0 << 299;
    QTest::newRow("burst-over-one-step") << QList<int>{4000} << 1000 << 0 << 3999;
    QTest::newRow("burst-over-the-bound") << QList<int>{12000} << 1000 << 2000 << 11999;
    QTest::newRow("bursts-over-the-bound") << QList<int>{4000, 4000, 4000} << 9000 << 2000 << 11999;
}

void TrafficTest::viewCatchesUpInStepsAndKeepsTheNewestLines()
{
    QFETCH(QList<int>, bursts);
    QFETCH(int, afterOneRefresh);
    QFETCH(int, firstKept);
    QFETCH(int, lastKept);
    ShownView tab;
    int number = 0;
    for (qsizetype b = 0; b < bursts.size(); ++b) {
        QByteArray chunk;
        for (int i = 0; i < bursts[b]; ++i)
            chunk += "$GPTXT," + QByteArray::number(number++) + "\r\n";
        emit tab.source.bytesReceived(chunk);
        const int refreshes = b + 1 < bursts.size() ? 20 : 1;
        for (int i = 0; i < refreshes; ++i)
            tab.view.refresh();
    }
    QCOMPARE(shownLines(tab.view).size(), afterOneRefresh);
    for (int i = 0; i < 20; ++i)
        tab.view.refresh();
    const QStringList lines = shownLines(tab.view);
    QCOMPARE(lines.size(), lastKept - firstKept + 1);
    QCOMPARE(lines.first(), QStringLiteral("← $GPTXT,%1").arg(firstKept));
    QCOMPARE(lines.last(), QStringLiteral("← $GPTXT,%1").arg(lastKept));
}

void TrafficTest::failedSaveIsReportedAndLosesNothing_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reason"); // empty: nothing to report
    QTest::newRow("missing-folder") << "missing/traffic.txt"
                                    << "文件夹不存在";
    QTest::newRow("read-only-file") << "kept.txt"
                                    << "文件只读";
    QTest::newRow("a-folder-in-the-way") << "inway"
                                         << "系统错误：";
    QTest::newRow("cancelled") << ""
                               << "";
}

void TrafficTest::failedSaveIsReportedAndLosesNothing()
{
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("inway")));
    QFile kept(folder.filePath(QStringLiteral("kept.txt")));
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("earlier\n") == 8);
    kept.close();
    kept.setPermissions(QFileDevice::ReadOwner);
    ShownView tab;
    tab.view.setPathChooser(
        [&](QWidget*) { return where.isEmpty() ? QString() : folder.filePath(where); });
    emit tab.source.commandWritten("#KVT,,GET,DEVICE.INFO.SN\r\n");
    tab.view.refresh();
    PromptRecorder prompts(QMessageBox::Ok);
    click(tab.view, "saveButton");

    QCOMPARE(prompts.shown.size(), reason.isEmpty() ? 0 : 1);
    if (!reason.isEmpty()) {
        QCOMPARE(prompts.shown[0].icon, QMessageBox::Warning);
        QCOMPARE(prompts.shown[0].title, QStringLiteral("提示"));
        QVERIFY2(prompts.shown[0].text.startsWith("记录保存失败：" + reason),
                 qPrintable(prompts.shown[0].text));
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.txt"});
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("earlier\n"));
    QCOMPARE(shownLines(tab.view).size(), 1);
}

void TrafficTest::trafficTabFitsTheWindowOfTheSettingsPage()
{
    DlgTab window(nullptr);
    const QSize page = window.settingsPage()->sizeHint();
    const QSize traffic = window.trafficView()->sizeHint();
    QVERIFY(traffic.width() <= page.width() && traffic.height() <= page.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize opened = window.size();
    window.tabs()->setCurrentWidget(window.trafficView());
    QTRY_VERIFY(window.trafficView()->isVisible());
    QCOMPARE(window.size(), opened);
    const auto controls = window.trafficView()->findChildren<QWidget*>();
    QVERIFY(controls.size() >= 5);
    for (QWidget* control : controls) {
        const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
        QVERIFY2(!control->isVisible() || window.rect().contains(where),
                 qPrintable(control->objectName()));
    }
}

void TrafficTest::viewFollowsTheNewestLineFromItsFirstShowing()
{
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    LinkTraffic& source = *window.settingsPage()->traffic();
    TrafficView& view = *window.trafficView();
    QScrollBar* scroll = PageProbe::part<QPlainTextEdit>(view, "trafficText")->verticalScrollBar();
    auto receive = [&source, &view](int count) {
        QByteArray chunk;
        for (int i = 0; i < count; ++i)
            chunk += "$GNGGA,123456.00,3114.8789,N,12135.2442,E,4,24,0.6,12.3,M,8.9,M,1.0,0*4C\r\n";
        emit source.bytesReceived(chunk);
        view.refresh();
    };
    receive(200); // before the tab was ever shown
    window.tabs()->setCurrentWidget(&view);
    QTRY_VERIFY(view.isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(scroll->value(), scroll->maximum()); // not half under the horizontal scroll bar
    receive(50);
    QCoreApplication::processEvents();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());

    scroll->triggerAction(QAbstractSlider::SliderPageStepSub); // the operator reads further up
    const int reading = scroll->value();
    receive(50);
    QCoreApplication::processEvents();
    QCOMPARE(scroll->value(), reading);
    QVERIFY(scroll->value() < scroll->maximum());

    scroll->triggerAction(QAbstractSlider::SliderToMaximum); // and goes back to the end
    receive(50);
    QCoreApplication::processEvents();
    QCOMPARE(scroll->value(), scroll->maximum());
}

// NMEA lines enough to push everything else out of the store of all lines.
QByteArray flood(int lines = 12000)
{
    QByteArray chunk;
    for (int i = 0; i < lines; ++i)
        chunk += "$GPTXT," + QByteArray::number(i) + "\r\n";
    return chunk;
}

void refreshUntilShown(TrafficView& view)
{
    for (int i = 0; i < 30; ++i)
        view.refresh();
}

void TrafficTest::filterShowsEveryCommandAfterAFlood()
{
    ShownView tab;
    for (int i = 0; i < 3; ++i) {
        emit tab.source.commandWritten("#KVT,,GET,K" + QByteArray::number(i) + "\r\n");
        emit tab.source.bytesReceived("@KVT,,GET,K" + QByteArray::number(i) + ",OK,1\r\n");
        emit tab.source.bytesReceived(flood());
        refreshUntilShown(tab.view);
    }
    QCOMPARE(shownLines(tab.view).size(), int(TrafficLog::maxLines));
    PageProbe::part<QCheckBox>(tab.view, "onlyCommandsCheck")->setChecked(true);
    const QStringList exchanges{"→ #KVT,,GET,K0", "← [OK] @KVT,,GET,K0,OK,1",
                                "→ #KVT,,GET,K1", "← [OK] @KVT,,GET,K1,OK,1",
                                "→ #KVT,,GET,K2", "← [OK] @KVT,,GET,K2,OK,1"};
    QCOMPARE(shownLines(tab.view), exchanges);
    // While the filter is on, new ones come in batches as before.
    emit tab.source.bytesReceived(flood());
    emit tab.source.commandWritten("#KVT,,GET,K3\r\n");
    refreshUntilShown(tab.view);
    QCOMPARE(shownLines(tab.view), exchanges + QStringList{"→ #KVT,,GET,K3"});
}

void TrafficTest::pauseAndClearHoldBothStores()
{
    ShownView tab;
    auto* filter = PageProbe::part<QCheckBox>(tab.view, "onlyCommandsCheck");
    emit tab.source.commandWritten("#KVT,,GET,A\r\n");
    emit tab.source.bytesReceived("$GPGGA,1*00\r\n");
    tab.view.refresh();
    click(tab.view, "pauseButton");
    emit tab.source.commandWritten("#KVT,,GET,B\r\n");
    emit tab.source.bytesReceived("$GPGGA,2*00\r\n");
    refreshUntilShown(tab.view);
    filter->setChecked(true); // paused as well: nothing after the pause
    QCOMPARE(shownLines(tab.view), QStringList{"→ #KVT,,GET,A"});
    filter->setChecked(false);
    QCOMPARE(shownLines(tab.view), (QStringList{"→ #KVT,,GET,A", "← $GPGGA,1*00"}));
    filter->setChecked(true);
    click(tab.view, "pauseButton");
    refreshUntilShown(tab.view);
    QCOMPARE(shownLines(tab.view), (QStringList{"→ #KVT,,GET,A", "→ #KVT,,GET,B"}));

    // Commands sent while paused are there afterwards, whatever the NMEA did meanwhile.
    click(tab.view, "pauseButton");
    emit tab.source.commandWritten("#KVT,,GET,C\r\n");
    emit tab.source.bytesReceived(flood());
    refreshUntilShown(tab.view);
    click(tab.view, "pauseButton");
    refreshUntilShown(tab.view);
    QCOMPARE(shownLines(tab.view),
             (QStringList{"→ #KVT,,GET,A", "→ #KVT,,GET,B", "→ #KVT,,GET,C"}));

    click(tab.view, "clearButton");
    QCOMPARE(shownLines(tab.view), QStringList());
    filter->setChecked(false);
    QCOMPARE(shownLines(tab.view), QStringList());
    QVERIFY(tab.view.log().kept(true).empty() && tab.view.log().kept(false).empty());
}

void TrafficTest::linkMarkersAreKeptShownAndSaved()
{
    ShownView tab;
    auto* banner = PageProbe::part<QLabel>(tab.view, "linkBanner");
    emit tab.source.linkOpened("/dev/ttyUSB0", "115200", false);
    emit tab.source.bytesReceived("$GPGGA,1*00\r\n$GPR");
    emit tab.source.linkClosed(LinkTraffic::End::Lost);
    emit tab.source.linkOpened("/dev/ttyUSB0", "115200", true);
    emit tab.source.serialNumberKnown("SN-7");
    QCOMPARE(banner->text(), QStringLiteral("/dev/ttyUSB0 · 115200 · 机身号 SN-7"));
    emit tab.source.commandWritten("#KVT,,GET,A\r\n");
    emit tab.source.linkClosed(LinkTraffic::End::Disconnected);
    // What the ended link showed stays readable, greyed, until the next one opens.
    const auto* text = PageProbe::part<QPlainTextEdit>(tab.view, "trafficText");
    QCOMPARE(text->palette().color(QPalette::Text),
             QPalette().color(QPalette::Disabled, QPalette::Text));
    emit tab.source.linkOpened("/dev/tty\nX", "9600", false);
    QCOMPARE(text->palette().color(QPalette::Text),
             QPalette().color(QPalette::Active, QPalette::Text));
    tab.view.refresh();
    const QStringList all{"—— 已连接 /dev/ttyUSB0 115200 ——",
                          "← $GPGGA,1*00",
                          "← $GPR", // the bytes came before the loss
                          "—— 连接中断 ——",
                          "—— 已重新连接 /dev/ttyUSB0 115200 ——",
                          "→ #KVT,,GET,A",
                          "—— 已断开 ——",
                          "—— 已连接 /dev/tty\\x0AX 9600 ——"};
    QCOMPARE(shownLines(tab.view), all);

    // A flood leaves the markers to the filtered view, which is what is saved then.
    emit tab.source.bytesReceived(flood());
    refreshUntilShown(tab.view);
    PageProbe::part<QCheckBox>(tab.view, "onlyCommandsCheck")->setChecked(true);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("traffic.txt"));
    tab.view.setPathChooser([&target](QWidget*) { return target; });
    click(tab.view, "saveButton");
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QStringList savedLines = QString::fromUtf8(saved.readAll()).split('\n', Qt::SkipEmptyParts);
    for (QString& line : savedLines)
        line.remove(0, 13);
    QStringList exchanges = all;
    exchanges.removeAt(2);
    exchanges.removeAt(1);
    QCOMPARE(savedLines, exchanges);
}

void TrafficTest::queryShowsCommandsAndRepliesInTheTab_data()
{
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::newRow("gga-streaming") << QStringList{"--rates", "GGA=0.1"};
    QTest::newRow("flood-256k") << QStringList{"--flood", "262144"};
}

void TrafficTest::queryShowsCommandsAndRepliesInTheTab()
{
    QFETCH(QStringList, simulatorOptions);
    SimulatorProcess simulator(QStringList{"--serial", "ZR415-TAB-7"} + simulatorOptions);
    QVERIFY(simulator.isRunning());
    qputenv("ZR415_EXTRA_PORTS", simulator.devicePath().toLocal8Bit());
    TempSettings fresh;
    PromptRecorder prompts(QMessageBox::Ok);
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DlgZR415& page = *window.settingsPage();
    TrafficView& view = *window.trafficView();
    PageProbe::choose(page, simulator.devicePath(), QStringLiteral("256000"));
    click(page, "connectButton");
    QVERIFY(PageProbe::linkShownOpen(page));
    window.tabs()->setCurrentWidget(&view);

    // The link's marker, NMEA after it; then only commands and replies, so the query's lines
    // stand out.
    QTRY_VERIFY_WITH_TIMEOUT(shownLines(view).size() > 3, 10000);
    QCOMPARE(shownLines(view).first(),
             QStringLiteral("—— 已连接 %1 256000 ——").arg(simulator.devicePath()));
    QVERIFY(shownLines(view).at(1).startsWith(QStringLiteral("← $G")));
    PageProbe::part<QCheckBox>(view, "onlyCommandsCheck")->setChecked(true);
    click(page, "queryButton");
    QStringList expected;
    for (const std::string& sentence :
         CommandSentences::forQuery(get_system_ini_parameter()->dictionary())) {
        const QString key = QString::fromStdString(CommandSentences::commandOf(sentence).key);
        expected << "→ #KVT,,GET," + key << "← [OK] @KVT,,GET," + key + ",OK,";
    }
    QCOMPARE(expected.size(), 22);
    // The filter keeps the link's marker with the commands and replies.
    expected.prepend(QStringLiteral("—— 已连接 %1 256000 ——").arg(simulator.devicePath()));
    auto exactlyTheQueryShown = [&view, &expected] {
        QStringList lines = shownLines(view);
        for (QString& line : lines)
            line = line.left(line.startsWith(QStringLiteral("← ")) ? line.lastIndexOf(',') + 1
                                                                   : line.size());
        std::sort(lines.begin(), lines.end());
        QStringList wanted = expected;
        std::sort(wanted.begin(), wanted.end());
        return lines == wanted;
    };
    QTRY_VERIFY_WITH_TIMEOUT(exactlyTheQueryShown(), 10000);
    QVERIFY(shownLines(view).contains(
        QStringLiteral("← [OK] @KVT,,GET,DEVICE.INFO.SN,OK,ZR415-TAB-7*64")));
    // What the operator sees now, for a look by eye.
    window.grab().save(QStringLiteral(ZR415_BUILD_DIR "/zr415-traffic.png"));

    // Saved as shown; a folder that cannot be written is reported.
    QTemporaryDir folder;
    QString target = folder.filePath(QStringLiteral("traffic.txt"));
    view.setPathChooser([&target](QWidget*) { return target; });
    click(view, "pauseButton"); // so that the file and the view can be compared
    click(view, "saveButton");
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), shownLines(view, true).join('\n') + '\n');
    QCOMPARE(prompts.shown.size(), 0);

    const QString locked = folder.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    target = locked + "/traffic.txt";
    click(view, "saveButton");
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("记录保存失败：文件夹不可写"));
    QVERIFY(!QFile::exists(target));
}

void TrafficTest::badFloodRateIsRefused_data()
{
    QTest::addColumn<QString>("rate");
    for (const char* rate : {"0", "-5", "fast", "256k", ""})
        QTest::newRow(*rate ? rate : "empty") << QString::fromLatin1(rate);
}

void TrafficTest::badFloodRateIsRefused()
{
    QFETCH(QString, rate);
    QProcess simulator;
    simulator.start(QStringLiteral(ZR415_SIM_BINARY), {"--flood", rate});
    QVERIFY(simulator.waitForFinished(5000));
    QCOMPARE(simulator.exitCode(), 2);
    QVERIFY(simulator.readAllStandardOutput().isEmpty()); // no device was opened
    QVERIFY(simulator.readAllStandardError().contains("--flood needs a positive number"));
}

QTEST_MAIN(TrafficTest)
#include "tst_traffic.moc"
