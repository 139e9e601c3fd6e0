// The contracts of the transform filter that only show between pins: Stop waits for a sample
// still on its way downstream, flushing counts before the filter's state, ReceiveCanBlock asks
// the pins downstream, and a quality notice reaches the filter first, then the quality sink or
// the upstream pin. A source and a sink of this file's own surround the filter.
#include "ChainObjects.h"

#include "framework/TBCTransformFilter.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {
HRESULT unused = S_OK;

AM_MEDIA_TYPE PcmType() {
    return MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, PcmFormat(1, 8000));
}

// Delivers samples from the allocator it negotiated; records the quality notices it gets.
class ProbeSource final : public TBCBaseOutputPin {
public:
    explicit ProbeSource(HostFilter* filter)
        : TBCBaseOutputPin("source", filter, filter->FilterLock(), unused, u"Source") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override {
        return t.formattype == FORMAT_WaveFormatEx ? S_OK : S_FALSE;
    }
    HRESULT ProposeType(int position, AM_MEDIA_TYPE& mediaType) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        mediaType = PcmType();
        return S_OK;
    }
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override {
        request.cBuffers = 2;
        request.cbBuffer = 64;
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(&request, &actual);
    }
    HRESULT Notify(IBaseFilter* sender, Quality quality) override {
        notices.push_back({sender, quality});
        return E_ABORT; // an answer of its own, to tell whose answer came back
    }
    HRESULT Deliver() {
        ComPtr<IMediaSample> sample;
        RETURN_IF_FAILED(ObtainBuffer(sample.put(), nullptr, nullptr, 0));
        RETURN_IF_FAILED(sample->SetActualDataLength(8));
        return DeliverSample(sample.get());
    }
    std::vector<std::pair<IBaseFilter*, Quality>> notices;
};

// Accepts everything; its Receive can be held, and it says whether it may block.
class ProbeSink final : public TBCBaseInputPin {
public:
    explicit ProbeSink(HostFilter* filter)
        : TBCBaseInputPin("sink", filter, filter->FilterLock(), unused, u"Sink") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override {
        RETURN_IF_FAILED(TBCBaseInputPin::Receive(sample));
        receiving = true;
        if (whileReceiving) whileReceiving();
        receiving = false;
        return S_OK;
    }
    HRESULT EndOfStream() override {
        ++endOfStreams;
        return S_OK;
    }
    HRESULT ReceiveCanBlock() override { return canBlock; }
    std::function<void()> whileReceiving;
    std::atomic<bool> receiving{false};
    HRESULT canBlock = S_OK;
    int endOfStreams = 0;
};

// A quality sink that records what reaches it.
class QualityRecorder final : public CountedObject<IQualityControl> {
public:
    HRESULT Notify(IBaseFilter* sender, Quality quality) override {
        notices.push_back({sender, quality});
        return S_OK;
    }
    HRESULT SetSink(IQualityControl*) override { return E_NOTIMPL; }
    std::vector<std::pair<IBaseFilter*, Quality>> notices;
};

class ContractTransform final : public TBCTransformFilter {
public:
    ContractTransform() : TBCTransformFilter("transform", nullptr, GUID_NULL) {}
    HRESULT AcceptsInputType(const AM_MEDIA_TYPE& t) override {
        return t.formattype == FORMAT_WaveFormatEx ? S_OK : S_FALSE;
    }
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE&, const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT ConfigureAllocator(IMemAllocator* a, ALLOCATOR_PROPERTIES& r) override {
        r.cBuffers = 1;
        r.cbBuffer = 64;
        ALLOCATOR_PROPERTIES actual;
        return a->SetProperties(&r, &actual);
    }
    HRESULT ProposeOutputType(int position, AM_MEDIA_TYPE& t) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        t.majortype = MEDIATYPE_Stream;
        t.subtype = MEDIASUBTYPE_WAVE;
        return S_OK;
    }
    HRESULT TransformSample(IMediaSample* input, IMediaSample* output) override {
        return output->SetActualDataLength(input->GetActualDataLength());
    }
    HRESULT EndStreaming() override {
        if (onEndStreaming) onEndStreaming();
        return S_OK;
    }
    HRESULT AdjustQuality(const Quality& quality) override {
        adjusted.push_back(quality);
        return adjustAnswer ? *adjustAnswer : TBCTransformFilter::AdjustQuality(quality);
    }
    IPin* InPin() { return static_cast<IPin*>(PinAt(0)); }
    IPin* OutPin() { return static_cast<IPin*>(PinAt(1)); }
    std::function<void()> onEndStreaming;
    std::optional<HRESULT> adjustAnswer; // the base answer (S_FALSE) when unset
    std::vector<Quality> adjusted;
};

bool SameQuality(const Quality& a, const Quality& b) {
    return a.Type == b.Type && a.Proportion == b.Proportion && a.Late == b.Late &&
           a.TimeStamp == b.TimeStamp;
}

class TransformContract : public ::testing::Test {
protected:
    void SetUp() override {
        CoRegisterClassCreator(CLSID_MemoryAllocator, [](IUnknown*, REFIID iid, void** o) {
            ComPtr<TestAllocator> a(new TestAllocator);
            return a->QueryInterface(iid, o);
        });
        upstream = new HostFilter;
        upstreamHolder = upstream;
        downstream = new HostFilter;
        downstreamHolder = downstream;
        upstream->pins.push_back(std::make_unique<ProbeSource>(upstream));
        downstream->pins.push_back(std::make_unique<ProbeSink>(downstream));
        source = static_cast<ProbeSource*>(upstream->pins[0].get());
        sink = static_cast<ProbeSink*>(downstream->pins[0].get());
        filter = new ContractTransform;
        holder = static_cast<IBaseFilter*>(filter);
    }
    void TearDown() override {
        (void)upstream->Stop();
        (void)filter->Stop();
        (void)downstream->Stop();
        for (IPin* pin : {static_cast<IPin*>(source), filter->InPin(), filter->OutPin(),
                          static_cast<IPin*>(sink)})
            (void)pin->Disconnect();
        holder = nullptr;
        (void)CoRevokeClassCreator(CLSID_MemoryAllocator);
    }
    void ConnectAll() {
        ASSERT_EQ(S_OK, source->Connect(filter->InPin(), nullptr));
        ASSERT_EQ(S_OK, filter->OutPin()->Connect(sink, nullptr));
    }
    void RunAll() {
        for (IBaseFilter* f : {downstreamHolder.get(), holder.get(), upstreamHolder.get()})
            ASSERT_EQ(S_OK, f->Run(0));
    }

    HostFilter* upstream = nullptr;
    HostFilter* downstream = nullptr;
    ComPtr<IBaseFilter> upstreamHolder, downstreamHolder, holder;
    ProbeSource* source = nullptr;
    ProbeSink* sink = nullptr;
    ContractTransform* filter = nullptr;
};

TEST_F(TransformContract, StopWaitsForASampleHeldDownstreamBeforeItEndsStreaming) {
    ConnectAll();
    RunAll();
    std::mutex lock;
    std::condition_variable changed;
    bool held = false, streamingEnded = false;
    // The sink holds the sample until streaming has ended, or for a while: a Stop that does
    // not wait ends streaming meanwhile, one that waits cannot.
    sink->whileReceiving = [&] {
        std::unique_lock guard(lock);
        held = true;
        changed.notify_all();
        changed.wait_for(guard, std::chrono::milliseconds(300), [&] { return streamingEnded; });
    };
    std::atomic<bool> receivingWhenStreamingEnded{false};
    filter->onEndStreaming = [&] {
        receivingWhenStreamingEnded = sink->receiving.load();
        std::lock_guard guard(lock);
        streamingEnded = true;
        changed.notify_all();
    };

    HRESULT delivered = E_FAIL;
    std::thread streaming([&] { delivered = source->Deliver(); });
    {
        std::unique_lock guard(lock);
        ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return held; }));
    }
    HRESULT stopped = E_FAIL;
    std::thread stopping([&] { stopped = filter->Stop(); });
    stopping.join();
    streaming.join();

    EXPECT_EQ(S_OK, delivered);
    EXPECT_EQ(S_OK, stopped);
    EXPECT_TRUE(streamingEnded);
    EXPECT_FALSE(receivingWhenStreamingEnded) << "streaming ended under a sample on its way";
    // A sample that comes after the stop is refused.
    ComPtr<IMemInputPin> input;
    ASSERT_EQ(S_OK, ComPtr<IPin>(filter->InPin()).As(input));
    ComPtr<TestSample> late(new TestSample(8));
    EXPECT_EQ(VFW_E_WRONG_STATE, input->Receive(late.get()));
}

TEST_F(TransformContract, FlushingCountsBeforeTheStoppedState) {
    ConnectAll(); // and stopped
    ComPtr<IMemInputPin> input;
    ASSERT_EQ(S_OK, ComPtr<IPin>(filter->InPin()).As(input));
    ASSERT_EQ(S_OK, filter->InPin()->BeginFlush());
    ComPtr<TestSample> sample(new TestSample(8));
    // Dropped without an error, as a flush drops every sample, where the base input pin would
    // answer that the filter is stopped.
    EXPECT_EQ(S_FALSE, input->Receive(sample.get()));
    EXPECT_EQ(S_FALSE, filter->InPin()->EndOfStream());
    EXPECT_EQ(0, sink->endOfStreams);
    ASSERT_EQ(S_OK, filter->InPin()->EndFlush());
    EXPECT_EQ(VFW_E_WRONG_STATE, input->Receive(sample.get()));
}

struct BlockCase {
    const char* what;
    bool outputConnected;
    HRESULT downstreamAnswer;
    HRESULT answer;
};

TEST_F(TransformContract, ReceiveCanBlockAsksThePinsDownstream) {
    const BlockCase cases[] = {
        {"downstream cannot block", true, S_FALSE, S_FALSE},
        {"downstream may block", true, S_OK, S_OK},
        {"downstream answers a failure", true, E_NOTIMPL, S_OK},
        {"no connected output", false, S_FALSE, S_OK},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(S_OK, source->Connect(filter->InPin(), nullptr));
        if (c.outputConnected) {
            ASSERT_EQ(S_OK, filter->OutPin()->Connect(sink, nullptr));
        }
        sink->canBlock = c.downstreamAnswer;
        ComPtr<IMemInputPin> input;
        ASSERT_EQ(S_OK, ComPtr<IPin>(filter->InPin()).As(input));
        EXPECT_EQ(c.answer, input->ReceiveCanBlock());
        for (IPin* pin : {static_cast<IPin*>(source), filter->InPin(), filter->OutPin(),
                          static_cast<IPin*>(sink)})
            (void)pin->Disconnect();
    }
}

struct QualityCase {
    const char* what;
    std::optional<HRESULT> adjustAnswer; // the filter's own answer; unset: S_FALSE, pass it on
    bool qualitySink;                    // set on the input pin
    HRESULT answer;                      // of the output pin's Notify
    std::size_t toSink, toUpstream;      // notices that arrived there
};

TEST_F(TransformContract, AQualityNoticeReachesTheFilterThenTheSinkOrTheUpstreamPin) {
    const QualityCase cases[] = {
        {"passed on to the quality sink", std::nullopt, true, S_OK, 1, 0},
        {"passed on upstream without a sink", std::nullopt, false, E_ABORT, 0, 1},
        {"handled by the filter", S_OK, true, S_OK, 0, 0},
        {"refused by the filter", E_FAIL, false, E_FAIL, 0, 0},
    };
    ConnectAll();
    ComPtr<IQualityControl> output;
    ComPtr<IQualityControl> input;
    ASSERT_EQ(S_OK, ComPtr<IPin>(filter->OutPin()).As(output));
    ASSERT_EQ(S_OK, ComPtr<IPin>(filter->InPin()).As(input));
    const Quality notice{Famine, 900, -20000, 123456};
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<QualityRecorder> qualitySink(new QualityRecorder);
        ASSERT_EQ(S_OK, input->SetSink(c.qualitySink ? qualitySink.get() : nullptr));
        source->notices.clear();
        filter->adjusted.clear();
        filter->adjustAnswer = c.adjustAnswer;

        EXPECT_EQ(c.answer, output->Notify(downstreamHolder.get(), notice));
        ASSERT_EQ(1u, filter->adjusted.size());
        EXPECT_TRUE(SameQuality(notice, filter->adjusted[0]));
        ASSERT_EQ(c.toSink, qualitySink->notices.size());
        ASSERT_EQ(c.toUpstream, source->notices.size());
        for (const auto& [sender, quality] : qualitySink->notices) {
            EXPECT_EQ(holder.get(), sender) << "the filter passes it on in its own name";
            EXPECT_TRUE(SameQuality(notice, quality));
        }
        for (const auto& [sender, quality] : source->notices) {
            EXPECT_EQ(holder.get(), sender);
            EXPECT_TRUE(SameQuality(notice, quality));
        }
    }
    ASSERT_EQ(S_OK, input->SetSink(nullptr));
}
} // namespace
