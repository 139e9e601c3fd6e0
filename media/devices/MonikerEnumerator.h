#pragma once
// Enumerates a fixed list of monikers. Thread contract: one thread at a time.
#include "framework/interfaces/DeviceEnum.h"
#include "media/MediaObject.h"
#include "runtime/ComPtr.h"

#include <vector>

class MonikerEnumerator final : public MediaObject, public IEnumMoniker {
public:
    MonikerEnumerator(IUnknown* outer, std::vector<ComPtr<IMoniker>> monikers,
                      std::size_t position = 0);

    MEDIA_OBJECT_UNKNOWN

    HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMoniker** enumerator) override;

private:
    void* FindInterface(REFIID iid) override;

    std::vector<ComPtr<IMoniker>> monikers_;
    std::size_t position_;
};
