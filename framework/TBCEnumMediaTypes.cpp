#include "framework/TBCEnumMediaTypes.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/MediaType.h"
#include "runtime/TaskMemory.h"

#include <algorithm>
#include <limits>

namespace {
// The position never goes past this: no pin proposes a type that far out, and a large Skip
// must leave the enumerator at its end rather than wrap round to the start.
constexpr LONG kEndOfAnyList = std::numeric_limits<LONG>::max();
} // namespace

TBCMediaTypeSnapshot::TBCMediaTypeSnapshot(TBCBasePin* pin) {
    BC_CHECK(pin != nullptr, "BaseClass", 5247);
    Pin = pin;
    Version = pin->GetTypeListVersion();
}

HRESULT TBCMediaTypeSnapshot::Propose(LONG position, AM_MEDIA_TYPE& mediaType) {
    try {
        return Pin->ProposeType(position, mediaType);
    } catch (...) {
        // A pin may check that a position lies within its list (a caller going on past the
        // end); such a failure is an answer here, as the end of the list is.
        return HResultFromCurrentException();
    }
}

bool TBCMediaTypeSnapshot::OutOfSync() const {
    return Pin->GetTypeListVersion() != Version;
}

HRESULT TBCMediaTypeSnapshot::NextItem(AM_MEDIA_TYPE*& type, ULONG) {
    if (Position == kEndOfAnyList) return S_FALSE;
    AM_MEDIA_TYPE work;
    MediaTypeReset(work);
    ++Position;
    if (Propose(Position - 1, work) != S_OK) {
        MediaTypeClear(work); // what a refused proposal left behind
        return S_FALSE;
    }
    auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    type = record;
    if (!record) {
        MediaTypeClear(work);
        return S_FALSE;
    }
    // The new record takes over the format block and the counted reference.
    *record = work;
    return S_OK;
}

HRESULT TBCMediaTypeSnapshot::Skip(ULONG count) {
    if (count == 0) return S_OK;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    Position = LONG(std::min<LONGLONG>(LONGLONG(Position) + count, kEndOfAnyList));
    AM_MEDIA_TYPE work;
    MediaTypeReset(work);
    const HRESULT proposed = Propose(Position - 1, work);
    MediaTypeClear(work);
    return proposed == S_OK ? S_OK : S_FALSE;
}

void TBCMediaTypeSnapshot::Retake() {
    Position = 0;
    Version = Pin->GetTypeListVersion();
}
