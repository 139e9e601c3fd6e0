#pragma once
// A scriptable filter for graph tests: pins that connect to each other, state changes
// written to a shared log, answers that a test can turn into failures.
#include "framework/TBCEnumerator.h"
#include "framework/TBCListSnapshot.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ComPtr.h"
#include "support/CountedObject.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct CallLog {
    std::mutex lock;
    std::vector<std::string> calls;
    void Add(std::string call) {
        std::lock_guard guard(lock);
        calls.push_back(std::move(call));
    }
    std::vector<std::string> Take() {
        std::lock_guard guard(lock);
        return std::exchange(calls, {});
    }
};

class FakeFilter;

class FakePin final : public IPin {
public:
    FakePin(FakeFilter* filter, PIN_DIRECTION dir, std::u16string name)
        : filter_(filter), dir_(dir), name_(std::move(name)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IPin) return E_NOINTERFACE;
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override {
        if (peer_) return VFW_E_ALREADY_CONNECTED;
        if (refuse) return VFW_E_TYPE_NOT_ACCEPTED;
        PIN_DIRECTION d = PINDIR_OUTPUT;
        (void)receivePin->QueryDirection(&d);
        if (d == dir_) return VFW_E_INVALID_DIRECTION;
        AM_MEDIA_TYPE none{};
        RETURN_IF_FAILED(receivePin->ReceiveConnection(this, mediaType ? mediaType : &none));
        peer_ = receivePin;
        return S_OK;
    }
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE*) override {
        if (peer_) return VFW_E_ALREADY_CONNECTED;
        if (refuse) return VFW_E_TYPE_NOT_ACCEPTED;
        peer_ = connector;
        return S_OK;
    }
    HRESULT Disconnect() override {
        if (!peer_) return S_FALSE;
        peer_.reset();
        return S_OK;
    }
    HRESULT ConnectedTo(IPin** pin) override {
        if (!pin) return E_POINTER;
        *pin = nullptr;
        if (!peer_) return VFW_E_NOT_CONNECTED;
        return peer_.CopyTo(pin);
    }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override {
        *mt = AM_MEDIA_TYPE{};
        return peer_ ? S_OK : VFW_E_NOT_CONNECTED;
    }
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override {
        *direction = dir_;
        return S_OK;
    }
    HRESULT QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    bool refuse = false;

private:
    FakeFilter* filter_; // the filter owns its pins; their counts are the filter's
    PIN_DIRECTION dir_;
    std::u16string name_;
    ComPtr<IPin> peer_;
};

class FakeFilter final : public CountedObject<IBaseFilter, IMediaFilter, IPersist> {
public:
    // A new filter with one count held by the caller.
    static ComPtr<FakeFilter> Make(std::string label, CallLog* log, int inputs, int outputs) {
        ComPtr<FakeFilter> f(new FakeFilter(std::move(label), log));
        for (int i = 0; i < inputs; ++i)
            f->pins.push_back(std::make_unique<FakePin>(f.get(), PINDIR_INPUT, u"In"));
        for (int i = 0; i < outputs; ++i)
            f->pins.push_back(std::make_unique<FakePin>(f.get(), PINDIR_OUTPUT, u"Out"));
        return f;
    }

    HRESULT GetClassID(CLSID* id) override {
        *id = GUID_NULL;
        return S_OK;
    }
    HRESULT Stop() override { return Change("Stop", stopResult, State_Stopped); }
    HRESULT Pause() override { return Change("Pause", pauseResult, State_Paused); }
    HRESULT Run(REFERENCE_TIME start) override {
        runStart = start;
        return Change("Run", runResult, State_Running);
    }
    HRESULT GetState(DWORD, FILTER_STATE* s) override {
        *s = state;
        return stateAnswer;
    }
    HRESULT SetSyncSource(IReferenceClock* c) override {
        clock = c;
        return S_OK;
    }
    HRESULT GetSyncSource(IReferenceClock** c) override { return clock.CopyTo(c); }
    HRESULT EnumPins(IEnumPins** e) override;
    HRESULT FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override {
        *info = FILTER_INFO{};
        info->pGraph = graph;
        if (graph) graph->AddRef();
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph* g, LPCWSTR n) override {
        graph = g; // not counted, as filters hold their graph
        name = n ? std::u16string(n) : std::u16string();
        if (log) log->Add(label + (g ? ".Join" : ".Leave"));
        return joinResult;
    }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    IPin* Pin(std::size_t i) { return pins[i].get(); }
    IPin* Input() { return FirstPin(PINDIR_INPUT); }
    IPin* Output() { return FirstPin(PINDIR_OUTPUT); }

    std::string label;
    CallLog* log;
    std::vector<std::unique_ptr<FakePin>> pins;
    FILTER_STATE state = State_Stopped;
    HRESULT pauseResult = S_OK, runResult = S_OK, stopResult = S_OK, joinResult = S_OK;
    HRESULT stateAnswer = S_OK;
    REFERENCE_TIME runStart = -1;
    ComPtr<IReferenceClock> clock;
    IFilterGraph* graph = nullptr;
    std::u16string name;

private:
    FakeFilter(std::string l, CallLog* lg) : label(std::move(l)), log(lg) {}
    ~FakeFilter() override {
        for (auto& p : pins)
            (void)p->Disconnect();
    }
    HRESULT Change(const char* what, HRESULT answer, FILTER_STATE to) {
        if (log) log->Add(label + "." + what);
        if (SUCCEEDED(answer)) state = to;
        return answer;
    }
    IPin* FirstPin(PIN_DIRECTION d) {
        for (auto& p : pins) {
            PIN_DIRECTION pd;
            (void)p->QueryDirection(&pd);
            if (pd == d) return p.get();
        }
        return nullptr;
    }
};

inline ULONG FakePin::AddRef() {
    return filter_->AddRef();
}
inline ULONG FakePin::Release() {
    return filter_->Release();
}
inline HRESULT FakePin::QueryPinInfo(PIN_INFO* info) {
    *info = PIN_INFO{};
    info->pFilter = filter_;
    filter_->AddRef();
    info->dir = dir_;
    for (std::size_t i = 0; i < name_.size() && i < MAX_PIN_NAME - 1; ++i)
        info->achName[i] = name_[i];
    return S_OK;
}

inline HRESULT FakeFilter::EnumPins(IEnumPins** e) {
    std::vector<ComPtr<IPin>> list;
    for (const auto& pin : pins)
        list.emplace_back(pin.get());
    using PinEnumerator = TBCEnumerator<TBCListSnapshot<IEnumPins, IPin>>;
    return CreateObject<PinEnumerator>(nullptr, IID_IEnumPins, reinterpret_cast<void**>(e),
                                       std::move(list));
}
