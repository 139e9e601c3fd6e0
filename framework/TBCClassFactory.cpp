#include "framework/TBCClassFactory.h"

#include "framework/ERegistrationError.h"
#include "framework/FrameworkUtil.h"
#include "framework/TBCFilterTemplate.h"
#include "runtime/Apartment.h"
#include "runtime/InprocServer.h"
#include "runtime/Interlocked.h"
#include "runtime/Registry.h"
#include "runtime/TextConvert.h"

std::atomic<LONG> FactoryRefCount{0};

namespace {
// An open registry key, closed when it leaves scope.
class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey() {
        if (key_) (void)RegCloseKey(key_);
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

void Check(LSTATUS status) {
    if (status != ERROR_SUCCESS) throw ERegistrationError();
}
} // namespace

TBCClassFactory::TBCClassFactory(TBCFilterClass filterClass, std::string displayName,
                                 REFCLSID classId, REFCLSID category, DWORD merit, LONG pinCount,
                                 const REGFILTERPINS* pins)
    : FilterClass(filterClass), DisplayName(std::move(displayName)), ClassId(classId),
      Category(category), Merit(merit), PinCount(pinCount), Pins(pins) {}

TBCClassFactory* TBCClassFactory::Create(TBCFilterClass filterClass, std::string displayName,
                                         REFCLSID classId, REFCLSID category, DWORD merit,
                                         LONG pinCount, const REGFILTERPINS* pins,
                                         TBCFilterTemplate* list) {
    auto* factory = new TBCClassFactory(filterClass, std::move(displayName), classId, category,
                                        merit, pinCount, pins);
    (list ? *list : FactoryTemplates()).AddFactory(factory);
    return factory;
}

HRESULT TBCClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG TBCClassFactory::AddRef() {
    return ULONG(InterlockedIncrement(FactoryRefCount));
}

ULONG TBCClassFactory::Release() {
    return ULONG(InterlockedDecrement(FactoryRefCount));
}

HRESULT TBCClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TBCUnknown* created = nullptr;
    try {
        created = FilterClass(this, nullptr);
    } catch (...) {
        return HResultFromCurrentException();
    }
    return AnswerNewObject(created, iid, object);
}

HRESULT TBCClassFactory::LockServer(BOOL lock) {
    const HRESULT hr = CoLockObjectExternal(static_cast<IClassFactory*>(this), lock, TRUE);
    if (lock)
        InterlockedIncrement(ActiveObjectCount);
    else
        InterlockedDecrement(ActiveObjectCount);
    return hr;
}

void TBCClassFactory::WriteServerKeys(bool doRegister) {
    const WideString classKey = u"CLSID\\" + GuidToWideString(ClassId);
    const WideString serverKey = classKey + u"\\InprocServer32";
    if (!doRegister) {
        (void)RegDeleteKeyW(HKEY_CLASSES_ROOT, serverKey.c_str());
        (void)RegDeleteKeyW(HKEY_CLASSES_ROOT, classKey.c_str());
        return;
    }
    // The module that holds the filter class is the one that serves it; its path is written
    // whole, however long. A path the registry cannot hold fails before any key is made.
    const auto module =
        TryUtf8ToUtf16(ModuleFileNameOf(reinterpret_cast<const void*>(FilterClass)));
    if (!module || module->empty()) throw ERegistrationError();
    TRegKey key;
    Check(RegCreateKeyW(HKEY_CLASSES_ROOT, classKey.c_str(), key.put()));
    Check(RegSetStringValue(key.get(), nullptr, AnsiToUtf16(DisplayName)));
    TRegKey server;
    Check(RegCreateKeyW(HKEY_CLASSES_ROOT, serverKey.c_str(), server.put()));
    Check(RegSetStringValue(server.get(), nullptr, *module));
    Check(RegSetStringValue(server.get(), u"ThreadingModel", u"Both"));
}

bool TBCClassFactory::RegisterWithMapper2(IFilterMapper2* mapper, bool doRegister) {
    bool ok = SUCCEEDED(mapper->UnregisterFilter(&Category, nullptr, ClassId));
    if (!ok && !doRegister && DisplayName.empty()) ok = true;
    if (doRegister) {
        REGFILTER2 registration{};
        registration.dwVersion = 1;
        registration.dwMerit = Merit;
        registration.cPins = ULONG(PinCount);
        registration.rgPins = Pins;
        const WideString name = AnsiToUtf16(DisplayName);
        ok = SUCCEEDED(mapper->RegisterFilter(ClassId, name.c_str(), nullptr, &Category, nullptr,
                                              &registration));
    }
    return ok;
}

bool TBCClassFactory::RegisterWithMapper(IFilterMapper* mapper, bool doRegister) {
    bool ok = SUCCEEDED(mapper->UnregisterFilter(ClassId));
    if (!doRegister) return ok;
    const WideString name = AnsiToUtf16(DisplayName);
    ok = SUCCEEDED(mapper->RegisterFilter(ClassId, name.c_str(), Merit));
    // A null GUID pointer in the pin data stands for GUID_NULL ("any").
    const auto guid = [](const CLSID* p) { return p ? *p : GUID_NULL; };
    for (LONG i = 0; ok && Pins && i < PinCount; ++i) {
        const REGFILTERPINS& pin = Pins[i];
        ok = SUCCEEDED(mapper->RegisterPin(ClassId, pin.strName, pin.bRendered, pin.bOutput,
                                           pin.bZero, pin.bMany, guid(pin.clsConnectsToFilter),
                                           pin.strConnectsToPin));
        for (UINT t = 0; ok && t < pin.nMediaTypes; ++t)
            ok = SUCCEEDED(mapper->RegisterPinType(ClassId, pin.strName,
                                                   guid(pin.lpMediaType[t].clsMajorType),
                                                   guid(pin.lpMediaType[t].clsMinorType)));
    }
    return ok;
}
