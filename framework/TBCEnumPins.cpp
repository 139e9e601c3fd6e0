#include "framework/TBCEnumPins.h"

#include "framework/EAssertionFailure.h"
#include "framework/TBCBasePin.h"

#include <algorithm>

TBCPinSnapshot::TBCPinSnapshot(TBCBaseFilter* filter) {
    BC_CHECK(filter != nullptr, "BaseClass", 4287);
    Filter = filter;
    Version = filter->GetPinListVersion();
    SnapshotCount = filter->PinCount();
}

bool TBCPinSnapshot::OutOfSync() const {
    return Filter->GetPinListVersion() != Version;
}

void TBCPinSnapshot::Resync() {
    Version = Filter->GetPinListVersion();
    SnapshotCount = Filter->PinCount();
    Position = 0;
}

HRESULT TBCPinSnapshot::StartNext(ULONG count) {
    // A changed list is no error here: Next starts over on it, passing over returned pins.
    if (OutOfSync()) Resync();
    Wanted = std::min<ULONG>(count, ULONG(std::max<LONG>(SnapshotCount - Position, 0)));
    return Wanted == 0 ? S_FALSE : S_OK;
}

HRESULT TBCPinSnapshot::NextItem(IPin*& pin, ULONG handedOut) {
    if (handedOut == Wanted) return S_FALSE;
    for (;;) {
        ++Position;
        TBCBasePin* candidate = Filter->PinAt(Position - 1);
        if (!candidate) {
            BC_CHECK(handedOut == 0, "BaseClass", 4386);
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        if (std::find(ReturnedPins.begin(), ReturnedPins.end(), candidate) != ReturnedPins.end())
            continue;
        ReturnedPins.push_back(candidate);
        return ComPtr<IPin>(static_cast<IPin*>(candidate)).CopyTo(&pin);
    }
}

HRESULT TBCPinSnapshot::Skip(ULONG count) {
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    if (ULONG(SnapshotCount - Position) < count) return S_FALSE;
    Position += LONG(count);
    return S_OK;
}

void TBCPinSnapshot::Retake() {
    Resync();
    ReturnedPins.clear();
}
