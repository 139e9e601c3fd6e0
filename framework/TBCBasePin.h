#pragma once
// The abstract base of every pin: IPin and IQualityControl. Implements the connection
// protocol (Connect on the initiating pin, ReceiveConnection on the receiving pin,
// Disconnect), the negotiation of a media type from a full, partial or absent proposal, the
// pin's identity and direction, the current segment and the notifications its filter sends
// on state changes. A pin's reference counting is its filter's; the filter destroys it.
// Thread contract: connection calls run on the graph's thread under Lock (the filter's lock);
// ConnectedTo, QueryPinInfo, QueryId, QueryAccept, EnumMediaTypes and NewSegment take no lock;
// the notifications run under the filter's lock.
#include "framework/RelaxedAtomic.h"
#include "framework/TBCBaseFilter.h"
#include "framework/TBCCritSec.h"
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ComPtr.h"

#include <atomic>

class TBCBasePin : public TBCUnknown, public IPin, public IQualityControl {
public:
    // hr is neither read nor written here; derived pins report construction failures in it.
    TBCBasePin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT& hr,
               WideString pinName, PIN_DIRECTION direction);
    ~TBCBasePin() override;

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;
    // A pin's references are its filter's; PinRefCount only tracks them for destruction.
    ULONG InnerAddRef() override;
    ULONG InnerRelease() override;

    // IPin
    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) final;
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) override;
    HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override = 0;
    HRESULT EndFlush() override = 0;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IQualityControl
    HRESULT Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT SetSink(IQualityControl* sink) override;

    virtual LONG GetTypeListVersion();
    // Called by the filter, under its lock, on leaving Stopped, entering Stopped and entering
    // Running; only for connected pins.
    virtual HRESULT Activate();
    virtual HRESULT Deactivate();
    virtual HRESULT StartRunning(REFERENCE_TIME startTime);
    // S_OK when the type is acceptable.
    virtual HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) = 0;
    // Stores a copy of mediaType as the connection type (never called with that record).
    virtual HRESULT AdoptType(const AM_MEDIA_TYPE& mediaType);
    // Checks the peer before a connection; VFW_E_INVALID_DIRECTION for the same direction.
    virtual HRESULT VerifyPeer(IPin* pin);
    // Releases what VerifyPeer or FinishConnection acquired; never fails in this framework.
    virtual HRESULT ReleasePeer();
    // The last step of a successful connection.
    virtual HRESULT FinishConnection(IPin* receivePin);
    // Fills the caller's record with the proposed type at position (from 0): S_OK, or
    // VFW_S_NO_MORE_ITEMS beyond the last type; E_UNEXPECTED for a pin that proposes none.
    virtual HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType);

    bool HasPeer() const { return ConnectedPin != nullptr; }
    bool FilterStopped() const { return Filter->IsStopped(); }
    const AM_MEDIA_TYPE* CurrentType() const { return &ConnectionType; }
    const WideString& Name() const { return PinName; }

protected:
    HRESULT NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* mediaType);
    HRESULT TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* mediaType, IEnumMediaTypes* types);
    HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);
    HRESULT DropConnection();

    WideString PinName;
    ComPtr<IPin> ConnectedPin;
    const PIN_DIRECTION Direction;
    // The filter's lock, shared by its pins; the filter owns it.
    TBCCritSec* const Lock;
    TRelaxedAtomic<bool> StreamErrorFlag{false}; // read by streaming checks without a lock
    bool ReconnectWhileActive = false;
    bool PreferOwnTypes = false;
    // The owning filter; not counted, since the filter owns the pin and the pin's references
    // are the filter's.
    TBCBaseFilter* const Filter;
    ComPtr<IQualityControl> QualitySink;
    LONG TypeListVersion = 1;
    AM_MEDIA_TYPE ConnectionType{};
    REFERENCE_TIME SegmentStart = 0;
    REFERENCE_TIME SegmentStop = 0x7FFFFFFFFFFFFFFF;
    double SegmentRate = 1.0;
    std::atomic<LONG> PinRefCount{0};
};
