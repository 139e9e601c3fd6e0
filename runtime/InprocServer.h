#pragma once
// Classes served by registered in-process modules: a class whose key
// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 names a shared library is made by loading that
// library and asking its exported DllGetClassObject for the class object. A loaded module
// stays loaded until the process ends (no module here offers DllCanUnloadNow).
// Thread contract: any thread.
#include "runtime/Unknown.h"

#include <string>

// The entry points a module exports (all with C linkage).
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using LPFNREGISTERSERVER = HRESULT (*)();

// Creates an object of a class registered under InprocServer32: REGDB_E_CLASSNOTREG when the
// class is not registered, CO_E_DLLNOTFOUND when its module cannot be loaded, CO_E_ERRORINDLL
// when the module has no DllGetClassObject, otherwise what the module's class object answers.
HRESULT CreateFromInprocServer(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object);

// The full path of the loaded module (shared library or program) that holds address, with
// symbolic links resolved; empty when no module holds it.
std::string ModuleFileNameOf(const void* address);
