#include "PacedCapture.h"

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

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
unsigned Le16(const Bytes& b, std::size_t at) {
    return unsigned(b[at]) | unsigned(b[at + 1]) << 8;
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
    std::ofstream(config) << SoundServerAlsaDefinitions()
                          << "pcm.!default {\n  type file\n  slave.pcm \"sound_server\"\n"
                             "  file \"/dev/null\"\n  infile \""
                          << input
                          << "\"\n  format \"raw\"\n"
                             "  hint { show on description \"Paced test capture\" }\n}\n";
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    installed = true;
}

WavFile ReadWav(const std::string& path) {
    WavFile wav;
    std::ifstream in(path, std::ios::binary);
    const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav.fileSize = b.size();
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
        wav.problem = "no RIFF/WAVE header";
        return wav;
    }
    if (Le32(b, 4) != b.size() - 8) {
        wav.problem = "RIFF size " + std::to_string(Le32(b, 4)) + " for a file of " +
                      std::to_string(b.size()) + " bytes";
        return wav;
    }
    std::size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = Le32(b, at + 4);
        const std::size_t body = at + 8;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16 && body + size <= b.size()) {
            wav.formatTag = Le16(b, body);
            wav.channels = Le16(b, body + 2);
            wav.rate = Le32(b, body + 4);
            wav.bits = Le16(b, body + 14);
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (body + size != b.size()) {
                wav.problem = "data size " + std::to_string(size) + " where " +
                              std::to_string(b.size() - body) + " bytes follow";
                return wav;
            }
            wav.data.assign(b.begin() + std::ptrdiff_t(body), b.end());
            wav.complete = haveFormat;
            if (!haveFormat) wav.problem = "data before the format";
            return wav;
        }
        at = body + size + (size & 1);
    }
    wav.problem = "no data chunk";
    return wav;
}

bool IsInputPrefix(const Bytes& data) {
    const Bytes& input = PacedCapture::Input();
    return data.size() <= input.size() && std::equal(data.begin(), data.end(), input.begin());
}

std::size_t RecordedBytes(const std::string& path) {
    constexpr std::uintmax_t HeaderBytes = 46;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error || size <= HeaderBytes ? 0 : std::size_t(size - HeaderBytes);
}
