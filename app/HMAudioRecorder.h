#pragma once
// The program: brings the parts up in order and takes them down again.
//   start:    the application object exists already (so a message can be shown); the
//             settings are created and loaded, auto-save armed; the object model is
//             initialised on this thread; the main window (switching to German), the
//             recording data module and the hidden setup dialog are created. What a crash
//             or a kill left behind is put right: the recordings it cut off are made exact
//             (one message, once the window is up, lists them) and the temporary files of
//             the settings and registry saves it interrupted are removed.
//   run:      the main window is shown and the message loop runs until it closes; SIGTERM,
//             SIGINT and SIGHUP close it as its close button does (a recording is completed,
//             the settings are saved).
//   shutdown: the settings are saved (a failure is shown, and shutdown goes on); then the
//             dialog, the data module with its capture controller and the main window go.
// A message box appears only while someone may answer it: once a signal or a logout ends the
// program, what goes wrong is written to the standard error stream and nothing waits.
// Thread contract: the main (GUI) thread only.
#include "app/UserMessageTypes.h"

#include <QString>

#include <memory>

class QApplication;
class TForm1;
class TForm2;
class TdmRecording;

class THMAudioRecorder {
public:
    THMAudioRecorder();
    ~THMAudioRecorder();

    // Everything before the message loop. False when start-up failed: the error has been
    // shown, no window is left and the settings file is untouched.
    bool Start();
    // Settings saved, then the windows and the data module released. Safe to call twice.
    void Finish();
    // Start, show, message loop, Finish; the process's exit code.
    int Run(QApplication& application);

    // What is shown when the settings file cannot be loaded (in German, the language the
    // program starts in: there is no window yet), and when the settings cannot be saved at
    // exit; the reader's or writer's own words go into the details.
    static TUserError LoadError(const QString& fileName, const QString& error);
    static TUserError SaveError(const QString& fileName, const QString& error);

private:
    void RepairWhatACrashLeft();
    void ReleaseWindows();
    // A termination signal arrived: open dialogs and message boxes are closed, then the main
    // window.
    void CloseOnSignal();

    bool FSettingsInitialized = false;
    bool FComInitialized = false;
    bool FCloseRequested = false;
    std::unique_ptr<TForm1> FForm1;
    std::unique_ptr<TdmRecording> FdmRecording;
    std::unique_ptr<TForm2> FForm2;
};
