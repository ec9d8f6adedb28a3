#include "LinkBanner.h"

#include "ShownBytes.h"

#include <QFileInfo>
#include <QPalette>

LinkBanner::LinkBanner(LinkTraffic* source, QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("linkBanner"));
    // Port names and serial numbers come from the system and the device: never rich text.
    setTextFormat(Qt::PlainText);
    // A long port path never widens the tab: what does not fit shows on hover.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(source, &LinkTraffic::linkOpened, this,
            [this](const QString& openedPort, const QString& openedBaud, bool) {
                opened(openedPort, openedBaud);
            });
    connect(source, &LinkTraffic::replayOpened, this, [this](const QString& file) {
        opened(tr("回放 %1").arg(QFileInfo(file).fileName()), QString());
    });
    connect(source, &LinkTraffic::linkClosed, this, [this](LinkTraffic::End) { closed(); });
    connect(source, &LinkTraffic::serialNumberKnown, this, [this](const QString& number) {
        serial = number;
        showLink();
    });
    showLink();
}

void LinkBanner::opened(const QString& openedPort, const QString& openedBaud)
{
    port = openedPort;
    baud = openedBaud;
    serial.clear();
    ended = false;
    showLink();
}

void LinkBanner::closed()
{
    ended = true;
    showLink();
}

void LinkBanner::showLink()
{
    if (port.isEmpty()) {
        setText(tr("未连接"));
    } else {
        QStringList parts{port};
        if (!baud.isEmpty())
            parts << baud;
        if (!serial.isEmpty())
            parts << tr("机身号 %1").arg(shownDeviceText(serial.toUtf8()));
        if (ended)
            parts << tr("已断开");
        setText(parts.join(QStringLiteral(" · ")));
    }
    setToolTip(plainToolTip(text()));
    grey(this, ended);
}

void LinkBanner::grey(QWidget* widget, bool greyed)
{
    QPalette palette = widget->palette();
    const QPalette::ColorGroup from = greyed ? QPalette::Disabled : QPalette::Active;
    const QPalette base = QPalette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) {
        palette.setColor(QPalette::Active, role, base.color(from, role));
        palette.setColor(QPalette::Inactive, role, base.color(from, role));
    }
    widget->setPalette(palette);
}
