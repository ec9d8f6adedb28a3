#pragma once

#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

class DlgZR415;

// Reads and presses the settings page the way an operator would, by the widgets' names.
namespace PageProbe {
template <typename T> T* part(QWidget& page, const char* name)
{
    T* widget = page.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("the page has no %s", name);
    return widget;
}

void click(QWidget& page, const char* button);
// Picks the port (by its text) and the baud rate in the lists.
void choose(QWidget& page, const QString& port, const QString& baud = QStringLiteral("9600"));
bool linkShownOpen(QWidget& page);
bool linkShownClosed(QWidget& page);
// Not open, and waiting for the lost device to come back: 断开 ends the wait.
bool linkShownWaiting(QWidget& page);
QString status(QWidget& page);
// The status text is shown as a problem (in red).
bool statusIsProblem(QWidget& page);
// Hands received bytes to the page's sink as the link does.
void receive(DlgZR415& page, const QByteArray& bytes);
QString queryValue(DlgZR415& page, const QString& sentence);
// What the query group shows: "SN=…" then each non-empty row as "NAME=value".
QStringList shownValues(DlgZR415& page);
} // namespace PageProbe
