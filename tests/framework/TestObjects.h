#pragma once
// Small stand-ins for the platform objects and peers the framework meets: counted objects,
// samples, allocators, clocks and event sinks, and a filter whose pins tests configure.
#include "framework/MediaType.h"
#include "framework/TBCBaseFilter.h"
#include "framework/TBCBasePin.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ComPtr.h"
#include "support/CountedObject.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Builds a media type; the format block, when given, is task memory owned by the record.
AM_MEDIA_TYPE MakeType(const GUID& major, const GUID& sub, const GUID& format,
                       const std::vector<BYTE>& formatBytes = {});
// The bytes of a WAVEFORMATEX for 16-bit PCM.
std::vector<BYTE> PcmFormat(WORD channels, DWORD rate, WORD extra = 0);

// A record cleared when it leaves scope.
struct ScopedType {
    AM_MEDIA_TYPE type{};
    ScopedType() = default;
    explicit ScopedType(const AM_MEDIA_TYPE& adopted) : type(adopted) {}
    ~ScopedType() { MediaTypeClear(type); }
    ScopedType(const ScopedType&) = delete;
    ScopedType& operator=(const ScopedType&) = delete;
};

// A media sample with its own buffer; offers IMediaSample2 unless told not to.
class TestSample final : public CountedObject<IMediaSample2, IMediaSample> {
public:
    explicit TestSample(LONG size, bool offerSample2 = true);
    ~TestSample() override;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IMediaSample2 && !offerSample2) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return CountedObject::QueryInterface(iid, object);
    }

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override { return LONG(buffer.size()); }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT IsSyncPoint() override { return sync ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(BOOL v) override {
        sync = v != FALSE;
        return S_OK;
    }
    HRESULT IsPreroll() override { return preroll ? S_OK : S_FALSE; }
    HRESULT SetPreroll(BOOL v) override {
        preroll = v != FALSE;
        return S_OK;
    }
    LONG GetActualDataLength() override { return actual; }
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT IsDiscontinuity() override { return discontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(BOOL v) override {
        discontinuity = v != FALSE;
        return S_OK;
    }
    HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT GetProperties(DWORD size, BYTE* properties) override;
    HRESULT SetProperties(DWORD size, const BYTE* properties) override;

    std::vector<BYTE> buffer;
    LONG actual = 0;
    bool offerSample2;
    // GetTime: S_OK with both times, VFW_S_NO_STOP_TIME-like success with the start only.
    bool timeValid = false;
    bool stopValid = false;
    REFERENCE_TIME start = 0, stop = 0;
    bool mediaTimeValid = false;
    LONGLONG mediaStart = 0, mediaStop = 0;
    bool sync = false, preroll = false, discontinuity = false;
    DWORD streamId = AM_STREAM_MEDIA;
    DWORD typeSpecificFlags = 0;
    AM_MEDIA_TYPE* type = nullptr; // task memory, owned
    HRESULT setTimeAnswer = S_OK;
    HRESULT getPointerAnswer = S_OK;
    std::vector<std::pair<DWORD, AM_SAMPLE2_PROPERTIES>> propertiesSet;
};

// An allocator handing out TestSamples; tests set what SetProperties grants and answers.
class TestAllocator final : public CountedObject<IMemAllocator> {
public:
    HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                      DWORD flags) override;
    HRESULT ReleaseBuffer(IMediaSample*) override { return S_OK; }

    ALLOCATOR_PROPERTIES properties{};
    std::vector<ALLOCATOR_PROPERTIES> requests;
    std::function<void(ALLOCATOR_PROPERTIES&)> grant; // adjusts what is granted
    HRESULT setPropertiesAnswer = S_OK;
    HRESULT commitAnswer = S_OK;
    HRESULT decommitAnswer = S_OK;
    bool committed = false;
    int commits = 0, decommits = 0;
    bool offerSample2 = true;
    HRESULT sampleSetTimeAnswer = S_OK, sampleGetPointerAnswer = S_OK;
    std::vector<DWORD> getBufferFlags;
    std::vector<std::pair<bool, bool>> getBufferTimesGiven;
    ComPtr<TestSample> lastSample;
};

class TestClock final : public CountedObject<IReferenceClock> {
public:
    HRESULT GetTime(REFERENCE_TIME* time) override {
        *time = now;
        return answer;
    }
    HRESULT AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    HRESULT AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    HRESULT Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
    REFERENCE_TIME now = 0;
    HRESULT answer = S_OK;
};

struct TestEvent {
    LONG code;
    LONG_PTR param1, param2;
};

// A graph that is only an event sink.
class TestGraph final : public CountedObject<IFilterGraph, IMediaEventSink> {
public:
    HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override {
        events.push_back({code, param1, param2});
        return S_OK;
    }
    std::vector<TestEvent> events;
};

class TestPin;

// A filter whose pins are TestPins; records every pin notification in order.
class TestFilter : public TBCBaseFilter {
public:
    TestFilter();
    ~TestFilter() override;
    int PinCount() override { return int(pins.size()); }
    TBCBasePin* PinAt(int index) override;
    TestPin* AddPin(const std::u16string& name, PIN_DIRECTION direction);
    // Disconnects every pin, as a graph does before releasing its filters.
    void DisconnectAll();
    TBCCritSec* FilterLockForPins() { return Lock.get(); }

    using TBCBaseFilter::EventSink;
    using TBCBaseFilter::Graph;
    using TBCBaseFilter::PinListVersion;
    using TBCBaseFilter::State;
    std::vector<std::unique_ptr<TestPin>> pins;
    std::vector<std::string> log;
};

// A pin whose type checks, proposals and connection hooks tests configure.
class TestPin : public TBCBasePin {
public:
    TestPin(TestFilter* filter, const std::u16string& name, PIN_DIRECTION direction);
    ~TestPin() override;

    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT Activate() override;
    HRESULT Deactivate() override;
    HRESULT StartRunning(REFERENCE_TIME start) override;
    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT AdoptType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT VerifyPeer(IPin* pin) override;
    HRESULT ReleasePeer() override;
    HRESULT FinishConnection(IPin* receivePin) override;
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) override;

    using TBCBasePin::ConnectedPin;
    using TBCBasePin::PreferOwnTypes;
    using TBCBasePin::SegmentRate;
    using TBCBasePin::SegmentStart;
    using TBCBasePin::SegmentStop;
    using TBCBasePin::StreamErrorFlag;
    using TBCBasePin::TypeListVersion;

    TestFilter* const filter;
    std::vector<AM_MEDIA_TYPE> proposals;                 // owned; cleared in the destructor
    std::function<HRESULT(const AM_MEDIA_TYPE&)> accepts; // S_OK for everything when unset
    HRESULT activateAnswer = S_OK, deactivateAnswer = S_OK, runAnswer = S_OK;
    HRESULT finishAnswer = S_OK, adoptAnswer = S_OK;
    HRESULT enumAnswer = S_OK;
    int releasePeerCalls = 0;
    std::vector<GUID> triedSubtypes; // subtypes AcceptsType saw, in order
};
