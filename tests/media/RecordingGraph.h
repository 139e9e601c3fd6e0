#pragma once
// The recorder's graph for the media tests: the first audio input device → WAV destination
// filter → file writer, built as the recorder builds it, through the capture graph builder.
#include "framework/interfaces/Control.h"
#include "runtime/ComPtr.h"

#include <string>

struct RecordingGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source, wavDest, writer;
};

// Fails the test at the first step that does not answer S_OK; run it inside
// ASSERT_NO_FATAL_FAILURE. The file is written in overwrite mode.
void BuildRecordingGraph(const std::string& path, RecordingGraph& built);
