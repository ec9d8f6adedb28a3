#include "ValueField.h"

#include "ShownBytes.h"

ValueField::ValueField(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    // setText leaves the cursor at the end, which scrolls the start out of a narrow field.
    connect(this, &QLineEdit::textChanged, this, [this] {
        setCursorPosition(0);
        showOrigin();
    });
}

void ValueField::setAnswer(const QString& text, int link)
{
    fromLink = link;
    originOfMine.clear();
    origin.clear();
    setText(text);
    showOrigin();
}

void ValueField::linkOpened(int link, int earlier, const QString& earlierText)
{
    // A value keeps the description of the link it came from, however many links follow.
    if (fromLink == earlier)
        originOfMine = earlierText;
    origin = fromLink != 0 && fromLink != link && !text().isEmpty() ? originOfMine : QString();
    showOrigin();
}

void ValueField::showOrigin()
{
    // Greyed as the tabs grey what an ended link showed: the value stays readable.
    QPalette shown = palette();
    const QPalette base;
    const QPalette::ColorGroup from = origin.isEmpty() ? QPalette::Active : QPalette::Disabled;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        shown.setColor(group, QPalette::Text, base.color(from, QPalette::Text));
    setPalette(shown);
    setToolTip(plainToolTip(origin.isEmpty() ? text() : text() + QLatin1Char('\n') + origin));
}
