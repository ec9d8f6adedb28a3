#pragma once

#include "Dialog.h"

#include <QSize>

class QTabWidget;
class DlgZR415;
class OutputView;
class ReceiverView;
class TrafficView;

// The tool's only top-level window: the receiver settings page, the link traffic, the measured
// output, then what the receiver says of its fix and sky.
class DlgTab : public Dialog
{
    Q_OBJECT

public:
    explicit DlgTab(QWidget* parent);

    DlgZR415* settingsPage() const { return page; }
    QTabWidget* tabs() const { return tabWidget; }
    TrafficView* trafficView() const { return traffic; }
    OutputView* outputView() const { return output; }
    ReceiverView* receiverView() const { return receiver; }

    // The window's size as designed.
    static constexpr QSize designedSize{434, 570};

protected:
    // A recording dropped onto the window is played on the traffic tab.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildUi();
    static bool fits(const QSize& size);
    void narrowMargins();

    QTabWidget* tabWidget = nullptr;
    DlgZR415* page = nullptr;
    TrafficView* traffic = nullptr;
    OutputView* output = nullptr;
    ReceiverView* receiver = nullptr;
};
