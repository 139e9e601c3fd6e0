#include "TestObjects.h"

#include "framework/EAssertionFailure.h"
#include "framework/FrameworkUtil.h"
#include "framework/MediaType.h"
#include "runtime/TaskMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
struct Counted final : IUnknown {
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    int refs = 0;
};

TEST(MediaType, CopyDuplicatesTheFormatBlockAndCountsPUnk) {
    Counted unk;
    ScopedType source(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3}));
    source.type.pUnk = &unk;
    unk.refs = 1;
    ScopedType copy;
    MediaTypeCopy(copy.type, source.type);
    EXPECT_NE(source.type.pbFormat, copy.type.pbFormat);
    EXPECT_EQ(3u, copy.type.cbFormat);
    EXPECT_EQ(0, std::memcmp(source.type.pbFormat, copy.type.pbFormat, 3));
    EXPECT_EQ(2, unk.refs);
    EXPECT_TRUE(MediaTypeMatches(copy.type, source.type));

    MediaTypeClear(copy.type);
    EXPECT_EQ(0u, copy.type.cbFormat);
    EXPECT_EQ(nullptr, copy.type.pbFormat);
    EXPECT_EQ(nullptr, copy.type.pUnk);
    EXPECT_EQ(1, unk.refs);
    MediaTypeClear(copy.type); // a second clear does nothing
    EXPECT_EQ(1, unk.refs);
    source.type.pUnk = nullptr;
    unk.refs = 0;
}

TEST(MediaType, AFormatPointerWithoutSizeIsNeitherCopiedNorFreed) {
    BYTE notOwned[4] = {};
    AM_MEDIA_TYPE source = MakeType(MEDIATYPE_Audio, GUID_NULL, GUID_NULL);
    source.pbFormat = notOwned;
    AM_MEDIA_TYPE copy;
    MediaTypeCopy(copy, source);
    EXPECT_EQ(notOwned, copy.pbFormat);
    MediaTypeClear(copy); // would crash freeing stack memory if it were owned
    EXPECT_EQ(notOwned, copy.pbFormat);
}

TEST(MediaType, CopyChecksItsPreconditions) {
    AM_MEDIA_TYPE t = MakeType(MEDIATYPE_Audio, GUID_NULL, GUID_NULL);
    try {
        MediaTypeCopy(t, t);
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Assertion failure (DSUtil, line 1259)", e.Message());
    }
    AM_MEDIA_TYPE broken = t;
    broken.cbFormat = 4; // a size without a block
    AM_MEDIA_TYPE target;
    EXPECT_THROW(MediaTypeCopy(target, broken), EAssertionFailure);
}

TEST(MediaType, DisposeFreesTaskMemoryRecords) {
    auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *record = MakeType(MEDIATYPE_Audio, GUID_NULL, FORMAT_WaveFormatEx, PcmFormat(2, 48000));
    MediaTypeDispose(record); // the sanitizer reports a leak otherwise
    MediaTypeDispose(nullptr);
}

TEST(MediaType, ResetGivesTheDefaultRecord) {
    AM_MEDIA_TYPE t;
    std::memset(&t, 0xCC, sizeof t);
    MediaTypeReset(t);
    EXPECT_EQ(BOOL(-1), t.bFixedSizeSamples);
    EXPECT_EQ(1u, t.lSampleSize);
    EXPECT_EQ(GUID_NULL, t.majortype);
    EXPECT_EQ(0u, t.cbFormat);
    EXPECT_EQ(nullptr, t.pUnk);
    EXPECT_EQ(0u, MediaTypeFormatSize(t));
}

TEST(MediaType, PartialAndMatchTable) {
    const GUID other{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    ScopedType full(MakeType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3}));
    struct Case {
        const char* what;
        GUID major, sub, format;
        std::vector<BYTE> block;
        bool partial, matches;
    } cases[] = {
        {"all unspecified", GUID_NULL, GUID_NULL, GUID_NULL, {}, true, true},
        {"major only", MEDIATYPE_Audio, GUID_NULL, GUID_NULL, {}, true, true},
        {"other major", other, GUID_NULL, GUID_NULL, {}, true, false},
        {"other subtype", MEDIATYPE_Audio, other, GUID_NULL, {}, true, false},
        {"format without subtype",
         MEDIATYPE_Audio,
         GUID_NULL,
         FORMAT_WaveFormatEx,
         {1, 2, 3},
         false,
         true},
        {"other format type", MEDIATYPE_Audio, MEDIASUBTYPE_PCM, other, {1, 2, 3}, false, false},
        {"other format size",
         MEDIATYPE_Audio,
         MEDIASUBTYPE_PCM,
         FORMAT_WaveFormatEx,
         {1, 2},
         false,
         false},
        {"one format byte differs",
         MEDIATYPE_Audio,
         MEDIASUBTYPE_PCM,
         FORMAT_WaveFormatEx,
         {1, 2, 4},
         false,
         false},
        {"equal", MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3}, false, true},
        {"format only", GUID_NULL, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3}, true, true},
    };
    for (const Case& c : cases) {
        ScopedType partial(MakeType(c.major, c.sub, c.format, c.block));
        EXPECT_EQ(c.partial, MediaTypeIsPartial(partial.type)) << c.what;
        EXPECT_EQ(c.matches, MediaTypeMatches(full.type, partial.type)) << c.what;
    }
}

TEST(FrameworkUtil, FourCharacterCodes) {
    EXPECT_EQ(0x46464952u, TextToFourCC("RIFF"));
    EXPECT_EQ(0x20746D66u, TextToFourCC("fmt "));
    EXPECT_EQ(0x61746164u, TextToFourCC("data"));
    try {
        (void)TextToFourCC("dat");
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Assertion failure (DSUtil, line 1337)", e.Message());
    }
}

TEST(FrameworkUtil, WideStringToTaskMem) {
    LPWSTR text = nullptr;
    ASSERT_EQ(S_OK, WideStringToTaskMem(u"", &text));
    EXPECT_EQ(0, text[0]);
    CoTaskMemFree(text);
    ASSERT_EQ(S_OK, WideStringToTaskMem(u"XForm In", &text));
    EXPECT_EQ(std::u16string(u"XForm In"), text);
    CoTaskMemFree(text);
    EXPECT_EQ(E_POINTER, WideStringToTaskMem(u"x", nullptr));
}

TEST(FrameworkUtil, MediaErrorTextIsEmptyForUnknownCodes) {
    EXPECT_EQ("The pin is not connected.", MediaErrorText(VFW_E_NOT_CONNECTED));
    EXPECT_EQ("", MediaErrorText(MakeHResult(0x8BADF00D)));
}

TEST(FrameworkUtil, FreeAndClearEmptiesTheVariableFirst) {
    struct Probe {
        Probe*& holder;
        bool& sawCleared;
        ~Probe() { sawCleared = holder == nullptr; }
    };
    bool sawCleared = false;
    Probe* held = nullptr;
    held = new Probe{held, sawCleared};
    FreeAndClear(held);
    EXPECT_EQ(nullptr, held);
    EXPECT_TRUE(sawCleared);
    FreeAndClear(held); // nothing for null
}

TEST(EAssertionFailure, OwnMessageCarriesUnitAndLine) {
    try {
        BC_CHECK_MSG(false, "Lock = nil !", "BaseClass", 3872);
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ("Lock = nil ! (BaseClass, line 3872)", e.Message());
    }
}

TEST(EAssertionFailureDeathTest, ACheckInADestructorAborts) {
    EXPECT_DEATH(BC_CHECK_IN_DESTRUCTOR(false, "BaseClass", 4773),
                 "Assertion failure \\(BaseClass, line 4773\\)");
}
} // namespace
