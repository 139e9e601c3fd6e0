#include "media/devices/DevicePropertyBag.h"

DevicePropertyBag::DevicePropertyBag(IUnknown* outer, std::map<WideString, WideString> values)
    : TBCUnknown("Device property bag", outer), values_(std::move(values)) {}

HRESULT DevicePropertyBag::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IPropertyBag) return GetInterface(static_cast<IPropertyBag*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT DevicePropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    if (value->vt != VT_EMPTY && value->vt != VT_BSTR) return E_INVALIDARG;
    std::lock_guard guard(lock_);
    auto it = values_.find(name);
    if (it == values_.end()) return E_INVALIDARG;
    BSTR text = SysAllocStringLen(it->second.data(), UINT(it->second.size()));
    if (!text) return E_OUTOFMEMORY;
    VariantInit(value);
    value->vt = VT_BSTR;
    value->bstrVal = text;
    return S_OK;
}

HRESULT DevicePropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    if (value->vt != VT_BSTR) return E_INVALIDARG;
    std::lock_guard guard(lock_);
    values_[name] =
        value->bstrVal ? WideString(value->bstrVal, SysStringLen(value->bstrVal)) : WideString();
    return S_OK;
}
