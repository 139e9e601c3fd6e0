#pragma once
// The list of the process's class factories, newest first, which owns them; and the
// self-registration of every factory of the list (the exported DllRegisterServer and
// DllUnregisterServer) or of one filter class (IAMovieSetup of a filter).
// Thread contract: the list is filled while the modules initialise, before other threads
// exist, and only read afterwards; it has no lock. Registration runs on the caller's thread
// and initialises the object model around its own work.
#include "framework/TBCClassFactory.h"
#include "runtime/ComPtr.h"

class TBCFilterTemplate {
public:
    TBCFilterTemplate() = default;
    TBCFilterTemplate(const TBCFilterTemplate&) = delete;
    TBCFilterTemplate& operator=(const TBCFilterTemplate&) = delete;
    // Frees the factories one by one from the head.
    ~TBCFilterTemplate();

    // Puts factory at the front and takes it over.
    void AddFactory(TBCClassFactory* factory);
    // The newest factory of classId, or null.
    TBCClassFactory* FindFactory(REFCLSID classId) const;
    TBCClassFactory* Head() const { return head_; }

    // Registers (doRegister) or unregisters every factory, stopping at the first whose filter
    // mapper registration fails; false then, and when the list is empty or no filter mapper
    // can be made. Raises ERegistrationError when the registry cannot be written.
    bool RegisterAll(bool doRegister);
    // The answer of DllRegisterServer and DllUnregisterServer: S_OK when RegisterAll succeeds,
    // E_FAIL when it fails, SELFREG_E_CLASS when the registry cannot be written. Its changes
    // to the registry are saved in one step (RegistryTransaction); an error raised midway
    // leaves the registry as it was.
    HRESULT RegisterServers(bool doRegister) noexcept;
    // The answer of a filter's IAMovieSetup Register and Unregister for its class: S_OK when
    // done, S_FALSE when the class has no factory, no filter mapper can be made or the mapper
    // refuses; SELFREG_E_CLASS when the registry cannot be written. Saved in one step too.
    HRESULT SetupFilter(REFCLSID classId, bool doRegister) noexcept;

    // The platform's filter mapper as registration finds it: version 2 when it can be made,
    // else the first version.
    class TMapper {
    public:
        bool Create();
        bool Register(TBCClassFactory& factory, bool doRegister);

    private:
        ComPtr<IFilterMapper2> mapper2_;
        ComPtr<IFilterMapper> mapper_;
    };

private:
    TBCClassFactory* head_ = nullptr; // owned, with every factory linked behind it
};

// The process's list of factories, made by the first access and freed with every factory when
// the framework library is unloaded (at the latest when the process ends).
TBCFilterTemplate& FactoryTemplates();
