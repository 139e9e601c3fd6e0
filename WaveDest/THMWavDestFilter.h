#pragma once
// The WAV destination filter: a transform filter that accepts any input whose format block is
// a WAVEFORMATEX, copies every sample's bytes unchanged into an output sample stamped with the
// byte range of the file where they belong (start and stop "times" are byte offsets, the first
// data byte right behind the header), counts the bytes, and when the graph stops writes the
// RIFF/WAVE header at offset 0 through the downstream pin's IStream (WaveDest/WavLayout.h lays
// the file out). The output offers the byte-stream type (Stream/WAVE).
// So that a recording cut off without a stop (a crash, a kill) still opens and plays, a
// provisional header is written when streaming starts and rewritten, between samples, before
// the data passes what it claims: its sizes claim the bytes delivered plus one second of
// audio, which readers take as a file cut short and play to its end.
// Its progress (IRecordingProgress) tells the frames and bytes of sound that reached the file.
// Thread contract: as TBCTransformFilter. DataBytes, HeaderBytes, ClaimedBytes and AheadBytes
// are touched only under the streaming lock; the bytes delivered are published to any thread
// through an atomic, and GetProgress takes only the filter lock.
#include "framework/TBCTransformFilter.h"
#include "framework/interfaces/RecordingFigures.h"

#include <atomic>

// The class of the filter made by its own constructor.
inline constexpr CLSID CLSID_HMWavDest{
    0x2CDE6ABB, 0xC2FE, 0x484E, {0xAE, 0x4A, 0x25, 0x34, 0xBE, 0x13, 0x88, 0xB9}};

// The answer to a sample that would make the file pass 4 GiB - 1 bytes, the most a WAV file
// can hold (ERROR_FILE_TOO_LARGE): the capture filter ends the recording with EC_ERRORABORT
// carrying it.
inline constexpr HRESULT WAVDEST_E_FILE_TOO_LARGE = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);

class THMWavDestFilter : public TBCTransformFilter, public IRecordingProgress {
public:
    // The filter's own constructor: class CLSID_HMWavDest, input pin "In" and output pin "Out"
    // (a CWavDestOutputPin) made at once; hr reports a pin that could not be made.
    THMWavDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr);
    // The transform filter's constructor on this class: no pins until the first PinAt, which
    // makes the framework's "XForm In" and "XForm Out".
    THMWavDestFilter(std::string objectName, IUnknown* controller, REFCLSID classId);

    // The class factory's creation operation (the factory's display name as object name).
    template <class Factory = TBCClassFactory>
    static TBCUnknown* CreateByFactory(Factory* factory, IUnknown* controller) {
        HRESULT hr = S_OK;
        return new THMWavDestFilter(factory->DisplayName, controller, hr);
    }

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // IRecordingProgress: the current run's sound in the file (once stopped, the last run's);
    // the format is the input connection's.
    HRESULT GetProgress(RECORDING_PROGRESS* progress) override;

    HRESULT TransformSample(IMediaSample* input, IMediaSample* output) override;
    HRESULT AcceptsInputType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE& inType, const AM_MEDIA_TYPE& outType) override;
    // One output buffer as large as the upstream buffers.
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) override;
    // A stop whose header could not be written still ends streaming: the failure is answered,
    // but the filter is stopped, so that its pins can disconnect and the graph can let it go.
    HRESULT Stop() override;
    // Also writes the provisional header (a failure there does not stop the start: the header
    // is tried again with the next sample).
    HRESULT BeginStreaming() override;
    // Writes the header.
    HRESULT EndStreaming() override;
    HRESULT FinishPinConnection(PIN_DIRECTION direction, IPin* receivePin) override;
    // Keeps the byte count consistent with what got through: a sample that does not reach the
    // downstream pin is not counted. Renews the provisional header before a sample would pass
    // its claim. A sample refused because the file would pass 4 GiB - 1 bytes is answered
    // with WAVDEST_E_FILE_TOO_LARGE, so that the refusal, and the event upstream, say why.
    HRESULT ProcessSample(IMediaSample* sample) override;

    // Copies data, times, media times, media type and data length of source into dest.
    HRESULT CopySample(IMediaSample* source, IMediaSample* dest);

protected:
    // Writes a header whose data chunk is dataBytes long through the downstream IStream.
    HRESULT WriteHeader(DWORD dataBytes);
    // Writes the provisional header claiming dataBytes plus AheadBytes (at most up to the
    // 4 GiB - 1 limit); ClaimedBytes follows when it was written.
    void WriteProvisionalHeader(DWORD dataBytes) noexcept;

    DWORD DataBytes = 0;
    DWORD HeaderBytes = 0;
    // Data bytes that the header in the file claims (0: no provisional header written yet).
    DWORD ClaimedBytes = 0;
    // One second of audio in the input format, in whole blocks; 0 when the format does not say.
    DWORD AheadBytes = 0;
    // TransformSample refused the sample for the 4 GiB limit (read by ProcessSample).
    bool TooLargeRefused = false;
    // DataBytes as far as the samples got through, for GetProgress.
    std::atomic<DWORD> DeliveredBytes{0};
};
