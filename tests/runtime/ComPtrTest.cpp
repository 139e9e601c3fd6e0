#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

namespace {
struct Counted final : IUnknown {
    int refs = 0;
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
};

TEST(ComPtr, HoldsExactlyOneReferencePerHolder) {
    Counted object;
    {
        ComPtr<IUnknown> a(&object);
        EXPECT_EQ(1, object.refs);
        ComPtr<IUnknown> b = a;
        EXPECT_EQ(2, object.refs);
        ComPtr<IUnknown> c = std::move(b);
        EXPECT_EQ(2, object.refs);
        EXPECT_FALSE(b);
        c = nullptr;
        EXPECT_EQ(1, object.refs);
        a = a; // self-assignment keeps the reference
        EXPECT_EQ(1, object.refs);
    }
    EXPECT_EQ(0, object.refs);
}

TEST(ComPtr, AdoptPutAndDetachTransferWithoutCounting) {
    Counted object;
    object.refs = 1;
    ComPtr<IUnknown> adopted = ComPtr<IUnknown>::Adopt(&object);
    EXPECT_EQ(1, object.refs);
    IUnknown** place = adopted.put(); // releases the old reference first
    EXPECT_EQ(0, object.refs);
    *place = &object;
    object.refs = 1;
    IUnknown* raw = adopted.detach();
    EXPECT_EQ(&object, raw);
    EXPECT_EQ(1, object.refs);
    EXPECT_FALSE(adopted);

    IUnknown* out = nullptr;
    ComPtr<IUnknown> holder(&object);
    EXPECT_EQ(S_OK, holder.CopyTo(&out));
    EXPECT_EQ(3, object.refs);
    EXPECT_EQ(E_POINTER, holder.CopyTo(nullptr));
}
} // namespace
