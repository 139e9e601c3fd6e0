#include "TestObjects.h"

#include "runtime/TaskMemory.h"

#include <cstring>

AM_MEDIA_TYPE MakeType(const GUID& major, const GUID& sub, const GUID& format,
                       const std::vector<BYTE>& formatBytes) {
    AM_MEDIA_TYPE t;
    MediaTypeReset(t);
    t.majortype = major;
    t.subtype = sub;
    t.formattype = format;
    if (!formatBytes.empty()) {
        t.cbFormat = ULONG(formatBytes.size());
        t.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(formatBytes.size()));
        std::memcpy(t.pbFormat, formatBytes.data(), formatBytes.size());
    }
    return t;
}

std::vector<BYTE> PcmFormat(WORD channels, DWORD rate, WORD extra) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = WORD(channels * 2);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = extra;
    std::vector<BYTE> bytes(sizeof f + extra);
    std::memcpy(bytes.data(), &f, sizeof f);
    for (WORD i = 0; i < extra; ++i)
        bytes[sizeof f + i] = BYTE(0xA0 + i);
    return bytes;
}

// ---- TestSample ---------------------------------------------------------------------------

TestSample::TestSample(LONG size, bool offerSample2) : buffer(size), offerSample2(offerSample2) {}

TestSample::~TestSample() {
    MediaTypeDispose(type);
}

HRESULT TestSample::GetPointer(BYTE** p) {
    *p = nullptr;
    if (FAILED(getPointerAnswer)) return getPointerAnswer;
    *p = buffer.data();
    return S_OK;
}

HRESULT TestSample::GetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) {
    if (!timeValid) return VFW_E_SAMPLE_TIME_NOT_SET;
    *s = start;
    if (!stopValid) {
        *e = start + 1;
        return MakeHResult(0x00040270); // started, without a stop time
    }
    *e = stop;
    return S_OK;
}

HRESULT TestSample::SetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) {
    if (setTimeAnswer != S_OK) return setTimeAnswer;
    timeValid = s != nullptr;
    stopValid = e != nullptr;
    if (s) start = *s;
    if (e) stop = *e;
    return S_OK;
}

HRESULT TestSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > GetSize()) return VFW_E_BUFFER_OVERFLOW;
    actual = length;
    return S_OK;
}

HRESULT TestSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
    *mediaType = nullptr;
    if (!type) return S_FALSE;
    *mediaType = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    MediaTypeCopy(**mediaType, *type);
    return S_OK;
}

HRESULT TestSample::SetMediaType(AM_MEDIA_TYPE* mediaType) {
    MediaTypeDispose(type);
    type = nullptr;
    if (mediaType) {
        type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        MediaTypeCopy(*type, *mediaType);
    }
    return S_OK;
}

HRESULT TestSample::GetMediaTime(LONGLONG* s, LONGLONG* e) {
    if (!mediaTimeValid) return VFW_E_MEDIA_TIME_NOT_SET;
    *s = mediaStart;
    *e = mediaStop;
    return S_OK;
}

HRESULT TestSample::SetMediaTime(LONGLONG* s, LONGLONG* e) {
    mediaTimeValid = s != nullptr;
    if (s) mediaStart = *s;
    if (e) mediaStop = *e;
    return S_OK;
}

HRESULT TestSample::GetProperties(DWORD size, BYTE* properties) {
    AM_SAMPLE2_PROPERTIES p{};
    p.cbData = std::min<DWORD>(size, sizeof p);
    p.dwTypeSpecificFlags = typeSpecificFlags;
    p.dwSampleFlags = (sync ? AM_SAMPLE_SPLICEPOINT : 0) | (preroll ? AM_SAMPLE_PREROLL : 0) |
                      (discontinuity ? AM_SAMPLE_DATADISCONTINUITY : 0) |
                      (type ? AM_SAMPLE_TYPECHANGED : 0) | (timeValid ? AM_SAMPLE_TIMEVALID : 0) |
                      (stopValid ? AM_SAMPLE_STOPVALID : 0);
    p.lActual = actual;
    p.tStart = start;
    p.tStop = stop;
    p.dwStreamId = streamId;
    p.pMediaType = type;
    p.pbBuffer = buffer.data();
    p.cbBuffer = GetSize();
    std::memcpy(properties, &p, p.cbData);
    return S_OK;
}

HRESULT TestSample::SetProperties(DWORD size, const BYTE* properties) {
    AM_SAMPLE2_PROPERTIES p{};
    std::memcpy(&p, properties, std::min<DWORD>(size, sizeof p));
    propertiesSet.push_back({size, p});
    if (size >= 8) typeSpecificFlags = p.dwTypeSpecificFlags;
    if (size >= 12) {
        sync = p.dwSampleFlags & AM_SAMPLE_SPLICEPOINT;
        preroll = p.dwSampleFlags & AM_SAMPLE_PREROLL;
        discontinuity = p.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY;
        timeValid = p.dwSampleFlags & AM_SAMPLE_TIMEVALID;
        stopValid = p.dwSampleFlags & AM_SAMPLE_STOPVALID;
    }
    if (size >= 16) actual = p.lActual;
    if (size >= 32) {
        start = p.tStart;
        stop = p.tStop;
    }
    if (size >= offsetof(AM_SAMPLE2_PROPERTIES, pMediaType)) streamId = p.dwStreamId;
    return S_OK;
}

// ---- TestAllocator ------------------------------------------------------------------------

HRESULT TestAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
    requests.push_back(*request);
    if (FAILED(setPropertiesAnswer)) return setPropertiesAnswer;
    properties = *request;
    if (grant) grant(properties);
    *actual = properties;
    return S_OK;
}

HRESULT TestAllocator::GetProperties(ALLOCATOR_PROPERTIES* p) {
    *p = properties;
    return S_OK;
}

HRESULT TestAllocator::Commit() {
    ++commits;
    if (FAILED(commitAnswer)) return commitAnswer;
    committed = true;
    return S_OK;
}

HRESULT TestAllocator::Decommit() {
    ++decommits;
    if (FAILED(decommitAnswer)) return decommitAnswer;
    committed = false;
    return S_OK;
}

HRESULT TestAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                 DWORD flags) {
    *sample = nullptr;
    getBufferFlags.push_back(flags);
    getBufferTimesGiven.push_back({start != nullptr, end != nullptr});
    if (!committed) return VFW_E_NOT_COMMITTED;
    lastSample = new TestSample(properties.cbBuffer, offerSample2);
    lastSample->setTimeAnswer = sampleSetTimeAnswer;
    lastSample->getPointerAnswer = sampleGetPointerAnswer;
    return ComPtr<IMediaSample>(lastSample.get()).CopyTo(sample);
}

// ---- TestFilter and TestPin ---------------------------------------------------------------

namespace {
constexpr CLSID kTestFilterClass{0x7E57F117, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
}

TestFilter::TestFilter()
    : TBCBaseFilter("test filter", nullptr, new TBCCritSec, kTestFilterClass) {}

TestFilter::~TestFilter() {
    pins.clear();
}

TBCBasePin* TestFilter::PinAt(int index) {
    return index >= 0 && index < int(pins.size()) ? pins[index].get() : nullptr;
}

TestPin* TestFilter::AddPin(const std::u16string& name, PIN_DIRECTION direction) {
    pins.push_back(std::make_unique<TestPin>(this, name, direction));
    return pins.back().get();
}

void TestFilter::DisconnectAll() {
    for (auto& pin : pins)
        (void)pin->Disconnect();
}

namespace {
HRESULT ignored = S_OK; // pins report construction failures nowhere in these tests
}

TestPin::TestPin(TestFilter* f, const std::u16string& name, PIN_DIRECTION direction)
    : TBCBasePin("test pin", f, f->FilterLockForPins(), ignored, name, direction), filter(f) {}

TestPin::~TestPin() {
    for (AM_MEDIA_TYPE& t : proposals)
        MediaTypeClear(t);
}

HRESULT TestPin::Activate() {
    filter->log.push_back("Activate " + std::string(Name().begin(), Name().end()));
    return activateAnswer;
}

HRESULT TestPin::Deactivate() {
    filter->log.push_back("Deactivate " + std::string(Name().begin(), Name().end()));
    (void)TBCBasePin::Deactivate();
    return deactivateAnswer;
}

HRESULT TestPin::StartRunning(REFERENCE_TIME start) {
    filter->log.push_back("StartRunning " + std::string(Name().begin(), Name().end()) + " " +
                          std::to_string(start));
    return runAnswer;
}

HRESULT TestPin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    triedSubtypes.push_back(mediaType.subtype);
    filter->log.push_back("AcceptsType");
    return accepts ? accepts(mediaType) : S_OK;
}

HRESULT TestPin::AdoptType(const AM_MEDIA_TYPE& mediaType) {
    filter->log.push_back("AdoptType");
    if (FAILED(adoptAnswer)) return adoptAnswer;
    return TBCBasePin::AdoptType(mediaType);
}

HRESULT TestPin::VerifyPeer(IPin* pin) {
    filter->log.push_back("VerifyPeer");
    return TBCBasePin::VerifyPeer(pin);
}

HRESULT TestPin::ReleasePeer() {
    ++releasePeerCalls;
    filter->log.push_back("ReleasePeer");
    return S_OK;
}

HRESULT TestPin::FinishConnection(IPin*) {
    filter->log.push_back("FinishConnection");
    return finishAnswer;
}

HRESULT TestPin::ProposeType(int position, AM_MEDIA_TYPE& mediaType) {
    if (position < 0) return E_INVALIDARG;
    if (position >= int(proposals.size())) return VFW_S_NO_MORE_ITEMS;
    MediaTypeCopy(mediaType, proposals[position]);
    return S_OK;
}

HRESULT TestPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    filter->log.push_back("ReceiveConnection");
    return TBCBasePin::ReceiveConnection(connector, mediaType);
}

HRESULT TestPin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
    if (FAILED(enumAnswer)) {
        *enumerator = nullptr;
        return enumAnswer;
    }
    return TBCBasePin::EnumMediaTypes(enumerator);
}
