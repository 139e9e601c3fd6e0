#include "framework/TBCBaseFilter.h"

#include "framework/EAssertionFailure.h"
#include "framework/TBCBasePin.h"
#include "framework/TBCEnumPins.h"
#include "framework/TBCFilterTemplate.h"
#include "runtime/Apartment.h"

#include <algorithm>

TBCBaseFilter::TBCBaseFilter(std::string objectName, IUnknown* controller, TBCCritSec* lock,
                             REFCLSID classId)
    : TBCUnknown(std::move(objectName), controller), ClassId(classId), Lock(lock) {
    BC_CHECK_MSG(lock != nullptr, "Lock = nil !", "BaseClass", 3872);
}

TBCBaseFilter::~TBCBaseFilter() {
    FilterName.clear();
    Clock = nullptr;
    Lock.reset();
}

HRESULT TBCBaseFilter::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), object);
    if (iid == IID_IBaseFilter) return GetInterface(static_cast<IBaseFilter*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT TBCBaseFilter::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = ClassId;
    return S_OK;
}

HRESULT TBCBaseFilter::Stop() {
    TBCAutoLock lock(*Lock);
    HRESULT result = S_OK;
    if (State != State_Stopped) {
        for (int i = 0; i < PinCount(); ++i) {
            TBCBasePin* pin = PinAt(i);
            if (!pin || !pin->HasPeer()) continue;
            const HRESULT hr = pin->Deactivate();
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    State = State_Stopped;
    return result;
}

HRESULT TBCBaseFilter::Pause() {
    TBCAutoLock lock(*Lock);
    if (State == State_Stopped) {
        for (int i = 0; i < PinCount(); ++i) {
            TBCBasePin* pin = PinAt(i);
            if (pin && pin->HasPeer()) RETURN_IF_FAILED(pin->Activate());
        }
    }
    State = State_Paused;
    return S_OK;
}

HRESULT TBCBaseFilter::Run(REFERENCE_TIME start) {
    TBCAutoLock lock(*Lock);
    StartTime = start;
    if (State == State_Stopped) RETURN_IF_FAILED(Pause());
    if (State != State_Running) {
        for (int i = 0; i < PinCount(); ++i) {
            TBCBasePin* pin = PinAt(i);
            if (pin && pin->HasPeer()) RETURN_IF_FAILED(pin->StartRunning(start));
        }
    }
    State = State_Running;
    return S_OK;
}

HRESULT TBCBaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = State;
    return S_OK;
}

HRESULT TBCBaseFilter::SetSyncSource(IReferenceClock* clock) {
    TBCAutoLock lock(*Lock);
    Clock = clock;
    return S_OK;
}

HRESULT TBCBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = nullptr;
    TBCAutoLock lock(*Lock);
    return Clock.CopyTo(clock);
}

HRESULT TBCBaseFilter::EnumPins(IEnumPins** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    return CreateObject<TBCEnumPins>(nullptr, IID_IEnumPins, reinterpret_cast<void**>(enumerator),
                                     this);
}

HRESULT TBCBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id) return E_POINTER;
    TBCAutoLock lock(*Lock);
    const WideString wanted(id);
    for (int i = 0; i < PinCount(); ++i) {
        TBCBasePin* candidate = PinAt(i);
        BC_CHECK(candidate != nullptr, "BaseClass", 3913);
        if (candidate->Name() == wanted)
            return ComPtr<IPin>(static_cast<IPin*>(candidate)).CopyTo(pin);
    }
    return VFW_E_NOT_FOUND;
}

HRESULT TBCBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    const std::size_t length = std::min<std::size_t>(FilterName.size(), MAX_FILTER_NAME - 1);
    std::copy_n(FilterName.data(), length, info->achName);
    info->achName[length] = 0;
    info->pGraph = Graph;
    if (Graph) Graph->AddRef(); // the caller releases the graph reference it receives
    return S_OK;
}

HRESULT TBCBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    TBCAutoLock lock(*Lock);
    Graph = graph;
    EventSink = nullptr;
    if (graph) {
        ComPtr<IMediaEventSink> sink;
        if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(sink.put())))) {
            // Held without a count: the graph outlives its membership.
            EventSink = sink.get();
        } else {
            BC_CHECK(sink == nullptr, "BaseClass", 3996);
        }
    }
    FilterName.clear();
    if (name) FilterName = name;
    return S_OK;
}

HRESULT TBCBaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

HRESULT TBCBaseFilter::Register() {
    return FactoryTemplates().SetupFilter(ClassId, true);
}

HRESULT TBCBaseFilter::Unregister() {
    return FactoryTemplates().SetupFilter(ClassId, false);
}

HRESULT TBCBaseFilter::GetStreamTime(REFERENCE_TIME& time) {
    if (!Clock) return VFW_E_NO_CLOCK;
    RETURN_IF_FAILED(Clock->GetTime(&time));
    time -= StartTime;
    return S_OK;
}

LONG TBCBaseFilter::GetPinListVersion() {
    return PinListVersion;
}

HRESULT TBCBaseFilter::SendEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    IMediaEventSink* sink = EventSink;
    if (!sink) return E_NOTIMPL;
    ComPtr<IBaseFilter> self;
    if (code == EC_COMPLETE) {
        (void)QueryInterface(IID_PPV_ARGS(self.put()));
        param2 = reinterpret_cast<LONG_PTR>(self.get());
    }
    return sink->Notify(code, param1, param2);
}
