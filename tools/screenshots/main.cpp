// Pictures of the window's four tabs for the README: the real start-up (settings file,
// translations) and the real window, connected to the port in ZR415_EXTRA_PORTS, queried, and
// each tab grabbed once the receiver has been streaming for a while, then the receiver view in
// its own window at 1200 x 900.
// Usage: zr415-screenshots OUTPUT_PREFIX [SECONDS]; writes OUTPUT_PREFIX-1.png … -5.png.
#include "DlgTab.h"
#include "Startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {
void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool press(QWidget& window, const char* name)
{
    auto* button = window.findChild<QAbstractButton*>(QString::fromLatin1(name));
    if (!button)
        return false;
    button->click();
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_PREFIX [SECONDS]\n", argv[0]);
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt() : 6;
    const QString port = qEnvironmentVariable("ZR415_EXTRA_PORTS").section(QLatin1Char(':'), 0, 0);
    if (const std::optional<int> exitCode = prepare_startup(application))
        return *exitCode;
    auto window = std::make_unique<DlgTab>(nullptr);
    window->show();
    wait(300);
    auto* ports = window->findChild<QComboBox*>(QStringLiteral("portCombo"));
    const int index = ports ? ports->findText(port) : -1;
    if (index < 0) {
        std::fprintf(stderr, "the port %s is not in the list\n", qPrintable(port));
        return 1;
    }
    ports->setCurrentIndex(index);
    if (!press(*window, "connectButton") || !press(*window, "queryButton"))
        return 1;
    wait(seconds * 1000);
    for (int tab = 0; tab < window->tabs()->count(); ++tab) {
        window->tabs()->setCurrentIndex(tab);
        // Two refreshes of the measured views, so they show what they have.
        wait(1100);
        const QString path = QStringLiteral("%1-%2.png").arg(prefix).arg(tab + 1);
        if (!window->grab().save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    // The receiver view in a window of its own, as large as a bench screen gives it.
    if (!press(*window, "detachButton"))
        return 1;
    QWidget* own = window->findChild<QWidget*>(QStringLiteral("receiverWindow"));
    if (!own)
        return 1;
    own->resize(1200, 900);
    wait(1100);
    const QString path = QStringLiteral("%1-%2.png").arg(prefix).arg(window->tabs()->count() + 1);
    if (!own->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
