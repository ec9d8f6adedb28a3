#include "TrafficView.h"

#include "ILogger.h"
#include "LinkBanner.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
#include "RecordingBar.h"
#include "ShownBytes.h"
#include "TrafficFile.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

TrafficView::TrafficView(LinkTraffic* source, QWidget* parent, TrafficLog::Clock clock)
    : QWidget(parent), trafficLog(std::move(clock))
{
    if (source) {
        banner = new LinkBanner(source, this);
        recording = new RecordingBar(source, this);
    }
    buildUi();
    pathChooser = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, tr("保存通信记录"), QString(),
                                            tr("文本文件 (*.txt);;所有文件 (*)"));
    };
    if (source) {
        connect(source, &LinkTraffic::commandWritten, this, [this](const QByteArray& sentence) {
            trafficLog.addCommand(sentence);
            wake();
        });
        connect(source, &LinkTraffic::bytesReceived, this, [this](const QByteArray& chunk) {
            trafficLog.addReceived(chunk);
            wake();
        });
        connect(source, &LinkTraffic::linkOpened, this, &TrafficView::linkOpened);
        connect(source, &LinkTraffic::linkClosed, this, &TrafficView::linkClosed);
        connect(source, &LinkTraffic::linkNoted, this, [this](const QString& text) {
            trafficLog.addMarker(QStringLiteral("—— %1 ——").arg(text));
            wake();
        });
        // The replay's own marker names the file.
        connect(source, &LinkTraffic::replayOpened, this,
                [this] { LinkBanner::grey(textView, false); });
        connect(recording, &RecordingBar::marker, this, [this](const QString& text) {
            trafficLog.addMarker(text);
            wake();
        });
    }
    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(refreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &TrafficView::refresh);
}

void TrafficView::linkOpened(const QString& port, const QString& baud, bool reconnect)
{
    const QString shownPort = shownBytes(port.toUtf8());
    const QString shownBaud = shownBytes(baud.toUtf8());
    trafficLog.addMarker(reconnect ? tr("—— 已重新连接 %1 %2 ——").arg(shownPort, shownBaud)
                                   : tr("—— 已连接 %1 %2 ——").arg(shownPort, shownBaud));
    LinkBanner::grey(textView, false);
    wake();
}

void TrafficView::linkClosed(LinkTraffic::End how)
{
    trafficLog.addMarker(how == LinkTraffic::End::Lost ? tr("—— 连接中断 ——") : tr("—— 已断开 ——"));
    // What the link showed stays readable, greyed as the link's other tabs are.
    LinkBanner::grey(textView, true);
    wake();
}

void TrafficView::wake()
{
    if (!refreshTimer->isActive())
        refreshTimer->start();
}

void TrafficView::buildUi()
{
    pauseButton = new QPushButton(tr("暂停"), this);
    pauseButton->setObjectName(QStringLiteral("pauseButton"));
    pauseButton->setCheckable(true);
    clearButton = new QPushButton(tr("清除"), this);
    clearButton->setObjectName(QStringLiteral("clearButton"));
    saveButton = new QPushButton(tr("保存记录"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    onlyCommandsCheck = new QCheckBox(tr("只显示命令和应答"), this);
    onlyCommandsCheck->setObjectName(QStringLiteral("onlyCommandsCheck"));

    textView = new QPlainTextEdit(this);
    textView->setObjectName(QStringLiteral("trafficText"));
    textView->setReadOnly(true);
    // Appends must not pile up in an undo stack, nor lay out more than is on screen. The
    // edit's own block limit is not used: it lays out every line it drops (see keepNewest).
    textView->setUndoRedoEnabled(false);
    textView->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Escaped lines are plain ASCII: shaping them is wasted time on every repaint.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleStrategy(QFont::PreferNoShaping);
    textView->setFont(font);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addStretch(1);
    buttons->addWidget(onlyCommandsCheck);
    auto* column = new QVBoxLayout(this);
    if (banner)
        column->addWidget(banner);
    column->addLayout(buttons);
    if (recording)
        column->addWidget(recording);
    column->addWidget(textView, 1);

    connect(pauseButton, &QPushButton::toggled, this, &TrafficView::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &TrafficView::clearAll);
    connect(saveButton, &QPushButton::clicked, this, &TrafficView::save);
    connect(onlyCommandsCheck, &QCheckBox::toggled, this, &TrafficView::showAgain);

    // The newest line stays in sight whatever changes the view's height (the horizontal scroll
    // bar appearing under a long line, the tab laid out on its first showing), not only when
    // lines are added: whoever was at the end before the change is at the end after it.
    QScrollBar* scroll = textView->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        const bool following = scroll->value() >= endBefore;
        endBefore = maximum;
        if (following)
            scroll->setValue(maximum);
    });
}

void TrafficView::setPathChooser(PathChooser chooser)
{
    pathChooser = std::move(chooser);
}

void TrafficView::refresh()
{
    showNewLines();
    // An idle line costs no wakeups: the timer runs only while something is left to show.
    const bool pending = trafficLog.hasWaitingLine() ||
                         (!pauseButton->isChecked() && isVisible() && shownEnd < trafficLog.end());
    if (!pending)
        refreshTimer->stop();
    else
        wake();
}

void TrafficView::showNewLines()
{
    trafficLog.takeWaitingLine();
    if (pauseButton->isChecked() || !isVisible())
        return;
    const TrafficLog::Store& store = shownStore();
    const std::size_t from = indexFrom(store, shownEnd);
    const std::size_t backlog = store.size() - from;
    // A backlog as long as the bound replaces everything shown, and comes in over several
    // refreshes so that no one of them holds up the page.
    if (backlog >= TrafficLog::maxLines)
        textView->clear();
    const std::size_t to = from + std::min<std::size_t>(backlog, maxLinesPerRefresh);
    shownEnd = to < store.size() ? store[to].number : trafficLog.end();
    appendLines(store, from, to);
}

const TrafficLog::Store& TrafficView::shownStore() const
{
    return trafficLog.kept(onlyCommandsCheck->isChecked());
}

std::size_t TrafficView::indexFrom(const TrafficLog::Store& store, quint64 number)
{
    const auto found =
        std::partition_point(store.begin(), store.end(), [number](const TrafficLog::Line& line) {
            return line.number < number;
        });
    return static_cast<std::size_t>(found - store.begin());
}

void TrafficView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void TrafficView::setPaused(bool paused)
{
    pauseButton->setText(paused ? tr("继续") : tr("暂停"));
    if (!paused)
        refresh();
}

void TrafficView::clearAll()
{
    trafficLog.clear();
    textView->clear();
    shownEnd = trafficLog.end();
}

void TrafficView::showAgain()
{
    // Only on the operator's switch: every kept line of the other store is laid out again, up
    // to where the view had come (so a paused view stays paused), newest in sight.
    textView->clear();
    const TrafficLog::Store& store = shownStore();
    appendLines(store, 0, indexFrom(store, shownEnd));
}

void TrafficView::appendLines(const TrafficLog::Store& store, std::size_t from, std::size_t to)
{
    if (from >= to)
        return;
    QString batch;
    for (std::size_t index = from; index < to; ++index) {
        if (!batch.isEmpty())
            batch += QLatin1Char('\n');
        batch += TrafficLog::format(store[index]);
    }
    QScrollBar* scroll = textView->verticalScrollBar();
    QScrollBar* across = textView->horizontalScrollBar();
    const int top = scroll->value();
    const int left = across->value();
    const bool following = top >= scroll->maximum();
    textView->appendPlainText(batch);
    const int dropped = keepNewest();
    if (following) {
        scroll->setValue(scroll->maximum());
    } else {
        // An operator reading further up keeps the same lines in sight.
        scroll->setValue(std::max(0, top - dropped));
        across->setValue(left);
    }
}

int TrafficView::keepNewest()
{
    QTextDocument* document = textView->document();
    const int excess = document->blockCount() - static_cast<int>(TrafficLog::maxLines);
    if (excess <= 0)
        return 0;
    // One cut by position: moving a cursor block by block would lay out every block passed.
    QTextCursor cut(document);
    cut.setPosition(document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    return excess;
}

void TrafficView::save()
{
    const QString path = pathChooser ? pathChooser(this) : QString();
    if (path.isEmpty())
        return;
    QByteArray bytes = textView->toPlainText().toUtf8();
    if (!bytes.isEmpty())
        bytes += '\n';
    const TrafficFile::Result result = TrafficFile::write(path, bytes);
    if (result.ok())
        return;
    log_entry("traffic not saved to %s: %s", path.toLocal8Bit().constData(),
              result.systemText.toLocal8Bit().constData());
    OperatorPrompt::withStandardButtons(
        this, QMessageBox::Warning, OperatorMessages::notice(),
        OperatorMessages::trafficSaveFailed(
            OperatorMessages::saveReason(result.kind, result.systemText)),
        QMessageBox::Ok, QMessageBox::Ok);
}
