#pragma once
// Device enumeration: the system device enumerator, monikers and their property bags.
#include "framework/interfaces/Strmif.h"

struct IBindCtx;
struct IErrorLog;

inline constexpr IID IID_IPersistStream{0x00000109, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMoniker{0x0000000F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IEnumMoniker{0x00000102, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPropertyBag{
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_ICreateDevEnum{
    0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

struct IPersistStream : IPersist {
    static constexpr const IID& Iid = IID_IPersistStream;
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;

protected:
    ~IPersistStream() = default;
};

struct IMoniker : IPersistStream {
    static constexpr const IID& Iid = IID_IMoniker;
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
    virtual HRESULT Reduce(IBindCtx* context, DWORD howFar, IMoniker** toLeft,
                           IMoniker** reduced) = 0;
    virtual HRESULT ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) = 0;
    virtual HRESULT Enum(BOOL forward, IEnumMoniker** enumerator) = 0;
    virtual HRESULT IsEqual(IMoniker* other) = 0;
    virtual HRESULT Hash(DWORD* hash) = 0;
    virtual HRESULT IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) = 0;
    virtual HRESULT GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) = 0;
    virtual HRESULT Inverse(IMoniker** inverse) = 0;
    virtual HRESULT CommonPrefixWith(IMoniker* other, IMoniker** prefix) = 0;
    virtual HRESULT RelativePathTo(IMoniker* other, IMoniker** relativePath) = 0;
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) = 0;
    virtual HRESULT ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR displayName,
                                     ULONG* eaten, IMoniker** result) = 0;
    virtual HRESULT IsSystemMoniker(DWORD* kind) = 0;

protected:
    ~IMoniker() = default;
};

struct IEnumMoniker : IUnknown {
    static constexpr const IID& Iid = IID_IEnumMoniker;
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** enumerator) = 0;

protected:
    ~IEnumMoniker() = default;
};

struct IPropertyBag : IUnknown {
    static constexpr const IID& Iid = IID_IPropertyBag;
    virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;

protected:
    ~IPropertyBag() = default;
};

struct ICreateDevEnum : IUnknown {
    static constexpr const IID& Iid = IID_ICreateDevEnum;
    // S_FALSE with no enumerator when the category is empty.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                          DWORD flags) = 0;

protected:
    ~ICreateDevEnum() = default;
};
