#include "settings/KWFileUtils.h"

#include "runtime/Exception.h"
#include "runtime/TextConvert.h"
#include "support/TempHome.h"
#include "support/Text.h"

#include <fstream>
#include <gtest/gtest.h>

#include <cerrno>

namespace fs = std::filesystem;

namespace {
struct PathCase {
    std::u16string input;
    std::u16string with;    // WithTrailingBackslash
    std::u16string without; // WithoutTrailingBackslash
    std::u16string folder;  // FolderOfPath
};

TEST(PathText, TrailingSeparatorsAndFolderPart) {
    const PathCase cases[] = {
        {u"", u"/", u"", u""},
        {u"/", u"/", u"", u"/"},
        {u"/home/u/Music", u"/home/u/Music/", u"/home/u/Music", u"/home/u/"},
        {u"/home/u/Music/", u"/home/u/Music/", u"/home/u/Music", u"/home/u/Music/"},
        {u"Music//", u"Music//", u"Music/", u"Music//"},
        {u"take.wav", u"take.wav/", u"take.wav", u""},
        // ":" and "\" are ordinary characters on this platform.
        {u"C:", u"C:/", u"C:", u""},
        {u"a\\b", u"a\\b/", u"a\\b", u""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.input));
        EXPECT_EQ(c.with, WithTrailingBackslash(c.input));
        EXPECT_EQ(c.without, WithoutTrailingBackslash(c.input));
        EXPECT_EQ(c.folder, FolderOfPath(c.input));
    }
}

TEST(TextEncoding, Utf8AndUtf16RoundTripAndReplaceMalformedInput) {
    const std::u16string text = u"Aufnahmen f\u00fcr \u0414\u043e\u043a \U0001F3B5";
    EXPECT_EQ(text, Utf8ToUtf16(Utf16ToUtf8(text)));
    EXPECT_EQ(u"a\uFFFDb", Utf8ToUtf16("a\xC3"
                                       "b"));            // cut sequence
    EXPECT_EQ(u"\uFFFD", Utf8ToUtf16("\xE0\x80\x80"));   // overlong
    EXPECT_EQ(u"\uFFFD", Utf8ToUtf16("\xED\xA0\x80"));   // encoded surrogate
    EXPECT_EQ("a\xEF\xBF\xBD", Utf16ToUtf8(u"a\xD800")); // lone surrogate
    EXPECT_FALSE(IsWellFormedUtf16(u"\xDC00x"));
    EXPECT_TRUE(IsWellFormedUtf16(text));
}

class FileUtils : public ::testing::Test, protected TempHome {};

TEST_F(FileUtils, SpecialFoldersFollowTheXdgDirectories) {
    const std::u16string home = U16(Home().string());
    EXPECT_EQ(home + u"/.config/", AppDataFolder());
    EXPECT_EQ(home + u"/Documents/", PersonalFolder());
    EXPECT_EQ(u"", SpecialFolderPath(0x0D)); // not one the program knows

    ::setenv("XDG_CONFIG_HOME", (Root() / "cfg").c_str(), 1);
    EXPECT_EQ(U16((Root() / "cfg").string()) + u"/", AppDataFolder());
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1); // ignored, as the rules say
    EXPECT_EQ(home + u"/.config/", AppDataFolder());
}

TEST_F(FileUtils, DocumentsFolderComesFromUserDirsAndKeepsAnyCharacter) {
    fs::create_directories(Home() / ".config");
    std::ofstream(Home() / ".config/user-dirs.dirs")
        << "# written by xdg-user-dirs-update\n"
        << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
        << "XDG_DOCUMENTS_DIR=\"$HOME/\xD0\x94\xD0\xBE\xD0\xBA\xD1\x83\xD0\xBC\xD0\xB5\xD0\xBD\xD1"
           "\x82\xD1\x8B\"\n";
    EXPECT_EQ(U16(Home().string()) + u"/\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b/",
              PersonalFolder());

    std::ofstream(Home() / ".config/user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"/srv/my \\\"docs\\\"\"\n";
    EXPECT_EQ(u"/srv/my \"docs\"/", PersonalFolder());

    // A malformed entry falls back to the default.
    std::ofstream(Home() / ".config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=relative/docs\n";
    EXPECT_EQ(U16(Home().string()) + u"/Documents/", PersonalFolder());
}

TEST_F(FileUtils, ExistingFileAndFolderTellTheKindsApart) {
    fs::create_directories(Root() / "dir");
    std::ofstream(Root() / "file.txt") << "x";
    const std::u16string root = U16(Root().string());
    EXPECT_TRUE(IsExistingFile(root + u"/file.txt"));
    EXPECT_FALSE(IsExistingFolder(root + u"/file.txt"));
    EXPECT_TRUE(IsExistingFolder(root + u"/dir"));
    EXPECT_TRUE(IsExistingFolder(root + u"/dir/"));
    EXPECT_FALSE(IsExistingFile(root + u"/dir"));
    EXPECT_FALSE(IsExistingFile(root + u"/missing"));
    EXPECT_FALSE(IsExistingFolder(root + u"/missing"));
    EXPECT_FALSE(IsExistingFile(u""));
    EXPECT_FALSE(IsExistingFile(root + std::u16string(u"/file.txt\0x", 11)));
}

TEST_F(FileUtils, CreateFolderPathCreatesMissingLevelsOutermostFirst) {
    const std::u16string root = U16(Root().string());
    ASSERT_TRUE(CreateFolderPath(root + u"/a/b/c/"));
    EXPECT_TRUE(fs::is_directory(Root() / "a/b/c"));

    // The innermost level cannot be made (its name is too long): the outer ones exist by then.
    EXPECT_FALSE(CreateFolderPath(root + u"/x/y/" + std::u16string(300, u'z')));
    EXPECT_TRUE(fs::is_directory(Root() / "x/y"));

    const std::u16string unicode = root + u"/\u00dcbung: 1//Probe";
    EXPECT_TRUE(CreateFolderPath(unicode));
    EXPECT_TRUE(fs::is_directory(Root() / "\xC3\x9C"
                                          "bung: 1/Probe"));

    EXPECT_TRUE(CreateFolderPath(u"/"));
    EXPECT_TRUE(CreateFolderPath(root)); // exists already

    std::ofstream(Root() / "plain") << "x";
    EXPECT_FALSE(CreateFolderPath(root + u"/plain/sub"));
    EXPECT_FALSE(CreateFolderPath(root + u"/plain"));
    try {
        (void)CreateFolderPath(u"");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ("Unable to create directory", e.Message());
    }
}

// Why it failed, for the message that names the cause.
TEST_F(FileUtils, CreateFolderPathSaysWhyItFailed) {
    const std::u16string root = U16(Root().string());
    std::ofstream(Root() / "plain") << "x";
    struct Case {
        std::u16string folder;
        bool created;
        int error;
    };
    const Case cases[] = {
        {root + u"/new/one", true, 0},
        {root + u"/new/one", true, 0}, // there already
        {root + u"/plain", false, EEXIST},
        {root + u"/plain/sub/deeper", false, EEXIST}, // the file is where a folder must go
        {root + u"/x/" + std::u16string(300, u'z'), false, ENAMETOOLONG},
        {root + std::u16string(u"/nul\0x", 6), false, EINVAL},
    };
    for (const Case& c : cases) {
        int error = -1;
        EXPECT_EQ(c.created, CreateFolderPath(c.folder, error));
        EXPECT_EQ(c.error, error);
    }
}

TEST_F(FileUtils, CreateFolderPathStopsAtTheFirstComponentOfARelativePath) {
    const fs::path previous = fs::current_path();
    fs::current_path(Root());
    const bool created = CreateFolderPath(u"rel/x/y");
    fs::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(fs::is_directory(Root() / "rel/x/y"));
}

} // namespace
