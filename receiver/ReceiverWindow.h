#pragma once

#include <QWidget>

// The receiver view on its own, in a window of its own that can be made as large as the screen:
// closing it hands the view back to its tab.
class ReceiverWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ReceiverWindow(QWidget* parent);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
