#pragma once
// The root interface of the object model and the class-object interface.
// Interfaces are abstract classes with their methods in the published order; each
// names its identifier as Iid, so ComPtr<T>::As and IID_PPV_ARGS-style helpers find it.
#include "runtime/Guid.h"
#include "runtime/HResult.h"

#include <type_traits>

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    static constexpr const IID& Iid = IID_IUnknown;
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default; // objects die through Release, never through delete on an interface
};

struct IClassFactory : IUnknown {
    static constexpr const IID& Iid = IID_IClassFactory;
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The identifier and out-place of an interface pointer, for QueryInterface and CoCreateInstance.
#define IID_PPV_ARGS(pp)                                                                           \
    std::remove_pointer_t<std::remove_pointer_t<decltype(pp)>>::Iid, reinterpret_cast<void**>(pp)
