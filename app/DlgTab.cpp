#include "DlgTab.h"

#include "DlgZR415.h"
#include "OutputView.h"
#include "ReceiverView.h"
#include "RecordingBar.h"
#include "TrafficView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLayout>
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
    // The page was drawn for other fonts and controls; where it needs more room than 434 x 570,
    // the margins and gaps the design leaves to the style are narrowed first, and only what
    // still does not fit makes the window open larger, every control whole.
    if (!fits(tabWidget->sizeHint()))
        narrowMargins();
    const QSize needed = tabWidget->sizeHint();
    resize(qMax(designedSize.width(), needed.width()),
           qMax(designedSize.height(), needed.height()));
    setAcceptDrops(true);
}

bool DlgTab::fits(const QSize& size)
{
    return size.width() <= designedSize.width() && size.height() <= designedSize.height();
}

void DlgTab::narrowMargins()
{
    // The page's own margins and those of its three groups, and the gaps between a group's rows:
    // every gap the design gives a number keeps it.
    page->layout()->setContentsMargins(2, 2, 2, 2);
    for (QGroupBox* group : page->findChildren<QGroupBox*>()) {
        group->layout()->setContentsMargins(3, 3, 3, 3);
        group->layout()->setSpacing(3);
        // Measured again, not laid out: a page not yet shown keeps its controls' sizes.
        group->updateGeometry();
    }
    page->updateGeometry();
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
