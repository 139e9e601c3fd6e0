#pragma once
// Filter, pin, allocator, sample, graph and registration interfaces of the media platform,
// with their published names, identifiers, method order and parameter order.
#include "framework/interfaces/StrmifTypes.h"
#include "runtime/ObjIdl.h"
#include "runtime/OleAuto.h"

struct IPin;
struct IEnumPins;
struct IEnumMediaTypes;
struct IEnumFilters;
struct IReferenceClock;
struct IMediaSample;
struct IMemAllocator;
struct IQualityControl;
struct IGraphBuilder;
struct IFileSinkFilter;
struct IMoniker;
struct IEnumMoniker;
struct IEnumRegFilters;
struct IAMCopyCaptureFileProgress;

using HEVENT = ULONG_PTR;
using HSEMAPHORE = ULONG_PTR;
using DWORD_PTR = ULONG_PTR;
using DWORDLONG = ULONGLONG;

inline constexpr IID IID_IPersist{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMediaFilter{
    0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IBaseFilter{
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IPin{
    0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IEnumPins{
    0x56A86892, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IEnumFilters{
    0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IEnumMediaTypes{
    0x89C31040, 0x846B, 0x11CE, {0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr IID IID_IReferenceClock{
    0x56A86897, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaSample{
    0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaSample2{
    0x36B73884, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
inline constexpr IID IID_IMemAllocator{
    0x56A8689C, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMemInputPin{
    0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IQualityControl{
    0x56A868A5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IAMovieSetup{
    0xA3D8CEC0, 0x7E5A, 0x11CF, {0xBB, 0xC5, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x20}};
inline constexpr IID IID_IFilterGraph{
    0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IGraphBuilder{
    0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaEventSink{
    0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaSeeking{
    0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
inline constexpr IID IID_ISeekingPassThru{
    0x36B73883, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
inline constexpr IID IID_IFileSinkFilter{
    0xA2104830, 0x7C70, 0x11CF, {0x8B, 0xCE, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
inline constexpr IID IID_IFileSinkFilter2{
    0x00855B90, 0xCE1B, 0x11D0, {0xBD, 0x4F, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr IID IID_ICaptureGraphBuilder2{
    0x93E5A4E0, 0x2D50, 0x11D2, {0xAB, 0xFA, 0x00, 0xA0, 0xC9, 0xC6, 0xE3, 0x8D}};
inline constexpr IID IID_IKsPropertySet{
    0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
inline constexpr IID IID_IFilterMapper{
    0x56A868A3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IFilterMapper2{
    0xB79BB0B0, 0x33C1, 0x11D1, {0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
inline constexpr IID IID_IEnumRegFilters{
    0x56A868A4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct IPersist : IUnknown {
    static constexpr const IID& Iid = IID_IPersist;
    virtual HRESULT GetClassID(CLSID* classId) = 0;

protected:
    ~IPersist() = default;
};

struct IMediaFilter : IPersist {
    static constexpr const IID& Iid = IID_IMediaFilter;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;

protected:
    ~IMediaFilter() = default;
};

struct IBaseFilter : IMediaFilter {
    static constexpr const IID& Iid = IID_IBaseFilter;
    virtual HRESULT EnumPins(IEnumPins** enumerator) = 0;
    virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
    virtual HRESULT QueryVendorInfo(LPWSTR* vendorInfo) = 0;

protected:
    ~IBaseFilter() = default;
};

struct IReferenceClock : IUnknown {
    static constexpr const IID& Iid = IID_IReferenceClock;
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
    virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                               DWORD_PTR* adviseCookie) = 0;
    virtual HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                   HSEMAPHORE semaphore, DWORD_PTR* adviseCookie) = 0;
    virtual HRESULT Unadvise(DWORD_PTR adviseCookie) = 0;

protected:
    ~IReferenceClock() = default;
};

struct IPin : IUnknown {
    static constexpr const IID& Iid = IID_IPin;
    virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(LPWSTR* id) = 0;
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;

protected:
    ~IPin() = default;
};

struct IEnumPins : IUnknown {
    static constexpr const IID& Iid = IID_IEnumPins;
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** enumerator) = 0;

protected:
    ~IEnumPins() = default;
};

struct IEnumMediaTypes : IUnknown {
    static constexpr const IID& Iid = IID_IEnumMediaTypes;
    virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMediaTypes** enumerator) = 0;

protected:
    ~IEnumMediaTypes() = default;
};

struct IFilterGraph : IUnknown {
    static constexpr const IID& Iid = IID_IFilterGraph;
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** enumerator) = 0;
    virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;

protected:
    ~IFilterGraph() = default;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr const IID& Iid = IID_IGraphBuilder;
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    virtual HRESULT Render(IPin* output) = 0;
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) = 0;
    virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ShouldOperationContinue() = 0;

protected:
    ~IGraphBuilder() = default;
};

struct IEnumFilters : IUnknown {
    static constexpr const IID& Iid = IID_IEnumFilters;
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** enumerator) = 0;

protected:
    ~IEnumFilters() = default;
};

struct IMediaSample : IUnknown {
    static constexpr const IID& Iid = IID_IMediaSample;
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    virtual HRESULT IsSyncPoint() = 0;
    virtual HRESULT SetSyncPoint(BOOL isSyncPoint) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(BOOL isPreroll) = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(LONG length) = 0;
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) = 0;
    virtual HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
    virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) = 0;
    virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) = 0;

protected:
    ~IMediaSample() = default;
};

struct IMediaSample2 : IMediaSample {
    static constexpr const IID& Iid = IID_IMediaSample2;
    virtual HRESULT GetProperties(DWORD size, BYTE* properties) = 0;
    virtual HRESULT SetProperties(DWORD size, const BYTE* properties) = 0;

protected:
    ~IMediaSample2() = default;
};

struct IMemAllocator : IUnknown {
    static constexpr const IID& Iid = IID_IMemAllocator;
    virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                              DWORD flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;

protected:
    ~IMemAllocator() = default;
};

struct IMemInputPin : IUnknown {
    static constexpr const IID& Iid = IID_IMemInputPin;
    virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
    virtual HRESULT ReceiveCanBlock() = 0;

protected:
    ~IMemInputPin() = default;
};

struct IQualityControl : IUnknown {
    static constexpr const IID& Iid = IID_IQualityControl;
    virtual HRESULT Notify(IBaseFilter* self, Quality q) = 0;
    virtual HRESULT SetSink(IQualityControl* sink) = 0;

protected:
    ~IQualityControl() = default;
};

struct IAMovieSetup : IUnknown {
    static constexpr const IID& Iid = IID_IAMovieSetup;
    virtual HRESULT Register() = 0;
    virtual HRESULT Unregister() = 0;

protected:
    ~IAMovieSetup() = default;
};

struct IMediaEventSink : IUnknown {
    static constexpr const IID& Iid = IID_IMediaEventSink;
    virtual HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEventSink() = default;
};

struct IMediaSeeking : IUnknown {
    static constexpr const IID& Iid = IID_IMediaSeeking;
    virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID* format) = 0;
    virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
    virtual HRESULT GetTimeFormat(GUID* format) = 0;
    virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
    virtual HRESULT SetTimeFormat(const GUID* format) = 0;
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
    virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                      const GUID* sourceFormat) = 0;
    virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                 DWORD stopFlags) = 0;
    virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
    virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
    virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;

protected:
    ~IMediaSeeking() = default;
};

struct ISeekingPassThru : IUnknown {
    static constexpr const IID& Iid = IID_ISeekingPassThru;
    virtual HRESULT Init(BOOL supportRendering, IPin* pin) = 0;

protected:
    ~ISeekingPassThru() = default;
};

struct IFileSinkFilter : IUnknown {
    static constexpr const IID& Iid = IID_IFileSinkFilter;
    virtual HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) = 0;

protected:
    ~IFileSinkFilter() = default;
};

struct IFileSinkFilter2 : IFileSinkFilter {
    static constexpr const IID& Iid = IID_IFileSinkFilter2;
    virtual HRESULT SetMode(DWORD flags) = 0;
    virtual HRESULT GetMode(DWORD* flags) = 0;

protected:
    ~IFileSinkFilter2() = default;
};

struct ICaptureGraphBuilder2 : IUnknown {
    static constexpr const IID& Iid = IID_ICaptureGraphBuilder2;
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
    virtual HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                      IFileSinkFilter** sink) = 0;
    virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                  REFIID iid, void** object) = 0;
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                 IBaseFilter* compressor, IBaseFilter* renderer) = 0;
    virtual HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                  REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                  WORD stopCookie) = 0;
    virtual HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) = 0;
    virtual HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                                    IAMCopyCaptureFileProgress* callback) = 0;
    virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                            const GUID* type, BOOL unconnected, int index, IPin** pin) = 0;

protected:
    ~ICaptureGraphBuilder2() = default;
};

struct IKsPropertySet : IUnknown {
    static constexpr const IID& Iid = IID_IKsPropertySet;
    virtual HRESULT Set(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                        void* propertyData, DWORD dataLength) = 0;
    virtual HRESULT Get(REFGUID propertySet, DWORD id, void* instanceData, DWORD instanceLength,
                        void* propertyData, DWORD dataLength, DWORD* bytesReturned) = 0;
    virtual HRESULT QuerySupported(REFGUID propertySet, DWORD id, DWORD* typeSupport) = 0;

protected:
    ~IKsPropertySet() = default;
};

struct IFilterMapper : IUnknown {
    static constexpr const IID& Iid = IID_IFilterMapper;
    virtual HRESULT RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) = 0;
    virtual HRESULT RegisterFilterInstance(CLSID clsid, LPCWSTR name, CLSID* mediaResourceId) = 0;
    virtual HRESULT RegisterPin(CLSID filter, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero,
                                BOOL many, CLSID connectsToFilter, LPCWSTR connectsToPin) = 0;
    virtual HRESULT RegisterPinType(CLSID filter, LPCWSTR pinName, CLSID majorType,
                                    CLSID subType) = 0;
    virtual HRESULT UnregisterFilter(CLSID filter) = 0;
    virtual HRESULT UnregisterFilterInstance(CLSID mediaResourceId) = 0;
    virtual HRESULT UnregisterPin(CLSID filter, LPCWSTR name) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumRegFilters** enumerator, DWORD merit, BOOL inputNeeded,
                                        CLSID inMajor, CLSID inSub, BOOL render, BOOL outputNeeded,
                                        CLSID outMajor, CLSID outSub) = 0;

protected:
    ~IFilterMapper() = default;
};

struct IFilterMapper2 : IUnknown {
    static constexpr const IID& Iid = IID_IFilterMapper2;
    virtual HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) = 0;
    virtual HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance,
                                     REFCLSID filter) = 0;
    virtual HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker,
                                   const CLSID* category, LPCOLESTR instance,
                                   const REGFILTER2* registration) = 0;
    virtual HRESULT EnumMatchingFilters(IEnumMoniker** enumerator, DWORD flags, BOOL exactMatch,
                                        DWORD merit, BOOL inputNeeded, DWORD inputTypeCount,
                                        const GUID* inputTypes, const REGPINMEDIUM* inputMedium,
                                        const CLSID* inputPinCategory, BOOL render,
                                        BOOL outputNeeded, DWORD outputTypeCount,
                                        const GUID* outputTypes, const REGPINMEDIUM* outputMedium,
                                        const CLSID* outputPinCategory) = 0;

protected:
    ~IFilterMapper2() = default;
};
