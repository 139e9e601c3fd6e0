#include "media/graph/GraphSeeking.h"

#include "framework/interfaces/MediaGuids.h"

#include <cmath>

namespace {
constexpr double kUnitsPerSecond = 10'000'000.0;
} // namespace

GraphSeeking::GraphSeeking(IUnknown* outer, TBCChangingList<IBaseFilter>* graph)
    : TBCUnknown("Graph seeking", outer), graph_(graph) {}

HRESULT GraphSeeking::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    if (iid == IID_IMediaPosition) return GetInterface(static_cast<IMediaPosition*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

std::vector<ComPtr<IMediaSeeking>> GraphSeeking::SeekableFilters() {
    std::vector<ComPtr<IMediaSeeking>> found;
    for (const ComPtr<IBaseFilter>& f : graph_->Items(nullptr)) {
        ComPtr<IMediaSeeking> s;
        if (SUCCEEDED(f.As(s)) && s) found.push_back(std::move(s));
    }
    return found;
}

// The first seekable filter answers a question; without one the call fails cleanly.
#define ASK_SEEKABLE(call)                                                                         \
    for (const ComPtr<IMediaSeeking>& s : SeekableFilters())                                       \
        return s->call;                                                                            \
    return E_NOTIMPL

HRESULT GraphSeeking::GetCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = 0;
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    DWORD common = ~DWORD(0);
    for (const ComPtr<IMediaSeeking>& s : all) {
        DWORD caps = 0;
        RETURN_IF_FAILED(s->GetCapabilities(&caps));
        common &= caps;
    }
    *capabilities = common;
    return S_OK;
}

HRESULT GraphSeeking::CheckCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    const DWORD wanted = *capabilities;
    DWORD have = 0;
    const HRESULT hr = GetCapabilities(&have);
    *capabilities = wanted & have;
    if (FAILED(hr)) return hr;
    if (*capabilities == wanted) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT GraphSeeking::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT GraphSeeking::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT GraphSeeking::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT GraphSeeking::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT GraphSeeking::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT GraphSeeking::GetDuration(LONGLONG* duration) {
    if (!duration) return E_POINTER;
    *duration = 0;
    ASK_SEEKABLE(GetDuration(duration));
}

HRESULT GraphSeeking::GetStopPosition(LONGLONG* stop) {
    if (!stop) return E_POINTER;
    *stop = 0;
    ASK_SEEKABLE(GetStopPosition(stop));
}

HRESULT GraphSeeking::GetCurrentPosition(LONGLONG* current) {
    if (!current) return E_POINTER;
    *current = 0;
    ASK_SEEKABLE(GetCurrentPosition(current));
}

HRESULT GraphSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                        const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    const bool targetOk = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    const bool sourceOk = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!targetOk || !sourceOk) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT GraphSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                   DWORD stopFlags) {
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    HRESULT result = S_OK;
    for (const ComPtr<IMediaSeeking>& s : all) {
        LONGLONG c = current ? *current : 0, e = stop ? *stop : 0;
        const HRESULT hr =
            s->SetPositions(current ? &c : nullptr, currentFlags, stop ? &e : nullptr, stopFlags);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT GraphSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current) *current = 0;
    if (stop) *stop = 0;
    ASK_SEEKABLE(GetPositions(current, stop));
}

HRESULT GraphSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    if (earliest) *earliest = 0;
    if (latest) *latest = 0;
    ASK_SEEKABLE(GetAvailable(earliest, latest));
}

HRESULT GraphSeeking::SetRate(double rate) {
    std::vector<ComPtr<IMediaSeeking>> all = SeekableFilters();
    if (all.empty()) return E_NOTIMPL;
    for (const ComPtr<IMediaSeeking>& s : all)
        RETURN_IF_FAILED(s->SetRate(rate));
    return S_OK;
}

HRESULT GraphSeeking::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    *rate = 1.0;
    ASK_SEEKABLE(GetRate(rate));
}

HRESULT GraphSeeking::GetPreroll(LONGLONG* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    ASK_SEEKABLE(GetPreroll(preroll));
}

// IMediaPosition: the same in seconds.

HRESULT GraphSeeking::get_Duration(REFTIME* length) {
    if (!length) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetDuration(&units);
    *length = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT GraphSeeking::put_CurrentPosition(REFTIME time) {
    LONGLONG units = LONGLONG(std::llround(time * kUnitsPerSecond));
    return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT GraphSeeking::get_CurrentPosition(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetCurrentPosition(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT GraphSeeking::get_StopTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetStopPosition(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT GraphSeeking::put_StopTime(REFTIME time) {
    LONGLONG units = LONGLONG(std::llround(time * kUnitsPerSecond));
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}

HRESULT GraphSeeking::get_PrerollTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetPreroll(&units);
    *time = double(units) / kUnitsPerSecond;
    return hr;
}

HRESULT GraphSeeking::put_PrerollTime(REFTIME) {
    return E_NOTIMPL;
}

HRESULT GraphSeeking::put_Rate(double rate) {
    return SetRate(rate);
}

HRESULT GraphSeeking::get_Rate(double* rate) {
    return GetRate(rate);
}

HRESULT GraphSeeking::CanSeekForward(LONG* canSeek) {
    if (!canSeek) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    *canSeek = (caps & AM_SEEKING_CanSeekForwards) ? OATRUE : OAFALSE;
    return hr;
}

HRESULT GraphSeeking::CanSeekBackward(LONG* canSeek) {
    if (!canSeek) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    *canSeek = (caps & AM_SEEKING_CanSeekBackwards) ? OATRUE : OAFALSE;
    return hr;
}
