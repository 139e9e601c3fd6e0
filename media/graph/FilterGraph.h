#pragma once
// The filter graph manager (CLSID_FilterGraph). It holds its filters (counted, with unique
// names), connects pins directly, changes the state of every filter (Pause and Run reach
// sinks first and then go upstream; Stop reaches sources first, so a source has stopped
// delivering before the filters below it stop and a sink is the last to close its file),
// gives every filter the reference clock when it starts, queues the filters' events and
// posts the notification message for each, and answers seeking, position and video-window
// requests through the filters that support them (failing cleanly when none does).
// Thread contract: graph building and state changes come from one controlling thread and
// run under the graph lock; IMediaEventSink::Notify and the event queue may be used from any
// thread and never take the graph lock (a streaming thread may notify while Stop waits for it).
#include "framework/interfaces/Control.h"
#include "media/MediaObject.h"
#include "media/graph/GraphEventQueue.h"
#include "runtime/ComPtr.h"

#include <mutex>
#include <vector>

class FilterGraph final : public MediaObject,
                          public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEventEx,
                          public IMediaEventSink,
                          public IMediaSeeking,
                          public IMediaPosition,
                          public IVideoWindow,
                          public IBasicVideo2 {
public:
    explicit FilterGraph(IUnknown* outer);
    ~FilterGraph() override;

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    MEDIA_OBJECT_UNKNOWN

    // The filters in the order they were added, and a number that changes with the list.
    std::vector<ComPtr<IBaseFilter>> Filters(LONG* version);
    LONG Version();

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** enumerator) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;
    // IGraphBuilder
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin* output) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

    // IDispatch, shared by the automation-style interfaces (not supported)
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
    HRESULT RenderFile(BSTR fileName) override;
    HRESULT AddSourceFilter(BSTR fileName, IDispatch** filterInfo) override;
    HRESULT get_FilterCollection(IDispatch** collection) override;
    HRESULT get_RegFilterCollection(IDispatch** collection) override;
    HRESULT StopWhenReady() override;

    // IMediaEvent, IMediaEventEx
    HRESULT GetEventHandle(OAEVENT* event) override;
    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) override;
    HRESULT CancelDefaultHandling(LONG eventCode) override;
    HRESULT RestoreDefaultHandling(LONG eventCode) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
    HRESULT SetNotifyFlags(LONG noNotifyFlags) override;
    HRESULT GetNotifyFlags(LONG* noNotifyFlags) override;

    // IMediaEventSink
    HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

    // IMediaSeeking
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

    // IMediaPosition, in seconds over the graph's IMediaSeeking
    HRESULT get_Duration(REFTIME* length) override;
    HRESULT put_CurrentPosition(REFTIME time) override;
    HRESULT get_CurrentPosition(REFTIME* time) override;
    HRESULT get_StopTime(REFTIME* time) override;
    HRESULT put_StopTime(REFTIME time) override;
    HRESULT get_PrerollTime(REFTIME* time) override;
    HRESULT put_PrerollTime(REFTIME time) override;
    HRESULT put_Rate(double rate) override;
    HRESULT get_Rate(double* rate) override;
    HRESULT CanSeekForward(LONG* canSeek) override;
    HRESULT CanSeekBackward(LONG* canSeek) override;

    // IVideoWindow, answered by the first filter that has it
    HRESULT put_Caption(BSTR caption) override;
    HRESULT get_Caption(BSTR* caption) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT get_WindowStyle(LONG* style) override;
    HRESULT put_WindowStyleEx(LONG style) override;
    HRESULT get_WindowStyleEx(LONG* style) override;
    HRESULT put_AutoShow(LONG autoShow) override;
    HRESULT get_AutoShow(LONG* autoShow) override;
    HRESULT put_WindowState(LONG state) override;
    HRESULT get_WindowState(LONG* state) override;
    HRESULT put_BackgroundPalette(LONG palette) override;
    HRESULT get_BackgroundPalette(LONG* palette) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Left(LONG left) override;
    HRESULT get_Left(LONG* left) override;
    HRESULT put_Width(LONG width) override;
    HRESULT get_Width(LONG* width) override;
    HRESULT put_Top(LONG top) override;
    HRESULT get_Top(LONG* top) override;
    HRESULT put_Height(LONG height) override;
    HRESULT get_Height(LONG* height) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT get_BorderColor(LONG* color) override;
    HRESULT put_BorderColor(LONG color) override;
    HRESULT get_FullScreenMode(LONG* fullScreen) override;
    HRESULT put_FullScreenMode(LONG fullScreen) override;
    HRESULT SetWindowForeground(LONG focus) override;
    HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                               LONG_PTR lParam) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT HideCursor(LONG hide) override;
    HRESULT IsCursorHidden(LONG* hidden) override;
    // IBasicVideo, answered by the first filter that has it
    HRESULT get_AvgTimePerFrame(REFTIME* time) override;
    HRESULT get_BitRate(LONG* rate) override;
    HRESULT get_BitErrorRate(LONG* rate) override;
    HRESULT get_VideoWidth(LONG* width) override;
    HRESULT get_VideoHeight(LONG* height) override;
    HRESULT put_SourceLeft(LONG left) override;
    HRESULT get_SourceLeft(LONG* left) override;
    HRESULT put_SourceWidth(LONG width) override;
    HRESULT get_SourceWidth(LONG* width) override;
    HRESULT put_SourceTop(LONG top) override;
    HRESULT get_SourceTop(LONG* top) override;
    HRESULT put_SourceHeight(LONG height) override;
    HRESULT get_SourceHeight(LONG* height) override;
    HRESULT put_DestinationLeft(LONG left) override;
    HRESULT get_DestinationLeft(LONG* left) override;
    HRESULT put_DestinationWidth(LONG width) override;
    HRESULT get_DestinationWidth(LONG* width) override;
    HRESULT put_DestinationTop(LONG top) override;
    HRESULT get_DestinationTop(LONG* top) override;
    HRESULT put_DestinationHeight(LONG height) override;
    HRESULT get_DestinationHeight(LONG* height) override;
    HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultSourcePosition() override;
    HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultDestinationPosition() override;
    HRESULT GetVideoSize(LONG* width, LONG* height) override;
    HRESULT GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                   LONG* palette) override;
    HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) override;
    HRESULT IsUsingDefaultSource() override;
    HRESULT IsUsingDefaultDestination() override;
    // IBasicVideo2, answered by the first filter that has it
    HRESULT GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) override;

private:
    struct Entry {
        ComPtr<IBaseFilter> filter;
        WideString name;
    };

    void* FindInterface(REFIID iid) override;
    void FinalRelease() override;

    // Filters with every upstream filter before its downstream ones.
    std::vector<IBaseFilter*> SourcesFirstLocked();
    bool ContainsLocked(IBaseFilter* filter) const;
    bool PinInGraphLocked(IPin* pin);
    WideString UniqueNameLocked(const WideString& wanted, bool* renamed) const;
    void GiveClockLocked();
    HRESULT PauseLocked();
    HRESULT StopLocked();
    void RemoveLocked(std::size_t index);
    std::vector<ComPtr<IMediaSeeking>> SeekableFilters();
    template <class T>
    HRESULT FindFilterInterface(ComPtr<T>& target);

    std::recursive_mutex lock_;
    std::vector<Entry> filters_;
    LONG version_ = 0;
    FILTER_STATE state_ = State_Stopped;
    ComPtr<IReferenceClock> clock_;
    GraphEventQueue events_;
};
