#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;

// One NMEA output row: the sentence name to tick, and its output rate.
class SetWidget : public QWidget
{
    Q_OBJECT

public:
    SetWidget(QWidget* parent, const char* caption);

    int isChecked();
    void setChecked(int on);
    QString currentText();
    void setCurrentText(QString text);

private:
    QCheckBox* checkBox;
    QComboBox* rateBox;
};
