#pragma once
// Enumerates the media types a pin proposes (its ProposeType), detecting changes of the pin's
// type list. Keeps the pin, and so its filter, alive.
// Thread contract: one thread at a time per enumerator; it takes no lock.
#include "framework/TBCBasePin.h"

#include <atomic>

class TBCEnumMediaTypes final : public IEnumMediaTypes {
public:
    // A new enumerator on pin, or one at source's position.
    TBCEnumMediaTypes(TBCBasePin* pin, const TBCEnumMediaTypes* source);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** enumerator) override;

private:
    ~TBCEnumMediaTypes();
    bool OutOfSync() const;
    // The pin's proposal; a failed check inside it becomes a failure code.
    HRESULT Propose(int position, AM_MEDIA_TYPE& mediaType);

    std::atomic<LONG> refCount_{0};
    LONG Position = 0;
    ComPtr<TBCBasePin> Pin;
    LONG Version = 0;
};
