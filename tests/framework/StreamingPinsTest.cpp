#include "TestObjects.h"

#include "framework/EAssertionFailure.h"
#include "framework/TBCBaseInputPin.h"
#include "framework/TBCBaseOutputPin.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace {
HRESULT unused = S_OK;

// A filter owning whatever pins a test gives it.
class HostFilter final : public TBCBaseFilter {
public:
    HostFilter() : TBCBaseFilter("host", nullptr, new TBCCritSec, GUID_NULL) {}
    ~HostFilter() override { pins.clear(); }
    int PinCount() override { return int(pins.size()); }
    TBCBasePin* PinAt(int i) override { return i < PinCount() ? pins[i].get() : nullptr; }
    TBCCritSec* FilterLock() { return Lock.get(); }
    std::vector<std::unique_ptr<TBCBasePin>> pins;
};

class OutPin final : public TBCBaseOutputPin {
public:
    explicit OutPin(HostFilter* f) : TBCBaseOutputPin("out", f, f->FilterLock(), unused, u"out") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override {
        configured.push_back(request);
        request.cBuffers += 10; // visible in the second call when there is one
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(&request, &actual);
    }
    using TBCBaseOutputPin::Allocator;
    using TBCBaseOutputPin::StreamErrorFlag;
    std::vector<ALLOCATOR_PROPERTIES> configured;
};

class InPin final : public TBCBaseInputPin {
public:
    explicit InPin(HostFilter* f) : TBCBaseInputPin("in", f, f->FilterLock(), unused, u"in") {}
    HRESULT AcceptsType(const AM_MEDIA_TYPE& t) override {
        return t.subtype == refusedSubtype ? S_FALSE : S_OK;
    }
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* p) override {
        if (!requirements) return TBCBaseInputPin::GetAllocatorRequirements(p);
        *p = *requirements;
        return S_OK;
    }
    HRESULT GetAllocator(IMemAllocator** a) override {
        if (FAILED(getAllocatorAnswer)) return getAllocatorAnswer;
        return TBCBaseInputPin::GetAllocator(a);
    }
    HRESULT NotifyAllocator(IMemAllocator* a, BOOL readOnly) override {
        notified.push_back(a);
        if (FAILED(notifyAnswers.empty() ? S_OK : notifyAnswers.front())) {
            const HRESULT hr = notifyAnswers.front();
            notifyAnswers.erase(notifyAnswers.begin());
            return hr;
        }
        if (!notifyAnswers.empty()) notifyAnswers.erase(notifyAnswers.begin());
        return TBCBaseInputPin::NotifyAllocator(a, readOnly);
    }
    HRESULT EndOfStream() override {
        ++endOfStreams;
        return S_OK;
    }
    using TBCBaseInputPin::Allocator;
    using TBCBaseInputPin::Flushing;
    using TBCBaseInputPin::SampleProperties;
    using TBCBaseInputPin::StreamErrorFlag;
    GUID refusedSubtype{0xBAD, 0, 0, {}};
    std::optional<ALLOCATOR_PROPERTIES> requirements;
    HRESULT getAllocatorAnswer = S_OK;
    std::vector<HRESULT> notifyAnswers;
    std::vector<IMemAllocator*> notified;
    int endOfStreams = 0;
};

// Platform allocators made in these tests are TestAllocators.
class StreamingPinsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoRegisterClassCreator(CLSID_MemoryAllocator, [this](IUnknown*, REFIID iid, void** o) {
            ComPtr<TestAllocator> a(new TestAllocator);
            created.push_back(a);
            return a->QueryInterface(iid, o);
        });
        upstream = new HostFilter;
        upstreamHolder = upstream;
        downstream = new HostFilter;
        downstreamHolder = downstream;
        upstream->pins.push_back(std::make_unique<OutPin>(upstream));
        downstream->pins.push_back(std::make_unique<InPin>(downstream));
        out = static_cast<OutPin*>(upstream->pins[0].get());
        in = static_cast<InPin*>(downstream->pins[0].get());
    }
    void TearDown() override {
        (void)upstream->Stop();
        (void)downstream->Stop();
        (void)out->Disconnect();
        (void)in->Disconnect();
        (void)CoRevokeClassCreator(CLSID_MemoryAllocator);
    }
    HRESULT Connect() {
        ScopedType t(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx));
        return out->Connect(in, &t.type);
    }

    std::vector<ComPtr<TestAllocator>> created;
    HostFilter* upstream = nullptr;
    HostFilter* downstream = nullptr;
    ComPtr<IBaseFilter> upstreamHolder, downstreamHolder;
    OutPin* out = nullptr;
    InPin* in = nullptr;
};

// ---- output pin: allocator negotiation ---------------------------------------------------

TEST_F(StreamingPinsTest, PeerAllocatorWithoutRequirementsGetsZerosAndAlignmentOne) {
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(1u, out->configured.size());
    const ALLOCATOR_PROPERTIES& r = out->configured[0];
    EXPECT_EQ((std::array<LONG, 4>{0, 0, 1, 0}),
              (std::array<LONG, 4>{r.cBuffers, r.cbBuffer, r.cbAlign, r.cbPrefix}));
    ASSERT_EQ(1u, created.size()); // the input pin's GetAllocator made it
    EXPECT_EQ(static_cast<IMemAllocator*>(created[0].get()), out->Allocator.get());
    EXPECT_EQ(out->Allocator.get(), in->Allocator.get());
}

TEST_F(StreamingPinsTest, OwnAllocatorWhenThePeerHasNoneOrRefusesItsOwn) {
    in->requirements = ALLOCATOR_PROPERTIES{2, 100, 0, 8};
    in->getAllocatorAnswer = E_NOTIMPL;
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(1u, out->configured.size());
    EXPECT_EQ(1, out->configured[0].cbAlign);
    EXPECT_EQ(8, out->configured[0].cbPrefix);
    ASSERT_EQ(S_OK, out->Disconnect());
    ASSERT_EQ(S_OK, in->Disconnect());

    in->getAllocatorAnswer = S_OK;
    in->notifyAnswers = {VFW_E_BADALIGN, S_OK};
    out->configured.clear();
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(2u, out->configured.size());
    EXPECT_EQ(12, out->configured[1].cBuffers); // the same record, as the first call left it
    EXPECT_EQ(static_cast<IMemAllocator*>(created.back().get()), out->Allocator.get());
    EXPECT_NE(in->notified[0], in->notified[1]);
}

TEST_F(StreamingPinsTest, BothChoicesFailingReturnsTheLastFailure) {
    in->notifyAnswers = {VFW_E_BADALIGN, E_OUTOFMEMORY};
    EXPECT_EQ(E_OUTOFMEMORY, Connect());
    EXPECT_EQ(nullptr, out->Allocator.get());
    EXPECT_FALSE(out->HasPeer());
}

TEST_F(StreamingPinsTest, OutputPinWithoutConnection) {
    out->StreamErrorFlag = true;
    EXPECT_EQ(VFW_E_NO_ALLOCATOR, out->Activate());
    EXPECT_EQ(VFW_E_NO_ALLOCATOR, out->Deactivate());
    EXPECT_FALSE(out->StreamErrorFlag);
    IMediaSample* sample = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(E_NOINTERFACE, out->ObtainBuffer(&sample, nullptr, nullptr, 0));
    EXPECT_EQ(nullptr, sample);
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->DeliverSample(nullptr));
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ForwardEndOfStream());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ForwardBeginFlush());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ForwardEndFlush());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ForwardNewSegment(0, 1, 1.0));
    EXPECT_EQ(E_UNEXPECTED, out->EndOfStream());
    EXPECT_EQ(E_UNEXPECTED, out->BeginFlush());
    EXPECT_EQ(E_UNEXPECTED, out->EndFlush());
}

TEST_F(StreamingPinsTest, ActivationCommitsAndDisconnectReleases) {
    ASSERT_EQ(S_OK, Connect());
    TestAllocator* allocator = created[0].get();
    ASSERT_EQ(S_OK, upstream->Pause());
    EXPECT_TRUE(allocator->committed);
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(S_OK, out->ObtainBuffer(sample.put(), nullptr, nullptr, 0));
    ASSERT_EQ(S_OK, downstream->Pause());
    EXPECT_EQ(S_OK, out->DeliverSample(sample.get()));
    EXPECT_EQ(S_OK, out->ForwardEndOfStream());
    EXPECT_EQ(1, in->endOfStreams);
    ASSERT_EQ(S_OK, upstream->Stop());
    EXPECT_FALSE(allocator->committed);

    allocator->decommitAnswer = E_FAIL; // a failed decommit keeps the connection
    EXPECT_EQ(E_FAIL, out->Disconnect());
    EXPECT_TRUE(out->HasPeer());
    allocator->decommitAnswer = S_OK;
    EXPECT_EQ(S_OK, out->Disconnect());
    EXPECT_EQ(nullptr, out->Allocator.get());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->DeliverSample(sample.get()));
}

// ---- input pin ------------------------------------------------------------------------

TEST_F(StreamingPinsTest, ReceiveChecksStateBeforeFlushing) {
    ASSERT_EQ(S_OK, Connect());
    ComPtr<TestSample> sample(new TestSample(16));
    ASSERT_EQ(S_OK, in->BeginFlush());
    EXPECT_EQ(VFW_E_WRONG_STATE, in->Receive(sample.get()));
    ASSERT_EQ(S_OK, downstream->Pause());
    EXPECT_EQ(S_FALSE, in->Receive(sample.get()));
    EXPECT_EQ(0u, in->SampleProperties.cbData); // nothing captured
    ASSERT_EQ(S_OK, in->EndFlush());
    EXPECT_EQ(S_OK, in->Receive(sample.get()));
    EXPECT_EQ(sizeof(AM_SAMPLE2_PROPERTIES), in->CurrentSampleProperties().cbData);
}

TEST_F(StreamingPinsTest, SampleWithoutSample2GivesItsPropertiesThroughIMediaSample) {
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(S_OK, downstream->Pause());
    ComPtr<TestSample> sample(new TestSample(32, false));
    sample->timeValid = true; // a start time only
    sample->start = 70;
    sample->sync = true;
    sample->discontinuity = true;
    sample->actual = 20;
    ScopedType t(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2}));
    ASSERT_EQ(S_OK, sample->SetMediaType(&t.type)); // reported as a copy the pin must free
    ASSERT_EQ(S_OK, in->Receive(sample.get()));
    const AM_SAMPLE2_PROPERTIES& p = in->CurrentSampleProperties();
    EXPECT_EQ(AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_DATADISCONTINUITY | AM_SAMPLE_TIMEVALID |
                  AM_SAMPLE_STOPVALID | AM_SAMPLE_TYPECHANGED,
              p.dwSampleFlags);
    EXPECT_EQ(70, p.tStart);
    EXPECT_EQ(20, p.lActual);
    EXPECT_EQ(32, p.cbBuffer);
    EXPECT_EQ(sample->buffer.data(), p.pbBuffer);
    ASSERT_NE(nullptr, p.pMediaType);
    EXPECT_EQ(2u, p.pMediaType->cbFormat);
    ASSERT_EQ(S_OK, in->Receive(sample.get())); // the first copy is freed now
}

TEST_F(StreamingPinsTest, RefusedTypeChangeStopsTheStreamUntilEndFlush) {
    ComPtr<TestGraph> graph(new TestGraph);
    ASSERT_EQ(S_OK, downstream->JoinFilterGraph(graph.get(), u"down"));
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(S_OK, downstream->Pause());
    ComPtr<TestSample> sample(new TestSample(8));
    ScopedType refused(MakeType(MEDIATYPE_Audio, in->refusedSubtype, FORMAT_WaveFormatEx));
    ASSERT_EQ(S_OK, sample->SetMediaType(&refused.type));
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, in->Receive(sample.get()));
    EXPECT_EQ(1, in->endOfStreams);
    ASSERT_EQ(1u, graph->events.size());
    EXPECT_EQ(EC_ERRORABORT, graph->events[0].code);
    EXPECT_EQ(LONG_PTR(VFW_E_TYPE_NOT_ACCEPTED), graph->events[0].param1);

    ASSERT_EQ(S_OK, sample->SetMediaType(nullptr));
    EXPECT_EQ(VFW_E_RUNTIME_ERROR, in->Receive(sample.get()));
    ASSERT_EQ(S_OK, in->BeginFlush());
    ASSERT_EQ(S_OK, in->EndFlush());
    EXPECT_EQ(S_OK, in->Receive(sample.get()));
    ASSERT_EQ(S_OK, downstream->JoinFilterGraph(nullptr, nullptr));
}

TEST_F(StreamingPinsTest, ReceiveMultipleStopsAtTheFirstRefusal) {
    ASSERT_EQ(S_OK, Connect());
    ASSERT_EQ(S_OK, downstream->Pause());
    ComPtr<TestSample> good(new TestSample(8)), bad(new TestSample(8));
    ScopedType refused(MakeType(MEDIATYPE_Audio, in->refusedSubtype, FORMAT_WaveFormatEx));
    ASSERT_EQ(S_OK, bad->SetMediaType(&refused.type));
    IMediaSample* samples[] = {good.get(), bad.get(), good.get()};
    LONG processed = 9;
    EXPECT_EQ(S_OK, in->ReceiveMultiple(samples, 0, &processed));
    EXPECT_EQ(0, processed);
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, in->ReceiveMultiple(samples, 3, &processed));
    EXPECT_EQ(1, processed);
}

TEST_F(StreamingPinsTest, AllocatorAnswersOfTheInputPin) {
    ComPtr<IMemAllocator> first, second;
    ASSERT_EQ(S_OK, in->GetAllocator(first.put()));
    ASSERT_EQ(S_OK, in->GetAllocator(second.put()));
    EXPECT_EQ(first, second);
    EXPECT_EQ(1u, created.size());
    EXPECT_EQ(S_OK, in->NotifyAllocator(nullptr, FALSE));
    EXPECT_EQ(VFW_E_NO_ALLOCATOR, in->Deactivate());
    ALLOCATOR_PROPERTIES props{};
    EXPECT_EQ(E_NOTIMPL, static_cast<TBCBaseInputPin*>(in)->GetAllocatorRequirements(&props));
    EXPECT_EQ(S_OK, in->ReceiveCanBlock()); // no connected outputs
    Quality q{};
    EXPECT_EQ(VFW_E_NOT_FOUND, in->PassQualityNotice(q));
    EXPECT_EQ(S_OK, in->Notify(nullptr, q));
}

TEST_F(StreamingPinsTest, FlushingTwiceViolatesAPrecondition) {
    EXPECT_THROW((void)in->EndFlush(), EAssertionFailure);
    ASSERT_EQ(S_OK, in->BeginFlush());
    try {
        (void)in->BeginFlush();
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Assertion failure (BaseClass, line 5676)", e.Message());
    }
}
} // namespace
