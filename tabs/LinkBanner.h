#pragma once

#include "LinkTraffic.h"

#include <QLabel>

// The line above each of our tabs that says which link the tab is about: the port and rate,
// the receiver's serial number once this link has learned it, and "已断开" once it ended. The
// tab's contents stay as they were when the link ended; greyed() lets the tab grey them too.
class LinkBanner : public QLabel
{
    Q_OBJECT

public:
    LinkBanner(LinkTraffic* source, QWidget* parent);

    bool linkEnded() const { return ended; }
    // Shows widget's text in the disabled colours while greyed, without disabling it, so it
    // can still be scrolled, selected and saved.
    static void grey(QWidget* widget, bool greyed);

private:
    void opened(const QString& port, const QString& baud);
    void closed();
    void showLink();

    QString port;
    QString baud;
    QString serial;
    bool ended = true;
};
