// The graph controller on the platform's filter graph manager, with fakes where a test must
// see or steer what the graph does: the event pump, EC_COMPLETE, the display, ClearGraph,
// construction failures.
#include "CaptureFakes.h"
#include "CaptureTestSupport.h"

#include "WaveDest/THMWavDestFilter.h"
#include "capture/EDShowError.h"
#include "capture/TDXShow.h"
#include "capture/TPostedMessagePump.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
// Opens the controller's protected parts to the tests and logs the events it handles.
class ProbeShow : public TDXShow {
public:
    explicit ProbeShow(CallLog& log, QObject* owner = nullptr) : TDXShow(owner), log_(log) {}

    void HandleEvent(LONG code, LONG_PTR param1, LONG_PTR param2) override {
        log_.push_back("handle " + std::to_string(code) + " " + std::to_string(param1) + " " +
                       std::to_string(param2));
        if (raiseIn == code) throw Exception("handler failed");
        TDXShow::HandleEvent(code, param1, param2);
    }

    void ReplaceEvents(IMediaEventEx* events) { MediaEvent = events; }
    void ReplaceVideoWindow(IVideoWindow* window) { VideoWindow = window; }
    void ReplaceControl(IMediaControl* control) { MediaControl = control; }
    void ReplaceGraph(IGraphBuilder* graph) { GraphBuilder = graph; }
    IGraphBuilder* Graph() const { return GraphBuilder.get(); }
    HWND Notify() const { return NotifyWindow; }
    bool HasVideoWindow() const { return bool(VideoWindow); }

    // Queues an event in the platform's graph, as a filter would.
    void SendGraphEvent(LONG code, LONG_PTR param1 = 0, LONG_PTR param2 = 0) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(ComPtr<IGraphBuilder>(GraphBuilder).As(sink), S_OK);
        ASSERT_EQ(sink->Notify(code, param1, param2), S_OK);
    }

    LONG raiseIn = -1;

private:
    CallLog& log_;
};

int FilterCount(IGraphBuilder* graph) {
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.put()), S_OK);
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK)
        ++count;
    return count;
}

class GraphControllerTest : public ::testing::Test {
protected:
    CallLog log;
    ShownMessages shown;
};

TEST_F(GraphControllerTest, PumpStopsAtDiscEjectedAndLeavesTheRestForTheNextNotification) {
    ProbeShow show(log);
    auto queue = ComPtr<FakeEventQueue>::Adopt(new FakeEventQueue(log));
    show.ReplaceEvents(queue.get());
    queue->events = {{EC_USER + 1, 5, 6}, {EC_DVD_DISC_EJECTED, 7, 8}, {EC_USER + 2, 9, 10}};

    ASSERT_TRUE(PostMessage(show.Notify(), WM_GRAPHNOTIFY, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; }));
    PumpFor(20);
    // 0x118: parameters freed first, handled with zeros, and the drain ends there.
    EXPECT_EQ(log,
              (CallLog{"handle 32769 5 6", "free 32769 5 6", "free 280 7 8", "handle 280 0 0"}));
    EXPECT_EQ(queue->events.size(), 1u);

    log.clear();
    ASSERT_TRUE(PostMessage(show.Notify(), WM_GRAPHNOTIFY, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    EXPECT_EQ(log, (CallLog{"handle 32770 9 10", "free 32770 9 10"}));
    EXPECT_TRUE(queue->events.empty());
}

TEST_F(GraphControllerTest, AHandlerThatRaisesIsShownAndItsParametersAreStillFreed) {
    ProbeShow show(log);
    auto queue = ComPtr<FakeEventQueue>::Adopt(new FakeEventQueue(log));
    show.ReplaceEvents(queue.get());
    show.raiseIn = EC_USER + 1;
    queue->events = {{EC_USER + 1, 1, 2}, {EC_USER + 2, 3, 4}};

    ASSERT_TRUE(PostMessage(show.Notify(), WM_GRAPHNOTIFY, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return !shown.exceptions.isEmpty(); }));
    EXPECT_EQ(shown.exceptions, QStringList{"handler failed"});
    EXPECT_EQ(log, (CallLog{"handle 32769 1 2", "free 32769 1 2"}));
    EXPECT_EQ(queue->events.size(), 1u); // the next notification goes on from there
}

// Posted messages reach their windows from Qt's event loop, which must never see an exception.
TEST_F(GraphControllerTest, AWindowProcedureThatRaisesIsShownAndTheNextMessageStillArrives) {
    TPostedMessagePump::Install();
    std::vector<UINT> delivered;
    struct TWindow {
        HWND handle;
        ~TWindow() { (void)DestroyWindow(handle); }
    } window{CreateMessageWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        delivered.push_back(message);
        if (message == WM_USER + 5) throw Exception("procedure failed");
        return 0;
    })};
    ASSERT_TRUE(PostMessage(window.handle, WM_USER + 5, 0, 0));
    ASSERT_TRUE(PostMessage(window.handle, WM_USER + 6, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return delivered.size() == 2; }));
    EXPECT_EQ(delivered, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
    EXPECT_EQ(shown.exceptions, QStringList{"procedure failed"});
}

TEST_F(GraphControllerTest, GraphEventsArriveThroughTheNotificationWindows) {
    ProbeShow show(log);
    show.SendGraphEvent(EC_USER + 7, 1, 2);
    show.SendGraphEvent(EC_USER + 8, 3, 4);
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    PumpFor(20);
    EXPECT_EQ(log, (CallLog{"handle 32775 1 2", "handle 32776 3 4"}));
}

TEST_F(GraphControllerTest, CompleteWithoutLoopStopsAndFinishes) {
    int finished = 0;
    ProbeShow show(log);
    show.OnFinished = [&](QObject* sender) {
        EXPECT_EQ(sender, &show);
        ++finished;
    };
    ASSERT_EQ(show.Play(), S_OK);
    ASSERT_TRUE(show.IsRunning());
    show.SendGraphEvent(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(PumpUntil([&] { return finished > 0; }));
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(show.IsRunning());
    EXPECT_EQ(show.GetGraphState(), GraphStateStopped);
}

TEST_F(GraphControllerTest, CompleteWithLoopStopsAndRunsAgain) {
    int finished = 0;
    ProbeShow show(log);
    show.OnFinished = [&](QObject*) { ++finished; };
    show.SetLoop(true);
    ASSERT_EQ(show.Play(), S_OK);
    auto control = ComPtr<LoggingMediaControl>::Adopt(new LoggingMediaControl(log, nullptr));
    {
        ComPtr<IMediaControl> real;
        ASSERT_EQ(ComPtr<IGraphBuilder>(show.Graph()).As(real), S_OK);
        control = ComPtr<LoggingMediaControl>::Adopt(new LoggingMediaControl(log, real));
    }
    show.ReplaceControl(control.get());
    show.SendGraphEvent(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(PumpUntil([&] { return std::count(log.begin(), log.end(), "Run") > 0; }));
    // Stopped, moved to the start (which cues a stopped graph), run again; never finished.
    EXPECT_EQ(log, (CallLog{"handle 1 0 0", "Stop", "StopWhenReady", "Run"}));
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(show.IsRunning());
    EXPECT_EQ(show.GetGraphState(), GraphStateRunning);
}

TEST_F(GraphControllerTest, AControllerFreedByItsOwnHandlerEndsThePumpQuietly) {
    QPointer<ProbeShow> show = new ProbeShow(log);
    show->OnFinished = [&](QObject* sender) { delete sender; };
    show->SendGraphEvent(EC_COMPLETE, S_OK, 0);
    show->SendGraphEvent(EC_USER, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return show.isNull(); }));
    PumpFor(20);
    EXPECT_TRUE(shown.exceptions.isEmpty());
}

TEST_F(GraphControllerTest, ClearGraphRemovesFiveFiltersRestartingTheEnumeration) {
    std::vector<TDateTime> positions; // outlives the controller, whose destruction clears again
    ProbeShow show(log);
    show.OnPositionChanged = [&](QObject*, TDateTime time) { positions.push_back(time); };
    for (int i = 0; i < 5; ++i) {
        ComPtr<IBaseFilter> filter(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
        const std::u16string name = u"Filter " + std::u16string(1, char16_t(u'1' + i));
        ASSERT_EQ(show.Graph()->AddFilter(filter.get(), name.c_str()), S_OK);
    }
    ASSERT_EQ(FilterCount(show.Graph()), 5);
    ASSERT_EQ(show.Play(), S_OK);

    show.ClearGraph();
    EXPECT_EQ(FilterCount(show.Graph()), 0);
    EXPECT_EQ(show.RunState(), GraphStateStopped);
    EXPECT_EQ(show.GetGraphState(), GraphStateStopped);
    EXPECT_EQ(positions, std::vector<TDateTime>{0.0});
}

TEST_F(GraphControllerTest, ClearGraphGivesUpOnAFilterTheGraphWillNotRemove) {
    ProbeShow show(log);
    const ComPtr<IBaseFilter> filter(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    auto graph = ComPtr<StuckGraph>::Adopt(new StuckGraph(filter.get()));
    show.ReplaceGraph(graph.get());
    show.ClearGraph(); // would otherwise enumerate the same filter for ever
    EXPECT_EQ(graph->removals, 1);
}

struct DisplayCase {
    const char* name;
    BYTE stateBefore;
    CallLog controlCalls; // around the attachment
};

class SetDisplayTest : public GraphControllerTest,
                       public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(SetDisplayTest, StopsAttachesAndRestoresTheLiveState) {
    const DisplayCase& c = GetParam();
    ProbeShow show(log);
    ComPtr<IMediaControl> real;
    ASSERT_EQ(ComPtr<IGraphBuilder>(show.Graph()).As(real), S_OK);
    if (c.stateBefore == GraphStateRunning) {
        ASSERT_EQ(show.Play(), S_OK);
    }
    if (c.stateBefore == GraphStatePaused) {
        ASSERT_EQ(show.Pause(), S_OK);
    }
    auto control = ComPtr<LoggingMediaControl>::Adopt(new LoggingMediaControl(log, real));
    auto window = ComPtr<FakeVideoWindow>::Adopt(new FakeVideoWindow(log));
    show.ReplaceControl(control.get());
    show.ReplaceVideoWindow(window.get());

    QWidget display;
    display.resize(320, 240);
    show.SetDisplay(&display);

    CallLog expected;
    const bool live = c.stateBefore != GraphStateStopped;
    if (live) expected.push_back("Stop");
    for (const char* call : {"HideCursor 0", "put_WindowStyle 56000000", "put_Owner window",
                             "put_MessageDrain window", "SetWindowPosition 0 0 320 240"})
        expected.push_back(call);
    for (const std::string& call : c.controlCalls)
        expected.push_back(call);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(show.GetGraphState(), c.stateBefore);
    EXPECT_EQ(show.Display(), &display);
}

INSTANTIATE_TEST_SUITE_P(States, SetDisplayTest,
                         ::testing::Values(DisplayCase{"Stopped", GraphStateStopped, {}},
                                           DisplayCase{"Paused", GraphStatePaused, {"Pause"}},
                                           DisplayCase{"Running", GraphStateRunning, {"Run"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphControllerTest, FreeingTheDisplayDetachesAndDropsTheVideoWindow) {
    ProbeShow show(log);
    auto window = ComPtr<FakeVideoWindow>::Adopt(new FakeVideoWindow(log));
    show.ReplaceVideoWindow(window.get());
    auto* display = new QWidget;
    display->setCursor(Qt::BlankCursor);
    show.SetDisplay(display);
    EXPECT_EQ(log.front(), "HideCursor -1");

    log.clear();
    delete display;
    EXPECT_EQ(log, (CallLog{"put_Visible 0", "put_Owner 0"}));
    EXPECT_EQ(show.Display(), nullptr);
    EXPECT_FALSE(show.HasVideoWindow());

    QWidget another;
    log.clear();
    show.SetDisplay(&another); // no video window to act on any more
    EXPECT_TRUE(log.empty());
}

TEST_F(GraphControllerTest, AControlSetByApplyDisplayIsForgottenWhenItGoes) {
    ProbeShow show(log);
    auto window = ComPtr<FakeVideoWindow>::Adopt(new FakeVideoWindow(log));
    show.ReplaceVideoWindow(window.get());
    {
        QWidget display;
        show.ApplyDisplay(&display);
        EXPECT_EQ(show.Display(), &display);
    }
    EXPECT_EQ(show.Display(), nullptr);
}

TEST_F(GraphControllerTest, AFailingOwnerIsReportedAndNothingIsPlaced) {
    std::vector<std::u16string> errors;
    ProbeShow show(log);
    show.OnError = [&](HRESULT, const WideString& text) { errors.push_back(text); };
    auto window = ComPtr<FakeVideoWindow>::Adopt(new FakeVideoWindow(log));
    window->ownerResult = E_FAIL;
    show.ReplaceVideoWindow(window.get());
    QWidget display;
    show.SetDisplay(&display);
    EXPECT_EQ(log.back(), "put_Owner window");
    EXPECT_EQ(errors,
              std::vector<std::u16string>{
                  u"Could not set pVidWin.put_Owner Reason: The operation failed. ($80004005)."});
}

TEST_F(GraphControllerTest, PlayRunsThePositionTimerOnlyWithAPositionHandler) {
    int ticks = 0;
    ProbeShow show(log);
    ASSERT_EQ(show.Play(), S_OK);
    PumpFor(250);
    show.OnPositionChanged = [&](QObject*, TDateTime) { ++ticks; };
    EXPECT_EQ(ticks, 0);
    ASSERT_EQ(show.Play(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }, 2000));
    ASSERT_EQ(show.Stop(), S_OK);
    const int afterStop = ticks;
    PumpFor(250);
    EXPECT_EQ(ticks, afterStop);
}

TEST_F(GraphControllerTest, AMissingGraphManagerRaisesTheFormattedError) {
    ASSERT_TRUE(CoRevokeClassCreator(CLSID_FilterGraph));
    try {
        ProbeShow show(log);
        ADD_FAILURE() << "constructed without a graph";
    } catch (const EDShowError& error) {
        EXPECT_EQ(error.ErrorCode, REGDB_E_CLASSNOTREG);
        EXPECT_STREQ(error.what(), "Could not create the filter graph manager Reason: The class is "
                                   "not registered. ($80040154).");
    }
    RestorePlatformClasses();
}

TEST_F(GraphControllerTest, RaiseErrorCallsTheHandlerAndStillRaises) {
    std::vector<HRESULT> codes;
    ProbeShow show(log);
    show.OnError = [&](HRESULT hr, const WideString&) { codes.push_back(hr); };
    EXPECT_THROW(show.RaiseError(E_FAIL, u"Broken"), EDShowError);
    show.ReportError(E_POINTER, u"Reported");
    EXPECT_EQ(codes, (std::vector<HRESULT>{E_FAIL, E_POINTER}));
}
} // namespace
