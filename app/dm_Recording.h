#pragma once
// The recording data module: owns the one audio capture controller and holds the recording use
// case. Start records from the first audio input into a new file in a folder, Stop completes
// the file; a recording the platform ends by itself is completed as far as it got and the
// module says why. It decides what happens and what the user is told; the main window shows
// the file name and the messages and asks for Start and Stop. Messages are in English, as the
// message table knows them; the window shows them in the active language.
// Thread contract: created, used and destroyed on the GUI thread (debug builds assert it).
#include "runtime/HResult.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The audio capture controller of the capture layer.
class TDXShowCaptureAudio;

class TdmRecording : public QObject {
    Q_OBJECT

public:
    explicit TdmRecording(QObject* owner = nullptr);
    ~TdmRecording() override;

    // The capture controller, or null when start-up went on without one.
    TDXShowCaptureAudio* DXShowCaptureAudio() const { return FDXShowCaptureAudio; }

    // Starts recording into a new file in folder (created first, with its missing parents) and
    // answers the file's full name. A recording under way is completed first; when its file
    // cannot be completed, OnMessage says so and the new recording starts all the same.
    // Raises with the user's message when no recording runs afterwards: before the name is
    // formed (no folder, no controller, no audio input) nothing has changed; after, the graph
    // is stopped again and the new file is removed when it holds no audio.
    WideString StartRecording(const WideString& folder);
    // Completes the recording under way (without one, stops the empty graph). Raises with the
    // user's message when the file could not be completed.
    void StopRecording();
    // A recording runs (as far as the controller remembers).
    bool IsRecording() const;

    // The file being recorded, each time it changes: the new name when a recording starts,
    // empty when it stops, is given up or ends by itself.
    std::function<void(const WideString& fileName)> OnFileNameChanged;
    // What the user must be told while recording goes on, or after a recording ended by
    // itself: messages of the message table, to be shown together.
    std::function<void(const QStringList& messages)> OnMessage;

    // Why a recording ended by itself: the graph event and its first parameter (for
    // EC_ERRORABORT the result code that ended the stream).
    static QString RecordingStoppedText(LONG eventCode, LONG_PTR param1);

    // The full path of the next recording in folder: the folder, then the date and time of one
    // reading of the clock, e.g. ".../2024-03-03 14-05-09.wav". Never the name of an existing
    // file: a second name within the same second gets " (2)", " (3)", ...
    WideString MakeRecordingFileName(const WideString& folder) const;
    static WideString RecordingFileNameAt(const WideString& folder, const QDateTime& moment);
    // The local clock that names recordings; tests put a fixed one in its place.
    using TClock = std::function<QDateTime()>;
    void SetClock(TClock clock);

    // Removes the file when it holds no audio: it is empty, or a WAV file whose data chunk is
    // empty and ends the file (what a writer leaves when no sample reached it; a header is
    // written at stop all the same). Answers whether it was removed.
    static bool RemoveIfNoAudio(const WideString& fileName);

    // The messages of Start and Stop (English; the message table has their German forms).
    static const QString msgNoCaptureController;
    static const QString msgNoAudioInputDevice;
    static const QString msgRecordingNotStarted;   // %1: the formatted error
    static const QString msgRecordingNotCompleted; // %1: the formatted error
    static const QString msgRecordingAborted;      // %1: the formatted error
    static const QString msgRecordingDeviceLost;
    static const QString msgRecordingStreamEnded;
    static const QString msgRecordingDiskFull;
    static const QString msgRecordingSizeLimit;

    // What makes the controller (with its owner); tests put their own in place. An empty
    // function restores the real one. Answers the factory it replaces.
    using TControllerFactory = std::function<TDXShowCaptureAudio*(QObject* owner)>;
    static TControllerFactory SetControllerFactory(TControllerFactory factory);

private:
    void DataModuleCreate();
    // The controller; raises msgNoCaptureController without one.
    TDXShowCaptureAudio& Controller() const;
    // After a Start whose graph does not run: the graph stopped (which completes a file that
    // was created), a file that holds no audio removed.
    void AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName);
    // The controller's notice that a recording stopped by itself.
    void RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped);
    void FileNameChanged(const WideString& fileName);
    void Tell(const QStringList& messages);

    TClock FClock;
    // Owned as a child component: created with the module as its owner, destroyed with it
    // (which stops a recording in progress and completes its file).
    TDXShowCaptureAudio* FDXShowCaptureAudio = nullptr;
};

// The one recording data module of the program (not owned here; the program creates it).
extern TdmRecording* dmRecording;
