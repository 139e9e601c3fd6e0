#include "WaveDest/WavDestModule.h"

#include "WaveDest/THMWavDestFilter.h"
#include "framework/TBCFilterTemplate.h"
#include "framework/interfaces/MediaGuids.h"

namespace {
// Lives in this module, so that its address names the module that serves the filter.
TBCUnknown* CreateWavDestFilter(TBCClassFactory* factory, IUnknown* controller) {
    return THMWavDestFilter::CreateByFactory(factory, controller);
}

// The list owns the factory; this only finds it again.
TBCClassFactory* const wavDestFactory =
    TBCClassFactory::Create(&CreateWavDestFilter, "Hymnaro WaveDest", CLSID_HMWavDest,
                            CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr);
} // namespace

TBCClassFactory* WavDestFactory() {
    return wavDestFactory;
}

HRESULT DllRegisterServer() {
    return FactoryTemplates().RegisterServers(true);
}

HRESULT DllUnregisterServer() {
    return FactoryTemplates().RegisterServers(false);
}

HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    TBCClassFactory* factory = FactoryTemplates().FindFactory(clsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(iid, object);
}
