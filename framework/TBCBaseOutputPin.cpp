#include "framework/TBCBaseOutputPin.h"

#include "framework/EAssertionFailure.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

TBCBaseOutputPin::TBCBaseOutputPin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock,
                                   HRESULT& hr, WideString pinName)
    : TBCBasePin(std::move(objectName), filter, lock, hr, std::move(pinName), PINDIR_OUTPUT) {
    BC_CHECK(filter != nullptr, "BaseClass", 5467);
}

HRESULT TBCBaseOutputPin::EndOfStream() {
    return E_UNEXPECTED;
}

HRESULT TBCBaseOutputPin::BeginFlush() {
    return E_UNEXPECTED;
}

HRESULT TBCBaseOutputPin::EndFlush() {
    return E_UNEXPECTED;
}

HRESULT TBCBaseOutputPin::Activate() {
    if (!Allocator) return VFW_E_NO_ALLOCATOR;
    return Allocator->Commit();
}

HRESULT TBCBaseOutputPin::Deactivate() {
    StreamErrorFlag = false;
    if (!Allocator) return VFW_E_NO_ALLOCATOR;
    return Allocator->Decommit();
}

HRESULT TBCBaseOutputPin::VerifyPeer(IPin* pin) {
    RETURN_IF_FAILED(TBCBasePin::VerifyPeer(pin));
    PeerMemInputPin = nullptr;
    RETURN_IF_FAILED(pin->QueryInterface(IID_PPV_ARGS(PeerMemInputPin.put())));
    return S_OK;
}

HRESULT TBCBaseOutputPin::ReleasePeer() {
    if (Allocator) {
        RETURN_IF_FAILED(Allocator->Decommit());
        Allocator = nullptr;
    }
    PeerMemInputPin = nullptr;
    return S_OK;
}

HRESULT TBCBaseOutputPin::FinishConnection(IPin*) {
    Allocator = nullptr;
    return ChooseAllocator(PeerMemInputPin.get(), Allocator);
}

HRESULT TBCBaseOutputPin::ChooseAllocator(IMemInputPin* peer, ComPtr<IMemAllocator>& allocator) {
    allocator = nullptr;
    ALLOCATOR_PROPERTIES request{};
    (void)peer->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0) request.cbAlign = 1;

    HRESULT hr = peer->GetAllocator(allocator.put());
    if (SUCCEEDED(hr)) hr = ConfigureAllocator(allocator.get(), request);
    if (SUCCEEDED(hr)) hr = peer->NotifyAllocator(allocator.get(), FALSE);
    if (SUCCEEDED(hr)) return S_OK;
    allocator = nullptr;

    // The same request record: the first ConfigureAllocator may have adjusted it.
    hr = CreateOwnAllocator(allocator);
    if (SUCCEEDED(hr)) hr = ConfigureAllocator(allocator.get(), request);
    if (SUCCEEDED(hr)) hr = peer->NotifyAllocator(allocator.get(), FALSE);
    if (SUCCEEDED(hr)) return S_OK;
    allocator = nullptr;
    return hr;
}

HRESULT TBCBaseOutputPin::ConfigureAllocator(IMemAllocator*, ALLOCATOR_PROPERTIES&) {
    return S_OK;
}

HRESULT TBCBaseOutputPin::ObtainBuffer(IMediaSample** sample, REFERENCE_TIME* startTime,
                                       REFERENCE_TIME* endTime, DWORD flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    if (!Allocator) return E_NOINTERFACE;
    return Allocator->GetBuffer(sample, startTime, endTime, flags);
}

HRESULT TBCBaseOutputPin::DeliverSample(IMediaSample* sample) {
    if (!PeerMemInputPin) return VFW_E_NOT_CONNECTED;
    return PeerMemInputPin->Receive(sample);
}

HRESULT TBCBaseOutputPin::CreateOwnAllocator(ComPtr<IMemAllocator>& allocator) {
    allocator = nullptr;
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(allocator.put()));
}

HRESULT TBCBaseOutputPin::ForwardEndOfStream() {
    if (!ConnectedPin) return VFW_E_NOT_CONNECTED;
    return ConnectedPin->EndOfStream();
}

HRESULT TBCBaseOutputPin::ForwardBeginFlush() {
    if (!ConnectedPin) return VFW_E_NOT_CONNECTED;
    return ConnectedPin->BeginFlush();
}

HRESULT TBCBaseOutputPin::ForwardEndFlush() {
    if (!ConnectedPin) return VFW_E_NOT_CONNECTED;
    return ConnectedPin->EndFlush();
}

HRESULT TBCBaseOutputPin::ForwardNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                            double rate) {
    if (!ConnectedPin) return VFW_E_NOT_CONNECTED;
    return ConnectedPin->NewSegment(start, stop, rate);
}
