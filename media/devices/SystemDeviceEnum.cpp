#include "media/devices/SystemDeviceEnum.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaBackend.h"
#include "media/devices/DeviceMoniker.h"
#include "media/devices/MonikerEnumerator.h"

SystemDeviceEnum::SystemDeviceEnum(IUnknown* outer) : MediaObject(outer) {}

HRESULT SystemDeviceEnum::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<SystemDeviceEnum>(outer, iid, object);
}

void* SystemDeviceEnum::FindInterface(REFIID iid) {
    return iid == IID_ICreateDevEnum ? static_cast<ICreateDevEnum*>(this) : nullptr;
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (category != CLSID_AudioInputDeviceCategory) return S_FALSE; // nothing else exists here
    std::vector<ComPtr<IMoniker>> monikers;
    for (AlsaCaptureDevice& device : AlsaBackend::Current()->CaptureDevices()) {
        ComPtr<IMoniker> moniker;
        RETURN_IF_FAILED(CreateMediaObject<DeviceMoniker>(nullptr, IID_PPV_ARGS(moniker.put()),
                                                          std::move(device)));
        monikers.push_back(std::move(moniker));
    }
    if (monikers.empty()) return S_FALSE;
    return CreateMediaObject<MonikerEnumerator>(nullptr, IID_IEnumMoniker,
                                                reinterpret_cast<void**>(enumerator),
                                                std::move(monikers), std::size_t(0));
}
