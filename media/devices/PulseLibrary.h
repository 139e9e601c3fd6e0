#pragma once
// libpulse, loaded when the device list first asks the sound server rather than when the
// program starts: with the libraries it pulls in (libsndfile and its codecs among them) it
// would add several milliseconds to every start, and most starts never list the inputs.
// Loaded once per process and kept; the functions are libpulse's own, under their names.
// Thread contract: any thread (the first Get loads under a static's guard).
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

class PulseLibrary {
public:
    // The loaded library, or null when libpulse (or one of its functions) is not there.
    static const PulseLibrary* Get();

    decltype(&::pa_mainloop_new) pa_mainloop_new = nullptr;
    decltype(&::pa_mainloop_free) pa_mainloop_free = nullptr;
    decltype(&::pa_mainloop_get_api) pa_mainloop_get_api = nullptr;
    decltype(&::pa_mainloop_prepare) pa_mainloop_prepare = nullptr;
    decltype(&::pa_mainloop_poll) pa_mainloop_poll = nullptr;
    decltype(&::pa_mainloop_dispatch) pa_mainloop_dispatch = nullptr;
    decltype(&::pa_context_new) pa_context_new = nullptr;
    decltype(&::pa_context_set_state_callback) pa_context_set_state_callback = nullptr;
    decltype(&::pa_context_connect) pa_context_connect = nullptr;
    decltype(&::pa_context_get_state) pa_context_get_state = nullptr;
    decltype(&::pa_context_disconnect) pa_context_disconnect = nullptr;
    decltype(&::pa_context_unref) pa_context_unref = nullptr;
    decltype(&::pa_context_get_server_info) pa_context_get_server_info = nullptr;
    decltype(&::pa_context_get_source_info_list) pa_context_get_source_info_list = nullptr;
    decltype(&::pa_context_get_sink_info_list) pa_context_get_sink_info_list = nullptr;
    decltype(&::pa_operation_unref) pa_operation_unref = nullptr;

private:
    bool Load();
};
