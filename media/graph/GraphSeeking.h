#pragma once
// The graph's seeking and position interfaces (IMediaSeeking, IMediaPosition), an inner object
// of the filter graph that aggregates it: it answers with the graph's identity and lives as
// long as the graph. Requests go to the graph's filters that can seek: every one of them is
// told of a new position or rate, the first one answers a question, and their capabilities
// are those they share. Without such a filter the calls fail cleanly with E_NOTIMPL. Only
// media time is offered.
// Thread contract: any thread; it holds no state and reads the graph's list under the graph's
// lock.
#include "framework/TBCListSnapshot.h"
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Control.h"
#include "media/graph/DispatchNotSupported.h"

#include <vector>

class GraphSeeking final : public TBCUnknown,
                           public IMediaSeeking,
                           public DispatchNotSupported<IMediaPosition> {
public:
    // graph is the aggregating filter graph's list of filters.
    GraphSeeking(IUnknown* outer, TBCChangingList<IBaseFilter>* graph);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

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

    // IMediaPosition, in seconds over IMediaSeeking
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

private:
    std::vector<ComPtr<IMediaSeeking>> SeekableFilters();

    // The graph that aggregates this object; not counted, since the graph owns us.
    TBCChangingList<IBaseFilter>* const graph_;
};
