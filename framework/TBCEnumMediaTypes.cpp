#include "framework/TBCEnumMediaTypes.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/MediaType.h"
#include "runtime/TaskMemory.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {
// The position never goes past this: no pin proposes a type that far out, and a large Skip
// must leave the enumerator at its end rather than wrap round to the start.
constexpr LONG kEndOfAnyList = std::numeric_limits<LONG>::max();
} // namespace

TBCEnumMediaTypes::TBCEnumMediaTypes(TBCBasePin* pin, const TBCEnumMediaTypes* source) {
    BC_CHECK(pin != nullptr, "BaseClass", 5247);
    Pin = pin;
    if (source) {
        Position = source->Position;
        Version = source->Version;
    } else {
        Version = pin->GetTypeListVersion();
    }
}

TBCEnumMediaTypes::~TBCEnumMediaTypes() = default;

HRESULT TBCEnumMediaTypes::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
        *object = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TBCEnumMediaTypes::AddRef() {
    return ULONG(++refCount_);
}

ULONG TBCEnumMediaTypes::Release() {
    const LONG count = --refCount_;
    if (count == 0) delete this;
    return ULONG(count);
}

HRESULT TBCEnumMediaTypes::Propose(int position, AM_MEDIA_TYPE& mediaType) {
    try {
        return Pin->ProposeType(position, mediaType);
    } catch (...) {
        // A pin may check that a position lies within its list (a caller going on past the
        // end); such a failure is an answer here, as the end of the list is.
        return HResultFromCurrentException();
    }
}

bool TBCEnumMediaTypes::OutOfSync() const {
    return Pin->GetTypeListVersion() != Version;
}

HRESULT TBCEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    if (fetched)
        *fetched = 0;
    else if (count > 1)
        return E_INVALIDARG;
    if (!types && count > 0) return E_POINTER;

    AM_MEDIA_TYPE work{};
    ULONG remaining = count;
    ULONG got = 0;
    while (remaining > 0) {
        MediaTypeReset(work);
        if (Position == kEndOfAnyList) break;
        ++Position;
        if (Propose(Position - 1, work) != S_OK) break;
        auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        types[got] = record;
        if (!record) break;
        // The new record takes over the format block and the counted reference.
        *record = work;
        work.pbFormat = nullptr;
        work.cbFormat = 0;
        work.pUnk = nullptr;
        ++got;
        --remaining;
    }
    MediaTypeClear(work); // what a refused proposal left behind
    if (fetched) *fetched = got;
    return remaining == 0 ? S_OK : S_FALSE;
}

HRESULT TBCEnumMediaTypes::Skip(ULONG count) {
    if (count == 0) return S_OK;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    Position = LONG(std::min<LONGLONG>(LONGLONG(Position) + count, kEndOfAnyList));
    AM_MEDIA_TYPE work;
    MediaTypeReset(work);
    const HRESULT proposed = Propose(Position - 1, work);
    MediaTypeClear(work);
    return proposed == S_OK ? S_OK : S_FALSE;
}

HRESULT TBCEnumMediaTypes::Reset() {
    Position = 0;
    Version = Pin->GetTypeListVersion();
    return S_OK;
}

HRESULT TBCEnumMediaTypes::Clone(IEnumMediaTypes** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* created = new (std::nothrow) TBCEnumMediaTypes(Pin.get(), this);
    if (!created) return E_OUTOFMEMORY;
    return ComPtr<IEnumMediaTypes>(created).CopyTo(enumerator);
}
