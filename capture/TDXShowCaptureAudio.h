#pragma once
// The audio capture controller (unit DirectShowAudio): the graph controller specialised for
// recording. It owns the list of audio input devices and a capture graph builder bound to its
// graph, and Open builds
//     capture device filter -> destination filter -> file writer
// for the file name and the format set beforehand (the WAV, FLAC or Opus destination filter). No
// sound renderer is added and no video window attached; Loop stays false. A recording that stops by
// itself (the stream completed, aborted with an error, or its device was lost while the graph ran
// or was paused) is stopped, so its file is completed, and told through OnRecordingStopped. Pause
// (the graph controller's) pauses a recording: the file stays open and the device delivers nothing
// until Play runs the graph again. The devices are listed at the first Open (or by whoever
// refreshes Devices before), not when the controller is made: asking ALSA and the sound server
// may take a while, and the program starts without needing the list.
// What the graph's filters know of the recording comes from the interfaces they answer: the
// capture filter's level meter and the destination filter's progress, queried when Open has
// built the graph and let go with it.
// Thread contract: GUI thread only, like the graph controller (debug builds assert it).
#include "capture/GuiThread.h"
#include "capture/RecordingFileFormat.h"
#include "capture/TDXShow.h"
#include "framework/interfaces/RecordingFigures.h"

#include <memory>

class TDXShowCaptureDevices;

class TDXShowCaptureAudio : public TDXShow {
    Q_OBJECT

public:
    // Creates the capture graph builder, with an audio input list not yet listed; raises
    // EDShowError when the builder cannot be had. makeGraph as for TDXShow.
    explicit TDXShowCaptureAudio(QObject* owner = nullptr, const TGraphFactory& makeGraph = {});
    ~TDXShowCaptureAudio() override;

    TDXRecordingStoppedEvent OnRecordingStopped;

    // The output file of the next graph that Open builds; empty writes no file.
    void SetFileName(const WideString& value) {
        ASSERT_GUI_THREAD("TDXShowCaptureAudio");
        FileName = value;
    }
    const WideString& GetFileName() const { return FileName; }
    // The format of the file the next graph that Open builds writes; WAV until set.
    void SetFileFormat(TRecordingFileFormat value) {
        ASSERT_GUI_THREAD("TDXShowCaptureAudio");
        FileFormat = value;
    }
    TRecordingFileFormat GetFileFormat() const { return FileFormat; }
    // Empty until it has been listed (Listed): by Open, by a lost device, or by its Refresh.
    TDXShowCaptureDevices& Devices() const { return *FDevices; }
    // A recording is under way: the graph runs or is paused (as far as the remembered state
    // says). Stop completes its file either way.
    bool IsRecording() const {
        return FRunState == GraphStateRunning || FRunState == GraphStatePaused;
    }

    // The figures of the current graph's recording: null when its filter does not offer
    // them, or there is no graph. Not counted here: valid until the next Open or ClearGraph.
    IAudioLevelMeter* LevelMeter() const { return FLevelMeter.get(); }
    IRecordingProgress* RecordingProgress() const { return FRecordingProgress.get(); }
    // The display name of the device the current graph records (empty without one).
    const WideString& SourceName() const { return FSourceName; }

    void SetLoop(bool value) override;
    // EC_DEVICE_LOST releases the source and lists the devices again; EC_COMPLETE stops and
    // finishes without rewinding; the rest goes to the graph controller. A recording that
    // ends with the event is stopped and reported.
    void HandleEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    void AddAudioRenderer() override;
    void ApplyDisplay(QWidget* value) override;
    // Builds the recording graph from the device with DevicePath key (empty: the first
    // device), listing the devices first if they never were. Always S_OK; failures are
    // reported (OnError) or raised (EDShowError).
    HRESULT Open(const WideString& key, bool clearFirst) override;
    void ClearGraph() override;

protected:
    WideString FileName;
    TRecordingFileFormat FileFormat = TRecordingFileFormat::Wav;
    ComPtr<ICaptureGraphBuilder2> CaptureGraphBuilder;
    ComPtr<IBaseFilter> SourceFilter;
    std::unique_ptr<TDXShowCaptureDevices> FDevices;
    ComPtr<IBaseFilter> DestFilter;
    ComPtr<IBaseFilter> FileWriterFilter;
    ComPtr<IAudioLevelMeter> FLevelMeter;
    ComPtr<IRecordingProgress> FRecordingProgress;
    WideString FSourceName;

private:
    void Construct();
    // A new destination filter for FileFormat; raises EDShowError when it cannot be made.
    ComPtr<IBaseFilter> MakeDestFilter();
    void ReleaseCapture() noexcept;
    // Takes the events of the graph just emptied out of the queue, so that they cannot end
    // the recording built next; a lost device still refreshes the list.
    void DiscardStaleEvents();
};
