#include "RecordingBar.h"

#include "ILogger.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

RecordingBar::RecordingBar(LinkTraffic* tap, QWidget* parent)
    : QWidget(parent), source(tap), recordingFolder(defaultRecordingFolder())
{
    buildUi();
    pathChooser = [](QWidget* owner) {
        return QFileDialog::getOpenFileName(owner, tr("打开记录"), defaultRecordingFolder(),
                                            tr("NMEA 记录 (*.nmea *.log *.txt);;所有文件 (*)"));
    };
    connect(source, &LinkTraffic::linkOpened, this,
            [this](const QString& openedPort, const QString& openedBaud, bool) {
                linkOpened(openedPort, openedBaud);
            });
    connect(source, &LinkTraffic::linkClosed, this, [this](LinkTraffic::End) { linkClosed(); });
    connect(source, &LinkTraffic::serialNumberKnown, this,
            [this](const QString& number) { serial = number; });
    // Straight from the link, not through any tab: the recording goes on whatever is in front.
    connect(source, &LinkTraffic::bytesReceived, &recorder, &LinkRecorder::addReceived);
    connect(source, &LinkTraffic::commandWritten, &recorder, &LinkRecorder::addCommand);
    connect(&recorder, &LinkRecorder::failed, this, &RecordingBar::recordingFailed);
    connect(&player, &ReplayPlayer::bytesReceived, source, &LinkTraffic::bytesReceived);
    connect(&player, &ReplayPlayer::commandWritten, source, &LinkTraffic::commandWritten);
    connect(&player, &ReplayPlayer::finished, this, &RecordingBar::replayFinished);
    updateButtons();
}

QString RecordingBar::defaultRecordingFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/ZR415/recordings");
}

void RecordingBar::buildUi()
{
    recordButton = new QPushButton(tr("记录"), this);
    recordButton->setObjectName(QStringLiteral("recordButton"));
    replayButton = new QPushButton(tr("回放…"), this);
    replayButton->setObjectName(QStringLiteral("replayButton"));
    replayPauseButton = new QPushButton(tr("暂停回放"), this);
    replayPauseButton->setObjectName(QStringLiteral("replayPauseButton"));
    replayPauseButton->setCheckable(true);
    replaySpeedBox = new QComboBox(this);
    replaySpeedBox->setObjectName(QStringLiteral("replaySpeedBox"));
    replaySpeedBox->addItem(tr("1×"), 1.0);
    replaySpeedBox->addItem(tr("4×"), 4.0);
    replaySpeedBox->addItem(tr("最快"), 0.0);
    recordingLabel = new QLabel(this);
    recordingLabel->setObjectName(QStringLiteral("recordingLabel"));
    recordingLabel->setTextFormat(Qt::PlainText);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(recordButton);
    row->addWidget(replayButton);
    row->addWidget(replayPauseButton);
    row->addWidget(replaySpeedBox);
    row->addWidget(recordingLabel, 1);

    connect(recordButton, &QPushButton::clicked, this, &RecordingBar::toggleRecording);
    connect(replayButton, &QPushButton::clicked, this, &RecordingBar::chooseReplay);
    connect(replayPauseButton, &QPushButton::toggled, this, [this](bool paused) {
        replayPauseButton->setText(paused ? tr("继续回放") : tr("暂停回放"));
        player.setPaused(paused);
    });
    connect(replaySpeedBox, &QComboBox::currentIndexChanged, this,
            [this] { player.setSpeed(replaySpeedBox->currentData().toDouble()); });
}

void RecordingBar::updateButtons()
{
    recordButton->setText(recorder.isRecording() ? tr("停止记录") : tr("记录"));
    recordButton->setEnabled(linkOpen || recorder.isRecording());
    replayButton->setEnabled(!linkOpen);
    replayPauseButton->setVisible(player.isPlaying());
    replaySpeedBox->setVisible(player.isPlaying());
}

void RecordingBar::linkOpened(const QString& openedPort, const QString& openedBaud)
{
    // A real link takes the tabs back from a replay; its opening speaks for them.
    linkOpen = true;
    if (player.isPlaying())
        player.stop();
    // A reconnect is another link: the recording of the last one ended with it.
    stopRecording();
    port = openedPort;
    baud = openedBaud;
    serial.clear();
    updateButtons();
}

void RecordingBar::linkClosed()
{
    if (!linkOpen)
        return;
    linkOpen = false;
    stopRecording();
    updateButtons();
}

void RecordingBar::toggleRecording()
{
    if (recorder.isRecording())
        stopRecording();
    else
        startRecording();
}

QString RecordingBar::recordingName() const
{
    QString unit = serial.isEmpty() ? QFileInfo(port).fileName() : serial;
    unit.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    if (unit.isEmpty() || unit.startsWith(QLatin1Char('.')))
        unit.prepend(QStringLiteral("ZR415"));
    return unit + QLatin1Char('-') +
           QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".nmea");
}

void RecordingBar::startRecording()
{
    if (!linkOpen)
        return;
    const QString path = QDir(recordingFolder).filePath(recordingName());
    if (!QDir().mkpath(recordingFolder) ||
        !recorder.start(path, {port, baud.toInt(), serial}, false)) {
        const QString reason = recorder.errorText().isEmpty()
                                   ? tr("无法创建文件夹 %1").arg(recordingFolder)
                                   : recorder.errorText();
        log_entry("recording not started in %s: %s", path.toLocal8Bit().constData(),
                  reason.toLocal8Bit().constData());
        recordingLabel->setText(tr("无法记录到 %1：%2").arg(path, reason));
        updateButtons();
        return;
    }
    recordingLabel->setText(tr("正在记录到 %1").arg(path));
    emit marker(tr("—— 记录到 %1 ——").arg(path));
    updateButtons();
}

void RecordingBar::stopRecording()
{
    if (!recorder.isRecording())
        return;
    recorder.stop();
    recordingLabel->setText(tr("已记录到 %1").arg(recorder.path()));
    emit marker(tr("—— 记录结束 %1 ——").arg(recorder.path()));
    updateButtons();
}

void RecordingBar::recordingFailed()
{
    log_entry("recording into %s ended: %s", recorder.path().toLocal8Bit().constData(),
              recorder.errorText().toLocal8Bit().constData());
    const QString text = tr("记录中止 %1：%2").arg(recorder.path(), recorder.errorText());
    recordingLabel->setText(text);
    emit marker(QStringLiteral("—— %1 ——").arg(text));
    updateButtons();
}

void RecordingBar::chooseReplay()
{
    const QString path = pathChooser ? pathChooser(this) : QString();
    if (!path.isEmpty())
        replay(path);
}

bool RecordingBar::replay(const QString& path)
{
    if (linkOpen) {
        recordingLabel->setText(tr("连接时不能回放"));
        return false;
    }
    QString error;
    if (!player.start(path, replaySpeedBox->currentData().toDouble(), error)) {
        recordingLabel->setText(tr("无法回放 %1：%2").arg(path, error));
        return false;
    }
    replayPauseButton->setChecked(false);
    emit source->replayOpened(path);
    emit marker(tr("—— 回放 %1 ——").arg(path));
    recordingLabel->setText(player.timed() ? tr("正在回放 %1").arg(path)
                                           : tr("正在回放 %1（按时间标记）").arg(path));
    updateButtons();
    return true;
}

void RecordingBar::replayFinished()
{
    // Stopped for a real link: that link's opening speaks for the tabs.
    if (!linkOpen) {
        emit source->linkClosed(LinkTraffic::End::Disconnected);
        recordingLabel->setText(tr("回放结束 %1").arg(player.path()));
    }
    updateButtons();
}
