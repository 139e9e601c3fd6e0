// Records from a capture device paced in real time whose frames carry their own numbers,
// through the WAV destination filter into the platform's file writer (which brings the data
// to the disk every second from a thread of its own), while spinning processes keep every
// core busy; then counts the frames that do not follow their predecessor. A baseline run of a
// tenth of the time without the load comes first. The device holds 500 ms, the least the
// capture filter accepts. Prints for both runs the frames, the gaps and the frames missing,
// the overruns, the fullest the device's buffer was and the writer's synchronisations, and the
// ratio of the fullest buffer under load to the baseline's. Exits 0 when the run under load
// has no gap.
//
//   recording_soak_bench [seconds [folder]]     default 600 s, in TMPDIR (or /tmp)
#include "MediaTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "WaveDest/WavLayout.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "media/filewriter/FileWriter.h"
#include "runtime/ClassTable.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
constexpr unsigned kRate = 48000;
constexpr unsigned long kPeriod = kRate / 10;     // 100 ms
constexpr unsigned long kBuffer = kRate / 2;      // 500 ms

struct Figures {
    bool ok = false;
    FrameGaps gaps;
    unsigned long overruns = 0, mostHeld = 0, syncs = 0;
    double seconds = 0;
};

// Keeps every core busy until the object goes.
class CpuLoad {
public:
    CpuLoad() {
        const long cores = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
        for (long i = 0; i < cores; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                (void)::prctl(PR_SET_PDEATHSIG, SIGKILL);
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (child > 0) children_.push_back(child);
        }
    }
    ~CpuLoad() {
        for (const pid_t child : children_)
            (void)::kill(child, SIGKILL);
        for (const pid_t child : children_)
            (void)::waitpid(child, nullptr, 0);
    }
    std::size_t Processes() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
};

Figures Record(const std::string& path, int seconds) {
    Figures figures;
    (void)::unlink(path.c_str()); // the writer never empties a file it did not make
    auto backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<std::atomic<unsigned long>> mostHeld;
    backend->makeStream = [&] {
        auto stream = std::make_unique<PacedCounterStream>(kRate, kPeriod, kBuffer);
        mostHeld = stream->mostHeld;
        return stream;
    };
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IFileSinkFilter2> sink;
    ComPtr<IBaseFilter> writer;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(graph.put()))) ||
        FAILED(graph.As(control)) ||
        FAILED(CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(sink.put()))) ||
        FAILED(sink.As(writer)) || FAILED(sink->SetMode(AM_FILE_OVERWRITE)) ||
        FAILED(sink->SetFileName(U16(path).c_str(), nullptr)))
        return figures;
    auto* capture = new AlsaCaptureFilter(nullptr, "paced", backend);
    ComPtr<IBaseFilter> source(static_cast<IBaseFilter*>(capture));
    ComPtr<IBaseFilter> wavDest(
        static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter)));
    ComPtr<IPin> in, out, sinkIn;
    ComPtr<IEnumPins> pins;
    if (FAILED(graph->AddFilter(source.get(), u"Capture")) ||
        FAILED(graph->AddFilter(wavDest.get(), u"WAV Dest")) ||
        FAILED(graph->AddFilter(writer.get(), u"File Writer")) ||
        FAILED(wavDest->FindPin(u"In", in.put())) || FAILED(wavDest->FindPin(u"Out", out.put())) ||
        FAILED(writer->EnumPins(pins.put())) || pins->Next(1, sinkIn.put(), nullptr) != S_OK ||
        FAILED(graph->Connect(capture->CapturePin(), in.get())) ||
        FAILED(graph->Connect(out.get(), sinkIn.get())))
        return figures;
    const auto started = std::chrono::steady_clock::now();
    if (const HRESULT hr = control->Run(); FAILED(hr)) {
        std::fprintf(stderr, "recording_soak_bench: the graph does not run (0x%08X)\n",
                     unsigned(hr));
        return figures;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    figures.overruns = capture->CapturePin()->Overruns();
    if (auto* fileWriter = dynamic_cast<FileWriter*>(writer.get()))
        figures.syncs = fileWriter->Synchronisations();
    if (const HRESULT hr = control->Stop(); FAILED(hr)) {
        std::fprintf(stderr, "recording_soak_bench: the graph does not stop (0x%08X)\n",
                     unsigned(hr));
        return figures;
    }
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    figures.mostHeld = mostHeld ? mostHeld->load() : 0;

    const Bytes file = ReadWholeFile(path);
    const WavLayout::THeader header = WavLayout::ReadHeader(file);
    if (!header.found || !header.ClaimsFit()) {
        std::fprintf(stderr, "recording_soak_bench: %s holds %zu bytes, its header claims %u "
                             "(%s)\n",
                     path.c_str(), file.size(), header.dataBytes, header.problem);
        return figures;
    }
    figures.gaps = FrameNumberGaps(file.data() + header.dataAt, file.size() - header.dataAt);
    figures.ok = true;
    return figures;
}

void Print(const char* what, const Figures& f) {
    std::printf("%-26s %7.1f s: %llu frames, %lu gaps (%llu frames missing), %lu overruns, "
                "buffer at most %.0f ms full of %lu, %lu synchronisations\n",
                what, f.seconds, f.gaps.frames, f.gaps.gaps, f.gaps.missing, f.overruns,
                f.mostHeld * 1000.0 / kRate, kBuffer * 1000 / kRate, f.syncs);
}
} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = argc > 2 ? argv[2] : (tmp && *tmp ? tmp : "/tmp");
    const std::string path = folder + "/recording_soak_bench.wav";

    const Figures baseline = Record(path, std::max(10, seconds / 10));
    Figures loaded;
    std::size_t processes = 0;
    {
        CpuLoad load;
        processes = load.Processes();
        loaded = Record(path, seconds);
    }
    (void)::unlink(path.c_str());
    if (!baseline.ok || !loaded.ok) {
        std::fprintf(stderr, "recording_soak_bench: the recording failed or its file is not "
                             "complete\n");
        return 1;
    }
    Print("without load", baseline);
    char label[64];
    std::snprintf(label, sizeof label, "%zu spinning processes", processes);
    Print(label, loaded);
    std::printf("ratio fullest buffer loaded/baseline: %.2f (goal: 0 gaps under load)\n",
                baseline.mostHeld > 0 ? double(loaded.mostHeld) / double(baseline.mostHeld)
                                      : 0.0);
    return loaded.gaps.gaps == 0 && loaded.overruns == 0 ? 0 : 2;
}
