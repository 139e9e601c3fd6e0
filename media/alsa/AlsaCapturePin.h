#pragma once
// The capture filter's one output pin (category capture). It proposes 16-bit PCM in the
// format the device delivers (the rate and channel count the device enumerator found for it,
// a sound server's source, or else the device's own; AlsaBackend::ProbeFormat), in a
// WAVEFORMATEX block, or a WAVEFORMATEXTENSIBLE with the speakers' mask for more than two
// channels, whose samples it puts in that order (AlsaChannelLayout). It opens the device
// when the filter leaves Stopped, and while the
// filter runs, its streaming thread reads ALSA periods straight into media samples stamped
// with stream times and hands them downstream; when told to stop or pause while it waits for
// a period, it still hands on what the device holds. An overrun is recovered, counted and
// marks the next sample as a discontinuity; a vanished device sends EC_DEVICE_LOST, and so
// does one that only overruns (no audio across 20 recoveries in a row, or for 2 s), as a dead
// sound server's plugin does, after what it gave has been handed on; a refused
// sample ends streaming with EC_ERRORABORT carrying the refusal. No exception leaves the
// streaming thread. Each sample is measured for the level meter once its channels are in the
// file's order.
// Thread contract: connection and state calls on the graph's thread under the filter's
// lock; the streaming thread takes no lock of the filter and touches only what it was
// given when it started.
#include "framework/TBCBaseOutputPin.h"
#include "media/alsa/AlsaBackend.h"
#include "media/alsa/AlsaChannelLayout.h"
#include "media/alsa/PeakMeter.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class AlsaCapturePin final : public TBCBaseOutputPin, public IKsPropertySet {
public:
    // wanted: the device's own format where the device enumerator knows it (zeros: ask).
    AlsaCapturePin(TBCBaseFilter* filter, TBCCritSec* lock, HRESULT& hr, std::string device,
                   std::shared_ptr<AlsaBackend> backend, AlsaCaptureFormat wanted = {});
    ~AlsaCapturePin() override;

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType) override;
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;

    // IKsPropertySet: the pin category, read only.
    HRESULT Set(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                void* propertyData, DWORD dataLength) override;
    HRESULT Get(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                void* propertyData, DWORD dataLength, DWORD* bytesReturned) override;
    HRESULT QuerySupported(REFGUID propertySet, DWORD id, DWORD* typeSupport) override;

    // Called by the filter under its lock.
    HRESULT OpenDevice();
    void CloseDevice();
    HRESULT StartStreaming();
    // Ends the streaming thread; when pausing, the device is made ready to start again.
    void StopStreaming(bool pausing);

    // Overruns since the device was opened (each one, the last of a storm that ended the
    // stream included). Any thread may read it.
    unsigned long Overruns() const { return overruns_.load(); }
    // The levels of the sound delivered since the device was opened.
    const PeakMeter& Meter() const { return meter_; }

private:
    HRESULT EnsureFormat();
    void Stream(ComPtr<IMemAllocator> allocator, ComPtr<IMemInputPin> peer);
    void StreamSafely(ComPtr<IMemAllocator> allocator, ComPtr<IMemInputPin> peer);
    void SendDeviceLost();

    const std::string device_;
    std::shared_ptr<AlsaBackend> backend_;
    const AlsaCaptureFormat wanted_;
    bool formatKnown_ = false;
    AlsaCaptureFormat format_{};
    AlsaChannelLayout layout_;
    std::unique_ptr<AlsaCaptureStream> stream_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<unsigned long> overruns_{0};
    PeakMeter meter_;
    bool discontinuity_ = true; // the first sample after a start or a gap
    LONGLONG framesDelivered_ = 0;
};
