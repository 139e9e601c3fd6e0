#include "runtime/InprocServer.h"

#include "runtime/ComPtr.h"
#include "runtime/Registry.h"
#include "runtime/TextConvert.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <mutex>

namespace {
// Modules loaded for classes, by path; never unloaded, since objects of theirs may live anywhere.
struct Modules {
    std::mutex lock;
    std::map<std::string, void*> loaded;
};

Modules& TheModules() {
    static Modules* modules = new Modules; // lives as long as the modules it loaded
    return *modules;
}

void* LoadModule(const std::string& path) {
    Modules& modules = TheModules();
    std::lock_guard guard(modules.lock);
    if (const auto it = modules.loaded.find(path); it != modules.loaded.end()) return it->second;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) modules.loaded.emplace(path, handle);
    return handle;
}

// The module registered for clsid; the result tells why there is none.
HRESULT RegisteredModule(REFCLSID clsid, std::string& path) {
    const WideString key = u"CLSID\\" + GuidToWideString(clsid) + u"\\InprocServer32";
    HKEY server = nullptr;
    const LSTATUS status = RegOpenKeyW(HKEY_CLASSES_ROOT, key.c_str(), &server);
    if (status == ERROR_FILE_NOT_FOUND) return REGDB_E_CLASSNOTREG;
    if (status != ERROR_SUCCESS) return REGDB_E_READREGDB;
    WideString module;
    const LSTATUS read = RegQueryStringValue(server, nullptr, module);
    (void)RegCloseKey(server);
    if (read == ERROR_FILE_NOT_FOUND) return REGDB_E_CLASSNOTREG;
    if (read != ERROR_SUCCESS) return REGDB_E_READREGDB;
    const auto utf8 = TryUtf16ToUtf8(module);
    if (!utf8 || utf8->empty()) return CO_E_DLLNOTFOUND;
    path = *utf8;
    return S_OK;
}
} // namespace

HRESULT CreateFromInprocServer(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    std::string path;
    RETURN_IF_FAILED(RegisteredModule(clsid, path));
    void* module = LoadModule(path);
    if (!module) return CO_E_DLLNOTFOUND;
    const auto getClassObject =
        reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(module, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(getClassObject(clsid, IID_PPV_ARGS(factory.put())));
    if (!factory) return E_UNEXPECTED;
    return factory->CreateInstance(outer, iid, object);
}

std::string ModuleFileNameOf(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!address ||
        ::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map)
        return {};
    // The program has no name of its own in the loader's list (dladdr answers the name it was
    // started by, which may be relative); its link in /proc names its file.
    const char* name = map->l_name && *map->l_name ? map->l_name : "/proc/self/exe";
    char resolved[PATH_MAX];
    if (::realpath(name, resolved)) return resolved;
    return {};
}
