// The settings file the build and the package ship: what an untouched window saves, and a
// profile zr415ctl applies as it is, as zr415ctl(1) shows right after an install.
#include "CommandSentences.h"
#include "DlgZR415.h"
#include "PageProbe.h"
#include "Profile.h"
#include "PromptRecorder.h"
#include "TempSettings.h"

#include <QtTest>

using namespace PageProbe;

namespace {
const QString shippedPath = QStringLiteral(ZR415_BUILD_DIR "/etc/Corvane/config/ZR415.ini");

QByteArray shipped()
{
    QFile file(shippedPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class ShippedSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void untouchedWindowSavesTheShippedFile();
    void copyOfTheShippedFileIsAProfile();
};

void ShippedSettingsTest::untouchedWindowSavesTheShippedFile()
{
    qputenv("ZR415_EXTRA_PORTS", "");
    TempSettings settings(shipped());
    PromptRecorder prompts;
    DlgZR415 page(nullptr);
    click(page, "saveButton");
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown[0].text, QStringLiteral("保存成功"));
    // The port the window chose is added; nothing else changes.
    QByteArrayList saved = settings.fileContent().split('\n');
    saved.removeIf([](const QByteArray& line) { return line.startsWith("portNum="); });
    QCOMPARE(saved.join('\n'), shipped());
}

void ShippedSettingsTest::copyOfTheShippedFileIsAProfile()
{
    QString error;
    const std::optional<Profile> profile = Profile::load(shippedPath, error);
    QVERIFY2(profile, qPrintable(error));
    QVERIFY(profile->wantedRates().empty());
    QCOMPARE(profile->sentences(), std::vector<std::string>{CommandSentences::untrackSbas()});
}

QTEST_MAIN(ShippedSettingsTest)
#include "tst_shippedsettings.moc"
