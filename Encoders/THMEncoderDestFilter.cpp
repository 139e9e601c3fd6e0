#include "Encoders/THMEncoderDestFilter.h"

#include "framework/FrameworkUtil.h"
#include "framework/TBCTransformInputPin.h"
#include "framework/TBCTransformOutputPin.h"
#include "framework/interfaces/MediaGuids.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#ifndef HYMNARO_VERSION
#define HYMNARO_VERSION ""
#endif

THMEncoderDestFilter::THMEncoderDestFilter(std::string objectName, IUnknown* controller,
                                           REFCLSID classId, REFGUID outputSubtype, HRESULT& hr)
    : TBCTransformFilter(std::move(objectName), controller, classId), OutputSubtype(outputSubtype) {
    hr = S_OK;
    std::unique_ptr<TBCTransformOutputPin> output(
        new (std::nothrow) TBCTransformOutputPin("Encoder output pin", this, hr, u"Out"));
    if (!output)
        hr = E_OUTOFMEMORY;
    else if (SUCCEEDED(hr))
        OutputPin = std::move(output);
    std::unique_ptr<TBCTransformInputPin> input(
        new (std::nothrow) TBCTransformInputPin("Transform input pin", this, hr, u"In"));
    if (!input)
        hr = E_OUTOFMEMORY;
    else if (SUCCEEDED(hr))
        InputPin = std::move(input);
}

void THMEncoderDestFilter::SetRecordingStart(std::chrono::system_clock::time_point start) {
    RecordingStart = start;
}

RecordingTags THMEncoderDestFilter::TagsFor(std::chrono::system_clock::time_point start) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(start);
    std::tm local{};
    char text[40] = {};
    if (localtime_r(&seconds, &local))
        (void)std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string date = text;
    // ISO 8601 writes the offset as +01:00; strftime gives +0100.
    if (date.size() == 24) date.insert(22, ":");
    std::string encoder = "Hymnaro Audio Recorder";
    if (*HYMNARO_VERSION) encoder += std::string(" ") + HYMNARO_VERSION;
    return {std::move(encoder), std::move(date)};
}

HRESULT THMEncoderDestFilter::AcceptsInputType(const AM_MEDIA_TYPE& mediaType) {
    PcmInputFormat format;
    return ReadPcmInputFormat(mediaType, format) && AcceptsFormat(format) ? S_OK : S_FALSE;
}

HRESULT THMEncoderDestFilter::AcceptsTransform(const AM_MEDIA_TYPE& inType,
                                               const AM_MEDIA_TYPE& outType) {
    if (AcceptsInputType(inType) != S_OK) return S_FALSE;
    return outType.majortype == MEDIATYPE_Stream && outType.subtype == OutputSubtype ? S_OK
                                                                                     : S_FALSE;
}

HRESULT THMEncoderDestFilter::ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    mediaType.majortype = MEDIATYPE_Stream;
    mediaType.subtype = OutputSubtype;
    return S_OK;
}

HRESULT THMEncoderDestFilter::ConfigureAllocator(IMemAllocator* allocator,
                                                 ALLOCATOR_PROPERTIES& request) {
    if (!InputPin || !InputPin->HasPeer()) return E_UNEXPECTED;
    request.cBuffers = 1;
    request.cbBuffer = kOutputBufferBytes;
    request.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual{};
    RETURN_IF_FAILED(allocator->SetProperties(&request, &actual));
    if (actual.cBuffers < request.cBuffers || actual.cbBuffer < request.cbBuffer) return E_FAIL;
    return S_OK;
}

HRESULT THMEncoderDestFilter::Stop() {
    TBCAutoLock lock(*FilterLock);
    const HRESULT hr = TBCTransformFilter::Stop();
    if (FAILED(hr) && State != State_Stopped) {
        // Both pins are deactivated and the encoder is gone; staying Running would only keep
        // the pins from disconnecting.
        State = State_Stopped;
        EndOfStreamSent = false;
    }
    return hr;
}

HRESULT THMEncoderDestFilter::OpenStream() {
    Stream = nullptr;
    if (!OutputPin || !OutputPin->HasPeer()) return E_FAIL;
    ComPtr<IPin> peer;
    if (FAILED(OutputPin->ConnectedTo(peer.put())) || !peer) return E_FAIL;
    RETURN_IF_FAILED(peer.As(Stream));
    WriteRoute = Route::Stream;
    return S_OK;
}

HRESULT THMEncoderDestFilter::CloseStream() noexcept {
    HRESULT hr = S_OK;
    try {
        hr = FlushPending();
    } catch (...) {
        hr = HResultFromCurrentException();
    }
    if (FAILED(hr) && SUCCEEDED(WriteFailure)) WriteFailure = hr;
    Pending.clear();
    WriteRoute = Route::None;
    Stream = nullptr;
    return hr;
}

HRESULT THMEncoderDestFilter::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IRecordingProgress)
        return GetInterface(static_cast<IRecordingProgress*>(this), object);
    return TBCTransformFilter::InnerQueryInterface(iid, object);
}

HRESULT THMEncoderDestFilter::GetProgress(RECORDING_PROGRESS* progress) {
    if (!progress) return E_POINTER;
    *progress = RECORDING_PROGRESS{};
    TBCAutoLock lock(*FilterLock);
    PcmInputFormat format;
    const AM_MEDIA_TYPE* type = InputPin && InputPin->HasPeer() ? InputPin->CurrentType() : nullptr;
    if (!type || !ReadPcmInputFormat(*type, format)) return VFW_E_NOT_CONNECTED;
    const ULONGLONG frames = FramesFed.load(std::memory_order_acquire);
    const ULONGLONG bytes = FileBytes.load(std::memory_order_acquire);
    progress->cFramesWritten = frames;
    progress->cbWritten = bytes;
    progress->cbRoomInFile = ~ULONGLONG(0);
    progress->nSamplesPerSec = format.samplesPerSec;
    progress->nAvgBytesPerSec = frames >= format.samplesPerSec && frames > 0
                                    ? ULONG(bytes * format.samplesPerSec / frames)
                                    : format.samplesPerSec * format.FrameBytes();
    progress->nChannels = WORD(format.channels);
    progress->wBitsPerSample = PcmInputFormat::kBitsPerSample;
    return S_OK;
}

HRESULT THMEncoderDestFilter::BeginStreaming() {
    HRESULT hr = E_UNEXPECTED;
    try {
        if (!ReadPcmInputFormat(*InputPin->CurrentType(), Format)) return VFW_E_TYPE_NOT_ACCEPTED;
        FramesFed.store(0, std::memory_order_release);
        FileBytes.store(0, std::memory_order_release);
        Position = 0;
        WriteFailure = S_OK;
        CarryBytes = 0;
        RETURN_IF_FAILED(OpenStream());
        const RecordingTags tags =
            TagsFor(RecordingStart.value_or(std::chrono::system_clock::now()));
        hr = StartEncoder(Format, tags);
    } catch (...) {
        hr = HResultFromCurrentException();
    }
    // An encoder may not pass on that a write failed; the first failure counts.
    hr = WriteFailureOr(SUCCEEDED(hr) ? CloseStream() : hr);
    if (FAILED(hr)) {
        // Nothing of a start that failed goes to the file.
        Pending.clear();
        if (SUCCEEDED(WriteFailure)) WriteFailure = hr;
        (void)FinishEncoder();
        (void)CloseStream();
    }
    return hr;
}

HRESULT THMEncoderDestFilter::EndStreaming() {
    const HRESULT failedBefore = WriteFailure;
    HRESULT hr = S_OK;
    try {
        hr = OpenStream();
        // Finished in any case, so that the encoder is freed.
        const HRESULT finished = FinishEncoder();
        if (SUCCEEDED(hr)) hr = finished;
    } catch (...) {
        hr = HResultFromCurrentException();
    }
    const HRESULT closed = CloseStream();
    if (SUCCEEDED(hr)) hr = closed;
    return FAILED(failedBefore) ? S_OK : WriteFailureOr(hr);
}

HRESULT THMEncoderDestFilter::ProcessSample(IMediaSample* sample) {
    if (InputPin->CurrentSampleProperties().dwStreamId != AM_STREAM_MEDIA)
        return TBCTransformFilter::ProcessSample(sample);
    // The file ended at a failed delivery; nothing can follow it.
    if (FAILED(WriteFailure)) return WriteFailure;
    BYTE* data = nullptr;
    RETURN_IF_FAILED(sample->GetPointer(&data));
    const LONG length = sample->GetActualDataLength();
    if (length <= 0) return S_OK;
    WriteRoute = Route::Samples;
    HRESULT hr = E_UNEXPECTED;
    try {
        hr = WriteFailureOr(Encode(data, std::size_t(length)));
    } catch (...) {
        hr = HResultFromCurrentException();
    }
    WriteRoute = Route::None;
    return hr;
}

HRESULT THMEncoderDestFilter::Encode(const BYTE* data, std::size_t size) {
    const unsigned frameBytes = Format.FrameBytes();
    if (CarryBytes > 0) {
        const std::size_t take = std::min<std::size_t>(frameBytes - CarryBytes, size);
        std::memcpy(Carry + CarryBytes, data, take);
        CarryBytes += unsigned(take);
        data += take;
        size -= take;
        if (CarryBytes < frameBytes) return S_OK;
        CarryBytes = 0;
        RETURN_IF_FAILED(EncodeFrames(Carry, 1));
        FramesFed.store(FramesFed.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    for (std::size_t frames = size / frameBytes; frames > 0;) {
        const unsigned n = unsigned(std::min<std::size_t>(frames, kMaxEncodeFrames));
        RETURN_IF_FAILED(EncodeFrames(data, n));
        FramesFed.store(FramesFed.load(std::memory_order_relaxed) + n, std::memory_order_release);
        data += std::size_t(n) * frameBytes;
        size -= std::size_t(n) * frameBytes;
        frames -= n;
    }
    std::memcpy(Carry, data, size);
    CarryBytes = unsigned(size);
    return S_OK;
}

HRESULT THMEncoderDestFilter::WriteBytes(const void* data, std::size_t size) noexcept {
    if (FAILED(WriteFailure)) return WriteFailure;
    if (size == 0) return S_OK;
    if (!data) return E_POINTER;
    HRESULT hr = E_UNEXPECTED;
    try {
        const auto* bytes = static_cast<const BYTE*>(data);
        if (WriteRoute == Route::Samples)
            hr = DeliverBytes(bytes, size);
        else if (WriteRoute == Route::Stream)
            hr = StreamBytes(bytes, size);
    } catch (...) {
        hr = HResultFromCurrentException();
    }
    if (FAILED(hr)) WriteFailure = hr;
    // The file's end, for GetProgress: the furthest any write reached.
    if (SUCCEEDED(hr) && Position > FileBytes.load(std::memory_order_relaxed))
        FileBytes.store(Position, std::memory_order_release);
    return hr;
}

HRESULT THMEncoderDestFilter::DeliverBytes(const BYTE* data, std::size_t size) {
    while (size > 0) {
        ComPtr<IMediaSample> out;
        RETURN_IF_FAILED(OutputPin->ObtainBuffer(out.put(), nullptr, nullptr, 0));
        BYTE* buffer = nullptr;
        RETURN_IF_FAILED(out->GetPointer(&buffer));
        const LONG room = out->GetSize();
        if (room <= 0) return E_UNEXPECTED;
        const std::size_t n = std::min<std::size_t>(size, std::size_t(room));
        std::memcpy(buffer, data, n);
        RETURN_IF_FAILED(out->SetActualDataLength(LONG(n)));
        REFERENCE_TIME start = REFERENCE_TIME(Position);
        REFERENCE_TIME stop = start + REFERENCE_TIME(n);
        RETURN_IF_FAILED(out->SetTime(&start, &stop));
        const HRESULT delivered = OutputPin->DeliverSample(out.get());
        // A downstream pin that takes no more (S_FALSE) leaves a gap that nothing can fill.
        if (delivered != S_OK) return FAILED(delivered) ? delivered : E_FAIL;
        Position += n;
        data += n;
        size -= n;
    }
    return S_OK;
}

HRESULT THMEncoderDestFilter::StreamBytes(const BYTE* data, std::size_t size) {
    // Consecutive writes go out as one, so that a process killed while the encoder starts
    // leaves either no header or a whole one.
    if (!Pending.empty() && Position != PendingAt + Pending.size())
        RETURN_IF_FAILED(FlushPending());
    if (Pending.empty()) PendingAt = Position;
    Pending.insert(Pending.end(), data, data + size);
    Position += size;
    return S_OK;
}

HRESULT THMEncoderDestFilter::FlushPending() {
    if (Pending.empty()) return S_OK;
    if (!Stream) return E_UNEXPECTED;
    LARGE_INTEGER at{};
    at.QuadPart = LONGLONG(PendingAt);
    RETURN_IF_FAILED(Stream->Seek(at, STREAM_SEEK_SET, nullptr));
    for (std::size_t done = 0; done < Pending.size();) {
        const ULONG n = ULONG(std::min<std::size_t>(Pending.size() - done, kOutputBufferBytes));
        ULONG written = 0;
        RETURN_IF_FAILED(Stream->Write(Pending.data() + done, n, &written));
        if (written != n) return STG_E_MEDIUMFULL;
        done += n;
    }
    Pending.clear();
    return S_OK;
}
