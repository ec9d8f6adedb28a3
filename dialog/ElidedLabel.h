#pragma once

#include <QLabel>

// A one-line text that ends in "…" where it does not fit; text() stays the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    // What fits of the text in the space the label has now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
