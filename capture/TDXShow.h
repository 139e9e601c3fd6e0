#pragma once
// The graph controller (unit KWDirectShow): a non-visual component that owns one filter graph
// and drives it from the GUI thread. It holds the graph's control, event, seeking and
// video-window interfaces, two hidden message windows through which the graph's event
// notifications reach its event pump (one posted message later, always on the GUI thread), a
// 200 ms position timer, the remembered run state and the events of its user, and turns a
// failed platform call into a formatted message (ReportError) and, where the failure is
// fatal, an EDShowError (RaiseError). Every graph-building step is virtual so that a
// descendant replaces it. The filter graph manager comes from the platform's class table, or
// from a graph factory handed to the constructor (tests hand in a graph whose parts they
// watch); the other interfaces are taken from it either way.
// The owner (QObject parent) destroys the controller; destruction stops the graph, so a
// recording in progress is completed. A descendant's destructor calls ReleaseGraph so that
// its own ClearGraph runs.
// Thread contract: GUI thread only (construction, every operation, the pump and the timer);
// debug builds assert it.
// The platform's graph threads only queue events and post the notification message.
#include "capture/KWDirectShowTypes.h"
#include "framework/interfaces/Control.h"
#include "runtime/ComPtr.h"

#include <QMetaObject>
#include <QObject>

#include <functional>

class QTimer;
class QWidget;

// Makes the filter graph manager that a controller drives: a counted reference in graph.
using TGraphFactory = std::function<HRESULT(IGraphBuilder** graph)>;

class TDXShow : public QObject {
    Q_OBJECT

public:
    // Raises EDShowError when the graph or one of its indispensable interfaces cannot be had;
    // what was built so far is released again before the error leaves. Without makeGraph the
    // graph manager is the platform's.
    explicit TDXShow(QObject* owner = nullptr, const TGraphFactory& makeGraph = {});
    ~TDXShow() override;

    // Published events.
    TDXErrorEvent OnError;
    TDXShowTimeCodeEvent OnLengthChanged;
    TDXShowTimeCodeEvent OnPositionChanged;
    TNotifyEvent OnFinished;

    bool Loop() const { return FLoop; }
    QWidget* Display() const { return FDisplay; }
    // The remembered run state: 1 stopped, 2 paused, 3 running.
    BYTE RunState() const { return FRunState; }

    // The component base's notification: the display control going away detaches the video.
    virtual void Notification(QObject* component, TOperation operation);

    virtual void SetLoop(bool value);
    virtual void SetStopPosition(TDateTime value);
    // One graph event, as the event pump took it from the queue.
    virtual void HandleEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
    virtual void SetDisplay(QWidget* value);
    virtual void AddAudioRenderer();
    virtual void DoFinished();
    virtual void ApplyDisplay(QWidget* value);
    virtual TDateTime GetPosition();
    virtual void SetPosition(TDateTime value);
    virtual void DoPositionChanged();
    virtual HRESULT Open(const WideString& fileName, bool clearFirst);
    virtual HRESULT Play();
    virtual HRESULT Stop();
    virtual HRESULT StopWhenReady();
    virtual void Rewind();
    virtual HRESULT Pause();
    virtual void ClearGraph();
    virtual TDateTime GetLength();
    // The live state: 0 without a graph or in an unknown state, 1 stopped, 2 paused,
    // 3 running, 4 when the graph cannot tell.
    virtual BYTE GetGraphState();
    // The remembered state is running.
    virtual bool IsRunning();

    // OnError (when assigned), then EDShowError with the formatted message.
    void RaiseError(HRESULT hr, const WideString& Msg);
    // OnError (when assigned); nothing else.
    void ReportError(HRESULT hr, const WideString& Msg);
    // "<Msg> Reason: <platform text> ($<code>)." or, for an empty Msg,
    // "<platform text> ($<code>)."; the code in capital hexadecimal without leading zeros.
    static WideString FormatError(HRESULT hr, const WideString& Msg);

protected:
    // The destruction of the graph: stops it, detaches video and notification, runs the
    // (virtual) ClearGraph, releases the interfaces and destroys the hidden windows. Runs
    // once; the most derived destructor calls it so that its ClearGraph override runs.
    void ReleaseGraph() noexcept;

    ComPtr<IMediaEventEx> MediaEvent;
    HWND NotifyWindow = 0;
    HWND DispatchWindow = 0;
    ComPtr<IGraphBuilder> GraphBuilder;
    ComPtr<IMediaControl> MediaControl;
    ComPtr<IVideoWindow> VideoWindow;
    ComPtr<IMediaSeeking> MediaSeeking;
    // Owned through the QObject parent.
    QTimer* PositionTimer = nullptr;
    BYTE FRunState = GraphStateStopped;
    ComPtr<IBaseFilter> AudioRenderer;

private:
    void Construct(const TGraphFactory& makeGraph);
    // Display := value, watching the new control's destruction instead of the old one's.
    void WatchDisplay(QWidget* value);
    LRESULT NotifyWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DispatchWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The handler of WM_GRAPHNOTIFY: drains the graph's event queue.
    void WMGraphNotify();

    bool FLoop = false;
    // Not owned: the control is the application's; its destroyed signal tells us it goes.
    QWidget* FDisplay = nullptr;
    // The same object as FDisplay, kept as QObject because the destroyed signal arrives
    // when only the QObject part is left.
    QObject* FDisplayObject = nullptr;
    QMetaObject::Connection FDisplayWatch;
    bool FGraphReleased = false;
};
