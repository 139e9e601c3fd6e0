#include "media/alsa/AlsaCaptureFilter.h"

#include "framework/interfaces/MediaGuids.h"

AlsaCaptureFilter::AlsaCaptureFilter(IUnknown* outer, std::string device,
                                     std::shared_ptr<AlsaBackend> backend, AlsaCaptureFormat wanted)
    : TBCBaseFilter("ALSA audio capture", outer, new TBCCritSec, CLSID_AudioRecord) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<AlsaCapturePin>(this, Lock.get(), hr, std::move(device),
                                            std::move(backend), wanted);
}

AlsaCaptureFilter::~AlsaCaptureFilter() {
    pin_->StopStreaming(false);
    pin_->CloseDevice();
    pin_.reset();
}

HRESULT AlsaCaptureFilter::Create(IUnknown* outer, const std::string& device,
                                  const AlsaCaptureFormat& wanted, REFIID iid, void** object) {
    return CreateObject<AlsaCaptureFilter>(outer, iid, object, device, AlsaBackend::Current(),
                                           wanted);
}

HRESULT AlsaCaptureFilter::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IAudioLevelMeter)
        return GetInterface(static_cast<IAudioLevelMeter*>(this), object);
    return TBCBaseFilter::InnerQueryInterface(iid, object);
}

HRESULT AlsaCaptureFilter::GetMeterInfo(AUDIO_METER_INFO* info) {
    if (!info) return E_POINTER;
    pin_->Meter().Info(*info);
    info->cOverruns = ULONG(pin_->Overruns());
    return S_OK;
}

HRESULT AlsaCaptureFilter::GetPeakBlocks(ULONG first, ULONG count, AUDIO_PEAK_BLOCK* blocks,
                                         ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!blocks && count > 0) return E_POINTER;
    const ULONG copied = pin_->Meter().Blocks(first, count, blocks);
    if (fetched) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

TBCBasePin* AlsaCaptureFilter::PinAt(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

HRESULT AlsaCaptureFilter::Pause() {
    TBCAutoLock lock(*Lock);
    const FILTER_STATE before = State;
    if (before == State_Stopped && pin_->HasPeer()) RETURN_IF_FAILED(pin_->OpenDevice());
    if (before == State_Running) pin_->StopStreaming(true);
    const HRESULT hr = TBCBaseFilter::Pause();
    if (FAILED(hr) && before == State_Stopped) pin_->CloseDevice();
    return hr;
}

HRESULT AlsaCaptureFilter::Run(REFERENCE_TIME start) {
    TBCAutoLock lock(*Lock);
    RETURN_IF_FAILED(TBCBaseFilter::Run(start));
    if (!pin_->HasPeer()) return S_OK;
    return pin_->StartStreaming();
}

HRESULT AlsaCaptureFilter::Stop() {
    TBCAutoLock lock(*Lock);
    pin_->StopStreaming(false);
    const HRESULT hr = TBCBaseFilter::Stop();
    pin_->CloseDevice();
    return hr;
}

HRESULT AlsaCaptureFilter::GetState(DWORD milliSecsTimeout, FILTER_STATE* state) {
    RETURN_IF_FAILED(TBCBaseFilter::GetState(milliSecsTimeout, state));
    return *state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}
