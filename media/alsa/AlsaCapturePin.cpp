#include "media/alsa/AlsaCapturePin.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/TaskMemory.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace {
constexpr unsigned kMinBufferMs = 500; // the device holds this much through a stalled write
constexpr unsigned kSampleMs = 250;    // a sample carries about one ALSA period
constexpr LONG kBuffers = 8;
// A device whose reads bring no audio across this many recoveries in a row, or for this long
// while they overrun, is gone: a sound server that died leaves a plugin answering every read
// with an overrun (and some leak inside each recovery), so going on would only spin.
constexpr int kFruitlessRecoveries = 20;
constexpr auto kOverrunningWithoutAudio = std::chrono::seconds(2);

LONG_PTR AsParam(HRESULT hr) {
    return LONG_PTR(std::int32_t(hr));
}
} // namespace

AlsaCapturePin::AlsaCapturePin(TBCBaseFilter* filter, TBCCritSec* lock, HRESULT& hr,
                               std::string device, std::shared_ptr<AlsaBackend> backend,
                               AlsaCaptureFormat wanted)
    : TBCBaseOutputPin("ALSA capture pin", filter, lock, hr, u"Capture"),
      device_(std::move(device)), backend_(std::move(backend)), wanted_(wanted) {}

AlsaCapturePin::~AlsaCapturePin() {
    StopStreaming(false);
    CloseDevice();
}

HRESULT AlsaCapturePin::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IKsPropertySet) return GetInterface(static_cast<IKsPropertySet*>(this), object);
    return TBCBaseOutputPin::InnerQueryInterface(iid, object);
}

HRESULT AlsaCapturePin::EnsureFormat() {
    if (formatKnown_) return S_OK;
    const int err = backend_->ProbeFormat(device_, wanted_, format_);
    if (err < 0) return HResultFromErrno(-err);
    if (format_.rate == 0 || format_.channels == 0 || format_.channels > kMaxCaptureChannels)
        return E_UNEXPECTED;
    layout_ = AlsaChannelLayout(format_);
    formatKnown_ = true;
    return S_OK;
}

HRESULT AlsaCapturePin::ProposeType(int position, AM_MEDIA_TYPE& mediaType) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    RETURN_IF_FAILED(EnsureFormat());
    const std::vector<BYTE> format = layout_.FormatBlock();
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(format.size()));
    if (!block) return E_OUTOFMEMORY;
    std::memcpy(block, format.data(), format.size());
    mediaType.majortype = MEDIATYPE_Audio;
    mediaType.subtype = MEDIASUBTYPE_PCM;
    mediaType.bFixedSizeSamples = TRUE;
    mediaType.bTemporalCompression = FALSE;
    mediaType.lSampleSize = LONG(format_.channels * 2);
    mediaType.formattype = FORMAT_WaveFormatEx;
    mediaType.pUnk = nullptr;
    mediaType.cbFormat = ULONG(format.size());
    mediaType.pbFormat = block;
    return S_OK;
}

HRESULT AlsaCapturePin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    RETURN_IF_FAILED(EnsureFormat());
    if (mediaType.majortype != MEDIATYPE_Audio || mediaType.subtype != MEDIASUBTYPE_PCM ||
        mediaType.formattype != FORMAT_WaveFormatEx || !mediaType.pbFormat)
        return S_FALSE;
    // Exactly the format block proposed: the samples come in no other.
    const std::vector<BYTE> own = layout_.FormatBlock();
    const bool same = mediaType.cbFormat == own.size() &&
                      std::memcmp(mediaType.pbFormat, own.data(), own.size()) == 0;
    return same ? S_OK : S_FALSE;
}

HRESULT AlsaCapturePin::ConfigureAllocator(IMemAllocator* allocator,
                                           ALLOCATOR_PROPERTIES& request) {
    RETURN_IF_FAILED(EnsureFormat());
    const LONG block = LONG(format_.channels * 2);
    const LONG bytes = LONG(format_.rate * kSampleMs / 1000) * block;
    request.cBuffers = std::max(request.cBuffers, kBuffers);
    request.cbBuffer = std::max(request.cbBuffer, bytes);
    request.cbAlign = std::max<LONG>(request.cbAlign, 1);
    ALLOCATOR_PROPERTIES actual{};
    RETURN_IF_FAILED(allocator->SetProperties(&request, &actual));
    if (actual.cBuffers < 1 || actual.cbBuffer < block) return E_FAIL;
    return S_OK;
}

HRESULT AlsaCapturePin::Set(REFGUID propertySet, DWORD, void*, DWORD, void*, DWORD) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    return E_PROP_ID_UNSUPPORTED; // the category is read only
}

HRESULT AlsaCapturePin::Get(REFGUID propertySet, DWORD id, void*, DWORD, void* propertyData,
                            DWORD dataLength, DWORD* bytesReturned) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!propertyData) return E_POINTER;
    if (dataLength < sizeof(GUID)) return E_UNEXPECTED;
    std::memcpy(propertyData, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
    if (bytesReturned) *bytesReturned = sizeof(GUID);
    return S_OK;
}

HRESULT AlsaCapturePin::QuerySupported(REFGUID propertySet, DWORD id, DWORD* typeSupport) {
    if (propertySet != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (typeSupport) *typeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

HRESULT AlsaCapturePin::OpenDevice() {
    RETURN_IF_FAILED(EnsureFormat());
    if (stream_) return S_OK;
    std::unique_ptr<AlsaCaptureStream> opened;
    const int err = backend_->Open(device_, format_, kMinBufferMs, opened);
    if (err < 0) return HResultFromErrno(-err);
    if (!opened) return E_UNEXPECTED;
    if (opened->Rate() != format_.rate || opened->Channels() != format_.channels)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // What the device grants must hold the time asked for, or a brief stall loses sound.
    if (opened->PeriodFrames() == 0 ||
        opened->BufferFrames() * 1000 < (unsigned long)kMinBufferMs * format_.rate)
        return HResultFromErrno(ENOBUFS);
    stream_ = std::move(opened);
    overruns_ = 0;
    meter_.Start(format_.rate, format_.channels);
    framesDelivered_ = 0;
    discontinuity_ = true;
    return S_OK;
}

void AlsaCapturePin::CloseDevice() {
    stream_.reset();
}

HRESULT AlsaCapturePin::StartStreaming() {
    if (thread_.joinable()) return S_OK;
    if (!stream_ || !Allocator || !PeerMemInputPin) return VFW_E_NOT_CONNECTED;
    stopRequested_ = false;
    try {
        thread_ = std::thread(&AlsaCapturePin::StreamSafely, this, Allocator, PeerMemInputPin);
    } catch (const std::system_error&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void AlsaCapturePin::StopStreaming(bool pausing) {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    if (stream_) stream_->Interrupt();
    // A thread waiting for a free buffer is released by the decommit (not when pausing: the
    // buffers stay for the next run, and downstream gives them back soon).
    if (!pausing && Allocator) (void)Allocator->Decommit();
    thread_.join();
    if (pausing && stream_) {
        (void)stream_->Restart();
        discontinuity_ = true;
    }
}

void AlsaCapturePin::SendDeviceLost() {
    IUnknown* self = nullptr;
    if (FAILED(Filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self))))
        self = nullptr;
    // The event carries a counted filter, freed with the event's parameters.
    if (FAILED(Filter->SendEvent(EC_DEVICE_LOST, LONG_PTR(self), 0)) && self) self->Release();
}

void AlsaCapturePin::StreamSafely(ComPtr<IMemAllocator> allocator, ComPtr<IMemInputPin> peer) {
    try {
        Stream(std::move(allocator), std::move(peer));
    } catch (...) {
        // Whatever went wrong below us ends this stream, never the process.
        (void)Filter->SendEvent(EC_ERRORABORT, AsParam(E_UNEXPECTED), 0);
    }
}

void AlsaCapturePin::Stream(ComPtr<IMemAllocator> allocator, ComPtr<IMemInputPin> peer) {
    using Clock = std::chrono::steady_clock;
    const unsigned long frameBytes = format_.channels * 2;
    const unsigned long period = stream_->PeriodFrames();
    int fruitlessRecoveries = 0;
    Clock::time_point lastAudio = Clock::now();
    while (!stopRequested_) {
        ComPtr<IMediaSample> sample;
        HRESULT hr = allocator->GetBuffer(sample.put(), nullptr, nullptr, 0);
        if (FAILED(hr) || !sample) {
            if (!stopRequested_) (void)Filter->SendEvent(EC_ERRORABORT, AsParam(hr), 0);
            return;
        }
        BYTE* data = nullptr;
        hr = sample->GetPointer(&data);
        const unsigned long capacity =
            (unsigned long)std::max<LONG>(sample->GetSize(), 0) / frameBytes;
        if (FAILED(hr) || !data || capacity == 0) {
            (void)Filter->SendEvent(EC_ERRORABORT, AsParam(FAILED(hr) ? hr : E_UNEXPECTED), 0);
            return;
        }
        const unsigned long wanted = std::min(period, capacity);
        unsigned long got = 0;
        bool gap = false, lost = false;
        while (got < wanted && !stopRequested_) {
            const long n = stream_->Read(data + got * frameBytes, wanted - got);
            if (n > 0) {
                got += (unsigned long)n;
                fruitlessRecoveries = 0;
                lastAudio = Clock::now();
            } else if (n == -EPIPE || n == -ESTRPIPE) {
                ++overruns_;
                lost = fruitlessRecoveries >= kFruitlessRecoveries ||
                       Clock::now() - lastAudio >= kOverrunningWithoutAudio ||
                       stream_->Recover(int(n)) < 0;
                ++fruitlessRecoveries;
                gap = true;
                break;
            } else if (n < 0) {
                lost = true;
                break;
            }
        }
        if (stopRequested_ && !gap && !lost && got < wanted) {
            // Stopping or pausing: what the device holds was recorded before the request and
            // belongs to the recording (downstream still runs: sources stop first).
            const long n = stream_->ReadAvailable(data + got * frameBytes, wanted - got);
            if (n > 0) got += (unsigned long)n;
        } else if (!stopRequested_ && !gap && !lost && got == wanted && got < capacity) {
            // Behind after a slow write: what the device holds beyond the period goes along
            // in the same sample, so that a stalling disk is caught up with instead of
            // overrunning the device. (An overrun found here is met by the next read.)
            const long n = stream_->ReadAvailable(data + got * frameBytes, capacity - got);
            if (n > 0) got += (unsigned long)n;
        }
        if (got > 0) {
            layout_.Arrange(data, got);
            // Measured in the file's order of channels, while the sound is still in the cache.
            meter_.Measure(data, got);
            const LONGLONG first = framesDelivered_, last = framesDelivered_ + LONGLONG(got);
            REFERENCE_TIME start = first * 10'000'000 / format_.rate;
            REFERENCE_TIME stop = last * 10'000'000 / format_.rate;
            LONGLONG mediaStart = first, mediaStop = last;
            (void)sample->SetActualDataLength(LONG(got * frameBytes));
            (void)sample->SetTime(&start, &stop);
            (void)sample->SetMediaTime(&mediaStart, &mediaStop);
            (void)sample->SetSyncPoint(TRUE);
            (void)sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
            framesDelivered_ = last;
            hr = peer->Receive(sample.get());
            sample.reset();
            if (FAILED(hr)) {
                (void)Filter->SendEvent(EC_ERRORABORT, AsParam(hr), 0);
                return;
            }
            discontinuity_ = false;
        }
        // What the device gave before it went is in the recording by now.
        if (lost) {
            SendDeviceLost();
            return;
        }
        if (gap) discontinuity_ = true; // the sound after the overrun does not follow on
    }
}
