#pragma once
// The base of the filters that encode a recording into a compressed file: a transform filter
// that takes 16-bit PCM (PcmInputFormat) and hands what its encoder writes downstream as a byte
// stream (MEDIATYPE_Stream with the subclass's subtype). While samples flow, each piece of
// the file reaches the file writer as an output sample stamped with the byte range where it
// belongs, as the WAV destination filter's samples do; what the encoder writes while the
// filter starts and stops (the file's headers, its last frames, a header completed at the
// end) goes through the downstream pin's IStream, since no sample can flow then.
// The encoder is fed from Receive on the streaming thread. A piece that cannot be written
// ends the file there: nothing after it is written, so the file holds a valid stream up to
// the last piece that reached it, and the failure is answered to the upstream filter.
// Its progress (IRecordingProgress) tells the frames given to the encoder and the bytes of the
// file so far, so the room left follows what the file really grows by.
// Thread contract: as TBCTransformFilter. The encoder and the write position are touched only
// under the streaming lock (BeginStreaming, ProcessSample, EndStreaming); SetRecordingStart
// is called while the filter is stopped. The progress counts are published to any thread
// through atomics, and GetProgress takes only the filter lock.
#include "Encoders/PcmInputFormat.h"
#include "framework/TBCTransformFilter.h"
#include "framework/interfaces/RecordingFigures.h"
#include "runtime/ObjIdl.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The comments a compressed recording carries (Vorbis comments, in FLAC and Opus alike).
struct RecordingTags {
    std::string encoder; // ENCODER: the program
    std::string date;    // DATE: when the recording began, ISO 8601 local time with its offset
};

class THMEncoderDestFilter : public TBCTransformFilter, public IRecordingProgress {
public:
    // One output buffer takes the largest piece an encoder writes at once (a FLAC frame of
    // 8 channels stored verbatim, an Ogg page); a larger piece is split over samples.
    static constexpr LONG kOutputBufferBytes = 128 * 1024;
    // EncodeFrames is given at most this many frames at a time.
    static constexpr unsigned kMaxEncodeFrames = 4096;

    // Makes input pin "In" and output pin "Out"; hr reports a pin that could not be made.
    THMEncoderDestFilter(std::string objectName, IUnknown* controller, REFCLSID classId,
                         REFGUID outputSubtype, HRESULT& hr);

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;
    // IRecordingProgress: the current run's frames given to the encoder and the file's bytes
    // (once stopped, the last run's); no limit of the file's size. The bytes a second are the
    // file's own once a second of sound is in, before that the PCM's (room is not overstated).
    HRESULT GetProgress(RECORDING_PROGRESS* progress) override;

    // When the recording began, for the DATE comment; unset, the moment streaming begins.
    void SetRecordingStart(std::chrono::system_clock::time_point start);

    HRESULT AcceptsInputType(const AM_MEDIA_TYPE& mediaType) override;
    // The input as AcceptsInputType; the output only the byte stream of this filter's subtype.
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE& inType, const AM_MEDIA_TYPE& outType) override;
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) override;
    // A stop whose last writes failed still ends streaming: the failure is answered, but the
    // filter is stopped, so that its pins can disconnect and the graph can let it go.
    HRESULT Stop() override;
    // Starts the encoder, which writes the start of the file; a failure fails the start.
    HRESULT BeginStreaming() override;
    // Completes the file. After a failed delivery, which was answered when it happened, the
    // file ends where it did and this answers S_OK.
    HRESULT EndStreaming() override;
    // Feeds the sample's whole frames to the encoder (a partial frame waits for the rest).
    HRESULT ProcessSample(IMediaSample* sample) override;

    // The comments of a recording that began at start.
    static RecordingTags TagsFor(std::chrono::system_clock::time_point start);

protected:
    // Whether the encoder takes a format ReadPcmInputFormat accepted.
    virtual bool AcceptsFormat(const PcmInputFormat& format) const = 0;
    // Makes the encoder and writes the start of the file; one that fails leaves no encoder.
    virtual HRESULT StartEncoder(const PcmInputFormat& format, const RecordingTags& tags) = 0;
    // Encodes frames (1 to kMaxEncodeFrames) of interleaved 16-bit little-endian PCM.
    virtual HRESULT EncodeFrames(const BYTE* pcm, unsigned frames) = 0;
    // Encodes what the encoder still holds, completes the file and frees the encoder, also
    // after a failure; nothing when there is no encoder.
    virtual HRESULT FinishEncoder() = 0;

    // For the encoder's write callback: writes the bytes at the write position and moves it
    // behind them. The first failure is kept and answered by every later write, and it is
    // what the encoder's calls answer (an encoder may not pass it on).
    HRESULT WriteBytes(const void* data, std::size_t size) noexcept;
    // For an encoder that goes back to complete a header: the next write lands at position.
    void SeekBytes(ULONGLONG position) noexcept { Position = position; }
    ULONGLONG BytePosition() const noexcept { return Position; }

private:
    // The failure of a write when there was one (the cause of an encoder's failure), else
    // otherwise.
    HRESULT WriteFailureOr(HRESULT otherwise) const noexcept {
        return FAILED(WriteFailure) ? WriteFailure : otherwise;
    }

    enum class Route { None, Samples, Stream };

    HRESULT DeliverBytes(const BYTE* data, std::size_t size);
    HRESULT StreamBytes(const BYTE* data, std::size_t size);
    HRESULT FlushPending();
    HRESULT Encode(const BYTE* data, std::size_t size);
    // The downstream pin's IStream, for the writes outside streaming; CloseStream writes what
    // is pending and lets it go (a failure there is the write failure).
    HRESULT OpenStream();
    HRESULT CloseStream() noexcept;

    const GUID OutputSubtype;
    std::optional<std::chrono::system_clock::time_point> RecordingStart;
    PcmInputFormat Format;
    Route WriteRoute = Route::None;
    ComPtr<IStream> Stream; // held while the encoder starts or finishes
    // Bytes for the stream not written yet, to go to PendingAt.
    std::vector<BYTE> Pending;
    ULONGLONG PendingAt = 0;
    ULONGLONG Position = 0;
    HRESULT WriteFailure = S_OK;
    // The start of a frame that the next sample completes.
    BYTE Carry[PcmInputFormat::kMaxChannels * PcmInputFormat::kBitsPerSample / 8] = {};
    unsigned CarryBytes = 0;
    // For GetProgress.
    std::atomic<ULONGLONG> FramesFed{0};
    std::atomic<ULONGLONG> FileBytes{0};
};
