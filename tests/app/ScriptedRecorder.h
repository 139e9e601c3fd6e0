#pragma once
// The program with one scripted capture device, recording into a fresh folder, for the tests
// that record known bytes through the real graph. A derived fixture scripts the backend (its
// streams, or an error at opening) before SetUp.
#include "AppTestSupport.h"
#include "MediaTestSupport.h"

#include "app/HMAudioRecorder.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <gtest/gtest.h>

#include <memory>

// The scripted streams' period: 100 ms at 48 kHz, 16-bit stereo, behind the header of a
// WAVEFORMATEX.
inline constexpr unsigned long Period = 4800;
inline constexpr std::size_t PeriodBytes = Period * 4;
inline constexpr std::size_t HeaderBytes = 46;

class ScriptedRecorder : public testing::Test {
protected:
    void SetUp() override {
        backend->devices = {{"scripted", "Scripted device"}};
        previousBackend = AlsaBackend::Replace(backend);
        ASSERT_TRUE(program.Start());
        folder = NewTestFolder(QStringLiteral("recordings"));
        IniData->SetFolderForRecordings(folder.toStdU16String());
    }
    void TearDown() override {
        program.Finish();
        AlsaBackend::Replace(previousBackend);
    }

    // The first bytes of the device's pattern.
    static Bytes Pattern(std::size_t bytes) {
        Bytes pattern(bytes);
        for (std::size_t i = 0; i < bytes; ++i)
            pattern[i] = ScriptedStream::PatternByte(i);
        return pattern;
    }

    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<AlsaBackend> previousBackend;
    TShownMessages shown;
    THMAudioRecorder program;
    QString folder;
};
