#include "framework/TBCTransformFilter.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {
using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgPointee;

// A pin whose only interesting answer is its peer; it counts its references.
struct PeerPin : IPin {
    int refs = 1;
    IPin* peer = nullptr;
    IUnknown* seeking = nullptr; // answers IMediaSeeking when set
    HRESULT QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IMediaSeeking && seeking) return seeking->QueryInterface(iid, object);
        if (iid != IID_IUnknown && iid != IID_IPin) return E_NOINTERFACE;
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }
    HRESULT Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Disconnect() override { return E_NOTIMPL; }
    HRESULT ConnectedTo(IPin** pin) override {
        *pin = peer;
        if (!peer) return VFW_E_NOT_CONNECTED;
        peer->AddRef();
        return S_OK;
    }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
    HRESULT QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT EndOfStream() override { return E_NOTIMPL; }
    HRESULT BeginFlush() override { return E_NOTIMPL; }
    HRESULT EndFlush() override { return E_NOTIMPL; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }
};

struct MockSeeking : IMediaSeeking {
    HRESULT QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IMediaSeeking || iid == IID_IUnknown ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    MOCK_METHOD(HRESULT, GetCapabilities, (DWORD*), (override));
    MOCK_METHOD(HRESULT, CheckCapabilities, (DWORD*), (override));
    MOCK_METHOD(HRESULT, IsFormatSupported, (const GUID*), (override));
    MOCK_METHOD(HRESULT, QueryPreferredFormat, (GUID*), (override));
    MOCK_METHOD(HRESULT, GetTimeFormat, (GUID*), (override));
    MOCK_METHOD(HRESULT, IsUsingTimeFormat, (const GUID*), (override));
    MOCK_METHOD(HRESULT, SetTimeFormat, (const GUID*), (override));
    MOCK_METHOD(HRESULT, GetDuration, (LONGLONG*), (override));
    MOCK_METHOD(HRESULT, GetStopPosition, (LONGLONG*), (override));
    MOCK_METHOD(HRESULT, GetCurrentPosition, (LONGLONG*), (override));
    MOCK_METHOD(HRESULT, ConvertTimeFormat, (LONGLONG*, const GUID*, LONGLONG, const GUID*),
                (override));
    MOCK_METHOD(HRESULT, SetPositions, (LONGLONG*, DWORD, LONGLONG*, DWORD), (override));
    MOCK_METHOD(HRESULT, GetPositions, (LONGLONG*, LONGLONG*), (override));
    MOCK_METHOD(HRESULT, GetAvailable, (LONGLONG*, LONGLONG*), (override));
    MOCK_METHOD(HRESULT, SetRate, (double), (override));
    MOCK_METHOD(HRESULT, GetRate, (double*), (override));
    MOCK_METHOD(HRESULT, GetPreroll, (LONGLONG*), (override));
};

// A controlling object that aggregates the pass-through, as a filter's pin would.
struct Outer : IUnknown {
    int refs = 1;
    ComPtr<IUnknown> inner;
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, object);
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }
};

class SeekingPassThruTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SeekingPassThru, &outer, CLSCTX_INPROC_SERVER,
                                         IID_IUnknown, outer.inner.put_void()));
        ComPtr<ISeekingPassThru> init;
        ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(init.put())));
        ASSERT_EQ(S_OK, init->Init(FALSE, &input));
        ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(seeking.put())));
    }
    void TearDown() override {
        seeking.reset();
        outer.inner.reset();
        EXPECT_EQ(1, outer.refs);
        EXPECT_EQ(1, input.refs); // the pass-through never kept a count on the pin
    }

    PeerPin input, upstream;
    Outer outer;
    ComPtr<IMediaSeeking> seeking;
};

TEST_F(SeekingPassThruTest, ForwardsToTheUpstreamPeer) {
    MockSeeking up;
    upstream.seeking = &up;
    input.peer = &upstream;
    EXPECT_CALL(up, GetDuration(_))
        .WillOnce(DoAll(SetArgPointee<0>(LONGLONG(5'000'000)), Return(S_OK)));
    EXPECT_CALL(up,
                SetPositions(_, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning))
        .WillOnce(Return(S_OK));
    LONGLONG duration = 0;
    EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
    EXPECT_EQ(5'000'000, duration);
    LONGLONG position = 0;
    EXPECT_EQ(S_OK, seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                          AM_SEEKING_NoPositioning));
    EXPECT_EQ(1, upstream.refs);
}

TEST_F(SeekingPassThruTest, FailsCleanlyWithoutASeekableUpstream) {
    LONGLONG value = 0;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, seeking->GetCurrentPosition(&value));
    input.peer = &upstream; // connected, but upstream cannot seek
    EXPECT_EQ(E_NOTIMPL, seeking->GetCurrentPosition(&value));
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(position.put())));
    REFTIME length = 0;
    EXPECT_EQ(E_NOTIMPL, position->get_Duration(&length));
    EXPECT_EQ(1, upstream.refs);
}

TEST_F(SeekingPassThruTest, AggregatedReferencesGoToTheOuterObject) {
    const int before = outer.refs;
    ComPtr<IMediaSeeking> again = seeking;
    EXPECT_EQ(before + 1, outer.refs);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, again->QueryInterface(IID_PPV_ARGS(identity.put())));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
    // A non-IUnknown request with a controlling object is refused at creation.
    ComPtr<IMediaSeeking> direct;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_SeekingPassThru, &outer, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(direct.put())));
}

// A transform filter that only has to exist; it says when it is gone.
class BareTransform final : public TBCTransformFilter {
public:
    explicit BareTransform(bool& gone)
        : TBCTransformFilter("bare", nullptr, GUID_NULL), gone_(gone) {}
    ~BareTransform() override { gone_ = true; }
    HRESULT AcceptsInputType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE&, const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT ConfigureAllocator(IMemAllocator*, ALLOCATOR_PROPERTIES&) override { return S_OK; }
    HRESULT ProposeOutputType(int, AM_MEDIA_TYPE&) override { return VFW_S_NO_MORE_ITEMS; }

private:
    bool& gone_;
};

// The real pass-through behind a transform filter's output pin, held after the filter and
// the pin were let go: it is the pin, so it holds the filter until its last reference goes.
TEST(TransformOutputSeeking, LivesAsLongAsTheFilterAndAnswersAsThePin) {
    const LONG objectsBefore = ActiveObjectCount;
    bool gone = false;
    ComPtr<IBaseFilter> filter(new BareTransform(gone));
    ComPtr<IPin> out;
    ASSERT_EQ(S_OK, filter->FindPin(u"Out", out.put()));
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(S_OK, out.As(seeking));
    ComPtr<IUnknown> pinIdentity;
    ASSERT_EQ(S_OK, out.As(pinIdentity));
    const IUnknown* const pin = pinIdentity.get(); // only compared, never called
    const IPin* const outPin = out.get();
    pinIdentity.reset();

    filter.reset();
    out.reset();
    EXPECT_FALSE(gone);
    DWORD capabilities = 0;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, seeking->GetCapabilities(&capabilities));

    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, seeking.As(identity));
    EXPECT_EQ(pin, identity.get());
    identity.reset();
    ComPtr<IPin> asPin;
    EXPECT_EQ(S_OK, seeking.As(asPin));
    EXPECT_EQ(outPin, asPin.get());
    asPin.reset();
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(S_OK, seeking.As(position));
    seeking.reset();
    EXPECT_FALSE(gone);
    REFTIME length = 0;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, position->get_Duration(&length));
    position.reset();
    EXPECT_TRUE(gone);
    EXPECT_EQ(objectsBefore, ActiveObjectCount); // the pass-through went with its filter
}
} // namespace
