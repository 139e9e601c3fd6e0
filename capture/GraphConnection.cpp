#include "capture/GraphConnection.h"

#include "runtime/ComPtr.h"

HRESULT GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!filter) return E_POINTER;
    ComPtr<IEnumPins> pins;
    RETURN_IF_FAILED(filter->EnumPins(pins.put()));
    if (!pins) return E_FAIL;
    ComPtr<IPin> candidate;
    while (pins->Next(1, candidate.put(), nullptr) == S_OK) {
        PIN_DIRECTION found = PINDIR_INPUT;
        if (FAILED(candidate->QueryDirection(&found)) || found != direction) continue;
        ComPtr<IPin> peer;
        if (FAILED(candidate->ConnectedTo(peer.put()))) {
            *pin = candidate.detach();
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT ConnectFilterToPin(IGraphBuilder* graph, IPin* outputPin, IBaseFilter* filter) {
    if (!graph || !outputPin || !filter) return E_POINTER;
    ComPtr<IPin> inputPin;
    RETURN_IF_FAILED(GetUnconnectedPin(filter, PINDIR_INPUT, inputPin.put()));
    return graph->Connect(outputPin, inputPin.get());
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target) {
    if (!graph || !source || !target) return E_POINTER;
    ComPtr<IPin> outputPin;
    RETURN_IF_FAILED(GetUnconnectedPin(source, PINDIR_OUTPUT, outputPin.put()));
    return ConnectFilterToPin(graph, outputPin.get(), target);
}
