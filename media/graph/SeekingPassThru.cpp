#include "media/graph/SeekingPassThru.h"

SeekingPassThru::SeekingPassThru(IUnknown* outer) : TBCUnknown("Seeking pass-through", outer) {}

HRESULT SeekingPassThru::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateObject<SeekingPassThru>(outer, iid, object);
}

HRESULT SeekingPassThru::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_ISeekingPassThru)
        return GetInterface(static_cast<ISeekingPassThru*>(this), object);
    if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    if (iid == IID_IMediaPosition || iid == IID_IDispatch)
        return GetInterface(static_cast<IMediaPosition*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT SeekingPassThru::Init(BOOL supportRendering, IPin* pin) {
    if (!pin) return E_POINTER;
    if (pin_) return E_FAIL; // bound once, to the pin of the filter that made us
    pin_ = pin;
    renderer_ = supportRendering != FALSE;
    return S_OK;
}

template <class T>
HRESULT SeekingPassThru::Upstream(ComPtr<T>& target) {
    target.reset();
    if (!pin_) return E_UNEXPECTED;
    ComPtr<IPin> peer;
    if (FAILED(pin_->ConnectedTo(peer.put())) || !peer) return VFW_E_NOT_CONNECTED;
    if (FAILED(peer.As(target)) || !target) return E_NOTIMPL;
    return S_OK;
}

#define FORWARD_SEEKING(call)                                                                      \
    ComPtr<IMediaSeeking> up;                                                                      \
    RETURN_IF_FAILED(Upstream(up));                                                                \
    return up->call

HRESULT SeekingPassThru::GetCapabilities(DWORD* capabilities) {
    FORWARD_SEEKING(GetCapabilities(capabilities));
}
HRESULT SeekingPassThru::CheckCapabilities(DWORD* capabilities) {
    FORWARD_SEEKING(CheckCapabilities(capabilities));
}
HRESULT SeekingPassThru::IsFormatSupported(const GUID* format) {
    FORWARD_SEEKING(IsFormatSupported(format));
}
HRESULT SeekingPassThru::QueryPreferredFormat(GUID* format) {
    FORWARD_SEEKING(QueryPreferredFormat(format));
}
HRESULT SeekingPassThru::GetTimeFormat(GUID* format) {
    FORWARD_SEEKING(GetTimeFormat(format));
}
HRESULT SeekingPassThru::IsUsingTimeFormat(const GUID* format) {
    FORWARD_SEEKING(IsUsingTimeFormat(format));
}
HRESULT SeekingPassThru::SetTimeFormat(const GUID* format) {
    FORWARD_SEEKING(SetTimeFormat(format));
}
HRESULT SeekingPassThru::GetDuration(LONGLONG* duration) {
    FORWARD_SEEKING(GetDuration(duration));
}
HRESULT SeekingPassThru::GetStopPosition(LONGLONG* stop) {
    FORWARD_SEEKING(GetStopPosition(stop));
}
HRESULT SeekingPassThru::GetCurrentPosition(LONGLONG* current) {
    FORWARD_SEEKING(GetCurrentPosition(current));
}
HRESULT SeekingPassThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                           LONGLONG source, const GUID* sourceFormat) {
    FORWARD_SEEKING(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
}
HRESULT SeekingPassThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                      DWORD stopFlags) {
    FORWARD_SEEKING(SetPositions(current, currentFlags, stop, stopFlags));
}
HRESULT SeekingPassThru::GetPositions(LONGLONG* current, LONGLONG* stop) {
    FORWARD_SEEKING(GetPositions(current, stop));
}
HRESULT SeekingPassThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    FORWARD_SEEKING(GetAvailable(earliest, latest));
}
HRESULT SeekingPassThru::SetRate(double rate) {
    FORWARD_SEEKING(SetRate(rate));
}
HRESULT SeekingPassThru::GetRate(double* rate) {
    FORWARD_SEEKING(GetRate(rate));
}
HRESULT SeekingPassThru::GetPreroll(LONGLONG* preroll) {
    FORWARD_SEEKING(GetPreroll(preroll));
}

#define FORWARD_POSITION(call)                                                                     \
    ComPtr<IMediaPosition> up;                                                                     \
    RETURN_IF_FAILED(Upstream(up));                                                                \
    return up->call

HRESULT SeekingPassThru::get_Duration(REFTIME* length) {
    FORWARD_POSITION(get_Duration(length));
}
HRESULT SeekingPassThru::put_CurrentPosition(REFTIME time) {
    FORWARD_POSITION(put_CurrentPosition(time));
}
HRESULT SeekingPassThru::get_CurrentPosition(REFTIME* time) {
    FORWARD_POSITION(get_CurrentPosition(time));
}
HRESULT SeekingPassThru::get_StopTime(REFTIME* time) {
    FORWARD_POSITION(get_StopTime(time));
}
HRESULT SeekingPassThru::put_StopTime(REFTIME time) {
    FORWARD_POSITION(put_StopTime(time));
}
HRESULT SeekingPassThru::get_PrerollTime(REFTIME* time) {
    FORWARD_POSITION(get_PrerollTime(time));
}
HRESULT SeekingPassThru::put_PrerollTime(REFTIME time) {
    FORWARD_POSITION(put_PrerollTime(time));
}
HRESULT SeekingPassThru::put_Rate(double rate) {
    FORWARD_POSITION(put_Rate(rate));
}
HRESULT SeekingPassThru::get_Rate(double* rate) {
    FORWARD_POSITION(get_Rate(rate));
}
HRESULT SeekingPassThru::CanSeekForward(LONG* canSeek) {
    FORWARD_POSITION(CanSeekForward(canSeek));
}
HRESULT SeekingPassThru::CanSeekBackward(LONG* canSeek) {
    FORWARD_POSITION(CanSeekBackward(canSeek));
}
