#include "runtime/Guid.h"

#include <gtest/gtest.h>

namespace {
constexpr GUID kWaveDest{
    0x2CDE6ABB, 0xC2FE, 0x484E, {0xAE, 0x4A, 0x25, 0x34, 0xBE, 0x13, 0x88, 0xB9}};

TEST(Guid, WritesTheRegistryFormInUpperCase) {
    EXPECT_EQ("{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}", GuidToString(kWaveDest));
    EXPECT_EQ(u"{00000000-0000-0000-0000-000000000000}", GuidToWideString(GUID_NULL));
}

TEST(Guid, ReadsTheRegistryFormInEitherCase) {
    EXPECT_EQ(kWaveDest, GuidFromString("{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}"));
    EXPECT_EQ(kWaveDest, GuidFromString("{2cde6abb-c2fe-484e-ae4a-2534be1388b9}"));
    EXPECT_EQ(kWaveDest, GuidFromWideString(u"{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}"));
}

TEST(Guid, RefusesAnyOtherText) {
    for (const char* text :
         {"", "2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9", "{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B}",
          "{2CDE6ABB+C2FE-484E-AE4A-2534BE1388B9}", "{2CDE6ABG-C2FE-484E-AE4A-2534BE1388B9}",
          "{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}x"})
        EXPECT_FALSE(GuidFromString(text).has_value()) << text;
    EXPECT_FALSE(GuidFromWideString(u"{2CDE6ABB-C2FE-484E-AE4A-2534BE1388\u00C9}").has_value());
}

TEST(Guid, ComparesAllSixteenBytes) {
    GUID other = kWaveDest;
    other.Data4[7] ^= 1;
    EXPECT_NE(kWaveDest, other);
    EXPECT_EQ(kWaveDest, GUID(kWaveDest));
}
} // namespace
