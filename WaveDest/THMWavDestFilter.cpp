#include "WaveDest/THMWavDestFilter.h"

#include "WaveDest/CWavDestOutputPin.h"
#include "WaveDest/WavLayout.h"
#include "framework/EAssertionFailure.h"
#include "framework/MediaType.h"
#include "framework/TBCTransformInputPin.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ComPtr.h"
#include "runtime/ObjIdl.h"

#include <cstring>
#include <new>
#include <vector>

namespace {
constexpr const char* kUnit = "HMWavDestMain";
constexpr DWORD kMaxFileBytes = WavLayout::MaxFileBytes;
} // namespace

THMWavDestFilter::THMWavDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr)
    : TBCTransformFilter(std::move(objectName), controller, CLSID_HMWavDest) {
    hr = S_OK;
    BC_CHECK(OutputPin == nullptr, kUnit, 224);
    if (SUCCEEDED(hr)) {
        std::unique_ptr<CWavDestOutputPin> output(new (std::nothrow) CWavDestOutputPin(this, hr));
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
}

THMWavDestFilter::THMWavDestFilter(std::string objectName, IUnknown* controller, REFCLSID classId)
    : TBCTransformFilter(std::move(objectName), controller, classId) {}

HRESULT THMWavDestFilter::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IRecordingProgress)
        return GetInterface(static_cast<IRecordingProgress*>(this), object);
    return TBCTransformFilter::InnerQueryInterface(iid, object);
}

HRESULT THMWavDestFilter::GetProgress(RECORDING_PROGRESS* progress) {
    if (!progress) return E_POINTER;
    *progress = RECORDING_PROGRESS{};
    TBCAutoLock lock(*FilterLock);
    const AM_MEDIA_TYPE* type = InputPin && InputPin->HasPeer() ? InputPin->CurrentType() : nullptr;
    if (!type || !type->pbFormat || type->cbFormat < WavLayout::WaveFormatBytes)
        return VFW_E_NOT_CONNECTED;
    const WavLayout::TWaveFormat format = WavLayout::GetWaveFormat(type->pbFormat, type->cbFormat);
    const DWORD written = DeliveredBytes.load(std::memory_order_acquire);
    progress->cbWritten = written;
    progress->cFramesWritten = format.blockAlign ? written / format.blockAlign : 0;
    const ULONGLONG most = kMaxFileBytes - WavLayout::HeaderBytes(type->cbFormat);
    progress->cbRoomInFile = written < most ? most - written : 0;
    progress->nSamplesPerSec = format.samplesPerSec;
    progress->nAvgBytesPerSec = format.avgBytesPerSec;
    progress->nChannels = format.channels;
    progress->wBitsPerSample = format.bitsPerSample;
    return S_OK;
}

HRESULT THMWavDestFilter::AcceptsInputType(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.formattype == FORMAT_WaveFormatEx ? S_OK : S_FALSE;
}

HRESULT THMWavDestFilter::AcceptsTransform(const AM_MEDIA_TYPE& inType, const AM_MEDIA_TYPE&) {
    RETURN_IF_FAILED(AcceptsInputType(inType));
    return S_OK;
}

HRESULT THMWavDestFilter::ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) {
    BC_CHECK(position == 0 || position == 1, kUnit, 355);
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    mediaType.majortype = MEDIATYPE_Stream;
    mediaType.subtype = MEDIASUBTYPE_WAVE;
    return S_OK;
}

HRESULT THMWavDestFilter::ConfigureAllocator(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES& request) {
    if (!InputPin || !InputPin->HasPeer()) return E_UNEXPECTED;
    request.cBuffers = 1;
    request.cbAlign = 1;
    ComPtr<IMemAllocator> upstream;
    RETURN_IF_FAILED(InputPin->GetAllocator(upstream.put()));
    ALLOCATOR_PROPERTIES upstreamProps{};
    RETURN_IF_FAILED(upstream->GetProperties(&upstreamProps));
    request.cbBuffer = upstreamProps.cbBuffer;
    BC_CHECK(request.cbBuffer != 0, kUnit, 321);
    ALLOCATOR_PROPERTIES actual{};
    RETURN_IF_FAILED(allocator->SetProperties(&request, &actual));
    BC_CHECK(actual.cBuffers == 1, kUnit, 334);
    if (actual.cBuffers < request.cBuffers || actual.cbBuffer < request.cbBuffer) return E_FAIL;
    return S_OK;
}

HRESULT THMWavDestFilter::Stop() {
    TBCAutoLock lock(*FilterLock);
    const HRESULT hr = TBCTransformFilter::Stop();
    if (FAILED(hr) && State != State_Stopped) {
        // Both pins are deactivated and no sample can pass any more; staying Running would
        // only keep the pins from disconnecting. The provisional header still describes the file.
        State = State_Stopped;
        EndOfStreamSent = false;
    }
    return hr;
}

HRESULT THMWavDestFilter::BeginStreaming() {
    const AM_MEDIA_TYPE& format = *InputPin->CurrentType();
    HeaderBytes = WavLayout::HeaderBytes(MediaTypeFormatSize(format));
    DataBytes = 0;
    DeliveredBytes.store(0, std::memory_order_release);
    ClaimedBytes = 0;
    AheadBytes = 0;
    // nAvgBytesPerSec at offset 8 of the WAVEFORMATEX, nBlockAlign at 12.
    if (format.pbFormat && format.cbFormat >= 12) {
        DWORD perSecond = 0;
        std::memcpy(&perSecond, format.pbFormat + 8, 4);
        WORD block = 0;
        if (format.cbFormat >= 14) std::memcpy(&block, format.pbFormat + 12, 2);
        if (block > 1 && perSecond % block != 0) perSecond += block - perSecond % block;
        AheadBytes = perSecond;
    }
    WriteProvisionalHeader(0);
    return S_OK;
}

HRESULT THMWavDestFilter::EndStreaming() {
    return WriteHeader(DataBytes);
}

HRESULT THMWavDestFilter::WriteHeader(DWORD dataBytes) {
    if (!OutputPin || !OutputPin->HasPeer()) return E_FAIL;
    ComPtr<IPin> peer;
    if (FAILED(OutputPin->ConnectedTo(peer.put())) || !peer) return E_FAIL;
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(peer.As(stream));

    const AM_MEDIA_TYPE& format = *InputPin->CurrentType();
    // The header size was fixed when streaming began; the format must still have it.
    if (WavLayout::HeaderBytes(format.cbFormat) != HeaderBytes) return E_UNEXPECTED;
    std::vector<BYTE> header(HeaderBytes, 0);
    WavLayout::PutHeader(header.data(), format.pbFormat, format.cbFormat, dataBytes);

    LARGE_INTEGER origin{};
    HRESULT hr = stream->Seek(origin, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) hr = stream->Write(header.data(), HeaderBytes, nullptr);
    return hr;
}

void THMWavDestFilter::WriteProvisionalHeader(DWORD dataBytes) noexcept {
    const DWORD most = kMaxFileBytes - HeaderBytes;
    const DWORD claim =
        dataBytes > most || AheadBytes > most - dataBytes ? most : dataBytes + AheadBytes;
    // Not written: the claim stays where it was and the next sample tries again.
    try {
        if (SUCCEEDED(WriteHeader(claim))) ClaimedBytes = claim;
    } catch (...) {
    }
}

HRESULT THMWavDestFilter::FinishPinConnection(PIN_DIRECTION direction, IPin* receivePin) {
    return TBCTransformFilter::FinishPinConnection(direction, receivePin);
}

HRESULT THMWavDestFilter::ProcessSample(IMediaSample* sample) {
    const DWORD kept = DataBytes;
    TooLargeRefused = false;
    if (InputPin->CurrentSampleProperties().dwStreamId == AM_STREAM_MEDIA) {
        // Renewed between samples, before the data passes the claim, so the header in the
        // file covers every byte that reaches it.
        const LONG length = sample->GetActualDataLength();
        const DWORD end = DataBytes + DWORD(length > 0 ? length : 0);
        if (end > ClaimedBytes && end >= DataBytes && end <= kMaxFileBytes - HeaderBytes)
            WriteProvisionalHeader(end);
    }
    HRESULT hr = E_UNEXPECTED;
    try {
        hr = TBCTransformFilter::ProcessSample(sample);
    } catch (...) {
        // A sample that raised an error midway did not get through either.
        DataBytes = kept;
        throw;
    }
    if (hr != S_OK) {
        DataBytes = kept;
        if (hr == E_FAIL && TooLargeRefused) hr = WAVDEST_E_FILE_TOO_LARGE;
    }
    DeliveredBytes.store(DataBytes, std::memory_order_release);
    return hr;
}

HRESULT THMWavDestFilter::TransformSample(IMediaSample* input, IMediaSample* output) {
    RETURN_IF_FAILED(CopySample(input, output));
    const DWORD length = DWORD(output->GetActualDataLength());
    const DWORD base = DataBytes + HeaderBytes;
    if (DWORD(base + length) < base) { // a WAV file ends at 4 GiB - 1
        TooLargeRefused = true;
        return E_FAIL;
    }
    REFERENCE_TIME start = REFERENCE_TIME(base);
    REFERENCE_TIME stop = REFERENCE_TIME(base) + REFERENCE_TIME(length);
    DataBytes += length;
    const HRESULT stamped = output->SetTime(&start, &stop);
    BC_CHECK(stamped == S_OK, kUnit, 505);
    return S_OK;
}

HRESULT THMWavDestFilter::CopySample(IMediaSample* source, IMediaSample* dest) {
    BC_CHECK(source != nullptr, kUnit, 126);
    BC_CHECK(dest != nullptr, kUnit, 127);
    const LONG length = source->GetActualDataLength();
    BC_CHECK(dest->GetSize() >= length, kUnit, 135);

    BYTE* from = nullptr;
    BYTE* to = nullptr;
    (void)source->GetPointer(&from);
    if (FAILED(dest->GetPointer(&to))) throw Exception("getpointer");
    if (length > 0) std::memcpy(to, from, std::size_t(length));

    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (source->GetTime(&start, &stop) == S_OK) (void)dest->SetTime(&start, &stop);
    LONGLONG mediaStart = 0;
    LONGLONG mediaStop = 0;
    if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        (void)dest->SetMediaTime(&mediaStart, &mediaStop);

    AM_MEDIA_TYPE* type = nullptr;
    (void)source->GetMediaType(&type);
    (void)dest->SetMediaType(type);
    MediaTypeDispose(type);

    (void)dest->SetActualDataLength(source->GetActualDataLength());
    return S_OK;
}
