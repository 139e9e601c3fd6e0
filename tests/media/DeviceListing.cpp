#include "DeviceListing.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/OleAuto.h"

#include <gtest/gtest.h>

std::vector<ComPtr<IMoniker>> AudioInputMonikers() {
    std::vector<ComPtr<IMoniker>> list;
    ComPtr<ICreateDevEnum> devices;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(devices.put())));
    if (!devices) return list;
    ComPtr<IEnumMoniker> e;
    EXPECT_TRUE(
        SUCCEEDED(devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, e.put(), 0)));
    ComPtr<IMoniker> m;
    while (e && e->Next(1, m.put(), nullptr) == S_OK)
        list.push_back(std::move(m));
    return list;
}

std::u16string DeviceProperty(IMoniker* moniker, const char16_t* name) {
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(bag.put())));
    if (!bag) return u"<no bag>";
    VARIANT v;
    VariantInit(&v);
    if (FAILED(bag->Read(name, &v, nullptr))) return u"<none>";
    std::u16string text(v.bstrVal, SysStringLen(v.bstrVal));
    (void)VariantClear(&v);
    return text;
}
