#include "OperatorPrompt.h"

#include <QPushButton>

namespace {
OperatorPrompt::Responder& responder()
{
    static OperatorPrompt::Responder installed;
    return installed;
}
} // namespace

void OperatorPrompt::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}

int OperatorPrompt::withButtons(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text, const QStringList& buttonTexts,
                                int defaultButton, int escapeButton)
{
    QStringList shown;
    for (const QString& caption : buttonTexts)
        if (!caption.isEmpty())
            shown << caption;
    if (responder())
        return responder()({parent, icon, title, text, shown, QMessageBox::NoButton});
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    // What the device sent (a serial number) can be part of the text: never markup.
    box.setTextFormat(Qt::PlainText);
    QList<QPushButton*> buttons;
    for (const QString& caption : shown)
        buttons << box.addButton(caption, QMessageBox::AcceptRole);
    if (defaultButton >= 0 && defaultButton < buttons.size())
        box.setDefaultButton(buttons[defaultButton]);
    if (escapeButton >= 0 && escapeButton < buttons.size())
        box.setEscapeButton(buttons[escapeButton]);
    box.exec();
    const int pressed = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return pressed >= 0 ? pressed : escapeButton;
}

void OperatorPrompt::closeShown(QWidget* parent, const QString& text)
{
    if (!parent)
        return;
    const QList<QMessageBox*> boxes =
        parent->findChildren<QMessageBox*>(QString(), Qt::FindDirectChildrenOnly);
    for (QMessageBox* box : boxes)
        if (box->isVisible() && box->text() == text)
            box->done(QDialog::Rejected);
}

QMessageBox::StandardButton
OperatorPrompt::withStandardButtons(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    if (responder())
        return static_cast<QMessageBox::StandardButton>(
            responder()({parent, icon, title, text, {}, buttons}));
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    const int answer = box.exec();
    return box.clickedButton() ? static_cast<QMessageBox::StandardButton>(answer)
                               : QMessageBox::NoButton;
}
