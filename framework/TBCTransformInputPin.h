#pragma once
// The transform filter's input pin: routes connection checks to the filter's hooks, serialises
// Receive and EndOfStream under the filter's StreamLock and passes stream control on through
// the output pin. Thread contract: as TBCBaseInputPin; Receive and EndOfStream take
// StreamLock, BeginFlush and EndFlush the filter lock.
#include "framework/TBCBaseInputPin.h"

class TBCTransformFilter;

class TBCTransformInputPin : public TBCBaseInputPin {
public:
    TBCTransformInputPin(std::string objectName, TBCTransformFilter* filter, HRESULT& hr,
                         WideString pinName);

    // "In", whatever the pin's name.
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT AdoptType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT VerifyPeer(IPin* pin) override;
    HRESULT ReleasePeer() override;
    HRESULT FinishConnection(IPin* receivePin) override;
    // Never lets an exception reach the upstream caller: it answers a failure code instead.
    HRESULT Receive(IMediaSample* sample) override;
    // Tests flushing before the filter state, unlike the base input pin.
    HRESULT ReadyToStream() override;

protected:
    friend class TBCTransformFilter;

    // The owning filter; not counted, since the filter owns the pin.
    TBCTransformFilter* const TransformFilter;
};
