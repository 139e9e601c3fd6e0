#include "TestObjects.h"

#include "framework/TBCUnknown.h"

#include <gtest/gtest.h>

namespace {
// A framework object with one published interface, IPersist, to see both identities.
class PersistObject final : public TBCUnknown, public IPersist {
public:
    PersistObject(IUnknown* controller, bool* destroyed)
        : TBCUnknown("persist", controller), destroyed_(destroyed) {}
    ~PersistObject() override { *destroyed_ = true; }
    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IPersist) return GetInterface(static_cast<IPersist*>(this), object);
        return TBCUnknown::InnerQueryInterface(iid, object);
    }
    HRESULT GetClassID(CLSID* id) override {
        *id = GUID_NULL;
        return S_OK;
    }

private:
    bool* destroyed_;
};

// A controlling object that answers with its own results and counts what reaches it.
struct Controller final : IUnknown {
    HRESULT QueryInterface(REFIID, void** object) override {
        ++queries;
        *object = this;
        return S_FALSE; // distinct, so that forwarding is visible
    }
    ULONG AddRef() override { return 100 + ++addRefs; }
    ULONG Release() override { return 200 + ++releases; }
    int queries = 0, addRefs = 0, releases = 0;
};

TEST(TBCUnknown, NonAggregatedObjectShowsOneCountThroughBothIdentities) {
    bool destroyed = false;
    const LONG liveBefore = ActiveObjectCount.load();
    auto* object = new PersistObject(nullptr, &destroyed);
    EXPECT_EQ(liveBefore + 1, ActiveObjectCount.load());

    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, object->InnerUnknown()->QueryInterface(IID_PPV_ARGS(persist.put())));
    EXPECT_EQ(static_cast<IPersist*>(object), persist.get());
    ComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, inner.put_void()));
    EXPECT_EQ(object->InnerUnknown(), inner.get());
    EXPECT_EQ(3u, persist->AddRef()); // one count: the persist and inner references, plus this
    EXPECT_EQ(2u, inner->Release());

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IBaseFilter, &none));
    EXPECT_EQ(nullptr, none);

    inner = nullptr;
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(0u, persist.detach()->Release()); // the last release destroys and answers 0
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(liveBefore, ActiveObjectCount.load());
}

TEST(TBCUnknown, AggregatedObjectForwardsPublishedInterfacesToItsController) {
    bool destroyed = false;
    Controller controller;
    auto* object = new PersistObject(&controller, &destroyed);
    IUnknown* inner = object->InnerUnknown();
    EXPECT_EQ(1u, inner->AddRef()); // the owner's reference on the inner unknown

    IPersist* persist = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_PPV_ARGS(&persist)));
    EXPECT_EQ(1, controller.addRefs); // the reference went to the controller
    void* answer = nullptr;
    EXPECT_EQ(S_FALSE, persist->QueryInterface(IID_IUnknown, &answer));
    EXPECT_EQ(&controller, answer);
    EXPECT_EQ(102u, persist->AddRef());
    EXPECT_EQ(201u, persist->Release());
    EXPECT_EQ(1, controller.queries);

    IUnknown* owner = nullptr;
    object->OwnerUnknown(&owner);
    EXPECT_EQ(&controller, owner);
    EXPECT_EQ(3, controller.addRefs);

    EXPECT_FALSE(destroyed);
    EXPECT_EQ(0u, inner->Release()); // only the inner unknown governs the object's own count
    EXPECT_TRUE(destroyed);
}
} // namespace
