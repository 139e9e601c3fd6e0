#pragma once
// The transform filter's output pin: routes connection checks, type proposals and the
// allocator's buffer sizing to the filter's hooks, passes quality notices upstream and answers
// seeking requests through the platform's seeking pass-through, which forwards them upstream.
// Thread contract: as TBCBaseOutputPin.
#include "framework/TBCBaseOutputPin.h"

class TBCTransformFilter;

class TBCTransformOutputPin : public TBCBaseOutputPin {
public:
    TBCTransformOutputPin(std::string objectName, TBCTransformFilter* filter, HRESULT& hr,
                          WideString pinName);
    ~TBCTransformOutputPin() override;

    // IMediaPosition and IMediaSeeking come from the seeking pass-through, which the pin
    // aggregates.
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;
    // "Out", whatever the pin's name.
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT AdoptType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT VerifyPeer(IPin* pin) override;
    HRESULT ReleasePeer() override;
    HRESULT FinishConnection(IPin* receivePin) override;
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType) override;
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;

protected:
    friend class TBCTransformFilter;

    // The owning filter; not counted, since the filter owns the pin.
    TBCTransformFilter* const TransformFilter;
    // The pass-through's own unknown; its published interfaces count the pin, so the filter.
    ComPtr<IUnknown> SeekingPassThru;
};
