#include "TestObjects.h"

#include "runtime/TaskMemory.h"

#include <gtest/gtest.h>

namespace {
constexpr GUID S1{0x5B000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr GUID S2{0x5B000002, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
constexpr GUID S3{0x5B000003, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};
constexpr GUID S4{0x5B000004, 0, 0, {0, 0, 0, 0, 0, 0, 0, 4}};

// Full types: S1 and S4 audio, S2 and S3 video.
AM_MEDIA_TYPE TypeOf(const GUID& sub) {
    const bool audio = sub == S1 || sub == S4;
    return MakeType(audio ? MEDIATYPE_Audio : MEDIATYPE_Video, sub, FORMAT_WaveFormatEx);
}

// One filter with an output pin "out" proposing S3, S4 and an input pin "in" proposing S1, S2;
// both pins share the filter's log, so the order of the protocol's steps is visible.
class BasePinTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new TestFilter;
        holder = filter;
        out = filter->AddPin(u"out", PINDIR_OUTPUT);
        in = filter->AddPin(u"in", PINDIR_INPUT);
        for (const GUID& g : {S3, S4})
            out->proposals.push_back(TypeOf(g));
        for (const GUID& g : {S1, S2})
            in->proposals.push_back(TypeOf(g));
    }
    void TearDown() override {
        ASSERT_EQ(S_OK, filter->Stop());
        filter->DisconnectAll();
    }

    TestFilter* filter = nullptr;
    ComPtr<IBaseFilter> holder;
    TestPin* out = nullptr;
    TestPin* in = nullptr;
};

std::function<HRESULT(const AM_MEDIA_TYPE&)> AcceptOnly(std::vector<GUID> subtypes,
                                                        HRESULT refusal = S_FALSE) {
    return [subtypes, refusal](const AM_MEDIA_TYPE& t) {
        for (const GUID& g : subtypes)
            if (t.subtype == g) return S_OK;
        return refusal;
    };
}

TEST_F(BasePinTest, NegotiationTable) {
    struct Case {
        const char* what;
        const AM_MEDIA_TYPE* given; // null: no type
        std::function<HRESULT(const AM_MEDIA_TYPE&)> outAccepts, inAccepts;
        bool preferOwn;
        HRESULT ownEnum, finish;
        HRESULT expected;
        std::vector<GUID> tried; // the types the initiating pin tried, in order
        int releases;            // ReleasePeer calls on the initiating pin
    };
    const AM_MEDIA_TYPE audioOnly = MakeType(MEDIATYPE_Audio, GUID_NULL, GUID_NULL);
    ScopedType full(TypeOf(S3));
    auto fixedFailure = [](const AM_MEDIA_TYPE& t) {
        return t.subtype == S1 ? E_OUTOFMEMORY : S_FALSE;
    };
    const Case cases[] = {
        {"peer's types first", nullptr, {}, {}, false, S_OK, S_OK, S_OK, {S1}, 0},
        {"own types after the peer's",
         nullptr,
         AcceptOnly({S3, S4}),
         {},
         false,
         S_OK,
         S_OK,
         S_OK,
         {S1, S2, S3},
         2},
        {"own types first when preferred", nullptr, {}, {}, true, S_OK, S_OK, S_OK, {S3}, 0},
        {"none acceptable",
         nullptr,
         AcceptOnly({}),
         {},
         false,
         S_OK,
         S_OK,
         VFW_E_NO_ACCEPTABLE_TYPES,
         {S1, S2, S3, S4},
         5},
        {"receiver refuses everything",
         nullptr,
         {},
         AcceptOnly({}, E_FAIL),
         false,
         S_OK,
         S_OK,
         VFW_E_NO_ACCEPTABLE_TYPES,
         {S1, S2, S3, S4},
         5},
        {"partial type tries matching types only",
         &audioOnly,
         AcceptOnly({S4}),
         {},
         false,
         S_OK,
         S_OK,
         S_OK,
         {S1, S4},
         1},
        {"full type is tried alone", &full.type, {}, {}, false, S_OK, S_OK, S_OK, {S3}, 0},
        {"full type refused by the receiver",
         &full.type,
         {},
         AcceptOnly({}),
         false,
         S_OK,
         S_OK,
         VFW_E_TYPE_NOT_ACCEPTED,
         {S3},
         2},
        {"a later pass replaces a specific failure",
         nullptr,
         fixedFailure,
         {},
         false,
         S_OK,
         S_OK,
         VFW_E_NO_ACCEPTABLE_TYPES,
         {S1, S2, S3, S4},
         5},
        {"without an own enumerator the specific failure stays",
         nullptr,
         fixedFailure,
         {},
         false,
         E_OUTOFMEMORY,
         S_OK,
         E_OUTOFMEMORY,
         {S1, S2},
         3},
        {"a connection finished with S_FALSE stands",
         nullptr,
         {},
         {},
         false,
         S_OK,
         S_FALSE,
         S_OK,
         {S1},
         0},
    };
    for (const Case& c : cases) {
        out->accepts = c.outAccepts;
        in->accepts = c.inAccepts;
        out->PreferOwnTypes = c.preferOwn;
        out->enumAnswer = c.ownEnum;
        out->finishAnswer = c.finish;
        out->triedSubtypes.clear();
        out->releasePeerCalls = 0;
        EXPECT_EQ(c.expected, out->Connect(in, c.given)) << c.what;
        EXPECT_EQ(c.tried, out->triedSubtypes) << c.what;
        EXPECT_EQ(c.releases, out->releasePeerCalls) << c.what;
        const bool connected = SUCCEEDED(c.expected);
        EXPECT_EQ(connected, out->HasPeer()) << c.what;
        EXPECT_EQ(connected, in->HasPeer()) << c.what;
        if (connected) {
            EXPECT_EQ(c.tried.back(), out->CurrentType()->subtype) << c.what;
            EXPECT_EQ(c.tried.back(), in->CurrentType()->subtype) << c.what;
        }
        filter->DisconnectAll();
    }
    AM_MEDIA_TYPE copy = audioOnly;
    MediaTypeClear(copy);
}

TEST_F(BasePinTest, ConnectRunsTheStepsInOrderOnBothSides) {
    ScopedType full(TypeOf(S3));
    filter->log.clear();
    ASSERT_EQ(S_OK, out->Connect(in, &full.type));
    const std::vector<std::string> expected{
        "VerifyPeer",  "AcceptsType", "AdoptType",        "ReceiveConnection", "VerifyPeer",
        "AcceptsType", "AdoptType",   "FinishConnection", "FinishConnection"};
    EXPECT_EQ(expected, filter->log);

    ComPtr<IPin> peer;
    EXPECT_EQ(S_OK, out->ConnectedTo(peer.put()));
    EXPECT_EQ(static_cast<IPin*>(in), peer.get());
    ScopedType got;
    EXPECT_EQ(S_OK, in->ConnectionMediaType(&got.type));
    EXPECT_TRUE(MediaTypeMatches(got.type, full.type));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, out->Connect(in, &full.type));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, in->ReceiveConnection(out, &full.type));
}

TEST_F(BasePinTest, ReceivingSideFailures) {
    ScopedType full(TypeOf(S3));
    in->accepts = AcceptOnly({}, S_FALSE);
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, in->ReceiveConnection(out, &full.type));
    in->accepts = AcceptOnly({}, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, in->ReceiveConnection(out, &full.type));
    in->accepts = {};
    in->finishAnswer = E_ACCESSDENIED;
    in->releasePeerCalls = 0;
    EXPECT_EQ(E_ACCESSDENIED, in->ReceiveConnection(out, &full.type));
    EXPECT_FALSE(in->HasPeer());
    EXPECT_EQ(1, in->releasePeerCalls);

    TestPin* out2 = filter->AddPin(u"out2", PINDIR_OUTPUT);
    EXPECT_EQ(VFW_E_INVALID_DIRECTION, out->Connect(out2, &full.type));
    EXPECT_FALSE(out->HasPeer());
}

TEST_F(BasePinTest, NotStoppedRefusesConnectingAndDisconnecting) {
    ScopedType full(TypeOf(S3));
    ASSERT_EQ(S_OK, out->Connect(in, &full.type));
    ASSERT_EQ(S_OK, filter->Pause());
    EXPECT_EQ(VFW_E_NOT_STOPPED, out->Disconnect());
    EXPECT_TRUE(out->HasPeer());
    TestPin* out2 = filter->AddPin(u"out2", PINDIR_OUTPUT);
    TestPin* in2 = filter->AddPin(u"in2", PINDIR_INPUT);
    EXPECT_EQ(VFW_E_NOT_STOPPED, out2->Connect(in2, &full.type));
    EXPECT_EQ(VFW_E_NOT_STOPPED, in2->ReceiveConnection(out2, &full.type));
    ASSERT_EQ(S_OK, filter->Stop());
    EXPECT_EQ(S_OK, out->Disconnect());
    EXPECT_EQ(S_FALSE, out->Disconnect());
    EXPECT_EQ(S_OK, in->Disconnect()); // the peer is not told by Disconnect

    ScopedType unconnected;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectionMediaType(&unconnected.type));
    EXPECT_EQ(1u, unconnected.type.lSampleSize);
    EXPECT_EQ(BOOL(-1), unconnected.type.bFixedSizeSamples);
    ComPtr<IPin> none;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(none.put()));
}

TEST_F(BasePinTest, PinReferencesAreTheFilters) {
    const ULONG base = filter->AddRef();
    EXPECT_EQ(base + 1, static_cast<IPin*>(out)->AddRef());
    PIN_INFO info;
    ASSERT_EQ(S_OK, out->QueryPinInfo(&info));
    EXPECT_EQ(static_cast<IBaseFilter*>(filter), info.pFilter);
    EXPECT_EQ(PINDIR_OUTPUT, info.dir);
    EXPECT_EQ(std::u16string(u"out"), info.achName);
    EXPECT_EQ(base + 3, filter->AddRef());
    (void)filter->Release();
    info.pFilter->Release();
    (void)static_cast<IPin*>(out)->Release();
    (void)filter->Release();

    void* object = nullptr;
    for (const IID& iid : {IID_IPin, IID_IQualityControl, IID_IUnknown}) {
        ASSERT_EQ(S_OK, static_cast<IPin*>(out)->QueryInterface(iid, &object));
        static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(E_NOINTERFACE, static_cast<IPin*>(out)->QueryInterface(IID_IMemInputPin, &object));

    LPWSTR id = nullptr;
    ASSERT_EQ(S_OK, out->QueryId(&id));
    EXPECT_EQ(std::u16string(u"out"), id);
    CoTaskMemFree(id);
}

TEST_F(BasePinTest, SmallAnswers) {
    in->accepts = AcceptOnly({}, E_FAIL);
    ScopedType t(TypeOf(S1));
    EXPECT_EQ(S_FALSE, in->QueryAccept(&t.type));
    in->accepts = AcceptOnly({S1}, S_FALSE);
    EXPECT_EQ(S_OK, in->QueryAccept(&t.type));

    EXPECT_EQ(S_OK, in->NewSegment(0, 10000000, 1.0));
    EXPECT_EQ(0, in->SegmentStart);
    EXPECT_EQ(10000000, in->SegmentStop);
    EXPECT_EQ(1.0, in->SegmentRate);

    Quality q{};
    EXPECT_EQ(E_NOTIMPL, in->Notify(nullptr, q));
    IPin* pins[1] = {reinterpret_cast<IPin*>(1)};
    ULONG count = 5;
    EXPECT_EQ(E_NOTIMPL, in->QueryInternalConnections(pins, &count));
    EXPECT_EQ(nullptr, pins[0]);
    EXPECT_EQ(5u, count);
    EXPECT_EQ(S_OK, in->EndOfStream());
}

TEST_F(BasePinTest, MediaTypeEnumerator) {
    ComPtr<IEnumMediaTypes> e;
    ASSERT_EQ(S_OK, in->EnumMediaTypes(e.put()));
    auto next = [&](HRESULT expected, ULONG expectedFetched) {
        AM_MEDIA_TYPE* got = nullptr;
        ULONG fetched = 9;
        EXPECT_EQ(expected, e->Next(1, &got, &fetched));
        EXPECT_EQ(expectedFetched, fetched);
        const GUID sub = got ? got->subtype : GUID_NULL;
        MediaTypeDispose(expectedFetched ? got : nullptr);
        return sub;
    };
    EXPECT_EQ(S1, next(S_OK, 1));
    EXPECT_EQ(S2, next(S_OK, 1));
    EXPECT_EQ(GUID_NULL, next(S_FALSE, 0));

    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_OK, e->Skip(1));
    ComPtr<IEnumMediaTypes> clone;
    ASSERT_EQ(S_OK, e->Clone(clone.put()));
    EXPECT_EQ(S2, next(S_OK, 1));
    e = clone;
    EXPECT_EQ(S2, next(S_OK, 1));
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_FALSE, e->Skip(5));

    ASSERT_EQ(S_OK, e->Reset());
    AM_MEDIA_TYPE* three[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, e->Next(3, three, &fetched));
    EXPECT_EQ(2u, fetched);
    MediaTypeDispose(three[0]);
    MediaTypeDispose(three[1]);
    EXPECT_EQ(E_INVALIDARG, e->Next(2, three, nullptr));

    // A count past any list leaves the enumerator at its end: it never wraps round.
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_OK, e->Skip(1));
    EXPECT_EQ(S_FALSE, e->Skip(0x7FFFFFFF));
    EXPECT_EQ(GUID_NULL, next(S_FALSE, 0));
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_FALSE, e->Skip(0xFFFFFFFF));
    EXPECT_EQ(GUID_NULL, next(S_FALSE, 0));
    EXPECT_EQ(GUID_NULL, next(S_FALSE, 0));

    in->TypeListVersion = 2; // the pin's list changed
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Next(1, three, &fetched));
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Skip(1));
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Clone(clone.put()));
    EXPECT_EQ(nullptr, clone.get());
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S1, next(S_OK, 1));
}
} // namespace
