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
// Logs the events the controller handles, and raises in the handler when told to.
class ProbeShow : public TDXShow {
public:
    ProbeShow(CallLog& log, const TGraphFactory& makeGraph, QObject* owner = nullptr)
        : TDXShow(owner, makeGraph), log_(log) {}

    void HandleEvent(LONG code, LONG_PTR param1, LONG_PTR param2) override {
        log_.push_back("handle " + std::to_string(code) + " " + std::to_string(param1) + " " +
                       std::to_string(param2));
        if (raiseIn == code) throw Exception("handler failed");
        TDXShow::HandleEvent(code, param1, param2);
    }

    LONG raiseIn = -1;

private:
    CallLog& log_;
};

// Gives the controller the real graph's control, logging each call.
void LogControlCalls(SplicedGraph& graph, CallLog& log) {
    ComPtr<IMediaControl> real;
    ASSERT_EQ(ComPtr<IGraphBuilder>(graph.Real()).As(real), S_OK);
    graph.control = MakeCounted<LoggingMediaControl>(log, real);
}

class GraphControllerTest : public ::testing::Test {
protected:
    CallLog log;
    ShownMessages shown;
    ComPtr<SplicedGraph> graph = MakeCounted<SplicedGraph>();
};

TEST_F(GraphControllerTest, PumpStopsAtDiscEjectedAndLeavesTheRestForTheNextNotification) {
    auto queue = MakeCounted<FakeEventQueue>(log);
    graph->events = queue;
    ProbeShow show(log, graph->Factory());
    queue->events = {{EC_USER + 1, 5, 6}, {EC_DVD_DISC_EJECTED, 7, 8}, {EC_USER + 2, 9, 10}};

    ASSERT_TRUE(PostMessage(queue->notifyWindow, WM_GRAPHNOTIFY, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 4; }));
    PumpFor(20);
    // 0x118: parameters freed first, handled with zeros, and the drain ends there.
    EXPECT_EQ(log,
              (CallLog{"handle 32769 5 6", "free 32769 5 6", "free 280 7 8", "handle 280 0 0"}));
    EXPECT_EQ(queue->events.size(), 1u);

    log.clear();
    ASSERT_TRUE(PostMessage(queue->notifyWindow, WM_GRAPHNOTIFY, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    EXPECT_EQ(log, (CallLog{"handle 32770 9 10", "free 32770 9 10"}));
    EXPECT_TRUE(queue->events.empty());
}

TEST_F(GraphControllerTest, AHandlerThatRaisesIsShownAndItsParametersAreStillFreed) {
    auto queue = MakeCounted<FakeEventQueue>(log);
    graph->events = queue;
    ProbeShow show(log, graph->Factory());
    show.raiseIn = EC_USER + 1;
    queue->events = {{EC_USER + 1, 1, 2}, {EC_USER + 2, 3, 4}};

    ASSERT_TRUE(PostMessage(queue->notifyWindow, WM_GRAPHNOTIFY, 0, 0));
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
    ProbeShow show(log, graph->Factory());
    graph->SendGraphEvent(EC_USER + 7, 1, 2);
    graph->SendGraphEvent(EC_USER + 8, 3, 4);
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    PumpFor(20);
    EXPECT_EQ(log, (CallLog{"handle 32775 1 2", "handle 32776 3 4"}));
}

TEST_F(GraphControllerTest, CompleteWithoutLoopStopsAndFinishes) {
    int finished = 0;
    ProbeShow show(log, graph->Factory());
    show.OnFinished = [&](QObject* sender) {
        EXPECT_EQ(sender, &show);
        ++finished;
    };
    ASSERT_EQ(show.Play(), S_OK);
    ASSERT_TRUE(show.IsRunning());
    graph->SendGraphEvent(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(PumpUntil([&] { return finished > 0; }));
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(show.IsRunning());
    EXPECT_EQ(show.GetGraphState(), GraphStateStopped);
}

TEST_F(GraphControllerTest, CompleteWithLoopStopsAndRunsAgain) {
    int finished = 0;
    ASSERT_NO_FATAL_FAILURE(LogControlCalls(*graph, log));
    ProbeShow show(log, graph->Factory());
    show.OnFinished = [&](QObject*) { ++finished; };
    show.SetLoop(true);
    ASSERT_EQ(show.Play(), S_OK);
    log.clear();
    graph->SendGraphEvent(EC_COMPLETE, S_OK, 0);
    ASSERT_TRUE(PumpUntil([&] { return std::count(log.begin(), log.end(), "Run") > 0; }));
    // Stopped, moved to the start (which cues a stopped graph), run again; never finished.
    EXPECT_EQ(log, (CallLog{"handle 1 0 0", "Stop", "StopWhenReady", "Run"}));
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(show.IsRunning());
    EXPECT_EQ(show.GetGraphState(), GraphStateRunning);
}

TEST_F(GraphControllerTest, AControllerFreedByItsOwnHandlerEndsThePumpQuietly) {
    QPointer<ProbeShow> show = new ProbeShow(log, graph->Factory());
    show->OnFinished = [&](QObject* sender) { delete sender; };
    graph->SendGraphEvent(EC_COMPLETE, S_OK, 0);
    graph->SendGraphEvent(EC_USER, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return show.isNull(); }));
    PumpFor(20);
    EXPECT_TRUE(shown.exceptions.isEmpty());
}

TEST_F(GraphControllerTest, ClearGraphRemovesFiveFiltersRestartingTheEnumeration) {
    std::vector<TDateTime> positions; // outlives the controller, whose destruction clears again
    ProbeShow show(log, graph->Factory());
    show.OnPositionChanged = [&](QObject*, TDateTime time) { positions.push_back(time); };
    for (int i = 0; i < 5; ++i) {
        ComPtr<IBaseFilter> filter(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
        const std::u16string name = u"Filter " + std::u16string(1, char16_t(u'1' + i));
        ASSERT_EQ(graph->Real()->AddFilter(filter.get(), name.c_str()), S_OK);
    }
    ASSERT_EQ(FilterCount(graph->Real()), 5);
    ASSERT_EQ(show.Play(), S_OK);

    show.ClearGraph();
    EXPECT_EQ(FilterCount(graph->Real()), 0);
    EXPECT_EQ(show.RunState(), GraphStateStopped);
    EXPECT_EQ(show.GetGraphState(), GraphStateStopped);
    EXPECT_EQ(positions, std::vector<TDateTime>{0.0});
}

TEST_F(GraphControllerTest, ClearGraphGivesUpOnAFilterTheGraphWillNotRemove) {
    graph->stuckFilter =
        static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
    ProbeShow show(log, graph->Factory());
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
    ASSERT_NO_FATAL_FAILURE(LogControlCalls(*graph, log));
    graph->videoWindow = MakeCounted<FakeVideoWindow>(log);
    ProbeShow show(log, graph->Factory());
    if (c.stateBefore == GraphStateRunning) {
        ASSERT_EQ(show.Play(), S_OK);
    }
    if (c.stateBefore == GraphStatePaused) {
        ASSERT_EQ(show.Pause(), S_OK);
    }
    log.clear();

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
    auto window = MakeCounted<FakeVideoWindow>(log);
    graph->videoWindow = window;
    ProbeShow show(log, graph->Factory());
    auto* display = new QWidget;
    display->setCursor(Qt::BlankCursor);
    show.SetDisplay(display);
    EXPECT_EQ(log.front(), "HideCursor -1");

    log.clear();
    const ULONG held = window->Count();
    delete display;
    EXPECT_EQ(log, (CallLog{"put_Visible 0", "put_Owner 0"}));
    EXPECT_EQ(show.Display(), nullptr);
    EXPECT_EQ(window->Count(), held - 1); // the controller let go of it

    QWidget another;
    log.clear();
    show.SetDisplay(&another); // no video window to act on any more
    EXPECT_TRUE(log.empty());
}

TEST_F(GraphControllerTest, AControlSetByApplyDisplayIsForgottenWhenItGoes) {
    graph->videoWindow = MakeCounted<FakeVideoWindow>(log);
    ProbeShow show(log, graph->Factory());
    {
        QWidget display;
        show.ApplyDisplay(&display);
        EXPECT_EQ(show.Display(), &display);
    }
    EXPECT_EQ(show.Display(), nullptr);
}

TEST_F(GraphControllerTest, AFailingOwnerIsReportedAndNothingIsPlaced) {
    std::vector<std::u16string> errors;
    auto window = MakeCounted<FakeVideoWindow>(log);
    window->ownerResult = E_FAIL;
    graph->videoWindow = window;
    ProbeShow show(log, graph->Factory());
    show.OnError = [&](HRESULT, const WideString& text) { errors.push_back(text); };
    QWidget display;
    show.SetDisplay(&display);
    EXPECT_EQ(log.back(), "put_Owner window");
    EXPECT_EQ(errors,
              std::vector<std::u16string>{
                  u"Could not set pVidWin.put_Owner Reason: The operation failed. ($80004005)."});
}

TEST_F(GraphControllerTest, PlayRunsThePositionTimerOnlyWithAPositionHandler) {
    int ticks = 0;
    ProbeShow show(log, graph->Factory());
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
    ExpectDShowError([&] { ProbeShow show(log, TGraphFactory()); }, // the platform's graph manager
                     REGDB_E_CLASSNOTREG,
                     "Could not create the filter graph manager Reason: The class is not "
                     "registered. ($80040154).");
    RestorePlatformClasses();
}

struct MissingCase {
    const char* name;
    IID iid;
    const char* raised; // nullptr: the controller goes on without it
};

class MissingInterfaceTest : public GraphControllerTest,
                             public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingInterfaceTest, AGraphWithoutAnIndispensableInterfaceRaises) {
    const MissingCase& c = GetParam();
    graph->missing = c.iid;
    QObject owner;
    try {
        new ProbeShow(log, graph->Factory(), &owner);
        EXPECT_EQ(c.raised, nullptr) << "constructed without it";
    } catch (const EDShowError& error) {
        ASSERT_NE(c.raised, nullptr) << error.what();
        EXPECT_EQ(error.ErrorCode, E_NOINTERFACE);
        EXPECT_EQ(error.what(), std::string(c.raised) + " Reason: The object does not support the "
                                                        "requested interface. ($80004002).");
        EXPECT_TRUE(owner.children().isEmpty()); // the half-built controller is gone again
    }
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, MissingInterfaceTest,
    ::testing::Values(
        MissingCase{"Control", IID_IMediaControl, "Could not obtain the Media Control Interface"},
        MissingCase{"Events", IID_IMediaEventEx, "Could not obtain the Media EventEx Interface"},
        MissingCase{"VideoWindow", IID_IVideoWindow, "Could not obtain the Video Window Interface"},
        MissingCase{"Seeking", IID_IMediaSeeking, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphControllerTest, RaiseErrorCallsTheHandlerAndStillRaises) {
    std::vector<HRESULT> codes;
    ProbeShow show(log, graph->Factory());
    show.OnError = [&](HRESULT hr, const WideString&) { codes.push_back(hr); };
    EXPECT_THROW(show.RaiseError(E_FAIL, u"Broken"), EDShowError);
    show.ReportError(E_POINTER, u"Reported");
    EXPECT_EQ(codes, (std::vector<HRESULT>{E_FAIL, E_POINTER}));
}
} // namespace
