#include "app/dm_Recording.h"

#include "WaveDest/WavLayout.h"
#include "app/EUserError.h"
#include "app/TApplicationErrors.h"
#include "app/TFlacRecordingRepair.h"
#include "app/TLevelFollower.h"
#include "app/TOpusRecordingRepair.h"
#include "app/TRecordingFolder.h"
#include "app/TRecordingRepair.h"
#include "capture/EDShowError.h"
#include "capture/GuiThread.h"
#include "capture/ShowMessage.h"
#include "capture/TDXShowCaptureAudio.h"
#include "capture/TDXShowCaptureDevice.h"
#include "capture/TDXShowCaptureDevices.h"
#include "runtime/TextConvert.h"
#include "settings/KWFileUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

TdmRecording* dmRecording = nullptr;

const QString TdmRecording::InputSystemDefault = QStringLiteral("System default");
const QString TdmRecording::InputWhatPlays = QStringLiteral("What %1 plays");
const QString TdmRecording::InputNotAvailable = QStringLiteral("%1 (not available)");

namespace {
using enum TMessageCause;

// The key of ALSA's default device, which the system's sound settings steer.
constexpr char16_t kSystemDefaultKey[] = u"default";

TdmRecording::TControllerFactory& ControllerFactory() {
    static TdmRecording::TControllerFactory factory;
    return factory;
}

// The codes a write failure ends a recording with when the disk is full, and when the file may
// not grow any more: the largest WAV file, or the size limit of the file system or of the
// process.
bool IsDiskFull(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_DISK_FULL) ||
           hr == HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL) || hr == STG_E_MEDIUMFULL;
}
bool IsSizeLimit(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
}

// The system's text and the code, for the details of a message.
QString ErrorText(HRESULT hr) {
    return QString::fromStdU16String(TDXShow::FormatError(hr, u""));
}

bool IsWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// A name as a message can show it: a NUL as the symbol for it, a lone surrogate as the
// replacement character.
QString Shown(const WideString& name) {
    WideString text = Utf8ToUtf16(Utf16ToUtf8(name));
    for (char16_t& c : text)
        if (c == u'\0') c = u'\u2400';
    return QString::fromStdU16String(text);
}

// The cause a name that cannot be reserved stands for.
TMessageCause ReserveFailureCause(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return FileNoPermission;
    case ENOSPC:
    case EDQUOT:
        return DiskFullAtStart;
    default:
        return FileNotCreatable;
    }
}

// More copies of one second's name than anybody makes; beyond them the name counts as taken.
constexpr int kMostCopies = 10000;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

TdmRecording::TdmRecording(QObject* owner)
    : QObject(owner), FClock([] { return QDateTime::currentDateTime(); }), FFreeSpace(FreeSpaceOf),
      FLevels(std::make_unique<TLevelFollower>()) {
    ASSERT_GUI_THREAD("TdmRecording");
    setObjectName(QStringLiteral("dmRecording"));
    FStatusTimer = new QTimer(this);
    FStatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    FStatusTimer->setInterval(StatusIntervalMs);
    FStatusTimer->setTimerType(Qt::PreciseTimer);
    connect(FStatusTimer, &QTimer::timeout, this, [this] {
        if (!OnStatusChanged)
            FStatusTimer->stop(); // nobody to show it to
        else
            OnStatusChanged(Status());
    });
    // A controller that cannot be created is shown, and start-up goes on without it.
    RunGuiHandler(nullptr, [this] { DataModuleCreate(); });
}

TdmRecording::~TdmRecording() {
    ASSERT_GUI_THREAD("TdmRecording");
    // The controller goes with the module and completes the file; one without audio goes too.
    if (FDXShowCaptureAudio && !FFileName.isEmpty()) {
        (void)FDXShowCaptureAudio->Stop();
        Ended(std::exchange(FFileName, QString()));
    }
}

TdmRecording::TControllerFactory TdmRecording::SetControllerFactory(TControllerFactory factory) {
    return std::exchange(ControllerFactory(), std::move(factory));
}

void TdmRecording::DataModuleCreate() {
    // What the capture layer shows by itself goes through the application's error display,
    // in the active language like every other message.
    (void)SetMessageDisplay(
        [](const QString& text) { TApplicationErrors::ShowMessage(nullptr, text); });
    (void)SetEventExceptionDisplay(
        [](const QString& text) { TApplicationErrors::ShowMessage(nullptr, text); });
    try {
        FDXShowCaptureAudio =
            ControllerFactory() ? ControllerFactory()(this) : new TDXShowCaptureAudio(this);
    } catch (const std::exception& error) {
        TApplicationErrors::ShowError(
            nullptr, TUserError{CaptureNotPrepared, {}, QString::fromUtf8(error.what())});
        return;
    }
    if (FDXShowCaptureAudio)
        FDXShowCaptureAudio->OnRecordingStopped = [this](QObject*, LONG code, LONG_PTR param1,
                                                         HRESULT stopped) {
            RecordingStopped(code, param1, stopped);
        };
}

TDXShowCaptureAudio& TdmRecording::Controller() const {
    if (!FDXShowCaptureAudio) throw EUserError(NoCaptureController);
    return *FDXShowCaptureAudio;
}

bool TdmRecording::IsRecording() const {
    ASSERT_GUI_THREAD("TdmRecording");
    return State() != TRecordingState::Stopped;
}

TRecordingState TdmRecording::State() const {
    ASSERT_GUI_THREAD("TdmRecording");
    if (!FDXShowCaptureAudio) return TRecordingState::Stopped;
    switch (FDXShowCaptureAudio->RunState()) {
    case GraphStateRunning:
        return TRecordingState::Recording;
    case GraphStatePaused:
        return TRecordingState::Paused;
    default:
        return TRecordingState::Stopped;
    }
}

WideString TdmRecording::StartRecording(const WideString& folder, const WideString& deviceKey,
                                        const WideString& formatSetting) {
    ASSERT_GUI_THREAD("TdmRecording");
    // A NUL would cut the name short and reach another file; nothing is opened for it.
    std::string systemPath;
    if (!folder.empty() && !PathToSystem(folder, systemPath))
        throw EUserError(FolderNameUnusable, {Shown(folder)});
    TRecordingFolder::Create(folder);
    FNextInput = deviceKey;
    TDXShowCaptureAudio& capture = Controller();
    // A device may have been plugged in since start-up, and a chosen one unplugged.
    if (capture.Devices().Count() == 0 || !deviceKey.empty()) capture.Devices().Refresh();
    if (capture.Devices().Count() == 0) throw EUserError(NoInput);
    // Taken from the list now: the list may be enumerated again while a message is shown.
    const TDXShowCaptureDevice* chosen =
        deviceKey.empty() ? nullptr : capture.Devices().FindDevice(deviceKey);
    const WideString openKey = chosen ? chosen->DevicePath : WideString();
    const WideString missing = !deviceKey.empty() && !chosen ? deviceKey : WideString();
    const QString input = InputName(chosen ? *chosen : capture.Devices().Items(0));

    // The recording under way, paused or not, is completed first: the new graph's Open would
    // stop it too, but without telling whether its file could be completed.
    if (capture.IsRecording()) {
        const QString previous = Forget();
        const HRESULT stopped = capture.Stop();
        Ended(previous);
        std::vector<TUserError> failure;
        if (FAILED(stopped)) failure.push_back({StopFailed, {previous}, ErrorText(stopped)});
        KeepLastRecording(previous, failure);
        StatusChanged();
        if (!failure.empty()) Tell(failure);
    }

    const std::optional<TRecordingFileFormat> known = FormatOfSetting(formatSetting);
    const TRecordingFileFormat format = known.value_or(TRecordingFileFormat::Wav);
    const WideString name = MakeRecordingFileName(folder, format);
    FileNameChanged(name);
    capture.SetFileName(name);
    capture.SetFileFormat(format);

    // The errors the controller only reports are collected for this start alone.
    std::vector<std::pair<HRESULT, WideString>> reported;
    capture.OnError = [&reported](HRESULT hr, const WideString& text) {
        reported.emplace_back(hr, text);
    };
    struct TStopCollecting {
        TDXShowCaptureAudio& capture;
        ~TStopCollecting() { capture.OnError = nullptr; }
    } stopCollecting{capture};

    try {
        (void)capture.Open(openKey, true);
    } catch (const EDShowError& error) {
        AbandonRecording(capture, name);
        throw EUserError(NotStarted, {}, QString::fromUtf8(error.what()));
    }
    RefuseWithoutRoom(capture, folder, name);
    const HRESULT hr = capture.Play();
    if (SUCCEEDED(hr) && reported.empty() && capture.GetGraphState() == GraphStateRunning) {
        FFileName = QString::fromStdU16String(name);
        FInput = input;
        FMissing = missing;
        FUnknownFormat = known ? WideString() : formatSetting;
        FFolder = folder;
        FClipped = {};
        FLevels->Restart();
        FFreeBytesAt.reset();
        StateChanged();
        StatusChanged();
        // Told while the recording already runs, so that nothing is lost while it is read.
        if (!missing.empty()) Tell({{InputMissing, {QString::fromStdU16String(missing)}, {}}});
        return name;
    }
    AbandonRecording(capture, name);
    if (!reported.empty())
        throw EUserError(StartFailure(reported.front().first,
                                      QString::fromStdU16String(reported.front().second),
                                      QString::fromStdU16String(folder), input));
    const HRESULT failure = FAILED(hr) ? hr : VFW_E_NOT_RUNNING;
    throw EUserError(
        StartFailure(failure, ErrorText(failure), QString::fromStdU16String(folder), input));
}

QList<TdmRecording::TInputDevice> TdmRecording::InputDevices() {
    ASSERT_GUI_THREAD("TdmRecording");
    QList<TInputDevice> devices{{WideString(), InputSystemDefault}};
    if (!FDXShowCaptureAudio) return devices;
    TDXShowCaptureDevices& list = FDXShowCaptureAudio->Devices();
    list.Refresh();
    for (int i = 0; i < list.Count(); ++i) {
        const TDXShowCaptureDevice& device = list.Items(i);
        if (device.DevicePath != kSystemDefaultKey)
            devices.append({device.DevicePath, InputName(device)});
    }
    return devices;
}

bool TdmRecording::IsSystemDefault(const WideString& deviceKey) {
    return deviceKey.empty() || deviceKey == kSystemDefaultKey;
}

QString TdmRecording::InputName(const TDXShowCaptureDevice& device) {
    if (device.DevicePath == kSystemDefaultKey) return InputSystemDefault;
    if (!device.MonitorOf.empty())
        return InputWhatPlays.arg(QString::fromStdU16String(device.MonitorOf));
    return QString::fromStdU16String(device.DeviceName);
}

TUserError TdmRecording::StartFailure(HRESULT hr, const QString& details, const QString& folder,
                                      const QString& input) {
    if (hr == HRESULT_FROM_WIN32(ERROR_BUSY)) return {InputBusy, {input}, details};
    if (IsDiskFull(hr)) return {DiskFullAtStart, {folder}, details};
    // The file writer cannot make the file; the input is refused with the same code.
    if (hr == E_ACCESSDENIED && !IsWritableFolder(folder))
        return {FileNoPermission, {folder}, details};
    return {InputNotOpenable, {input}, details};
}

void TdmRecording::PauseOrResume() {
    ASSERT_GUI_THREAD("TdmRecording");
    const TRecordingState state = State();
    if (state == TRecordingState::Stopped) return;
    TDXShowCaptureAudio& capture = Controller();
    // Pausing the graph keeps every filter where it is: the file stays open and its byte
    // count goes on where it stopped, the input is stopped and delivers nothing.
    const HRESULT hr = state == TRecordingState::Recording ? capture.Pause() : capture.Play();
    if (FAILED(hr))
        EndAfterFailure(capture, state == TRecordingState::Recording ? PauseFailed : ResumeFailed,
                        hr);
    // Paused, the levels start afresh when the sound comes back.
    if (state == TRecordingState::Paused) FLevels->Restart();
    StateChanged();
    StatusChanged();
}

void TdmRecording::EndAfterFailure(TDXShowCaptureAudio& capture, TMessageCause cause, HRESULT hr) {
    const QString file = Forget();
    const HRESULT stopped = capture.Stop();
    Ended(file);
    StateChanged();
    QString details = ErrorText(hr);
    if (FAILED(stopped)) details += u'\n' + ErrorText(stopped);
    const TUserError error{cause, {file}, details};
    KeepLastRecording(file, {error});
    StatusChanged();
    throw EUserError(error);
}

void TdmRecording::StopRecording() {
    ASSERT_GUI_THREAD("TdmRecording");
    const QString file = Forget();
    const HRESULT hr = Controller().Stop();
    Ended(file);
    StateChanged();
    std::vector<TUserError> failure;
    if (FAILED(hr)) failure.push_back({StopFailed, {file}, ErrorText(hr)});
    if (!file.isEmpty()) KeepLastRecording(file, failure);
    StatusChanged();
    if (!failure.empty()) throw EUserError(failure.front());
}

void TdmRecording::AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName) {
    FileNameChanged(u"");
    (void)capture.Stop();
    // The name was new, so the file is ours; one that never got a sample is nothing to keep.
    (void)RemoveIfNoAudio(fileName);
    StateChanged();
    StatusChanged();
}

void TdmRecording::RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped) {
    const QString file = Forget();
    // A full disk before the first sound leaves a file without audio: nothing to keep.
    Ended(file);
    std::vector<TUserError> messages{RecordingStoppedError(eventCode, param1, FInput, file)};
    if (FAILED(stopped)) messages.push_back({StopFailed, {file}, ErrorText(stopped)});
    StateChanged();
    if (!file.isEmpty()) KeepLastRecording(file, messages);
    StatusChanged();
    Tell(messages);
}

void TdmRecording::RefuseWithoutRoom(TDXShowCaptureAudio& capture, const WideString& folder,
                                     const WideString& fileName) {
    RECORDING_PROGRESS figures{};
    IRecordingProgress* progress = capture.RecordingProgress();
    if (!progress || FAILED(progress->GetProgress(&figures))) return;
    const std::optional<std::uint64_t> free = FFreeSpace(folder);
    const std::optional<std::int64_t> seconds =
        SecondsOfRoom(free, figures.cbRoomInFile, figures.nAvgBytesPerSec);
    if (!seconds || *seconds >= LeastRoomSeconds) return;
    AbandonRecording(capture, fileName);
    throw EUserError(NoRoomAtStart,
                     {QString::fromStdU16String(folder), QString::number(free.value_or(0) / 1000)});
}

void TdmRecording::KeepLastRecording(const QString& fileName,
                                     const std::vector<TUserError>& endReason) {
    if (!FDXShowCaptureAudio) return;
    // A file without audio was removed: there is no last recording to show (its messages
    // still say what happened).
    if (!QFileInfo::exists(fileName)) {
        FLastRecording = {};
        return;
    }
    TRecordingStatus last = RecordingFigures(*FDXShowCaptureAudio, fileName, NowMs());
    last.State = TRecordingStatus::TState::Ready;
    last.LevelChannels = 0;
    last.Peak = {};
    last.RoomLeftSeconds.reset();
    last.EndReason = endReason;
    last.FileBytes = std::uint64_t(std::max<qint64>(QFileInfo(fileName).size(), 0));
    FLastRecording = last;
}

TRecordingStatus TdmRecording::RecordingFigures(TDXShowCaptureAudio& capture,
                                                const QString& fileName, std::int64_t nowMs) {
    TRecordingStatus status;
    const bool paused = State() == TRecordingState::Paused;
    status.State = paused ? TRecordingStatus::TState::Paused : TRecordingStatus::TState::Recording;
    status.InputsListed = true;
    status.DeviceName = FInput;
    status.FileName = fileName;
    status.UnknownFormat = QString::fromStdU16String(FUnknownFormat);
    RECORDING_PROGRESS figures{};
    if (IRecordingProgress* progress = capture.RecordingProgress();
        progress && SUCCEEDED(progress->GetProgress(&figures))) {
        status.Rate = figures.nSamplesPerSec;
        status.Channels = figures.nChannels;
        status.Bits = figures.wBitsPerSample;
        status.SoundBytes = figures.cbWritten;
        if (figures.nSamplesPerSec)
            status.ElapsedMs = std::int64_t(figures.cFramesWritten * 1000 / figures.nSamplesPerSec);
        status.RoomLeftSeconds =
            SecondsOfRoom(FreeBytes(nowMs), figures.cbRoomInFile, figures.nAvgBytesPerSec);
    }
    if (IAudioLevelMeter* meter = capture.LevelMeter()) {
        AUDIO_METER_INFO info{};
        const TLevelFollower::TLevels levels = FLevels->Follow(*meter, nowMs, info);
        if (!paused) {
            status.LevelChannels = levels.Channels;
            status.Peak = levels.Peak;
        }
        static_assert(TRecordingStatus::MaxLevelChannels == AUDIO_METER_CHANNELS);
        for (std::size_t c = 0; c < FClipped.size(); ++c)
            FClipped[c] = FClipped[c] || info.cClipped[c] > 0;
        status.Dropouts = info.cOverruns;
    }
    status.Clipped = FClipped;
    status.TakenMs = nowMs;
    return status;
}

TRecordingStatus TdmRecording::Status() {
    ASSERT_GUI_THREAD("TdmRecording");
    const std::int64_t now = NowMs();
    if (!FFileName.isEmpty() && FDXShowCaptureAudio)
        return RecordingFigures(*FDXShowCaptureAudio, FFileName, now);
    TRecordingStatus status = FLastRecording;
    status.State = TRecordingStatus::TState::Ready;
    // The devices are listed at the first Start or Setup, not at start-up: until then the
    // system default is named without asking, a chosen device not at all.
    const bool listed = FDXShowCaptureAudio && FDXShowCaptureAudio->Devices().Listed();
    status.InputsListed = FDXShowCaptureAudio && (listed || FNextInput.empty());
    status.DeviceName = listed ? NextInputName() : InputSystemDefault;
    status.TakenMs = now;
    return status;
}

QString TdmRecording::NextInputName() const {
    if (!FDXShowCaptureAudio || FDXShowCaptureAudio->Devices().Count() == 0) return {};
    TDXShowCaptureDevices& list = FDXShowCaptureAudio->Devices();
    if (FNextInput.empty()) return InputName(list.Items(0));
    if (const TDXShowCaptureDevice* chosen = list.FindDevice(FNextInput)) return InputName(*chosen);
    return InputNotAvailable.arg(QString::fromStdU16String(FNextInput));
}

void TdmRecording::SetNextInput(const WideString& deviceKey) {
    ASSERT_GUI_THREAD("TdmRecording");
    FNextInput = deviceKey;
    if (FFileName.isEmpty() && OnStatusChanged) OnStatusChanged(Status());
}

bool TdmRecording::StatusTimerActive() const {
    return FStatusTimer->isActive();
}

void TdmRecording::ResumeStatus() {
    ASSERT_GUI_THREAD("TdmRecording");
    StatusChanged();
}

void TdmRecording::StatusChanged() {
    const bool running = !FFileName.isEmpty() && State() == TRecordingState::Recording;
    if (running && OnStatusChanged)
        FStatusTimer->start();
    else
        FStatusTimer->stop();
    if (OnStatusChanged) OnStatusChanged(Status());
}

std::optional<std::uint64_t> TdmRecording::FreeBytes(std::int64_t nowMs) {
    if (!FFreeBytesAt || nowMs - *FFreeBytesAt >= 1000 || nowMs < *FFreeBytesAt) {
        FFreeBytes = FFreeSpace(FFolder);
        FFreeBytesAt = nowMs;
    }
    return FFreeBytes;
}

std::optional<std::int64_t> TdmRecording::SecondsOfRoom(std::optional<std::uint64_t> free,
                                                        std::uint64_t roomInFile,
                                                        std::uint32_t bytesPerSecond) {
    constexpr std::uint64_t NoLimit = ~std::uint64_t(0);
    if (bytesPerSecond == 0 || (!free && roomInFile == NoLimit)) return std::nullopt;
    const std::uint64_t room = free ? std::min(*free, roomInFile) : roomInFile;
    return std::int64_t(room / bytesPerSecond);
}

std::optional<std::uint64_t> TdmRecording::FreeSpaceOf(const WideString& folder) {
    struct statvfs figures {};
    const QByteArray path = QFile::encodeName(QString::fromStdU16String(folder));
    if (path.isEmpty() || statvfs(path.constData(), &figures) != 0) return std::nullopt;
    return std::uint64_t(figures.f_bavail) * std::uint64_t(figures.f_frsize);
}

void TdmRecording::SetFreeSpace(TFreeSpace freeSpace) {
    FFreeSpace = freeSpace ? std::move(freeSpace) : TFreeSpace(FreeSpaceOf);
}

TUserError TdmRecording::RecordingStoppedError(LONG eventCode, LONG_PTR param1,
                                               const QString& input, const QString& file) {
    if (eventCode == EC_DEVICE_LOST) return {InputLost, {input, file}, {}};
    if (eventCode == EC_COMPLETE) return {StreamEnded, {input, file}, {}};
    const HRESULT hr = HRESULT(std::int32_t(param1));
    if (IsDiskFull(hr)) return {DiskFull, {file}, ErrorText(hr)};
    if (IsSizeLimit(hr)) return {SizeLimit, {file}, ErrorText(hr)};
    return {RecordingAborted, {file}, ErrorText(hr)};
}

QString TdmRecording::Forget() {
    FileNameChanged(u"");
    return std::exchange(FFileName, QString());
}

void TdmRecording::Ended(const QString& file) {
    if (!file.isEmpty()) (void)RemoveIfNoAudio(file.toStdU16String());
}

void TdmRecording::FileNameChanged(const WideString& fileName) {
    if (OnFileNameChanged) OnFileNameChanged(fileName);
}

void TdmRecording::StateChanged() {
    if (OnStateChanged) OnStateChanged(State());
}

void TdmRecording::Tell(const std::vector<TUserError>& messages) {
    if (OnMessage) OnMessage(messages);
}

bool TdmRecording::RemoveIfNoAudio(const WideString& fileName) {
    if (fileName.empty()) return false;
    const QString path = QString::fromStdU16String(fileName);
    QFile file(path);
    if (!file.exists()) return false;
    const qint64 size = file.size();
    // A compressed file is judged by its format's repair: headers without sound hold nothing.
    std::unique_ptr<TRecordingFormatRepair> compressed;
    if (path.endsWith(QLatin1String(".flac")))
        compressed = std::make_unique<TFlacRecordingRepair>();
    if (path.endsWith(QLatin1String(".opus")))
        compressed = std::make_unique<TOpusRecordingRepair>();
    if (size != 0 && compressed) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return false;
        int error = 0;
        const bool empty = compressed->Repair(fd, std::uint64_t(size), error) ==
                           TRecordingFormatRepair::TOutcome::NoAudio;
        ::close(fd);
        if (!empty) return false;
    } else if (size != 0) {
        constexpr qint64 LargestHeader = 1024;
        if (size > LargestHeader || !file.open(QIODevice::ReadOnly)) return false;
        const QByteArray bytes = file.readAll();
        file.close();
        const WavLayout::THeader header = WavLayout::ReadHeader(bytes);
        if (bytes.size() != size || !header.found || header.dataBytes != 0 ||
            header.AudioBytesInFile() != 0)
            return false;
    }
    return QFile::remove(path);
}

void TdmRecording::SetClock(TClock clock) {
    FClock = std::move(clock);
}

std::optional<TRecordingFileFormat> TdmRecording::FormatOfSetting(const WideString& setting) {
    const QString value = QString::fromStdU16String(setting);
    if (value.isEmpty()) return TRecordingFileFormat::Wav;
    if (value.compare(QLatin1String("FLAC"), Qt::CaseInsensitive) == 0)
        return TRecordingFileFormat::Flac;
    if (value.compare(QLatin1String("Opus"), Qt::CaseInsensitive) == 0)
        return TRecordingFileFormat::Opus;
    return std::nullopt;
}

WideString TdmRecording::SettingOfFormat(TRecordingFileFormat format) {
    switch (format) {
    case TRecordingFileFormat::Flac:
        return u"FLAC";
    case TRecordingFileFormat::Opus:
        return u"Opus";
    case TRecordingFileFormat::Wav:
        break;
    }
    return u"";
}

WideString TdmRecording::MakeRecordingFileName(const WideString& folder,
                                               TRecordingFileFormat format) const {
    return ReserveRecordingFile(folder, FClock(), format);
}

WideString TdmRecording::ReserveRecordingFile(const WideString& folder, const QDateTime& moment,
                                              TRecordingFileFormat format) {
    int error = EEXIST;
    for (int copy = 1; copy <= kMostCopies && error == EEXIST; ++copy) {
        const WideString name = RecordingFileNameAt(folder, moment, copy, format);
        std::string path;
        if (!PathToSystem(name, path)) {
            error = EINVAL;
            break;
        }
        // A file, a folder or a link of that name, even one leading nowhere, takes the name.
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        error = errno;
    }
    throw EUserError(ReserveFailureCause(error), {QString::fromStdU16String(folder)},
                     ErrorText(HResultFromErrno(error)));
}

WideString TdmRecording::RecordingFileNameAt(const WideString& folder, const QDateTime& moment,
                                             int copy, TRecordingFileFormat format) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    auto two = [](int number) { return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')); };
    const WideString stem = WithTrailingBackslash(folder) +
                            QStringLiteral("%1-%2-%3 %4-%5-%6")
                                .arg(two(date.year()), two(date.month()), two(date.day()),
                                     two(time.hour()), two(time.minute()), two(time.second()))
                                .toStdU16String();
    // A recording started within the same second as an earlier one must not overwrite it.
    const WideString extension = FileExtension(format);
    if (copy <= 1) return stem + extension;
    return stem + u" (" + QString::number(copy).toStdU16String() + u")" + extension;
}

std::optional<TUserError> TdmRecording::RepairRecordings(const WideString& folder) {
    const TRecordingRepair::TResult result = TRecordingRepair().RepairFolder(folder);
    if (result.repaired.empty()) return std::nullopt;
    QStringList names;
    for (const WideString& name : result.repaired)
        names << QString::fromStdU16String(name);
    return TUserError{RecordingsRepaired, {names.join(u'\n')}, {}};
}
