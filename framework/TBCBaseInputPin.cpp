#include "framework/TBCBaseInputPin.h"

#include "framework/EAssertionFailure.h"
#include "framework/MediaType.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

TBCBaseInputPin::TBCBaseInputPin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock,
                                 HRESULT& hr, WideString pinName)
    : TBCBasePin(std::move(objectName), filter, lock, hr, std::move(pinName), PINDIR_INPUT) {}

TBCBaseInputPin::~TBCBaseInputPin() {
    Allocator = nullptr;
    MediaTypeDispose(ownedSampleType_);
}

HRESULT TBCBaseInputPin::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
    return TBCBasePin::InnerQueryInterface(iid, object);
}

HRESULT TBCBaseInputPin::BeginFlush() {
    TBCAutoLock lock(*Lock);
    BC_CHECK(!Flushing, "BaseClass", 5676);
    Flushing = true;
    return S_OK;
}

HRESULT TBCBaseInputPin::EndFlush() {
    TBCAutoLock lock(*Lock);
    BC_CHECK(Flushing, "BaseClass", 5748);
    Flushing = false;
    StreamErrorFlag = false;
    return S_OK;
}

HRESULT TBCBaseInputPin::Notify(IBaseFilter*, Quality) {
    return S_OK; // the notice is dropped
}

HRESULT TBCBaseInputPin::Deactivate() {
    StreamErrorFlag = false;
    if (!Allocator) return VFW_E_NO_ALLOCATOR;
    Flushing = false;
    return Allocator->Decommit();
}

HRESULT TBCBaseInputPin::ReleasePeer() {
    if (Allocator) {
        RETURN_IF_FAILED(Allocator->Decommit());
        Allocator = nullptr;
    }
    return S_OK;
}

HRESULT TBCBaseInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    *allocator = nullptr;
    TBCAutoLock lock(*Lock);
    if (!Allocator)
        RETURN_IF_FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(Allocator.put())));
    BC_CHECK(Allocator != nullptr, "BaseClass", 5782);
    return Allocator.CopyTo(allocator);
}

HRESULT TBCBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    TBCAutoLock lock(*Lock);
    Allocator = allocator;
    ReadOnlySamples = readOnly != FALSE;
    return S_OK;
}

HRESULT TBCBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT TBCBaseInputPin::Receive(IMediaSample* sample) {
    BC_CHECK(sample != nullptr, "BaseClass", 5890);
    const HRESULT ready = ReadyToStream();
    if (ready != S_OK) return ready;

    MediaTypeDispose(ownedSampleType_);
    ownedSampleType_ = nullptr;
    ComPtr<IMediaSample2> sample2;
    if (SUCCEEDED(sample->QueryInterface(IID_PPV_ARGS(sample2.put())))) {
        RETURN_IF_FAILED(sample2->GetProperties(sizeof SampleProperties,
                                                reinterpret_cast<BYTE*>(&SampleProperties)));
    } else {
        AM_SAMPLE2_PROPERTIES& p = SampleProperties;
        p.cbData = sizeof p;
        p.dwTypeSpecificFlags = 0;
        p.dwStreamId = AM_STREAM_MEDIA;
        p.dwSampleFlags = 0;
        if (sample->IsDiscontinuity() == S_OK) p.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
        if (sample->IsPreroll() == S_OK) p.dwSampleFlags |= AM_SAMPLE_PREROLL;
        if (sample->IsSyncPoint() == S_OK) p.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
        if (SUCCEEDED(sample->GetTime(&p.tStart, &p.tStop)))
            p.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
        p.pMediaType = nullptr;
        if (sample->GetMediaType(&p.pMediaType) == S_OK) p.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
        ownedSampleType_ = p.pMediaType;
        p.pbBuffer = nullptr;
        (void)sample->GetPointer(&p.pbBuffer);
        p.lActual = sample->GetActualDataLength();
        p.cbBuffer = sample->GetSize();
    }

    if (!(SampleProperties.dwSampleFlags & AM_SAMPLE_TYPECHANGED)) return S_OK;
    // A type change without a type cannot be accepted.
    if (SampleProperties.pMediaType && AcceptsType(*SampleProperties.pMediaType) == S_OK)
        return S_OK;
    StreamErrorFlag = true;
    (void)EndOfStream();
    (void)Filter->SendEvent(EC_ERRORABORT, LONG_PTR(VFW_E_TYPE_NOT_ACCEPTED), 0);
    return VFW_E_INVALIDMEDIATYPE;
}

HRESULT TBCBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
    if (!processed) return E_POINTER;
    *processed = 0;
    for (LONG i = 0; i < count; ++i) {
        const HRESULT hr = Receive(samples[i]);
        if (hr != S_OK) return hr;
        ++*processed;
    }
    return S_OK;
}

HRESULT TBCBaseInputPin::ReceiveCanBlock() {
    const int pins = Filter->PinCount();
    int connectedOutputs = 0;
    for (int i = 0; i < pins; ++i) {
        TBCBasePin* pin = Filter->PinAt(i);
        if (!pin) continue;
        PIN_DIRECTION direction;
        RETURN_IF_FAILED(pin->QueryDirection(&direction));
        if (direction != PINDIR_OUTPUT) continue;
        ComPtr<IPin> downstream;
        if (FAILED(pin->ConnectedTo(downstream.put()))) continue;
        BC_CHECK(downstream != nullptr, "BaseClass", 5971);
        ++connectedOutputs;
        ComPtr<IMemInputPin> input;
        if (FAILED(downstream.As(input))) return S_OK;
        if (input->ReceiveCanBlock() != S_FALSE) return S_OK;
    }
    return connectedOutputs == 0 ? S_OK : S_FALSE;
}

HRESULT TBCBaseInputPin::ReadyToStream() {
    BC_CHECK(HasPeer(), "BaseClass", 5708);
    if (FilterStopped()) return VFW_E_WRONG_STATE;
    if (Flushing) return S_FALSE;
    if (StreamErrorFlag) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT TBCBaseInputPin::PassQualityNotice(const Quality& quality) {
    IBaseFilter* filter = static_cast<IBaseFilter*>(Filter);
    if (QualitySink) return QualitySink->Notify(filter, quality);
    if (ConnectedPin) {
        ComPtr<IQualityControl> upstream;
        if (SUCCEEDED(ConnectedPin.As(upstream))) return upstream->Notify(filter, quality);
    }
    return VFW_E_NOT_FOUND;
}

const AM_SAMPLE2_PROPERTIES& TBCBaseInputPin::CurrentSampleProperties() const {
    BC_CHECK(SampleProperties.cbData != 0, "BaseClass", 6020);
    return SampleProperties;
}
