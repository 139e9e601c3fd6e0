// The media platform's filter mapper over a private registry.
#include "RegistrationFakes.h"
#include "TempDataHome.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/registration/FilterMapper.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

namespace {
class FilterMapperTest : public ::testing::Test {
protected:
    TempDataHome home;
    ComPtr<IFilterMapper2> mapper;

    void SetUp() override {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(mapper.put())));
    }

    static REGFILTER2 Version1(DWORD merit, ULONG pins = 0, const REGFILTERPINS* rgPins = nullptr) {
        REGFILTER2 registration{};
        registration.dwVersion = 1;
        registration.dwMerit = merit;
        registration.cPins = pins;
        registration.rgPins = rgPins;
        return registration;
    }
};

char16_t kPinName[] = u"Input";
const REGPINTYPES kTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGFILTERPINS kPin = {kPinName, FALSE, FALSE, FALSE, TRUE, nullptr, nullptr, 1, kTypes};

TEST_F(FilterMapperTest, RecordsAFilterUnderItsCategoryWithItsPins) {
    const REGFILTER2 registration = Version1(MERIT_DO_NOT_USE, 1, &kPin);
    ASSERT_EQ(S_OK,
              mapper->RegisterFilter(kClassA, u"Filter A", nullptr, &CLSID_AudioInputDeviceCategory,
                                     nullptr, &registration));
    EXPECT_EQ("Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance\\"
              "{AAAAAAAA-0001-0002-0304-05060708090A}]\n"
              "\"FriendlyName\"=\"Filter A\"\n"
              "\"CLSID\"=\"{AAAAAAAA-0001-0002-0304-05060708090A}\"\n"
              "\"Merit\"=dword:00200000\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance\\"
              "{AAAAAAAA-0001-0002-0304-05060708090A}\\Pins]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance\\"
              "{AAAAAAAA-0001-0002-0304-05060708090A}\\Pins\\000]\n"
              "\"Name\"=\"Input\"\n"
              "\"Rendered\"=dword:00000000\n"
              "\"Output\"=dword:00000000\n"
              "\"Zero\"=dword:00000000\n"
              "\"Many\"=dword:00000001\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance\\"
              "{AAAAAAAA-0001-0002-0304-05060708090A}\\Pins\\000\\Types]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\Instance\\"
              "{AAAAAAAA-0001-0002-0304-05060708090A}\\Pins\\000\\Types\\000]\n"
              "\"MajorType\"=\"{73647561-0000-0010-8000-00AA00389B71}\"\n"
              "\"MinorType\"=\"{00000001-0000-0010-8000-00AA00389B71}\"\n"
              "\n",
              ReadFileText(home.RegistryFile()));
}

TEST_F(FilterMapperTest, RegisteringAgainReplacesTheWholeEntry) {
    const REGFILTER2 withPin = Version1(1, 1, &kPin), withoutPins = Version1(2);
    ASSERT_EQ(S_OK, mapper->RegisterFilter(kClassA, u"Old", nullptr, nullptr, nullptr, &withPin));
    ASSERT_EQ(S_OK,
              mapper->RegisterFilter(kClassA, u"New", nullptr, nullptr, nullptr, &withoutPins));
    const WideString entry = u"CLSID\\" + GuidToWideString(CLSID_LegacyAmFilterCategory) +
                             u"\\Instance\\" + GuidToWideString(kClassA);
    EXPECT_EQ(u"New", StringValue(entry, u"FriendlyName"));
    EXPECT_FALSE(KeyExists(entry + u"\\Pins"));
}

TEST_F(FilterMapperTest, UnregisteringAFilterThatIsNotThereFails) {
    const REGFILTER2 registration = Version1(MERIT_DO_NOT_USE);
    ASSERT_EQ(S_OK, mapper->RegisterFilter(kClassA, u"A", nullptr, &CLSID_LegacyAmFilterCategory,
                                           u"Named", &registration));
    const WideString instances =
        u"CLSID\\" + GuidToWideString(CLSID_LegacyAmFilterCategory) + u"\\Instance";
    EXPECT_TRUE(KeyExists(instances + u"\\Named"));
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(notFound, mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, kClassA));
    EXPECT_EQ(S_OK, mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, u"named", kClassA));
    EXPECT_FALSE(KeyExists(instances + u"\\Named"));
    EXPECT_EQ(notFound, mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, u"Named", kClassA));
}

TEST_F(FilterMapperTest, RefusesWhatItCannotRecordBeforeWritingAnything) {
    const REGFILTER2 good = Version1(1);
    REGFILTER2 badVersion = good;
    badVersion.dwVersion = 3;
    const REGFILTER2 missingPins = Version1(1, 2, nullptr);
    IMoniker* moniker = reinterpret_cast<IMoniker*>(1);
    EXPECT_EQ(E_NOTIMPL, mapper->RegisterFilter(kClassA, u"A", &moniker, nullptr, nullptr, &good));
    EXPECT_EQ(nullptr, moniker);
    EXPECT_EQ(E_INVALIDARG,
              mapper->RegisterFilter(kClassA, u"A", nullptr, nullptr, nullptr, &badVersion));
    EXPECT_EQ(E_POINTER,
              mapper->RegisterFilter(kClassA, u"A", nullptr, nullptr, nullptr, &missingPins));
    EXPECT_EQ(E_POINTER,
              mapper->RegisterFilter(kClassA, nullptr, nullptr, nullptr, nullptr, &good));
    EXPECT_EQ(E_INVALIDARG,
              mapper->RegisterFilter(kClassA, u"A", nullptr, nullptr, u"a\\b", &good));
    EXPECT_FALSE(FileExists(home.RegistryFile()));

    home.MakeUnwritable();
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANTWRITE),
              mapper->RegisterFilter(kClassA, u"A", nullptr, nullptr, nullptr, &good));
}

TEST_F(FilterMapperTest, RecordsVersion2PinsAndCategories) {
    const REGPINMEDIUM medium{kClassB, 7, 9};
    const REGFILTERPINS2 pin{0x8 /* REG_PINFLAG_B_OUTPUT */, 1, 1, kTypes, 1, &medium,
                             &PIN_CATEGORY_CAPTURE};
    REGFILTER2 registration{};
    registration.dwVersion = 2;
    registration.dwMerit = 5;
    registration.cPins2 = 1;
    registration.rgPins2 = &pin;
    ASSERT_EQ(S_OK,
              mapper->RegisterFilter(kClassA, u"A", nullptr, nullptr, nullptr, &registration));
    const WideString pinKey = u"CLSID\\" + GuidToWideString(CLSID_LegacyAmFilterCategory) +
                              u"\\Instance\\" + GuidToWideString(kClassA) + u"\\Pins\\000";
    EXPECT_EQ(GuidToWideString(PIN_CATEGORY_CAPTURE), StringValue(pinKey, u"Category"));
    EXPECT_EQ(GuidToWideString(kClassB), StringValue(pinKey + u"\\Mediums\\000", u"Medium"));
    EXPECT_EQ(GuidToWideString(MEDIASUBTYPE_PCM),
              StringValue(pinKey + u"\\Types\\000", u"MinorType"));

    EXPECT_EQ(S_OK, mapper->CreateCategory(kClassB, 0x600000, u"Test category"));
    EXPECT_EQ(u"Test category",
              StringValue(u"CLSID\\" + GuidToWideString(CLSID_ActiveMovieCategories) +
                              u"\\Instance\\" + GuidToWideString(kClassB),
                          u"FriendlyName"));
}

TEST_F(FilterMapperTest, IsNotAggregated) {
    struct Outer final : IUnknown {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
    } outer;
    ComPtr<IUnknown> inner;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_FilterMapper2, &outer, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(inner.put())));
}
} // namespace
