#include "media/devices/SystemDeviceEnum.h"

#include "framework/TBCEnumerator.h"
#include "framework/TBCListSnapshot.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaBackend.h"
#include "media/devices/DeviceMoniker.h"

SystemDeviceEnum::SystemDeviceEnum(IUnknown* outer)
    : TBCUnknown("System device enumerator", outer) {}

HRESULT SystemDeviceEnum::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<SystemDeviceEnum>(outer, iid, object);
}

HRESULT SystemDeviceEnum::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_ICreateDevEnum) return GetInterface(static_cast<ICreateDevEnum*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (category != CLSID_AudioInputDeviceCategory) return S_FALSE; // nothing else exists here
    std::vector<ComPtr<IMoniker>> monikers;
    for (AlsaCaptureDevice& device : AlsaBackend::Current()->CaptureDevices()) {
        ComPtr<IMoniker> moniker;
        RETURN_IF_FAILED(
            CreateObject<DeviceMoniker>(nullptr, IID_PPV_ARGS(moniker.put()), std::move(device)));
        monikers.push_back(std::move(moniker));
    }
    if (monikers.empty()) return S_FALSE;
    using MonikerEnumerator = TBCEnumerator<TBCListSnapshot<IEnumMoniker, IMoniker>>;
    return CreateObject<MonikerEnumerator>(
        nullptr, IID_IEnumMoniker, reinterpret_cast<void**>(enumerator), std::move(monikers));
}
