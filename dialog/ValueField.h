#pragma once

#include <QLineEdit>

// A read-only value that may be longer than its field: it shows its start, and the whole value
// on hover.
class ValueField : public QLineEdit
{
    Q_OBJECT

public:
    explicit ValueField(QWidget* parent);
};
