#pragma once
// Names one capture device of the audio input category: binds to its capture filter
// (BindToObject, IBaseFilter; for a sound server's source one that proposes the source's own
// format) and to its properties (BindToStorage, IPropertyBag). Monikers of this kind cannot
// be persisted, composed or parsed.
// Thread contract: any thread; the object does not change after creation.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/DeviceEnum.h"
#include "media/devices/DeviceTypes.h"

class DeviceMoniker final : public TBCUnknown, public IMoniker {
public:
    DeviceMoniker(IUnknown* outer, CaptureDeviceEntry entry);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // IPersist, IPersistStream
    HRESULT GetClassID(CLSID* classId) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
    // IMoniker
    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT Reduce(IBindCtx* context, DWORD howFar, IMoniker** toLeft, IMoniker** reduced) override;
    HRESULT ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) override;
    HRESULT Enum(BOOL forward, IEnumMoniker** enumerator) override;
    HRESULT IsEqual(IMoniker* other) override;
    HRESULT Hash(DWORD* hash) override;
    HRESULT IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) override;
    HRESULT GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) override;
    HRESULT Inverse(IMoniker** inverse) override;
    HRESULT CommonPrefixWith(IMoniker* other, IMoniker** prefix) override;
    HRESULT RelativePathTo(IMoniker* other, IMoniker** relativePath) override;
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) override;
    HRESULT ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR displayName, ULONG* eaten,
                             IMoniker** result) override;
    HRESULT IsSystemMoniker(DWORD* kind) override;

private:
    WideString DisplayName() const;

    const CaptureDeviceEntry entry_;
};
