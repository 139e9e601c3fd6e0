#include "media/graph/CaptureGraphBuilder.h"

#include "framework/MediaType.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/TaskMemory.h"

#include <utility>

CaptureGraphBuilder::CaptureGraphBuilder(IUnknown* outer)
    : TBCUnknown("Capture graph builder", outer) {}

HRESULT CaptureGraphBuilder::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<CaptureGraphBuilder>(outer, iid, object);
}

HRESULT CaptureGraphBuilder::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_ICaptureGraphBuilder2)
        return GetInterface(static_cast<ICaptureGraphBuilder2*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED; // bound to one graph for its life
    graph_ = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
    if (!graph) return E_POINTER;
    *graph = nullptr;
    if (!graph_)
        RETURN_IF_FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(graph_.put())));
    return graph_.CopyTo(graph);
}

HRESULT CaptureGraphBuilder::SetOutputFileName(const GUID*, LPCOLESTR, IBaseFilter** mux,
                                               IFileSinkFilter** sink) {
    if (mux) *mux = nullptr;
    if (sink) *sink = nullptr;
    return E_NOTIMPL;
}

bool CaptureGraphBuilder::PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category,
                                     const GUID* type, BOOL unconnected) {
    PIN_DIRECTION d = PINDIR_INPUT;
    if (FAILED(pin->QueryDirection(&d)) || d != direction) return false;
    ComPtr<IPin> peer;
    const bool connected = SUCCEEDED(pin->ConnectedTo(peer.put())) && peer;
    if (unconnected && connected) return false;
    if (category) {
        ComPtr<IKsPropertySet> properties;
        GUID pinCategory{};
        DWORD returned = 0;
        if (FAILED(pin->QueryInterface(IID_PPV_ARGS(properties.put()))) || !properties ||
            FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0,
                                   &pinCategory, sizeof pinCategory, &returned)) ||
            pinCategory != *category)
            return false;
    }
    if (!type) return true;
    if (connected) {
        AM_MEDIA_TYPE current{};
        if (FAILED(pin->ConnectionMediaType(&current))) return false;
        const bool same = current.majortype == *type;
        MediaTypeClear(current);
        return same;
    }
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.put())) || !types) return false;
    AM_MEDIA_TYPE* proposed = nullptr;
    bool found = false;
    while (!found && types->Next(1, &proposed, nullptr) == S_OK && proposed) {
        found = proposed->majortype == *type;
        MediaTypeDispose(std::exchange(proposed, nullptr));
    }
    return found;
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction,
                                     const GUID* category, const GUID* type, BOOL unconnected,
                                     int index, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!source) return E_POINTER;
    ComPtr<IPin> asPin;
    if (SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(asPin.put()))) && asPin) {
        if (index != 0 || !PinMatches(asPin.get(), direction, category, type, unconnected))
            return E_FAIL;
        return asPin.CopyTo(pin);
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(source->QueryInterface(IID_PPV_ARGS(filter.put()))) || !filter) return E_NOINTERFACE;
    ComPtr<IEnumPins> pins;
    RETURN_IF_FAILED(filter->EnumPins(pins.put()));
    ComPtr<IPin> candidate;
    while (pins->Next(1, candidate.put(), nullptr) == S_OK)
        if (PinMatches(candidate.get(), direction, category, type, unconnected) && index-- == 0)
            return candidate.CopyTo(pin);
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                           IBaseFilter* filter, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!filter) return E_POINTER;
    if (!category && SUCCEEDED(filter->QueryInterface(iid, object))) return S_OK;
    for (PIN_DIRECTION direction : {PINDIR_OUTPUT, PINDIR_INPUT})
        for (int i = 0;; ++i) {
            ComPtr<IPin> pin;
            if (FAILED(FindPin(filter, direction, category, type, FALSE, i, pin.put()))) break;
            if (SUCCEEDED(pin->QueryInterface(iid, object))) return S_OK;
        }
    return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* compressor, IBaseFilter* renderer) {
    if (!source) return E_POINTER;
    if (!graph_) return E_UNEXPECTED;
    ComPtr<IPin> out;
    if (FAILED(FindPin(source, PINDIR_OUTPUT, category, type, TRUE, 0, out.put()))) return E_FAIL;
    if (compressor) {
        ComPtr<IPin> in, next;
        RETURN_IF_FAILED(FindPin(compressor, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.put()));
        RETURN_IF_FAILED(graph_->Connect(out.get(), in.get()));
        RETURN_IF_FAILED(FindPin(compressor, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0, next.put()));
        out = next;
    }
    if (!renderer) return graph_->Render(out.get());
    ComPtr<IPin> in;
    RETURN_IF_FAILED(FindPin(renderer, PINDIR_INPUT, nullptr, nullptr, TRUE, 0, in.put()));
    return graph_->Connect(out.get(), in.get());
}

HRESULT CaptureGraphBuilder::ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*,
                                           REFERENCE_TIME*, WORD, WORD) {
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::AllocCapFile(LPCOLESTR, DWORDLONG) {
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) {
    return E_NOTIMPL;
}
