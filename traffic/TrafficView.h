#pragma once

#include "LinkTraffic.h"
#include "TrafficLog.h"

#include <QWidget>

#include <functional>

class LinkBanner;
class RecordingBar;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The traffic tab: what crossed the link, newest at the bottom, with pause, clear, save and a
// switch that shows only commands, "@" replies and where links opened and closed. It follows
// the newest line until the operator scrolls up, and again once they are back at the end.
class TrafficView : public QWidget
{
    Q_OBJECT

public:
    TrafficView(LinkTraffic* source, QWidget* parent, TrafficLog::Clock clock = {});

    // New lines reach the view in batches at this period, never one repaint per chunk, and at
    // most this many at a time: three times what 256 kB/s of NMEA brings.
    static constexpr int refreshMs = 100;
    static constexpr int maxLinesPerRefresh = 1000;

    // Asks where to save; an empty path means the operator cancelled. Tests give their own.
    using PathChooser = std::function<QString(QWidget* parent)>;
    void setPathChooser(PathChooser chooser);

    // Takes in a line that waited long enough and shows the lines added since the last time,
    // up to maxLinesPerRefresh; nothing while paused or hidden.
    void refresh();
    const TrafficLog& log() const { return trafficLog; }
    // 记录 and 回放…; none without a source.
    RecordingBar* recordingBar() const { return recording; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildUi();
    void linkOpened(const QString& port, const QString& baud, bool reconnect);
    void linkClosed(LinkTraffic::End how);
    // The store the switch picks, and where in it the lines from number on begin.
    const TrafficLog::Store& shownStore() const;
    static std::size_t indexFrom(const TrafficLog::Store& store, quint64 number);
    // Starts the refresh timer; it stops itself once nothing is left to show.
    void wake();
    void showNewLines();
    void setPaused(bool paused);
    void clearAll();
    void showAgain();
    // One append for the lines of store from index from up to to.
    void appendLines(const TrafficLog::Store& store, std::size_t from, std::size_t to);
    // Drops the oldest lines of the edit beyond the bound; returns how many.
    int keepNewest();
    void save();

    TrafficLog trafficLog;
    quint64 shownEnd = 0; // the lines before this number have been shown
    int endBefore = 0;    // the text's vertical scroll bar's maximum before its last change
    LinkBanner* banner = nullptr;
    RecordingBar* recording = nullptr;
    PathChooser pathChooser;
    QPushButton* pauseButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QCheckBox* onlyCommandsCheck = nullptr;
    QPlainTextEdit* textView = nullptr;
    QTimer* refreshTimer = nullptr;
};
