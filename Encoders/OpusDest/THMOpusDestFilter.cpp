#include "Encoders/OpusDest/THMOpusDestFilter.h"

#include <opus/opusenc.h>

#include <cstdint>
#include <vector>

namespace {
// One packet of the encoder: 20 ms at 48 kHz.
constexpr int kPacketSamples = 960;

// Surround Opus (mapping family 1) orders the channels as Vorbis does, WAV otherwise: the
// WAV channel at kFromWavOrder[channels - 1][i] is the Opus channel i (front left, centre,
// front right, the rear or side pairs, then LFE).
constexpr unsigned char kFromWavOrder[8][8] = {
    {0},
    {0, 1},
    {0, 2, 1},
    {0, 1, 2, 3},
    {0, 2, 1, 3, 4},
    {0, 2, 1, 4, 5, 3},
    {0, 2, 1, 5, 6, 4, 3},
    {0, 2, 1, 6, 7, 4, 5, 3},
};

HRESULT FromOpusError(int error) {
    return error == OPE_ALLOC_FAIL ? E_OUTOFMEMORY : error == OPE_BAD_ARG ? E_INVALIDARG : E_FAIL;
}
} // namespace

struct THMOpusDestFilter::Encoder {
    explicit Encoder(const PcmInputFormat& format)
        : channels(format.channels), samples(std::size_t(kMaxEncodeFrames) * format.channels) {}
    ~Encoder() {
        if (ope) ope_encoder_destroy(ope);
        if (comments) ope_comments_destroy(comments);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    const unsigned channels;
    OggOpusComments* comments = ope_comments_create();
    OggOpusEnc* ope = nullptr;
    ULONGLONG headersEnd = 0; // where the audio pages begin
    bool soundGiven = false;
    bool firstPageWritten = false;
    std::vector<opus_int16> samples; // one call's frames in the Opus channel order
};

// libopusenc calls these from inside its own calls, on the thread that made them.
class OpusCallbacks {
public:
    static int Write(void* user, const unsigned char* page, opus_int32 length) {
        return SUCCEEDED(static_cast<THMOpusDestFilter*>(user)->WriteBytes(page, length)) ? 0 : 1;
    }
    static int Close(void*) { return 0; } // the file writer closes the file when it stops
};

THMOpusDestFilter::THMOpusDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr)
    : THMEncoderDestFilter(std::move(objectName), controller, CLSID_HMOpusDest,
                           MEDIASUBTYPE_OggStream, hr) {}

THMOpusDestFilter::~THMOpusDestFilter() = default;

int THMOpusDestFilter::BitRateFor(unsigned channels) {
    return channels <= 1 ? 64000 : 96000 + int(channels - 2) * 48000;
}

bool THMOpusDestFilter::AcceptsFormat(const PcmInputFormat& format) const {
    return format.samplesPerSec >= kMinRate && format.samplesPerSec <= kMaxRate;
}

HRESULT THMOpusDestFilter::StartEncoder(const PcmInputFormat& format, const RecordingTags& tags) {
    encoder_.reset();
    auto encoder = std::make_unique<Encoder>(format);
    if (!encoder->comments) return E_OUTOFMEMORY;
    if (ope_comments_add(encoder->comments, "ENCODER", tags.encoder.c_str()) != OPE_OK ||
        (!tags.date.empty() &&
         ope_comments_add(encoder->comments, "DATE", tags.date.c_str()) != OPE_OK))
        return E_OUTOFMEMORY;
    static const OpusEncCallbacks callbacks{&OpusCallbacks::Write, &OpusCallbacks::Close};
    int error = OPE_OK;
    encoder->ope = ope_encoder_create_callbacks(
        &callbacks, this, encoder->comments, opus_int32(format.samplesPerSec), int(format.channels),
        format.channels > 2 ? 1 : 0, &error);
    if (!encoder->ope) return FromOpusError(error);
    // Packets are encoded as soon as their sound is there (no decision delay). The first page
    // holds the first packet, so that the file plays as soon as it has sound (players refuse
    // an Ogg Opus file without an audio page); the later ones follow within kPageDelaySamples.
    // 20 ms frames are the library's default, but left unset, the drain reads memory the
    // library never set (libopusenc 0.2.1).
    error = ope_encoder_ctl(encoder->ope, OPUS_SET_BITRATE(BitRateFor(format.channels)));
    if (error == OPE_OK)
        error = ope_encoder_ctl(encoder->ope, OPUS_SET_EXPERT_FRAME_DURATION(OPUS_FRAMESIZE_20_MS));
    if (error == OPE_OK) error = ope_encoder_ctl(encoder->ope, OPE_SET_DECISION_DELAY(0));
    if (error == OPE_OK)
        error = ope_encoder_ctl(encoder->ope, OPE_SET_MUXING_DELAY(kPacketSamples));
    if (error != OPE_OK) return FromOpusError(error);
    // The headers now, so that the file is an Ogg Opus stream from its start.
    error = ope_encoder_flush_header(encoder->ope);
    if (error != OPE_OK) return FromOpusError(error);
    encoder->headersEnd = BytePosition();
    encoder_ = std::move(encoder);
    return S_OK;
}

HRESULT THMOpusDestFilter::EncodeFrames(const BYTE* pcm, unsigned frames) {
    if (!encoder_) return E_UNEXPECTED;
    const unsigned channels = encoder_->channels;
    const unsigned char* order = kFromWavOrder[channels - 1];
    opus_int16* to = encoder_->samples.data();
    for (unsigned frame = 0; frame < frames; ++frame, pcm += 2 * channels, to += channels)
        for (unsigned c = 0; c < channels; ++c) {
            const BYTE* sample = pcm + 2 * order[c];
            to[c] = opus_int16(std::uint16_t(sample[0] | sample[1] << 8));
        }
    encoder_->soundGiven = true;
    int error = ope_encoder_write(encoder_->ope, encoder_->samples.data(), int(frames));
    if (error == OPE_OK && !encoder_->firstPageWritten && BytePosition() > encoder_->headersEnd) {
        encoder_->firstPageWritten = true;
        error = ope_encoder_ctl(encoder_->ope, OPE_SET_MUXING_DELAY(kPageDelaySamples));
    }
    return error == OPE_OK ? S_OK : FromOpusError(error);
}

HRESULT THMOpusDestFilter::FinishEncoder() {
    if (!encoder_) return S_OK;
    // Encodes the rest and writes the last page with the end-of-stream mark. Draining an
    // encoder that was given no sound reads memory the library never set (libopusenc 0.2.1):
    // such a recording keeps its headers alone.
    const int error = encoder_->soundGiven ? ope_encoder_drain(encoder_->ope) : OPE_OK;
    encoder_.reset();
    return error == OPE_OK ? S_OK : FromOpusError(error);
}
