// The registry functions over the file in a private data folder.
#include "TempDataHome.h"

#include "runtime/Registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
class Registry : public ::testing::Test {
protected:
    TempDataHome home;

    static WideString Query(HKEY key, LPCWSTR name) {
        WideString text;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryStringValue(key, name, text));
        return text;
    }
};

TEST_F(Registry, KeysAndValuesLandInTheFileInTheExportFormat) {
    EXPECT_EQ(home.Root() + "/data/Hymnaro/registry.reg", home.RegistryFile());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{1}\\Server", &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetStringValue(key, nullptr, u"C:\\\"x\""));
    EXPECT_EQ(ERROR_SUCCESS, RegSetStringValue(key, u"ThreadingModel", u"Both"));
    EXPECT_EQ(ERROR_SUCCESS, RegSetDwordValue(key, u"Merit", 0x200000));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ("Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{1}]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{1}\\Server]\n"
              "@=\"C:\\\\\\\"x\\\"\"\n"
              "\"ThreadingModel\"=\"Both\"\n"
              "\"Merit\"=dword:00200000\n"
              "\n",
              ReadFileText(home.RegistryFile()));
    // Written through a temporary file that is renamed; nothing else is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home.Root() + "/data/Hymnaro"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"registry.reg", "registry.reg.lock"}), names);

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"clsid\\{1}\\SERVER", &key));
    EXPECT_EQ(u"C:\\\"x\"", Query(key, u""));
    EXPECT_EQ(u"Both", Query(key, u"threadingmodel"));
    WideString text;
    EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, RegQueryStringValue(key, u"Merit", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryStringValue(key, u"Missing", text));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"Merit"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key, u"Merit"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(Registry, QueryAnswersSizeTypeAndTooSmallBuffers) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"K", &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetStringValue(key, u"v", u"abc"));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"v", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(8u, size); // three characters and the 0
    BYTE small[4] = {};
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"v", nullptr, &type, small, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, u"v", nullptr, &type, small, nullptr));
    (void)RegCloseKey(key);
}

TEST_F(Registry, DeletingKeysFollowsThePlatformRules) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A\\B\\C", &key));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"A\\B")); // has a subkey
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"A\\B\\C"));
    // A handle of a deleted key stays valid but its key is gone.
    EXPECT_EQ(ERROR_KEY_DELETED, RegSetStringValue(key, nullptr, u"x"));
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyW(key, u"D", &child));
    (void)RegCloseKey(key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"A\\B\\C"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A\\B\\C", &key));

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A\\B\\C", &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetStringValue(key, nullptr, u"x"));
    (void)RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A", &key));
    ASSERT_EQ(ERROR_SUCCESS, RegSetStringValue(key, nullptr, u"kept"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(key, nullptr)); // contents only
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A", &child));
    (void)RegCloseKey(child);
    WideString text;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryStringValue(key, nullptr, text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A\\B", &child));
    (void)RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CLASSES_ROOT, u""));
}

TEST_F(Registry, RefusesBadNamesAndHandles) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyW(HKEY_CLASSES_ROOT, u"\\A", &key));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A\\\\B", &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A\nB", &key));
    const char16_t unpaired[] = {u'A', char16_t(0xD800), 0};
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyW(HKEY_CLASSES_ROOT, unpaired, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyW(reinterpret_cast<HKEY>(0x1234), u"A", &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A", nullptr));
    EXPECT_FALSE(FileExists(home.RegistryFile()));
}

TEST_F(Registry, SeesChangesMadeByOthersAtOnce) {
    WriteFileText(home.RegistryFile(), "Windows Registry Editor Version 5.00\n\n"
                                       "[HKEY_CLASSES_ROOT\\Other]\n@=\"from elsewhere\"\n");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyW(HKEY_CLASSES_ROOT, u"Other", &key));
    EXPECT_EQ(u"from elsewhere", Query(key, nullptr));
    (void)RegCloseKey(key);
}

TEST_F(Registry, LeavesAFileItCannotReadUntouched) {
    const std::string foreign = "Windows Registry Editor Version 5.00\n\n[-HKEY_CLASSES_ROOT\\A]\n";
    WriteFileText(home.RegistryFile(), foreign);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_BADDB, RegCreateKeyW(HKEY_CLASSES_ROOT, u"New", &key));
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A", &key));
    EXPECT_EQ(foreign, ReadFileText(home.RegistryFile()));
}

struct ForeignEntry {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
    LSTATUS status;
};

TEST_F(Registry, RefusesAnythingButARegularFileOfSensibleSizeWithoutWaitingOrReplacingIt) {
    namespace fs = std::filesystem;
    const ForeignEntry cases[] = {
        {"a named pipe", [](const fs::path& p) { ASSERT_EQ(0, ::mkfifo(p.c_str(), 0644)); },
         ERROR_CANTREAD},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, ERROR_CANTREAD},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         ERROR_CANTREAD},
        {"1 GiB with nothing in it",
         [](const fs::path& p) {
             WriteFileText(p, "");
             ASSERT_EQ(0, ::truncate(p.c_str(), off_t(1) << 30));
         },
         ERROR_BADDB},
    };
    const fs::path file = home.RegistryFile();
    fs::create_directories(file.parent_path());
    for (const ForeignEntry& c : cases) {
        SCOPED_TRACE(c.what);
        c.make(file);
        const auto before = fs::symlink_status(file).type();
        const auto size = before == fs::file_type::regular ? fs::file_size(file) : 0;
        ::alarm(10); // waiting for a named pipe's writer would end the test here
        HKEY key = nullptr;
        EXPECT_EQ(c.status, RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID", &key));
        EXPECT_EQ(c.status, RegCreateKeyW(HKEY_CLASSES_ROOT, u"New", &key));
        EXPECT_EQ(nullptr, key);
        ::alarm(0);
        EXPECT_EQ(before, fs::symlink_status(file).type()) << "the entry was replaced";
        if (before == fs::file_type::regular) {
            EXPECT_EQ(size, fs::file_size(file));
        }
        fs::remove_all(file);
    }
}

TEST_F(Registry, AFolderThatCannotBeMadeFailsWritesAndReadsAsEmpty) {
    home.MakeUnwritable();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_CANTWRITE, RegCreateKeyW(HKEY_CLASSES_ROOT, u"A", &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyW(HKEY_CLASSES_ROOT, u"A", &key));
}

TEST_F(Registry, FallsBackToTheHomeFolderWithoutAnAbsoluteDataFolder) {
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(home.Root() + "/home/.local/share/Hymnaro/registry.reg", RegistryFilePath());
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(home.Root() + "/home/.local/share/Hymnaro/registry.reg", RegistryFilePath());
}

TEST_F(Registry, WritersOnSeveralThreadsLoseNoChange) {
    constexpr int kKeysEach = 25;
    auto writer = [](int thread) {
        for (int i = 0; i < kKeysEach; ++i) {
            const std::string name = "T" + std::to_string(thread) + "\\" + std::to_string(i);
            HKEY key = nullptr;
            if (RegCreateKeyW(HKEY_CLASSES_ROOT, WideString(name.begin(), name.end()).c_str(),
                              &key) == ERROR_SUCCESS)
                (void)RegCloseKey(key);
        }
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    for (int thread : {1, 2})
        for (int i = 0; i < kKeysEach; ++i) {
            const std::string name = "T" + std::to_string(thread) + "\\" + std::to_string(i);
            HKEY key = nullptr;
            EXPECT_EQ(
                ERROR_SUCCESS,
                RegOpenKeyW(HKEY_CLASSES_ROOT, WideString(name.begin(), name.end()).c_str(), &key))
                << name;
            (void)RegCloseKey(key);
        }
}

// One registration is one save: the changes of a transaction reach the file together when it
// commits, and not at all without the commit; reads on its thread see them meanwhile.
TEST_F(Registry, ATransactionSavesItsChangesInOneStepOrNotAtAll) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{old}", &key));
    (void)RegCloseKey(key);
    const std::string before = ReadFileText(home.RegistryFile());
    {
        RegistryTransaction transaction;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{new}", &key));
        EXPECT_EQ(ERROR_SUCCESS, RegSetStringValue(key, nullptr, u"New"));
        EXPECT_EQ(u"New", Query(key, nullptr));
        (void)RegCloseKey(key);
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{old}"));
        {
            RegistryTransaction inner; // part of the outer one
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{inner}", &key));
            (void)RegCloseKey(key);
            EXPECT_EQ(ERROR_SUCCESS, inner.Commit());
        }
        EXPECT_EQ(before, ReadFileText(home.RegistryFile())) << "saved before the commit";
        // Another thread reads the file as it is.
        std::thread([] {
            HKEY other = nullptr;
            EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                      RegOpenKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{new}", &other));
        }).join();
        EXPECT_EQ(ERROR_SUCCESS, transaction.Commit());
    }
    EXPECT_EQ("Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{inner}]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\CLSID\\{new}]\n"
              "@=\"New\"\n"
              "\n",
              ReadFileText(home.RegistryFile()));

    const std::string committed = ReadFileText(home.RegistryFile());
    {
        RegistryTransaction dropped;
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID"));
    }
    EXPECT_EQ(committed, ReadFileText(home.RegistryFile()));
}

// A save killed before its rename leaves "registry.reg.tmp-PID-N"; the next writer removes it
// once that process is gone, and so does the recorder's start.
TEST_F(Registry, WhatKilledSavesLeftIsRemovedWhenTheirWriterIsGone) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID", &key));
    (void)RegCloseKey(key);
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(gone, ::waitpid(gone, nullptr, 0));
    const std::string base = home.RegistryFile() + ".tmp-";
    const std::string stale = base + std::to_string(gone) + "-0";
    const std::string running = base + std::to_string(::getppid()) + "-0";
    for (const std::string& path : {stale, running})
        WriteFileText(path, "Windows Registry Editor Version 5.00\n\n[HKEY_CL");

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{1}", &key));
    (void)RegCloseKey(key);
    EXPECT_FALSE(FileExists(stale));
    EXPECT_TRUE(FileExists(running));

    WriteFileText(stale, "");
    RemoveStaleRegistryFiles();
    EXPECT_FALSE(FileExists(stale));
    EXPECT_TRUE(FileExists(running));
}
} // namespace
