#include "runtime/Apartment.h"

namespace {
thread_local int initializeCount = 0;
} // namespace

HRESULT CoInitialize(void*) {
    return initializeCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initializeCount > 0) --initializeCount;
}

int CoInitializeCount() {
    return initializeCount;
}

HRESULT CoLockObjectExternal(IUnknown* object, BOOL lock, BOOL) {
    if (!object) return E_INVALIDARG;
    // The external lock is a counted reference that the object model itself holds.
    if (lock)
        object->AddRef();
    else
        object->Release();
    return S_OK;
}

void CoFreeUnusedLibraries() {}
