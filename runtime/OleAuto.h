#pragma once
// Automation types that media interfaces exchange: counted strings (BSTR), variants and the
// dispatch interface from which the graph's control interfaces derive.
#include "runtime/Unknown.h"

// A BSTR points at UTF-16 characters preceded by their byte length and followed by a 0.
using BSTR = WCHAR*;
using LPOLESTR = WCHAR*;
using LPCOLESTR = const WCHAR*;
using VARTYPE = WORD;
using LCID = DWORD;
using DISPID = LONG;

BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_UI4 = 19;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        ULONG ulVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        LONGLONG llVal;
    };
};

void VariantInit(VARIANT* variant);
// Frees the string a VT_BSTR variant owns and empties the variant.
HRESULT VariantClear(VARIANT* variant);

inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

struct IDispatch : IUnknown {
    static constexpr const IID& Iid = IID_IDispatch;
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                  DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
    ~IDispatch() = default;
};
