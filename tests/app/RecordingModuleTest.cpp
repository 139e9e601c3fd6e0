// The recording data module's own rules: the name of a new recording, which file is left
// behind when a recording never got under way, and the room a recording has. Recording through
// it is tested in RecordingWindowTest.cpp and RecordingFailureTest.cpp.
#include "AppTestSupport.h"

#include "app/EUserError.h"
#include "app/dm_Recording.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace {
struct NameCase {
    const char* folder;
    QDateTime moment;
    const char* expected;
};

TEST(RecordingFileName, IsTheFolderAndThePaddedDateAndTime) {
    const NameCase cases[] = {
        {"/home/user/Documents/Hymnaro/Audio Recorder", QDateTime({2024, 3, 3}, {14, 5, 9}),
         "/home/user/Documents/Hymnaro/Audio Recorder/2024-03-03 14-05-09.wav"},
        // A folder that ends in the separator gets no second one.
        {"/rec/", QDateTime({2024, 2, 1}, {9, 7, 5}), "/rec/2024-02-01 09-07-05.wav"},
        // Milliseconds are not used; the hour is on the 24-hour clock.
        {"/rec", QDateTime({2024, 12, 31}, {23, 59, 59, 900}), "/rec/2024-12-31 23-59-59.wav"},
        {"/rec", QDateTime({2025, 1, 1}, {0, 0, 0}), "/rec/2025-01-01 00-00-00.wav"},
        // Characters of any language stay as they are.
        {"/home/jürgen/Документы", QDateTime({2024, 10, 10}, {10, 10, 10}),
         "/home/jürgen/Документы/2024-10-10 10-10-10.wav"},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.expected),
                  QString::fromStdU16String(TdmRecording::RecordingFileNameAt(
                      QString::fromUtf8(c.folder).toStdU16String(), c.moment)))
            << c.folder;
}

TEST(RecordingFileName, ComesFromOneReadingOfTheClockJustBeforeMidnight) {
    const auto previous = TdmRecording::SetControllerFactory(
        [](QObject*) -> TDXShowCaptureAudio* { return nullptr; });
    TdmRecording module;
    TdmRecording::SetControllerFactory(previous);
    const QString folder = NewTestFolder(QStringLiteral("midnight"));
    // A clock read in parts could mix the old date with the new day's time.
    QList<QDateTime> readings{QDateTime({2024, 12, 31}, {23, 59, 59, 900}),
                              QDateTime({2025, 1, 1}, {0, 0, 0, 100})};
    module.SetClock([&] { return readings.takeFirst(); });
    EXPECT_EQ(folder + QStringLiteral("/2024-12-31 23-59-59.wav"),
              QString::fromStdU16String(module.MakeRecordingFileName(folder.toStdU16String())));
    EXPECT_EQ(1, readings.size());
}

TEST(RecordingFileName, IsReservedAndNeverOneThatIsTaken) {
    const QString folder = NewTestFolder(QStringLiteral("collide"));
    const QDateTime moment({2024, 3, 3}, {14, 5, 9});
    auto reserve = [&](const QDateTime& at) {
        return QString::fromStdU16String(
            TdmRecording::ReserveRecordingFile(folder.toStdU16String(), at));
    };
    const QString stem = folder + QStringLiteral("/2024-03-03 14-05-09");
    EXPECT_EQ(stem + ".wav", reserve(moment));
    // Reserved: the file is there, empty, for the file writer to take.
    EXPECT_TRUE(QFile::exists(stem + ".wav"));
    EXPECT_EQ(0, QFile(stem + ".wav").size());
    EXPECT_EQ(stem + " (2).wav", reserve(moment));
    // A folder, and links (one leading nowhere), take their names as well.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("2024-03-03 14-05-09 (3).wav")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nowhere"), stem + " (4).wav"));
    ASSERT_TRUE(QFile::link(stem + ".wav", stem + " (5).wav"));
    EXPECT_EQ(stem + " (6).wav", reserve(moment));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/nowhere")));
    // Counted per format: the WAV files do not take a FLAC recording's name.
    EXPECT_EQ(stem + ".flac",
              QString::fromStdU16String(TdmRecording::ReserveRecordingFile(
                  folder.toStdU16String(), moment, TRecordingFileFormat::Flac)));
    // A later second is free again.
    EXPECT_EQ(folder + QStringLiteral("/2024-03-03 14-05-10.wav"), reserve(moment.addSecs(1)));
    EXPECT_EQ(folder + QStringLiteral("/2024-03-03 14-05-09 (7).wav"),
              QString::fromStdU16String(
                  TdmRecording::RecordingFileNameAt(folder.toStdU16String(), moment, 7)));
}

TEST(RecordingFileName, IsNotReservedWhereNoFileCanBeMade) {
    const QString folder = NewTestFolder(QStringLiteral("missing")) + QStringLiteral("/not/there");
    try {
        (void)TdmRecording::ReserveRecordingFile(folder.toStdU16String(),
                                                 QDateTime({2024, 3, 3}, {14, 5, 9}));
        FAIL() << "a name was reserved in a folder that does not exist";
    } catch (const EUserError& error) {
        EXPECT_EQ(TMessageCause::FileNotCreatable, error.Error().Cause);
        EXPECT_EQ(QStringList{folder}, error.Error().Values);
        EXPECT_EQ(QStringLiteral("The path was not found. ($80070003)."), error.Error().Details);
    }
}

std::vector<char> Le32(std::uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::vector<char> WavHeader(std::uint32_t riffSize, std::uint32_t dataBytes) {
    // 8 kHz 16-bit mono PCM.
    const std::vector<char> format = {1,    0, 1, 0, 0x40, 0x1F, 0, 0, char(0x80),
                                      0x3E, 0, 0, 2, 0,    16,   0, 0, 0};
    std::vector<char> header{'R', 'I', 'F', 'F'};
    for (const std::vector<char>& part :
         {Le32(riffSize), std::vector<char>{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}, Le32(18),
          format, std::vector<char>{'d', 'a', 't', 'a'}, Le32(dataBytes)})
        header.insert(header.end(), part.begin(), part.end());
    return header;
}

struct LeftBehindCase {
    const char* name;
    std::vector<char> bytes;
    bool removed;
};

// A recording that never got under way leaves its file behind only when it holds audio.
TEST(RecordingLeftBehind, IsRemovedOnlyWhenItHoldsNoAudio) {
    std::vector<char> withAudio = WavHeader(38 + 4, 4);
    withAudio.insert(withAudio.end(), {1, 2, 3, 4});
    const LeftBehindCase cases[] = {
        {"empty", {}, true},
        {"header of an empty recording", WavHeader(38, 0), true},
        {"audio behind the header", withAudio, false},
        // The provisional header of a start whose stop failed: it claims audio ahead.
        {"header claiming audio", WavHeader(38 + 16000, 16000), false},
        {"not a WAV file", std::vector<char>(46, 'x'), false},
        {"larger than any header", std::vector<char>(2000, 0), false},
    };
    const QString folder = NewTestFolder(QStringLiteral("left-behind"));
    for (const LeftBehindCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder + QStringLiteral("/recording.wav");
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(qint64(c.bytes.size()), file.write(c.bytes.data(), qint64(c.bytes.size())));
        }
        EXPECT_EQ(c.removed, TdmRecording::RemoveIfNoAudio(path.toStdU16String()));
        EXPECT_EQ(!c.removed, QFile::exists(path));
        QFile::remove(path);
    }
    EXPECT_FALSE(
        TdmRecording::RemoveIfNoAudio((folder + QStringLiteral("/none.wav")).toStdU16String()));
    // A folder of that name is not a file to remove.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("folder.wav")));
    EXPECT_FALSE(
        TdmRecording::RemoveIfNoAudio((folder + QStringLiteral("/folder.wav")).toStdU16String()));
}

// The seconds of sound that still fit.
struct RoomCase {
    const char* name;
    std::optional<std::uint64_t> free;
    std::uint64_t roomInFile;
    std::uint32_t bytesPerSecond;
    std::optional<std::int64_t> seconds;
};

TEST(RecordingRoom, IsTheSmallerOfTheFreeSpaceAndWhatTheFileStillTakes) {
    constexpr std::uint64_t WavRoom = 0xFFFFFFFFull - 46; // a new WAV file
    constexpr std::uint64_t NoLimit = ~std::uint64_t(0);
    const RoomCase cases[] = {
        {"the disk is the limit", 1'000'000'000, WavRoom, 192000, 5208},
        {"the 4 GiB of a WAV file are the limit", 1'000'000'000'000, WavRoom, 192000, 22369},
        {"a file close to 4 GiB", 1'000'000'000'000, 1'920'000, 192000, 10},
        {"free space unknown: the file's limit", std::nullopt, WavRoom, 192000, 22369},
        {"a full disk", 0, WavRoom, 192000, 0},
        {"a format without a limit", 96'000'000, NoLimit, 96000, 1000},
        {"nothing known", std::nullopt, NoLimit, 192000, std::nullopt},
        {"no data rate", 1'000'000'000, WavRoom, 0, std::nullopt},
    };
    for (const RoomCase& c : cases)
        EXPECT_EQ(c.seconds, TdmRecording::SecondsOfRoom(c.free, c.roomInFile, c.bytesPerSecond))
            << c.name;
}

TEST(RecordingRoom, FreeSpaceIsTheFileSystemsAnswer) {
    const QString folder = NewTestFolder(QStringLiteral("room"));
    const std::optional<std::uint64_t> free = TdmRecording::FreeSpaceOf(folder.toStdU16String());
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
    EXPECT_EQ(std::nullopt, TdmRecording::FreeSpaceOf(u"/no/such/folder/anywhere"));
    EXPECT_EQ(std::nullopt, TdmRecording::FreeSpaceOf(u""));
}

#ifndef QT_NO_DEBUG
// Its thread contract, asserted in debug builds: a call from another thread stops the program
// with a message that names the class.
TEST(RecordingModule, ACallFromAnotherThreadStopsTheProgramNamingTheClass) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto previous = TdmRecording::SetControllerFactory(
        [](QObject*) -> TDXShowCaptureAudio* { return nullptr; });
    {
        TdmRecording module;
        EXPECT_DEATH(std::thread([&] { (void)module.IsRecording(); }).join(),
                     "ASSERT failure in TdmRecording: \"called from a thread other than the GUI "
                     "thread\"");
        EXPECT_DEATH(std::thread([&] { (void)module.StartRecording(u"/tmp"); }).join(),
                     "ASSERT failure in TdmRecording: ");
        EXPECT_FALSE(module.IsRecording()); // on the GUI thread it answers
    }
    TdmRecording::SetControllerFactory(previous);
}
#endif
} // namespace
