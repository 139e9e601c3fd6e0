#include "EncoderTestSupport.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/wait.h>

Bytes TonePcm(unsigned rate, unsigned channels, double seconds, double frequency,
              const std::vector<double>& gains, unsigned seed) {
    const std::size_t frames = std::size_t(std::llround(seconds * rate));
    Bytes pcm(frames * channels * 2);
    std::mt19937 noise(seed);
    std::uniform_int_distribution<int> small(-40, 40);
    const double step = 2 * M_PI * frequency / rate;
    for (std::size_t f = 0; f < frames; ++f)
        for (unsigned c = 0; c < channels; ++c) {
            const double gain = c < gains.size() ? gains[c] : 1.0;
            const int value =
                gain == 0 ? 0
                          : std::clamp(int(std::lround(gain * 12000 * std::sin(step * double(f)))) +
                                           small(noise),
                                       -32768, 32767);
            const auto sample = std::uint16_t(std::int16_t(value));
            pcm[(f * channels + c) * 2] = std::uint8_t(sample);
            pcm[(f * channels + c) * 2 + 1] = std::uint8_t(sample >> 8);
        }
    return pcm;
}

// ---- FLAC --------------------------------------------------------------------------------

namespace {
struct FlacReading {
    const Bytes& file;
    std::size_t at = 0;
    FlacStream stream;
    bool wroteFrame = false;
};

FLAC__StreamDecoderReadStatus ReadFlac(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                       size_t* bytes, void* data) {
    auto& r = *static_cast<FlacReading*>(data);
    const std::size_t n = std::min(*bytes, r.file.size() - r.at);
    std::memcpy(buffer, r.file.data() + r.at, n);
    r.at += n;
    *bytes = n;
    return n == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                  : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}
FLAC__StreamDecoderSeekStatus SeekFlac(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                       void* data) {
    auto& r = *static_cast<FlacReading*>(data);
    if (offset > r.file.size()) return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    r.at = std::size_t(offset);
    return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}
FLAC__StreamDecoderTellStatus TellFlac(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                       void* data) {
    *offset = static_cast<FlacReading*>(data)->at;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}
FLAC__StreamDecoderLengthStatus LengthFlac(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                           void* data) {
    *length = static_cast<FlacReading*>(data)->file.size();
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}
FLAC__bool EofFlac(const FLAC__StreamDecoder*, void* data) {
    auto& r = *static_cast<FlacReading*>(data);
    return r.at >= r.file.size();
}
FLAC__StreamDecoderWriteStatus WriteFlac(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                         const FLAC__int32* const channels[], void* data) {
    auto& r = *static_cast<FlacReading*>(data);
    for (unsigned i = 0; i < frame->header.blocksize; ++i)
        for (unsigned c = 0; c < frame->header.channels; ++c) {
            const auto sample = std::uint16_t(std::int16_t(channels[c][i]));
            r.stream.pcm.push_back(std::uint8_t(sample));
            r.stream.pcm.push_back(std::uint8_t(sample >> 8));
        }
    r.wroteFrame = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}
void MetadataFlac(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* data) {
    auto& s = static_cast<FlacReading*>(data)->stream;
    if (block->type == FLAC__METADATA_TYPE_STREAMINFO) {
        const auto& info = block->data.stream_info;
        s.channels = info.channels;
        s.rate = info.sample_rate;
        s.bits = info.bits_per_sample;
        s.totalSamples = info.total_samples;
        s.md5Set = std::any_of(std::begin(info.md5sum), std::end(info.md5sum),
                               [](FLAC__byte b) { return b != 0; });
    } else if (block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
        const auto& comments = block->data.vorbis_comment;
        for (FLAC__uint32 i = 0; i < comments.num_comments; ++i)
            s.comments.emplace_back(reinterpret_cast<const char*>(comments.comments[i].entry),
                                    comments.comments[i].length);
    }
}
void ErrorFlac(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* data) {
    ++static_cast<FlacReading*>(data)->stream.errors;
}
} // namespace

FlacStream DecodeFlac(const Bytes& file) {
    FlacReading reading{file, 0, {}, false};
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (!decoder) return {};
    (void)FLAC__stream_decoder_set_md5_checking(decoder, true);
    (void)FLAC__stream_decoder_set_metadata_respond(decoder, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    if (FLAC__stream_decoder_init_stream(decoder, ReadFlac, SeekFlac, TellFlac, LengthFlac, EofFlac,
                                         WriteFlac, MetadataFlac, ErrorFlac,
                                         &reading) == FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        // Without frames, the stream's content ends behind its headers.
        bool ok = FLAC__stream_decoder_process_until_end_of_metadata(decoder);
        FLAC__uint64 headersEnd = 0;
        if (ok && FLAC__stream_decoder_get_decode_position(decoder, &headersEnd))
            reading.stream.lastFrameEnd = headersEnd;
        while (ok &&
               FLAC__stream_decoder_get_state(decoder) != FLAC__STREAM_DECODER_END_OF_STREAM) {
            reading.wroteFrame = false;
            ok = FLAC__stream_decoder_process_single(decoder);
            FLAC__uint64 position = 0;
            if (ok && reading.wroteFrame &&
                FLAC__stream_decoder_get_decode_position(decoder, &position))
                reading.stream.lastFrameEnd = position;
        }
        reading.stream.decoded = ok;
        // Checks the MD5 when the whole stream was decoded.
        reading.stream.md5Matched = FLAC__stream_decoder_finish(decoder) && reading.stream.md5Set;
    }
    FLAC__stream_decoder_delete(decoder);
    return reading.stream;
}

// ---- Ogg ---------------------------------------------------------------------------------

std::vector<OggPage> OggPages(const Bytes& file) {
    std::vector<OggPage> pages;
    std::size_t at = 0;
    // "OggS", version, flags, granule (8), serial (4), sequence (4), CRC (4), the segment
    // count, then the segment table.
    while (at + 27 <= file.size() && std::memcmp(file.data() + at, "OggS", 4) == 0) {
        const std::size_t segments = file[at + 26];
        if (at + 27 + segments > file.size()) break;
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += file[at + 27 + i];
        const std::size_t size = 27 + segments + body;
        if (at + size > file.size()) break;
        OggPage page;
        page.offset = at;
        page.size = size;
        page.flags = file[at + 5];
        std::uint64_t granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = granule << 8 | file[at + 6 + std::size_t(i)];
        page.granule = std::int64_t(granule);
        pages.push_back(page);
        at += size;
    }
    return pages;
}

// ---- WAV and Opus ------------------------------------------------------------------------

int Pcm::Sample(std::size_t frame, unsigned channel) const {
    const std::size_t at = (frame * channels + channel) * 2;
    return std::int16_t(std::uint16_t(data[at] | data[at + 1] << 8));
}

bool ReadWav(const std::string& path, Pcm& pcm) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | file[at + std::size_t(i)];
        return v;
    };
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::uint32_t size = le(at + 4, 4);
        const std::size_t body = at + 8;
        const std::size_t end = std::min<std::size_t>(file.size(), body + size);
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0 && size >= 16) {
            const std::uint32_t tag = le(body, 2);
            if ((tag != 1 && tag != 0xFFFE) || le(body + 14, 2) != 16) return false;
            pcm.channels = le(body + 2, 2);
            pcm.rate = le(body + 4, 4);
            haveFormat = true;
        } else if (std::memcmp(file.data() + at, "data", 4) == 0 && haveFormat) {
            pcm.data.assign(file.begin() + std::ptrdiff_t(body),
                            file.begin() + std::ptrdiff_t(end));
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

bool DecodeOpus(const std::string& opusPath, Pcm& pcm) {
    const std::string wav = opusPath + ".wav";
    std::string output;
    if (RunCommand("opusdec --quiet '" + opusPath + "' '" + wav + "'", &output) != 0) {
        std::fprintf(stderr, "opusdec: %s\n", output.c_str());
        return false;
    }
    return ReadWav(wav, pcm);
}

double ToneFrequency(const Pcm& pcm, unsigned channel, double skipSeconds) {
    const std::size_t first = std::size_t(skipSeconds * pcm.rate);
    std::size_t crossings = 0, firstCrossing = 0, lastCrossing = 0;
    for (std::size_t f = first + 1; f < pcm.Frames(); ++f)
        if (pcm.Sample(f - 1, channel) < 0 && pcm.Sample(f, channel) >= 0) {
            if (crossings++ == 0) firstCrossing = f;
            lastCrossing = f;
        }
    if (crossings < 2) return 0;
    return double(crossings - 1) * pcm.rate / double(lastCrossing - firstCrossing);
}

double ChannelLevel(const Pcm& pcm, unsigned channel) {
    double sum = 0;
    for (std::size_t f = 0; f < pcm.Frames(); ++f)
        sum += double(pcm.Sample(f, channel)) * pcm.Sample(f, channel);
    return pcm.Frames() ? std::sqrt(sum / double(pcm.Frames())) / 32768 : 0;
}

int RunCommand(const std::string& command, std::string* output) {
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (output) output->append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
