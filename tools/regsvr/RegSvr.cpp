// hymnaro-regsvr [-u] MODULE
//
// Loads a module and calls its DllRegisterServer (or, with -u, DllUnregisterServer), as the
// platform's registration utility does, and prints the result. The exit status is 0 only when
// the function answers S_OK; otherwise 1 for wrong arguments, 3 when the module cannot be
// loaded, 4 when it lacks the function and 5 when the function fails.
#include "media/MediaPlatform.h"
#include "runtime/Apartment.h"
#include "runtime/ErrorText.h"
#include "runtime/InprocServer.h"
#include "runtime/Registry.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {
constexpr int kBadArguments = 1;
constexpr int kLoadFailed = 3;
constexpr int kEntryMissing = 4;
constexpr int kCallFailed = 5;

int Usage() {
    std::fprintf(stderr, "Usage: hymnaro-regsvr [-u] MODULE\n"
                         "  Registers the classes of MODULE (a shared library), or with -u\n"
                         "  unregisters them, by calling its DllRegisterServer or\n"
                         "  DllUnregisterServer.\n");
    return kBadArguments;
}

// What a registration result means, in the words of this tool where the general text of the
// code says too little.
std::string Meaning(HRESULT hr, bool unregister) {
    if (hr == SELFREG_E_CLASS)
        return "SELFREG_E_CLASS: the class could not be registered, the registry could not be "
               "written (" +
               RegistryFilePath() + ")";
    if (hr == E_FAIL)
        return unregister ? "E_FAIL: a filter could not be removed from the filter mapper: it "
                            "was not registered, no filter mapper is available, or the "
                            "registry could not be written"
                          : "E_FAIL: a filter could not be registered with the filter mapper "
                            "(no filter mapper is available, or the registry could not be "
                            "written), or the module has no classes to register";
    char text[256] = {};
    if (AMGetErrorTextA(hr, text, sizeof text) == 0) return "no description for this code";
    return text;
}
} // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* module = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 && !unregister)
            unregister = true;
        else if (argv[i][0] != '-' && !module)
            module = argv[i];
        else
            return Usage();
    }
    if (!module) return Usage();
    RegisterMediaPlatformClasses();

    // A bare name would be searched in the library path; the module named here is meant.
    std::string path = module;
    if (path.find('/') == std::string::npos) path = "./" + path;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "hymnaro-regsvr: %s could not be loaded: %s\n", module, ::dlerror());
        return kLoadFailed;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto entry = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(handle, entryName));
    if (!entry) {
        std::fprintf(stderr, "hymnaro-regsvr: %s does not export %s.\n", module, entryName);
        return kEntryMissing;
    }
    (void)CoInitialize(nullptr);
    const HRESULT hr = entry();
    CoUninitialize();
    // The module stays loaded: its objects and factories may be referenced until exit.
    if (hr != S_OK) {
        std::fprintf(stderr, "hymnaro-regsvr: %s in %s failed.\nReturn code was: 0x%08X (%s)\n",
                     entryName, module, unsigned(hr), Meaning(hr, unregister).c_str());
        return kCallFailed;
    }
    std::printf("%s in %s succeeded.\n", entryName, module);
    return 0;
}
