#include "CaptureFakes.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/MediaPlatform.h"
#include "runtime/ClassTable.h"

namespace {
class FakePropertyBag final : public IPropertyBag {
public:
    explicit FakePropertyBag(std::map<std::u16string, std::u16string> properties)
        : properties_(std::move(properties)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IPropertyBag>(this, iid, {IID_IUnknown, IID_IPropertyBag}, object);
    }
    FAKE_REFCOUNT
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

class FakeMoniker final : public IMoniker {
public:
    explicit FakeMoniker(FakeDevice device) : device_(std::move(device)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IMoniker>(
            this, iid, {IID_IUnknown, IID_IPersist, IID_IPersistStream, IID_IMoniker}, object);
    }
    FAKE_REFCOUNT
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
        *object = static_cast<IPropertyBag*>(new FakePropertyBag(device_.properties));
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

class FakeEnumMoniker final : public IEnumMoniker {
public:
    explicit FakeEnumMoniker(std::vector<FakeDevice> devices) : devices_(std::move(devices)) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IEnumMoniker>(this, iid, {IID_IUnknown, IID_IEnumMoniker}, object);
    }
    FAKE_REFCOUNT
    HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
        ULONG n = 0;
        while (n < count && next_ < devices_.size())
            monikers[n++] = new FakeMoniker(devices_[next_++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::vector<FakeDevice> devices_;
    std::size_t next_ = 0;
};

class FakeCreateDevEnum final : public ICreateDevEnum {
public:
    explicit FakeCreateDevEnum(FakeDeviceSet& set) : set_(set) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<ICreateDevEnum>(this, iid, {IID_IUnknown, IID_ICreateDevEnum}, object);
    }
    FAKE_REFCOUNT
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD) override {
        *enumerator = nullptr;
        ++set_.enumerations;
        if (set_.emptyCategory || category != CLSID_AudioInputDeviceCategory) return S_FALSE;
        *enumerator = new FakeEnumMoniker(set_.devices);
        return S_OK;
    }

private:
    FakeDeviceSet& set_;
};

class FakeCaptureGraphBuilder final : public ICaptureGraphBuilder2 {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<ICaptureGraphBuilder2>(this, iid, {IID_IUnknown, IID_ICaptureGraphBuilder2},
                                               object);
    }
    FAKE_REFCOUNT
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
// Hands out the same filter after every Reset, as a graph would whose filter stays.
class RepeatingFilterEnum final : public IEnumFilters {
public:
    explicit RepeatingFilterEnum(IBaseFilter* filter) : filter_(filter) {}
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return AnswerAs<IEnumFilters>(this, iid, {IID_IUnknown, IID_IEnumFilters}, object);
    }
    FAKE_REFCOUNT
    HRESULT Next(ULONG, IBaseFilter** filters, ULONG* fetched) override {
        if (given_) {
            if (fetched) *fetched = 0;
            return S_FALSE;
        }
        given_ = true;
        (void)filter_.CopyTo(filters);
        if (fetched) *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override {
        given_ = false;
        return S_OK;
    }
    HRESULT Clone(IEnumFilters**) override { return E_NOTIMPL; }

private:
    ComPtr<IBaseFilter> filter_;
    bool given_ = false;
};
} // namespace

HRESULT StuckGraph::EnumFilters(IEnumFilters** enumerator) {
    *enumerator = new RepeatingFilterEnum(filter_.get());
    return S_OK;
}

FakeDeviceEnumScope::FakeDeviceEnumScope(FakeDeviceSet& set) {
    CoRegisterClassCreator(CLSID_SystemDeviceEnum, [&set](IUnknown*, REFIID iid, void** object) {
        ComPtr<ICreateDevEnum> created = ComPtr<ICreateDevEnum>::Adopt(new FakeCreateDevEnum(set));
        return created->QueryInterface(iid, object);
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
        ComPtr<ICaptureGraphBuilder2> created =
            ComPtr<ICaptureGraphBuilder2>::Adopt(new FakeCaptureGraphBuilder);
        return created->QueryInterface(iid, object);
    });
}

FakeCaptureGraphBuilderScope::~FakeCaptureGraphBuilderScope() {
    if (registered_) (void)CoRevokeClassCreator(CLSID_CaptureGraphBuilder2);
}

void RestorePlatformClasses() {
    RegisterMediaPlatformClasses();
}
