#include "media/graph/FilterGraph.h"

#include "framework/MediaType.h"
#include "framework/TBCEnumerator.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/graph/GraphSeeking.h"
#include "media/graph/GraphVideo.h"
#include "media/graph/SystemClock.h"
#include "runtime/TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {
constexpr std::size_t kMaxName = MAX_FILTER_NAME - 1;
// Run starts the stream a little after now, so every filter has its start time before it.
constexpr REFERENCE_TIME kRunDelay = 10 * 10'000;

// The filter that owns a pin (counted), or null.
ComPtr<IBaseFilter> OwnerOf(IPin* pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
    return ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> e;
    if (FAILED(filter->EnumPins(e.put())) || !e) return pins;
    ComPtr<IPin> pin;
    while (e->Next(1, pin.put(), nullptr) == S_OK)
        pins.push_back(std::move(pin));
    return pins;
}

} // namespace

FilterGraph::FilterGraph(IUnknown* outer) : TBCUnknown("Filter graph", outer) {
    // The graph is never aggregated, so its own unknown is the identity its inner objects
    // answer with.
    (void)CreateObject<GraphSeeking>(InnerUnknown(), IID_IUnknown, seeking_.put_void(), this);
    (void)CreateObject<GraphVideo>(InnerUnknown(), IID_IUnknown, video_.put_void(), this);
}

FilterGraph::~FilterGraph() {
    // Stop every filter (which ends their streaming threads) and let each go cleanly.
    std::lock_guard guard(lock_);
    (void)StopLocked();
    while (!filters_.empty())
        RemoveLocked(filters_.size() - 1);
    events_.Clear();
}

HRESULT FilterGraph::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<FilterGraph>(outer, iid, object);
}

HRESULT FilterGraph::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IFilterGraph || iid == IID_IGraphBuilder)
        return GetInterface(static_cast<IGraphBuilder*>(this), object);
    if (iid == IID_IMediaControl || iid == IID_IDispatch)
        return GetInterface(static_cast<IMediaControl*>(this), object);
    if (iid == IID_IMediaEvent || iid == IID_IMediaEventEx)
        return GetInterface(static_cast<IMediaEventEx*>(this), object);
    if (iid == IID_IMediaEventSink)
        return GetInterface(static_cast<IMediaEventSink*>(this), object);
    const bool seeking = iid == IID_IMediaSeeking || iid == IID_IMediaPosition;
    const bool video = iid == IID_IVideoWindow || iid == IID_IBasicVideo || iid == IID_IBasicVideo2;
    if (seeking || video) {
        *object = nullptr;
        const ComPtr<IUnknown>& inner = seeking ? seeking_ : video_;
        return inner ? inner->QueryInterface(iid, object) : E_OUTOFMEMORY;
    }
    return TBCUnknown::InnerQueryInterface(iid, object);
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::Items(LONG* version) {
    std::lock_guard guard(lock_);
    if (version) *version = version_;
    std::vector<ComPtr<IBaseFilter>> list;
    for (const Entry& e : filters_)
        list.push_back(e.filter);
    return list;
}

LONG FilterGraph::Version() {
    std::lock_guard guard(lock_);
    return version_;
}

bool FilterGraph::ContainsLocked(IBaseFilter* filter) const {
    return std::any_of(filters_.begin(), filters_.end(),
                       [&](const Entry& e) { return e.filter.get() == filter; });
}

bool FilterGraph::PinInGraphLocked(IPin* pin) {
    ComPtr<IBaseFilter> owner = OwnerOf(pin);
    return owner && ContainsLocked(owner.get());
}

WideString FilterGraph::UniqueNameLocked(const WideString& wanted, bool* renamed) const {
    auto taken = [&](const WideString& name) {
        return std::any_of(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return e.name == name; });
    };
    WideString base = wanted.empty() ? WideString(u"Filter") : wanted.substr(0, kMaxName);
    *renamed = false;
    if (!wanted.empty() && !taken(base)) return base;
    base.resize(std::min(base.size(), kMaxName - 5));
    for (int n = 1;; ++n) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, " %04d", n % 10000);
        WideString candidate = base;
        for (const char* c = suffix; *c; ++c)
            candidate.push_back(char16_t(*c));
        if (!taken(candidate)) {
            *renamed = !wanted.empty();
            return candidate;
        }
    }
}

// ---- IFilterGraph ---------------------------------------------------------------------------

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (!filter) return E_POINTER;
    std::lock_guard guard(lock_);
    if (ContainsLocked(filter)) return E_INVALIDARG;
    bool renamed = false;
    const WideString unique = UniqueNameLocked(name ? WideString(name) : WideString(), &renamed);
    filters_.push_back({filter, unique});
    ++version_;
    const HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr)) {
        filters_.pop_back();
        ++version_;
        return hr;
    }
    if (clock_) (void)filter->SetSyncSource(clock_.get());
    return renamed ? VFW_S_DUPLICATE_NAME : S_OK;
}

void FilterGraph::RemoveLocked(std::size_t index) {
    ComPtr<IBaseFilter> filter = filters_[index].filter;
    FILTER_STATE state = State_Stopped;
    if (FAILED(filter->GetState(0, &state)) || state != State_Stopped) (void)filter->Stop();
    // Break both ends of every connection, so no pin keeps the removed filter alive.
    for (const ComPtr<IPin>& pin : PinsOf(filter.get())) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.put())) && peer) {
            (void)pin->Disconnect();
            (void)peer->Disconnect();
        }
    }
    filters_.erase(filters_.begin() + std::ptrdiff_t(index));
    ++version_;
    (void)filter->SetSyncSource(nullptr);
    (void)filter->JoinFilterGraph(nullptr, nullptr);
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (!filter) return E_POINTER;
    std::lock_guard guard(lock_);
    for (std::size_t i = 0; i < filters_.size(); ++i)
        if (filters_[i].filter.get() == filter) {
            RemoveLocked(i);
            return S_OK;
        }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** enumerator) {
    if (!enumerator) return E_POINTER;
    using FilterEnumerator = TBCEnumerator<TBCListSnapshot<IEnumFilters, IBaseFilter>>;
    return CreateObject<FilterEnumerator>(nullptr, IID_IEnumFilters,
                                          reinterpret_cast<void**>(enumerator), this,
                                          ComPtr<IUnknown>(InnerUnknown()));
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (!name) return E_POINTER;
    std::lock_guard guard(lock_);
    for (const Entry& e : filters_)
        if (e.name == name) return e.filter.CopyTo(filter);
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) {
    if (!output || !input) return E_POINTER;
    std::lock_guard guard(lock_);
    if (!PinInGraphLocked(output) || !PinInGraphLocked(input)) return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION outDir = PINDIR_INPUT, inDir = PINDIR_OUTPUT;
    RETURN_IF_FAILED(output->QueryDirection(&outDir));
    RETURN_IF_FAILED(input->QueryDirection(&inDir));
    if (outDir != PINDIR_OUTPUT || inDir != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    return output->Connect(input, mediaType);
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    std::lock_guard guard(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(peer.put())) || !peer) return VFW_E_NOT_CONNECTED;
    PIN_DIRECTION dir = PINDIR_INPUT;
    RETURN_IF_FAILED(pin->QueryDirection(&dir));
    ComPtr<IPin> output = dir == PINDIR_OUTPUT ? ComPtr<IPin>(pin) : peer;
    ComPtr<IPin> input = dir == PINDIR_OUTPUT ? peer : ComPtr<IPin>(pin);
    AM_MEDIA_TYPE type{};
    RETURN_IF_FAILED(output->ConnectionMediaType(&type));
    HRESULT hr = output->Disconnect();
    if (SUCCEEDED(hr)) hr = input->Disconnect();
    if (SUCCEEDED(hr)) hr = output->Connect(input.get(), &type);
    MediaTypeClear(type);
    return hr;
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    std::lock_guard guard(lock_);
    return pin->Disconnect();
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    std::lock_guard guard(lock_);
    GiveClockLocked();
    return S_OK;
}

void FilterGraph::GiveClockLocked() {
    if (!clock_) {
        if (FAILED(SystemClock::Create(nullptr, IID_PPV_ARGS(clock_.put())))) return;
    }
    for (const Entry& e : filters_)
        (void)e.filter->SetSyncSource(clock_.get());
}

// ---- IGraphBuilder --------------------------------------------------------------------------

HRESULT FilterGraph::Connect(IPin* output, IPin* input) {
    // No intermediate filters exist here: a connection is always direct.
    return ConnectDirect(output, input, nullptr);
}

HRESULT FilterGraph::Render(IPin* output) {
    if (!output) return E_POINTER;
    std::lock_guard guard(lock_);
    ComPtr<IPin> peer;
    if (SUCCEEDED(output->ConnectedTo(peer.put())) && peer) return VFW_E_ALREADY_CONNECTED;
    PIN_DIRECTION dir = PINDIR_INPUT;
    RETURN_IF_FAILED(output->QueryDirection(&dir));
    if (dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    ComPtr<IBaseFilter> own = OwnerOf(output);
    // Only the filters already in the graph can take a stream; try each free input pin.
    for (const ComPtr<IBaseFilter>& filter : Items(nullptr)) {
        if (filter == own) continue;
        for (const ComPtr<IPin>& pin : PinsOf(filter.get())) {
            PIN_DIRECTION d = PINDIR_OUTPUT;
            ComPtr<IPin> taken;
            if (FAILED(pin->QueryDirection(&d)) || d != PINDIR_INPUT) continue;
            if (SUCCEEDED(pin->ConnectedTo(taken.put())) && taken) continue;
            if (SUCCEEDED(output->Connect(pin.get(), nullptr))) return S_OK;
        }
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderFile(LPCWSTR file, LPCWSTR) {
    if (!file) return E_POINTER;
    struct stat info {};
    if (stat(Utf16ToUtf8(file).c_str(), &info) != 0) return HResultFromErrno(errno);
    return VFW_E_CANNOT_RENDER; // there is no file source filter on this platform
}

HRESULT FilterGraph::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter** filter) {
    if (filter) *filter = nullptr;
    return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
}

HRESULT FilterGraph::SetLogFile(DWORD_PTR) {
    return S_OK;
}

HRESULT FilterGraph::Abort() {
    return S_OK;
}

HRESULT FilterGraph::ShouldOperationContinue() {
    return S_OK;
}

// ---- IMediaControl --------------------------------------------------------------------------

std::vector<IBaseFilter*> FilterGraph::SourcesFirstLocked() {
    const std::size_t n = filters_.size();
    std::vector<std::vector<std::size_t>> below(n);
    std::vector<int> above(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (const ComPtr<IPin>& pin : PinsOf(filters_[i].filter.get())) {
            PIN_DIRECTION dir = PINDIR_INPUT;
            ComPtr<IPin> peer;
            if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
            if (FAILED(pin->ConnectedTo(peer.put())) || !peer) continue;
            ComPtr<IBaseFilter> downstream = OwnerOf(peer.get());
            for (std::size_t j = 0; j < n; ++j)
                if (j != i && filters_[j].filter == downstream) {
                    below[i].push_back(j);
                    ++above[j];
                }
        }
    }
    std::vector<IBaseFilter*> order;
    std::vector<bool> placed(n, false);
    for (bool progress = true; progress;) {
        progress = false;
        for (std::size_t i = 0; i < n; ++i)
            if (!placed[i] && above[i] == 0) {
                placed[i] = true;
                progress = true;
                order.push_back(filters_[i].filter.get());
                for (std::size_t j : below[i])
                    --above[j];
            }
    }
    for (std::size_t i = 0; i < n; ++i) // a cycle cannot be ordered; keep the rest as added
        if (!placed[i]) order.push_back(filters_[i].filter.get());
    return order;
}

HRESULT FilterGraph::StopLocked() {
    HRESULT result = S_OK;
    for (IBaseFilter* f : SourcesFirstLocked()) {
        const HRESULT hr = f->Stop();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    state_ = State_Stopped;
    return result;
}

HRESULT FilterGraph::PauseLocked() {
    if (state_ == State_Paused) return S_OK;
    if (state_ == State_Stopped) GiveClockLocked();
    std::vector<IBaseFilter*> order = SourcesFirstLocked();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const HRESULT hr = (*it)->Pause();
        if (FAILED(hr)) {
            // A half-paused graph is no state at all: bring every filter back to Stopped.
            (void)StopLocked();
            return hr;
        }
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT FilterGraph::Run() {
    std::lock_guard guard(lock_);
    if (state_ == State_Running) return S_OK;
    RETURN_IF_FAILED(PauseLocked());
    REFERENCE_TIME now = 0;
    if (!clock_ || FAILED(clock_->GetTime(&now))) now = SystemClock::Now();
    const REFERENCE_TIME start = now + kRunDelay;
    std::vector<IBaseFilter*> order = SourcesFirstLocked();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const HRESULT hr = (*it)->Run(start);
        if (FAILED(hr)) {
            (void)StopLocked();
            return hr;
        }
    }
    state_ = State_Running;
    return S_OK;
}

HRESULT FilterGraph::Pause() {
    std::lock_guard guard(lock_);
    return PauseLocked();
}

HRESULT FilterGraph::Stop() {
    std::lock_guard guard(lock_);
    return StopLocked();
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
    if (!state) return E_POINTER;
    std::lock_guard guard(lock_);
    HRESULT result = S_OK;
    for (const Entry& e : filters_) {
        FILTER_STATE fs = State_Stopped;
        const HRESULT hr = e.filter->GetState(DWORD(msTimeout < 0 ? 0 : msTimeout), &fs);
        if (FAILED(hr)) return hr;
        if (hr == VFW_S_STATE_INTERMEDIATE || (hr == VFW_S_CANT_CUE && result == S_OK)) result = hr;
    }
    *state = state_;
    return result;
}

HRESULT FilterGraph::RenderFile(BSTR fileName) {
    return RenderFile(static_cast<LPCWSTR>(fileName), nullptr);
}

HRESULT FilterGraph::AddSourceFilter(BSTR, IDispatch** filterInfo) {
    if (filterInfo) *filterInfo = nullptr;
    return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
}

HRESULT FilterGraph::get_FilterCollection(IDispatch** collection) {
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT FilterGraph::get_RegFilterCollection(IDispatch** collection) {
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}

HRESULT FilterGraph::StopWhenReady() {
    std::lock_guard guard(lock_);
    // A stopped graph stays stopped: pausing it would only cue data for a video frame, and
    // here it would make the file writer start its file anew, wiping a finished recording.
    if (state_ == State_Stopped) return S_OK;
    RETURN_IF_FAILED(PauseLocked());
    return StopLocked();
}

// ---- events ---------------------------------------------------------------------------------

HRESULT FilterGraph::GetEventHandle(OAEVENT* event) {
    if (!event) return E_POINTER;
    *event = events_.Handle();
    return events_.Handle() >= 0 ? S_OK : E_FAIL;
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
    return events_.Get(eventCode, param1, param2, msTimeout);
}

HRESULT FilterGraph::WaitForCompletion(LONG msTimeout, LONG* eventCode) {
    return events_.WaitForCompletion(msTimeout, eventCode);
}

HRESULT FilterGraph::CancelDefaultHandling(LONG) {
    return S_OK; // every event already goes to the application unchanged
}

HRESULT FilterGraph::RestoreDefaultHandling(LONG) {
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    GraphEventQueue::FreeParams(eventCode, param1, param2);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
    events_.SetNotifyWindow(HWND(window), UINT(message), instanceData);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyFlags(LONG noNotifyFlags) {
    return events_.SetNotifyFlags(noNotifyFlags);
}

HRESULT FilterGraph::GetNotifyFlags(LONG* noNotifyFlags) {
    if (!noNotifyFlags) return E_POINTER;
    *noNotifyFlags = events_.NotifyFlags();
    return S_OK;
}

HRESULT FilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    events_.Post(eventCode, param1, param2);
    return S_OK;
}
