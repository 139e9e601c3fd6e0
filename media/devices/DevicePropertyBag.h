#pragma once
// The properties of one capture device, read as text: "FriendlyName", "CLSID" (the capture
// filter's class in registry form) and "DevicePath" (the ALSA device name).
// Thread contract: any thread; one internal lock.
#include "framework/interfaces/DeviceEnum.h"
#include "media/MediaObject.h"

#include <map>
#include <mutex>

class DevicePropertyBag final : public MediaObject, public IPropertyBag {
public:
    DevicePropertyBag(IUnknown* outer, std::map<WideString, WideString> values);

    MEDIA_OBJECT_UNKNOWN

    // Text values come as VT_BSTR (the caller clears the variant); E_INVALIDARG for a name
    // the bag does not hold or another wanted type.
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

private:
    void* FindInterface(REFIID iid) override;

    std::mutex lock_;
    std::map<WideString, WideString> values_;
};
