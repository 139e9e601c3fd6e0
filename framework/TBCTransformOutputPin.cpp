#include "framework/TBCTransformOutputPin.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/TBCTransformFilter.h"
#include "framework/TBCTransformInputPin.h"
#include "framework/interfaces/Control.h"

TBCTransformOutputPin::TBCTransformOutputPin(std::string objectName, TBCTransformFilter* filter,
                                             HRESULT& hr, WideString pinName)
    : TBCBaseOutputPin(std::move(objectName), filter, filter ? filter->FilterLock : nullptr, hr,
                       std::move(pinName)),
      TransformFilter(filter) {}

TBCTransformOutputPin::~TBCTransformOutputPin() {
    SeekingPassThru = nullptr;
}

HRESULT TBCTransformOutputPin::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IMediaPosition || iid == IID_IMediaSeeking) {
        *object = nullptr;
        TBCTransformInputPin* input = TransformFilter->InputPin.get();
        BC_CHECK(input != nullptr, "BaseClass", 7593);
        // Aggregated by the pin, so that it answers with the pin's identity and every
        // reference to it is one to the filter: it lives exactly as long as the filter.
        if (!SeekingPassThru)
            RETURN_IF_FAILED(CreateSeekingPassThru(InnerUnknown(), false, static_cast<IPin*>(input),
                                                   SeekingPassThru.put()));
        return SeekingPassThru->QueryInterface(iid, object);
    }
    return TBCBaseOutputPin::InnerQueryInterface(iid, object);
}

HRESULT TBCTransformOutputPin::QueryId(LPWSTR* id) {
    return WideStringToTaskMem(u"Out", id);
}

HRESULT TBCTransformOutputPin::Notify(IBaseFilter*, Quality quality) {
    const HRESULT hr = TransformFilter->AdjustQuality(quality);
    if (hr != S_FALSE) return hr;
    TBCTransformInputPin* input = TransformFilter->InputPin.get();
    BC_CHECK(input != nullptr, "BaseClass", 7617);
    return input->PassQualityNotice(quality);
}

HRESULT TBCTransformOutputPin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    TBCTransformInputPin* input = TransformFilter->InputPin.get();
    BC_CHECK(input != nullptr, "BaseClass", 7529);
    if (!input->HasPeer()) return E_INVALIDARG;
    return TransformFilter->AcceptsTransform(*input->CurrentType(), mediaType);
}

HRESULT TBCTransformOutputPin::AdoptType(const AM_MEDIA_TYPE& mediaType) {
    BC_CHECK(TransformFilter->InputPin != nullptr, "BaseClass", 7631);
    RETURN_IF_FAILED(TBCBaseOutputPin::AdoptType(mediaType));
    return TransformFilter->AdoptPinType(PINDIR_OUTPUT, mediaType);
}

HRESULT TBCTransformOutputPin::VerifyPeer(IPin* pin) {
    TBCTransformInputPin* input = TransformFilter->InputPin.get();
    BC_CHECK(input != nullptr, "BaseClass", 7511);
    if (!input->HasPeer()) return E_UNEXPECTED;
    RETURN_IF_FAILED(TransformFilter->VerifyPinPeer(PINDIR_OUTPUT, pin));
    return TBCBaseOutputPin::VerifyPeer(pin);
}

HRESULT TBCTransformOutputPin::ReleasePeer() {
    BC_CHECK(FilterStopped(), "BaseClass", 7501);
    (void)TransformFilter->ReleasePinPeer(PINDIR_OUTPUT);
    return TBCBaseOutputPin::ReleasePeer();
}

HRESULT TBCTransformOutputPin::FinishConnection(IPin* receivePin) {
    RETURN_IF_FAILED(TransformFilter->FinishPinConnection(PINDIR_OUTPUT, receivePin));
    return TBCBaseOutputPin::FinishConnection(receivePin);
}

HRESULT TBCTransformOutputPin::ProposeType(int position, AM_MEDIA_TYPE& mediaType) {
    TBCTransformInputPin* input = TransformFilter->InputPin.get();
    BC_CHECK(input != nullptr, "BaseClass", 7576);
    if (input->HasPeer()) return TransformFilter->ProposeOutputType(position, mediaType);
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT TBCTransformOutputPin::ConfigureAllocator(IMemAllocator* allocator,
                                                  ALLOCATOR_PROPERTIES& request) {
    return TransformFilter->ConfigureAllocator(allocator, request);
}
