// Records from a scripted capture device (100 ms periods, as fast as they are taken) through
// the WAV destination filter into a sink whose every write sleeps, and times Stop: first with
// a sink that does not stall (the baseline), then with one that sleeps 200 ms per write.
// Prints the median, the worst and the ratio to the baseline (goal: Stop under 0.5 s).
//
//   stop_stall_bench [runs]     default 7
#include "MediaTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "runtime/ClassTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {
constexpr unsigned long kPeriod = 4800;

// One recording into a sink stalling delayMs per write: the seconds Stop took, or -1.
double TimedStop(int delayMs) {
    auto backend = std::make_shared<ScriptedBackend>();
    backend->makeStream = [] {
        std::deque<ScriptedStream::Step> script{ScriptedStream::Step{long(kPeriod) * 1000}};
        return std::make_unique<ScriptedStream>(48000, 2, kPeriod, 48000, script);
    };
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(graph.put()))) ||
        FAILED(graph.As(control)))
        return -1;
    auto* capture = new AlsaCaptureFilter(nullptr, "scripted", backend);
    ComPtr<IBaseFilter> source(static_cast<IBaseFilter*>(capture));
    ComPtr<IBaseFilter> wavDest(
        static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter)));
    auto* stalling = new StallingSink(delayMs);
    ComPtr<IBaseFilter> sink(static_cast<IBaseFilter*>(stalling));
    ComPtr<IPin> in, out;
    if (FAILED(graph->AddFilter(source.get(), u"Capture")) ||
        FAILED(graph->AddFilter(wavDest.get(), u"WAV Dest")) ||
        FAILED(graph->AddFilter(sink.get(), u"Sink")) ||
        FAILED(wavDest->FindPin(u"In", in.put())) || FAILED(wavDest->FindPin(u"Out", out.put())) ||
        FAILED(graph->Connect(capture->CapturePin(), in.get())) ||
        FAILED(graph->Connect(out.get(), stalling->Input())) || FAILED(control->Run()))
        return -1;
    // Let it run into a steady state of stalled writes, then stop at an arbitrary moment.
    while (stalling->Writes() < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::rand() % 200));
    const auto started = std::chrono::steady_clock::now();
    if (FAILED(control->Stop())) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

struct Figures {
    double median, worst;
};

Figures Measure(int delayMs, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t = TimedStop(delayMs);
        if (t < 0) {
            std::fprintf(stderr, "stop_stall_bench: the recording graph failed\n");
            std::exit(1);
        }
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}
} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const Figures base = Measure(0, runs);
    const Figures stalled = Measure(200, runs);
    std::printf("Stop, writer without stalls:        median %.3f s, worst %.3f s\n", base.median,
                base.worst);
    std::printf("Stop, writer stalling 200 ms/write: median %.3f s, worst %.3f s (goal < 0.5 s)\n",
                stalled.median, stalled.worst);
    std::printf("ratio stalled/baseline (median): %.1f\n",
                base.median > 0 ? stalled.median / base.median : 0.0);
    return stalled.worst < 0.5 ? 0 : 2;
}
