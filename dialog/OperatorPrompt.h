#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>

// A modal question or notice for the operator.
struct PromptRequest
{
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QStringList buttonTexts;                      // buttons with texts of their own, or
    QMessageBox::StandardButtons standardButtons; // standard buttons
};

// Every message box of the tool goes through here, so tests can read and answer them.
class OperatorPrompt
{
public:
    // Buttons with the given texts; returns the index of the one pressed, or escapeButton.
    static int withButtons(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& text, const QStringList& buttonTexts, int defaultButton,
                           int escapeButton);
    // Standard buttons; returns the one pressed (NoButton when the box was closed without one).
    static QMessageBox::StandardButton
    withStandardButtons(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text, QMessageBox::StandardButtons buttons,
                        QMessageBox::StandardButton defaultButton);

    // Closes the box of parent showing text, if one is up, as if Escape were pressed: a notice
    // that no longer holds (the receiver it waited for is back) goes by itself.
    static void closeShown(QWidget* parent, const QString& text);

    // A responder answers instead of the operator: a button index or a StandardButton value.
    using Responder = std::function<int(const PromptRequest&)>;
    static void setResponder(Responder responder);
};
