#pragma once
// The automation interfaces (IDispatch) that the graph's interfaces derive from, answered as
// not supported for every one of them at once: callers here bind to the methods directly.
// Thread contract: any thread; no state.
#include "runtime/OleAuto.h"

template <class... Interfaces>
class DispatchNotSupported : public Interfaces... {
public:
    HRESULT GetTypeInfoCount(UINT* count) final {
        if (count) *count = 0;
        return E_NOTIMPL;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) final {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) final { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) final {
        return E_NOTIMPL;
    }

protected:
    ~DispatchNotSupported() = default;
};
