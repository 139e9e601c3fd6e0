#pragma once
// A test source and a test sink to build a small chain around a filter without a graph
// manager: the source pin proposes one type and delivers samples from the allocator it
// negotiated; the sink pin accepts what the test lets it, writes each sample's bytes at its
// start offset into an in-memory file and offers IStream for headers.
#include "TestObjects.h"

#include "framework/TBCBaseInputPin.h"
#include "framework/TBCBaseOutputPin.h"
#include "support/SeekWriteStream.h"

#include <functional>
#include <optional>

// A filter owning whatever pins a test gives it.
class HostFilter final : public TBCBaseFilter {
public:
    HostFilter();
    ~HostFilter() override;
    int PinCount() override { return int(pins.size()); }
    TBCBasePin* PinAt(int i) override { return i >= 0 && i < PinCount() ? pins[i].get() : nullptr; }
    TBCCritSec* FilterLock() { return Lock.get(); }
    std::vector<std::unique_ptr<TBCBasePin>> pins;
};

class SourcePin final : public TBCBaseOutputPin {
public:
    SourcePin(HostFilter* filter, const AM_MEDIA_TYPE& type, LONG buffers, LONG bufferSize);
    ~SourcePin() override;
    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override;
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType) override;
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;

    // Takes a buffer, fills it with bytes and delivers it; the answer of the downstream pin.
    HRESULT Deliver(const std::vector<BYTE>& bytes, std::optional<REFERENCE_TIME> start = {},
                    std::optional<REFERENCE_TIME> stop = {},
                    std::function<void(IMediaSample*)> prepare = {});

    AM_MEDIA_TYPE type;
    LONG buffers, bufferSize;
};

// Puts a sample about to be delivered into the control stream (a prepare step of Deliver).
void MarkControlStream(IMediaSample* sample);

// The sink's record of one received sample.
struct ReceivedSample {
    std::vector<BYTE> data;
    HRESULT timeAnswer;
    REFERENCE_TIME start, stop;
    DWORD flags;
    DWORD streamId;
};

class SinkPin final : public TBCBaseInputPin, public SeekWriteStream {
public:
    explicit SinkPin(HostFilter* filter);
    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    std::function<HRESULT(const AM_MEDIA_TYPE&)> accepts; // everything when unset
    bool offerStream = true;
    std::vector<HRESULT> receiveAnswers; // answered in order, then S_OK
    std::vector<ReceivedSample> received;
    std::vector<BYTE> file; // samples and the header written through the stream
    int endOfStreams = 0, beginFlushes = 0, endFlushes = 0, newSegments = 0;
    HRESULT writeAnswer = S_OK; // what a header write answers
    std::optional<ALLOCATOR_PROPERTIES> requirements;
    ComPtr<IMemAllocator> offeredAllocator; // what GetAllocator hands out, when set
    std::size_t fileLimit = 1 << 24;        // samples beyond it are recorded, not stored

    HRESULT GetAllocator(IMemAllocator** allocator) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* p) override;

private:
    HRESULT WriteAt(ULONGLONG offset, const void* buffer, ULONG size) override;
};

// Source filter → filter → sink filter, connected and torn down in order.
struct Chain {
    Chain(const AM_MEDIA_TYPE& sourceType, LONG buffers, LONG bufferSize);
    ~Chain();
    // Connects source → input and output → sink; the results of both connections.
    std::pair<HRESULT, HRESULT> Connect(IBaseFilter* filter, IPin* input, IPin* output);
    // Pauses sink, filter, source; then runs them in the same order.
    void Run();
    // Stops source, filter, sink; the filter's answer.
    HRESULT Stop();

    HostFilter* source;
    HostFilter* sink;
    ComPtr<IBaseFilter> sourceHolder, sinkHolder;
    SourcePin* out;
    SinkPin* in;
    IBaseFilter* middle = nullptr;
    IPin* middleIn = nullptr;
    IPin* middleOut = nullptr;
};
