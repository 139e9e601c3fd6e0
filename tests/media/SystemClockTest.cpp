#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
TEST(SystemClock, CountsMonotonicTimeIn100NanosecondUnits) {
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(clock.put())));
    REFERENCE_TIME before = 0, after = 0;
    const auto steadyBefore = std::chrono::steady_clock::now();
    ASSERT_EQ(S_OK, clock->GetTime(&before));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(S_OK, clock->GetTime(&after));
    const auto steadyAfter = std::chrono::steady_clock::now();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(steadyAfter - steadyBefore).count();
    EXPECT_GE(after - before, 200'000);       // at least the 20 ms slept
    EXPECT_LE(after - before, elapsed / 100); // never more than really passed
    EXPECT_EQ(E_POINTER, clock->GetTime(nullptr));
}
} // namespace
