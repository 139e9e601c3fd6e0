#pragma once
// Enumerates the media types a pin proposes (its ProposeType), detecting changes of the pin's
// type list: once its version changes, Next, Skip and Clone answer VFW_E_ENUM_OUT_OF_SYNC until
// Reset. The snapshot is the version alone; the types are proposed as they are handed out.
// Keeps the pin, and so its filter, alive.
// Thread contract: as TBCEnumerator.
#include "framework/TBCBasePin.h"
#include "framework/TBCEnumerator.h"

class TBCMediaTypeSnapshot {
public:
    using Interface = IEnumMediaTypes;
    using Item = AM_MEDIA_TYPE*;
    static constexpr const char* ObjectName = "Media type enumerator";

    explicit TBCMediaTypeSnapshot(TBCBasePin* pin);

    bool OutOfSync() const;
    HRESULT BeforeNext() const { return OutOfSync() ? VFW_E_ENUM_OUT_OF_SYNC : S_OK; }
    HRESULT StartNext(ULONG) const { return S_OK; }
    // A new task-memory record that the caller disposes with MediaTypeDispose.
    HRESULT NextItem(AM_MEDIA_TYPE*& type, ULONG handedOut);
    // Answers whether the pin proposes a type at the last position skipped; the position stays
    // advanced either way.
    HRESULT Skip(ULONG count);
    void Retake();

private:
    // The pin's proposal; a failed check inside it becomes a failure code.
    HRESULT Propose(LONG position, AM_MEDIA_TYPE& mediaType);

    LONG Position = 0;
    ComPtr<TBCBasePin> Pin;
    LONG Version = 0;
};

using TBCEnumMediaTypes = TBCEnumerator<TBCMediaTypeSnapshot>;
