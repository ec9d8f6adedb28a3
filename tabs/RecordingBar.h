#pragma once

#include "LinkRecorder.h"
#include "LinkTraffic.h"
#include "ReplayPlayer.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

// The traffic tab's recording and replay: 记录 records the open link into the recordings folder
// until 停止记录 or the link ends, whatever tab is in front; 回放… plays a recording into the
// link's tabs as if it came from a receiver, when no link is open, with pause and speed. The
// line beside the buttons names the file.
class RecordingBar : public QWidget
{
    Q_OBJECT

public:
    RecordingBar(LinkTraffic* source, QWidget* parent);

    // Asks which recording to play; an empty path means the operator cancelled. Tests give
    // their own.
    using PathChooser = std::function<QString(QWidget* parent)>;
    void setPathChooser(PathChooser chooser) { pathChooser = std::move(chooser); }
    // <Documents>/ZR415/recordings unless set, made when first needed.
    void setRecordingFolder(const QString& folder) { recordingFolder = folder; }
    static QString defaultRecordingFolder();

    // Plays path into the tabs; false, told on the bar, when a link is open or it cannot be read.
    bool replay(const QString& path);
    bool isRecording() const { return recorder.isRecording(); }
    bool isReplaying() const { return player.isPlaying(); }
    const QString& recordingPath() const { return recorder.path(); }

signals:
    // A line for the traffic log.
    void marker(const QString& text);

private:
    void buildUi();
    void linkOpened(const QString& port, const QString& baud);
    void linkClosed();
    void toggleRecording();
    void startRecording();
    void stopRecording();
    void recordingFailed();
    void chooseReplay();
    void replayFinished();
    void updateButtons();
    // serial when known, else the port's name, made safe for a file name, and the UTC time.
    QString recordingName() const;

    LinkTraffic* source;
    LinkRecorder recorder;
    ReplayPlayer player;
    PathChooser pathChooser;
    QString recordingFolder;
    QString port;
    QString baud;
    QString serial;
    bool linkOpen = false;
    QPushButton* recordButton = nullptr;
    QPushButton* replayButton = nullptr;
    QPushButton* replayPauseButton = nullptr;
    QComboBox* replaySpeedBox = nullptr;
    QLabel* recordingLabel = nullptr;
};
