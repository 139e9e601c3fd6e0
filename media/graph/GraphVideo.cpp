#include "media/graph/GraphVideo.h"

GraphVideo::GraphVideo(IUnknown* outer, TBCChangingList<IBaseFilter>* graph)
    : TBCUnknown("Graph video", outer), graph_(graph) {}

HRESULT GraphVideo::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IVideoWindow) return GetInterface(static_cast<IVideoWindow*>(this), object);
    if (iid == IID_IBasicVideo || iid == IID_IBasicVideo2)
        return GetInterface(static_cast<IBasicVideo2*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

template <class T>
HRESULT GraphVideo::FindFilterInterface(ComPtr<T>& target) {
    target.reset();
    for (const ComPtr<IBaseFilter>& f : graph_->Items(nullptr))
        if (SUCCEEDED(f.As(target)) && target) return S_OK;
    return E_NOINTERFACE;
}

// The first filter with the interface answers; without one the call fails cleanly.
#define FORWARD_TO_FILTER(Interface, call)                                                         \
    ComPtr<Interface> target;                                                                      \
    RETURN_IF_FAILED(FindFilterInterface(target));                                                 \
    return target->call

HRESULT GraphVideo::put_Caption(BSTR caption) {
    FORWARD_TO_FILTER(IVideoWindow, put_Caption(caption));
}

HRESULT GraphVideo::get_Caption(BSTR* caption) {
    FORWARD_TO_FILTER(IVideoWindow, get_Caption(caption));
}

HRESULT GraphVideo::put_WindowStyle(LONG style) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowStyle(style));
}

HRESULT GraphVideo::get_WindowStyle(LONG* style) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowStyle(style));
}

HRESULT GraphVideo::put_WindowStyleEx(LONG style) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowStyleEx(style));
}

HRESULT GraphVideo::get_WindowStyleEx(LONG* style) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowStyleEx(style));
}

HRESULT GraphVideo::put_AutoShow(LONG autoShow) {
    FORWARD_TO_FILTER(IVideoWindow, put_AutoShow(autoShow));
}

HRESULT GraphVideo::get_AutoShow(LONG* autoShow) {
    FORWARD_TO_FILTER(IVideoWindow, get_AutoShow(autoShow));
}

HRESULT GraphVideo::put_WindowState(LONG state) {
    FORWARD_TO_FILTER(IVideoWindow, put_WindowState(state));
}

HRESULT GraphVideo::get_WindowState(LONG* state) {
    FORWARD_TO_FILTER(IVideoWindow, get_WindowState(state));
}

HRESULT GraphVideo::put_BackgroundPalette(LONG palette) {
    FORWARD_TO_FILTER(IVideoWindow, put_BackgroundPalette(palette));
}

HRESULT GraphVideo::get_BackgroundPalette(LONG* palette) {
    FORWARD_TO_FILTER(IVideoWindow, get_BackgroundPalette(palette));
}

HRESULT GraphVideo::put_Visible(LONG visible) {
    FORWARD_TO_FILTER(IVideoWindow, put_Visible(visible));
}

HRESULT GraphVideo::get_Visible(LONG* visible) {
    FORWARD_TO_FILTER(IVideoWindow, get_Visible(visible));
}

HRESULT GraphVideo::put_Left(LONG left) {
    FORWARD_TO_FILTER(IVideoWindow, put_Left(left));
}

HRESULT GraphVideo::get_Left(LONG* left) {
    FORWARD_TO_FILTER(IVideoWindow, get_Left(left));
}

HRESULT GraphVideo::put_Width(LONG width) {
    FORWARD_TO_FILTER(IVideoWindow, put_Width(width));
}

HRESULT GraphVideo::get_Width(LONG* width) {
    FORWARD_TO_FILTER(IVideoWindow, get_Width(width));
}

HRESULT GraphVideo::put_Top(LONG top) {
    FORWARD_TO_FILTER(IVideoWindow, put_Top(top));
}

HRESULT GraphVideo::get_Top(LONG* top) {
    FORWARD_TO_FILTER(IVideoWindow, get_Top(top));
}

HRESULT GraphVideo::put_Height(LONG height) {
    FORWARD_TO_FILTER(IVideoWindow, put_Height(height));
}

HRESULT GraphVideo::get_Height(LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, get_Height(height));
}

HRESULT GraphVideo::put_Owner(OAHWND owner) {
    FORWARD_TO_FILTER(IVideoWindow, put_Owner(owner));
}

HRESULT GraphVideo::get_Owner(OAHWND* owner) {
    FORWARD_TO_FILTER(IVideoWindow, get_Owner(owner));
}

HRESULT GraphVideo::put_MessageDrain(OAHWND drain) {
    FORWARD_TO_FILTER(IVideoWindow, put_MessageDrain(drain));
}

HRESULT GraphVideo::get_MessageDrain(OAHWND* drain) {
    FORWARD_TO_FILTER(IVideoWindow, get_MessageDrain(drain));
}

HRESULT GraphVideo::get_BorderColor(LONG* color) {
    FORWARD_TO_FILTER(IVideoWindow, get_BorderColor(color));
}

HRESULT GraphVideo::put_BorderColor(LONG color) {
    FORWARD_TO_FILTER(IVideoWindow, put_BorderColor(color));
}

HRESULT GraphVideo::get_FullScreenMode(LONG* fullScreen) {
    FORWARD_TO_FILTER(IVideoWindow, get_FullScreenMode(fullScreen));
}

HRESULT GraphVideo::put_FullScreenMode(LONG fullScreen) {
    FORWARD_TO_FILTER(IVideoWindow, put_FullScreenMode(fullScreen));
}

HRESULT GraphVideo::SetWindowForeground(LONG focus) {
    FORWARD_TO_FILTER(IVideoWindow, SetWindowForeground(focus));
}

HRESULT GraphVideo::NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                       LONG_PTR lParam) {
    FORWARD_TO_FILTER(IVideoWindow, NotifyOwnerMessage(window, message, wParam, lParam));
}

HRESULT GraphVideo::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IVideoWindow, SetWindowPosition(left, top, width, height));
}

HRESULT GraphVideo::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetWindowPosition(left, top, width, height));
}

HRESULT GraphVideo::GetMinIdealImageSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetMinIdealImageSize(width, height));
}

HRESULT GraphVideo::GetMaxIdealImageSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetMaxIdealImageSize(width, height));
}

HRESULT GraphVideo::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IVideoWindow, GetRestorePosition(left, top, width, height));
}

HRESULT GraphVideo::HideCursor(LONG hide) {
    FORWARD_TO_FILTER(IVideoWindow, HideCursor(hide));
}

HRESULT GraphVideo::IsCursorHidden(LONG* hidden) {
    FORWARD_TO_FILTER(IVideoWindow, IsCursorHidden(hidden));
}

HRESULT GraphVideo::get_AvgTimePerFrame(REFTIME* time) {
    FORWARD_TO_FILTER(IBasicVideo, get_AvgTimePerFrame(time));
}

HRESULT GraphVideo::get_BitRate(LONG* rate) {
    FORWARD_TO_FILTER(IBasicVideo, get_BitRate(rate));
}

HRESULT GraphVideo::get_BitErrorRate(LONG* rate) {
    FORWARD_TO_FILTER(IBasicVideo, get_BitErrorRate(rate));
}

HRESULT GraphVideo::get_VideoWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_VideoWidth(width));
}

HRESULT GraphVideo::get_VideoHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_VideoHeight(height));
}

HRESULT GraphVideo::put_SourceLeft(LONG left) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceLeft(left));
}

HRESULT GraphVideo::get_SourceLeft(LONG* left) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceLeft(left));
}

HRESULT GraphVideo::put_SourceWidth(LONG width) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceWidth(width));
}

HRESULT GraphVideo::get_SourceWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceWidth(width));
}

HRESULT GraphVideo::put_SourceTop(LONG top) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceTop(top));
}

HRESULT GraphVideo::get_SourceTop(LONG* top) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceTop(top));
}

HRESULT GraphVideo::put_SourceHeight(LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, put_SourceHeight(height));
}

HRESULT GraphVideo::get_SourceHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_SourceHeight(height));
}

HRESULT GraphVideo::put_DestinationLeft(LONG left) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationLeft(left));
}

HRESULT GraphVideo::get_DestinationLeft(LONG* left) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationLeft(left));
}

HRESULT GraphVideo::put_DestinationWidth(LONG width) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationWidth(width));
}

HRESULT GraphVideo::get_DestinationWidth(LONG* width) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationWidth(width));
}

HRESULT GraphVideo::put_DestinationTop(LONG top) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationTop(top));
}

HRESULT GraphVideo::get_DestinationTop(LONG* top) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationTop(top));
}

HRESULT GraphVideo::put_DestinationHeight(LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, put_DestinationHeight(height));
}

HRESULT GraphVideo::get_DestinationHeight(LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, get_DestinationHeight(height));
}

HRESULT GraphVideo::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, SetSourcePosition(left, top, width, height));
}

HRESULT GraphVideo::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetSourcePosition(left, top, width, height));
}

HRESULT GraphVideo::SetDefaultSourcePosition() {
    FORWARD_TO_FILTER(IBasicVideo, SetDefaultSourcePosition());
}

HRESULT GraphVideo::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) {
    FORWARD_TO_FILTER(IBasicVideo, SetDestinationPosition(left, top, width, height));
}

HRESULT GraphVideo::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetDestinationPosition(left, top, width, height));
}

HRESULT GraphVideo::SetDefaultDestinationPosition() {
    FORWARD_TO_FILTER(IBasicVideo, SetDefaultDestinationPosition());
}

HRESULT GraphVideo::GetVideoSize(LONG* width, LONG* height) {
    FORWARD_TO_FILTER(IBasicVideo, GetVideoSize(width, height));
}

HRESULT GraphVideo::GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                           LONG* palette) {
    FORWARD_TO_FILTER(IBasicVideo, GetVideoPaletteEntries(startIndex, entries, retrieved, palette));
}

HRESULT GraphVideo::GetCurrentImage(LONG* bufferSize, LONG* image) {
    FORWARD_TO_FILTER(IBasicVideo, GetCurrentImage(bufferSize, image));
}

HRESULT GraphVideo::IsUsingDefaultSource() {
    FORWARD_TO_FILTER(IBasicVideo, IsUsingDefaultSource());
}

HRESULT GraphVideo::IsUsingDefaultDestination() {
    FORWARD_TO_FILTER(IBasicVideo, IsUsingDefaultDestination());
}

HRESULT GraphVideo::GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) {
    FORWARD_TO_FILTER(IBasicVideo2, GetPreferredAspectRatio(aspectX, aspectY));
}
