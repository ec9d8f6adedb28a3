#include "ReceiverWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

ReceiverWindow::ReceiverWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("receiverWindow"));
    new QVBoxLayout(this);
}

void ReceiverWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}
