#include "Encoders/EncodersModule.h"

#include "Encoders/FlacDest/THMFlacDestFilter.h"
#include "Encoders/OpusDest/THMOpusDestFilter.h"
#include "framework/TBCFilterTemplate.h"
#include "framework/interfaces/MediaGuids.h"

namespace {
// These live in this module, so that their addresses name the module that serves the filters.
TBCUnknown* CreateFlacDestFilter(TBCClassFactory* factory, IUnknown* controller) {
    return THMFlacDestFilter::CreateByFactory(factory, controller);
}
TBCUnknown* CreateOpusDestFilter(TBCClassFactory* factory, IUnknown* controller) {
    return THMOpusDestFilter::CreateByFactory(factory, controller);
}

// The list owns the factories; these only find them again.
TBCClassFactory* const flacDestFactory =
    TBCClassFactory::Create(&CreateFlacDestFilter, "Hymnaro FlacDest", CLSID_HMFlacDest,
                            CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr);
TBCClassFactory* const opusDestFactory =
    TBCClassFactory::Create(&CreateOpusDestFilter, "Hymnaro OpusDest", CLSID_HMOpusDest,
                            CLSID_LegacyAmFilterCategory, MERIT_DO_NOT_USE, 0, nullptr);
} // namespace

TBCClassFactory* FlacDestFactory() {
    return flacDestFactory;
}

TBCClassFactory* OpusDestFactory() {
    return opusDestFactory;
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
