#pragma once
// The recording data module: owns the one audio capture controller and holds the recording use
// case. Start records from the chosen input device (the system default unless one was chosen;
// the system default, and a warning, when the chosen one is not there) into a new file in a
// folder, Pause holds the recording (the file stays open, the input delivers nothing) until it
// resumes in the same file, Stop completes the file; a recording the platform ends by itself is
// completed as far as it got and the module says why. It decides what happens and what the user
// is told: its messages name a cause and what it concerns (TUserError), which the window shows in
// the active language; the main window shows the file name, the state and the messages and asks
// for Start, Pause and Stop.
// It also keeps the window's status of the recording (TRecordingStatus): while a recording runs
// a timer reads the figures the graph's filters publish (elapsed time from the sound that
// reached the file, levels, dropouts) and the room left; once it stopped, the last recording
// stays. No timer runs while nothing records, while a recording is paused, or while nobody
// listens. Start refuses a recording that would have less than LeastRoomSeconds of room.
// Thread contract: created, used and destroyed on the GUI thread (debug builds assert it).
#include "app/TRecordingStatus.h"
#include "app/UserMessageTypes.h"
#include "capture/RecordingFileFormat.h"
#include "runtime/HResult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The audio capture controller of the capture layer, and a device of its list.
class TDXShowCaptureAudio;
class TDXShowCaptureDevice;
class TLevelFollower;
class QTimer;

// Whether a recording is under way, and whether it is paused.
enum class TRecordingState { Stopped, Recording, Paused };

class TdmRecording : public QObject {
    Q_OBJECT

public:
    explicit TdmRecording(QObject* owner = nullptr);
    ~TdmRecording() override;

    // The capture controller, or null when start-up went on without one.
    TDXShowCaptureAudio* DXShowCaptureAudio() const { return FDXShowCaptureAudio; }

    // Starts recording into a new file in folder (created first, with its missing parents) and
    // answers the file's full name. A recording under way (paused or not) is completed first;
    // when its file cannot be completed, OnMessage says so and the new recording starts all
    // the same. Raises EUserError when no recording runs afterwards: before the name is
    // reserved (a folder name that no file name can hold, no folder, no controller, no audio
    // input, a file that cannot be made) nothing has changed; after, the graph is stopped
    // again and the new file is removed when it holds no audio.
    // The input is the device whose key (DevicePath) is deviceKey, the system default (the
    // list's first device) for an empty key; a device that is not there now is replaced by the
    // system default, and OnMessage names it (InputMissing) once the recording runs.
    // The file's format is the one the setting names (FormatOfSetting); a value this version
    // does not know records WAV, and UnknownFormat says so while the recording runs.
    WideString StartRecording(const WideString& folder, const WideString& deviceKey = u"",
                              const WideString& formatSetting = u"");
    // Pauses the recording under way, or resumes the paused one in the same file; without a
    // recording it does nothing. Raises EUserError when the graph refuses: the recording is
    // then ended, its file completed.
    void PauseOrResume();
    // Completes the recording under way, paused or not (without one, stops the empty graph).
    // Raises EUserError when the file could not be completed. However a recording ends (here,
    // by itself, by a new Start, with the module), a file that never got a frame of audio is
    // removed.
    void StopRecording();
    // A recording is under way, running or paused (as far as the controller remembers).
    bool IsRecording() const;
    TRecordingState State() const;
    // The input the recording under way records from, by the name a user reads (in English
    // like the messages: InputSystemDefault, InputWhatPlays or the device's own name), and
    // the key of a chosen device that was missing when it started (the system default records
    // instead); both empty while no recording is under way.
    QString RecordingInput() const { return FFileName.isEmpty() ? QString() : FInput; }
    WideString MissingInput() const { return FFileName.isEmpty() ? WideString() : FMissing; }
    // The stored format the recording under way could not use (it records WAV instead);
    // empty while none is under way or the format was known.
    WideString UnknownFormat() const { return FFileName.isEmpty() ? WideString() : FUnknownFormat; }
    // The format a setting names: "FLAC" or "Opus" (in any case), empty for WAV; none for a
    // value this version does not know.
    static std::optional<TRecordingFileFormat> FormatOfSetting(const WideString& setting);
    // The setting that stores a format (empty for WAV, so settings files stay as they were).
    static WideString SettingOfFormat(TRecordingFileFormat format);

    // One input device a user can choose: its key for the settings (empty: the system default)
    // and its name (English, as RecordingInput).
    struct TInputDevice {
        WideString Key;
        QString Name;
    };
    // The input devices there are now (the list is enumerated again): the system default
    // first, then every other device of the list.
    QList<TInputDevice> InputDevices();
    // The name a user reads for a device of the list.
    static QString InputName(const TDXShowCaptureDevice& device);
    // The key names the system default: empty, or the default device's own key.
    static bool IsSystemDefault(const WideString& deviceKey);
    // The names of inputs the system does not give in the user's language; the tables know
    // them by these English words.
    static const QString InputSystemDefault;
    static const QString InputWhatPlays;    // %1: the output's name
    static const QString InputNotAvailable; // %1: the device (its key)

    // The file being recorded, each time it changes: the new name when a recording starts,
    // empty when it stops, is given up or ends by itself.
    std::function<void(const WideString& fileName)> OnFileNameChanged;
    // The state after each Start, Pause, Resume and Stop, and after a recording ended by
    // itself.
    std::function<void(TRecordingState state)> OnStateChanged;
    // What the user must be told while recording goes on, or after a recording ended by
    // itself, to be shown together.
    std::function<void(const std::vector<TUserError>& messages)> OnMessage;

    // The status now: the recording under way with its figures, or else the input the next
    // one will use and the last recording. Input names are as RecordingInput gives them.
    TRecordingStatus Status();
    // The input the next Start will be asked for (its deviceKey), for the status while ready;
    // each Start remembers its own. The window is told the status.
    void SetNextInput(const WideString& deviceKey);
    // Told the status at each change (a start, a pause, a resume, a stop, a start given up, a
    // recording that ended by itself) and, while a recording runs, every StatusIntervalMs (so
    // the meter moves more than 20 times a second); the timer stops when nobody listens.
    std::function<void(const TRecordingStatus& status)> OnStatusChanged;
    static constexpr int StatusIntervalMs = 45;
    // Whether the status timer runs.
    bool StatusTimerActive() const;
    // Starts the status timer again while a recording runs, after nobody listened.
    void ResumeStatus();

    // Start refuses a recording with less room than this.
    static constexpr int LeastRoomSeconds = 10;
    // The seconds of sound at bytesPerSecond that fit into the smaller of free (the file
    // system's free bytes, when known) and roomInFile (what the file's format still takes, ~0
    // for no limit); none when that cannot be told.
    static std::optional<std::int64_t> SecondsOfRoom(std::optional<std::uint64_t> free,
                                                     std::uint64_t roomInFile,
                                                     std::uint32_t bytesPerSecond);
    // The bytes free for the user in the file system that holds folder (statvfs); none when
    // the system cannot tell.
    static std::optional<std::uint64_t> FreeSpaceOf(const WideString& folder);
    // What tells the free space; tests put a fake file system's answer in place. An empty
    // function restores FreeSpaceOf.
    using TFreeSpace = std::function<std::optional<std::uint64_t>(const WideString& folder)>;
    void SetFreeSpace(TFreeSpace freeSpace);

    // Why a recording ended by itself: the graph event and its first parameter (for
    // EC_ERRORABORT the result code that ended the stream), with the input and the file.
    static TUserError RecordingStoppedError(LONG eventCode, LONG_PTR param1, const QString& input,
                                            const QString& file);

    // The full path of the next recording in folder, reserved: the folder, then the date and
    // time of one reading of the clock and the format's extension, e.g. ".../2024-03-03
    // 14-05-09.wav" (counted per extension). The name is
    // reserved by making the file, empty, exclusively and without following a link, so no two
    // recorders of this process or any other ever get one name: a name taken (by a file, a
    // folder or a link) gives way to the next, " (2)", " (3)", ... The file writer takes the
    // empty file as the one reserved for it. Raises EUserError (the folder; the system's
    // reason in the details) when the file cannot be made.
    WideString MakeRecordingFileName(const WideString& folder,
                                     TRecordingFileFormat format = TRecordingFileFormat::Wav) const;
    static WideString ReserveRecordingFile(const WideString& folder, const QDateTime& moment,
                                           TRecordingFileFormat format = TRecordingFileFormat::Wav);
    // The name of the copy-th recording started at moment (1: without a number).
    static WideString RecordingFileNameAt(const WideString& folder, const QDateTime& moment,
                                          int copy = 1,
                                          TRecordingFileFormat format = TRecordingFileFormat::Wav);
    // The local clock that names recordings; tests put a fixed one in its place.
    using TClock = std::function<QDateTime()>;
    void SetClock(TClock clock);

    // Removes the file when it holds no audio: it is empty, or a WAV file whose data chunk is
    // empty and ends the file (what a writer leaves when no sample reached it; a header is
    // written at stop all the same). Answers whether it was removed.
    static bool RemoveIfNoAudio(const WideString& fileName);

    // What a Start whose graph does not run tells: the code it failed with and the words
    // that came with it, for the folder and the input it was to record.
    static TUserError StartFailure(HRESULT hr, const QString& details, const QString& folder,
                                   const QString& input);

    // The repair at start (TRecordingRepair): recordings in folder that a crash, a kill or a
    // power cut cut off are made exact, and those without any audio removed. Answers the
    // message that lists the repaired files; none when there were none.
    static std::optional<TUserError> RepairRecordings(const WideString& folder);

    // What makes the controller (with its owner); tests put their own in place. An empty
    // function restores the real one. Answers the factory it replaces.
    using TControllerFactory = std::function<TDXShowCaptureAudio*(QObject* owner)>;
    static TControllerFactory SetControllerFactory(TControllerFactory factory);

private:
    void DataModuleCreate();
    // The controller; raises EUserError (no capture controller) without one.
    TDXShowCaptureAudio& Controller() const;
    // After a Start whose graph does not run: the graph stopped (which completes a file that
    // was created), a file that holds no audio removed.
    void AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName);
    // After a Pause or Resume the graph refused: the recording is stopped, which completes its
    // file, and cause is raised.
    [[noreturn]] void EndAfterFailure(TDXShowCaptureAudio& capture, TMessageCause cause,
                                      HRESULT hr);
    // The controller's notice that a recording stopped by itself.
    void RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped);
    // The recording under way is over: the name forgotten and cleared in the window.
    QString Forget();
    // The graph of a recording is stopped: its file goes when it holds no audio.
    static void Ended(const QString& file);
    void FileNameChanged(const WideString& fileName);
    void StateChanged();
    void Tell(const std::vector<TUserError>& messages);
    // After Open, before anything is written: gives the recording up and raises
    // NoRoomAtStart when it would have less than LeastRoomSeconds of room.
    void RefuseWithoutRoom(TDXShowCaptureAudio& capture, const WideString& folder,
                           const WideString& fileName);
    // The figures of the recording of fileName, under way or just stopped.
    TRecordingStatus RecordingFigures(TDXShowCaptureAudio& capture, const QString& fileName,
                                      std::int64_t nowMs);
    // The recording of fileName just stopped: it becomes the last recording, with what
    // happened to it (why it ended by itself, that its file could not be completed); none when
    // its file was removed for holding no audio.
    void KeepLastRecording(const QString& fileName, const std::vector<TUserError>& endReason);
    // The status timer runs exactly while a recording runs (not paused); the window is told.
    void StatusChanged();
    // The name of the input FNextInput names, as Start would find it in the list now (without
    // listing the devices again); empty without any device.
    QString NextInputName() const;
    // The free space of the recording's folder, asked at most once a second.
    std::optional<std::uint64_t> FreeBytes(std::int64_t nowMs);

    TClock FClock;
    TFreeSpace FFreeSpace;
    // Owned as a child: runs only while a recording runs.
    QTimer* FStatusTimer = nullptr;
    std::unique_ptr<TLevelFollower> FLevels;
    WideString FFolder;
    std::array<bool, TRecordingStatus::MaxLevelChannels> FClipped{};
    TRecordingStatus FLastRecording;
    std::optional<std::uint64_t> FFreeBytes;
    std::optional<std::int64_t> FFreeBytesAt;
    // The file and the input of the recording under way (for the messages about it).
    QString FFileName;
    QString FInput;
    WideString FMissing;
    WideString FUnknownFormat;
    // The key the next Start will be asked for (empty: the system default).
    WideString FNextInput;
    // Owned as a child component: created with the module as its owner, destroyed with it
    // (which stops a recording in progress and completes its file).
    TDXShowCaptureAudio* FDXShowCaptureAudio = nullptr;
};

// The one recording data module of the program (not owned here; the program creates it).
extern TdmRecording* dmRecording;
