// hymnaro-regsvr on the WAV destination filter's module, and creating registered classes by
// their class identifier. The test program does not link the module: it reaches it only
// through the registry.
#include "TempDataHome.h"

#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// The published class of the WAV destination filter.
constexpr CLSID kWavDest{
    0x2CDE6ABB, 0xC2FE, 0x484E, {0xAE, 0x4A, 0x25, 0x34, 0xBE, 0x13, 0x88, 0xB9}};

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) ? resolved : path;
}

struct Outcome {
    int status;
    std::string out, err;
};

class RegSvr : public ::testing::Test {
protected:
    TempDataHome home;
    const std::string module = RealPath(HYMNARO_WAVEDEST_MODULE);

    Outcome Run(const std::string& arguments) const {
        const std::string out = home.Root() + "/out", err = home.Root() + "/err";
        const std::string command = "'" + std::string(HYMNARO_REGSVR) + "' " + arguments + " >'" +
                                    out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(out), ReadFileText(err)};
    }

    static std::string Expected(const std::string& modulePath) {
        return "Windows Registry Editor Version 5.00\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID]\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}]\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance]\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\"
               "{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}]\n"
               "\"FriendlyName\"=\"Hymnaro WaveDest\"\n"
               "\"CLSID\"=\"{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}\"\n"
               "\"Merit\"=dword:00200000\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}]\n"
               "@=\"Hymnaro WaveDest\"\n"
               "\n"
               "[HKEY_CLASSES_ROOT\\CLSID\\{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}\\InprocServer32]"
               "\n"
               "@=\"" +
               modulePath +
               "\"\n"
               "\"ThreadingModel\"=\"Both\"\n"
               "\n";
    }

    static bool KeyExists(const WideString& path) {
        HKEY key = nullptr;
        if (RegOpenKeyW(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
        (void)RegCloseKey(key);
        return true;
    }
};

const WideString kClassKey = u"CLSID\\{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}";
const WideString kFilterEntry = u"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{"
                                u"2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}";

AM_MEDIA_TYPE TypeOf(const GUID& major, const GUID& sub, const GUID& format) {
    AM_MEDIA_TYPE type{};
    type.majortype = major;
    type.subtype = sub;
    type.formattype = format;
    return type;
}

TEST_F(RegSvr, RegistersTheFilterThatThenServesItsClassAndUnregistersIt) {
    const Outcome registered = Run("'" + module + "'");
    EXPECT_EQ(0, registered.status) << registered.err;
    EXPECT_EQ("DllRegisterServer in " + module + " succeeded.\n", registered.out);
    EXPECT_EQ(Expected(module), ReadFileText(home.RegistryFile()));

    // The registered class is made by loading its module.
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(kWavDest, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(filter.put())));
    CLSID classId{};
    EXPECT_EQ(S_OK, filter->GetClassID(&classId));
    EXPECT_EQ(kWavDest, classId);
    ComPtr<IPin> input, output;
    ASSERT_EQ(S_OK, filter->FindPin(u"In", input.put()));
    ASSERT_EQ(S_OK, filter->FindPin(u"Out", output.put()));
    PIN_DIRECTION direction{};
    EXPECT_EQ(S_OK, output->QueryDirection(&direction));
    EXPECT_EQ(PINDIR_OUTPUT, direction);
    AM_MEDIA_TYPE wave = TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
    AM_MEDIA_TYPE other = TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_None);
    AM_MEDIA_TYPE stream = TypeOf(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE, GUID_NULL);
    EXPECT_EQ(S_OK, input->QueryAccept(&wave));
    EXPECT_EQ(S_FALSE, input->QueryAccept(&other));
    EXPECT_EQ(S_OK, output->QueryAccept(&stream));
    input = nullptr;
    output = nullptr;
    filter = nullptr;

    const Outcome unregistered = Run("-u '" + module + "'");
    EXPECT_EQ(0, unregistered.status) << unregistered.err;
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists(kFilterEntry));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kWavDest, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_PPV_ARGS(filter.put())));

    // Nothing left to remove: the mapper has no entry, so the call fails; the keys stay gone.
    const Outcome again = Run("'" + module + "' -u");
    EXPECT_EQ(5, again.status);
    EXPECT_NE(std::string::npos, again.err.find("DllUnregisterServer")) << again.err;
    EXPECT_NE(std::string::npos, again.err.find("0x80004005")) << again.err;
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists(kFilterEntry));
}

// hymnaro-regsvr killed at random moments, registering and unregistering in turn: the registry
// is always as it was before one call or after it, never half of one, and no temporary file
// outlives the next call.
TEST_F(RegSvr, AKilledRegistrationLeavesTheRegistryWholeAndNothingBehind) {
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(0, Run("'" + module + "'").status);
    const auto took = std::chrono::steady_clock::now() - started;
    const std::string registered = ReadFileText(home.RegistryFile());
    ASSERT_EQ(0, Run("-u '" + module + "'").status);
    const std::string unregistered = ReadFileText(home.RegistryFile());
    ASSERT_NE(registered, unregistered);

    std::srand(unsigned(std::time(nullptr)));
    const long most = long(std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    for (int kill = 0; kill < 60; ++kill) {
        SCOPED_TRACE(kill);
        std::string tool = HYMNARO_REGSVR, flag = "-u", path = module;
        std::vector<char*> argv{tool.data()};
        if (kill % 2 == 1) argv.push_back(flag.data());
        argv.push_back(path.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(0, ::posix_spawn(&child, tool.c_str(), nullptr, nullptr, argv.data(), environ));
        // Mostly late in its run, where it writes the registry.
        std::this_thread::sleep_for(std::chrono::microseconds(most / 2 + std::rand() % most));
        (void)::kill(child, SIGKILL);
        ASSERT_EQ(child, ::waitpid(child, nullptr, 0));
        const std::string now = ReadFileText(home.RegistryFile());
        ASSERT_TRUE(now == registered || now == unregistered) << now;
    }
    ASSERT_EQ(0, Run("'" + module + "'").status);
    std::vector<std::string> left;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(home.RegistryFile()).parent_path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((std::vector<std::string>{"registry.reg", "registry.reg.lock"}), left);
}

TEST_F(RegSvr, ReportsWhyRegistrationFailed) {
    // A module path the registry cannot hold as text: the server keys cannot be written.
    const std::string odd = home.Root() + "/odd-\xFF-name";
    std::filesystem::create_directories(odd);
    std::filesystem::copy_file(module, odd + "/libhymnaro_wavedest.so");
    const Outcome keys = Run("'" + odd + "/libhymnaro_wavedest.so'");
    EXPECT_EQ(5, keys.status);
    EXPECT_NE(std::string::npos, keys.err.find("0x80040201 (SELFREG_E_CLASS")) << keys.err;
    EXPECT_FALSE(KeyExists(kClassKey));

    // A registry that cannot be written at all: the filter mapper fails first.
    home.MakeUnwritable();
    const Outcome mapper = Run("'" + module + "'");
    EXPECT_EQ(5, mapper.status);
    EXPECT_NE(std::string::npos, mapper.err.find("0x80004005 (E_FAIL")) << mapper.err;
}

TEST_F(RegSvr, WritesALongModulePathWhole) {
    std::string folder = home.Root();
    while (folder.size() < 300)
        folder += "/a-rather-long-folder-name-for-the-module";
    std::filesystem::create_directories(folder);
    const std::string copy = folder + "/libhymnaro_wavedest.so";
    std::filesystem::copy_file(module, copy);
    const Outcome outcome = Run("'" + copy + "'");
    ASSERT_EQ(0, outcome.status) << outcome.err;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyW(HKEY_CLASSES_ROOT, (kClassKey + u"\\InprocServer32").c_str(), &key));
    WideString path;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryStringValue(key, nullptr, path));
    (void)RegCloseKey(key);
    EXPECT_GT(path.size(), 300u);
    EXPECT_EQ(WideString(copy.begin(), copy.end()), path);
}

TEST_F(RegSvr, RefusesWrongArgumentsAndModulesWithoutTheFunction) {
    const struct {
        std::string arguments;
        int status;
        const char* says;
    } cases[] = {
        {"", 1, "Usage: hymnaro-regsvr [-u] MODULE"},
        {"-x '" + module + "'", 1, "Usage"},
        {"'" + module + "' '" + module + "'", 1, "Usage"},
        {"'" + home.Root() + "/missing.so'", 3, "could not be loaded"},
        {"'" + RealPath(HYMNARO_RUNTIME_MODULE) + "'", 4, "does not export DllRegisterServer"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(c.status, outcome.status) << c.arguments;
        EXPECT_NE(std::string::npos, outcome.err.find(c.says))
            << c.arguments << ": " << outcome.err;
    }
    EXPECT_FALSE(FileExists(home.RegistryFile()));
}

TEST_F(RegSvr, ClassesOfRegisteredModulesThatCannotServeThemAreReported) {
    constexpr CLSID kMissingModule{1, 0, 0, {1}}, kNoEntry{2, 0, 0, {2}},
        kUnknownToModule{3, 0, 0, {3}}, kNoPath{4, 0, 0, {4}}, kNotRegistered{5, 0, 0, {5}};
    const auto registerAt = [](REFCLSID clsid, const std::string* path) {
        HKEY key = nullptr;
        const WideString name = u"CLSID\\" + GuidToWideString(clsid) + u"\\InprocServer32";
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, name.c_str(), &key));
        if (path) {
            ASSERT_EQ(ERROR_SUCCESS,
                      RegSetStringValue(key, nullptr, WideString(path->begin(), path->end())));
        }
        (void)RegCloseKey(key);
    };
    const std::string missing = home.Root() + "/missing.so",
                      runtime = RealPath(HYMNARO_RUNTIME_MODULE);
    registerAt(kMissingModule, &missing);
    registerAt(kNoEntry, &runtime);
    registerAt(kUnknownToModule, &module);
    registerAt(kNoPath, nullptr);
    const struct {
        const char* what;
        const CLSID* clsid;
        DWORD context;
        HRESULT answer;
    } cases[] = {
        {"a module that is not there", &kMissingModule, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
        {"a module without class objects", &kNoEntry, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
        {"a module without this class", &kUnknownToModule, CLSCTX_INPROC_SERVER,
         CLASS_E_CLASSNOTAVAILABLE},
        {"a server key without a module", &kNoPath, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {"a class nowhere", &kNotRegistered, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {"in-process servers not asked for", &kUnknownToModule, CLSCTX_LOCAL_SERVER,
         REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(c.answer, CoCreateInstance(*c.clsid, nullptr, c.context, IID_IUnknown, &object))
            << c.what;
        EXPECT_EQ(nullptr, object) << c.what;
    }
}
} // namespace
