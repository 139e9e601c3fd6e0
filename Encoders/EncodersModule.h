#pragma once
// The module of the encoder filters: the class factories "Hymnaro FlacDest" and "Hymnaro
// OpusDest", put into the process's factory list when the module is loaded, and the functions
// the module exports for the platform (C linkage, found by name): DllRegisterServer and
// DllUnregisterServer register or unregister every factory of the list, and
// DllGetClassObject hands out the class object of a registered class, so that the class can
// be created by its class identifier.
// Thread contract: the registration functions run on the caller's thread and initialise the
// object model around their own work; DllGetClassObject may be called from any thread.
#include "framework/TBCClassFactory.h"

// The factories of the FLAC and the Opus destination filter, made when the module is loaded.
TBCClassFactory* FlacDestFactory();
TBCClassFactory* OpusDestFactory();

extern "C" {
// S_OK when every factory was registered; E_FAIL when the list is empty, no filter mapper can
// be made or the mapper refuses a filter; SELFREG_E_CLASS when the registry cannot be written.
HRESULT DllRegisterServer();
// As DllRegisterServer; E_FAIL also when a filter was not registered (its keys are gone).
HRESULT DllUnregisterServer();
// CLASS_E_CLASSNOTAVAILABLE for a class without a factory.
HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
}
