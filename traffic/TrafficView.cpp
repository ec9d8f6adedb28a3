#include "TrafficView.h"

#include "ILogger.h"
#include "LinkTraffic.h"
#include "OperatorMessages.h"
#include "OperatorPrompt.h"
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
    buildUi();
    pathChooser = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, tr("保存通信记录"), QString(),
                                            tr("文本文件 (*.txt);;所有文件 (*)"));
    };
    if (source) {
        connect(source, &LinkTraffic::commandWritten, this,
                [this](const QByteArray& sentence) { trafficLog.addCommand(sentence); });
        connect(source, &LinkTraffic::bytesReceived, this,
                [this](const QByteArray& chunk) { trafficLog.addReceived(chunk); });
    }
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &TrafficView::refresh);
    refreshTimer->start(refreshMs);
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
    column->addLayout(buttons);
    column->addWidget(textView, 1);

    connect(pauseButton, &QPushButton::toggled, this, &TrafficView::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &TrafficView::clearAll);
    connect(saveButton, &QPushButton::clicked, this, &TrafficView::save);
    connect(onlyCommandsCheck, &QCheckBox::toggled, this, &TrafficView::showAgain);
}

void TrafficView::setPathChooser(PathChooser chooser)
{
    pathChooser = std::move(chooser);
}

void TrafficView::refresh()
{
    trafficLog.takeWaitingLine();
    if (pauseButton->isChecked() || !isVisible())
        return;
    const quint64 from = std::max(shownEnd, trafficLog.first());
    if (from == trafficLog.end())
        return;
    // A backlog as long as the bound replaces everything shown, and comes in over several
    // refreshes so that no one of them holds up the page.
    if (trafficLog.end() - from >= TrafficLog::maxLines)
        textView->clear();
    shownEnd = std::min<quint64>(trafficLog.end(), from + maxLinesPerRefresh);
    appendLines(from, shownEnd);
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
    // Only on the operator's switch: every kept line is laid out again.
    textView->clear();
    appendLines(trafficLog.first(), shownEnd);
}

void TrafficView::appendLines(quint64 from, quint64 end)
{
    QString batch;
    for (quint64 number = from; number < end; ++number) {
        const TrafficLog::Line& line = trafficLog.at(number);
        if (!isShown(line))
            continue;
        if (!batch.isEmpty())
            batch += QLatin1Char('\n');
        batch += TrafficLog::format(line);
    }
    if (batch.isEmpty())
        return;
    QScrollBar* scroll = textView->verticalScrollBar();
    const int top = scroll->value();
    const bool following = top == scroll->maximum();
    textView->appendPlainText(batch);
    const int dropped = keepNewest();
    // An operator reading further up keeps the same lines in sight.
    if (!following && dropped > 0)
        scroll->setValue(std::max(0, top - dropped));
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

bool TrafficView::isShown(const TrafficLog::Line& line) const
{
    return !onlyCommandsCheck->isChecked() || TrafficLog::isCommandOrReply(line);
}
