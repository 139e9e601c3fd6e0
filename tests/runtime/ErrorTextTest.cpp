#include "runtime/ErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {
TEST(ErrorText, NamesMediaCommonAndSystemCodes) {
    for (HRESULT code : {VFW_E_NOT_CONNECTED, VFW_E_NO_CAPTURE_HARDWARE, E_OUTOFMEMORY,
                         REGDB_E_CLASSNOTREG, HResultFromErrno(ENOSPC), HResultFromErrno(EACCES),
                         HResultFromErrno(ENOENT), HResultFromErrno(EFBIG)}) {
        char buffer[256];
        const DWORD length = AMGetErrorTextA(code, buffer, 255);
        EXPECT_GT(length, 0u) << std::hex << std::int32_t(code);
        EXPECT_EQ(length, std::strlen(buffer));
    }
    char buffer[256];
    ASSERT_GT(AMGetErrorTextA(VFW_E_NOT_CONNECTED, buffer, 255), 0u);
    EXPECT_EQ("The pin is not connected.", std::string(buffer));
}

TEST(ErrorText, UnknownCodeHasNoTextAndLeavesTheBuffer) {
    char buffer[8] = "keep";
    EXPECT_EQ(0u, AMGetErrorTextA(MakeHResult(0x8BADF00D), buffer, sizeof buffer));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ(0u, AMGetErrorTextA(E_FAIL, nullptr, 100));
    EXPECT_EQ(0u, AMGetErrorTextA(E_FAIL, buffer, 0));
}

TEST(ErrorText, TruncatesToTheBufferWithATerminatingZero) {
    char buffer[6];
    EXPECT_EQ(5u, AMGetErrorTextA(E_FAIL, buffer, sizeof buffer));
    EXPECT_STREQ("The o", buffer);
}
} // namespace
