#pragma once
// Small stand-ins for platform objects the capture tests need to observe or break: an event
// queue, a video window, a media control that logs and forwards, the graph that a controller
// under test gets with them, a system device enumerator with monikers and property bags, and a
// capture graph builder. Every fake logs the calls a test looks at into a shared list of
// strings. Main thread only, except AddRef/Release.
#include "capture/TDXShow.h"
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "runtime/ComPtr.h"
#include "runtime/OleAuto.h"
#include "support/CountedObject.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using CallLog = std::vector<std::string>;

// IDispatch's four methods, which no test calls, for a fake of a dual interface I.
template <class I>
class WithoutDispatch : public I {
public:
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

protected:
    ~WithoutDispatch() = default;
};

// ---- event queue --------------------------------------------------------------------------------
struct QueuedEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
};

// Hands out the events a test queues; remembers the window the controller has it notify.
class FakeEventQueue final
    : public CountedObject<WithoutDispatch<IMediaEventEx>, IMediaEvent, IDispatch> {
public:
    explicit FakeEventQueue(CallLog& log) : log_(log) {}
    std::deque<QueuedEvent> events;
    HWND notifyWindow = 0;

    HRESULT GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG) override {
        if (events.empty()) return E_ABORT;
        *code = events.front().code;
        *param1 = events.front().param1;
        *param2 = events.front().param2;
        events.pop_front();
        return S_OK;
    }
    HRESULT WaitForCompletion(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT CancelDefaultHandling(LONG) override { return E_NOTIMPL; }
    HRESULT RestoreDefaultHandling(LONG) override { return E_NOTIMPL; }
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override {
        log_.push_back("free " + std::to_string(code) + " " + std::to_string(param1) + " " +
                       std::to_string(param2));
        return S_OK;
    }
    HRESULT SetNotifyWindow(OAHWND window, LONG, LONG_PTR) override {
        notifyWindow = HWND(window);
        return S_OK;
    }
    HRESULT SetNotifyFlags(LONG) override { return S_OK; }
    HRESULT GetNotifyFlags(LONG*) override { return E_NOTIMPL; }

private:
    CallLog& log_;
};

// ---- video window -----------------------------------------------------------------------------
class FakeVideoWindow final : public CountedObject<WithoutDispatch<IVideoWindow>, IDispatch> {
public:
    explicit FakeVideoWindow(CallLog& log) : log_(log) {}
    LONG style = 0x16CF0000; // visible overlapped window with its frame
    HRESULT ownerResult = S_OK;

    HRESULT put_Caption(BSTR) override { return E_NOTIMPL; }
    HRESULT get_Caption(BSTR*) override { return E_NOTIMPL; }
    HRESULT put_WindowStyle(LONG value) override {
        log_.push_back("put_WindowStyle " + Hex(value));
        style = value;
        return S_OK;
    }
    HRESULT get_WindowStyle(LONG* value) override {
        *value = style;
        return S_OK;
    }
    HRESULT put_WindowStyleEx(LONG) override { return E_NOTIMPL; }
    HRESULT get_WindowStyleEx(LONG*) override { return E_NOTIMPL; }
    HRESULT put_AutoShow(LONG) override { return E_NOTIMPL; }
    HRESULT get_AutoShow(LONG*) override { return E_NOTIMPL; }
    HRESULT put_WindowState(LONG) override { return E_NOTIMPL; }
    HRESULT get_WindowState(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BackgroundPalette(LONG) override { return E_NOTIMPL; }
    HRESULT get_BackgroundPalette(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Visible(LONG value) override {
        log_.push_back("put_Visible " + std::to_string(value));
        return S_OK;
    }
    HRESULT get_Visible(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT get_Left(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT get_Width(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT get_Top(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT get_Height(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Owner(OAHWND owner) override {
        log_.push_back(owner ? "put_Owner window" : "put_Owner 0");
        return ownerResult;
    }
    HRESULT get_Owner(OAHWND*) override { return E_NOTIMPL; }
    HRESULT put_MessageDrain(OAHWND drain) override {
        log_.push_back(drain ? "put_MessageDrain window" : "put_MessageDrain 0");
        return S_OK;
    }
    HRESULT get_MessageDrain(OAHWND*) override { return E_NOTIMPL; }
    HRESULT get_BorderColor(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BorderColor(LONG) override { return E_NOTIMPL; }
    HRESULT get_FullScreenMode(LONG*) override { return E_NOTIMPL; }
    HRESULT put_FullScreenMode(LONG) override { return E_NOTIMPL; }
    HRESULT SetWindowForeground(LONG) override { return E_NOTIMPL; }
    HRESULT NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override {
        log_.push_back("SetWindowPosition " + std::to_string(left) + " " + std::to_string(top) +
                       " " + std::to_string(width) + " " + std::to_string(height));
        return S_OK;
    }
    HRESULT GetWindowPosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetMinIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetMaxIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetRestorePosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT HideCursor(LONG hide) override {
        log_.push_back("HideCursor " + std::to_string(hide));
        return S_OK;
    }
    HRESULT IsCursorHidden(LONG*) override { return E_NOTIMPL; }

    static std::string Hex(LONG value) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", unsigned(value));
        return text;
    }

private:
    CallLog& log_;
};

// ---- media control that logs and forwards to the real one -------------------------------------
// The next failingStops Stops stop the graph and still answer stopFailure, as a graph does
// whose sink could not complete its file: the graph is stopped, and a second Stop succeeds.
class LoggingMediaControl final : public CountedObject<WithoutDispatch<IMediaControl>, IDispatch> {
public:
    LoggingMediaControl(CallLog& log, ComPtr<IMediaControl> inner)
        : log_(log), inner_(std::move(inner)) {}
    int failingStops = 0;
    HRESULT stopFailure = E_FAIL;

    HRESULT Run() override {
        log_.push_back("Run");
        return inner_->Run();
    }
    HRESULT Pause() override {
        log_.push_back("Pause");
        return inner_->Pause();
    }
    HRESULT Stop() override {
        log_.push_back("Stop");
        const HRESULT hr = inner_->Stop();
        if (failingStops == 0) return hr;
        --failingStops;
        return stopFailure;
    }
    HRESULT GetState(LONG timeout, OAFilterState* state) override {
        return inner_->GetState(timeout, state);
    }
    HRESULT RenderFile(BSTR) override { return E_NOTIMPL; }
    HRESULT AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    HRESULT StopWhenReady() override {
        log_.push_back("StopWhenReady");
        return inner_->StopWhenReady();
    }

private:
    CallLog& log_;
    ComPtr<IMediaControl> inner_;
};

// ---- the graph a controller under test drives ------------------------------------------------
// What a graph controller gets from its graph factory (Factory) in a test: the platform's filter
// graph manager, with the parts a test replaces answered by fakes instead (its media control,
// its event queue, its video window), and with a filter it lists for ever and refuses to
// remove when the test gives one. Everything else is the real graph's.
class SplicedGraph final : public CountedObject<IGraphBuilder, IFilterGraph> {
public:
    SplicedGraph();
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    ComPtr<IVideoWindow> videoWindow;
    ComPtr<IBaseFilter> stuckFilter;
    int removals = 0;           // attempts to remove the stuck filter
    std::optional<IID> missing; // an interface the graph does not have

    // Hands this graph to the controller that is being made.
    TGraphFactory Factory();
    // The real graph, which holds the filters.
    IGraphBuilder* Real() const { return real_.get(); }
    // Queues an event in the real graph, as a filter would.
    void SendGraphEvent(LONG code, LONG_PTR param1 = 0, LONG_PTR param2 = 0);

    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** enumerator) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin* output) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

protected:
    HRESULT AnswerOther(REFIID iid, void** object) override;

private:
    ComPtr<IGraphBuilder> real_;
};

// The number of filters in a graph.
int FilterCount(IGraphBuilder* graph);

// ---- system device enumerator ------------------------------------------------------------------
// One device as the enumerator reports it: its property bag and what binding it answers.
struct FakeDevice {
    std::map<std::u16string, std::u16string> properties;
    HRESULT storageResult = S_OK;
    HRESULT objectResult = E_FAIL;
};

// What the registered enumerator lists; tests change it between refreshes.
struct FakeDeviceSet {
    std::vector<FakeDevice> devices;
    bool emptyCategory = false;
    int enumerations = 0;
};

// Registers the fake enumerator under CLSID_SystemDeviceEnum for the scope.
class FakeDeviceEnumScope {
public:
    explicit FakeDeviceEnumScope(FakeDeviceSet& set);
    ~FakeDeviceEnumScope();
};

// Registers a capture graph builder that accepts its graph and renders nothing, for the scope,
// unless the platform has one.
class FakeCaptureGraphBuilderScope {
public:
    FakeCaptureGraphBuilderScope();
    ~FakeCaptureGraphBuilderScope();

private:
    bool registered_ = false;
};

// Puts the platform's classes back in the class table (after a test replaced or revoked one).
void RestorePlatformClasses();
