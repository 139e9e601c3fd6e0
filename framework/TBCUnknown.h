#pragma once
// The reference-counted object of the framework, with two identities: the inner
// (non-delegating) unknown, whose methods are InnerQueryInterface, InnerAddRef and
// InnerRelease, and the delegating methods QueryInterface, AddRef and Release behind every
// published interface a descendant implements, which go to Owner when the object is
// aggregated. Each class answers its own interface identifiers in InnerQueryInterface and then
// asks its ancestor's, so lists are searched class first, then ancestors. The base of the
// framework's objects and of the media platform's alike.
// Thread contract: any thread; the count changes atomically.
#include "framework/TBCBaseObject.h"
#include "runtime/Unknown.h"

#include <atomic>
#include <new>
#include <utility>

class TBCClassFactory;

class TBCUnknown : public TBCBaseObject {
public:
    TBCUnknown(std::string objectName, IUnknown* controller);

    // The class factory's creation operation: an object named after the factory, aggregated
    // by controller when given. A template so that the factory may be completed later.
    template <class Factory = TBCClassFactory>
    static TBCUnknown* CreateByFactory(Factory* factory, IUnknown* controller) {
        return new TBCUnknown(factory->DisplayName, controller);
    }

    virtual HRESULT InnerQueryInterface(REFIID iid, void** object);
    virtual ULONG InnerAddRef();
    virtual ULONG InnerRelease();

    // The delegating operations.
    HRESULT QueryInterface(REFIID iid, void** object);
    ULONG AddRef();
    ULONG Release();

    // The inner unknown: what an aggregating owner holds, and what IID_IUnknown answers.
    IUnknown* InnerUnknown() { return &inner_; }
    // Owner as a counted reference (or null).
    void OwnerUnknown(IUnknown** unknown) const;

protected:
    // Answers iid with the interface p: stores it and adds a reference through it.
    template <class I>
    static HRESULT GetInterface(I* p, void** object) {
        if (!object) return E_POINTER;
        *object = p;
        p->AddRef();
        return S_OK;
    }

    std::atomic<LONG> RefCount{0};
    // The controlling unknown; never counted, since the owner holds us, not the reverse.
    IUnknown* const Owner;

private:
    class TInnerUnknown final : public IUnknown {
    public:
        explicit TInnerUnknown(TBCUnknown* object) : object_(object) {}
        HRESULT QueryInterface(REFIID iid, void** object) override {
            return object_->InnerQueryInterface(iid, object);
        }
        ULONG AddRef() override { return object_->InnerAddRef(); }
        ULONG Release() override { return object_->InnerRelease(); }

    private:
        TBCUnknown* const object_; // the enclosing object; a member cannot own its own holder
    };

    TInnerUnknown inner_{this};
};

// Implements the IUnknown methods of every published interface of a class as the delegating
// operations of TBCUnknown.
#define TBC_DECLARE_DELEGATING_UNKNOWN                                                             \
    HRESULT QueryInterface(REFIID iid, void** object) override {                                   \
        return TBCUnknown::QueryInterface(iid, object);                                            \
    }                                                                                              \
    ULONG AddRef() override {                                                                      \
        return TBCUnknown::AddRef();                                                               \
    }                                                                                              \
    ULONG Release() override {                                                                     \
        return TBCUnknown::Release();                                                              \
    }

// Answers iid on the inner unknown of an object just made (count 0, or null when memory ran
// out). The inner unknown holds the object while it is asked, so an answer that takes no
// reference frees it again.
HRESULT AnswerNewObject(TBCUnknown* created, REFIID iid, void** object);

// How every object of the framework and the platform is made: a T constructed with the
// controlling object and args, answering iid. Aggregation needs iid to be IID_IUnknown, as the
// object model demands.
template <class T, class... Args>
HRESULT CreateObject(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return AnswerNewObject(new (std::nothrow) T(outer, std::forward<Args>(args)...), iid, object);
}

// CreateObject for a class that is not built to be aggregated: it refuses a controlling object.
template <class T, class... Args>
HRESULT CreateUnaggregatedObject(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
    if (object) *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateObject<T>(nullptr, iid, object, std::forward<Args>(args)...);
}
