// hymnaro-regsvr on the encoders' module: both filters are registered, then made by their
// class identifiers, then unregistered. The test program does not link the module: it
// reaches it only through the registry.
#include "TempDataHome.h"

#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/Registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>

namespace {
// The classes of the filters.
constexpr CLSID kFlacDest{
    0x2AFB72BC, 0x233F, 0x4C37, {0x9D, 0xAA, 0x2A, 0x7B, 0xAC, 0x6F, 0x72, 0xC9}};
constexpr CLSID kOpusDest{
    0xEE0EAB04, 0xB1F6, 0x4986, {0x97, 0x71, 0x85, 0x27, 0x8E, 0x43, 0xA2, 0xB4}};

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) ? resolved : path;
}

int RegSvr(const std::string& arguments) {
    const int status = std::system(
        ("'" + std::string(HYMNARO_REGSVR) + "' " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The default value of a key under HKEY_CLASSES_ROOT (empty when there is none).
WideString DefaultValue(const WideString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return {};
    WideString value;
    (void)RegQueryStringValue(key, nullptr, value);
    (void)RegCloseKey(key);
    return value;
}

bool KeyExists(const WideString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
    (void)RegCloseKey(key);
    return true;
}

// The filter mapper's entries of the category the filters are registered in.
const WideString kFilterEntries = u"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\";

const std::vector<BYTE> kStereo = [] {
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
    std::vector<BYTE> bytes(sizeof f);
    std::memcpy(bytes.data(), &f, sizeof f);
    return bytes;
}();

TEST(EncodersModule, RegistersBothFiltersWhichThenServeTheirClassesAndUnregistersThem) {
    TempDataHome home;
    const std::string module = RealPath(HYMNARO_ENCODERS_MODULE);
    ASSERT_EQ(0, RegSvr("'" + module + "'"));

    const struct {
        CLSID clsid;
        const char16_t* name;
    } filters[] = {{kFlacDest, u"Hymnaro FlacDest"}, {kOpusDest, u"Hymnaro OpusDest"}};
    for (const auto& f : filters) {
        const WideString key = u"CLSID\\" + GuidToWideString(f.clsid);
        EXPECT_EQ(f.name, DefaultValue(key));
        EXPECT_EQ(WideString(module.begin(), module.end()),
                  DefaultValue(key + u"\\InprocServer32"));
        EXPECT_TRUE(KeyExists(kFilterEntries + GuidToWideString(f.clsid)));

        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(S_OK, CoCreateInstance(f.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(filter.put())));
        CLSID classId{};
        EXPECT_EQ(S_OK, filter->GetClassID(&classId));
        EXPECT_EQ(f.clsid, classId);
        ComPtr<IPin> input;
        ASSERT_EQ(S_OK, filter->FindPin(u"In", input.put()));
        AM_MEDIA_TYPE pcm{};
        pcm.majortype = MEDIATYPE_Audio;
        pcm.subtype = MEDIASUBTYPE_PCM;
        pcm.formattype = FORMAT_WaveFormatEx;
        pcm.cbFormat = ULONG(kStereo.size());
        pcm.pbFormat = const_cast<BYTE*>(kStereo.data());
        EXPECT_EQ(S_OK, input->QueryAccept(&pcm));
    }

    ASSERT_EQ(0, RegSvr("-u '" + module + "'"));
    for (const auto& f : filters) {
        EXPECT_FALSE(KeyExists(u"CLSID\\" + GuidToWideString(f.clsid)));
        EXPECT_FALSE(KeyExists(kFilterEntries + GuidToWideString(f.clsid)));
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(f.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                                        IID_PPV_ARGS(filter.put())));
    }
}
} // namespace
