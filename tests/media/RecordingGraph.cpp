#include "RecordingGraph.h"

#include "MediaTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

void BuildRecordingGraph(const std::string& path, RecordingGraph& built) {
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(devices.put())));
    ComPtr<IEnumMoniker> list;
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, list.put(), 0));
    ComPtr<IMoniker> first;
    ASSERT_EQ(S_OK, list->Next(1, first.put(), nullptr));

    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(built.graph.put())));
    ASSERT_EQ(S_OK, built.graph.As(built.control));
    ASSERT_EQ(S_OK, first->BindToObject(nullptr, nullptr, IID_PPV_ARGS(built.source.put())));
    built.wavDest = static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(sink.put())));
    ASSERT_EQ(S_OK, sink.As(built.writer));
    ASSERT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, sink->SetFileName(U16(path).c_str(), nullptr));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.source.get(), u"Capture"));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.wavDest.get(), u"WAV Dest"));
    ASSERT_EQ(S_OK, built.graph->AddFilter(built.writer.get(), u"File Writer"));

    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(builder.put())));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(built.graph.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                          built.source.get(), nullptr, built.wavDest.get()));
    ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, built.wavDest.get(), nullptr,
                                          built.writer.get()));
}
