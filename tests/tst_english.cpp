// English for operators who read no Chinese: every text the operator can see is English when the
// desktop's language is English, the page still fits, and what goes over the wire is the same.
#include "CommandOutcomes.h"
#include "DlgTab.h"
#include "DlgZR415.h"
#include "IDictionary.h"
#include "IIniParameter.h"
#include "LinkTraffic.h"
#include "OperatorMessages.h"
#include "OutputView.h"
#include "PageProbe.h"
#include "PromptRecorder.h"
#include "ReceiverView.h"
#include "RecordingReaderWriter.h"
#include "SetWidget.h"
#include "TempSettings.h"
#include "TrafficView.h"
#include "Translations.h"

#include <QtTest>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>

using namespace PageProbe;

namespace {
bool hasCjk(const QString& text)
{
    for (const QChar c : text)
        if (c.script() == QChar::Script_Han || (c.unicode() >= 0x3000 && c.unicode() <= 0x303f) ||
            (c.unicode() >= 0xff00 && c.unicode() <= 0xffef))
            return true;
    return false;
}

// Every text a widget shows: captions, tab titles, list items, tooltips.
QStringList textsOf(QWidget* widget)
{
    QStringList texts{widget->toolTip(), widget->windowTitle()};
    if (auto* label = qobject_cast<QLabel*>(widget))
        texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        texts << button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        texts << group->title();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    if (auto* table = qobject_cast<QTableWidget*>(widget)) {
        for (int i = 0; i < table->columnCount(); ++i)
            texts << table->horizontalHeaderItem(i)->text();
        for (int row = 0; row < table->rowCount(); ++row)
            for (int column = 0; column < table->columnCount(); ++column)
                if (QTableWidgetItem* item = table->item(row, column))
                    texts << item->text() << item->toolTip();
    }
    return texts;
}

QByteArray submittedBytes()
{
    RecordingReaderWriter link;
    DlgZR415 page(nullptr);
    click(page, "connectButton");
    click(page, "submitButton");
    return link.writes.join();
}
} // namespace

class EnglishTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyWidgetTextIsEnglish();
    void everyMessageAndStatusIsEnglish();
    void messageBoxesOfThePageAreEnglish();
    void englishPageFitsItsWindow();
    void submitSendsTheSameBytesInBothLanguages();
    void everyTextOfTheTranslationIsTranslated();
    void trafficMarkersAndChecksumMarkAreEnglish();

private:
    TempSettings* settings = nullptr;
};

void EnglishTest::initTestCase()
{
    // The suite runs with LANGUAGE=en, as an English desktop sets it.
    QVERIFY(load_translations_file(qApp, 0));
    settings = new TempSettings("setGGA=1\nsetCommandGGA=0.5\nsetNMEA=1\nsetCommandNMEA=OFF\n"
                                "sbas=1\nclean=1\nuseHdtPrefix=1\nhdtPrefix=2\n");
}

void EnglishTest::everyWidgetTextIsEnglish()
{
    DlgTab window(nullptr);
    QCOMPARE(window.tabs()->tabText(0), QStringLiteral("ZR415 Settings"));
    QCOMPARE(window.tabs()->tabText(2), QStringLiteral("Output"));
    QCOMPARE(window.tabs()->tabText(3), QStringLiteral("Receiver"));
    // The receiver tab filled, so its values and table rows are read too.
    emit window.settingsPage()->traffic()->bytesReceived(
        "$GNGGA,123456.20,3114.878902,N,12135.244198,E,4,12,0.8,12.3,M,8.7,M,1.0,0123*54\r\n"
        "$GBGSV,1,1,01,07,55,200,38*54\r\n"
        "$GNGSA,A,3,07,,,,,,,,,,,,1.5,0.8,1.2,4*3C\r\n"
        "$GNGST,123456.20,0.5,0.012,0.008,45.0,0.011,0.009,0.020*78\r\n");
    window.receiverView()->refresh();
    QCOMPARE(window.receiverView()->findChild<QLabel*>("fixQuality")->text(),
             QStringLiteral("RTK fixed · 3D · 0 s"));
    QCOMPARE(window.receiverView()->findChild<QTableWidget*>("satelliteTable")->rowCount(), 1);
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets << &window;
    for (QWidget* widget : widgets)
        for (const QString& text : textsOf(widget))
            QVERIFY2(!hasCjk(text), qPrintable(widget->objectName() + ": " + text));
}

void EnglishTest::everyMessageAndStatusIsEnglish()
{
    using namespace OperatorMessages;
    QStringList texts{notice(),
                      linkOpen("p", "9600"),
                      linkClosed(),
                      openFailed("p", "r"),
                      noPort(),
                      linkLost("p", "r"),
                      sent(3),
                      notSent(3),
                      saveFailed("r"),
                      ok(),
                      confirmFactoryReset()};
    for (LinkError kind : {LinkError::NoSuchDevice, LinkError::NoPermission, LinkError::Busy,
                           LinkError::Unplugged, LinkError::BaudUnsupported, LinkError::Other})
        texts << linkReason(kind, "x");
    for (SaveError kind :
         {SaveError::FileReadOnly, SaveError::FolderMissing, SaveError::FolderNotWritable,
          SaveError::DiskFull, SaveError::FileIsLink, SaveError::Other})
        texts << saveReason(kind, "x");
    CommandOutcomes mixed;
    for (const char* sentence : {"#KVT,,SET,A,1\r\n", "#KVT,,SET,B,1\r\n", "#KVT,,SET,C,1\r\n"})
        mixed.add(sentence, true);
    mixed.add("#KVT,,SET,D,1\r\n", false);
    mixed.acknowledge("SET", "A", true);
    mixed.acknowledge("SET", "B", false);
    mixed.giveUp();
    texts << outcomes(mixed);
    CommandOutcomes confirmed;
    confirmed.add("#KVT,,SET,A,1\r\n", true);
    confirmed.acknowledge("SET", "A", true);
    texts << outcomes(confirmed);
    texts << QObject::tr("警告") << QObject::tr("程序已经运行，不能运行多个程序！");
    for (RateCheck::State state : {RateCheck::State::Normal, RateCheck::State::Deviating,
                                   RateCheck::State::Silent, RateCheck::State::ChecksumErrors})
        texts << OutputView::stateText(state);
    for (int quality = 0; quality <= 8; ++quality)
        texts << ReceiverView::qualityText(static_cast<ReceiverStatus::FixQuality>(quality));
    for (const QString& text : texts)
        QVERIFY2(!hasCjk(text) && !text.isEmpty(), qPrintable(text));
    QCOMPARE(
        outcomes(mixed),
        QStringLiteral("confirmed: 1; refused by the receiver: B; no answer: 1; not written: 1"));
}

void EnglishTest::messageBoxesOfThePageAreEnglish()
{
    PromptRecorder prompts(QMessageBox::No);
    DlgZR415 page(nullptr);
    part<QComboBox>(page, "portCombo")->clear();
    click(page, "connectButton");
    click(page, "factoryButton");
    click(page, "saveButton");
    QCOMPARE(prompts.shown.size(), 3);
    // Qt's own words (standard buttons, serial port errors) follow the desktop language too.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    QCOMPARE(QCoreApplication::translate("QSerialPort", "No error"), QStringLiteral("No error"));
    for (const PromptRequest& box : prompts.shown) {
        QStringList texts = box.buttonTexts;
        texts << box.title << box.text;
        for (const QString& text : texts)
            QVERIFY2(!hasCjk(text), qPrintable(text));
    }
    QCOMPARE(status(page), QStringLiteral("No serial port available: cannot connect"));

    // The traffic tab's failed save, into a folder that is not there.
    DlgTab window(nullptr);
    window.trafficView()->setPathChooser(
        [](QWidget*) { return QStringLiteral("/nonexistent-zr415/traffic.txt"); });
    click(*window.trafficView(), "saveButton");
    QCOMPARE(prompts.shown.size(), 4);
    for (const QString& text : {prompts.shown[3].title, prompts.shown[3].text})
        QVERIFY2(!hasCjk(text), qPrintable(text));
    QVERIFY(prompts.shown[3].text.startsWith(QStringLiteral("Record not saved: ")));
}

void EnglishTest::englishPageFitsItsWindow()
{
    DlgTab window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect inside = window.rect();
    // Each tab in turn: every control inside the window, every caption whole.
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (QWidget* control : window.tabs()->widget(tab)->findChildren<QWidget*>()) {
            if (!control->isVisible())
                continue;
            const QString name = control->objectName() + " " + control->metaObject()->className();
            const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
            QVERIFY2(inside.contains(where), qPrintable(name));
            if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QGroupBox*>(control))
                QVERIFY2(control->width() >= control->sizeHint().width(), qPrintable(name));
        }
        window.grab().save(QStringLiteral(ZR415_BUILD_DIR "/zr415-english-tab%1.png").arg(tab));
    }
}

void EnglishTest::submitSendsTheSameBytesInBothLanguages()
{
    const QByteArray english = submittedBytes();
    QVERIFY(english.contains("GNSS.NMEA.GGA,0.5\r\n#KVT,,SET,GNSS.NMEA.ALL,OFF\r\n"));
    QVERIFY(english.endsWith("#KVT,,SET,GNSS.NMEATALKER.HDT,GN\r\n"));
    const QList<QTranslator*> translators = qApp->findChildren<QTranslator*>();
    for (QTranslator* translator : translators)
        QCoreApplication::removeTranslator(translator);
    const QByteArray chinese = submittedBytes();
    for (QTranslator* translator : translators)
        QCoreApplication::installTranslator(translator);
    QCOMPARE(english, chinese);
    // The settings keep their texts too.
    QCOMPARE(
        QByteArray(dic_get_csz(get_system_ini_parameter()->dictionary(), "setCommandNMEA", "")),
        QByteArray("OFF"));
}

void EnglishTest::everyTextOfTheTranslationIsTranslated()
{
    QFile file(QStringLiteral(ZR415_SOURCE_DIR "/translations/zr415_en.ts"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context, source;
    int messages = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            const QString translation = xml.readElementText();
            const QString where = context + ": " + source;
            QVERIFY2(!unfinished && !translation.isEmpty(), qPrintable("untranslated " + where));
            QVERIFY2(!hasCjk(translation), qPrintable("Chinese left in " + where));
            ++messages;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(messages > 40);
}

void EnglishTest::trafficMarkersAndChecksumMarkAreEnglish()
{
    DlgTab window(nullptr);
    window.show();
    window.tabs()->setCurrentWidget(window.trafficView());
    QTRY_VERIFY(window.trafficView()->isVisible());
    LinkTraffic& source = *window.settingsPage()->traffic();
    emit source.linkOpened("/dev/ttyUSB0", "9600", false);
    emit source.bytesReceived("@KVT,,SET,X,OK*00\r\n");
    emit source.linkClosed(LinkTraffic::End::Lost);
    emit source.linkOpened("/dev/ttyUSB0", "9600", true);
    emit source.linkClosed(LinkTraffic::End::Disconnected);
    window.trafficView()->refresh();
    QStringList lines = part<QPlainTextEdit>(*window.trafficView(), "trafficText")
                            ->toPlainText()
                            .split(QLatin1Char('\n'));
    for (QString& line : lines)
        line.remove(0, 13);
    QCOMPARE(lines, (QStringList{"—— connected /dev/ttyUSB0 9600 ——",
                                 "← [OK] [checksum error] @KVT,,SET,X,OK*00", "—— link lost ——",
                                 "—— reconnected /dev/ttyUSB0 9600 ——", "—— disconnected ——"}));
}

QTEST_MAIN(EnglishTest)
#include "tst_english.moc"
