#pragma once
// The main window: Record, Pause, Stop and Setup, the label with the file being recorded, and
// below them the recording's status (TRecordingPanel, in the panel and the status bar).
// It holds no recording logic: Record, Pause and Stop ask the recording data module, which
// decides; the window shows the file it names, whether the recording is paused, the status
// it reports and the messages it has for the user. Every command has a shortcut that works
// whichever control has the focus (Ctrl+R, Ctrl+P, Ctrl+S, Ctrl+,); the toolbar buttons take
// the focus with Tab, and Space or Enter presses the focused one.
// Thread contract: GUI thread only.
#include "app/UserMessageTypes.h"
#include "runtime/WinTypes.h"

#include <QMainWindow>

#include <vector>

class QAction;
class QFrame;
class QLabel;
class QStatusBar;
class QToolBar;
class TLangDispatcher;
class TLangTranslator;
class TRecordingPanel;
class TdmRecording;
enum class TRecordingState;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components, by their design names.
    QWidget* Dock1;     // the docking area with its two toolbars (the toolbar manager)
    QToolBar* ToolBar1; // row 0, "Custom 1": Record, Pause, Stop, separator, Setup
    QToolBar* ToolBar2; // row 1, "Custom 2": the file-name label
    QAction* btnRecord;
    QAction* btnPause; // reads Resume while the recording is paused
    QAction* btnStop;
    QAction* btnSetup;
    QLabel* lblFileName;
    QFrame* Panel1;
    QStatusBar* StatusBar1;
    TRecordingPanel* RecordingPanel1;
    TLangDispatcher* LangDispatcher1;
    TLangTranslator* LangTranslator1;

    // Event handlers (each runs inside the application's error display when clicked).
    void btnRecordClick();
    void btnPauseClick();
    void btnStopClick();
    void btnSetupClick();

    // The folder the next Record records into: the folder for recordings of the settings.
    WideString RecordingFolder() const;

    static constexpr int ClientWidth = 573;
    static constexpr int ClientHeight = 301;
    static constexpr int DockHeight = 68;
    static constexpr int StatusBarHeight = 20;
    static constexpr int ButtonWidth = 50;
    static constexpr int PictureSize = 24;

protected:
    void showEvent(QShowEvent* event) override;
    // A new language: the texts composed of table texts and the window's state follow.
    // Minimized, the window's status is not fed (nobody sees it, nothing need wake up for it).
    void changeEvent(QEvent* event) override;
    // A recording under way is stopped, and its file completed, before the window goes.
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // The data module, telling this window what it records and what to show; raises when
    // there is none.
    TdmRecording& Recording();
    // Tells the data module, when there is one, what to tell this window (its status only while
    // the window is not minimized).
    void ListenToRecording();
    // The data module's messages for the user, shown together in the active language.
    void ShowRecordingMessages(const std::vector<TUserError>& messages);
    void RecordingStateChanged(TRecordingState state);
    void FileNameChanged(const QString& fileName);
    // What is composed of the table's texts: Pause or Resume by the state, the tool tips
    // (the hint and the shortcut), the buttons' accessible names and descriptions.
    void UpdateComposedTexts();

    bool FPlaced = false;
    bool FPaused = false;
};

// The one main window of the program (not owned here; the program creates it).
extern TForm1* Form1;
