#include "runtime/Apartment.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
TEST(Apartment, CountsInitialisationPerThread) {
    const int before = CoInitializeCount();
    const HRESULT first = CoInitialize(nullptr);
    EXPECT_EQ(before == 0 ? S_OK : S_FALSE, first);
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));

    HRESULT otherThread = E_FAIL;
    std::thread([&] {
        otherThread = CoInitialize(nullptr);
        CoUninitialize();
    }).join();
    EXPECT_EQ(S_OK, otherThread);

    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(before, CoInitializeCount());
}
} // namespace
