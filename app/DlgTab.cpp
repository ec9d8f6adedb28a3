#include "DlgTab.h"

#include "DlgZR415.h"
#include "OutputView.h"
#include "ReceiverView.h"
#include "RecordingBar.h"
#include "TrafficView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTabWidget>

namespace {
// The one local file dropped, or empty.
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}
} // namespace

DlgTab::DlgTab(QWidget* parent) : Dialog(parent)
{
    buildUi();
    setWindowTitle(tr("ZR415"));
    // The page was drawn for other fonts; where it needs more room than 434 x 570, the window
    // opens large enough to show every control whole.
    const QSize needed = tabWidget->sizeHint();
    resize(qMax(434, needed.width()), qMax(570, needed.height()));
    setAcceptDrops(true);
}

void DlgTab::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DlgTab::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    if (traffic->recordingBar()->replay(path))
        tabWidget->setCurrentWidget(traffic);
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
