#include "RegistrationFakes.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "support/CountedObject.h"

namespace {
std::string Narrow(LPCWSTR text) {
    if (!text) return "-";
    std::string out;
    for (; *text; ++text)
        out.push_back(char(*text));
    return out;
}

class FakeMapper2 final : public CountedObject<IFilterMapper2> {
public:
    explicit FakeMapper2(MapperScript& script) : script_(script) {}
    HRESULT CreateCategory(REFCLSID, DWORD, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override {
        return script_.Answer("Unregister " + Label(filter) + " in " + Label(*category) +
                              (instance ? " instance" : ""));
    }
    HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                           LPCOLESTR instance, const REGFILTER2* registration) override {
        script_.registrations.push_back(*registration);
        script_.categories.push_back(*category);
        script_.names.push_back(name);
        return script_.Answer("Register " + Label(filter) + " in " + Label(*category) +
                              (moniker ? " moniker" : "") + (instance ? " instance" : ""));
    }
    HRESULT EnumMatchingFilters(IEnumMoniker**, DWORD, BOOL, DWORD, BOOL, DWORD, const GUID*,
                                const REGPINMEDIUM*, const CLSID*, BOOL, BOOL, DWORD, const GUID*,
                                const REGPINMEDIUM*, const CLSID*) override {
        return E_NOTIMPL;
    }

private:
    MapperScript& script_;
};

class FakeMapper1 final : public CountedObject<IFilterMapper> {
public:
    explicit FakeMapper1(MapperScript& script) : script_(script) {}
    HRESULT RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) override {
        return script_.Answer("RegisterFilter " + Label(clsid) + " " + Narrow(name) + " " +
                              std::to_string(merit));
    }
    HRESULT RegisterFilterInstance(CLSID, LPCWSTR, CLSID*) override { return E_NOTIMPL; }
    HRESULT RegisterPin(CLSID filter, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero,
                        BOOL many, CLSID connectsToFilter, LPCWSTR connectsToPin) override {
        return script_.Answer("RegisterPin " + Label(filter) + " " + Narrow(name) + " " +
                              std::to_string(rendered) + std::to_string(output) +
                              std::to_string(zero) + std::to_string(many) + " " +
                              Label(connectsToFilter) + " " + Narrow(connectsToPin));
    }
    HRESULT RegisterPinType(CLSID filter, LPCWSTR pinName, CLSID major, CLSID sub) override {
        return script_.Answer("RegisterPinType " + Label(filter) + " " + Narrow(pinName) + " " +
                              Label(major) + " " + Label(sub));
    }
    HRESULT UnregisterFilter(CLSID filter) override {
        return script_.Answer("UnregisterFilter " + Label(filter));
    }
    HRESULT UnregisterFilterInstance(CLSID) override { return E_NOTIMPL; }
    HRESULT UnregisterPin(CLSID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT EnumMatchingFilters(IEnumRegFilters**, DWORD, BOOL, CLSID, CLSID, BOOL, BOOL, CLSID,
                                CLSID) override {
        return E_NOTIMPL;
    }

private:
    MapperScript& script_;
};

template <class Mapper>
HRESULT CreateFake(MapperScript& script, REFIID iid, void** object) {
    return MakeCounted<Mapper>(script)->QueryInterface(iid, object);
}
} // namespace

CountedFilter::CountedFilter(std::string objectName, REFCLSID classId)
    : TBCBaseFilter(std::move(objectName), nullptr, new TBCCritSec, classId) {
    ++made;
}

CountedFilter::~CountedFilter() {
    ++destroyed;
}

TBCUnknown* CountedFilter::CreateByFactory(TBCClassFactory* factory, IUnknown*) {
    return new CountedFilter(factory->DisplayName, factory->ClassId);
}

HRESULT MapperScript::Answer(std::string call) {
    calls.push_back(std::move(call));
    return int(calls.size()) - 1 == failingCall ? E_FAIL : S_OK;
}

std::string Label(REFCLSID clsid) {
    if (clsid == kClassA) return "A";
    if (clsid == kClassB) return "B";
    if (clsid == kProcessClass) return "P";
    if (clsid == GUID_NULL) return "null";
    if (clsid == CLSID_LegacyAmFilterCategory) return "legacy";
    if (clsid == MEDIATYPE_Audio) return "audio";
    if (clsid == MEDIATYPE_Stream) return "stream";
    if (clsid == MEDIASUBTYPE_PCM) return "pcm";
    if (clsid == MEDIASUBTYPE_WAVE) return "wave";
    return GuidToString(clsid);
}

FakeMappers::FakeMappers(MapperScript& script, bool version2, bool version1) {
    if (version2)
        CoRegisterClassCreator(CLSID_FilterMapper2,
                               [this, &script](IUnknown*, REFIID iid, void** object) {
                                   ++created;
                                   return CreateFake<FakeMapper2>(script, iid, object);
                               });
    else
        CoRegisterClassCreator(CLSID_FilterMapper2, [this](IUnknown*, REFIID, void** object) {
            ++created;
            *object = nullptr;
            return REGDB_E_CLASSNOTREG;
        });
    if (version1)
        CoRegisterClassCreator(CLSID_FilterMapper,
                               [this, &script](IUnknown*, REFIID iid, void** object) {
                                   ++created;
                                   return CreateFake<FakeMapper1>(script, iid, object);
                               });
}

FakeMappers::~FakeMappers() {
    (void)CoRevokeClassCreator(CLSID_FilterMapper2);
    (void)CoRevokeClassCreator(CLSID_FilterMapper);
}

bool KeyExists(const WideString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
    (void)RegCloseKey(key);
    return true;
}

WideString StringValue(const WideString& path, LPCWSTR name) {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return u"<none>";
    WideString text;
    const LSTATUS status = RegQueryStringValue(key, name, text);
    (void)RegCloseKey(key);
    return status == ERROR_SUCCESS ? text : u"<none>";
}
