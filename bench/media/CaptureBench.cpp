// Records from an ALSA capture device through the recorder's whole chain (capture filter,
// WAV destination filter, file writer in a filter graph) into a WAV file, either until the
// file holds a number of data bytes (an unpaced device) or for a number of seconds (a paced
// one). Prints what it recorded; capture_vs_arecord.py compares it with arecord.
//
//   hymnaro_capture_bench OUT.wav --bytes N | --seconds S
#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/MediaPlatform.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/TextConvert.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {
constexpr long long kHeaderBytes = WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes);

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "hymnaro_capture_bench: %s failed (0x%08X)\n", what, unsigned(hr));
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.wav --bytes N | --seconds S\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1], mode = argv[2];
    const double amount = std::atof(argv[3]);
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
    ComPtr<IBaseFilter> wavDest(
        static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter)));
    ComPtr<IFileSinkFilter2> sink;
    ComPtr<ICaptureGraphBuilder2> builder;
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(graph.put()));
    if (SUCCEEDED(hr)) hr = graph.As(control);
    if (SUCCEEDED(hr)) hr = device->BindToObject(nullptr, nullptr, IID_PPV_ARGS(source.put()));
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(sink.put()));
    if (SUCCEEDED(hr)) hr = sink->QueryInterface(IID_PPV_ARGS(writer.put()));
    if (SUCCEEDED(hr)) hr = graph->AddFilter(source.get(), u"Capture");
    if (SUCCEEDED(hr)) hr = graph->AddFilter(wavDest.get(), u"WAV Dest");
    if (SUCCEEDED(hr)) hr = graph->AddFilter(writer.get(), u"File Writer");
    if (SUCCEEDED(hr)) hr = sink->SetMode(AM_FILE_OVERWRITE);
    if (SUCCEEDED(hr)) hr = sink->SetFileName(Utf8ToUtf16(out).c_str(), nullptr);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(builder.put()));
    if (SUCCEEDED(hr)) hr = builder->SetFiltergraph(graph.get());
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, source.get(), nullptr,
                                   wavDest.get());
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(nullptr, nullptr, wavDest.get(), nullptr, writer.get());
    if (FAILED(hr)) return Fail("building the graph", hr);

    const auto started = std::chrono::steady_clock::now();
    if (FAILED(hr = control->Run())) return Fail("Run", hr);
    if (mode == "--bytes") {
        const long long wanted = kHeaderBytes + (long long)amount;
        struct stat info {};
        while (stat(out.c_str(), &info) != 0 || info.st_size < wanted)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } else {
        std::this_thread::sleep_for(std::chrono::duration<double>(amount));
    }
    if (FAILED(hr = control->Stop())) return Fail("Stop", hr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    struct stat info {};
    stat(out.c_str(), &info);
    std::printf("recorded %lld data bytes in %.3f s\n", (long long)info.st_size - kHeaderBytes,
                seconds);
    return 0;
}
