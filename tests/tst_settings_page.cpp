// The page restored from, stored into and saved to the settings file.
#include "DlgZR415.h"
#include "FakePorts.h"
#include "IDictionary.h"
#include "IIniParameter.h"
#include "IniParameter.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "QueryWidget.h"
#include "RecordingLogger.h"
#include "SetWidget.h"
#include "SettingsKeys.h"
#include "TempSettings.h"

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace PageProbe;

namespace {
const QStringList allNames = {"GGA", "ZDA", "GST", "GSV", "GSA", "GLL",
                              "RMC", "VTG", "GRS", "HDT", "NMEA"};
const QStringList queryNames = allNames.mid(0, 10);

bool ticked(DlgZR415& page, const char* name)
{
    return part<QCheckBox>(page, name)->isChecked();
}

QByteArray setting(const char* key)
{
    const char* value = get_system_ini_parameter()->dictionary()->get(key);
    return value ? QByteArray(value) : QByteArray("<absent>");
}

bool queryTicked(DlgZR415& page, const QString& name)
{
    return page.queryRowMap().at(name.toStdString())->isChecked() == 1;
}
} // namespace

class SettingsPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void fileWithoutKeysGivesTheDefaults();
    void submitStoresTheOutputSideInMemoryOnly();
    void storedValuesAreReadAsTheyStand_data();
    void storedValuesAreReadAsTheyStand();
    void portAndBaudRateFollowTheFile();
    void allThirtyNineKeysSurviveSaveAndANewStart();
    void failedSaveWarnsLogsAndKeepsTheFile();
    void sharedValueListsAreThePagesLists();
};

void SettingsPageTest::initTestCase()
{
    static FakePorts ports({"COM1", "COM4", "COM7"});
}

void SettingsPageTest::init()
{
    qputenv("ZR415_EXTRA_PORTS", "COM1:COM4:COM7");
}

void SettingsPageTest::fileWithoutKeysGivesTheDefaults()
{
    TempSettings settings("; nothing here\n");
    DlgZR415 page(nullptr);
    for (const QString& name : allNames) {
        SetWidget* row = page.outputRows().at(name.toStdString());
        QCOMPARE(row->isChecked(), 0);
        QCOMPARE(row->currentText(), QStringLiteral("OFF"));
    }
    for (const QString& name : queryNames)
        QVERIFY(queryTicked(page, name));
    QVERIFY(ticked(page, "bodyNumCheck"));
    QVERIFY(!ticked(page, "sbasCheck"));
    QVERIFY(!ticked(page, "cleanCheck"));
    QVERIFY(!ticked(page, "hdtPrefixCheck"));
    auto* prefix = part<QComboBox>(page, "hdtPrefixCombo");
    QCOMPARE(prefix->count(), 3);
    QCOMPARE(prefix->currentText(), QStringLiteral("HE"));
    QCOMPARE(QStringList({prefix->itemText(0), prefix->itemText(1), prefix->itemText(2)}),
             QStringList({"HE", "GP", "GN"}));
    QCOMPARE(part<QComboBox>(page, "portCombo")->currentIndex(), 0);
    auto* baud = part<QComboBox>(page, "baudCombo");
    QCOMPARE(baud->currentText(), QStringLiteral("9600"));
    QCOMPARE(baud->count(), 9);
}

void SettingsPageTest::submitStoresTheOutputSideInMemoryOnly()
{
    TempSettings settings("");
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    click(page, "submitButton");
    for (const char* key : {"sbas", "clean", "hdtPrefix", "useHdtPrefix"})
        QCOMPARE(setting(key), QByteArray("0"));
    for (const QString& name : allNames) {
        QCOMPARE(setting(("set" + name).toLatin1().constData()), QByteArray("0"));
        QCOMPARE(setting(("setCommand" + name).toLatin1().constData()), QByteArray("OFF"));
    }
    QCOMPARE(setting("bodyNum"), QByteArray("<absent>"));
    QCOMPARE(settings.fileContent(), QByteArray());
    QVERIFY(prompts.shown.isEmpty());

    click(page, "queryButton");
    QCOMPARE(setting("bodyNum"), QByteArray("1"));
    QCOMPARE(setting("queryHDT"), QByteArray("1"));
    QCOMPARE(setting("queryNMEA"), QByteArray("<absent>"));
    QCOMPARE(settings.fileContent(), QByteArray());
}

void SettingsPageTest::storedValuesAreReadAsTheyStand_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("storedKey");
    QTest::addColumn<QByteArray>("storedValue");

    QTest::newRow("rate-matches") << QByteArray("setCommandGGA=0.5") << "GGA rate"
                                  << "0.5" << QByteArray("setCommandGGA") << QByteArray("0.5");
    QTest::newRow("padded-rate-leaves-off")
        << QByteArray("setCommandGGA=0.50") << "GGA rate"
        << "OFF" << QByteArray("setCommandGGA") << QByteArray("OFF");
    QTest::newRow("two-ticks-and-stores-one") << QByteArray("setGGA=2") << "GGA tick"
                                              << "1" << QByteArray("setGGA") << QByteArray("1");
    QTest::newRow("huge-number-ticks") << QByteArray("sbas=99999999999") << "sbas"
                                       << "1" << QByteArray("sbas") << QByteArray("1");
    QTest::newRow("word-reads-zero") << QByteArray("clean=yes") << "clean"
                                     << "0" << QByteArray("clean") << QByteArray("0");
    QTest::newRow("prefix-two-is-gn") << QByteArray("hdtPrefix=2") << "prefix"
                                      << "GN" << QByteArray("hdtPrefix") << QByteArray("2");
    QTest::newRow("prefix-seven-is-none") << QByteArray("hdtPrefix=7") << "prefix"
                                          << "" << QByteArray("hdtPrefix") << QByteArray("-1");
    QTest::newRow("prefix-negative-is-none") << QByteArray("hdtPrefix=-5") << "prefix"
                                             << "" << QByteArray("hdtPrefix") << QByteArray("-1");
}

void SettingsPageTest::storedValuesAreReadAsTheyStand()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, check);
    QFETCH(QString, shown);
    QFETCH(QByteArray, storedKey);
    QFETCH(QByteArray, storedValue);
    TempSettings settings(file + "\n");
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    SetWidget* gga = page.outputRows().at("GGA");
    const QMap<QString, QString> read{
        {"GGA rate", gga->currentText()},
        {"GGA tick", QString::number(gga->isChecked())},
        {"sbas", QString::number(ticked(page, "sbasCheck"))},
        {"clean", QString::number(ticked(page, "cleanCheck"))},
        {"prefix", part<QComboBox>(page, "hdtPrefixCombo")->currentText()}};
    QCOMPARE(read.value(check), shown);
    click(page, "submitButton");
    QCOMPARE(setting(storedKey.constData()), storedValue);
}

void SettingsPageTest::portAndBaudRateFollowTheFile()
{
    {
        TempSettings settings("portNum=COM4\nbaudrate=115200\nqueryGSV=0\n");
        DlgZR415 page(nullptr);
        QCOMPARE(part<QComboBox>(page, "portCombo")->currentText(), QStringLiteral("COM4"));
        auto* baud = part<QComboBox>(page, "baudCombo");
        QCOMPARE(baud->currentIndex(), 6);
        for (const QString& name : queryNames)
            QCOMPARE(queryTicked(page, name), name != QLatin1String("GSV"));
    }
    {
        qputenv("ZR415_EXTRA_PORTS", "COM1:COM7");
        TempSettings settings("portNum=COM4\nbaudrate=4800\n");
        DlgZR415 page(nullptr);
        QCOMPARE(part<QComboBox>(page, "portCombo")->currentIndex(), 0);
        QCOMPARE(part<QComboBox>(page, "baudCombo")->currentText(), QStringLiteral("9600"));
    }
    {
        qputenv("ZR415_EXTRA_PORTS", "");
        TempSettings settings("");
        PromptRecorder prompts;
        DlgZR415 page(nullptr);
        // With no port at all (this machine may have some: the list is emptied) the saved name
        // is the empty text.
        part<QComboBox>(page, "portCombo")->clear();
        click(page, "saveButton");
        QCOMPARE(setting("portNum"), QByteArray(""));
    }
}

void SettingsPageTest::allThirtyNineKeysSurviveSaveAndANewStart()
{
    TempSettings settings("; kept comment\nunknownKey=kept\n");
    {
        PromptRecorder prompts;
        DlgZR415 page(nullptr);
        part<QComboBox>(page, "portCombo")->setCurrentText(QStringLiteral("COM7"));
        part<QComboBox>(page, "baudCombo")->setCurrentText(QStringLiteral("256000"));
        part<QCheckBox>(page, "sbasCheck")->setChecked(true);
        part<QCheckBox>(page, "cleanCheck")->setChecked(true);
        part<QCheckBox>(page, "hdtPrefixCheck")->setChecked(true);
        part<QComboBox>(page, "hdtPrefixCombo")->setCurrentIndex(1);
        part<QCheckBox>(page, "bodyNumCheck")->setChecked(false);
        const QStringList rates = {"0.02", "0.05", "0.1", "0.2", "0.5", "1",
                                   "2",    "5",    "10",  "15",  "60"};
        for (int i = 0; i < allNames.size(); ++i) {
            SetWidget* row = page.outputRows().at(allNames[i].toStdString());
            row->setChecked(i % 2 == 0);
            row->setCurrentText(rates[i]);
        }
        for (int i = 0; i < queryNames.size(); ++i)
            page.queryRowMap().at(queryNames[i].toStdString())->setChecked(i % 3 == 0);
        click(page, "saveButton");

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].title, QStringLiteral("提示"));
        QCOMPARE(prompts.shown[0].text, QStringLiteral("保存成功"));
        QCOMPARE(prompts.shown[0].buttonTexts, QStringList{QStringLiteral("确定")});
    }

    IniParameter fresh;
    QVERIFY(fresh.load(settings.path().toLocal8Bit().constData()));
    QCOMPARE(fresh.dictionary()->count(), std::size_t(40));
    // The shared key table names exactly the keys the page saves, in the order it stores them.
    QStringList saved, table;
    for (std::size_t i = 1; i < fresh.dictionary()->count(); ++i)
        saved << fresh.dictionary()->keyAt(i);
    for (const SettingsKey& key : SettingsKeys::all())
        table << QString::fromStdString(key.name);
    QCOMPARE(saved, table);
    const QByteArray file = settings.fileContent();
    QVERIFY(file.startsWith("; kept comment\nunknownKey=kept\n"));
    for (const QByteArray line :
         {"portNum=COM7", "baudrate=256000", "sbas=1", "clean=1", "hdtPrefix=1", "useHdtPrefix=1",
          "bodyNum=0", "setGGA=1", "setZDA=0", "setCommandGGA=0.02", "setCommandNMEA=60",
          "queryGGA=1", "queryZDA=0", "queryGRS=0", "queryHDT=1"})
        QVERIFY2(file.contains("\n" + line + "\n"), line.constData());

    // A new start on the same file finds every widget as it was left.
    QVERIFY(settings.reload());
    DlgZR415 page(nullptr);
    QCOMPARE(part<QComboBox>(page, "portCombo")->currentText(), QStringLiteral("COM7"));
    QCOMPARE(part<QComboBox>(page, "baudCombo")->currentText(), QStringLiteral("256000"));
    QVERIFY(ticked(page, "sbasCheck") && ticked(page, "cleanCheck") &&
            ticked(page, "hdtPrefixCheck") && !ticked(page, "bodyNumCheck"));
    QCOMPARE(part<QComboBox>(page, "hdtPrefixCombo")->currentText(), QStringLiteral("GP"));
    QCOMPARE(page.outputRows().at("HDT")->currentText(), QStringLiteral("15"));
    QCOMPARE(page.outputRows().at("GST")->isChecked(), 1);
    QCOMPARE(page.outputRows().at("GSV")->isChecked(), 0);
    QVERIFY(queryTicked(page, "GSV") && !queryTicked(page, "GSA"));
}

void SettingsPageTest::failedSaveWarnsLogsAndKeepsTheFile()
{
    RecordingLogger logger;
    TempSettings settings("sbas=0\n");
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    part<QCheckBox>(page, "sbasCheck")->setChecked(true);
    QFile::setPermissions(settings.path(), QFileDevice::ReadOwner);
    click(page, "saveButton");
    QFile::setPermissions(settings.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QCOMPARE(settings.fileContent(), QByteArray("sbas=0\n"));
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(prompts.shown[0].icon, QMessageBox::Warning);
    QVERIFY(prompts.shown[0].text.startsWith(QStringLiteral("配置保存失败：")));
    QCOMPARE(prompts.shown[0].text, QStringLiteral("配置保存失败：文件只读"));
    QVERIFY(logger.contains("配置保存失败"));
    QVERIFY(logger.contains("the file is read-only"));
}

void SettingsPageTest::sharedValueListsAreThePagesLists()
{
    TempSettings settings;
    DlgZR415 page(nullptr);
    auto items = [](QComboBox* box) {
        std::vector<std::string> texts;
        for (int i = 0; i < box->count(); ++i)
            texts.push_back(box->itemText(i).toStdString());
        return texts;
    };
    QCOMPARE(items(page.outputRows().at("GGA")->findChild<QComboBox*>()), SettingsKeys::rates());
    QCOMPARE(items(part<QComboBox>(page, "baudCombo")), SettingsKeys::baudRates());
    QCOMPARE(items(part<QComboBox>(page, "hdtPrefixCombo")), SettingsKeys::hdtPrefixes());
}

QTEST_MAIN(SettingsPageTest)
#include "tst_settings_page.moc"
