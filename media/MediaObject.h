#pragma once
// Base of the platform's objects: an inner (non-delegating) unknown with an atomic count,
// and delegating methods that go to the controlling object when the object is aggregated.
// Thread contract: the counting methods may be called from any thread.
#include "runtime/Unknown.h"

#include <atomic>
#include <new>
#include <utility>

class MediaObject {
public:
    MediaObject(const MediaObject&) = delete;
    MediaObject& operator=(const MediaObject&) = delete;

    // The identity of the object: answers IID_IUnknown with itself, never the outer object.
    IUnknown* InnerUnknown() { return &inner_; }

protected:
    explicit MediaObject(IUnknown* outer = nullptr) : inner_(this), outer_(outer) {}
    virtual ~MediaObject() = default;

    // The interface for iid, uncounted, or null; IID_IUnknown is answered by the base.
    virtual void* FindInterface(REFIID iid) = 0;

    HRESULT DelegatingQueryInterface(REFIID iid, void** object) {
        return outer_ ? outer_->QueryInterface(iid, object) : inner_.QueryInterface(iid, object);
    }
    ULONG DelegatingAddRef() { return outer_ ? outer_->AddRef() : inner_.AddRef(); }
    ULONG DelegatingRelease() { return outer_ ? outer_->Release() : inner_.Release(); }

    ULONG InnerCount() const { return refs_.load(); }

    // Runs once when the last reference goes, before the destructor, with the count held at
    // 1 so that references taken and given back while tearing down do not destroy us twice.
    virtual void FinalRelease() {}

private:
    struct Inner final : IUnknown {
        explicit Inner(MediaObject* self) : self(self) {}
        HRESULT QueryInterface(REFIID iid, void** object) override {
            if (!object) return E_POINTER;
            *object = nullptr;
            if (iid == IID_IUnknown) {
                *object = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            void* found = self->FindInterface(iid);
            if (!found) return E_NOINTERFACE;
            *object = found;
            // The interface's own AddRef delegates, as an aggregated object must.
            static_cast<IUnknown*>(found)->AddRef();
            return S_OK;
        }
        ULONG AddRef() override { return ++self->refs_; }
        ULONG Release() override {
            const ULONG left = --self->refs_;
            if (left == 0) {
                self->refs_.store(1);
                self->FinalRelease();
                delete self;
            }
            return left;
        }
        MediaObject* self; // back pointer to the enclosing object, not a reference
    };

    Inner inner_;
    IUnknown* outer_; // the controlling object; never counted, it owns us
    std::atomic<ULONG> refs_{0};

    template <class T, class... Args>
    friend HRESULT CreateMediaObject(IUnknown* outer, REFIID iid, void** object, Args&&... args);
};

// The three IUnknown methods of a class derived from MediaObject and its interfaces.
#define MEDIA_OBJECT_UNKNOWN                                                                       \
    HRESULT QueryInterface(REFIID iid, void** object) override {                                   \
        return DelegatingQueryInterface(iid, object);                                              \
    }                                                                                              \
    ULONG AddRef() override {                                                                      \
        return DelegatingAddRef();                                                                 \
    }                                                                                              \
    ULONG Release() override {                                                                     \
        return DelegatingRelease();                                                                \
    }

// Creates a T (constructed with outer and args) and answers iid on its inner unknown.
// Aggregation needs iid to be IID_IUnknown, as the object model demands.
template <class T, class... Args>
HRESULT CreateMediaObject(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    T* created = new (std::nothrow) T(outer, std::forward<Args>(args)...);
    if (!created) return E_OUTOFMEMORY;
    IUnknown* inner = created->InnerUnknown();
    inner->AddRef();
    const HRESULT hr = inner->QueryInterface(iid, object);
    inner->Release();
    return hr;
}

// A class that does not support aggregation refuses a controlling object.
template <class T, class... Args>
HRESULT CreateUnaggregatedObject(IUnknown* outer, REFIID iid, void** object, Args&&... args) {
    if (object) *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateMediaObject<T>(nullptr, iid, object, std::forward<Args>(args)...);
}
