#include "media/devices/PulseLibrary.h"

#include <dlfcn.h>

namespace {
template <class Function>
bool Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}
} // namespace

const PulseLibrary* PulseLibrary::Get() {
    static const PulseLibrary* const loaded = [] {
        static PulseLibrary library;
        return library.Load() ? &library : nullptr;
    }();
    return loaded;
}

bool PulseLibrary::Load() {
    // Never unloaded: every later listing needs it again.
    void* library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
#define HYMNARO_RESOLVE(name) Resolve(library, #name, name)
    return HYMNARO_RESOLVE(pa_mainloop_new) && HYMNARO_RESOLVE(pa_mainloop_free) &&
           HYMNARO_RESOLVE(pa_mainloop_get_api) && HYMNARO_RESOLVE(pa_mainloop_prepare) &&
           HYMNARO_RESOLVE(pa_mainloop_poll) && HYMNARO_RESOLVE(pa_mainloop_dispatch) &&
           HYMNARO_RESOLVE(pa_context_new) && HYMNARO_RESOLVE(pa_context_set_state_callback) &&
           HYMNARO_RESOLVE(pa_context_connect) && HYMNARO_RESOLVE(pa_context_get_state) &&
           HYMNARO_RESOLVE(pa_context_disconnect) && HYMNARO_RESOLVE(pa_context_unref) &&
           HYMNARO_RESOLVE(pa_context_get_server_info) &&
           HYMNARO_RESOLVE(pa_context_get_source_info_list) &&
           HYMNARO_RESOLVE(pa_context_get_sink_info_list) && HYMNARO_RESOLVE(pa_operation_unref);
#undef HYMNARO_RESOLVE
}
