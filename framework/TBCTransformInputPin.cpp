#include "framework/TBCTransformInputPin.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/TBCTransformFilter.h"
#include "framework/TBCTransformOutputPin.h"

TBCTransformInputPin::TBCTransformInputPin(std::string objectName, TBCTransformFilter* filter,
                                           HRESULT& hr, WideString pinName)
    : TBCBaseInputPin(std::move(objectName), filter, filter ? filter->FilterLock : nullptr, hr,
                      std::move(pinName)),
      TransformFilter(filter) {}

HRESULT TBCTransformInputPin::QueryId(LPWSTR* id) {
    return WideStringToTaskMem(u"In", id);
}

HRESULT TBCTransformInputPin::Receive(IMediaSample* sample) {
    try {
        TBCAutoLock lock(TransformFilter->StreamLock);
        BC_CHECK(sample != nullptr, "BaseClass", 6954);
        HRESULT hr = TBCBaseInputPin::Receive(sample);
        if (hr == S_OK) hr = TransformFilter->ProcessSample(sample);
        return hr;
    } catch (...) {
        // The upstream filter's streaming thread expects a result code, never an exception.
        return HResultFromCurrentException();
    }
}

// Stream control, like Receive, comes from the upstream filter's thread, which expects a
// result code: a failed check becomes one.
HRESULT TBCTransformInputPin::EndOfStream() {
    try {
        TBCAutoLock lock(TransformFilter->StreamLock);
        HRESULT hr = ReadyToStream();
        if (hr == S_OK) hr = TransformFilter->InputEndOfStream();
        return hr;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT TBCTransformInputPin::BeginFlush() {
    try {
        TBCAutoLock lock(*TransformFilter->FilterLock);
        BC_CHECK(TransformFilter->OutputPin != nullptr, "BaseClass", 6785);
        if (!HasPeer() || !TransformFilter->OutputPin->HasPeer()) return VFW_E_NOT_CONNECTED;
        RETURN_IF_FAILED(TBCBaseInputPin::BeginFlush());
        return TransformFilter->InputBeginFlush();
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT TBCTransformInputPin::EndFlush() {
    try {
        TBCAutoLock lock(*TransformFilter->FilterLock);
        BC_CHECK(TransformFilter->OutputPin != nullptr, "BaseClass", 6900);
        if (!HasPeer() || !TransformFilter->OutputPin->HasPeer()) return VFW_E_NOT_CONNECTED;
        RETURN_IF_FAILED(TransformFilter->InputEndFlush());
        return TBCBaseInputPin::EndFlush();
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT TBCTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    try {
        (void)TBCBaseInputPin::NewSegment(start, stop, rate);
        return TransformFilter->InputNewSegment(start, stop, rate);
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT TBCTransformInputPin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    const HRESULT hr = TransformFilter->AcceptsInputType(mediaType);
    if (hr != S_OK) return hr;
    TBCTransformOutputPin* output = TransformFilter->OutputPin.get();
    if (output && output->HasPeer())
        return TransformFilter->AcceptsTransform(mediaType, *output->CurrentType());
    return S_OK;
}

HRESULT TBCTransformInputPin::AdoptType(const AM_MEDIA_TYPE& mediaType) {
    RETURN_IF_FAILED(TBCBaseInputPin::AdoptType(mediaType));
    BC_CHECK(TransformFilter->AcceptsInputType(mediaType) == S_OK, "BaseClass", 6973);
    return TransformFilter->AdoptPinType(PINDIR_INPUT, mediaType);
}

HRESULT TBCTransformInputPin::VerifyPeer(IPin* pin) {
    RETURN_IF_FAILED(TransformFilter->VerifyPinPeer(PINDIR_INPUT, pin));
    return TBCBasePin::VerifyPeer(pin);
}

HRESULT TBCTransformInputPin::ReleasePeer() {
    BC_CHECK(FilterStopped(), "BaseClass", 6803);
    (void)TransformFilter->ReleasePinPeer(PINDIR_INPUT);
    return TBCBaseInputPin::ReleasePeer();
}

HRESULT TBCTransformInputPin::FinishConnection(IPin* receivePin) {
    RETURN_IF_FAILED(TransformFilter->FinishPinConnection(PINDIR_INPUT, receivePin));
    return TBCBaseInputPin::FinishConnection(receivePin);
}

HRESULT TBCTransformInputPin::ReadyToStream() {
    TBCTransformOutputPin* output = TransformFilter->OutputPin.get();
    BC_CHECK(output != nullptr, "BaseClass", 6835);
    if (!output->HasPeer()) return VFW_E_NOT_CONNECTED;
    BC_CHECK(HasPeer(), "BaseClass", 6844);
    if (Flushing) return S_FALSE;
    if (FilterStopped()) return VFW_E_WRONG_STATE;
    if (StreamErrorFlag) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}
