#pragma once

#include <QLineEdit>

// A read-only value that may be longer than its field: it shows its start, and the whole value
// on hover. It remembers the link whose answer it shows: once another link opens, a value
// from an earlier one is greyed and its hover names the link it came from, until this link's
// answer replaces it.
class ValueField : public QLineEdit
{
    Q_OBJECT

public:
    explicit ValueField(QWidget* parent);

    // An answer of link number link (counted from 1 by the page).
    void setAnswer(const QString& text, int link);
    // Link number link opened; the one before it was earlier, described as earlierText.
    void linkOpened(int link, int earlier, const QString& earlierText);
    // Shows a value of an earlier link.
    bool fromEarlierLink() const { return !origin.isEmpty(); }

private:
    void showOrigin();

    int fromLink = 0; // 0: no answer yet
    QString origin;   // the earlier link it came from, while it is shown as such
    QString originOfMine;
};
