#pragma once
// The graph's automation-style control interfaces: run state, events, positions and the
// video window. They derive from IDispatch as published; the graph answers the dispatch
// methods with E_NOTIMPL.
#include "framework/interfaces/Strmif.h"

inline constexpr IID IID_IMediaControl{
    0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaEvent{
    0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaEventEx{
    0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaPosition{
    0x56A868B2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IVideoWindow{
    0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IBasicVideo{
    0x56A868B5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IBasicVideo2{
    0x329BB360, 0xF6EA, 0x11D1, {0x90, 0x38, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x98}};

struct IMediaControl : IDispatch {
    static constexpr const IID& Iid = IID_IMediaControl;
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
    virtual HRESULT RenderFile(BSTR fileName) = 0;
    virtual HRESULT AddSourceFilter(BSTR fileName, IDispatch** filterInfo) = 0;
    virtual HRESULT get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT StopWhenReady() = 0;

protected:
    ~IMediaControl() = default;
};

struct IMediaEvent : IDispatch {
    static constexpr const IID& Iid = IID_IMediaEvent;
    virtual HRESULT GetEventHandle(OAEVENT* event) = 0;
    virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                             LONG msTimeout) = 0;
    virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) = 0;
    virtual HRESULT CancelDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT RestoreDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;

protected:
    ~IMediaEvent() = default;
};

struct IMediaEventEx : IMediaEvent {
    static constexpr const IID& Iid = IID_IMediaEventEx;
    virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
    virtual HRESULT SetNotifyFlags(LONG noNotifyFlags) = 0;
    virtual HRESULT GetNotifyFlags(LONG* noNotifyFlags) = 0;

protected:
    ~IMediaEventEx() = default;
};

struct IMediaPosition : IDispatch {
    static constexpr const IID& Iid = IID_IMediaPosition;
    virtual HRESULT get_Duration(REFTIME* length) = 0;
    virtual HRESULT put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT get_CurrentPosition(REFTIME* time) = 0;
    virtual HRESULT get_StopTime(REFTIME* time) = 0;
    virtual HRESULT put_StopTime(REFTIME time) = 0;
    virtual HRESULT get_PrerollTime(REFTIME* time) = 0;
    virtual HRESULT put_PrerollTime(REFTIME time) = 0;
    virtual HRESULT put_Rate(double rate) = 0;
    virtual HRESULT get_Rate(double* rate) = 0;
    virtual HRESULT CanSeekForward(LONG* canSeek) = 0;
    virtual HRESULT CanSeekBackward(LONG* canSeek) = 0;

protected:
    ~IMediaPosition() = default;
};

struct IVideoWindow : IDispatch {
    static constexpr const IID& Iid = IID_IVideoWindow;
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT get_Caption(BSTR* caption) = 0;
    virtual HRESULT put_WindowStyle(LONG style) = 0;
    virtual HRESULT get_WindowStyle(LONG* style) = 0;
    virtual HRESULT put_WindowStyleEx(LONG style) = 0;
    virtual HRESULT get_WindowStyleEx(LONG* style) = 0;
    virtual HRESULT put_AutoShow(LONG autoShow) = 0;
    virtual HRESULT get_AutoShow(LONG* autoShow) = 0;
    virtual HRESULT put_WindowState(LONG state) = 0;
    virtual HRESULT get_WindowState(LONG* state) = 0;
    virtual HRESULT put_BackgroundPalette(LONG palette) = 0;
    virtual HRESULT get_BackgroundPalette(LONG* palette) = 0;
    virtual HRESULT put_Visible(LONG visible) = 0;
    virtual HRESULT get_Visible(LONG* visible) = 0;
    virtual HRESULT put_Left(LONG left) = 0;
    virtual HRESULT get_Left(LONG* left) = 0;
    virtual HRESULT put_Width(LONG width) = 0;
    virtual HRESULT get_Width(LONG* width) = 0;
    virtual HRESULT put_Top(LONG top) = 0;
    virtual HRESULT get_Top(LONG* top) = 0;
    virtual HRESULT put_Height(LONG height) = 0;
    virtual HRESULT get_Height(LONG* height) = 0;
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT get_Owner(OAHWND* owner) = 0;
    virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
    virtual HRESULT get_BorderColor(LONG* color) = 0;
    virtual HRESULT put_BorderColor(LONG color) = 0;
    virtual HRESULT get_FullScreenMode(LONG* fullScreen) = 0;
    virtual HRESULT put_FullScreenMode(LONG fullScreen) = 0;
    virtual HRESULT SetWindowForeground(LONG focus) = 0;
    virtual HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                       LONG_PTR lParam) = 0;
    virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT GetMinIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT HideCursor(LONG hide) = 0;
    virtual HRESULT IsCursorHidden(LONG* hidden) = 0;

protected:
    ~IVideoWindow() = default;
};

struct IBasicVideo : IDispatch {
    static constexpr const IID& Iid = IID_IBasicVideo;
    virtual HRESULT get_AvgTimePerFrame(REFTIME* time) = 0;
    virtual HRESULT get_BitRate(LONG* rate) = 0;
    virtual HRESULT get_BitErrorRate(LONG* rate) = 0;
    virtual HRESULT get_VideoWidth(LONG* width) = 0;
    virtual HRESULT get_VideoHeight(LONG* height) = 0;
    virtual HRESULT put_SourceLeft(LONG left) = 0;
    virtual HRESULT get_SourceLeft(LONG* left) = 0;
    virtual HRESULT put_SourceWidth(LONG width) = 0;
    virtual HRESULT get_SourceWidth(LONG* width) = 0;
    virtual HRESULT put_SourceTop(LONG top) = 0;
    virtual HRESULT get_SourceTop(LONG* top) = 0;
    virtual HRESULT put_SourceHeight(LONG height) = 0;
    virtual HRESULT get_SourceHeight(LONG* height) = 0;
    virtual HRESULT put_DestinationLeft(LONG left) = 0;
    virtual HRESULT get_DestinationLeft(LONG* left) = 0;
    virtual HRESULT put_DestinationWidth(LONG width) = 0;
    virtual HRESULT get_DestinationWidth(LONG* width) = 0;
    virtual HRESULT put_DestinationTop(LONG top) = 0;
    virtual HRESULT get_DestinationTop(LONG* top) = 0;
    virtual HRESULT put_DestinationHeight(LONG height) = 0;
    virtual HRESULT get_DestinationHeight(LONG* height) = 0;
    virtual HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT SetDefaultSourcePosition() = 0;
    virtual HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT SetDefaultDestinationPosition() = 0;
    virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                           LONG* palette) = 0;
    virtual HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) = 0;
    virtual HRESULT IsUsingDefaultSource() = 0;
    virtual HRESULT IsUsingDefaultDestination() = 0;

protected:
    ~IBasicVideo() = default;
};

struct IBasicVideo2 : IBasicVideo {
    static constexpr const IID& Iid = IID_IBasicVideo2;
    virtual HRESULT GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) = 0;

protected:
    ~IBasicVideo2() = default;
};
