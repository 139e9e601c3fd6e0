// The graph controller's pure helpers: time conversions, error formatting, aspect fitting.
#include "capture/VideoPlacement.h"
#include "capture/EDShowConvertError.h"
#include "capture/TDXShow.h"
#include "capture/TimeConversion.h"

#include <gtest/gtest.h>

namespace {
constexpr REFERENCE_TIME Hour = 36'000'000'000LL;
constexpr REFERENCE_TIME Ms = 10'000;

struct ToRefTimeCase {
    TDateTime value;
    REFERENCE_TIME expected;
};

TEST(TimeConversion, DateTimeToRefTimeKeepsOnlyTheTimeOfDay) {
    const ToRefTimeCase cases[] = {
        {0.0, 0},
        {1.5, 12 * Hour}, // a day and a half is sent as 12 hours
        {0.5, 12 * Hour},
        {2.0, 0},                                // whole days vanish
        {3600002.0 / 86400000.0, Hour + 2 * Ms}, // 01:00:00.002
        {-0.25, 6 * Hour},                       // the time part of a negative value
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeToRefTime(c.value), c.expected) << c.value;
}

TEST(TimeConversion, RefTimeToDateTimeEncodesTheTimeOfDay) {
    EXPECT_DOUBLE_EQ(RefTimeToDateTime(0), 0.0);
    EXPECT_DOUBLE_EQ(RefTimeToDateTime(12 * Hour), 0.5);
    EXPECT_DOUBLE_EQ(RefTimeToDateTime(6 * Hour + 9999), 0.25); // below a millisecond is dropped
    EXPECT_DOUBLE_EQ(RefTimeToDateTime(24 * Hour - Ms), (86400000.0 - 1) / 86400000.0);
    // Round trip of an odd time.
    const REFERENCE_TIME odd = 13 * Hour + 47 * 60 * 1000 * Ms + 5 * 1000 * Ms + 123 * Ms;
    EXPECT_EQ(DateTimeToRefTime(RefTimeToDateTime(odd)), odd);
}

TEST(TimeConversion, ADayOrMoreOrANegativeTimeRaisesTheConversionError) {
    for (const REFERENCE_TIME value : {24 * Hour, 30 * Hour, -Ms}) {
        try {
            (void)RefTimeToDateTime(value);
            ADD_FAILURE() << value;
        } catch (const EDShowConvertError& error) {
            EXPECT_STREQ(error.what(), "Invalid argument to time encode");
        }
    }
}

struct FormatCase {
    HRESULT hr;
    const char16_t* message;
    const char16_t* expected;
};

TEST(ErrorFormatting, MessageReasonAndCodeInCapitalHexadecimal) {
    const FormatCase cases[] = {
        {E_FAIL, u"Could not create FileWriter",
         u"Could not create FileWriter Reason: The operation failed. ($80004005)."},
        {E_FAIL, u"", u"The operation failed. ($80004005)."},
        // A code the platform has no text for keeps the pattern with an empty reason.
        {MakeHResult(0x8BADF00D), u"Odd", u"Odd Reason:  ($8BADF00D)."},
        {MakeHResult(0x8BADF00D), u"", u" ($8BADF00D)."},
        // Success codes have no leading zeros; a "%" in the message is taken literally.
        {MakeHResult(0xABC), u"100% done", u"100% done Reason:  ($ABC)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDXShow::FormatError(c.hr, c.message), std::u16string(c.expected));
}

struct FitCase {
    int x, y;
    TAreaRect area;
    TPlacement expected;
};

TEST(AspectFit, LargestCentredRectangleOfTheRatio) {
    const FitCase cases[] = {
        {16, 9, {0, 0, 400, 300}, {0, 37, 400, 225}},   // wider video: bars above and below
        {4, 3, {0, 0, 400, 200}, {66, 0, 267, 200}},    // narrower video: 133 div 2 truncates
        {4, 3, {10, 20, 410, 320}, {10, 20, 400, 300}}, // exact fit keeps the area's origin
        {1, 1, {0, 0, 5, 2}, {1, 0, 2, 2}},
        {3, 2, {0, 0, 5, 100}, {0, 48, 5, 3}},      // 3.33 rounds to 3
        {5, 2, {0, 0, 100, 5}, {44, 0, 12, 5}},     // 12.5 rounds to the even 12
        {0, 9, {0, 0, 400, 300}, {0, 0, 400, 300}}, // no ratio: the area unchanged
        {16, 9, {5, 5, 5, 300}, {5, 5, 0, 295}},    // empty area unchanged
    };
    for (const auto& c : cases) {
        const TPlacement p = AspectFitRect(c.x, c.y, c.area);
        EXPECT_EQ(p, c.expected) << c.x << ":" << c.y << " -> " << p.Left << "," << p.Top << ","
                                 << p.Width << "," << p.Height;
    }
}
} // namespace
