#pragma once

#include <QWidget>

class QCheckBox;
class ValueField;

// One query row: the sentence name to tick, and the output setting the receiver reported.
class QueryWidget : public QWidget
{
    Q_OBJECT

public:
    QueryWidget(QWidget* parent, const char* caption);

    int isChecked();
    void setChecked(int on);
    void setText(const QString& text);
    ValueField* field() const { return valueEdit; }

private:
    QCheckBox* checkBox;
    ValueField* valueEdit;
};
