#pragma once
// One filter class that the process can register with the platform and create through
// IClassFactory: its class identifier, display name, filter category, merit, pin registration
// data, and the class's creation operation. A factory belongs to a TBCFilterTemplate list
// (normally FactoryTemplates), which frees it; its reference count never does.
// Thread contract: factories are made while the modules initialise, before other threads exist,
// and are read-only afterwards. AddRef, Release, QueryInterface, LockServer and CreateInstance
// may be called from any thread; registration runs on the caller's thread and takes no lock.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"

#include <atomic>
#include <string>

class TBCFilterTemplate;

// The creation operation of a filter class (the class's CreateByFactory): a new object with
// a count of 0, named after the factory.
using TBCFilterClass = TBCUnknown* (*)(TBCClassFactory* factory, IUnknown* controller);

// References taken on all factories together; changed only by their AddRef and Release.
extern std::atomic<LONG> FactoryRefCount;

class TBCClassFactory final : public IClassFactory {
public:
    // Makes a factory and puts it at the front of list (FactoryTemplates when null), which owns
    // it from then on. Pins is static data of the caller, pinCount entries long (or null).
    static TBCClassFactory* Create(TBCFilterClass filterClass, std::string displayName,
                                   REFCLSID classId, REFCLSID category, DWORD merit, LONG pinCount,
                                   const REGFILTERPINS* pins, TBCFilterTemplate* list = nullptr);

    // IUnknown: IID_IUnknown and IID_IClassFactory are the same interface.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IClassFactory. A controlling object is refused with CLASS_E_NOAGGREGATION: the filters
    // made here are not built to be aggregated through a factory.
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

    // Writes (doRegister) or deletes the class's keys under HKEY_CLASSES_ROOT\CLSID\{...}: its
    // name, and InprocServer32 with the full path of the module that holds the filter class
    // and ThreadingModel "Both". Raises ERegistrationError when a key or value cannot be
    // written; failed deletions are ignored.
    void WriteServerKeys(bool doRegister);
    // Registers or unregisters the filter with the platform's filter mapper; true on success.
    bool RegisterWithMapper2(IFilterMapper2* mapper, bool doRegister);
    bool RegisterWithMapper(IFilterMapper* mapper, bool doRegister);

    TBCClassFactory* Next() const { return next_; }

    const TBCFilterClass FilterClass;
    const std::string DisplayName; // also the object name of the filters made
    const CLSID ClassId;
    const CLSID Category;
    const DWORD Merit;
    const LONG PinCount;
    const REGFILTERPINS* const Pins;

private:
    friend class TBCFilterTemplate;

    TBCClassFactory(TBCFilterClass filterClass, std::string displayName, REFCLSID classId,
                    REFCLSID category, DWORD merit, LONG pinCount, const REGFILTERPINS* pins);
    ~TBCClassFactory() = default;

    // The next factory of the list; the list owns both, this only links them.
    TBCClassFactory* next_ = nullptr;
};
