#pragma once
// The filter mapper (CLSID_FilterMapper2): records filters in the registry under their
// category, at HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{instance}, with the values
// "FriendlyName", "CLSID" and "Merit" and, per pin, a key Pins\NNN with the pin's flags, its
// media types (Types\NNN) and, for version 2 data, its mediums (Mediums\NNN). The instance is
// the filter's class identifier unless a name is given; a missing category is
// CLSID_LegacyAmFilterCategory. Categories are recorded the same way below
// CLSID_ActiveMovieCategories. Registering replaces an earlier entry whole; an entry that
// cannot be written completely is removed again. Matching filters are not enumerated, and
// no moniker is handed out for a registered filter.
// Thread contract: any thread; the registry keeps concurrent writers apart.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/OleAuto.h"

// The category whose instances are the filter categories.
inline constexpr CLSID CLSID_ActiveMovieCategories{
    0xDA4E3DA0, 0xD07D, 0x11D0, {0xBD, 0x50, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

class FilterMapper final : public TBCUnknown, public IFilterMapper2 {
public:
    explicit FilterMapper(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override;
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the filter is not registered there.
    HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override;
    // E_NOTIMPL, with nothing written, when a moniker is asked for.
    HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                           LPCOLESTR instance, const REGFILTER2* registration) override;
    HRESULT EnumMatchingFilters(IEnumMoniker** enumerator, DWORD flags, BOOL exactMatch,
                                DWORD merit, BOOL inputNeeded, DWORD inputTypeCount,
                                const GUID* inputTypes, const REGPINMEDIUM* inputMedium,
                                const CLSID* inputPinCategory, BOOL render, BOOL outputNeeded,
                                DWORD outputTypeCount, const GUID* outputTypes,
                                const REGPINMEDIUM* outputMedium,
                                const CLSID* outputPinCategory) override;
};
