#pragma once
// Connection helpers of the capture graph: finding a free pin of a filter and connecting one
// filter to the next through the graph. Thread contract: the graph's controlling thread.
#include "framework/interfaces/Strmif.h"

// The first pin of filter with the wanted direction that is not connected; E_FAIL when there
// is none, the failure of EnumPins when the pins cannot be listed.
HRESULT GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
// Connects outputPin to the first free input pin of filter through the graph.
HRESULT ConnectFilterToPin(IGraphBuilder* graph, IPin* outputPin, IBaseFilter* filter);
// Connects the first free output pin of source to the first free input pin of target.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target);
