#include "ChainObjects.h"

#include "framework/FrameworkUtil.h"
#include "framework/TBCTransformFilter.h"
#include "runtime/ClassTable.h"
#include "runtime/Exception.h"
#include "runtime/TaskMemory.h"

#include <gtest/gtest.h>

#include <new>

namespace {
// A transform whose answers tests choose; it copies the data length only.
class TestTransform final : public TBCTransformFilter {
public:
    TestTransform() : TBCTransformFilter("transform", nullptr, GUID_NULL) {}
    HRESULT AcceptsInputType(const AM_MEDIA_TYPE& t) override {
        return t.formattype == FORMAT_WaveFormatEx ? S_OK : S_FALSE;
    }
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE&, const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT ConfigureAllocator(IMemAllocator* a, ALLOCATOR_PROPERTIES& r) override {
        r.cBuffers = 1;
        r.cbBuffer = 1024;
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
        ++transforms;
        if (throwInTransform) throw Exception("getpointer");
        (void)output->SetActualDataLength(input->GetActualDataLength());
        if (answers.empty()) return S_OK;
        const HRESULT hr = answers.front();
        answers.erase(answers.begin());
        return hr;
    }
    HRESULT BeginStreaming() override {
        ++begins;
        return S_OK;
    }
    HRESULT EndStreaming() override {
        ++ends;
        return S_OK;
    }
    HRESULT InputEndOfStream() override {
        if (throwInStreamControl) throw Exception("end of stream");
        return TBCTransformFilter::InputEndOfStream();
    }
    HRESULT InputNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
        if (throwInStreamControl) throw std::bad_alloc();
        return TBCTransformFilter::InputNewSegment(start, stop, rate);
    }
    TBCBasePin* In() { return PinAt(0); }
    TBCBasePin* Out() { return PinAt(1); }
    IPin* InPin() { return static_cast<IPin*>(PinAt(0)); }
    IPin* OutPin() { return static_cast<IPin*>(PinAt(1)); }
    std::vector<HRESULT> answers;
    bool throwInTransform = false;
    bool throwInStreamControl = false;
    int transforms = 0, begins = 0, ends = 0;
};

// A seeking pass-through that only counts how often it is made.
class CountingPassThru final : public CountedObject<ISeekingPassThru, IMediaSeeking> {
public:
    static inline int created = 0;
    IPin* initPin = nullptr;
    HRESULT Init(BOOL, IPin* pin) override {
        initPin = pin;
        return S_OK;
    }
    HRESULT GetCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT IsFormatSupported(const GUID*) override { return E_NOTIMPL; }
    HRESULT QueryPreferredFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT GetTimeFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT IsUsingTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT GetDuration(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT SetPositions(LONGLONG*, DWORD, LONGLONG*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT SetRate(double) override { return E_NOTIMPL; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT GetPreroll(LONGLONG*) override { return E_NOTIMPL; }
};

class TransformFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoRegisterClassCreator(CLSID_MemoryAllocator, [this](IUnknown*, REFIID iid, void** o) {
            ComPtr<TestAllocator> a(new TestAllocator);
            allocators.push_back(a);
            return a->QueryInterface(iid, o);
        });
        ScopedType pcm(
            MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, PcmFormat(1, 8000)));
        filter = new TestTransform;
        holder = static_cast<IBaseFilter*>(filter);
        chain = std::make_unique<Chain>(pcm.type, 2, 256);
        graph = new TestGraph;
        ASSERT_EQ(S_OK, filter->JoinFilterGraph(graph.get(), u"T"));
    }
    void TearDown() override {
        chain.reset();
        (void)filter->JoinFilterGraph(nullptr, nullptr);
        holder = nullptr;
        (void)CoRevokeClassCreator(CLSID_MemoryAllocator);
    }
    void ConnectBoth() {
        const auto [first, second] =
            chain->Connect(holder.get(), filter->InPin(), filter->OutPin());
        ASSERT_EQ(S_OK, first);
        ASSERT_EQ(S_OK, second);
    }
    // The allocator of the transform's output: the one the sink's GetAllocator made.
    TestAllocator* OutputAllocator() { return allocators.back().get(); }

    std::vector<ComPtr<TestAllocator>> allocators;
    TestTransform* filter = nullptr;
    ComPtr<IBaseFilter> holder;
    std::unique_ptr<Chain> chain;
    ComPtr<TestGraph> graph;
};

TEST_F(TransformFilterTest, StreamingHooksRunOncePerStreamingRun) {
    ConnectBoth();
    ASSERT_EQ(S_OK, filter->Run(0));
    ASSERT_EQ(S_OK, filter->Pause());
    ASSERT_EQ(S_OK, filter->Run(0));
    EXPECT_EQ(1, filter->begins);
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(1, filter->ends);
    ASSERT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(2, filter->begins);
    EXPECT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(2, filter->ends);
}

TEST_F(TransformFilterTest, PauseWithoutInputSendsOneEndOfStreamPerRun) {
    ConnectBoth();
    ASSERT_EQ(S_OK, filter->InPin()->Disconnect()); // the output stays connected
    ASSERT_EQ(S_OK, chain->out->Disconnect());
    ASSERT_EQ(S_OK, chain->sink->Pause());
    ASSERT_EQ(S_OK, filter->Pause());
    ASSERT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(1, chain->in->endOfStreams);
    ASSERT_EQ(S_OK, filter->Stop());
    ASSERT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(2, chain->in->endOfStreams);
    EXPECT_EQ(0, filter->begins);
}

TEST_F(TransformFilterTest, OutputUnconnectedPausesWithoutStreaming) {
    ASSERT_EQ(S_OK, chain->out->Connect(filter->InPin(), nullptr));
    ASSERT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(0, filter->begins);
    EXPECT_FALSE(allocators.front()->committed); // no pin activated
    EXPECT_EQ(VFW_E_NOT_CONNECTED, filter->InPin()->EndOfStream());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, filter->InPin()->NewSegment(1, 2, 0.5));
    ASSERT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(0, filter->ends);
    chain->middle = holder.get();
    chain->middleIn = filter->InPin();
}

TEST_F(TransformFilterTest, OutputConnectsOnlyAfterTheInput) {
    ScopedType stream(MakeType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE, FORMAT_None));
    EXPECT_EQ(E_UNEXPECTED, filter->OutPin()->Connect(chain->in, &stream.type));
    EXPECT_FALSE(filter->Out()->HasPeer());
}

TEST_F(TransformFilterTest, PinsAreFoundByInAndOut) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, filter->FindPin(u"In", pin.put()));
    EXPECT_EQ(filter->InPin(), pin.get());
    EXPECT_EQ(S_OK, filter->FindPin(u"Out", pin.put()));
    EXPECT_EQ(filter->OutPin(), pin.get());
    EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(u"XForm In", pin.put()));
    EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(u"XForm Out", pin.put()));
    for (auto [p, id, name] : {std::tuple{filter->InPin(), u"In", u"XForm In"},
                               std::tuple{filter->OutPin(), u"Out", u"XForm Out"}}) {
        LPWSTR text = nullptr;
        ASSERT_EQ(S_OK, p->QueryId(&text));
        EXPECT_EQ(std::u16string(id), text);
        CoTaskMemFree(text);
        PIN_INFO info;
        ASSERT_EQ(S_OK, p->QueryPinInfo(&info));
        EXPECT_EQ(std::u16string(name), info.achName);
        info.pFilter->Release();
    }
}

TEST_F(TransformFilterTest, DroppedSamplesSendOneQualityEventAndMarkTheNextBuffer) {
    ConnectBoth();
    chain->Run();
    filter->answers = {S_FALSE, S_FALSE};
    EXPECT_EQ(S_OK, chain->out->Deliver({1}));
    EXPECT_EQ(S_OK, chain->out->Deliver({2}));
    EXPECT_EQ(S_OK, chain->out->Deliver({3}, {}, {},
                                        [](IMediaSample* s) { (void)s->SetSyncPoint(TRUE); }));
    ASSERT_EQ(1u, graph->events.size());
    EXPECT_EQ(EC_QUALITY_CHANGE, graph->events[0].code);
    const std::vector<DWORD> flags = OutputAllocator()->getBufferFlags;
    EXPECT_EQ(
        (std::vector<DWORD>{AM_GBF_NOTASYNCPOINT, AM_GBF_NOTASYNCPOINT | AM_GBF_PREVFRAMESKIPPED,
                            AM_GBF_PREVFRAMESKIPPED}),
        flags);
    EXPECT_EQ(1u, chain->in->received.size());
}

TEST_F(TransformFilterTest, OutputSampleCarriesTheInputProperties) {
    ConnectBoth();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({1, 2}, 100, 200,
                                        [](IMediaSample* s) { (void)s->SetDiscontinuity(TRUE); }));
    TestSample* out = OutputAllocator()->lastSample.get();
    ASSERT_EQ(1u, out->propertiesSet.size());
    EXPECT_EQ(32u, out->propertiesSet[0].first);
    EXPECT_EQ(100, out->start);
    EXPECT_EQ(200, out->stop);
    EXPECT_TRUE(out->discontinuity);
    EXPECT_EQ((std::pair<bool, bool>{true, true}), OutputAllocator()->getBufferTimesGiven.back());
}

TEST_F(TransformFilterTest, OtherStreamsPassUntransformed) {
    ConnectBoth();
    chain->Run();
    ASSERT_EQ(S_OK, chain->out->Deliver({5}, {}, {}, MarkControlStream));
    EXPECT_EQ(0, filter->transforms);
    ASSERT_EQ(1u, chain->in->received.size());
    EXPECT_EQ(AM_STREAM_CONTROL, chain->in->received[0].streamId);
}

TEST_F(TransformFilterTest, AnErrorRaisedWhileTransformingBecomesAResult) {
    ConnectBoth();
    chain->Run();
    filter->throwInTransform = true;
    EXPECT_EQ(E_FAIL, chain->out->Deliver({1}));
    filter->throwInTransform = false;
    EXPECT_EQ(S_OK, chain->out->Deliver({1})); // the streaming lock was released
}

TEST_F(TransformFilterTest, FailuresInStreamControlBecomeResults) {
    ConnectBoth();
    chain->Run();
    IPin* in = filter->InPin();
    EXPECT_EQ(E_UNEXPECTED, in->EndFlush()); // not flushing: a failed check
    ASSERT_EQ(S_OK, in->BeginFlush());
    EXPECT_EQ(E_UNEXPECTED, in->BeginFlush()); // flushing already
    ASSERT_EQ(S_OK, in->EndFlush());
    filter->throwInStreamControl = true;
    EXPECT_EQ(E_FAIL, in->EndOfStream());
    EXPECT_EQ(E_OUTOFMEMORY, in->NewSegment(0, 10, 1.0));
    filter->throwInStreamControl = false;
    EXPECT_EQ(S_OK, in->EndOfStream()); // the streaming lock was released
    EXPECT_EQ(1, chain->in->endOfStreams);
}

TEST_F(TransformFilterTest, SeekingIsAnsweredByOnePassThru) {
    CountingPassThru::created = 0;
    CountingPassThru* made = nullptr;
    CoRegisterClassCreator(CLSID_SeekingPassThru, [&](IUnknown*, REFIID iid, void** o) {
        ++CountingPassThru::created;
        made = new CountingPassThru;
        return made->QueryInterface(iid, o);
    });
    ComPtr<IMediaSeeking> first, second;
    ASSERT_EQ(S_OK, filter->OutPin()->QueryInterface(IID_PPV_ARGS(first.put())));
    ASSERT_EQ(S_OK, filter->OutPin()->QueryInterface(IID_PPV_ARGS(second.put())));
    EXPECT_EQ(1, CountingPassThru::created);
    EXPECT_EQ(filter->InPin(), made->initPin);
    (void)CoRevokeClassCreator(CLSID_SeekingPassThru);
}
} // namespace
