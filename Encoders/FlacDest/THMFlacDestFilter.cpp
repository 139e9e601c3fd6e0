#include "Encoders/FlacDest/THMFlacDestFilter.h"

#include <FLAC/format.h>
#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <vector>

namespace {
// Level 1 (fixed predictors, adaptive mid-side) keeps the encoder within three times the CPU of
// a WAV recording; level 5 costs twice that again for files about a fifth smaller.
constexpr unsigned kCompressionLevel = 1;
// Level 5's frames rather than level 1's 1152 samples: fewer frame headers, and a cut-off
// recording loses at most 85 ms at 48 kHz.
constexpr unsigned kBlockSize = 4096;
} // namespace

struct THMFlacDestFilter::Encoder {
    explicit Encoder(const PcmInputFormat& format)
        : channels(format.channels), samples(std::size_t(kMaxEncodeFrames) * format.channels) {}
    ~Encoder() {
        // Deleting an encoder that was not finished writes nothing more.
        if (flac) FLAC__stream_encoder_delete(flac);
        if (comments) FLAC__metadata_object_delete(comments);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    const unsigned channels;
    FLAC__StreamEncoder* flac = FLAC__stream_encoder_new();
    // Read by the encoder until it is finished.
    FLAC__StreamMetadata* comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    std::vector<FLAC__int32> samples; // one call's frames, widened as libFLAC takes them
};

namespace {
THMFlacDestFilter* FilterOf(void* clientData) {
    return static_cast<THMFlacDestFilter*>(clientData);
}

bool AddComment(FLAC__StreamMetadata* block, const char* name, const std::string& value) {
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name,
                                                                        value.c_str()))
        return false;
    // The block takes the entry over.
    return FLAC__metadata_object_vorbiscomment_append_comment(block, entry, false);
}

// What a failed encoder call answers (a failed write is answered by the filter itself).
HRESULT FailureOf(const FLAC__StreamEncoder* flac) {
    return FLAC__stream_encoder_get_state(flac) == FLAC__STREAM_ENCODER_MEMORY_ALLOCATION_ERROR
               ? E_OUTOFMEMORY
               : E_FAIL;
}
} // namespace

// libFLAC calls these from inside its own calls, on the thread that made them.
class FlacCallbacks {
public:
    static FLAC__StreamEncoderWriteStatus Write(const FLAC__StreamEncoder*,
                                                const FLAC__byte buffer[], size_t bytes, uint32_t,
                                                uint32_t, void* clientData) {
        return SUCCEEDED(FilterOf(clientData)->WriteBytes(buffer, bytes))
                   ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                   : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    static FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                              void* clientData) {
        FilterOf(clientData)->SeekBytes(offset);
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }
    static FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                              void* clientData) {
        *offset = FilterOf(clientData)->BytePosition();
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }
};

THMFlacDestFilter::THMFlacDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr)
    : THMEncoderDestFilter(std::move(objectName), controller, CLSID_HMFlacDest,
                           MEDIASUBTYPE_FlacStream, hr) {}

THMFlacDestFilter::~THMFlacDestFilter() = default;

bool THMFlacDestFilter::AcceptsFormat(const PcmInputFormat& format) const {
    return FLAC__format_sample_rate_is_valid(format.samplesPerSec);
}

HRESULT THMFlacDestFilter::StartEncoder(const PcmInputFormat& format, const RecordingTags& tags) {
    encoder_.reset();
    auto encoder = std::make_unique<Encoder>(format);
    FLAC__StreamEncoder* flac = encoder->flac;
    if (!flac || !encoder->comments) return E_OUTOFMEMORY;
    if (!AddComment(encoder->comments, "ENCODER", tags.encoder) ||
        (!tags.date.empty() && !AddComment(encoder->comments, "DATE", tags.date)))
        return E_OUTOFMEMORY;
    // A rate the frame headers cannot name is still valid FLAC, outside its streamable subset.
    const bool ok =
        FLAC__stream_encoder_set_channels(flac, format.channels) &&
        FLAC__stream_encoder_set_bits_per_sample(flac, PcmInputFormat::kBitsPerSample) &&
        FLAC__stream_encoder_set_sample_rate(flac, format.samplesPerSec) &&
        FLAC__stream_encoder_set_compression_level(flac, kCompressionLevel) &&
        FLAC__stream_encoder_set_blocksize(flac, kBlockSize) &&
        FLAC__stream_encoder_set_streamable_subset(
            flac, FLAC__format_sample_rate_is_subset(format.samplesPerSec)) &&
        FLAC__stream_encoder_set_metadata(flac, &encoder->comments, 1);
    if (!ok) return E_UNEXPECTED;
    const FLAC__StreamEncoderInitStatus status = FLAC__stream_encoder_init_stream(
        flac, &FlacCallbacks::Write, &FlacCallbacks::Seek, &FlacCallbacks::Tell, nullptr, this);
    if (status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR) return FailureOf(flac);
    if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    encoder_ = std::move(encoder);
    return S_OK;
}

HRESULT THMFlacDestFilter::EncodeFrames(const BYTE* pcm, unsigned frames) {
    if (!encoder_) return E_UNEXPECTED;
    FLAC__int32* to = encoder_->samples.data();
    const std::size_t count = std::size_t(frames) * encoder_->channels;
    for (std::size_t i = 0; i < count; ++i, pcm += 2)
        to[i] = FLAC__int16(std::uint16_t(pcm[0] | pcm[1] << 8));
    return FLAC__stream_encoder_process_interleaved(encoder_->flac, to, frames)
               ? S_OK
               : FailureOf(encoder_->flac);
}

HRESULT THMFlacDestFilter::FinishEncoder() {
    if (!encoder_) return S_OK;
    // Writes the last frame, then goes back and completes STREAMINFO.
    const bool finished = FLAC__stream_encoder_finish(encoder_->flac);
    encoder_.reset();
    return finished ? S_OK : E_FAIL;
}
