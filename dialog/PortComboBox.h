#pragma once

#include <QComboBox>

// The port list: tells the page when the operator opens it, so the list can be read again.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void aboutToShowPopup();
};
