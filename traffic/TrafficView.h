#pragma once

#include "TrafficLog.h"

#include <QWidget>

#include <functional>

class LinkTraffic;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The traffic tab: what crossed the link, newest at the bottom, with pause, clear, save and a
// switch that hides everything but commands and "@" replies.
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildUi();
    // Starts the refresh timer; it stops itself once nothing is left to show.
    void wake();
    void showNewLines();
    void setPaused(bool paused);
    void clearAll();
    void showAgain();
    // One append for the shown ones among lines from … end.
    void appendLines(quint64 from, quint64 end);
    // Drops the oldest lines of the edit beyond the bound; returns how many.
    int keepNewest();
    void save();
    bool isShown(const TrafficLog::Line& line) const;

    TrafficLog trafficLog;
    quint64 shownEnd = 0; // the lines before this number have been shown
    PathChooser pathChooser;
    QPushButton* pauseButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QCheckBox* onlyCommandsCheck = nullptr;
    QPlainTextEdit* textView = nullptr;
    QTimer* refreshTimer = nullptr;
};
