#pragma once
// The filter graph manager (CLSID_FilterGraph). It holds its filters (counted, with unique
// names), connects pins directly, changes the state of every filter (Pause and Run reach
// sinks first and then go upstream; Stop reaches sources first, so a source has stopped
// delivering before the filters below it stop and a sink is the last to close its file),
// gives every filter the reference clock when it starts, and queues the filters' events and
// posts the notification message for each. Its seeking and position interfaces (GraphSeeking)
// and its video-window interfaces (GraphVideo) are inner objects that it aggregates: they
// answer with the graph's identity and reach the filters through the graph's list.
// Thread contract: graph building and state changes come from one controlling thread and
// run under the graph lock; IMediaEventSink::Notify and the event queue may be used from any
// thread and never take the graph lock (a streaming thread may notify while Stop waits for it).
#include "framework/TBCListSnapshot.h"
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Control.h"
#include "media/graph/DispatchNotSupported.h"
#include "media/graph/GraphEventQueue.h"
#include "runtime/ComPtr.h"

#include <mutex>
#include <vector>

class FilterGraph final : public TBCUnknown,
                          public IGraphBuilder,
                          public DispatchNotSupported<IMediaControl, IMediaEventEx>,
                          public IMediaEventSink,
                          public TBCChangingList<IBaseFilter> {
public:
    explicit FilterGraph(IUnknown* outer);
    ~FilterGraph() override;

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // The filters in the order they were added, and a number that changes with the list.
    std::vector<ComPtr<IBaseFilter>> Items(LONG* version) override;
    LONG Version() override;

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

private:
    struct Entry {
        ComPtr<IBaseFilter> filter;
        WideString name;
    };

    // Filters with every upstream filter before its downstream ones.
    std::vector<IBaseFilter*> SourcesFirstLocked();
    bool ContainsLocked(IBaseFilter* filter) const;
    bool PinInGraphLocked(IPin* pin);
    WideString UniqueNameLocked(const WideString& wanted, bool* renamed) const;
    void GiveClockLocked();
    HRESULT PauseLocked();
    HRESULT StopLocked();
    void RemoveLocked(std::size_t index);

    std::recursive_mutex lock_;
    std::vector<Entry> filters_;
    LONG version_ = 0;
    FILTER_STATE state_ = State_Stopped;
    ComPtr<IReferenceClock> clock_;
    GraphEventQueue events_;
    // The inner objects' own unknowns; null when there was no memory for one.
    ComPtr<IUnknown> seeking_;
    ComPtr<IUnknown> video_;
};
