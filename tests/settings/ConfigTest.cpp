#include "settings/u_Config.h"

#include "TempHome.h"
#include "settings/KWFileUtils.h"

#include <gtest/gtest.h>

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
};

TEST_F(Config, DefaultsComeFromTheUserFolders) {
    const std::u16string home = U16(Home().string());
    EXPECT_EQ(home + u"/.config/Hymnaro/Audio Recorder/AudioRecorder.cfg", SettingsFileName());
    TIniData data;
    EXPECT_EQ(home + u"/Documents/Hymnaro/Audio Recorder", data.FolderForRecordings());
    EXPECT_EQ(u"", data.ConfigFileName());
    EXPECT_FALSE(data.AutoSave());
    EXPECT_EQ("TIniData", data.ClassName());
}

TEST_F(Config, FirstStartWithoutAFileKeepsTheDefaults) {
    InitializeSettings();
    ASSERT_NE(nullptr, IniData);
    EXPECT_TRUE(IniData->AutoSave());
    EXPECT_EQ(SettingsFileName(), IniData->ConfigFileName());
    EXPECT_EQ(U16(Home().string()) + u"/Documents/Hymnaro/Audio Recorder",
              IniData->FolderForRecordings());
}
} // namespace
