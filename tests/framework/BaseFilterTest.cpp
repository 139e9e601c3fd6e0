#include "TestObjects.h"

#include "framework/EAssertionFailure.h"

#include <gtest/gtest.h>

namespace {
using Log = std::vector<std::string>;

// A filter with two connected output pins "A" and "B" and one unconnected input "C".
class BaseFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new TestFilter;
        holder = filter; // one counted reference keeps the filter alive
        a = filter->AddPin(u"A", PINDIR_OUTPUT);
        b = filter->AddPin(u"B", PINDIR_OUTPUT);
        c = filter->AddPin(u"C", PINDIR_INPUT);
        peerFilter = new TestFilter;
        peerHolder = peerFilter;
        for (int i = 0; i < 2; ++i)
            peers.push_back(peerFilter->AddPin(i ? u"in1" : u"in0", PINDIR_INPUT));
        for (TestPin* pin : {a, b})
            pin->proposals.push_back(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL));
        ASSERT_EQ(S_OK, a->Connect(peers[0], nullptr));
        ASSERT_EQ(S_OK, b->Connect(peers[1], nullptr));
        filter->log.clear();
    }
    void TearDown() override {
        EXPECT_EQ(S_OK, filter->Stop());
        filter->DisconnectAll();
        peerFilter->DisconnectAll();
    }

    TestFilter* filter = nullptr;
    ComPtr<IBaseFilter> holder;
    TestPin *a = nullptr, *b = nullptr, *c = nullptr;
    TestFilter* peerFilter = nullptr;
    ComPtr<IBaseFilter> peerHolder;
    std::vector<TestPin*> peers;
};

TEST_F(BaseFilterTest, StateTableTellsConnectedPinsOnly) {
    struct Step {
        const char* call;
        FILTER_STATE to;
        Log told;
    } steps[] = {
        {"Stop", State_Stopped, {}},
        {"Pause", State_Paused, {"Activate A", "Activate B"}},
        {"Pause", State_Paused, {}},
        {"Run", State_Running, {"StartRunning A 5", "StartRunning B 5"}},
        {"Run", State_Running, {}},
        {"Pause", State_Paused, {}},
        {"Stop", State_Stopped, {"Deactivate A", "Deactivate B"}},
        {"Run",
         State_Running,
         {"Activate A", "Activate B", "StartRunning A 5", "StartRunning B 5"}},
        {"Stop", State_Stopped, {"Deactivate A", "Deactivate B"}},
    };
    for (const Step& s : steps) {
        filter->log.clear();
        const std::string call = s.call;
        const HRESULT hr = call == "Stop"    ? filter->Stop()
                           : call == "Pause" ? filter->Pause()
                                             : filter->Run(5);
        EXPECT_EQ(S_OK, hr) << call;
        FILTER_STATE state;
        EXPECT_EQ(S_OK, filter->GetState(0, &state));
        EXPECT_EQ(s.to, state) << call;
        EXPECT_EQ(s.told, filter->log) << call;
    }
}

TEST_F(BaseFilterTest, FailuresKeepTheStateExceptStopWhichReportsTheFirst) {
    b->activateAnswer = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, filter->Pause());
    EXPECT_EQ(State_Stopped, FILTER_STATE(filter->State));
    EXPECT_EQ((Log{"Activate A", "Activate B"}), filter->log);

    b->activateAnswer = S_OK;
    a->runAnswer = E_ACCESSDENIED;
    EXPECT_EQ(E_ACCESSDENIED, filter->Run(7));
    EXPECT_EQ(State_Paused, FILTER_STATE(filter->State)); // after the implicit pause

    a->runAnswer = S_OK;
    ASSERT_EQ(S_OK, filter->Run(7));
    filter->log.clear();
    a->deactivateAnswer = E_FAIL;
    b->deactivateAnswer = E_UNEXPECTED;
    EXPECT_EQ(E_FAIL, filter->Stop());
    EXPECT_EQ((Log{"Deactivate A", "Deactivate B"}), filter->log);
    EXPECT_EQ(State_Stopped, FILTER_STATE(filter->State));
    a->deactivateAnswer = b->deactivateAnswer = S_OK;
}

TEST_F(BaseFilterTest, StreamTimeIsClockTimeLessStart) {
    REFERENCE_TIME t = 0;
    EXPECT_EQ(VFW_E_NO_CLOCK, filter->GetStreamTime(t));
    ComPtr<TestClock> clock(new TestClock);
    clock->now = 1000000;
    ASSERT_EQ(S_OK, filter->SetSyncSource(clock.get()));
    ASSERT_EQ(S_OK, filter->Run(400000));
    EXPECT_EQ(S_OK, filter->GetStreamTime(t));
    EXPECT_EQ(600000, t);
    clock->answer = E_FAIL;
    EXPECT_EQ(E_FAIL, filter->GetStreamTime(t));

    ComPtr<IReferenceClock> got;
    EXPECT_EQ(S_OK, filter->GetSyncSource(got.put()));
    EXPECT_EQ(clock.get(), got.get());
    got = nullptr;
    EXPECT_EQ(S_OK, filter->SetSyncSource(nullptr));
    EXPECT_EQ(1u, clock->Count());
}

TEST_F(BaseFilterTest, FindPinComparesNamesExactly) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, filter->FindPin(u"B", pin.put()));
    EXPECT_EQ(static_cast<IPin*>(b), pin.get());
    EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(u"b", pin.put()));
    EXPECT_EQ(nullptr, pin.get());
}

TEST_F(BaseFilterTest, QueryFilterInfoCutsLongNamesAndCountsTheGraph) {
    ComPtr<TestGraph> graph(new TestGraph);
    const std::u16string longName(200, u'x');
    ASSERT_EQ(S_OK, filter->JoinFilterGraph(graph.get(), longName.c_str()));
    EXPECT_EQ(static_cast<IMediaEventSink*>(graph.get()), filter->EventSink);
    EXPECT_EQ(1u, graph->Count()); // neither the graph nor its sink is counted

    FILTER_INFO info;
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(std::u16string(127, u'x'), std::u16string(info.achName));
    EXPECT_EQ(static_cast<IFilterGraph*>(graph.get()), info.pGraph);
    EXPECT_EQ(2u, graph->Count());
    info.pGraph->Release();

    ASSERT_EQ(S_OK, filter->JoinFilterGraph(nullptr, nullptr));
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(0, info.achName[0]);
    EXPECT_EQ(nullptr, info.pGraph);
    EXPECT_EQ(nullptr, filter->EventSink);
    EXPECT_EQ(E_NOTIMPL, filter->SendEvent(EC_COMPLETE, 1, 2));
}

TEST_F(BaseFilterTest, SendEventPutsTheFilterIntoEndOfStream) {
    ComPtr<TestGraph> graph(new TestGraph);
    ASSERT_EQ(S_OK, filter->JoinFilterGraph(graph.get(), u"F"));
    EXPECT_EQ(S_OK, filter->SendEvent(EC_COMPLETE, 1, 2));
    EXPECT_EQ(S_OK, filter->SendEvent(EC_ERRORABORT, 3, 4));
    ASSERT_EQ(2u, graph->events.size());
    EXPECT_EQ(LONG_PTR(static_cast<IBaseFilter*>(filter)), graph->events[0].param2);
    EXPECT_EQ(1, graph->events[0].param1);
    EXPECT_EQ(4, graph->events[1].param2);
    ASSERT_EQ(S_OK, filter->JoinFilterGraph(nullptr, nullptr));
}

TEST_F(BaseFilterTest, AnswersItsInterfacesOnly) {
    void* object = nullptr;
    for (const IID& iid : {IID_IBaseFilter, IID_IAMovieSetup, IID_IUnknown}) {
        ASSERT_EQ(S_OK, holder->QueryInterface(iid, &object));
        static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(E_NOINTERFACE, holder->QueryInterface(IID_IMediaFilter, &object));
    EXPECT_EQ(E_NOINTERFACE, holder->QueryInterface(IID_IPersist, &object));
    LPWSTR vendor = nullptr;
    EXPECT_EQ(E_NOTIMPL, filter->QueryVendorInfo(&vendor));
}

TEST(BaseFilter, ALockIsRequired) {
    struct NoLock final : TBCBaseFilter {
        NoLock() : TBCBaseFilter("", nullptr, nullptr, GUID_NULL) {}
        int PinCount() override { return 0; }
        TBCBasePin* PinAt(int) override { return nullptr; }
    };
    try {
        NoLock filter;
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Lock = nil ! (BaseClass, line 3872)", e.Message());
    }
}

// ---- pin enumerator ------------------------------------------------------------------------

std::vector<IPin*> NextPins(IEnumPins* e, ULONG count, HRESULT expected, ULONG expectFetched) {
    std::vector<IPin*> pins(std::max<ULONG>(count, 1), nullptr);
    ULONG fetched = 99;
    EXPECT_EQ(expected, e->Next(count, pins.data(), &fetched));
    EXPECT_EQ(expectFetched, fetched);
    pins.resize(fetched);
    for (IPin* p : pins)
        p->Release();
    return pins;
}

TEST_F(BaseFilterTest, PinEnumeratorNextSkipResetClone) {
    ComPtr<IEnumPins> e;
    ASSERT_EQ(S_OK, filter->EnumPins(e.put()));
    IPin* pa = a;
    IPin* pb = b;
    IPin* pc = c;
    EXPECT_EQ(std::vector<IPin*>{pa}, NextPins(e.get(), 1, S_OK, 1));

    ComPtr<IEnumPins> clone;
    ASSERT_EQ(S_OK, e->Clone(clone.put()));
    EXPECT_EQ(std::vector<IPin*>{pb}, NextPins(clone.get(), 1, S_OK, 1));

    EXPECT_EQ((std::vector<IPin*>{pb, pc}), NextPins(e.get(), 3, S_FALSE, 2));
    EXPECT_EQ(std::vector<IPin*>{}, NextPins(e.get(), 1, S_FALSE, 0));
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(std::vector<IPin*>{pa}, NextPins(e.get(), 1, S_OK, 1));

    IPin* two[2];
    EXPECT_EQ(E_INVALIDARG, e->Next(2, two, nullptr));
    IPin* one = nullptr;
    EXPECT_EQ(S_OK, e->Next(1, &one, nullptr)); // one pin needs no fetched place
    EXPECT_EQ(pb, one);
    one->Release();

    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_FALSE, e->Skip(5));
    EXPECT_EQ(S_OK, e->Skip(3));
    EXPECT_EQ(S_FALSE, e->Skip(1));
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(S_OK, e->Skip(2));
    EXPECT_EQ(std::vector<IPin*>{pc}, NextPins(e.get(), 1, S_OK, 1));
}

// A changed pin list: Next starts over on it without handing out a pin twice, while Skip and
// Clone refuse until Reset.
TEST_F(BaseFilterTest, PinEnumeratorStartsOverOnAChangedListWithoutRepeatingPins) {
    ComPtr<IEnumPins> e;
    ASSERT_EQ(S_OK, filter->EnumPins(e.put()));
    IPin* pa = a;
    IPin* pb = b;
    IPin* pc = c;
    EXPECT_EQ(std::vector<IPin*>{pa}, NextPins(e.get(), 1, S_OK, 1));
    ASSERT_EQ(S_OK, e->Skip(1)); // past B
    filter->PinListVersion = 2;
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Skip(1));
    ComPtr<IEnumPins> clone;
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Clone(clone.put()));
    EXPECT_EQ(nullptr, clone);
    EXPECT_EQ((std::vector<IPin*>{pb, pc}), NextPins(e.get(), 2, S_OK, 2));
    EXPECT_EQ(S_OK, e->Clone(clone.put())); // in step with the new list again
    ASSERT_EQ(S_OK, e->Reset());
    EXPECT_EQ(std::vector<IPin*>{pa}, NextPins(e.get(), 1, S_OK, 1));
}

TEST_F(BaseFilterTest, PinEnumeratorKeepsTheFilterAlive) {
    const ULONG before = filter->AddRef() - 1; // the holder and the peers' pin references
    (void)filter->Release();
    ComPtr<IEnumPins> e;
    ASSERT_EQ(S_OK, filter->EnumPins(e.put()));
    EXPECT_EQ(before + 2, filter->AddRef());
    EXPECT_EQ(before + 1, filter->Release());
    e = nullptr;
    EXPECT_EQ(before + 1, filter->AddRef());
    EXPECT_EQ(before, filter->Release());
}
} // namespace
