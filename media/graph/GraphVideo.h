#pragma once
// The graph's video-window interfaces (IVideoWindow, IBasicVideo2), an inner object of the
// filter graph that aggregates it: it answers with the graph's identity and lives as long as
// the graph. Every call goes to the first filter of the graph that has the interface (a video
// renderer); without one it fails cleanly with E_NOINTERFACE. No filter of this platform
// renders video, so here every call fails that way.
// Thread contract: any thread; it holds no state and reads the graph's list under the graph's
// lock.
#include "framework/TBCListSnapshot.h"
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Control.h"
#include "media/graph/DispatchNotSupported.h"

class GraphVideo final : public TBCUnknown,
                         public DispatchNotSupported<IVideoWindow, IBasicVideo2> {
public:
    // graph is the aggregating filter graph's list of filters.
    GraphVideo(IUnknown* outer, TBCChangingList<IBaseFilter>* graph);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

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
    template <class T>
    HRESULT FindFilterInterface(ComPtr<T>& target);

    // The graph that aggregates this object; not counted, since the graph owns us.
    TBCChangingList<IBaseFilter>* const graph_;
};
