#pragma once
// The main window: Record, Stop and Setup, and the label with the file being recorded.
// It holds no recording logic: Record forms the file name and hands it to the capture
// controller, Stop tells the controller to stop. Thread contract: GUI thread only.
#include "runtime/HResult.h"

#include <QDateTime>
#include <QMainWindow>

#include <functional>

class QAction;
class QFrame;
class QLabel;
class QStatusBar;
class QToolBar;
class TLangDispatcher;
class TLangTranslator;
class TDXShowCaptureAudio;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components, by their design names.
    QWidget* Dock1;     // the docking area with its two toolbars (the toolbar manager)
    QToolBar* ToolBar1; // row 0, "Custom 1": Record, Stop, separator, Setup
    QToolBar* ToolBar2; // row 1, "Custom 2": the file-name label
    QAction* btnRecord;
    QAction* btnStop;
    QAction* btnSetup;
    QLabel* lblFileName;
    QFrame* Panel1;
    QStatusBar* StatusBar1;
    TLangDispatcher* LangDispatcher1;
    TLangTranslator* LangTranslator1;

    // Event handlers (each runs inside the application's error display when clicked).
    void btnRecordClick();
    void btnStopClick();
    void btnSetupClick();

    // The full path of the next recording: the folder for recordings, then the date and time
    // of one reading of the clock, e.g. ".../2024-03-03 14-05-09.wav". Never the name of an
    // existing file: a second name within the same second gets " (2)", " (3)", ...
    WideString MakeRecordingFileName() const;
    static WideString RecordingFileNameAt(const WideString& folder, const QDateTime& moment);

    // The messages of Record and Stop (English; the message table has their German forms).
    static const QString msgNoCaptureController;
    static const QString msgNoAudioInputDevice;
    static const QString msgRecordingNotStarted;   // %1: the formatted error
    static const QString msgRecordingNotCompleted; // %1: the formatted error
    static const QString msgRecordingAborted;      // %1: the formatted error
    static const QString msgRecordingDeviceLost;
    static const QString msgRecordingStreamEnded;
    static const QString msgRecordingDiskFull;
    static const QString msgRecordingSizeLimit;

    // What tells the user why a recording stopped by itself: the graph event and its first
    // parameter (for EC_ERRORABORT the result code that ended the stream).
    static QString RecordingStoppedText(LONG eventCode, LONG_PTR param1);

    // The local clock that names recordings; tests put a fixed one in its place.
    using TClock = std::function<QDateTime()>;
    void SetClock(TClock clock);

    static constexpr int ClientWidth = 573;
    static constexpr int ClientHeight = 301;
    static constexpr int DockHeight = 68;
    static constexpr int StatusBarHeight = 20;
    static constexpr int ButtonWidth = 50;
    static constexpr int PictureSize = 24;

protected:
    void showEvent(QShowEvent* event) override;
    // A recording under way is stopped, and its file completed, before the window goes.
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // The data module's capture controller, or null when there is none.
    TDXShowCaptureAudio* CaptureController() const;
    // After a Record whose graph does not run: the label cleared, the graph stopped (which
    // completes a file that was created), a file that holds no audio removed.
    void AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName);
    // The controller's notice that a recording stopped by itself: the label is cleared and
    // the user told why, and whether the file could be completed.
    void RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped);

    TClock FClock;
    bool FPlaced = false;
};

// The one main window of the program (not owned here; the program creates it).
extern TForm1* Form1;
