// Records the first audio input device through the recorder's chain (capture filter, a
// destination filter, file writer in a filter graph) for a number of seconds into a WAV,
// FLAC or Opus file. encoders_vs_gstreamer.py runs it beside GStreamer's encoders and
// compares the CPU each spends per second of sound.
//
//   hymnaro_encoder_bench wav|flac|opus OUT SECONDS
#include "Encoders/FlacDest/THMFlacDestFilter.h"
#include "Encoders/OpusDest/THMOpusDestFilter.h"
#include "WaveDest/THMWavDestFilter.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/MediaPlatform.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/TextConvert.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {
int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "hymnaro_encoder_bench: %s failed (0x%08X)\n", what, unsigned(hr));
    return 1;
}

IBaseFilter* NewDestination(const std::string& format) {
    HRESULT hr = S_OK;
    if (format == "wav") return new THMWavDestFilter("", nullptr, hr);
    if (format == "flac") return new THMFlacDestFilter("", nullptr, hr);
    if (format == "opus") return new THMOpusDestFilter("", nullptr, hr);
    return nullptr;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || !NewDestination(argv[1])) {
        std::fprintf(stderr, "usage: %s wav|flac|opus OUT SECONDS\n", argv[0]);
        return 2;
    }
    const std::string format = argv[1], out = argv[2];
    const double seconds = std::atof(argv[3]);
    RegisterMediaPlatformClasses();

    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> list;
    ComPtr<IMoniker> device;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(devices.put()));
    if (hr == S_OK)
        hr = devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, list.put(), 0);
    if (hr == S_OK) hr = list->Next(1, device.put(), nullptr);
    if (hr != S_OK) return Fail("finding the capture device", hr);

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source, writer;
    ComPtr<IBaseFilter> destination(NewDestination(format));
    ComPtr<IFileSinkFilter2> sink;
    ComPtr<ICaptureGraphBuilder2> builder;
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(graph.put()));
    if (SUCCEEDED(hr)) hr = graph.As(control);
    if (SUCCEEDED(hr)) hr = device->BindToObject(nullptr, nullptr, IID_PPV_ARGS(source.put()));
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(sink.put()));
    if (SUCCEEDED(hr)) hr = sink.As(writer);
    if (SUCCEEDED(hr)) hr = graph->AddFilter(source.get(), u"Capture");
    if (SUCCEEDED(hr)) hr = graph->AddFilter(destination.get(), u"Destination");
    if (SUCCEEDED(hr)) hr = graph->AddFilter(writer.get(), u"File Writer");
    if (SUCCEEDED(hr)) hr = sink->SetMode(AM_FILE_OVERWRITE);
    if (SUCCEEDED(hr)) hr = sink->SetFileName(Utf8ToUtf16(out).c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(builder.put()));
    if (SUCCEEDED(hr)) hr = builder->SetFiltergraph(graph.get());
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, source.get(), nullptr,
                                   destination.get());
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(nullptr, nullptr, destination.get(), nullptr, writer.get());
    if (FAILED(hr)) return Fail("building the graph", hr);

    if (FAILED(hr = control->Run())) return Fail("Run", hr);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    if (FAILED(hr = control->Stop())) return Fail("Stop", hr);
    return 0;
}
