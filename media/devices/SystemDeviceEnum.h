#pragma once
// The system device enumerator (CLSID_SystemDeviceEnum). The audio input category lists the
// ALSA capture devices (the default device first, then each capture device of each card);
// an empty category answers S_FALSE with no enumerator.
// Thread contract: any thread; each call lists the devices anew.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/DeviceEnum.h"

class SystemDeviceEnum final : public TBCUnknown, public ICreateDevEnum {
public:
    explicit SystemDeviceEnum(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                  DWORD flags) override;
};
