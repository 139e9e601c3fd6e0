// How long Stop takes until the WAV file is complete and closed (header written, data on
// disk), against a baseline in the same process: the least that completing such a file costs
// on this disk (a file of the same size, its header rewritten at offset 0, synced, closed). Records
// over the paced test device, so it needs the private PulseAudio daemon of scripts/with-pulse.
// Goal: under 50 ms.
#include "WaveDest/WavLayout.h"
#include "capture/TDXShowCaptureAudio.h"
#include "runtime/Apartment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
constexpr int Rounds = 7;
constexpr int RecordMs = 400;
constexpr double GoalMs = 50.0;

void ProcessEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool InstallPacedDevice(const std::string& folder) {
    const char* runtime = std::getenv("HYMNARO_PULSE_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    const std::string input = folder + "/input.raw";
    std::vector<char> noise(20 * 48000 * 4);
    std::uint32_t x = 1;
    for (char& b : noise)
        b = char((x = x * 1664525u + 1013904223u) >> 24);
    std::ofstream(input, std::ios::binary).write(noise.data(), std::streamsize(noise.size()));
    const std::string config = folder + "/asound.conf";
    std::ofstream(config)
        << "pcm.!default {\n type file\n slave.pcm \"pulse\"\n file \"/dev/null\"\n"
        << " infile \"" << input << "\"\n format \"raw\"\n}\n"
        << "pcm.pulse { type pulse }\nctl.pulse { type pulse }\n";
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("PULSE_RUNTIME_PATH", (std::string(runtime) + "/pulse").c_str(), 1);
    return true;
}

bool IsCompleteWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    const WavLayout::THeader header = WavLayout::ReadHeader(b);
    return header.RiffSizeFits() && header.AudioBytesInFile() > 0;
}

// The baseline: completing a file of size bytes that is already written.
double TimedFileCompletion(const std::string& path, std::size_t size) {
    {
        std::vector<char> bytes(size, 1);
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(size));
    }
    const std::uint8_t format[WavLayout::WaveFormatExBytes] = {};
    std::uint8_t header[WavLayout::HeaderBytes(sizeof format)];
    WavLayout::PutHeader(header, format, sizeof format, std::uint32_t(size - sizeof header));
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0) return -1;
    const bool ok =
        pwrite(fd, header, sizeof header, 0) == ssize_t(sizeof header) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    const auto end = std::chrono::steady_clock::now();
    return ok && closed ? std::chrono::duration<double, std::milli>(end - start).count() : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One recording of RecordMs; the time Stop took, in milliseconds (negative on failure).
double TimedStop(TDXShowCaptureAudio& capture, const std::string& file) {
    capture.SetFileName(QString::fromStdString(file).toStdU16String());
    if (capture.Open(u"", true) != S_OK || FAILED(capture.Play())) return -1;
    ProcessEventsFor(RecordMs);
    const auto start = std::chrono::steady_clock::now();
    const HRESULT hr = capture.Stop();
    const auto end = std::chrono::steady_clock::now();
    if (FAILED(hr)) return -1;
    if (!IsCompleteWav(file)) return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    char pattern[] = "/tmp/hymnaro-bench.XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    if (!InstallPacedDevice(folder)) {
        std::printf("capture_stop_bench: skipped, no private PulseAudio daemon "
                    "(run it through scripts/with-pulse)\n");
        std::filesystem::remove_all(folder);
        return 0;
    }
    (void)CoInitialize(nullptr);
    int status = 0;
    {
        TDXShowCaptureAudio capture;
        std::vector<double> withFile, baseline;
        for (int i = 0; i < Rounds && status == 0; ++i) {
            const std::string take = folder + "/take" + std::to_string(i) + ".wav";
            const double file = TimedStop(capture, take);
            const double base = file < 0 ? -1
                                         : TimedFileCompletion(folder + "/baseline.raw",
                                                               std::filesystem::file_size(take));
            if (base < 0 || file < 0) status = 1;
            baseline.push_back(base);
            withFile.push_back(file);
        }
        if (status != 0) {
            std::printf("capture_stop_bench: a recording failed\n");
        } else {
            const double file = Median(withFile), base = Median(baseline);
            std::printf("Stop until the WAV file is complete and closed: %.2f ms (median of %d "
                        "recordings of %d ms)\n",
                        file, Rounds, RecordMs);
            std::printf("baseline, completing a file of the same size (header, sync, close): "
                        "%.2f ms\n",
                        base);
            std::printf("Stop / completing a file of the same size: %.2f (goal: Stop under %.0f "
                        "ms, %s)\n",
                        base > 0 ? file / base : 0.0, GoalMs, file < GoalMs ? "met" : "NOT met");
        }
    }
    CoUninitialize();
    std::filesystem::remove_all(folder);
    return status;
}
