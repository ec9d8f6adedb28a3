// The top-level window and the layout of the settings page.
#include "DlgTab.h"
#include "DlgZR415.h"
#include "OutputView.h"
#include "QueryWidget.h"
#include "ReceiverView.h"
#include "SetWidget.h"
#include "TempSettings.h"
#include "TrafficView.h"

#include <QtTest>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTranslator>

namespace {
QString cellOf(QGridLayout* grid, QObject* item)
{
    for (int i = 0; i < grid->count(); ++i) {
        QLayoutItem* entry = grid->itemAt(i);
        if (entry->widget() == item || entry->layout() == item) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            return QStringLiteral("%1,%2").arg(row).arg(column);
        }
    }
    return QStringLiteral("none");
}
} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowIsTitledWithSettingsThenTraffic();
    void windowOpensLargeEnoughToShowEveryControlWhole();
    void windowOpensAtItsDrawnSizeInBothLanguages_data();
    void windowOpensAtItsDrawnSizeInBothLanguages();
    void outputAndQueryRowsSitInTheirCells();
    void captionsAndSizesAreAsDrawn();
    void slotsKeepTheirIndexesAndTheSinkIsReachable();
    void screenshotOfThePage();

private:
    TempSettings* settings = nullptr;
};

void WindowTest::initTestCase()
{
    settings = new TempSettings;
}

void WindowTest::windowIsTitledWithSettingsThenTraffic()
{
    DlgTab window(nullptr);
    QCOMPARE(window.windowTitle(), QStringLiteral("ZR415"));
    QCOMPARE(window.tabs()->count(), 4);
    QCOMPARE(window.tabs()->tabText(0), QStringLiteral("设置ZR415"));
    QCOMPARE(window.tabs()->widget(0), static_cast<QWidget*>(window.settingsPage()));
    QCOMPARE(window.tabs()->tabText(1), QStringLiteral("通信记录"));
    QCOMPARE(window.tabs()->widget(1), static_cast<QWidget*>(window.trafficView()));
    QCOMPARE(window.tabs()->tabText(2), QStringLiteral("输出监视"));
    QCOMPARE(window.tabs()->widget(2), static_cast<QWidget*>(window.outputView()));
    QCOMPARE(window.tabs()->tabText(3), QStringLiteral("接收机状态"));
    QCOMPARE(window.tabs()->widget(3), static_cast<QWidget*>(window.receiverView()));
    QCOMPARE(window.tabs()->currentIndex(), 0);
    QVERIFY(window.layout() == nullptr);
}

void WindowTest::windowOpensLargeEnoughToShowEveryControlWhole()
{
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.width() >= 434);
    QVERIFY(window.height() >= 570);
    const QSize needed = window.tabs()->sizeHint();
    if (needed.width() <= 434 && needed.height() <= 570)
        QCOMPARE(window.size(), QSize(434, 570));
    const QRect inside = window.rect();
    const auto controls = window.settingsPage()->findChildren<QWidget*>();
    QVERIFY(controls.size() > 50);
    for (QWidget* control : controls) {
        if (!control->isVisible())
            continue;
        const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
        QVERIFY2(inside.contains(where),
                 qPrintable(control->objectName() + " " + control->metaObject()->className()));
    }
}

void WindowTest::windowOpensAtItsDrawnSizeInBothLanguages_data()
{
    QTest::addColumn<QString>("translation"); // empty: the Chinese of the sources
    QTest::newRow("chinese") << QString();
    QTest::newRow("english") << QStringLiteral(":/i18n/zr415_en.qm");
}

void WindowTest::windowOpensAtItsDrawnSizeInBothLanguages()
{
    QFETCH(QString, translation);
    // With the fonts the package depends on: its CJK font draws the captions.
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")));
    QTranslator english;
    if (!translation.isEmpty()) {
        QVERIFY(english.load(translation));
        QVERIFY(QCoreApplication::installTranslator(&english));
    }
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(window.size(), QSize(434, 570));
    // Every tab whole inside it.
    const QRect inside = window.rect();
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (QWidget* control : window.tabs()->widget(tab)->findChildren<QWidget*>()) {
            if (!control->isVisible())
                continue;
            const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
            QVERIFY2(inside.contains(where), qPrintable(control->objectName()));
        }
    }
}

void WindowTest::outputAndQueryRowsSitInTheirCells()
{
    DlgZR415 page(nullptr);
    auto* outputGrid = page.findChild<QGridLayout*>(QStringLiteral("outputGrid"));
    auto* queryGrid = page.findChild<QGridLayout*>(QStringLiteral("queryGrid"));
    QVERIFY(outputGrid && queryGrid);
    QCOMPARE(outputGrid->horizontalSpacing(), 10);
    QCOMPARE(outputGrid->verticalSpacing(), 15);
    QCOMPARE(queryGrid->horizontalSpacing(), 10);
    QCOMPARE(queryGrid->verticalSpacing(), 13);

    const QMap<QString, QString> outputCells{{"GGA", "0,0"}, {"ZDA", "0,1"}, {"GST", "0,2"},
                                             {"GSV", "1,0"}, {"GSA", "1,1"}, {"GLL", "1,2"},
                                             {"RMC", "2,0"}, {"VTG", "2,1"}, {"HDT", "2,2"},
                                             {"GRS", "3,0"}, {"NMEA", "3,1"}};
    QCOMPARE(page.outputRows().size(), std::size_t(11));
    for (auto cell = outputCells.begin(); cell != outputCells.end(); ++cell)
        QCOMPARE(cellOf(outputGrid, page.outputRows().at(cell.key().toStdString())), cell.value());
    QCOMPARE(cellOf(outputGrid, page.findChild<QHBoxLayout*>(QStringLiteral("hdtPrefixRow"))),
             QStringLiteral("3,2"));

    QMap<QString, QString> queryCells = outputCells;
    queryCells.remove(QStringLiteral("NMEA"));
    for (auto& cell : queryCells)
        cell = QStringLiteral("%1,%2")
                   .arg(cell.section(',', 0, 0).toInt() + 1)
                   .arg(cell.section(',', 1));
    QCOMPARE(page.queryRowMap().size(), std::size_t(10));
    QVERIFY(page.queryRowMap().count("NMEA") == 0);
    for (auto cell = queryCells.begin(); cell != queryCells.end(); ++cell)
        QCOMPARE(cellOf(queryGrid, page.queryRowMap().at(cell.key().toStdString())), cell.value());
    QCOMPARE(page.findChildren<SetWidget*>().size(), 11);
    QCOMPARE(page.findChildren<QueryWidget*>().size(), 10);
}

void WindowTest::captionsAndSizesAreAsDrawn()
{
    DlgZR415 page(nullptr);
    const QMap<QString, QString> groups{
        {"serialGroup", "串口设置"}, {"settingGroup", "设置"}, {"queryGroup", "查询"}};
    for (auto group = groups.begin(); group != groups.end(); ++group)
        QCOMPARE(page.findChild<QGroupBox*>(group.key())->title(), group.value());
    const QMap<QString, QString> buttons{
        {"connectButton", "连接"},         {"breakButton", "断开"},   {"submitButton", "提交"},
        {"factoryButton", "恢复出厂设置"}, {"queryButton", "查询"},   {"saveButton", "保存配置"},
        {"cleanCheck", "清除所有星历"},    {"sbasCheck", "打开SBAS"}, {"bodyNumCheck", "机身号"},
        {"hdtPrefixCheck", "HDT前缀"}};
    for (auto button = buttons.begin(); button != buttons.end(); ++button)
        QCOMPARE(page.findChild<QAbstractButton*>(button.key())->text(), button.value());
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("portLabel"))->text(),
             QStringLiteral("串口号:"));
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("baudLabel"))->text(),
             QStringLiteral("波特率:"));

    QCOMPARE(page.findChild<QComboBox*>(QStringLiteral("portCombo"))->size(), QSize(80, 18));
    QCOMPARE(page.findChild<QComboBox*>(QStringLiteral("baudCombo"))->size(), QSize(80, 18));
    auto* serialNumber = page.findChild<QLineEdit*>(QStringLiteral("bodyNumEdit"));
    QCOMPARE(serialNumber->width(), 110);
    QVERIFY(serialNumber->isReadOnly());
    for (const char* name : {"connectButton", "breakButton", "queryButton", "saveButton"})
        QCOMPARE(page.findChild<QPushButton*>(QString::fromLatin1(name))->maximumWidth(), 80);
    for (const char* name : {"submitButton", "factoryButton"})
        QCOMPARE(page.findChild<QPushButton*>(QString::fromLatin1(name))->maximumWidth(), 100);
    QVERIFY(!page.findChild<QPushButton*>(QStringLiteral("breakButton"))->isEnabled());
    QVERIFY(page.findChild<QPushButton*>(QStringLiteral("connectButton"))->isEnabled());
}

void WindowTest::slotsKeepTheirIndexesAndTheSinkIsReachable()
{
    DlgZR415 page(nullptr);
    const QMetaObject* meta = page.metaObject();
    QCOMPARE(QByteArray(meta->className()), QByteArray("DlgZR415"));
    const QList<QByteArray> expected{"_submit",  "_query", "_factorySet",
                                     "_connect", "_save",  "_break"};
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 6);
    for (int i = 0; i < 6; ++i) {
        const QMetaMethod slot = meta->method(meta->methodOffset() + i);
        QCOMPARE(slot.name(), expected[i]);
        QCOMPARE(slot.access(), QMetaMethod::Private);
        QCOMPARE(slot.parameterCount(), 0);
    }
    QCOMPARE(page.qt_metacast("IMessanger"), static_cast<void*>(static_cast<IMessanger*>(&page)));
    QCOMPARE(page.qt_metacast("DlgZR415"), static_cast<void*>(&page));
}

void WindowTest::screenshotOfThePage()
{
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString path = QStringLiteral(ZR415_BUILD_DIR "/zr415-page.png");
    QVERIFY(window.grab().save(path));
    QVERIFY(QFileInfo(path).size() > 1000);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
