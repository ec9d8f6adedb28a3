#include "PageProbe.h"

#include "DlgZR415.h"
#include "NmeaList.h"
#include "QueryWidget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace PageProbe {
void click(QWidget& page, const char* button)
{
    QTest::mouseClick(part<QPushButton>(page, button), Qt::LeftButton);
}

void choose(QWidget& page, const QString& port, const QString& baud)
{
    part<QComboBox>(page, "portCombo")->setCurrentText(port);
    part<QComboBox>(page, "baudCombo")->setCurrentText(baud);
}

bool linkShownOpen(QWidget& page)
{
    return !part<QPushButton>(page, "connectButton")->isEnabled() &&
           part<QPushButton>(page, "breakButton")->isEnabled();
}

bool linkShownClosed(QWidget& page)
{
    return part<QPushButton>(page, "connectButton")->isEnabled() &&
           !part<QPushButton>(page, "breakButton")->isEnabled();
}

bool linkShownWaiting(QWidget& page)
{
    return part<QPushButton>(page, "connectButton")->isEnabled() &&
           part<QPushButton>(page, "breakButton")->isEnabled();
}

QString status(QWidget& page)
{
    return part<QLabel>(page, "statusLabel")->text();
}

bool statusIsProblem(QWidget& page)
{
    return part<QLabel>(page, "statusLabel")->styleSheet().contains(QLatin1String("color"));
}

void receive(DlgZR415& page, const QByteArray& bytes)
{
    page.log(("MSG:" + QByteArray::number(bytes.size()) + ":" + bytes).constData());
}

QString queryValue(DlgZR415& page, const QString& sentence)
{
    return page.queryRowMap().at(sentence.toStdString())->findChild<QLineEdit*>()->text();
}

QStringList shownValues(DlgZR415& page)
{
    QStringList values{"SN=" + part<QLineEdit>(page, "bodyNumEdit")->text()};
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const QString text = queryValue(page, nmeaList[i]);
        if (!text.isEmpty())
            values << nmeaList[i] + "=" + text;
    }
    return values;
}
} // namespace PageProbe
