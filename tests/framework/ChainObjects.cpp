#include "ChainObjects.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {
HRESULT unused = S_OK;
}

HostFilter::HostFilter() : TBCBaseFilter("host", nullptr, new TBCCritSec, GUID_NULL) {}

HostFilter::~HostFilter() {
    pins.clear();
}

// ---- source --------------------------------------------------------------------------------

SourcePin::SourcePin(HostFilter* filter, const AM_MEDIA_TYPE& t, LONG buffers, LONG bufferSize)
    : TBCBaseOutputPin("source", filter, filter->FilterLock(), unused, u"Source"), buffers(buffers),
      bufferSize(bufferSize) {
    MediaTypeCopy(type, t);
}

SourcePin::~SourcePin() {
    MediaTypeClear(type);
}

HRESULT SourcePin::AcceptsType(const AM_MEDIA_TYPE& t) {
    return MediaTypeMatches(t, type) ? S_OK : S_FALSE;
}

HRESULT SourcePin::ProposeType(int position, AM_MEDIA_TYPE& mediaType) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    MediaTypeCopy(mediaType, type);
    return S_OK;
}

HRESULT SourcePin::ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) {
    request.cBuffers = std::max(request.cBuffers, buffers);
    request.cbBuffer = std::max(request.cbBuffer, bufferSize);
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(&request, &actual);
}

HRESULT SourcePin::Deliver(const std::vector<BYTE>& bytes, std::optional<REFERENCE_TIME> start,
                           std::optional<REFERENCE_TIME> stop,
                           std::function<void(IMediaSample*)> prepare) {
    ComPtr<IMediaSample> sample;
    RETURN_IF_FAILED(ObtainBuffer(sample.put(), nullptr, nullptr, 0));
    BYTE* data = nullptr;
    RETURN_IF_FAILED(sample->GetPointer(&data));
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    RETURN_IF_FAILED(sample->SetActualDataLength(LONG(bytes.size())));
    if (start) {
        REFERENCE_TIME s = *start;
        REFERENCE_TIME e = stop.value_or(s);
        RETURN_IF_FAILED(sample->SetTime(&s, stop ? &e : nullptr));
    }
    if (prepare) prepare(sample.get());
    return DeliverSample(sample.get());
}

void MarkControlStream(IMediaSample* sample) {
    ComPtr<IMediaSample2> sample2;
    ASSERT_EQ(S_OK, ComPtr<IMediaSample>(sample).As(sample2));
    AM_SAMPLE2_PROPERTIES p{};
    ASSERT_EQ(S_OK, sample2->GetProperties(sizeof p, reinterpret_cast<BYTE*>(&p)));
    p.dwStreamId = AM_STREAM_CONTROL;
    ASSERT_EQ(S_OK, sample2->SetProperties(sizeof p, reinterpret_cast<const BYTE*>(&p)));
}

// ---- sink ----------------------------------------------------------------------------------

SinkPin::SinkPin(HostFilter* filter)
    : TBCBaseInputPin("sink", filter, filter->FilterLock(), unused, u"Sink") {}

HRESULT SinkPin::InnerQueryInterface(REFIID iid, void** object) {
    if (offerStream && iid == IID_IStream) return GetInterface(static_cast<IStream*>(this), object);
    return TBCBaseInputPin::InnerQueryInterface(iid, object);
}

HRESULT SinkPin::AcceptsType(const AM_MEDIA_TYPE& t) {
    return accepts ? accepts(t) : S_OK;
}

HRESULT SinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* p) {
    if (!requirements) return E_NOTIMPL;
    *p = *requirements;
    return S_OK;
}

HRESULT SinkPin::GetAllocator(IMemAllocator** allocator) {
    if (!offeredAllocator) return TBCBaseInputPin::GetAllocator(allocator);
    return offeredAllocator.CopyTo(allocator);
}

HRESULT SinkPin::Receive(IMediaSample* sample) {
    RETURN_IF_FAILED(TBCBaseInputPin::Receive(sample));
    if (!receiveAnswers.empty()) {
        const HRESULT answer = receiveAnswers.front();
        receiveAnswers.erase(receiveAnswers.begin());
        if (answer != S_OK) return answer;
    }
    ReceivedSample r{};
    BYTE* data = nullptr;
    (void)sample->GetPointer(&data);
    r.data.assign(data, data + sample->GetActualDataLength());
    r.timeAnswer = sample->GetTime(&r.start, &r.stop);
    r.flags = SampleProperties.dwSampleFlags;
    r.streamId = SampleProperties.dwStreamId;
    if (r.timeAnswer == S_OK && std::size_t(r.start) + r.data.size() <= fileLimit) {
        const std::size_t end = std::size_t(r.start) + r.data.size();
        if (file.size() < end) file.resize(end);
        std::copy(r.data.begin(), r.data.end(), file.begin() + std::ptrdiff_t(r.start));
    }
    received.push_back(std::move(r));
    return S_OK;
}

HRESULT SinkPin::EndOfStream() {
    ++endOfStreams;
    return S_OK;
}

HRESULT SinkPin::BeginFlush() {
    ++beginFlushes;
    return TBCBaseInputPin::BeginFlush();
}

HRESULT SinkPin::EndFlush() {
    ++endFlushes;
    return TBCBaseInputPin::EndFlush();
}

HRESULT SinkPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    ++newSegments;
    return TBCBaseInputPin::NewSegment(start, stop, rate);
}

HRESULT SinkPin::WriteAt(ULONGLONG offset, const void* buffer, ULONG size) {
    if (FAILED(writeAnswer)) return writeAnswer;
    if (file.size() < offset + size) file.resize(offset + size);
    std::memcpy(file.data() + offset, buffer, size);
    return S_OK;
}

// ---- chain ---------------------------------------------------------------------------------

Chain::Chain(const AM_MEDIA_TYPE& sourceType, LONG buffers, LONG bufferSize) {
    source = new HostFilter;
    sourceHolder = source;
    sink = new HostFilter;
    sinkHolder = sink;
    source->pins.push_back(std::make_unique<SourcePin>(source, sourceType, buffers, bufferSize));
    sink->pins.push_back(std::make_unique<SinkPin>(sink));
    out = static_cast<SourcePin*>(source->pins[0].get());
    in = static_cast<SinkPin*>(sink->pins[0].get());
}

Chain::~Chain() {
    (void)source->Stop();
    if (middle) (void)middle->Stop();
    (void)sink->Stop();
    (void)out->Disconnect();
    (void)in->Disconnect();
    if (middleIn) (void)middleIn->Disconnect();
    if (middleOut) (void)middleOut->Disconnect();
}

std::pair<HRESULT, HRESULT> Chain::Connect(IBaseFilter* filter, IPin* input, IPin* output) {
    middle = filter;
    middleIn = input;
    middleOut = output;
    const HRESULT first = out->Connect(input, nullptr);
    const HRESULT second = output->Connect(in, nullptr);
    return {first, second};
}

void Chain::Run() {
    ASSERT_EQ(S_OK, sink->Pause());
    ASSERT_EQ(S_OK, middle->Pause());
    ASSERT_EQ(S_OK, source->Pause());
    ASSERT_EQ(S_OK, sink->Run(0));
    ASSERT_EQ(S_OK, middle->Run(0));
    ASSERT_EQ(S_OK, source->Run(0));
}

HRESULT Chain::Stop() {
    EXPECT_EQ(S_OK, source->Stop());
    const HRESULT hr = middle->Stop();
    EXPECT_EQ(S_OK, sink->Stop());
    return hr;
}
