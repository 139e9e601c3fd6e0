#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

namespace {
constexpr CLSID kTestClass{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};

struct Counted final : IUnknown {
    int refs = 0;
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
};

TEST(ClassTable, UnknownClassIsNotRegistered) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr));
}

TEST(ClassTable, CreatesThroughTheRegisteredCreatorUntilRevoked) {
    Counted instance;
    IUnknown* seenOuter = reinterpret_cast<IUnknown*>(1);
    CoRegisterClassCreator(kTestClass, [&](IUnknown* outer, REFIID iid, void** object) {
        seenOuter = outer;
        return instance.QueryInterface(iid, object);
    });
    ComPtr<IUnknown> created;
    EXPECT_EQ(S_OK,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC, IID_PPV_ARGS(created.put())));
    EXPECT_EQ(&instance, created.get());
    EXPECT_EQ(nullptr, seenOuter);
    EXPECT_EQ(1, instance.refs);
    created.reset();

    EXPECT_TRUE(CoRevokeClassCreator(kTestClass));
    EXPECT_FALSE(CoRevokeClassCreator(kTestClass));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC, IID_PPV_ARGS(created.put())));
}
} // namespace
