#pragma once
// The recording's status in the main window: it fills the panel below the toolbars and adds
// its figures to the status bar. Shown: the state (ready, recording with a red mark, or
// paused), the elapsed time, the input and the format, the level meter; while recording, in
// the status bar, the room left (a warning below WarningSeconds) and the dropouts; after a
// recording, its file name, length, size and dropouts, a button that opens its folder in the
// desktop's file manager, and why it ended when it ended by itself.
// It only shows what it is given (a TRecordingStatus); its texts are properties that the
// window's translation table sets, and the messages of the status are translated by the
// function the window hands in.
// Thread contract: GUI thread only.
#include "app/TRecordingStatus.h"

#include <QLocale>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QStatusBar;
class TLevelMeter;

class TRecordingPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int WarningSeconds = 5 * 60;

    // Lays itself into panel and adds its figures to statusBar (both the window's).
    TRecordingPanel(QWidget* panel, QStatusBar* statusBar);

    void Show(const TRecordingStatus& status);
    const TRecordingStatus& Status() const { return FStatus; }
    // How a message of the status reaches the active language.
    void SetMessageTranslator(std::function<QString(const TUserError&)> translate);
    // How the name of an input reaches it (the system's own words, such as "System default").
    void SetNameTranslator(std::function<QString(const QString&)> translate);

    // "h:mm:ss".
    static QString ElapsedText(std::int64_t milliseconds);

    QLabel* lblRecordingMark;
    QLabel* lblState;
    QLabel* lblElapsed;
    QLabel* lblInput;
    TLevelMeter* LevelMeter;
    QLabel* lblLastRecording;
    QPushButton* btnOpenFolder;
    QLabel* lblEndReason;
    // In the status bar.
    QLabel* lblRoomLeft;
    QLabel* lblDropouts;

protected:
    bool event(QEvent* event) override;

private:
    // Everything anew; RenderFigures only what changes while recording (the time, the levels,
    // the room, the dropouts), each part only when what it shows changed.
    void Render();
    void RenderFigures();
    // The status differs from the one shown in its figures alone.
    bool OnlyFiguresChanged(const TRecordingStatus& status) const;
    void OpenFolder();
    QString Text(const char* name) const;
    QString FormatText() const;
    QString RoomLeftText(std::int64_t seconds) const;
    QString DropoutsText(unsigned long dropouts) const;

    TRecordingStatus FStatus;
    std::function<QString(const TUserError&)> FTranslate;
    std::function<QString(const QString&)> FTranslateName;
    QLocale FLocale;
    // What the figures show now, unless they are to be shown anew.
    bool FFiguresStale = true;
    std::int64_t FShownSeconds = 0;
    std::optional<std::int64_t> FShownRoom;
    unsigned long FShownDropouts = 0;
};
