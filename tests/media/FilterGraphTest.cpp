#include "FakeFilter.h"

#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/MessageWindow.h"
#include "support/GraphFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {
using Calls = std::vector<std::string>;

class FilterGraphTest : public GraphFixture {
protected:
    ComPtr<FakeFilter> Add(const char* label, int inputs, int outputs) {
        ComPtr<FakeFilter> f = FakeFilter::Make(label, &log, inputs, outputs);
        std::u16string name(label, label + std::strlen(label));
        EXPECT_EQ(S_OK, graph->AddFilter(f.get(), name.c_str()));
        return f;
    }
    // source → middle → sink, and a lone filter.
    void BuildChain() {
        source = Add("source", 0, 1);
        middle = Add("middle", 1, 1);
        sink = Add("sink", 1, 0);
        lone = Add("lone", 0, 0);
        ASSERT_EQ(S_OK, graph->Connect(source->Output(), middle->Input()));
        ASSERT_EQ(S_OK, graph->ConnectDirect(middle->Output(), sink->Input(), nullptr));
        (void)log.Take();
    }

    CallLog log;
    ComPtr<FakeFilter> source, middle, sink, lone;
};

TEST_F(FilterGraphTest, NamesAreUniqueAndFiltersJoinTheGraph) {
    ComPtr<FakeFilter> a = FakeFilter::Make("a", &log, 0, 0);
    ComPtr<FakeFilter> b = FakeFilter::Make("b", &log, 0, 0);
    ComPtr<FakeFilter> c = FakeFilter::Make("c", &log, 0, 0);
    EXPECT_EQ(S_OK, graph->AddFilter(a.get(), u"WAV Dest"));
    EXPECT_EQ(VFW_S_DUPLICATE_NAME, graph->AddFilter(b.get(), u"WAV Dest"));
    EXPECT_EQ(S_OK, graph->AddFilter(c.get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, graph->AddFilter(a.get(), u"again"));
    EXPECT_EQ(u"WAV Dest", a->name);
    EXPECT_EQ(u"WAV Dest 0001", b->name);
    EXPECT_FALSE(c->name.empty());
    EXPECT_NE(nullptr, a->graph);
    ComPtr<IFilterGraph> asGraph;
    ASSERT_EQ(S_OK, graph.As(asGraph));
    EXPECT_EQ(asGraph.get(), a->graph);

    ComPtr<IBaseFilter> found;
    EXPECT_EQ(S_OK, graph->FindFilterByName(u"WAV Dest 0001", found.put()));
    EXPECT_EQ(static_cast<IBaseFilter*>(b.get()), found.get());
    EXPECT_EQ(VFW_E_NOT_FOUND, graph->FindFilterByName(u"wav dest", found.put()));
    EXPECT_EQ(nullptr, found.get());

    ComPtr<FakeFilter> refused = FakeFilter::Make("r", &log, 0, 0);
    refused->joinResult = E_FAIL;
    EXPECT_EQ(E_FAIL, graph->AddFilter(refused.get(), u"r"));
    EXPECT_EQ(VFW_E_NOT_FOUND, graph->FindFilterByName(u"r", found.put()));
}

TEST_F(FilterGraphTest, RemovingAFilterBreaksBothEndsOfItsConnections) {
    BuildChain();
    const ULONG before = middle->Count();
    ASSERT_EQ(S_OK, graph->RemoveFilter(middle.get()));
    ComPtr<IPin> peer;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, source->Output()->ConnectedTo(peer.put()));
    EXPECT_EQ(VFW_E_NOT_CONNECTED, sink->Input()->ConnectedTo(peer.put()));
    EXPECT_EQ(VFW_E_NOT_CONNECTED, middle->Input()->ConnectedTo(peer.put()));
    EXPECT_EQ(nullptr, middle->graph);
    EXPECT_EQ(Calls{"middle.Leave"}, log.Take());
    // Neither the graph nor a neighbour's pin holds the removed filter any more.
    EXPECT_EQ(1u, middle->Count());
    EXPECT_LT(middle->Count(), before);
    EXPECT_EQ(VFW_E_NOT_FOUND, graph->RemoveFilter(middle.get()));
}

TEST_F(FilterGraphTest, EnumerationNoticesRemovalsAndAGraphOfFiveIsEmptiedAndRebuilt) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        std::vector<ComPtr<FakeFilter>> five;
        for (const char* l : {"f1", "f2", "f3", "f4", "f5"})
            five.push_back(Add(l, 1, 1));
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(S_OK, graph->Connect(five[i]->Output(), five[i + 1]->Input()));
        ASSERT_EQ(S_OK, control->Run());
        ASSERT_EQ(S_OK, control->Stop());

        // Emptied as a graph controller does: remove one, reset, go on.
        ComPtr<IEnumFilters> e;
        ASSERT_EQ(S_OK, graph->EnumFilters(e.put()));
        int removed = 0;
        ComPtr<IBaseFilter> f;
        while (true) {
            const HRESULT hr = e->Next(1, f.put(), nullptr);
            if (hr != S_OK) {
                EXPECT_EQ(S_FALSE, hr);
                break;
            }
            ASSERT_EQ(S_OK, graph->RemoveFilter(f.get()));
            ++removed;
            EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, e->Next(1, f.put(), nullptr));
            ASSERT_EQ(S_OK, e->Reset());
        }
        EXPECT_EQ(5, removed);
        f.reset();
        for (auto& filter : five)
            EXPECT_EQ(1u, filter->Count());
    }
}

TEST_F(FilterGraphTest, StateChangesReachSinksFirstAndStopReachesSourcesFirst) {
    BuildChain();
    ASSERT_EQ(S_OK, control->Pause());
    Calls paused = log.Take();
    ASSERT_EQ(4u, paused.size());
    auto at = [](const Calls& c, const std::string& s) {
        return std::find(c.begin(), c.end(), s) - c.begin();
    };
    EXPECT_LT(at(paused, "sink.Pause"), at(paused, "middle.Pause"));
    EXPECT_LT(at(paused, "middle.Pause"), at(paused, "source.Pause"));
    for (FakeFilter* f : {source.get(), middle.get(), sink.get(), lone.get()})
        EXPECT_TRUE(f->clock) << f->label; // every filter got the clock when the graph started

    ASSERT_EQ(S_OK, control->Run());
    Calls ran = log.Take();
    EXPECT_LT(at(ran, "sink.Run"), at(ran, "middle.Run"));
    EXPECT_LT(at(ran, "middle.Run"), at(ran, "source.Run"));
    EXPECT_EQ(source->runStart, sink->runStart);
    REFERENCE_TIME now = 0;
    ASSERT_EQ(S_OK, source->clock->GetTime(&now));
    EXPECT_LE(source->runStart - now, 10 * 10'000); // the stream starts about now

    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Running, state);
    ASSERT_EQ(S_OK, control->Stop());
    Calls stopped = log.Take();
    EXPECT_LT(at(stopped, "source.Stop"), at(stopped, "middle.Stop"));
    EXPECT_LT(at(stopped, "middle.Stop"), at(stopped, "sink.Stop"));
}

TEST_F(FilterGraphTest, AFailingFilterFailsTheChangeAndTheGraphStaysConsistent) {
    BuildChain();
    const HRESULT disk = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    middle->pauseResult = disk;
    EXPECT_EQ(disk, control->Run());
    for (FakeFilter* f : {source.get(), middle.get(), sink.get(), lone.get()})
        EXPECT_EQ(State_Stopped, f->state) << f->label;
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);

    middle->pauseResult = S_OK;
    sink->stopResult = E_FAIL;
    ASSERT_EQ(S_OK, control->Run());
    EXPECT_EQ(E_FAIL, control->Stop()); // reported, but every other filter stopped
    EXPECT_EQ(State_Stopped, source->state);
    EXPECT_EQ(State_Stopped, middle->state);
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);

    // A live source says it cannot cue while paused; GetState passes that on.
    sink->stopResult = S_OK;
    source->stateAnswer = VFW_S_CANT_CUE;
    ASSERT_EQ(S_OK, control->Pause());
    EXPECT_EQ(VFW_S_CANT_CUE, control->GetState(100, &state));
    EXPECT_EQ(State_Paused, state);
    EXPECT_EQ(S_OK, control->StopWhenReady());
    EXPECT_EQ(State_Stopped, sink->state);

    // Once stopped, no filter is touched: a sink would begin its file anew.
    (void)log.Take();
    EXPECT_EQ(S_OK, control->StopWhenReady());
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(FilterGraphTest, EventsQueueAndNotifyTheWindowOfThePumpingThread) {
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(S_OK, graph.As(sink));
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    const HWND window = CreateMessageWindow([&](HWND, UINT message, WPARAM w, LPARAM l) {
        EXPECT_EQ(WM_USER + 1, message);
        seen.emplace_back(w, l);
        return LRESULT(0);
    });
    ASSERT_EQ(S_OK, events->SetNotifyWindow(OAHWND(window), WM_USER + 1, 77));

    std::thread streaming([&] {
        EXPECT_EQ(S_OK, sink->Notify(EC_ERRORABORT, LONG_PTR(E_FAIL), 0));
        EXPECT_EQ(S_OK, sink->Notify(EC_COMPLETE, 0, 0));
    });
    streaming.join();
    ASSERT_TRUE(WaitForPostedMessage(1000));
    EXPECT_EQ(2, DispatchPostedMessages());
    EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{0, 77}, {0, 77}}), seen);

    LONG code = 0, waited = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(S_OK, events->WaitForCompletion(0, &waited));
    EXPECT_EQ(EC_ERRORABORT, waited);
    ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 0));
    EXPECT_EQ(EC_ERRORABORT, code);
    EXPECT_EQ(LONG_PTR(E_FAIL), p1);
    EXPECT_EQ(S_OK, events->FreeEventParams(code, p1, p2));
    ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 0));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 10));

    // Switched off, nothing is queued or posted, and what an event holds is let go.
    ASSERT_EQ(S_OK, events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY));
    ComPtr<FakeFilter> lost = FakeFilter::Make("lost", nullptr, 0, 0);
    lost->AddRef(); // the count the event carries
    EXPECT_EQ(S_OK, sink->Notify(EC_DEVICE_LOST, LONG_PTR(static_cast<IUnknown*>(lost.get())), 0));
    EXPECT_EQ(1u, lost->Count());
    EXPECT_EQ(E_ABORT, events->GetEvent(&code, &p1, &p2, 0));
    EXPECT_EQ(0, DispatchPostedMessages());
    LONG flags = 0;
    EXPECT_EQ(S_OK, events->GetNotifyFlags(&flags));
    EXPECT_EQ(AM_MEDIAEVENT_NONOTIFY, flags);
    (void)DestroyWindow(window);
}

// An object that, when its last reference goes, reports to the graph (as a filter that is torn
// down while an event still held it might).
struct ReportsWhenReleased final : IUnknown {
    explicit ReportsWhenReleased(IMediaEventSink* sink) : sink(sink) {}
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        const ULONG left = --refs;
        if (left == 0) (void)sink->Notify(EC_COMPLETE, 0, 0);
        return left;
    }
    IMediaEventSink* sink;
    std::atomic<ULONG> refs{1};
};

TEST_F(FilterGraphTest, WhatADroppedEventHeldIsLetGoOutsideTheQueuesLock) {
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(S_OK, graph.As(sink));
    ASSERT_EQ(S_OK, events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY));
    ReportsWhenReleased filter(sink.get());
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        (void)sink->Notify(EC_DEVICE_LOST, LONG_PTR(static_cast<IUnknown*>(&filter)), 0);
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
        // Deadlocked inside the queue: leave the thread and the graph behind, or the test hangs.
        streaming.detach();
        (void)sink.detach();
        (void)events.detach();
        (void)control.detach();
        (void)graph.detach();
        FAIL() << "releasing an event's filter re-entered the queue's lock";
    }
    streaming.join();
    EXPECT_EQ(0u, filter.refs.load());
}

TEST_F(FilterGraphTest, SeekingVideoAndRenderingFailCleanlyWithoutCapableFilters) {
    BuildChain();
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(S_OK, graph.As(seeking));
    EXPECT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
    LONGLONG value = -1;
    EXPECT_EQ(E_NOTIMPL, seeking->GetDuration(&value));
    EXPECT_EQ(0, value);
    EXPECT_EQ(E_NOTIMPL, seeking->GetCurrentPosition(&value));
    LONGLONG zero = 0;
    EXPECT_EQ(E_NOTIMPL, seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(S_OK, graph.As(position));
    REFTIME length = -1;
    EXPECT_EQ(E_NOTIMPL, position->get_Duration(&length));

    ComPtr<IVideoWindow> video;
    ASSERT_EQ(S_OK, graph.As(video));
    EXPECT_EQ(E_NOINTERFACE, video->put_Owner(0));
    EXPECT_EQ(E_NOINTERFACE, video->put_Visible(OAFALSE));
    ComPtr<IBasicVideo2> basic;
    ASSERT_EQ(S_OK, graph.As(basic));
    LONG x = 0, y = 0;
    EXPECT_EQ(E_NOINTERFACE, basic->GetPreferredAspectRatio(&x, &y));

    ComPtr<FakeFilter> orphan = Add("orphan", 0, 1);
    EXPECT_EQ(VFW_E_CANNOT_RENDER, graph->Render(orphan->Output()));
    ComPtr<FakeFilter> taker = Add("taker", 1, 0);
    EXPECT_EQ(S_OK, graph->Render(orphan->Output())); // a free input in the graph takes it
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph->Render(orphan->Output()));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
              graph->RenderFile(u"/nonexistent/file.wav", nullptr));
    EXPECT_EQ(VFW_E_CANNOT_RENDER, graph->RenderFile(u"/proc/self/stat", nullptr));

    ComPtr<FakeFilter> outside = FakeFilter::Make("outside", &log, 1, 0);
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH, graph->Connect(source->Output(), outside->Input()));
    EXPECT_EQ(VFW_E_INVALID_DIRECTION,
              graph->ConnectDirect(sink->Input(), taker->Input(), nullptr));
}

// Seeking, position and video come from objects inside the graph, which answer as the graph.
TEST_F(FilterGraphTest, SeekingAndVideoAnswerAsTheGraphAndHoldIt) {
    BuildChain();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, graph.As(identity));
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IMediaPosition> position;
    ComPtr<IBasicVideo> basic;
    ComPtr<IVideoWindow> video;
    ASSERT_EQ(S_OK, graph.As(seeking));
    ASSERT_EQ(S_OK, graph.As(position));
    ASSERT_EQ(S_OK, graph.As(basic));
    ASSERT_EQ(S_OK, graph.As(video));
    auto answersAsTheGraph = [&](const auto& inner) {
        ComPtr<IUnknown> same;
        ComPtr<IMediaControl> back;
        ComPtr<IBasicVideo2> other;
        return SUCCEEDED(inner.As(same)) && same == identity && SUCCEEDED(inner.As(back)) &&
               SUCCEEDED(inner.As(other));
    };
    EXPECT_TRUE(answersAsTheGraph(seeking));
    EXPECT_TRUE(answersAsTheGraph(position));
    EXPECT_TRUE(answersAsTheGraph(basic));
    EXPECT_TRUE(answersAsTheGraph(video));

    identity.reset();
    seeking.reset();
    position.reset();
    basic.reset();
    events.reset();
    control.reset();
    graph.reset();
    EXPECT_NE(nullptr, source->graph); // the video window alone holds the graph
    EXPECT_EQ(E_NOINTERFACE, video->put_Visible(OAFALSE));
    video.reset();
    EXPECT_EQ(nullptr, source->graph);
}

TEST_F(FilterGraphTest, ReleasingTheGraphStopsAndLetsGoOfEveryFilter) {
    BuildChain();
    ASSERT_EQ(S_OK, control->Run());
    (void)log.Take();
    events.reset();
    control.reset();
    graph.reset();
    for (FakeFilter* f : {source.get(), middle.get(), sink.get(), lone.get()}) {
        EXPECT_EQ(State_Stopped, f->state) << f->label;
        EXPECT_EQ(nullptr, f->graph) << f->label;
        EXPECT_EQ(1u, f->Count()) << f->label;
    }
}
} // namespace
