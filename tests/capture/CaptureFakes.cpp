#include "CaptureFakes.h"

#include "framework/TBCEnumerator.h"
#include "framework/TBCListSnapshot.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/MediaPlatform.h"
#include "runtime/ClassTable.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
class FakePropertyBag final : public CountedObject<IPropertyBag> {
public:
    explicit FakePropertyBag(std::map<std::u16string, std::u16string> properties)
        : properties_(std::move(properties)) {}
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        auto it = properties_.find(name);
        if (it == properties_.end()) return E_INVALIDARG;
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(it->second.data(), UINT(it->second.size()));
        return S_OK;
    }
    HRESULT Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    std::map<std::u16string, std::u16string> properties_;
};

class FakeMoniker final : public CountedObject<IMoniker, IPersistStream, IPersist> {
public:
    explicit FakeMoniker(FakeDevice device) : device_(std::move(device)) {}
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT IsDirty() override { return E_NOTIMPL; }
    HRESULT Load(IStream*) override { return E_NOTIMPL; }
    HRESULT Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID, void** object) override {
        *object = nullptr;
        return device_.objectResult;
    }
    HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) override {
        *object = nullptr;
        if (FAILED(device_.storageResult)) return device_.storageResult;
        if (iid != IID_IPropertyBag) return E_NOINTERFACE;
        *object =
            static_cast<IPropertyBag*>(MakeCounted<FakePropertyBag>(device_.properties).detach());
        return S_OK;
    }
    HRESULT Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    HRESULT ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
    HRESULT Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    HRESULT GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

private:
    FakeDevice device_;
};

class FakeCreateDevEnum final : public CountedObject<ICreateDevEnum> {
public:
    explicit FakeCreateDevEnum(FakeDeviceSet& set) : set_(set) {}
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD) override {
        *enumerator = nullptr;
        ++set_.enumerations;
        if (set_.emptyCategory || category != CLSID_AudioInputDeviceCategory) return S_FALSE;
        std::vector<ComPtr<IMoniker>> monikers;
        for (const FakeDevice& device : set_.devices)
            monikers.emplace_back(MakeCounted<FakeMoniker>(device));
        using MonikerEnumerator = TBCEnumerator<TBCListSnapshot<IEnumMoniker, IMoniker>>;
        return CreateObject<MonikerEnumerator>(nullptr, IID_IEnumMoniker,
                                               reinterpret_cast<void**>(enumerator), monikers);
    }

private:
    FakeDeviceSet& set_;
};

class FakeCaptureGraphBuilder final : public CountedObject<ICaptureGraphBuilder2> {
public:
    HRESULT SetFiltergraph(IGraphBuilder*) override { return S_OK; }
    HRESULT GetFiltergraph(IGraphBuilder**) override { return E_NOTIMPL; }
    HRESULT SetOutputFileName(const GUID*, LPCOLESTR, IBaseFilter**, IFileSinkFilter**) override {
        return E_NOTIMPL;
    }
    HRESULT FindInterface(const GUID*, const GUID*, IBaseFilter*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    HRESULT RenderStream(const GUID*, const GUID*, IUnknown* source, IBaseFilter*,
                         IBaseFilter*) override {
        return source ? VFW_E_CANNOT_RENDER : E_POINTER;
    }
    HRESULT ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*, REFERENCE_TIME*,
                          WORD, WORD) override {
        return E_NOTIMPL;
    }
    HRESULT AllocCapFile(LPCOLESTR, DWORDLONG) override { return E_NOTIMPL; }
    HRESULT CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) override {
        return E_NOTIMPL;
    }
    HRESULT FindPin(IUnknown*, PIN_DIRECTION, const GUID*, const GUID*, BOOL, int,
                    IPin** pin) override {
        *pin = nullptr;
        return E_NOTIMPL;
    }
};
} // namespace

SplicedGraph::SplicedGraph() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(real_.put()))))
        throw std::runtime_error("no filter graph manager");
}

TGraphFactory SplicedGraph::Factory() {
    return [self = ComPtr<SplicedGraph>(this)](IGraphBuilder** graph) {
        return self->QueryInterface(IID_PPV_ARGS(graph));
    };
}

void SplicedGraph::SendGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(real_.As(sink), S_OK);
    ASSERT_EQ(sink->Notify(code, param1, param2), S_OK);
}

HRESULT SplicedGraph::AnswerOther(REFIID iid, void** object) {
    if (missing && iid == *missing) return E_NOINTERFACE;
    if (control && iid == IID_IMediaControl) return control->QueryInterface(iid, object);
    if (events && (iid == IID_IMediaEventEx || iid == IID_IMediaEvent))
        return events->QueryInterface(iid, object);
    if (videoWindow && iid == IID_IVideoWindow) return videoWindow->QueryInterface(iid, object);
    return real_->QueryInterface(iid, object);
}

HRESULT SplicedGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    return real_->AddFilter(filter, name);
}
HRESULT SplicedGraph::RemoveFilter(IBaseFilter* filter) {
    if (!stuckFilter) return real_->RemoveFilter(filter);
    ++removals;
    return E_FAIL;
}
HRESULT SplicedGraph::EnumFilters(IEnumFilters** enumerator) {
    if (!stuckFilter) return real_->EnumFilters(enumerator);
    // The same filter again after every Reset, as a graph whose filter stays would list it.
    using FilterEnumerator = TBCEnumerator<TBCListSnapshot<IEnumFilters, IBaseFilter>>;
    return CreateObject<FilterEnumerator>(nullptr, IID_IEnumFilters,
                                          reinterpret_cast<void**>(enumerator),
                                          std::vector<ComPtr<IBaseFilter>>{stuckFilter});
}
HRESULT SplicedGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    return real_->FindFilterByName(name, filter);
}
HRESULT SplicedGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) {
    return real_->ConnectDirect(output, input, type);
}
HRESULT SplicedGraph::Reconnect(IPin* pin) {
    return real_->Reconnect(pin);
}
HRESULT SplicedGraph::Disconnect(IPin* pin) {
    return real_->Disconnect(pin);
}
HRESULT SplicedGraph::SetDefaultSyncSource() {
    return real_->SetDefaultSyncSource();
}
HRESULT SplicedGraph::Connect(IPin* output, IPin* input) {
    return real_->Connect(output, input);
}
HRESULT SplicedGraph::Render(IPin* output) {
    return real_->Render(output);
}
HRESULT SplicedGraph::RenderFile(LPCWSTR file, LPCWSTR playList) {
    return real_->RenderFile(file, playList);
}
HRESULT SplicedGraph::AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** filter) {
    return real_->AddSourceFilter(file, name, filter);
}
HRESULT SplicedGraph::SetLogFile(DWORD_PTR file) {
    return real_->SetLogFile(file);
}
HRESULT SplicedGraph::Abort() {
    return real_->Abort();
}
HRESULT SplicedGraph::ShouldOperationContinue() {
    return real_->ShouldOperationContinue();
}

int FilterCount(IGraphBuilder* graph) {
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(graph->EnumFilters(filters.put()), S_OK);
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters && filters->Next(1, filter.put(), nullptr) == S_OK)
        ++count;
    return count;
}

FakeDeviceEnumScope::FakeDeviceEnumScope(FakeDeviceSet& set) {
    CoRegisterClassCreator(CLSID_SystemDeviceEnum, [&set](IUnknown*, REFIID iid, void** object) {
        return MakeCounted<FakeCreateDevEnum>(set)->QueryInterface(iid, object);
    });
}

FakeDeviceEnumScope::~FakeDeviceEnumScope() {
    (void)CoRevokeClassCreator(CLSID_SystemDeviceEnum);
    RestorePlatformClasses();
}

FakeCaptureGraphBuilderScope::FakeCaptureGraphBuilderScope() {
    ComPtr<ICaptureGraphBuilder2> platform;
    if (SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2, platform.put_void())))
        return;
    registered_ = true;
    CoRegisterClassCreator(CLSID_CaptureGraphBuilder2, [](IUnknown*, REFIID iid, void** object) {
        return MakeCounted<FakeCaptureGraphBuilder>()->QueryInterface(iid, object);
    });
}

FakeCaptureGraphBuilderScope::~FakeCaptureGraphBuilderScope() {
    if (registered_) (void)CoRevokeClassCreator(CLSID_CaptureGraphBuilder2);
}

void RestorePlatformClasses() {
    RegisterMediaPlatformClasses();
}
