#pragma once
// The audio capture filter of one ALSA capture device (the platform's audio capture class):
// a live source with one capture pin. It opens the device when it leaves Stopped (so a
// device that cannot be opened makes Pause and Run fail with the system's error), streams
// while running and closes the device when it stops. Its level meter (IAudioLevelMeter) tells
// the peaks, the full-scale samples and the overruns of the stream since it was opened.
// Thread contract: state and connection calls on the graph's thread under the filter lock;
// see AlsaCapturePin for the streaming thread.
#include "framework/TBCBaseFilter.h"
#include "framework/interfaces/RecordingFigures.h"
#include "media/alsa/AlsaCapturePin.h"

class AlsaCaptureFilter final : public TBCBaseFilter, public IAudioLevelMeter {
public:
    // wanted: the device's own format where the device enumerator knows it (zeros: ask the
    // device).
    AlsaCaptureFilter(IUnknown* outer, std::string device,
                      std::shared_ptr<AlsaBackend> backend = AlsaBackend::Current(),
                      AlsaCaptureFormat wanted = {});
    ~AlsaCaptureFilter() override;

    // A filter for the device, answering iid (aggregated by outer when given).
    static HRESULT Create(IUnknown* outer, const std::string& device,
                          const AlsaCaptureFormat& wanted, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    // A live source cannot cue data while paused: VFW_S_CANT_CUE then.
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;

    int PinCount() override { return 1; }
    TBCBasePin* PinAt(int index) override;

    // IAudioLevelMeter, on any thread.
    HRESULT GetMeterInfo(AUDIO_METER_INFO* info) override;
    HRESULT GetPeakBlocks(ULONG first, ULONG count, AUDIO_PEAK_BLOCK* blocks,
                          ULONG* fetched) override;

    AlsaCapturePin* CapturePin() { return pin_.get(); }

private:
    std::unique_ptr<AlsaCapturePin> pin_;
};
