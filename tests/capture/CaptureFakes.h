#pragma once
// Small stand-ins for platform objects the capture tests need to observe or break: an event
// queue, a video window, a media control that logs and forwards, a system device enumerator
// with monikers and property bags, and a capture graph builder. Every fake logs the calls a
// test looks at into a shared list of strings. Main thread only, except AddRef/Release.
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "runtime/ComPtr.h"
#include "runtime/OleAuto.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

using CallLog = std::vector<std::string>;

// Reference counting for a fake with one interface list; starts at 1 (Adopt it).
#define FAKE_REFCOUNT                                                                              \
    ULONG AddRef() override {                                                                      \
        return ++refs_;                                                                            \
    }                                                                                              \
    ULONG Release() override {                                                                     \
        const ULONG left = --refs_;                                                                \
        if (left == 0) delete this;                                                                \
        return left;                                                                               \
    }                                                                                              \
    std::atomic<ULONG> refs_{1};

#define FAKE_DISPATCH                                                                              \
    HRESULT GetTypeInfoCount(UINT*) override {                                                     \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override {                                        \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {                       \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)           \
        override {                                                                                 \
        return E_NOTIMPL;                                                                          \
    }

// Answers iid with this object as I when it is one of the listed identifiers.
template <class I>
HRESULT AnswerAs(I* self, REFIID iid, std::initializer_list<IID> iids, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const IID& known : iids)
        if (known == iid) {
            *object = self;
            self->AddRef();
            return S_OK;
        }
    return E_NOINTERFACE;
}

// ---- event queue --------------------------------------------------------------------------------
struct QueuedEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class FakeEventQueue final : public IMediaEventEx {
public:
    explicit FakeEventQueue(CallLog& log) : log_(log) {}
    std::deque<QueuedEvent> events;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IMediaEventEx>(
            this, iid, {IID_IUnknown, IID_IDispatch, IID_IMediaEvent, IID_IMediaEventEx}, object);
    }
    FAKE_REFCOUNT
    FAKE_DISPATCH
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
    HRESULT SetNotifyWindow(OAHWND, LONG, LONG_PTR) override { return S_OK; }
    HRESULT SetNotifyFlags(LONG) override { return S_OK; }
    HRESULT GetNotifyFlags(LONG*) override { return E_NOTIMPL; }

private:
    CallLog& log_;
};

// ---- video window -----------------------------------------------------------------------------
class FakeVideoWindow final : public IVideoWindow {
public:
    explicit FakeVideoWindow(CallLog& log) : log_(log) {}
    LONG style = 0x16CF0000; // visible overlapped window with its frame
    HRESULT ownerResult = S_OK;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IVideoWindow>(this, iid, {IID_IUnknown, IID_IDispatch, IID_IVideoWindow},
                                      object);
    }
    FAKE_REFCOUNT
    FAKE_DISPATCH
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
class LoggingMediaControl final : public IMediaControl {
public:
    LoggingMediaControl(CallLog& log, ComPtr<IMediaControl> inner)
        : log_(log), inner_(std::move(inner)) {}
    int failingStops = 0;
    HRESULT stopFailure = E_FAIL;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IMediaControl>(this, iid, {IID_IUnknown, IID_IDispatch, IID_IMediaControl},
                                       object);
    }
    FAKE_REFCOUNT
    FAKE_DISPATCH
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

// ---- a graph whose filters cannot be removed ------------------------------------------------
// Lists one filter for ever and refuses to remove it; counts the removal attempts.
class StuckGraph final : public IGraphBuilder {
public:
    explicit StuckGraph(IBaseFilter* filter) : filter_(filter) {}
    int removals = 0;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IGraphBuilder>(this, iid,
                                       {IID_IUnknown, IID_IFilterGraph, IID_IGraphBuilder}, object);
    }
    FAKE_REFCOUNT
    HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override {
        ++removals;
        return E_FAIL;
    }
    HRESULT EnumFilters(IEnumFilters** enumerator) override;
    HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT Connect(IPin*, IPin*) override { return E_NOTIMPL; }
    HRESULT Render(IPin*) override { return E_NOTIMPL; }
    HRESULT RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT Abort() override { return E_NOTIMPL; }
    HRESULT ShouldOperationContinue() override { return E_NOTIMPL; }

private:
    ComPtr<IBaseFilter> filter_;
};

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
