#include "capture/TDXShow.h"

#include "capture/EDShowError.h"
#include "capture/GuiThread.h"
#include "capture/ShowMessage.h"
#include "capture/TPostedMessagePump.h"
#include "capture/TimeConversion.h"
#include "capture/VideoPlacement.h"
#include "framework/FrameworkUtil.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/MessageWindow.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {
// Caption, system menu, sizing frame, minimise and maximise boxes.
constexpr LONG FrameStyleBits = 0x00CF0000;

// Runs an operation that Qt calls (timer tick, free notification, posted message); what it
// raises is shown and goes no further, so nothing travels through the event loop.
template <class Operation>
void RunFromEventLoop(Operation&& operation) noexcept {
    try {
        operation();
    } catch (const std::exception& error) {
        ShowEventException(error);
    } catch (...) {
        ShowUnknownEventException();
    }
}

WideString ToWide(const QString& text) {
    return text.toStdU16String();
}

QString FromWide(const WideString& text) {
    return QString::fromStdU16String(text);
}
} // namespace

TDXShow::TDXShow(QObject* owner, const TGraphFactory& makeGraph) : QObject(owner) {
    ASSERT_GUI_THREAD("TDXShow");
    FRunState = GraphStateStopped;
    try {
        Construct(makeGraph);
    } catch (...) {
        ReleaseGraph();
        throw;
    }
}

TDXShow::~TDXShow() {
    ASSERT_GUI_THREAD("TDXShow");
    ReleaseGraph();
}

void TDXShow::Construct(const TGraphFactory& makeGraph) {
    // Hidden windows are served by the event loop of the thread that makes them.
    TPostedMessagePump::Install();
    NotifyWindow = CreateMessageWindow([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        return NotifyWindowProc(message, wParam, lParam);
    });
    DispatchWindow = CreateMessageWindow([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        return DispatchWindowProc(message, wParam, lParam);
    });

    PositionTimer = new QTimer(this);
    PositionTimer->setInterval(PositionTimerInterval);
    connect(PositionTimer, &QTimer::timeout, this,
            [this] { RunFromEventLoop([this] { DoPositionChanged(); }); });

    HRESULT hr = makeGraph ? makeGraph(GraphBuilder.put())
                           : CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IGraphBuilder, GraphBuilder.put_void());
    if (FAILED(hr) || !GraphBuilder) {
        if (SUCCEEDED(hr)) hr = E_POINTER;
        RaiseError(hr, u"Could not create the filter graph manager");
    }
    hr = GraphBuilder.As(MediaControl);
    if (FAILED(hr)) RaiseError(hr, u"Could not obtain the Media Control Interface");
    hr = GraphBuilder.As(MediaEvent);
    if (FAILED(hr)) RaiseError(hr, u"Could not obtain the Media EventEx Interface");
    (void)MediaEvent->SetNotifyWindow(OAHWND(NotifyWindow), LONG(WM_GRAPHNOTIFY),
                                      reinterpret_cast<LONG_PTR>(this));
    hr = GraphBuilder.As(MediaSeeking);
    if (FAILED(hr))
        ReportError(hr, u"Could not obtain the IMediaSeeking Interface");
    else
        (void)MediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    hr = GraphBuilder.As(VideoWindow);
    if (FAILED(hr)) RaiseError(hr, u"Could not obtain the Video Window Interface");
}

void TDXShow::ReleaseGraph() noexcept {
    if (FGraphReleased) return;
    FGraphReleased = true;
    if (MediaControl) (void)MediaControl->Stop();
    if (VideoWindow) {
        (void)VideoWindow->put_Visible(OAFALSE);
        (void)VideoWindow->put_Owner(0);
    }
    if (MediaEvent) {
        (void)MediaEvent->SetNotifyWindow(0, 0, 0);
        (void)MediaEvent->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
    }
    try {
        ClearGraph();
    } catch (...) {
        // A handler that raises while the controller goes away cannot be answered any more.
    }
    MediaEvent = nullptr;
    VideoWindow = nullptr;
    MediaSeeking = nullptr;
    MediaControl = nullptr;
    GraphBuilder = nullptr;
    if (FDisplayWatch) disconnect(FDisplayWatch);
    FDisplay = nullptr;
    FDisplayObject = nullptr;
    if (NotifyWindow) (void)DestroyWindow(NotifyWindow);
    if (DispatchWindow) (void)DestroyWindow(DispatchWindow);
    NotifyWindow = 0;
    DispatchWindow = 0;
}

// ---- event notification path ----------------------------------------------------------------

LRESULT TDXShow::NotifyWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // One posted message later the pump runs outside whatever the graph was doing.
    (void)PostMessage(DispatchWindow, message, wParam, lParam);
    return 0;
}

LRESULT TDXShow::DispatchWindowProc(UINT message, WPARAM, LPARAM) {
    if (message == WM_GRAPHNOTIFY) RunFromEventLoop([this] { WMGraphNotify(); });
    return 0;
}

void TDXShow::WMGraphNotify() {
    // Held locally: a handler may free the controller, and the event's parameters must
    // still be freed.
    const ComPtr<IMediaEventEx> events = MediaEvent;
    if (!events) return;
    const QPointer<TDXShow> alive(this);
    for (;;) {
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(events->GetEvent(&code, &param1, &param2, 0))) return;
        if (code == EC_DVD_DISC_EJECTED) {
            (void)events->FreeEventParams(code, param1, param2);
            HandleEvent(code, 0, 0);
            return; // the rest waits for the next notification
        }
        try {
            HandleEvent(code, param1, param2);
        } catch (...) {
            (void)events->FreeEventParams(code, param1, param2);
            throw;
        }
        (void)events->FreeEventParams(code, param1, param2);
        if (!alive) return;
    }
}

void TDXShow::HandleEvent(LONG eventCode, LONG_PTR, LONG_PTR) {
    ASSERT_GUI_THREAD("TDXShow");
    if (eventCode != EC_COMPLETE) return;
    (void)Stop();
    SetPosition(0);
    if (!FLoop)
        DoFinished();
    else
        (void)Play();
}

// ---- component notification and display -----------------------------------------------------

void TDXShow::Notification(QObject* component, TOperation operation) {
    ASSERT_GUI_THREAD("TDXShow");
    if (operation != TOperation::opRemove || !component || component != FDisplayObject) return;
    if (VideoWindow) {
        (void)VideoWindow->put_Visible(OAFALSE);
        (void)VideoWindow->put_Owner(0);
    }
    VideoWindow = nullptr;
    if (FDisplayWatch) disconnect(FDisplayWatch);
    FDisplay = nullptr;
    FDisplayObject = nullptr;
}

void TDXShow::WatchDisplay(QWidget* value) {
    if (value == FDisplay) return;
    if (FDisplayWatch) disconnect(FDisplayWatch);
    FDisplay = value;
    FDisplayObject = value;
    if (value)
        FDisplayWatch = connect(value, &QObject::destroyed, this, [this](QObject* component) {
            RunFromEventLoop([&] { Notification(component, TOperation::opRemove); });
        });
}

void TDXShow::SetDisplay(QWidget* value) {
    ASSERT_GUI_THREAD("TDXShow");
    WatchDisplay(value);
    const BYTE state = GetGraphState();
    if (state == GraphStatePaused || state == GraphStateRunning) {
        (void)Stop();
        ApplyDisplay(value);
        if (state == GraphStatePaused)
            (void)Pause();
        else
            (void)Play();
    } else {
        ApplyDisplay(value);
    }
}

void TDXShow::ApplyDisplay(QWidget* value) {
    ASSERT_GUI_THREAD("TDXShow");
    // Through the watch, so that a control set here is forgotten when it goes away.
    WatchDisplay(value);
    if (!value || !VideoWindow) return;
    (void)VideoWindow->HideCursor(value->cursor().shape() == Qt::BlankCursor ? OATRUE : OAFALSE);
    LONG style = 0;
    (void)VideoWindow->get_WindowStyle(&style);
    (void)VideoWindow->put_WindowStyle((style & ~FrameStyleBits) | WS_CHILD);
    const OAHWND handle = OAHWND(value->winId()); // creates the native window when needed
    const HRESULT hr = VideoWindow->put_Owner(handle);
    if (FAILED(hr)) {
        ReportError(hr, u"Could not set pVidWin.put_Owner");
        return;
    }
    (void)VideoWindow->put_MessageDrain(handle);

    const TAreaRect area{0, 0, value->width(), value->height()};
    LONG x = 0;
    LONG y = 0;
    bool haveAspect = false;
    ComPtr<IBasicVideo2> basicVideo2;
    ComPtr<IBasicVideo> basicVideo;
    if (SUCCEEDED(GraphBuilder.As(basicVideo2)) && basicVideo2)
        haveAspect = SUCCEEDED(basicVideo2->GetPreferredAspectRatio(&x, &y));
    else if (SUCCEEDED(GraphBuilder.As(basicVideo)) && basicVideo)
        haveAspect = SUCCEEDED(basicVideo->GetVideoSize(&x, &y));
    const TPlacement placement =
        haveAspect
            ? AspectFitRect(x, y, area)
            : TPlacement{area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top};
    (void)VideoWindow->SetWindowPosition(placement.Left, placement.Top, placement.Width,
                                         placement.Height);
}

// ---- operations -------------------------------------------------------------------------------

void TDXShow::SetLoop(bool value) {
    ASSERT_GUI_THREAD("TDXShow");
    FLoop = value;
}

void TDXShow::SetStopPosition(TDateTime value) {
    ASSERT_GUI_THREAD("TDXShow");
    if (!MediaSeeking) return;
    if (value == 0) value = GetLength();
    LONGLONG stop = DateTimeToRefTime(value);
    const HRESULT hr = MediaSeeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop,
                                                  AM_SEEKING_AbsolutePositioning);
    if (FAILED(hr)) ReportError(hr, u"SetStopPosition");
}

void TDXShow::AddAudioRenderer() {
    ASSERT_GUI_THREAD("TDXShow");
    HRESULT hr = CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC, IID_IBaseFilter,
                                  AudioRenderer.put_void());
    if (SUCCEEDED(hr) && AudioRenderer && GraphBuilder)
        (void)GraphBuilder->AddFilter(AudioRenderer.get(), u"AudioRenderer");
}

void TDXShow::DoFinished() {
    ASSERT_GUI_THREAD("TDXShow");
    if (OnFinished) OnFinished(this);
}

TDateTime TDXShow::GetPosition() {
    ASSERT_GUI_THREAD("TDXShow");
    if (!MediaSeeking) return 0;
    LONGLONG current = 0;
    if (FAILED(MediaSeeking->GetCurrentPosition(&current))) return 0;
    return RefTimeToDateTime(current);
}

void TDXShow::SetPosition(TDateTime value) {
    ASSERT_GUI_THREAD("TDXShow");
    if (MediaSeeking) {
        LONGLONG current = DateTimeToRefTime(value);
        const HRESULT hr = MediaSeeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning,
                                                      nullptr, AM_SEEKING_NoPositioning);
        if (FAILED(hr)) ReportError(hr, u"SetPositions");
    }
    if (FRunState == GraphStateStopped) (void)StopWhenReady();
    if (OnPositionChanged) OnPositionChanged(this, GetPosition());
}

void TDXShow::DoPositionChanged() {
    ASSERT_GUI_THREAD("TDXShow");
    if (OnPositionChanged) OnPositionChanged(this, GetPosition());
}

HRESULT TDXShow::Open(const WideString& fileName, bool clearFirst) {
    ASSERT_GUI_THREAD("TDXShow");
    if (clearFirst) ClearGraph();
    AddAudioRenderer();
    const HRESULT hr =
        GraphBuilder ? GraphBuilder->RenderFile(fileName.c_str(), nullptr) : E_POINTER;
    ApplyDisplay(FDisplay);
    if (OnLengthChanged) OnLengthChanged(this, GetLength());
    return hr;
}

HRESULT TDXShow::Play() {
    ASSERT_GUI_THREAD("TDXShow");
    if (OnPositionChanged) PositionTimer->start();
    if (!MediaControl) return E_POINTER;
    const HRESULT hr = MediaControl->Run();
    if (SUCCEEDED(hr)) FRunState = GraphStateRunning;
    return hr;
}

HRESULT TDXShow::Stop() {
    ASSERT_GUI_THREAD("TDXShow");
    PositionTimer->stop();
    if (!MediaControl) return E_POINTER;
    const HRESULT hr = MediaControl->Stop();
    if (SUCCEEDED(hr)) FRunState = GraphStateStopped;
    return hr;
}

HRESULT TDXShow::StopWhenReady() {
    ASSERT_GUI_THREAD("TDXShow");
    PositionTimer->stop();
    if (!MediaControl) return E_POINTER;
    const HRESULT hr = MediaControl->StopWhenReady();
    if (SUCCEEDED(hr)) FRunState = GraphStateStopped;
    return hr;
}

void TDXShow::Rewind() {
    ASSERT_GUI_THREAD("TDXShow");
    if (MediaControl) (void)MediaControl->Stop();
    SetPosition(0);
    PositionTimer->stop();
}

HRESULT TDXShow::Pause() {
    ASSERT_GUI_THREAD("TDXShow");
    if (!MediaControl) return E_POINTER;
    const HRESULT hr = MediaControl->Pause();
    if (SUCCEEDED(hr)) FRunState = GraphStatePaused;
    return hr;
}

void TDXShow::ClearGraph() {
    ASSERT_GUI_THREAD("TDXShow");
    FRunState = GraphStateStopped;
    if (PositionTimer) PositionTimer->stop();
    if (MediaControl) (void)MediaControl->Stop();
    if (OnPositionChanged) OnPositionChanged(this, 0);
    AudioRenderer = nullptr;
    if (!GraphBuilder) return;
    ComPtr<IEnumFilters> filters;
    if (FAILED(GraphBuilder->EnumFilters(filters.put())) || !filters) return;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) {
        // A filter the graph refuses to give up would come back after every Reset.
        if (FAILED(GraphBuilder->RemoveFilter(filter.get()))) break;
        (void)filters->Reset(); // removal invalidates the enumerator
        filter = nullptr;
    }
}

TDateTime TDXShow::GetLength() {
    ASSERT_GUI_THREAD("TDXShow");
    if (!MediaSeeking) return 0;
    LONGLONG duration = 0;
    if (FAILED(MediaSeeking->GetDuration(&duration))) return 0;
    return RefTimeToDateTime(duration);
}

BYTE TDXShow::GetGraphState() {
    ASSERT_GUI_THREAD("TDXShow");
    if (!MediaControl) return GraphStateUnknown;
    OAFilterState state = State_Stopped;
    if (FAILED(MediaControl->GetState(100, &state))) return GraphStateFailed;
    switch (state) {
    case State_Stopped:
        return GraphStateStopped;
    case State_Paused:
        return GraphStatePaused;
    case State_Running:
        return GraphStateRunning;
    default:
        return GraphStateUnknown;
    }
}

bool TDXShow::IsRunning() {
    ASSERT_GUI_THREAD("TDXShow");
    return FRunState == GraphStateRunning;
}

// ---- errors -----------------------------------------------------------------------------------

WideString TDXShow::FormatError(HRESULT hr, const WideString& Msg) {
    const QString reason = QString::fromLatin1(MediaErrorText(hr));
    const QString code = QString::number(quint32(std::int32_t(hr)), 16).toUpper();
    if (Msg.empty()) return ToWide(reason + QStringLiteral(" ($") + code + QStringLiteral(")."));
    return ToWide(FromWide(Msg) + QStringLiteral(" Reason: ") + reason + QStringLiteral(" ($") +
                  code + QStringLiteral(")."));
}

void TDXShow::ReportError(HRESULT hr, const WideString& Msg) {
    ASSERT_GUI_THREAD("TDXShow");
    const WideString text = FormatError(hr, Msg);
    if (OnError) OnError(hr, text);
}

void TDXShow::RaiseError(HRESULT hr, const WideString& Msg) {
    ASSERT_GUI_THREAD("TDXShow");
    const WideString text = FormatError(hr, Msg);
    if (OnError) OnError(hr, text);
    throw EDShowError(hr, FromWide(text).toStdString());
}
