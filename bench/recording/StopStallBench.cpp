// Records from a scripted capture device (100 ms periods, as fast as they are taken) through
// the WAV destination filter into a sink whose every write sleeps, and times Stop: first with
// a sink that does not stall (the baseline), then with one that sleeps 200 ms per write.
// Prints the median, the worst and the ratio to the baseline (goal: Stop under 0.5 s).
// Then records 20 s from a device paced in real time whose frames carry their numbers (it
// holds 500 ms, the least the capture filter accepts) into the same sinks, and counts the
// frames lost (goal: none with the stalling sink either), with the fullest the device's
// buffer was against the baseline's.
//
//   stop_stall_bench [runs [paced seconds]]     default 7 and 20
#include "MediaTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "runtime/ClassTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace {
constexpr unsigned long kPeriod = 4800;

// The recording graph from the backend's device into a sink stalling delayMs per write.
struct StallGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source, wavDest, sink;
    AlsaCaptureFilter* capture = nullptr;
    StallingSink* stalling = nullptr;
};

bool BuildStallGraph(std::shared_ptr<AlsaBackend> backend, int delayMs, StallGraph& g) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(g.graph.put()))) ||
        FAILED(g.graph.As(g.control)))
        return false;
    g.capture = new AlsaCaptureFilter(nullptr, "scripted", std::move(backend));
    g.source = static_cast<IBaseFilter*>(g.capture);
    g.wavDest = static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    g.stalling = new StallingSink(delayMs);
    g.sink = static_cast<IBaseFilter*>(g.stalling);
    ComPtr<IPin> in, out;
    return SUCCEEDED(g.graph->AddFilter(g.source.get(), u"Capture")) &&
           SUCCEEDED(g.graph->AddFilter(g.wavDest.get(), u"WAV Dest")) &&
           SUCCEEDED(g.graph->AddFilter(g.sink.get(), u"Sink")) &&
           SUCCEEDED(g.wavDest->FindPin(u"In", in.put())) &&
           SUCCEEDED(g.wavDest->FindPin(u"Out", out.put())) &&
           SUCCEEDED(g.graph->Connect(g.capture->CapturePin(), in.get())) &&
           SUCCEEDED(g.graph->Connect(out.get(), g.stalling->Input()));
}

struct Paced {
    bool ok = false;
    FrameGaps gaps;
    unsigned long overruns = 0, mostHeld = 0;
};

// seconds from the paced device into a sink stalling delayMs per write.
Paced RecordPaced(int delayMs, int seconds) {
    Paced paced;
    auto backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<std::atomic<unsigned long>> mostHeld;
    backend->makeStream = [&] {
        auto stream = std::make_unique<PacedCounterStream>(48000, kPeriod, 24000);
        mostHeld = stream->mostHeld;
        return stream;
    };
    StallGraph g;
    if (!BuildStallGraph(backend, delayMs, g) || FAILED(g.control->Run())) return paced;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    paced.overruns = g.capture->CapturePin()->Overruns();
    if (FAILED(g.control->Stop())) return paced;
    const Bytes file = g.stalling->File();
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    if (!header.found || !header.ClaimsFit()) return paced;
    paced.gaps = FrameNumberGaps(file.data() + header.dataAt, file.size() - header.dataAt);
    paced.mostHeld = mostHeld ? mostHeld->load() : 0;
    paced.ok = true;
    return paced;
}

// One recording into a sink stalling delayMs per write: the seconds Stop took, or -1.
double TimedStop(int delayMs) {
    auto backend = std::make_shared<ScriptedBackend>();
    backend->makeStream = [] {
        std::deque<ScriptedStream::Step> script{ScriptedStream::Step{long(kPeriod) * 1000}};
        return std::make_unique<ScriptedStream>(48000, 2, kPeriod, 48000, script);
    };
    StallGraph g;
    if (!BuildStallGraph(backend, delayMs, g) || FAILED(g.control->Run())) return -1;
    StallingSink* stalling = g.stalling;
    // Let it run into a steady state of stalled writes, then stop at an arbitrary moment.
    while (stalling->Writes() < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::rand() % 200));
    const auto started = std::chrono::steady_clock::now();
    if (FAILED(g.control->Stop())) return -1;
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
    std::printf("Stop, writer stalling / not stalling (median): %.1f (goal: the worst stalled Stop "
                "under 0.5 s, %s)\n",
                base.median > 0 ? stalled.median / base.median : 0.0,
                stalled.worst < 0.5 ? "met" : "NOT met");

    const int seconds = argc > 2 ? std::max(2, std::atoi(argv[2])) : 20;
    const Paced steady = RecordPaced(0, seconds), slow = RecordPaced(200, seconds);
    if (!steady.ok || !slow.ok) {
        std::fprintf(stderr, "stop_stall_bench: the paced recording failed\n");
        return 1;
    }
    for (const auto& [what, p] : {std::pair{"without stalls:       ", steady},
                                  std::pair{"stalling 200 ms/write:", slow}})
        std::printf("Paced %d s, writer %s %llu frames, %lu gaps (%llu frames lost), "
                    "%lu overruns, buffer at most %.0f ms full of 500\n",
                    seconds, what, p.gaps.frames, p.gaps.gaps, p.gaps.missing, p.overruns,
                    p.mostHeld / 48.0);
    std::printf("ratio fullest buffer stalled/baseline: %.1f (goal: nothing lost)\n",
                steady.mostHeld > 0 ? double(slow.mostHeld) / double(steady.mostHeld) : 0.0);
    return stalled.worst < 0.5 && slow.gaps.gaps == 0 && slow.overruns == 0 ? 0 : 2;
}
