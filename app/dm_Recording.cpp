#include "app/dm_Recording.h"

#include "WaveDest/WavLayout.h"
#include "app/TApplicationErrors.h"
#include "capture/EDShowError.h"
#include "capture/GuiThread.h"
#include "capture/ShowMessage.h"
#include "capture/TDXShowCaptureAudio.h"
#include "capture/TDXShowCaptureDevices.h"
#include "runtime/Exception.h"
#include "settings/KWFileUtils.h"

#include <QFile>

#include <utility>
#include <vector>

TdmRecording* dmRecording = nullptr;

const QString TdmRecording::msgNoCaptureController = QStringLiteral(
    "Recording is not possible: the audio capture could not be prepared at start-up.");
const QString TdmRecording::msgNoAudioInputDevice =
    QStringLiteral("No audio input device was found.");
const QString TdmRecording::msgRecordingNotStarted =
    QStringLiteral("The recording could not be started.\n%1");
const QString TdmRecording::msgRecordingNotCompleted =
    QStringLiteral("The recording could not be completed.\n%1");
const QString TdmRecording::msgRecordingAborted =
    QStringLiteral("The recording stopped because of an error.\n%1");
const QString TdmRecording::msgRecordingDeviceLost =
    QStringLiteral("The recording stopped because the audio input device was lost.");
const QString TdmRecording::msgRecordingStreamEnded =
    QStringLiteral("The recording stopped because the audio input device ended the stream.");
const QString TdmRecording::msgRecordingDiskFull =
    QStringLiteral("The recording stopped because the disk is full.");
const QString TdmRecording::msgRecordingSizeLimit =
    QStringLiteral("The recording stopped because the file reached its size limit.");

namespace {
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

QString ErrorText(HRESULT hr) {
    return QString::fromStdU16String(TDXShow::FormatError(hr, u""));
}
} // namespace

TdmRecording::TdmRecording(QObject* owner)
    : QObject(owner), FClock([] { return QDateTime::currentDateTime(); }) {
    ASSERT_GUI_THREAD("TdmRecording");
    setObjectName(QStringLiteral("dmRecording"));
    // A controller that cannot be created is shown, and start-up goes on without it.
    RunGuiHandler(nullptr, [this] { DataModuleCreate(); });
}

TdmRecording::~TdmRecording() {
    ASSERT_GUI_THREAD("TdmRecording");
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
    FDXShowCaptureAudio =
        ControllerFactory() ? ControllerFactory()(this) : new TDXShowCaptureAudio(this);
    if (FDXShowCaptureAudio)
        FDXShowCaptureAudio->OnRecordingStopped = [this](QObject*, LONG code, LONG_PTR param1,
                                                         HRESULT stopped) {
            RecordingStopped(code, param1, stopped);
        };
}

TDXShowCaptureAudio& TdmRecording::Controller() const {
    if (!FDXShowCaptureAudio) throw Exception(msgNoCaptureController.toStdString());
    return *FDXShowCaptureAudio;
}

bool TdmRecording::IsRecording() const {
    ASSERT_GUI_THREAD("TdmRecording");
    return FDXShowCaptureAudio && FDXShowCaptureAudio->IsRunning();
}

WideString TdmRecording::StartRecording(const WideString& folder) {
    ASSERT_GUI_THREAD("TdmRecording");
    (void)CreateFolderPath(folder);
    TDXShowCaptureAudio& capture = Controller();
    // A device may have been plugged in since start-up.
    if (capture.Devices().Count() == 0) capture.Devices().Refresh();
    if (capture.Devices().Count() == 0) throw Exception(msgNoAudioInputDevice.toStdString());

    // The running recording is completed first: the new graph's Open would stop it too, but
    // without telling whether its file could be completed.
    if (capture.IsRunning()) {
        const HRESULT stopped = capture.Stop();
        if (FAILED(stopped)) Tell({msgRecordingNotCompleted.arg(ErrorText(stopped))});
    }

    const WideString name = MakeRecordingFileName(folder);
    FileNameChanged(name);
    capture.SetFileName(name);

    // The errors the controller only reports are collected for this start alone.
    std::vector<WideString> reported;
    capture.OnError = [&reported](HRESULT, const WideString& text) { reported.push_back(text); };
    struct TStopCollecting {
        TDXShowCaptureAudio& capture;
        ~TStopCollecting() { capture.OnError = nullptr; }
    } stopCollecting{capture};

    try {
        (void)capture.Open(u"", true);
    } catch (const EDShowError&) {
        AbandonRecording(capture, name);
        throw; // shown once, by the exception display
    }
    const HRESULT hr = capture.Play();
    if (SUCCEEDED(hr) && reported.empty() && capture.GetGraphState() == GraphStateRunning)
        return name;
    AbandonRecording(capture, name);
    const QString reason = !reported.empty() ? QString::fromStdU16String(reported.front())
                                             : ErrorText(FAILED(hr) ? hr : VFW_E_NOT_RUNNING);
    throw Exception(msgRecordingNotStarted.arg(reason).toStdString());
}

void TdmRecording::StopRecording() {
    ASSERT_GUI_THREAD("TdmRecording");
    FileNameChanged(u"");
    const HRESULT hr = Controller().Stop();
    if (FAILED(hr)) throw Exception(msgRecordingNotCompleted.arg(ErrorText(hr)).toStdString());
}

void TdmRecording::AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName) {
    FileNameChanged(u"");
    (void)capture.Stop();
    // The name was new, so the file is ours; one that never got a sample is nothing to keep.
    (void)RemoveIfNoAudio(fileName);
}

void TdmRecording::RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped) {
    FileNameChanged(u"");
    QStringList messages{RecordingStoppedText(eventCode, param1)};
    if (FAILED(stopped)) messages << msgRecordingNotCompleted.arg(ErrorText(stopped));
    Tell(messages);
}

QString TdmRecording::RecordingStoppedText(LONG eventCode, LONG_PTR param1) {
    if (eventCode == EC_DEVICE_LOST) return msgRecordingDeviceLost;
    if (eventCode == EC_COMPLETE) return msgRecordingStreamEnded;
    const HRESULT hr = HRESULT(std::int32_t(param1));
    if (IsDiskFull(hr)) return msgRecordingDiskFull;
    if (IsSizeLimit(hr)) return msgRecordingSizeLimit;
    return msgRecordingAborted.arg(ErrorText(hr));
}

void TdmRecording::FileNameChanged(const WideString& fileName) {
    if (OnFileNameChanged) OnFileNameChanged(fileName);
}

void TdmRecording::Tell(const QStringList& messages) {
    if (OnMessage) OnMessage(messages);
}

bool TdmRecording::RemoveIfNoAudio(const WideString& fileName) {
    const QString path = QString::fromStdU16String(fileName);
    QFile file(path);
    if (!file.exists()) return false;
    const qint64 size = file.size();
    if (size != 0) {
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

WideString TdmRecording::MakeRecordingFileName(const WideString& folder) const {
    return RecordingFileNameAt(folder, FClock());
}

WideString TdmRecording::RecordingFileNameAt(const WideString& folder, const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    auto two = [](int number) { return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')); };
    const WideString stem = WithTrailingBackslash(folder) +
                            QStringLiteral("%1-%2-%3 %4-%5-%6")
                                .arg(two(date.year()), two(date.month()), two(date.day()),
                                     two(time.hour()), two(time.minute()), two(time.second()))
                                .toStdU16String();
    // A recording started within the same second as an earlier one must not overwrite it.
    WideString name = stem + u".wav";
    for (int copy = 2; IsExistingFile(name) || IsExistingFolder(name); ++copy)
        name = stem + u" (" + QString::number(copy).toStdU16String() + u").wav";
    return name;
}
