#include "PacedCapture.h"

#include "WaveDest/WavLayout.h"
#include "support/SoundServerAlsa.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {
// 12 seconds of 48 kHz 16-bit stereo, more than any test records.
constexpr std::size_t InputSize = 12 * 48000 * 4;

Bytes MakeInput() {
    Bytes data(InputSize);
    std::uint32_t x = 12345;
    for (auto& b : data) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(x >> 24);
    }
    return data;
}
} // namespace

const Bytes& PacedCapture::Input() {
    static const Bytes input = MakeInput();
    return input;
}

const std::string& PacedCapture::Folder() {
    static const TempFolder folder("hymnaro-capture");
    return folder.Path();
}

void PacedCapture::Install() {
    static bool installed = false;
    if (installed) return;
    const std::string input = Folder() + "/input.raw";
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(Input().data()), std::streamsize(Input().size()));
    const std::string config = Folder() + "/asound.conf";
    std::ofstream(config) << SoundServerPacedFile(input, "Paced test capture");
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    installed = true;
}

WavFile ReadWav(const std::string& path) {
    WavFile wav;
    std::ifstream in(path, std::ios::binary);
    const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav.fileSize = b.size();
    const WavLayout::THeader header = WavLayout::ReadHeader(b);
    if (!header.found) {
        wav.problem = header.problem;
        return wav;
    }
    if (!header.RiffSizeFits()) {
        wav.problem = "RIFF size " + std::to_string(header.riffSize) + " for a file of " +
                      std::to_string(b.size()) + " bytes";
        return wav;
    }
    if (header.formatBytes < WavLayout::WaveFormatBytes) {
        wav.problem = "format block of " + std::to_string(header.formatBytes) + " bytes";
        return wav;
    }
    if (!header.DataSizeFits()) {
        wav.problem = "data size " + std::to_string(header.dataBytes) + " where " +
                      std::to_string(header.AudioBytesInFile()) + " bytes follow";
        return wav;
    }
    wav.formatTag = header.format.formatTag;
    wav.channels = header.format.channels;
    wav.rate = header.format.samplesPerSec;
    wav.bits = header.format.bitsPerSample;
    wav.data.assign(b.begin() + std::ptrdiff_t(header.dataAt), b.end());
    wav.complete = true;
    return wav;
}

bool IsInputPrefix(const Bytes& data) {
    const Bytes& input = PacedCapture::Input();
    return data.size() <= input.size() && std::equal(data.begin(), data.end(), input.begin());
}

std::size_t RecordedBytes(const std::string& path) {
    constexpr std::uintmax_t HeaderBytes = WavLayout::HeaderBytes(WavLayout::WaveFormatExBytes);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error || size <= HeaderBytes ? 0 : std::size_t(size - HeaderBytes);
}
