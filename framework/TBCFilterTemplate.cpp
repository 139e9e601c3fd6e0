#include "framework/TBCFilterTemplate.h"

#include "framework/ERegistrationError.h"
#include "framework/FrameworkUtil.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/Apartment.h"
#include "runtime/ClassTable.h"
#include "runtime/Registry.h"

namespace {
// The object model initialised for the registration's own work, and released again on every
// way out, an error passing through included.
class TApartmentScope {
public:
    TApartmentScope() { (void)CoInitialize(nullptr); }
    ~TApartmentScope() {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }
    TApartmentScope(const TApartmentScope&) = delete;
    TApartmentScope& operator=(const TApartmentScope&) = delete;
};

TBCFilterTemplate* factoryTemplates = nullptr;

// Frees the list when the framework library is finalised and leaves the accessor empty.
struct TFinaliser {
    ~TFinaliser() {
        delete factoryTemplates;
        factoryTemplates = nullptr;
    }
} finaliser;
} // namespace

TBCFilterTemplate& FactoryTemplates() {
    if (!factoryTemplates) factoryTemplates = new TBCFilterTemplate;
    return *factoryTemplates;
}

TBCFilterTemplate::~TBCFilterTemplate() {
    while (TBCClassFactory* factory = head_) {
        head_ = factory->next_;
        delete factory;
    }
}

void TBCFilterTemplate::AddFactory(TBCClassFactory* factory) {
    factory->next_ = head_;
    head_ = factory;
}

TBCClassFactory* TBCFilterTemplate::FindFactory(REFCLSID classId) const {
    for (TBCClassFactory* factory = head_; factory; factory = factory->Next())
        if (factory->ClassId == classId) return factory;
    return nullptr;
}

bool TBCFilterTemplate::RegisterAll(bool doRegister) {
    TApartmentScope apartment;
    TMapper mapper;
    if (!mapper.Create()) return false;
    // Old keys go first; fresh ones are written only once the mapper took the filter.
    bool result = false;
    for (TBCClassFactory* factory = head_; factory; factory = factory->Next()) {
        factory->WriteServerKeys(false);
        result = mapper.Register(*factory, doRegister);
        if (!result) break;
        factory->WriteServerKeys(doRegister);
    }
    return result;
}

HRESULT TBCFilterTemplate::RegisterServers(bool doRegister) noexcept {
    try {
        // One registration is one save of the registry: a kill midway leaves it as it was,
        // and one that fails midway leaves nothing half done.
        RegistryTransaction transaction;
        const bool registered = RegisterAll(doRegister);
        if (transaction.Commit() != ERROR_SUCCESS) return SELFREG_E_CLASS;
        return registered ? S_OK : E_FAIL;
    } catch (const ERegistrationError&) {
        return SELFREG_E_CLASS;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

HRESULT TBCFilterTemplate::SetupFilter(REFCLSID classId, bool doRegister) noexcept {
    try {
        TApartmentScope apartment;
        TBCClassFactory* factory = FindFactory(classId);
        if (!factory) return S_FALSE;
        TMapper mapper;
        if (!mapper.Create()) return S_FALSE;
        RegistryTransaction transaction;
        factory->WriteServerKeys(false);
        const bool ok = mapper.Register(*factory, doRegister);
        if (ok) factory->WriteServerKeys(doRegister);
        if (transaction.Commit() != ERROR_SUCCESS) return SELFREG_E_CLASS;
        return ok ? S_OK : S_FALSE;
    } catch (const ERegistrationError&) {
        return SELFREG_E_CLASS;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

bool TBCFilterTemplate::TMapper::Create() {
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(mapper2_.put()))) &&
        mapper2_)
        return true;
    mapper2_ = nullptr;
    return SUCCEEDED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(mapper_.put()))) &&
           mapper_;
}

bool TBCFilterTemplate::TMapper::Register(TBCClassFactory& factory, bool doRegister) {
    if (mapper2_) return factory.RegisterWithMapper2(mapper2_.get(), doRegister);
    return factory.RegisterWithMapper(mapper_.get(), doRegister);
}
