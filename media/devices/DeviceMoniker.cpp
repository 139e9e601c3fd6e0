#include "media/devices/DeviceMoniker.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "media/devices/DevicePropertyBag.h"
#include "runtime/TaskMemory.h"
#include "runtime/TextConvert.h"

#include <cstring>
#include <functional>

DeviceMoniker::DeviceMoniker(IUnknown* outer, CaptureDeviceEntry entry)
    : TBCUnknown("Device moniker", outer), entry_(std::move(entry)) {}

HRESULT DeviceMoniker::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IMoniker || iid == IID_IPersistStream || iid == IID_IPersist)
        return GetInterface(static_cast<IMoniker*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

WideString DeviceMoniker::DisplayName() const {
    return u"@device:alsa:" + Utf8ToUtf16(entry_.device.name);
}

HRESULT DeviceMoniker::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = GUID_NULL;
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::IsDirty() {
    return S_FALSE;
}
HRESULT DeviceMoniker::Load(IStream*) {
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::Save(IStream*, BOOL) {
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::GetSizeMax(ULARGE_INTEGER* size) {
    if (size) size->QuadPart = 0;
    return E_NOTIMPL;
}

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    return AlsaCaptureFilter::Create(nullptr, entry_.device.name, entry_.wanted, iid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IPropertyBag) return E_NOINTERFACE;
    std::map<WideString, WideString> values{
        {u"FriendlyName", Utf8ToUtf16(entry_.device.description)},
        {u"CLSID", GuidToWideString(CLSID_AudioRecord)},
        {u"DevicePath", Utf8ToUtf16(entry_.device.name)},
    };
    if (!entry_.monitorOf.empty()) values[u"MonitorOf"] = Utf8ToUtf16(entry_.monitorOf);
    return CreateObject<DevicePropertyBag>(nullptr, iid, object, std::move(values));
}

HRESULT DeviceMoniker::Reduce(IBindCtx*, DWORD, IMoniker** toLeft, IMoniker** reduced) {
    if (toLeft) *toLeft = nullptr;
    if (!reduced) return E_POINTER;
    *reduced = this;
    AddRef();
    return S_OK; // already as simple as it gets
}
HRESULT DeviceMoniker::ComposeWith(IMoniker*, BOOL, IMoniker** composite) {
    if (composite) *composite = nullptr;
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::Enum(BOOL, IEnumMoniker** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return S_OK; // not a composite: nothing to enumerate
}

HRESULT DeviceMoniker::IsEqual(IMoniker* other) {
    if (!other) return E_INVALIDARG;
    LPOLESTR name = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_FALSE;
    const bool same = DisplayName() == name;
    CoTaskMemFree(name);
    return same ? S_OK : S_FALSE;
}

HRESULT DeviceMoniker::Hash(DWORD* hash) {
    if (!hash) return E_POINTER;
    *hash = DWORD(std::hash<std::string>{}(entry_.device.name));
    return S_OK;
}
HRESULT DeviceMoniker::IsRunning(IBindCtx*, IMoniker*, IMoniker*) {
    return S_FALSE;
}
HRESULT DeviceMoniker::GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME* time) {
    if (time) *time = FILETIME{};
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::Inverse(IMoniker** inverse) {
    if (inverse) *inverse = nullptr;
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::CommonPrefixWith(IMoniker*, IMoniker** prefix) {
    if (prefix) *prefix = nullptr;
    return E_NOTIMPL;
}
HRESULT DeviceMoniker::RelativePathTo(IMoniker*, IMoniker** relativePath) {
    if (relativePath) *relativePath = nullptr;
    return E_NOTIMPL;
}

HRESULT DeviceMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) {
    if (!displayName) return E_POINTER;
    const WideString name = DisplayName();
    const std::size_t bytes = (name.size() + 1) * sizeof(WCHAR);
    *displayName = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
    if (!*displayName) return E_OUTOFMEMORY;
    std::memcpy(*displayName, name.c_str(), bytes);
    return S_OK;
}

HRESULT DeviceMoniker::ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* eaten,
                                        IMoniker** result) {
    if (eaten) *eaten = 0;
    if (result) *result = nullptr;
    return E_NOTIMPL;
}

HRESULT DeviceMoniker::IsSystemMoniker(DWORD* kind) {
    if (!kind) return E_POINTER;
    *kind = 0; // MKSYS_NONE
    return S_FALSE;
}
