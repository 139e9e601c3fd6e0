#include "framework/TBCUnknown.h"

#include "runtime/Interlocked.h"

TBCUnknown::TBCUnknown(std::string objectName, IUnknown* controller)
    : TBCBaseObject(std::move(objectName)), Owner(controller) {}

HRESULT TBCUnknown::InnerQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown) return GetInterface(InnerUnknown(), object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TBCUnknown::InnerAddRef() {
    return ULONG(InterlockedIncrement(RefCount));
}

ULONG TBCUnknown::InnerRelease() {
    const LONG count = InterlockedDecrement(RefCount);
    if (count == 0) {
        // A count of 1 during destruction keeps a reference taken and dropped by a destructor
        // from destroying the object a second time.
        RefCount.store(1);
        delete this;
    }
    return ULONG(count);
}

HRESULT TBCUnknown::QueryInterface(REFIID iid, void** object) {
    return Owner ? Owner->QueryInterface(iid, object) : InnerQueryInterface(iid, object);
}

ULONG TBCUnknown::AddRef() {
    return Owner ? Owner->AddRef() : InnerAddRef();
}

ULONG TBCUnknown::Release() {
    return Owner ? Owner->Release() : InnerRelease();
}

void TBCUnknown::OwnerUnknown(IUnknown** unknown) const {
    if (!unknown) return;
    *unknown = Owner;
    if (Owner) Owner->AddRef();
}

HRESULT AnswerNewObject(TBCUnknown* created, REFIID iid, void** object) {
    if (!created) return E_OUTOFMEMORY;
    (void)created->InnerAddRef();
    const HRESULT hr = created->InnerQueryInterface(iid, object);
    (void)created->InnerRelease();
    return hr;
}
