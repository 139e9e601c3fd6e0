#pragma once
// Creation of objects by class identifier over one process-wide table of creators.
// Platform objects register their creator when their library loads; a class not in the table
// is looked up among the in-process modules of the registry (InprocServer.h), and a class
// found in neither answers REGDB_E_CLASSNOTREG.
// Thread contract: any thread; the table has its own lock.
#include "runtime/Unknown.h"

#include <functional>

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// Makes one object of the class, aggregated by outer when given, and answers iid on it.
using ClassCreator = std::function<HRESULT(IUnknown* outer, REFIID iid, void** object)>;

// Puts a creator into the table, replacing one registered before for the same class.
void CoRegisterClassCreator(REFCLSID clsid, ClassCreator creator);
// Takes a class out of the table; false when it was not there.
bool CoRevokeClassCreator(REFCLSID clsid);

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid,
                         void** object);
