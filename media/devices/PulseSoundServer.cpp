#include "media/devices/PulseSoundServer.h"

#include "media/devices/PulseLibrary.h"

#include <map>
#include <memory>

namespace {
// One introspection: three queries, answered through callbacks on the call's main loop.
struct Query {
    explicit Query(const PulseLibrary& library) : pulse(library) {}
    const PulseLibrary& pulse;
    int pending = 0;     // queries not yet complete
    bool failed = false; // the connection or a query failed
    bool asked = false;  // the queries are out
    SoundServerAnswer answer;
    std::vector<std::uint32_t> monitorOfSink; // per source: its sink's index
    std::map<std::uint32_t, std::string> sinks;
};

// A callback runs inside libpulse: nothing may be thrown through it.
template <class Action>
void Guarded(Query& query, Action&& action) noexcept {
    try {
        action();
    } catch (...) {
        query.failed = true;
    }
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto& query = *static_cast<Query*>(data);
    Guarded(query, [&] {
        if (info && info->default_source_name)
            query.answer.defaultSource = info->default_source_name;
    });
    --query.pending;
}

void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto& query = *static_cast<Query*>(data);
    if (eol < 0) query.failed = true;
    if (eol != 0) {
        --query.pending;
        return;
    }
    Guarded(query, [&] {
        SoundServerSource source;
        source.name = info->name ? info->name : "";
        source.description = info->description ? info->description : source.name;
        source.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
        source.rate = info->sample_spec.rate;
        source.channels = info->sample_spec.channels;
        query.answer.sources.push_back(std::move(source));
        query.monitorOfSink.push_back(info->monitor_of_sink);
    });
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto& query = *static_cast<Query*>(data);
    if (eol < 0) query.failed = true;
    if (eol != 0) {
        --query.pending;
        return;
    }
    Guarded(query, [&] {
        if (info->description) query.sinks[info->index] = info->description;
    });
}

void Ask(pa_context* context, Query& query) {
    const PulseLibrary& pa = query.pulse;
    query.asked = true;
    pa_operation* operations[] = {
        pa.pa_context_get_server_info(context, OnServerInfo, &query),
        pa.pa_context_get_source_info_list(context, OnSourceInfo, &query),
        pa.pa_context_get_sink_info_list(context, OnSinkInfo, &query),
    };
    for (pa_operation* operation : operations) {
        if (!operation) {
            query.failed = true;
            continue;
        }
        ++query.pending;
        pa.pa_operation_unref(operation); // the callback still comes
    }
}

void OnState(pa_context* context, void* data) {
    auto& query = *static_cast<Query*>(data);
    switch (query.pulse.pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        if (!query.asked) Ask(context, query);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        query.failed = true;
        break;
    default:
        break;
    }
}

struct LoopFree {
    const PulseLibrary* pa;
    void operator()(pa_mainloop* loop) const { pa->pa_mainloop_free(loop); }
};
struct ContextEnd {
    const PulseLibrary* pa;
    void operator()(pa_context* context) const {
        pa->pa_context_set_state_callback(context, nullptr, nullptr);
        pa->pa_context_disconnect(context);
        pa->pa_context_unref(context);
    }
};
} // namespace

SoundServerAnswer PulseSoundServer::Sources(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    const PulseLibrary* const pa = PulseLibrary::Get();
    if (!pa) return {}; // without libpulse no server can be asked
    Query query(*pa);
    std::unique_ptr<pa_mainloop, LoopFree> loop(pa->pa_mainloop_new(), LoopFree{pa});
    if (!loop) return {};
    std::unique_ptr<pa_context, ContextEnd> context(
        pa->pa_context_new(pa->pa_mainloop_get_api(loop.get()), "Hymnaro Audio Recorder"),
        ContextEnd{pa});
    if (!context) return {};
    pa->pa_context_set_state_callback(context.get(), OnState, &query);
    if (pa->pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return {};

    while (!query.failed && !(query.asked && query.pending == 0)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) return {}; // nobody answered in time
        if (pa->pa_mainloop_prepare(loop.get(), int(left.count())) < 0 ||
            pa->pa_mainloop_poll(loop.get()) < 0 || pa->pa_mainloop_dispatch(loop.get()) < 0)
            return {};
    }
    if (query.failed) return {};

    SoundServerAnswer answer = std::move(query.answer);
    for (std::size_t i = 0; i < answer.sources.size(); ++i) {
        SoundServerSource& source = answer.sources[i];
        if (!source.monitor) continue;
        // An output gone between the two answers leaves the monitor its own description.
        const auto sink = query.sinks.find(query.monitorOfSink[i]);
        if (sink != query.sinks.end()) source.monitorOf = sink->second;
    }
    answer.answered = true;
    return answer;
}
