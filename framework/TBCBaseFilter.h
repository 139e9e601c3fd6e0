#pragma once
// The abstract base of every filter: IBaseFilter (with the IMediaFilter and IPersist methods
// it carries) and IAMovieSetup. Holds the state machine (stopped, paused, running) that it
// passes on to its connected pins, the reference clock, the stream start time, membership in
// a graph with the graph's event sink, and the filter name; a concrete filter supplies its
// pins through PinCount and PinAt.
// Thread contract: the graph's thread calls the state and connection methods, which take Lock;
// GetState, GetClassID, QueryFilterInfo, EnumPins, GetStreamTime and SendEvent take no lock
// and may be called from any thread (the state is read atomically).
#include "framework/RelaxedAtomic.h"
#include "framework/TBCCritSec.h"
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ComPtr.h"

#include <memory>

class TBCBasePin;

class TBCBaseFilter : public TBCUnknown, public IBaseFilter, public IAMovieSetup {
public:
    // Takes ownership of lock (checked: it is given).
    TBCBaseFilter(std::string objectName, IUnknown* controller, TBCCritSec* lock, REFCLSID classId);
    ~TBCBaseFilter() override;

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    // IPersist
    HRESULT GetClassID(CLSID* classId) final;
    // IMediaFilter
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) final;
    HRESULT GetSyncSource(IReferenceClock** clock) final;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** enumerator) final;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) final;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) final;
    // IAMovieSetup
    HRESULT Register() override;
    HRESULT Unregister() override;

    // The stream time: the clock's time less StartTime.
    virtual HRESULT GetStreamTime(REFERENCE_TIME& time);
    virtual LONG GetPinListVersion();
    virtual int PinCount() = 0;
    // The pin with 0-based index, or null when index is out of range.
    virtual TBCBasePin* PinAt(int index) = 0;

    // Sends an event to the graph; EC_COMPLETE carries this filter as its second parameter.
    HRESULT SendEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

    bool IsStopped() const { return State == State_Stopped; }

protected:
    TRelaxedAtomic<FILTER_STATE> State{State_Stopped};
    ComPtr<IReferenceClock> Clock;
    TRelaxedAtomic<REFERENCE_TIME> StartTime{0}; // read by GetStreamTime without the lock
    CLSID ClassId;
    std::unique_ptr<TBCCritSec> Lock;
    WideString FilterName;
    // The graph holds the filter, so the filter's pointers to it and its sink are not counted;
    // they are valid between joining (with a graph) and leaving (with null).
    IFilterGraph* Graph = nullptr;
    IMediaEventSink* EventSink = nullptr;
    LONG PinListVersion = 1;
};
