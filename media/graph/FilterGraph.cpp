#include "media/graph/FilterGraph.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/graph/FilterEnumerator.h"
#include "media/graph/SystemClock.h"
#include "media/memory/MediaTypeUtil.h"
#include "runtime/TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {
constexpr std::size_t kMaxName = MAX_FILTER_NAME - 1;
// Run starts the stream a little after now, so every filter has its start time before it.
constexpr REFERENCE_TIME kRunDelay = 10 * 10'000;
constexpr double kUnitsPerSecond = 10'000'000.0;

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

FilterGraph::FilterGraph(IUnknown* outer) : MediaObject(outer) {}

FilterGraph::~FilterGraph() = default;

HRESULT FilterGraph::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<FilterGraph>(outer, iid, object);
}

void* FilterGraph::FindInterface(REFIID iid) {
    if (iid == IID_IFilterGraph || iid == IID_IGraphBuilder)
        return static_cast<IGraphBuilder*>(this);
    if (iid == IID_IMediaControl || iid == IID_IDispatch) return static_cast<IMediaControl*>(this);
    if (iid == IID_IMediaEvent || iid == IID_IMediaEventEx)
        return static_cast<IMediaEventEx*>(this);
    if (iid == IID_IMediaEventSink) return static_cast<IMediaEventSink*>(this);
    if (iid == IID_IMediaSeeking) return static_cast<IMediaSeeking*>(this);
    if (iid == IID_IMediaPosition) return static_cast<IMediaPosition*>(this);
    if (iid == IID_IVideoWindow) return static_cast<IVideoWindow*>(this);
    if (iid == IID_IBasicVideo || iid == IID_IBasicVideo2) return static_cast<IBasicVideo2*>(this);
    return nullptr;
}

void FilterGraph::FinalRelease() {
    // Stop every filter (which ends their streaming threads) and let each go cleanly.
    std::lock_guard guard(lock_);
    (void)StopLocked();
    while (!filters_.empty())
        RemoveLocked(filters_.size() - 1);
    events_.Clear();
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::Filters(LONG* version) {
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
    return CreateMediaObject<FilterEnumerator>(nullptr, IID_IEnumFilters,
                                               reinterpret_cast<void**>(enumerator), this, nullptr);
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
    FreeMediaTypeRecord(type);
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
    for (const ComPtr<IBaseFilter>& filter : Filters(nullptr)) {
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

// ---- IDispatch ------------------------------------------------------------------------------

HRESULT FilterGraph::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return E_NOTIMPL;
}
HRESULT FilterGraph::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}
HRESULT FilterGraph::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT FilterGraph::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
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

// ---- seeking --------------------------------------------------------------------------------

std::vector<ComPtr<IMediaSeeking>> FilterGraph::SeekableFilters() {
    std::vector<ComPtr<IMediaSeeking>> found;
    for (const ComPtr<IBaseFilter>& f : Filters(nullptr)) {
        ComPtr<IMediaSeeking> s;
        if (SUCCEEDED(f.As(s)) && s) found.push_back(std::move(s));
    }
    return found;
}

// The first seekable filter answers a question; without one the call fails cleanly.
#define ASK_SEEKABLE(call)                                                                         \
    for (const ComPtr<IMediaSeeking>& s : SeekableFilters())                                       \
        return s->call;                                                                            \
    return E_NOTIMPL

HRESULT FilterGraph::GetCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = 0;
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    DWORD common = ~DWORD(0);
    for (const ComPtr<IMediaSeeking>& s : all) {
        DWORD caps = 0;
        RETURN_IF_FAILED(s->GetCapabilities(&caps));
        common &= caps;
    }
    *capabilities = common;
    return S_OK;
}

HRESULT FilterGraph::CheckCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    const DWORD wanted = *capabilities;
    DWORD have = 0;
    const HRESULT hr = GetCapabilities(&have);
    *capabilities = wanted & have;
    if (FAILED(hr)) return hr;
    if (*capabilities == wanted) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT FilterGraph::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT FilterGraph::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT FilterGraph::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT FilterGraph::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT FilterGraph::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT FilterGraph::GetDuration(LONGLONG* duration) {
    if (!duration) return E_POINTER;
    *duration = 0;
    ASK_SEEKABLE(GetDuration(duration));
}

HRESULT FilterGraph::GetStopPosition(LONGLONG* stop) {
    if (!stop) return E_POINTER;
    *stop = 0;
    ASK_SEEKABLE(GetStopPosition(stop));
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* current) {
    if (!current) return E_POINTER;
    *current = 0;
    ASK_SEEKABLE(GetCurrentPosition(current));
}

HRESULT FilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                       const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    const bool targetOk = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    const bool sourceOk = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!targetOk || !sourceOk) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT FilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                  DWORD stopFlags) {
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    HRESULT result = S_OK;
    for (const ComPtr<IMediaSeeking>& s : all) {
        LONGLONG c = current ? *current : 0, e = stop ? *stop : 0;
        const HRESULT hr =
            s->SetPositions(current ? &c : nullptr, currentFlags, stop ? &e : nullptr, stopFlags);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT FilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current) *current = 0;
    if (stop) *stop = 0;
    ASK_SEEKABLE(GetPositions(current, stop));
}

HRESULT FilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    if (earliest) *earliest = 0;
    if (latest) *latest = 0;
    ASK_SEEKABLE(GetAvailable(earliest, latest));
}

HRESULT FilterGraph::SetRate(double rate) {
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    for (const ComPtr<IMediaSeeking>& s : all)
        RETURN_IF_FAILED(s->SetRate(rate));
    return S_OK;
}

HRESULT FilterGraph::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    *rate = 1.0;
    ASK_SEEKABLE(GetRate(rate));
}

HRESULT FilterGraph::GetPreroll(LONGLONG* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    ASK_SEEKABLE(GetPreroll(preroll));
}

// ---- IMediaPosition -------------------------------------------------------------------------

HRESULT FilterGraph::get_Duration(REFTIME* length) {
    if (!length) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetDuration(&units);
    *length = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT FilterGraph::put_CurrentPosition(REFTIME time) {
    LONGLONG units = LONGLONG(std::llround(time * kUnitsPerSecond));
    return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT FilterGraph::get_CurrentPosition(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetCurrentPosition(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT FilterGraph::get_StopTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetStopPosition(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT FilterGraph::put_StopTime(REFTIME time) {
    LONGLONG units = LONGLONG(std::llround(time * kUnitsPerSecond));
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}

HRESULT FilterGraph::get_PrerollTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetPreroll(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT FilterGraph::put_PrerollTime(REFTIME) {
    return E_NOTIMPL;
}

HRESULT FilterGraph::put_Rate(double rate) {
    return SetRate(rate);
}

HRESULT FilterGraph::get_Rate(double* rate) {
    return GetRate(rate);
}

HRESULT FilterGraph::CanSeekForward(LONG* canSeek) {
    if (!canSeek) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    *canSeek = (caps & AM_SEEKING_CanSeekForwards) ? OATRUE : OAFALSE;
    return hr;
}

HRESULT FilterGraph::CanSeekBackward(LONG* canSeek) {
    if (!canSeek) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    *canSeek = (caps & AM_SEEKING_CanSeekBackwards) ? OATRUE : OAFALSE;
    return hr;
}

// ---- video: only a filter that renders video can answer ---------------------------------------

template <class T>
HRESULT FilterGraph::FindFilterInterface(ComPtr<T>& target) {
    target.reset();
    for (const ComPtr<IBaseFilter>& f : Filters(nullptr))
        if (SUCCEEDED(f.As(target)) && target) return S_OK;
    return E_NOINTERFACE;
}

// The first filter with the interface answers; without one the call fails cleanly.
#define FORWARD_TO_FILTER(Interface, call)                                                         \
    ComPtr<Interface> target;                                                                      \
    RETURN_IF_FAILED(FindFilterInterface(target));                                                 \
    return target->call

HRESULT FilterGraph::put_Caption(BSTR caption) {
    FORWARD_TO_FILTER(IVideoWindow, put_Caption(caption));
}

HRESULT FilterGraph::get_Caption(BSTR* caption) {
    FORWARD_TO_FILTER(IVideoWindow, get_Caption(caption));
}

HRESULT FilterGraph::put_WindowStyle(LONG style) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowStyle(style));
}

HRESULT FilterGraph::get_WindowStyle(LONG* style) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowStyle(style));
}

HRESULT FilterGraph::put_WindowStyleEx(LONG style) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowStyleEx(style));
}

HRESULT FilterGraph::get_WindowStyleEx(LONG* style) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowStyleEx(style));
}

HRESULT FilterGraph::put_AutoShow(LONG autoShow) {
    FORWARD_TO_FILTER(IVideoWindow, put_AutoShow(autoShow));
}

HRESULT FilterGraph::get_AutoShow(LONG* autoShow) {
    FORWARD_TO_FILTER(IVideoWindow, get_AutoShow(autoShow));
}

HRESULT FilterGraph::put_WindowState(LONG state) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowState(state));
}

HRESULT FilterGraph::get_WindowState(LONG* state) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowState(state));
}

HRESULT FilterGraph::put_BackgroundPalette(LONG palette) {
    FORWARD_TO_FILTER(IVideoWindow, put_BackgroundPalette(palette));
}

HRESULT FilterGraph::get_BackgroundPalette(LONG* palette) {
    FORWARD_TO_FILTER(IVideoWindow, get_BackgroundPalette(palette));
}

HRESULT FilterGraph::put_Visible(LONG visible) {
    FORWARD_TO_FILTER(IVideoWindow, put_Visible(visible));
}

HRESULT FilterGraph::get_Visible(LONG* visible) {
    FORWARD_TO_FILTER(IVideoWindow, get_Visible(visible));
}

HRESULT FilterGraph::put_Left(LONG left) {
    FORWARD_TO_FILTER(IVideoWindow, put_Left(left));
}

HRESULT FilterGraph::get_Left(LONG* left) {
    FORWARD_TO_FILTER(IVideoWindow, get_Left(left));
}

HRESULT FilterGraph::put_Width(LONG width) {
    FORWARD_TO_FILTER(IVideoWindow, put_Width(width));
}

HRESULT FilterGraph::get_Width(LONG* width) {
    FORWARD_TO_FILTER(IVideoWindow, get_Width(width));
}

HRESULT FilterGraph::put_Top(LONG top) {
    FORWARD_TO_FILTER(IVideoWindow, put_Top(top));
}

HRESULT FilterGraph::get_Top(LONG* top) {
    FORWARD_TO_FILTER(IVideoWindow, get_Top(top));
}

HRESULT FilterGraph::put_Height(LONG height) {
    FORWARD_TO_FILTER(IVideoWindow, put_Height(height));
}

HRESULT FilterGraph::get_Height(LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, get_Height(height));
}

HRESULT FilterGraph::put_Owner(OAHWND owner) {
    FORWARD_TO_FILTER(IVideoWindow, put_Owner(owner));
}

HRESULT FilterGraph::get_Owner(OAHWND* owner) {
    FORWARD_TO_FILTER(IVideoWindow, get_Owner(owner));
}

HRESULT FilterGraph::put_MessageDrain(OAHWND drain) {
    FORWARD_TO_FILTER(IVideoWindow, put_MessageDrain(drain));
}

HRESULT FilterGraph::get_MessageDrain(OAHWND* drain) {
    FORWARD_TO_FILTER(IVideoWindow, get_MessageDrain(drain));
}

HRESULT FilterGraph::get_BorderColor(LONG* color) {
    FORWARD_TO_FILTER(IVideoWindow, get_BorderColor(color));
}

HRESULT FilterGraph::put_BorderColor(LONG color) {
    FORWARD_TO_FILTER(IVideoWindow, put_BorderColor(color));
}

HRESULT FilterGraph::get_FullScreenMode(LONG* fullScreen) {
    FORWARD_TO_FILTER(IVideoWindow, get_FullScreenMode(fullScreen));
}

HRESULT FilterGraph::put_FullScreenMode(LONG fullScreen) {
    FORWARD_TO_FILTER(IVideoWindow, put_FullScreenMode(fullScreen));
}

HRESULT FilterGraph::SetWindowForeground(LONG focus) {
    FORWARD_TO_FILTER(IVideoWindow, SetWindowForeground(focus));
}

HRESULT FilterGraph::NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                        LONG_PTR lParam) {
    FORWARD_TO_FILTER(IVideoWindow, NotifyOwnerMessage(window, message, wParam, lParam));
}

HRESULT FilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IVideoWindow, SetWindowPosition(left, top, width, height));
}

HRESULT FilterGraph::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetWindowPosition(left, top, width, height));
}

HRESULT FilterGraph::GetMinIdealImageSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetMinIdealImageSize(width, height));
}

HRESULT FilterGraph::GetMaxIdealImageSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetMaxIdealImageSize(width, height));
}

HRESULT FilterGraph::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetRestorePosition(left, top, width, height));
}

HRESULT FilterGraph::HideCursor(LONG hide) {
    FORWARD_TO_FILTER(IVideoWindow, HideCursor(hide));
}

HRESULT FilterGraph::IsCursorHidden(LONG* hidden) {
    FORWARD_TO_FILTER(IVideoWindow, IsCursorHidden(hidden));
}

HRESULT FilterGraph::get_AvgTimePerFrame(REFTIME* time) {
    FORWARD_TO_FILTER(IBasicVideo, get_AvgTimePerFrame(time));
}

HRESULT FilterGraph::get_BitRate(LONG* rate) {
    FORWARD_TO_FILTER(IBasicVideo, get_BitRate(rate));
}

HRESULT FilterGraph::get_BitErrorRate(LONG* rate) {
    FORWARD_TO_FILTER(IBasicVideo, get_BitErrorRate(rate));
}

HRESULT FilterGraph::get_VideoWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_VideoWidth(width));
}

HRESULT FilterGraph::get_VideoHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_VideoHeight(height));
}

HRESULT FilterGraph::put_SourceLeft(LONG left) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceLeft(left));
}

HRESULT FilterGraph::get_SourceLeft(LONG* left) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceLeft(left));
}

HRESULT FilterGraph::put_SourceWidth(LONG width) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceWidth(width));
}

HRESULT FilterGraph::get_SourceWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceWidth(width));
}

HRESULT FilterGraph::put_SourceTop(LONG top) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceTop(top));
}

HRESULT FilterGraph::get_SourceTop(LONG* top) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceTop(top));
}

HRESULT FilterGraph::put_SourceHeight(LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceHeight(height));
}

HRESULT FilterGraph::get_SourceHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceHeight(height));
}

HRESULT FilterGraph::put_DestinationLeft(LONG left) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationLeft(left));
}

HRESULT FilterGraph::get_DestinationLeft(LONG* left) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationLeft(left));
}

HRESULT FilterGraph::put_DestinationWidth(LONG width) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationWidth(width));
}

HRESULT FilterGraph::get_DestinationWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationWidth(width));
}

HRESULT FilterGraph::put_DestinationTop(LONG top) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationTop(top));
}

HRESULT FilterGraph::get_DestinationTop(LONG* top) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationTop(top));
}

HRESULT FilterGraph::put_DestinationHeight(LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationHeight(height));
}

HRESULT FilterGraph::get_DestinationHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationHeight(height));
}

HRESULT FilterGraph::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, SetSourcePosition(left, top, width, height));
}

HRESULT FilterGraph::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetSourcePosition(left, top, width, height));
}

HRESULT FilterGraph::SetDefaultSourcePosition() {
    FORWARD_TO_FILTER(IBasicVideo, SetDefaultSourcePosition());
}

HRESULT FilterGraph::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, SetDestinationPosition(left, top, width, height));
}

HRESULT FilterGraph::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetDestinationPosition(left, top, width, height));
}

HRESULT FilterGraph::SetDefaultDestinationPosition() {
    FORWARD_TO_FILTER(IBasicVideo, SetDefaultDestinationPosition());
}

HRESULT FilterGraph::GetVideoSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetVideoSize(width, height));
}

HRESULT FilterGraph::GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                            LONG* palette) {
    FORWARD_TO_FILTER(IBasicVideo, GetVideoPaletteEntries(startIndex, entries, retrieved, palette));
}

HRESULT FilterGraph::GetCurrentImage(LONG* bufferSize, LONG* image) {
    FORWARD_TO_FILTER(IBasicVideo, GetCurrentImage(bufferSize, image));
}

HRESULT FilterGraph::IsUsingDefaultSource() {
    FORWARD_TO_FILTER(IBasicVideo, IsUsingDefaultSource());
}

HRESULT FilterGraph::IsUsingDefaultDestination() {
    FORWARD_TO_FILTER(IBasicVideo, IsUsingDefaultDestination());
}

HRESULT FilterGraph::GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) {
    FORWARD_TO_FILTER(IBasicVideo2, GetPreferredAspectRatio(aspectX, aspectY));
}
