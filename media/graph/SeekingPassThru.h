#pragma once
// The platform's seeking pass-through (CLSID_SeekingPassThru): a filter's output pin hands
// seeking and position requests to it, and it forwards them to the peer of the pin given
// to Init (the filter's input pin), that is, upstream. Without a peer the calls answer
// VFW_E_NOT_CONNECTED; a peer that cannot seek gives E_NOTIMPL.
// Thread contract: any thread; the pin is fixed by Init before the object is shared.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Control.h"
#include "media/graph/DispatchNotSupported.h"
#include "runtime/ComPtr.h"

class SeekingPassThru final : public TBCUnknown,
                              public ISeekingPassThru,
                              public IMediaSeeking,
                              public DispatchNotSupported<IMediaPosition> {
public:
    explicit SeekingPassThru(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // ISeekingPassThru
    HRESULT Init(BOOL supportRendering, IPin* pin) override;

    // IMediaSeeking
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

    // IMediaPosition
    HRESULT get_Duration(REFTIME* length) override;
    HRESULT put_CurrentPosition(REFTIME time) override;
    HRESULT get_CurrentPosition(REFTIME* time) override;
    HRESULT get_StopTime(REFTIME* time) override;
    HRESULT put_StopTime(REFTIME time) override;
    HRESULT get_PrerollTime(REFTIME* time) override;
    HRESULT put_PrerollTime(REFTIME time) override;
    HRESULT put_Rate(double rate) override;
    HRESULT get_Rate(double* rate) override;
    HRESULT CanSeekForward(LONG* canSeek) override;
    HRESULT CanSeekBackward(LONG* canSeek) override;

private:
    // The upstream interface, or the failure that the forwarded call answers.
    template <class T>
    HRESULT Upstream(ComPtr<T>& target);

    // The input pin of the filter that owns us. Not counted: that filter's output pin owns
    // this object, so a count on its input pin would keep the filter alive forever.
    IPin* pin_ = nullptr;
    bool renderer_ = false;
};
