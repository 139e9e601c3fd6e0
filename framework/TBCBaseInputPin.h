#pragma once
// The input pin: IMemInputPin besides IPin and IQualityControl. Its Receive does no data
// work: it checks that streaming is allowed, captures the sample's properties and rejects a
// mid-stream type change the pin cannot accept; a subclass calls it first and does the work
// when it answered S_OK. Keeps the flushing state.
// Thread contract: BeginFlush, EndFlush, GetAllocator and NotifyAllocator take Lock (the
// filter's lock); Receive, ReceiveMultiple, ReceiveCanBlock and ReadyToStream run on the
// upstream streaming thread without a lock (a subclass serialises Receive) and read Flushing,
// StreamErrorFlag and the filter state atomically.
#include "framework/TBCBasePin.h"

class TBCBaseInputPin : public TBCBasePin, public IMemInputPin {
public:
    TBCBaseInputPin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT& hr,
                    WideString pinName);
    ~TBCBaseInputPin() override;

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT Deactivate() override;
    HRESULT ReleasePeer() override;

    // IMemInputPin
    HRESULT GetAllocator(IMemAllocator** allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    HRESULT ReceiveCanBlock() override;

    // S_OK when a sample may be processed now; S_FALSE while flushing.
    virtual HRESULT ReadyToStream();

    // Passes a quality notice to the quality sink, else to the upstream pin.
    HRESULT PassQualityNotice(const Quality& quality);
    // The properties of the sample being received (checked: one has been captured).
    const AM_SAMPLE2_PROPERTIES& CurrentSampleProperties() const;

protected:
    ComPtr<IMemAllocator> Allocator;
    bool ReadOnlySamples = false;
    TRelaxedAtomic<bool> Flushing{false}; // read by the streaming thread without a lock
    AM_SAMPLE2_PROPERTIES SampleProperties{};

private:
    // The type a sample without IMediaSample2 handed out through GetMediaType: a copy that
    // SampleProperties points at and this pin frees with the next sample.
    AM_MEDIA_TYPE* ownedSampleType_ = nullptr;
};
