#pragma once
// The registry under HKEY_CLASSES_ROOT, kept as one file in the registry export format
// (RegistryFile) in the user's data folder: $XDG_DATA_HOME/Hymnaro/registry.reg, or
// ~/.local/share/Hymnaro/registry.reg. Every call reads the file afresh, so that changes made by
// another process (the registration tool) are seen at once; every change rewrites it whole
// through a temporary file and a rename, under a lock file that keeps writers of all processes
// apart, so the file is never seen half written and no change is lost. The changes of a
// RegistryTransaction are written together, in one such step. A temporary file that a killed
// writer left ("registry.reg.tmp-PID-N") is removed by the next writer.
// A key handle names its key; a key deleted behind an open handle answers ERROR_KEY_DELETED.
// Key names are separated by '\'; an empty name, or a value name of null or "", is the default.
// Thread contract: any thread.
#include "runtime/RegistryTypes.h"

#include <string>

// The predefined key of class registrations, the only root this registry offers.
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(ULONG_PTR(0x80000000));

// Opens subKey below key, making it and its missing parents when needed.
LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LSTATUS RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LSTATUS RegCloseKey(HKEY key);

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
// With data null only the type and the size are answered; a buffer too small for the value
// answers ERROR_MORE_DATA with the size needed in dataSize.
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key without subkeys; ERROR_ACCESS_DENIED while it has any.
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes subKey with everything below it; with subKey null, the subkeys and values of key.
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);

// A REG_SZ value with its terminating 0.
LSTATUS RegSetStringValue(HKEY key, LPCWSTR valueName, const WideString& text);
LSTATUS RegSetDwordValue(HKEY key, LPCWSTR valueName, DWORD number);
// A REG_SZ or REG_EXPAND_SZ value without its terminating 0; ERROR_UNSUPPORTED_TYPE otherwise.
LSTATUS RegQueryStringValue(HKEY key, LPCWSTR valueName, WideString& text);

// The full path of the registry file for the current environment.
std::string RegistryFilePath();

// Every change this thread makes to the registry from its making until Commit is saved in one
// step, so that a process killed meanwhile leaves the registry as it was (one registration is
// one save). Reads on this thread see the changes made so far; writers of every other thread
// and process wait for the commit or the end. One made while another runs on the thread is
// part of that one (its Commit does nothing). Without the registry (it cannot be read, its
// folder cannot be made) each call goes on its own, as without a transaction.
class RegistryTransaction {
public:
    RegistryTransaction();
    // Without Commit, the changes are dropped.
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    // Saves the changes; ERROR_CANTWRITE when the file could not be written (nothing changed).
    LSTATUS Commit();

private:
    bool owner_ = false;
};

// Removes what saves of killed writers left beside the registry file, unless a writer is at
// work (it removes them itself).
void RemoveStaleRegistryFiles();
