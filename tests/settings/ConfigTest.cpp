#include "settings/u_Config.h"

#include "TempHome.h"
#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjStreamErrors.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {
class Config : public TempHome {
protected:
    void TearDown() override {
        if (IniData) {
            IniData->SetAutoSave(false);
            delete IniData;
            IniData = nullptr;
        }
        TempHome::TearDown();
    }

    fs::path SettingsFile() const {
        return Home() / ".config/Hymnaro/Audio Recorder/AudioRecorder.cfg";
    }
    std::string DefaultFolder() const {
        return (Home() / "Documents/Hymnaro/Audio Recorder").string();
    }

    void WriteSettings(const std::string& bytes) {
        fs::create_directories(SettingsFile().parent_path());
        std::ofstream(SettingsFile(), std::ios::binary) << bytes;
    }
    std::string ReadSettings() const {
        std::ifstream file(SettingsFile(), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static std::string File(const std::string& lines) {
        return "object IniData: TIniData\r\n" + lines + "end\r\n";
    }
};

TEST_F(Config, DefaultsComeFromTheUserFolders) {
    const std::u16string home = U16(Home().string());
    EXPECT_EQ(home + u"/.config/Hymnaro/Audio Recorder/AudioRecorder.cfg", SettingsFileName());
    TIniData data;
    EXPECT_EQ(U16(DefaultFolder()), data.FolderForRecordings());
    EXPECT_EQ(u"", data.ConfigFileName());
    EXPECT_FALSE(data.AutoSave());
    EXPECT_EQ("TIniData", data.ClassName());
}

TEST_F(Config, FirstRunUsesTheDefaultAndWritesTheFileAtExit) {
    InitializeSettings();
    ASSERT_NE(nullptr, IniData);
    EXPECT_TRUE(IniData->AutoSave());
    EXPECT_EQ(SettingsFileName(), IniData->ConfigFileName());
    EXPECT_EQ(U16(DefaultFolder()), IniData->FolderForRecordings());
    EXPECT_FALSE(fs::exists(SettingsFile()));

    FinalizeSettings();
    EXPECT_EQ(nullptr, IniData);
    EXPECT_EQ(File("  FolderForRecordings = '" + DefaultFolder() + "'\r\n"), ReadSettings());
}

struct LoadCase {
    const char* what;
    std::string file;      // as found at start
    std::u16string folder; // loaded
    std::string rewritten; // property lines written at exit
};

TEST_F(Config, TheFileIsLoadedAtStartAndRewrittenAtExit) {
    const LoadCase cases[] = {
        {"a folder", File("  FolderForRecordings = '/srv/rec'\r\n"), u"/srv/rec",
         "  FolderForRecordings = '/srv/rec'\r\n"},
        {"an empty folder is not written back", File("  FolderForRecordings = ''\r\n"), u"", ""},
        {"header and end only", File(""), u"<default>", "<default>"},
        {"an extra property is dropped",
         File("  Volume = 7\r\n  FolderForRecordings = '/srv/rec'\r\n"), u"/srv/rec",
         "  FolderForRecordings = '/srv/rec'\r\n"},
        {"characters above 127 survive as codes",
         File("  FolderForRecordings = '/srv/f'#252'r '#1044\r\n"), u"/srv/f\u00fcr \u0414",
         "  FolderForRecordings = '/srv/f'#252'r '#1044\r\n"},
        {"the binary encoding is rewritten as text",
         std::string("TPF0\x08TIniData\x07IniData\x13"
                     "FolderForRecordings\x06\x04/abc\x00\x00",
                     49),
         u"/abc", "  FolderForRecordings = '/abc'\r\n"},
    };
    const std::string defaultLine = "  FolderForRecordings = '" + DefaultFolder() + "'\r\n";
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.file);
        InitializeSettings();
        EXPECT_EQ(c.folder == u"<default>" ? U16(DefaultFolder()) : c.folder,
                  IniData->FolderForRecordings());
        FinalizeSettings();
        EXPECT_EQ(File(c.rewritten == "<default>" ? defaultLine : c.rewritten), ReadSettings());
    }
}

struct BrokenCase {
    const char* what;
    std::string file;
    const char* message;
};

TEST_F(Config, ALoadErrorStopsStartUpAndLeavesTheFileAlone) {
    const BrokenCase cases[] = {
        {"three bytes", "obj", "Stream read error"},
        {"no end", "object IniData: TIniData\r\n  FolderForRecordings = 'x'\r\n",
         "Identifier expected on line 3"},
        {"byte-order mark", "\xEF\xBB\xBFobject IniData: TIniData\r\nend\r\n",
         "OBJECT expected on line 1"},
        {"binary without the end of the list", std::string("TPF0\x01T\x00\x05", 8),
         "Stream read error"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.file);
        try {
            InitializeSettings();
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_EQ(c.message, error.Message());
        }
        ASSERT_NE(nullptr, IniData);
        EXPECT_FALSE(IniData->AutoSave());
        EXPECT_NO_THROW(FinalizeSettings());
        EXPECT_EQ(nullptr, IniData);
        EXPECT_EQ(c.file, ReadSettings());
    }
}

TEST_F(Config, AFailedSaveAtExitIsRaisedAndTheObjectIsGoneAllTheSame) {
    InitializeSettings();
    // A plain file where the settings folder should be.
    fs::create_directories(Home() / ".config");
    std::ofstream(Home() / ".config/Hymnaro") << "in the way";
    try {
        FinalizeSettings();
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& error) {
        EXPECT_EQ("Cannot create file \"" + SettingsFile().string() + "\". Not a directory",
                  error.Message());
    }
    EXPECT_EQ(nullptr, IniData);
}

TEST_F(Config, SaveNeedsANameWithAFolder) {
    TIniData data;
    EXPECT_NO_THROW(data.Save(u"")); // no name at all: nothing happens
    EXPECT_FALSE(fs::exists(SettingsFile()));
    try {
        data.Save(u"AudioRecorder.cfg");
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ("Unable to create directory", error.Message());
    }
}

TEST_F(Config, TheDestructorSavesWhenAutoSaveIsSet) {
    {
        TIniData data;
        data.SetFolderForRecordings(u"/x");
        data.Load(SettingsFileName());
        data.SetAutoSave(true);
    }
    EXPECT_EQ(File("  FolderForRecordings = '/x'\r\n"), ReadSettings());
}
} // namespace
