#include "framework/TBCEnumPins.h"

#include "framework/EAssertionFailure.h"
#include "framework/TBCBasePin.h"

#include <algorithm>
#include <new>

TBCEnumPins::TBCEnumPins(TBCBaseFilter* filter, const TBCEnumPins* source) {
    BC_CHECK(filter != nullptr, "BaseClass", 4287);
    Filter = filter;
    if (source) {
        Position = source->Position;
        SnapshotCount = source->SnapshotCount;
        Version = source->Version;
        ReturnedPins = source->ReturnedPins;
    } else {
        Version = filter->GetPinListVersion();
        SnapshotCount = filter->PinCount();
    }
}

TBCEnumPins::~TBCEnumPins() = default;

HRESULT TBCEnumPins::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
        *object = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TBCEnumPins::AddRef() {
    return ULONG(++refCount_);
}

ULONG TBCEnumPins::Release() {
    const LONG count = --refCount_;
    if (count == 0) delete this;
    return ULONG(count);
}

bool TBCEnumPins::OutOfSync() const {
    return Filter->GetPinListVersion() != Version;
}

void TBCEnumPins::Resync() {
    Version = Filter->GetPinListVersion();
    SnapshotCount = Filter->PinCount();
    Position = 0;
}

HRESULT TBCEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (pins) pins[0] = nullptr;
    if (fetched)
        *fetched = 0;
    else if (count > 1)
        return E_INVALIDARG;
    if (!pins) return E_POINTER;
    if (OutOfSync()) Resync();

    ULONG wanted = std::min<ULONG>(count, ULONG(std::max<LONG>(SnapshotCount - Position, 0)));
    if (wanted == 0) return S_FALSE;
    ULONG got = 0;
    while (wanted > 0) {
        ++Position;
        TBCBasePin* pin = Filter->PinAt(Position - 1);
        if (!pin) {
            BC_CHECK(got == 0, "BaseClass", 4386);
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        if (std::find(ReturnedPins.begin(), ReturnedPins.end(), pin) != ReturnedPins.end())
            continue;
        (void)ComPtr<IPin>(static_cast<IPin*>(pin)).CopyTo(&pins[got]);
        ReturnedPins.push_back(pin);
        ++got;
        --wanted;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT TBCEnumPins::Skip(ULONG count) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    if (ULONG(SnapshotCount - Position) < count) return S_FALSE;
    Position += LONG(count);
    return S_OK;
}

HRESULT TBCEnumPins::Reset() {
    Version = Filter->GetPinListVersion();
    SnapshotCount = Filter->PinCount();
    Position = 0;
    ReturnedPins.clear();
    return S_OK;
}

HRESULT TBCEnumPins::Clone(IEnumPins** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* created = new (std::nothrow) TBCEnumPins(Filter.get(), this);
    if (!created) return E_OUTOFMEMORY;
    return ComPtr<IEnumPins>(created).CopyTo(enumerator);
}
