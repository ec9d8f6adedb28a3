#include "ValueField.h"

#include "ShownBytes.h"

ValueField::ValueField(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    // setText leaves the cursor at the end, which scrolls the start out of a narrow field.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        setCursorPosition(0);
        setToolTip(plainToolTip(text));
    });
}
