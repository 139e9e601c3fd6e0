#pragma once
// The properties of one capture device, read as text: "FriendlyName", "CLSID" (the capture
// filter's class in registry form), "DevicePath" (the ALSA device name) and, for the monitor
// of a sound server's output, "MonitorOf" (that output's description).
// Thread contract: any thread; one internal lock.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/DeviceEnum.h"

#include <map>
#include <mutex>

class DevicePropertyBag final : public TBCUnknown, public IPropertyBag {
public:
    DevicePropertyBag(IUnknown* outer, std::map<WideString, WideString> values);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // Text values come as VT_BSTR (the caller clears the variant); E_INVALIDARG for a name
    // the bag does not hold or another wanted type.
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

private:
    std::mutex lock_;
    std::map<WideString, WideString> values_;
};
