#include "framework/TBCBasePin.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/MediaType.h"
#include "framework/TBCEnumMediaTypes.h"
#include "runtime/Interlocked.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {
// The answers of a type check that mean "not this type" rather than a specific failure.
bool IsPlainRefusal(HRESULT hr) {
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

// A type check's answer other than S_OK as a connection result: a success code, E_FAIL and
// E_INVALIDARG say the type is not accepted.
HRESULT AsRefusal(HRESULT hr) {
    if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) return VFW_E_TYPE_NOT_ACCEPTED;
    return hr;
}
} // namespace

TBCBasePin::TBCBasePin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT&,
                       WideString pinName, PIN_DIRECTION direction)
    : TBCUnknown(std::move(objectName), nullptr), PinName(std::move(pinName)), Direction(direction),
      Lock(lock), Filter(filter) {
    BC_CHECK(filter != nullptr, "BaseClass", 4764);
    BC_CHECK(lock != nullptr, "BaseClass", 4765);
}

TBCBasePin::~TBCBasePin() {
    BC_CHECK_IN_DESTRUCTOR(ConnectedPin == nullptr, "BaseClass", 4773);
    BC_CHECK_IN_DESTRUCTOR(PinRefCount.load() == 0, "BaseClass", 4775);
    PinName.clear();
    MediaTypeClear(ConnectionType);
    QualitySink = nullptr;
}

HRESULT TBCBasePin::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), object);
    if (iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

ULONG TBCBasePin::InnerAddRef() {
    const LONG count = InterlockedIncrement(PinRefCount);
    BC_CHECK(count > 0, "BaseClass", 4941);
    return Filter->AddRef();
}

ULONG TBCBasePin::InnerRelease() {
    const LONG count = InterlockedDecrement(PinRefCount);
    BC_CHECK(count >= 0, "BaseClass", 4952);
    return Filter->Release();
}

HRESULT TBCBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    TBCAutoLock lock(*Lock);
    if (HasPeer()) return VFW_E_ALREADY_CONNECTED;
    if (!FilterStopped() && !ReconnectWhileActive) return VFW_E_NOT_STOPPED;
    const HRESULT result = NegotiateType(receivePin, mediaType);
    if (FAILED(result)) {
        BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 4686);
        return result;
    }
    return S_OK;
}

HRESULT TBCBasePin::NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    BC_CHECK(receivePin != nullptr, "BaseClass", 4480);
    if (mediaType && !MediaTypeIsPartial(*mediaType)) return TryConnection(receivePin, *mediaType);

    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        ComPtr<IEnumMediaTypes> types;
        const bool peerPass = pass == (PreferOwnTypes ? 1 : 0);
        const HRESULT got =
            peerPass ? receivePin->EnumMediaTypes(types.put()) : EnumMediaTypes(types.put());
        if (FAILED(got)) continue;
        BC_CHECK(types != nullptr, "BaseClass", 4503);
        const HRESULT tried = TryTypeList(receivePin, mediaType, types.get());
        types = nullptr;
        if (SUCCEEDED(tried)) return S_OK;
        if (!IsPlainRefusal(tried)) failure = tried;
    }
    return failure;
}

HRESULT TBCBasePin::TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* mediaType,
                                IEnumMediaTypes* types) {
    RETURN_IF_FAILED(types->Reset());
    HRESULT remembered = S_OK; // S_OK: nothing remembered
    for (;;) {
        AM_MEDIA_TYPE* fetchedType = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &fetchedType, &fetched) != S_OK)
            return remembered != S_OK ? remembered : VFW_E_NO_ACCEPTABLE_TYPES;
        // Disposed also when a checked precondition raises on the way.
        const std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)> type(fetchedType,
                                                                            MediaTypeDispose);
        BC_CHECK(fetched == 1, "BaseClass", 5183);
        BC_CHECK(type != nullptr, "BaseClass", 5184);
        HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
        if (!mediaType || MediaTypeMatches(*type, *mediaType)) {
            hr = TryConnection(receivePin, *type);
            if (FAILED(hr) && remembered == S_OK && !IsPlainRefusal(hr)) remembered = hr;
        }
        // Any success means the connection stands; searching on would connect a second time.
        if (SUCCEEDED(hr)) return S_OK;
    }
}

HRESULT TBCBasePin::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type) {
    BC_CHECK(Lock->HeldByCaller(), "BaseClass", 4530);
    HRESULT hr = VerifyPeer(receivePin);
    if (FAILED(hr)) {
        BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 4543);
        return hr;
    }
    hr = AcceptsType(type);
    if (hr == S_OK) {
        ConnectedPin = receivePin;
        hr = AdoptType(type);
        if (SUCCEEDED(hr)) {
            hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), &type);
            if (SUCCEEDED(hr)) {
                hr = FinishConnection(receivePin);
                if (SUCCEEDED(hr)) return hr;
                (void)receivePin->Disconnect();
            }
        }
    } else {
        hr = AsRefusal(hr);
    }
    BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 4598);
    ConnectedPin = nullptr;
    return hr;
}

HRESULT TBCBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    TBCAutoLock lock(*Lock);
    if (HasPeer()) return VFW_E_ALREADY_CONNECTED;
    if (!FilterStopped() && !ReconnectWhileActive) return VFW_E_NOT_STOPPED;
    HRESULT hr = VerifyPeer(connector);
    if (FAILED(hr)) {
        BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 5041);
        return hr;
    }
    hr = AcceptsType(*mediaType);
    if (hr != S_OK) {
        BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 5058);
        return AsRefusal(hr);
    }
    ConnectedPin = connector;
    hr = AdoptType(*mediaType);
    if (SUCCEEDED(hr)) {
        hr = FinishConnection(connector);
        if (SUCCEEDED(hr)) return S_OK;
    }
    ConnectedPin = nullptr;
    BC_CHECK(SUCCEEDED(ReleasePeer()), "BaseClass", 5093);
    return hr;
}

HRESULT TBCBasePin::Disconnect() {
    TBCAutoLock lock(*Lock);
    if (!FilterStopped()) return VFW_E_NOT_STOPPED;
    return DropConnection();
}

HRESULT TBCBasePin::DropConnection() {
    BC_CHECK(Lock->HeldByCaller(), "BaseClass", 4797);
    if (!HasPeer()) return S_FALSE;
    RETURN_IF_FAILED(ReleasePeer());
    ConnectedPin = nullptr;
    return S_OK;
}

HRESULT TBCBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IPin> peer = ConnectedPin;
    if (!peer) return VFW_E_NOT_CONNECTED;
    return peer.CopyTo(pin);
}

HRESULT TBCBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    TBCAutoLock lock(*Lock);
    if (HasPeer()) {
        MediaTypeCopy(*mediaType, ConnectionType);
        return S_OK;
    }
    MediaTypeReset(*mediaType);
    return VFW_E_NOT_CONNECTED;
}

HRESULT TBCBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(Filter);
    info->pFilter->AddRef(); // the caller releases the filter reference it receives
    info->dir = Direction;
    const std::size_t length = std::min<std::size_t>(PinName.size(), MAX_PIN_NAME - 1);
    std::copy_n(PinName.data(), length, info->achName);
    info->achName[length] = 0;
    return S_OK;
}

HRESULT TBCBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = Direction;
    return S_OK;
}

HRESULT TBCBasePin::QueryId(LPWSTR* id) {
    return WideStringToTaskMem(PinName, id);
}

HRESULT TBCBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    const HRESULT hr = AcceptsType(*mediaType);
    return SUCCEEDED(hr) ? hr : S_FALSE;
}

HRESULT TBCBasePin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return CreateObject<TBCEnumMediaTypes>(nullptr, IID_IEnumMediaTypes,
                                           reinterpret_cast<void**>(enumerator), this);
}

HRESULT TBCBasePin::QueryInternalConnections(IPin** pins, ULONG*) {
    if (pins) pins[0] = nullptr;
    return E_NOTIMPL;
}

HRESULT TBCBasePin::EndOfStream() {
    return S_OK;
}

HRESULT TBCBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    SegmentStart = start;
    SegmentStop = stop;
    SegmentRate = rate;
    return S_OK;
}

HRESULT TBCBasePin::Notify(IBaseFilter*, Quality) {
    return E_NOTIMPL;
}

HRESULT TBCBasePin::SetSink(IQualityControl* sink) {
    TBCAutoLock lock(*Lock);
    QualitySink = sink;
    return S_OK;
}

LONG TBCBasePin::GetTypeListVersion() {
    return TypeListVersion;
}

HRESULT TBCBasePin::Activate() {
    return S_OK;
}

HRESULT TBCBasePin::Deactivate() {
    StreamErrorFlag = false;
    return S_OK;
}

HRESULT TBCBasePin::StartRunning(REFERENCE_TIME) {
    return S_OK;
}

HRESULT TBCBasePin::AdoptType(const AM_MEDIA_TYPE& mediaType) {
    MediaTypeClear(ConnectionType);
    MediaTypeCopy(ConnectionType, mediaType);
    return S_OK;
}

HRESULT TBCBasePin::VerifyPeer(IPin* pin) {
    PIN_DIRECTION peerDirection = PINDIR_INPUT;
    (void)pin->QueryDirection(&peerDirection);
    BC_CHECK(peerDirection == PINDIR_INPUT || peerDirection == PINDIR_OUTPUT, "BaseClass", 4624);
    BC_CHECK(Direction == PINDIR_INPUT || Direction == PINDIR_OUTPUT, "BaseClass", 4625);
    return peerDirection == Direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT TBCBasePin::ReleasePeer() {
    return S_OK;
}

HRESULT TBCBasePin::FinishConnection(IPin*) {
    return S_OK;
}

HRESULT TBCBasePin::ProposeType(int, AM_MEDIA_TYPE&) {
    return E_UNEXPECTED;
}
