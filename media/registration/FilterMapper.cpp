#include "media/registration/FilterMapper.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/Registry.h"

#include <cstdio>

namespace {
// An open registry key, closed when it leaves scope.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (key_) (void)RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Writes a chain of values and keys, remembering the first failure; later steps are skipped.
class EntryWriter {
public:
    LSTATUS status = ERROR_SUCCESS;

    void String(HKEY key, LPCWSTR name, const WideString& text) {
        if (status == ERROR_SUCCESS) status = RegSetStringValue(key, name, text);
    }
    void Guid(HKEY key, LPCWSTR name, const GUID* guid) {
        if (guid) String(key, name, GuidToWideString(*guid));
    }
    void Dword(HKEY key, LPCWSTR name, DWORD number) {
        if (status == ERROR_SUCCESS) status = RegSetDwordValue(key, name, number);
    }
    void Flag(HKEY key, LPCWSTR name, BOOL flag) { Dword(key, name, flag ? 1 : 0); }
    bool Open(HKEY parent, const WideString& name, RegKey& key) {
        if (status == ERROR_SUCCESS) status = RegCreateKeyW(parent, name.c_str(), key.put());
        return status == ERROR_SUCCESS;
    }

    void Types(HKEY pin, UINT count, const REGPINTYPES* types) {
        for (UINT i = 0; types && i < count; ++i) {
            RegKey type;
            if (!Open(pin, u"Types\\" + Number(i), type)) return;
            Guid(type.get(), u"MajorType", types[i].clsMajorType);
            Guid(type.get(), u"MinorType", types[i].clsMinorType);
        }
    }

    void Pin(HKEY filter, ULONG index, const REGFILTERPINS& pin) {
        RegKey key;
        if (!Open(filter, u"Pins\\" + Number(index), key)) return;
        if (pin.strName) String(key.get(), u"Name", pin.strName);
        Flag(key.get(), u"Rendered", pin.bRendered);
        Flag(key.get(), u"Output", pin.bOutput);
        Flag(key.get(), u"Zero", pin.bZero);
        Flag(key.get(), u"Many", pin.bMany);
        Guid(key.get(), u"ConnectsToFilter", pin.clsConnectsToFilter);
        if (pin.strConnectsToPin) String(key.get(), u"ConnectsToPin", pin.strConnectsToPin);
        Types(key.get(), pin.nMediaTypes, pin.lpMediaType);
    }

    void Pin(HKEY filter, ULONG index, const REGFILTERPINS2& pin) {
        RegKey key;
        if (!Open(filter, u"Pins\\" + Number(index), key)) return;
        Dword(key.get(), u"Flags", pin.dwFlags);
        Dword(key.get(), u"Instances", pin.cInstances);
        Guid(key.get(), u"Category", pin.clsPinCategory);
        Types(key.get(), pin.nMediaTypes, pin.lpMediaType);
        for (UINT i = 0; pin.lpMedium && i < pin.nMediums; ++i) {
            RegKey medium;
            if (!Open(key.get(), u"Mediums\\" + Number(i), medium)) return;
            Guid(medium.get(), u"Medium", &pin.lpMedium[i].clsMedium);
            Dword(medium.get(), u"Data1", pin.lpMedium[i].dw1);
            Dword(medium.get(), u"Data2", pin.lpMedium[i].dw2);
        }
    }

private:
    // Three digits, so that the keys sort in their order.
    static WideString Number(ULONG index) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%03lu", static_cast<unsigned long>(index));
        return WideString(digits, digits + std::char_traits<char>::length(digits));
    }
};

// The key of a filter (or category) entry; empty when the instance name is not a key name.
WideString InstanceKey(const CLSID* category, LPCOLESTR instance, REFCLSID filter) {
    const WideString name = instance ? WideString(instance) : GuidToWideString(filter);
    if (name.empty() || name.find(u'\\') != WideString::npos) return {};
    return u"CLSID\\" + GuidToWideString(category ? *category : CLSID_LegacyAmFilterCategory) +
           u"\\Instance\\" + name;
}

HRESULT FromStatus(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(DWORD(status));
}

// Writes an entry with its name, class and merit, after removing an earlier one; the steps
// given add the rest. An entry that cannot be written whole is removed again.
template <class More>
HRESULT WriteEntry(const WideString& path, LPCWSTR name, REFCLSID clsid, DWORD merit, More more) {
    (void)RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    EntryWriter writer;
    {
        RegKey entry;
        if (writer.Open(HKEY_CLASSES_ROOT, path, entry)) {
            writer.String(entry.get(), u"FriendlyName", name);
            writer.String(entry.get(), u"CLSID", GuidToWideString(clsid));
            writer.Dword(entry.get(), u"Merit", merit);
            more(writer, entry.get());
        }
    }
    if (writer.status != ERROR_SUCCESS) (void)RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return FromStatus(writer.status);
}
} // namespace

FilterMapper::FilterMapper(IUnknown* outer) : TBCUnknown("Filter mapper", outer) {}

HRESULT FilterMapper::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<FilterMapper>(outer, iid, object);
}

HRESULT FilterMapper::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IFilterMapper2) return GetInterface(static_cast<IFilterMapper2*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT FilterMapper::CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) {
    if (!description) return E_POINTER;
    const WideString path = InstanceKey(&CLSID_ActiveMovieCategories, nullptr, category);
    return WriteEntry(path, description, category, merit, [](EntryWriter&, HKEY) {});
}

HRESULT FilterMapper::UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) {
    const WideString path = InstanceKey(category, instance, filter);
    if (path.empty()) return E_INVALIDARG;
    return FromStatus(RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str()));
}

HRESULT FilterMapper::RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker,
                                     const CLSID* category, LPCOLESTR instance,
                                     const REGFILTER2* registration) {
    if (moniker) {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    if (!name || !registration) return E_POINTER;
    if (registration->dwVersion != 1 && registration->dwVersion != 2) return E_INVALIDARG;
    const ULONG pinCount = registration->cPins;
    if (pinCount != 0 && !registration->rgPins) return E_POINTER;
    const WideString path = InstanceKey(category, instance, filter);
    if (path.empty()) return E_INVALIDARG;
    return WriteEntry(path, name, filter, registration->dwMerit,
                      [&](EntryWriter& writer, HKEY entry) {
                          for (ULONG i = 0; i < pinCount; ++i) {
                              if (registration->dwVersion == 1)
                                  writer.Pin(entry, i, registration->rgPins[i]);
                              else
                                  writer.Pin(entry, i, registration->rgPins2[i]);
                          }
                      });
}

HRESULT FilterMapper::EnumMatchingFilters(IEnumMoniker** enumerator, DWORD, BOOL, DWORD, BOOL,
                                          DWORD, const GUID*, const REGPINMEDIUM*, const CLSID*,
                                          BOOL, BOOL, DWORD, const GUID*, const REGPINMEDIUM*,
                                          const CLSID*) {
    if (enumerator) *enumerator = nullptr;
    return E_NOTIMPL;
}
