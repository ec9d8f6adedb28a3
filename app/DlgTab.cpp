#include "DlgTab.h"

#include "DlgZR415.h"
#include "OutputView.h"
#include "ReceiverView.h"
#include "TrafficView.h"

#include <QTabWidget>

DlgTab::DlgTab(QWidget* parent) : Dialog(parent)
{
    buildUi();
    setWindowTitle(tr("ZR415"));
    // The page was drawn for other fonts; where it needs more room than 434 x 570, the window
    // opens large enough to show every control whole.
    const QSize needed = tabWidget->sizeHint();
    resize(qMax(434, needed.width()), qMax(570, needed.height()));
}

void DlgTab::buildUi()
{
    page = new DlgZR415(this);
    tabWidget = new QTabWidget(this);
    tabWidget->addTab(page, tr("设置ZR415"));
    // Added second and smaller than the page, so the window opens on the page at its size.
    traffic = new TrafficView(page->traffic(), this);
    tabWidget->addTab(traffic, tr("通信记录"));
    output = new OutputView(page->traffic(), this);
    tabWidget->addTab(output, tr("输出监视"));
    receiver = new ReceiverView(page->traffic(), this);
    tabWidget->addTab(receiver, tr("接收机状态"));
}
