// The level meter of the main window on sound of known level through real ALSA: a prepared raw
// file read by ALSA's file plugin at the pace of the test sound server (scripts/with-pulse or
// scripts/with-pipewire), recorded by the program as it runs.
#include "AppTestSupport.h"

#include "app/HMAudioRecorder.h"
#include "app/Main.h"
#include "app/TLevelMeter.h"
#include "app/TRecordingPanel.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"
#include "support/AudioFixtures.h"
#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QRegularExpression>

#include <gmock/gmock.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace {
// The levels a meter's description gives, in dB (German numbers; none for "unter -60 dB").
std::vector<double> Levels(const QString& description) {
    static const QRegularExpression number(QStringLiteral("(-?\\d+,\\d) dB"));
    std::vector<double> levels;
    for (auto it = number.globalMatch(description); it.hasNext();)
        levels.push_back(it.next().captured(1).replace(u',', u'.').toDouble());
    return levels;
}

bool Near(const std::vector<double>& levels, const std::vector<double>& expected) {
    if (levels.size() != expected.size()) return false;
    for (std::size_t i = 0; i < levels.size(); ++i)
        if (std::abs(levels[i] - expected[i]) > 0.5) return false;
    return true;
}

const TempFolder& Work() {
    static const TempFolder work("hymnaro-meter");
    return work;
}

struct SoundCase {
    const char* name;
    std::vector<ToneChannel> tones;
    std::vector<double> levels;
    const char* description;
};

class RecordingMeter : public testing::Test {
protected:
    void SetUp() override {
        if (!RequirePulse()) return;
        // Before anything in the process uses ALSA.
        static const bool installed = [] {
            std::ofstream(Work().File("asound.conf"))
                << SoundServerPacedFile(Work().File("input.raw"), "Paced meter capture");
            setenv("ALSA_CONFIG_PATH", Work().File("asound.conf").c_str(), 1);
            return true;
        }();
        (void)installed;
        ASSERT_TRUE(program.Start());
        IniData->SetFolderForRecordings(NewTestFolder(QStringLiteral("meter")).toStdU16String());
        Form1->show();
    }
    void TearDown() override { program.Finish(); }

    TShownMessages shown;
    THMAudioRecorder program;
};

TEST_F(RecordingMeter, ReadsKnownLevelsAndLightsTheClipMark) {
    const SoundCase cases[] = {
        {"sines", {Sine(-6), Sine(-20)}, {-6, -20}, "Links -6,0 dB, rechts -20,0 dB"},
        {"square",
         {FullScaleSquare(), Silence()},
         {0},
         "Links 0,0 dB, übersteuert, rechts unter -60 dB"},
    };
    TLevelMeter& meter = *Form1->RecordingPanel1->LevelMeter;
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> sound = Tone(48000, 20, c.tones);
        std::ofstream(Work().File("input.raw"), std::ios::binary)
            .write(reinterpret_cast<const char*>(sound.data()), std::streamsize(sound.size()));
        Form1->btnRecord->trigger();
        ASSERT_FALSE(Form1->lblFileName->text().isEmpty())
            << shown.Messages().join(u'|').toStdString();
        // The device is ALSA's default, which the program lists as the system default.
        EXPECT_EQ("Eingang: Systemstandard · 48 kHz · Stereo · 16 Bit",
                  Form1->RecordingPanel1->lblInput->text());
        EXPECT_TRUE(
            WaitFor([&] { return Near(Levels(meter.accessibleDescription()), c.levels); }, 15000))
            << meter.accessibleDescription().toStdString();
        EXPECT_EQ(QString::fromUtf8(c.description), meter.accessibleDescription());
        Form1->btnStop->trigger();
    }
    EXPECT_TRUE(shown.Messages().isEmpty()) << shown.Messages().join(u'|').toStdString();
}
} // namespace
