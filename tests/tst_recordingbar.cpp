// The window's recording and replay on the traffic tab: 记录 records the open link whatever tab
// is in front and ends with it; 回放… and a dropped file play a recording into the tabs, which
// then show what they showed when it was recorded.
#include "DlgTab.h"
#include "DlgZR415.h"
#include "LinkTraffic.h"
#include "NmeaGenerator.h"
#include "PageProbe.h"
#include "ReceiverView.h"
#include "RecordingBar.h"
#include "TempSettings.h"
#include "TrafficView.h"

#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>

using PageProbe::click;
using PageProbe::part;

namespace {
// What the receiver tab shows: every value, then every cell of the satellite table.
QStringList receiverTabText(ReceiverView& view)
{
    view.refresh();
    QStringList texts;
    for (const QLabel* label : part<QWidget>(view, "valueArea")->findChildren<QLabel*>())
        texts << label->objectName() + QLatin1Char('=') + label->text();
    const QTableWidget* table = part<QTableWidget>(view, "satelliteTable");
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
            texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}

QStringList markersOf(const TrafficView& view)
{
    QStringList texts;
    for (quint64 n = view.log().first(); n < view.log().end(); ++n)
        if (view.log().at(n).text.startsWith(QStringLiteral("——")))
            texts << view.log().at(n).text;
    return texts;
}

// Two seconds of a receiver's epochs at 5 Hz, as the simulator makes them.
QList<QByteArray> epochs()
{
    NmeaGenerator generator;
    QList<QByteArray> chunks;
    for (int i = 0; i < 10; ++i) {
        std::string chunk;
        for (const char* name : {"GGA", "GSA", "GSV", "RMC", "HDT", "GST"})
            chunk += generator.sentence(name, "GN", 1717700000 + i * 0.2);
        chunks << QByteArray::fromStdString(chunk);
    }
    return chunks;
}
} // namespace

class RecordingBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { settings = std::make_unique<TempSettings>(); }
    void recordButtonRecordsTheOpenLinkUntilItEnds_data();
    void recordButtonRecordsTheOpenLinkUntilItEnds();
    void replayShowsWhatTheLinkShowed_data();
    void replayShowsWhatTheLinkShowed();
    void replayWaitsForNoLinkAndGivesWayToOne();

private:
    std::unique_ptr<TempSettings> settings;
};

void RecordingBarTest::recordButtonRecordsTheOpenLinkUntilItEnds_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("end");   // what ends the recording
    QTest::addColumn<QString>("named"); // the file name's start
    QTest::addColumn<bool>("stillEnabled");
    QTest::newRow("serial-known-stopped-by-hand")
        << QStringLiteral("ZR-0042") << QStringLiteral("button") << QStringLiteral("ZR-0042-")
        << true;
    QTest::newRow("serial-unknown-named-by-port")
        << QString() << QStringLiteral("button") << QStringLiteral("ttyUSB3-") << true;
    QTest::newRow("serial-with-a-slash")
        << QStringLiteral("A/B 7") << QStringLiteral("button") << QStringLiteral("A_B_7-") << true;
    QTest::newRow("link-closed") << QString() << QStringLiteral("closed")
                                 << QStringLiteral("ttyUSB3-") << false;
    QTest::newRow("link-lost") << QString() << QStringLiteral("lost") << QStringLiteral("ttyUSB3-")
                               << false;
    QTest::newRow("device-back-is-another-link")
        << QString() << QStringLiteral("reconnect") << QStringLiteral("ttyUSB3-") << true;
}

void RecordingBarTest::recordButtonRecordsTheOpenLinkUntilItEnds()
{
    QFETCH(QString, serial);
    QFETCH(QString, end);
    QFETCH(QString, named);
    QFETCH(bool, stillEnabled);
    QTemporaryDir folder;
    DlgTab window(nullptr);
    LinkTraffic& source = *window.settingsPage()->traffic();
    TrafficView& view = *window.trafficView();
    RecordingBar& bar = *view.recordingBar();
    const QString recordings = folder.filePath(QStringLiteral("ZR415/recordings"));
    bar.setRecordingFolder(recordings);
    auto* recordButton = part<QPushButton>(view, "recordButton");
    QVERIFY(!recordButton->isEnabled());

    emit source.linkOpened(QStringLiteral("/dev/ttyUSB3"), QStringLiteral("460800"), false);
    if (!serial.isEmpty())
        emit source.serialNumberKnown(serial);
    const QString before =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    click(view, "recordButton");
    QVERIFY(bar.isRecording());
    QCOMPARE(recordButton->text(), QStringLiteral("停止记录"));
    const QString path = bar.recordingPath();
    const QString name = QFileInfo(path).fileName();
    QVERIFY2(name.startsWith(named) && name.endsWith(QLatin1String(".nmea")), qPrintable(name));
    QVERIFY(name.mid(named.size(), 15) >= before);
    QCOMPARE(QFileInfo(path).absolutePath(), recordings);
    QVERIFY(part<QLabel>(view, "recordingLabel")->text().contains(path));

    // The window never shown, the traffic tab never in front: recorded all the same.
    const QByteArray burst("$GNGGA,1\xb5\x62\x00\xff\r\n", 14);
    emit source.bytesReceived(burst);
    emit source.commandWritten("#KVT,,GET,GNSS.SN\r\n");
    if (end == QLatin1String("button"))
        click(view, "recordButton");
    else if (end == QLatin1String("closed"))
        emit source.linkClosed(LinkTraffic::End::Disconnected);
    else if (end == QLatin1String("lost"))
        emit source.linkClosed(LinkTraffic::End::Lost);
    else
        emit source.linkOpened(QStringLiteral("/dev/ttyUSB3"), QStringLiteral("460800"), true);
    emit source.bytesReceived("after");

    QVERIFY(!bar.isRecording());
    QCOMPARE(recordButton->text(), QStringLiteral("记录"));
    QCOMPARE(recordButton->isEnabled(), stillEnabled);
    QFile bytes(path);
    QVERIFY(bytes.open(QIODevice::ReadOnly));
    QCOMPARE(bytes.readAll(), burst);
    QFile timing(path + QStringLiteral(".jsonl"));
    QVERIFY(timing.open(QIODevice::ReadOnly));
    const QList<QByteArray> entries = timing.readAll().split('\n');
    QCOMPARE(entries.size(), 4); // header, piece, command, end of the last line
    QVERIFY(entries[0].contains("\"baud\":460800"));
    QCOMPARE(entries[0].contains("\"serial\":"), !serial.isEmpty());
    QVERIFY(entries[2].contains("\"sent\":\"#KVT,,GET,GNSS.SN\""));
    const QStringList markers = markersOf(view);
    QVERIFY(markers.contains(QStringLiteral("—— 记录到 %1 ——").arg(path)));
    QVERIFY(markers.contains(QStringLiteral("—— 记录结束 %1 ——").arg(path)));
}

void RecordingBarTest::replayShowsWhatTheLinkShowed_data()
{
    QTest::addColumn<bool>("withTiming");
    QTest::addColumn<int>("speed"); // index in the speed box
    QTest::newRow("recorded-timing-four-times") << true << 1;
    QTest::newRow("time-tags-as-fast-as-it-can") << false << 2;
}

void RecordingBarTest::replayShowsWhatTheLinkShowed()
{
    QFETCH(bool, withTiming);
    QFETCH(int, speed);
    QTemporaryDir folder;
    DlgTab window(nullptr);
    LinkTraffic& source = *window.settingsPage()->traffic();
    TrafficView& view = *window.trafficView();
    RecordingBar& bar = *view.recordingBar();
    bar.setRecordingFolder(folder.path());
    ReceiverView& receiver = *window.receiverView();
    emit source.linkOpened(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("115200"), false);
    click(view, "recordButton");
    for (const QByteArray& chunk : epochs())
        emit source.bytesReceived(chunk);
    const QStringList shown = receiverTabText(receiver);
    QVERIFY(shown.size() > 20);
    const QString path = bar.recordingPath();
    emit source.linkClosed(LinkTraffic::End::Disconnected);
    if (!withTiming)
        QVERIFY(QFile::remove(path + QStringLiteral(".jsonl")));

    emit source.linkOpened(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("9600"), false);
    emit source.linkClosed(LinkTraffic::End::Disconnected);
    QVERIFY(receiverTabText(receiver) != shown);
    part<QComboBox>(view, "replaySpeedBox")->setCurrentIndex(speed);
    bar.setPathChooser([path](QWidget*) { return path; });
    click(view, "replayButton");
    QVERIFY(bar.isReplaying());
    QVERIFY(part<QWidget>(view, "replayPauseButton")->isVisibleTo(&view));
    QVERIFY(markersOf(view).contains(QStringLiteral("—— 回放 %1 ——").arg(path)));
    QTRY_VERIFY(!bar.isReplaying());
    QCOMPARE(receiverTabText(receiver), shown);
    QVERIFY(part<QLabel>(view, "linkBanner")->text().contains(QFileInfo(path).fileName()));
}

void RecordingBarTest::replayWaitsForNoLinkAndGivesWayToOne()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.nmea"));
    {
        QFile capture(path);
        QVERIFY(capture.open(QIODevice::WriteOnly));
        for (const QByteArray& chunk : epochs())
            capture.write(chunk);
    }
    DlgTab window(nullptr);
    LinkTraffic& source = *window.settingsPage()->traffic();
    TrafficView& view = *window.trafficView();
    RecordingBar& bar = *view.recordingBar();

    QVERIFY(!bar.isReplaying());
    QVERIFY(!part<QWidget>(view, "replayPauseButton")->isVisibleTo(&view));
    emit source.linkOpened(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("115200"), false);
    QVERIFY(!part<QPushButton>(view, "replayButton")->isEnabled());
    QVERIFY(!bar.replay(path));
    QVERIFY(!bar.isReplaying());
    emit source.linkClosed(LinkTraffic::End::Disconnected);

    // Dropped onto the window, as from a file manager.
    window.tabs()->setCurrentIndex(0);
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QVERIFY(bar.isReplaying());
    QCOMPARE(window.tabs()->currentWidget(), &view);

    // A real link takes the tabs over: the replay stops without closing that link's tabs.
    click(view, "replayPauseButton");
    emit source.linkOpened(QStringLiteral("/dev/ttyUSB2"), QStringLiteral("115200"), false);
    QVERIFY(!bar.isReplaying());
    const QString banner = part<QLabel>(view, "linkBanner")->text();
    QVERIFY2(banner.startsWith(QLatin1String("/dev/ttyUSB2")) &&
                 !banner.contains(QStringLiteral("已断开")),
             qPrintable(banner));
    QVERIFY(part<QPushButton>(view, "recordButton")->isEnabled());
}

QTEST_MAIN(RecordingBarTest)
#include "tst_recordingbar.moc"
