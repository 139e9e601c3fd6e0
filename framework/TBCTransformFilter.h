#pragma once
// The abstract filter with one input and one output pin that turns every input sample into
// one output sample: it takes an empty sample from the output allocator, copies the input's
// properties onto it, lets the subclass fill it (TransformSample) and delivers it. Stream
// control arriving at the input goes on through the output pin; connection checks and state
// changes of both pins reach the hooks below.
// Thread contract: two recursive locks. FilterLock (the base filter's Lock, shared by both
// pins) guards state changes, connections, flushing and the input's allocator calls;
// StreamLock serialises Receive and EndOfStream on the streaming thread, BeginStreaming and
// EndStreaming. FilterLock is always taken before StreamLock; the streaming thread takes only
// StreamLock.
#include "framework/RelaxedAtomic.h"
#include "framework/TBCBaseFilter.h"

#include <memory>

class TBCTransformInputPin;
class TBCTransformOutputPin;

class TBCTransformFilter : public TBCBaseFilter {
public:
    TBCTransformFilter(std::string objectName, IUnknown* controller, REFCLSID classId);
    ~TBCTransformFilter() override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    // "In" is the input pin and "Out" the output pin, whatever their names.
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    int PinCount() override;
    // Creates the two pins on first use.
    TBCBasePin* PinAt(int index) override;

    // Fills output from input: S_OK delivers it, S_FALSE drops it. E_UNEXPECTED here.
    virtual HRESULT TransformSample(IMediaSample* input, IMediaSample* output);
    virtual HRESULT AcceptsInputType(const AM_MEDIA_TYPE& mediaType) = 0;
    virtual HRESULT AcceptsTransform(const AM_MEDIA_TYPE& inType, const AM_MEDIA_TYPE& outType) = 0;
    virtual HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) = 0;
    virtual HRESULT ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) = 0;
    // Called under StreamLock when the filter leaves Stopped, and stops, with both pins
    // connected.
    virtual HRESULT BeginStreaming();
    virtual HRESULT EndStreaming();
    // S_FALSE passes the notice upstream.
    virtual HRESULT AdjustQuality(const Quality& quality);
    virtual HRESULT AdoptPinType(PIN_DIRECTION direction, const AM_MEDIA_TYPE& mediaType);
    virtual HRESULT VerifyPinPeer(PIN_DIRECTION direction, IPin* pin);
    virtual HRESULT ReleasePinPeer(PIN_DIRECTION direction);
    virtual HRESULT FinishPinConnection(PIN_DIRECTION direction, IPin* receivePin);
    // The per-sample path, called by the input pin's Receive under StreamLock.
    virtual HRESULT ProcessSample(IMediaSample* sample);
    virtual HRESULT PrepareOutputSample(IMediaSample* sample, ComPtr<IMediaSample>& outSample);
    virtual HRESULT InputEndOfStream();
    virtual HRESULT InputBeginFlush();
    virtual HRESULT InputEndFlush();
    virtual HRESULT InputNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    friend class TBCTransformInputPin;
    friend class TBCTransformOutputPin;

    bool EndOfStreamSent = false;
    // Written by the streaming thread and reset by Pause on the graph's thread.
    TRelaxedAtomic<bool> SampleDropped{false};
    TRelaxedAtomic<bool> QualityEventSent{false};
    // The base filter's Lock: the base filter owns and frees it.
    TBCCritSec* const FilterLock;
    TBCCritSec StreamLock;
    std::unique_ptr<TBCTransformInputPin> InputPin;
    std::unique_ptr<TBCTransformOutputPin> OutputPin;
};
