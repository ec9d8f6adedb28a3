#pragma once

#include "PortDetails.h"

#include <QComboBox>

// The port list: tells the page when the operator opens it, says on hover which device each
// entry is, and shows the end of a name too long for the box (where device names differ).
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PortComboBox(QWidget* parent);

    void showPopup() override;
    // Hover texts for the entries, one port each, in list order; the open list is as wide as
    // its longest entry.
    void describe(const QList<PortDetails>& ports);
    // Shows name, greyed, while no entry is chosen: the port of a lost receiver, gone from the
    // list while it is waited for. Empty: nothing is shown then.
    void setAbsentPort(const QString& name);
    // What the box shows of the chosen entry.
    QString shownText() const;

signals:
    void aboutToShowPopup();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString hoverText(const PortDetails& port) const;
    void showChosenHoverText();
};
