#pragma once
// Object-model initialisation, counted per thread. Thread contract: each call acts on
// the calling thread only.
#include "runtime/Unknown.h"

// S_OK the first time on a thread, S_FALSE when the thread is already initialised.
HRESULT CoInitialize(void* reserved);
// Balances one CoInitialize of the calling thread.
void CoUninitialize();
// How many CoInitialize calls of the calling thread are not yet balanced.
int CoInitializeCount();

// Holds (lock true) or drops (false) an external reference on an object.
HRESULT CoLockObjectExternal(IUnknown* object, BOOL lock, BOOL lastUnlockReleases);
// Does nothing: modules loaded for registered classes stay loaded until the process ends
// (none offers DllCanUnloadNow, and their objects may live anywhere).
void CoFreeUnusedLibraries();
