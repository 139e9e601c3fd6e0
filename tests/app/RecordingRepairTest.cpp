// The repair at start: which files in the folder for recordings it makes exact, which it
// removes, and which it leaves alone, byte for byte.
#include "AppTestSupport.h"

#include "app/TFlacRecordingRepair.h"
#include "app/TOpusRecordingRepair.h"
#include "app/TRecordingRepair.h"
#include "app/dm_Recording.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;

void Append(Bytes& to, const Bytes& part) {
    to.insert(to.end(), part.begin(), part.end());
}
Bytes Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
Bytes Text(const char* code) {
    return Bytes(code, code + 4);
}

// A recording as the WAV destination filter lays it out, 8 kHz 16-bit stereo (4 bytes a
// frame): header 46 bytes, then audioBytes of audio. The header claims riffSize and dataBytes.
Bytes Recording(std::uint32_t riffSize, std::uint32_t dataBytes, std::size_t audioBytes) {
    Bytes file = Text("RIFF");
    Append(file, Le32(riffSize));
    Append(file, Text("WAVE"));
    Append(file, Text("fmt "));
    Append(file, Le32(18));
    Append(file, {
                     0x01, 0x00,             // PCM
                     0x02, 0x00,             // 2 channels
                     0x40, 0x1F, 0x00, 0x00, // 8000 frames a second
                     0x00, 0x7D, 0x00, 0x00, // 32000 bytes a second
                     0x04, 0x00,             // 4 bytes a frame
                     0x10, 0x00,             // 16 bits
                     0x00, 0x00,             // no extra bytes
                 });
    Append(file, Text("data"));
    Append(file, Le32(dataBytes));
    for (std::size_t i = 0; i < audioBytes; ++i)
        file.push_back(std::uint8_t(i * 7 + 1));
    return file;
}

// A recording of six channels as the filter lays it out in the extensible format, 48 kHz
// 16-bit (12 bytes a frame): header 68 bytes, then audioBytes of audio.
Bytes SixChannelRecording(std::uint32_t riffSize, std::uint32_t dataBytes, std::size_t audioBytes) {
    Bytes file = Text("RIFF");
    Append(file, Le32(riffSize));
    Append(file, Text("WAVE"));
    Append(file, Text("fmt "));
    Append(file, Le32(40));
    Append(file, {
                     0xFE, 0xFF,             // extensible
                     0x06, 0x00,             // 6 channels
                     0x80, 0xBB, 0x00, 0x00, // 48000 frames a second
                     0x00, 0x65, 0x04, 0x00, // 288000 bytes a second
                     0x0C, 0x00,             // 12 bytes a frame
                     0x10, 0x00,             // 16 bits
                     0x16, 0x00,             // 22 extra bytes
                     0x10, 0x00,             // 16 valid bits
                     0x3F, 0x00, 0x00, 0x00, // 5.1: FL FR FC LFE BL BR
                 });
    Append(file, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, // PCM subtype
                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    Append(file, Text("data"));
    Append(file, Le32(dataBytes));
    for (std::size_t i = 0; i < audioBytes; ++i)
        file.push_back(std::uint8_t(i * 7 + 1));
    return file;
}

// The file with a chunk appended behind the data, as an editor saves one.
Bytes WithChunkBehind(Bytes file) {
    Append(file, Text("LIST"));
    Append(file, Le32(4));
    Append(file, Text("INFO"));
    const std::uint32_t riff = std::uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = std::uint8_t(riff >> (8 * i));
    return file;
}

enum class Expect { Repaired, Removed, Untouched };

struct RepairCase {
    const char* name;
    const char* file;
    Bytes before;
    Expect expect;
    Bytes after; // when repaired
};

std::vector<RepairCase> Cases() {
    const std::uint32_t second = 32000;
    return {
        // Cut off by a kill: the provisional header claims a second beyond the 40 bytes there.
        {"claims a second ahead", "2024-03-03 14-05-09.wav",
         Recording(38 + 40 + second, 40 + second, 40), Expect::Repaired,
         Recording(38 + 40, 40, 40)},
        // A torn last frame: 2 bytes of an eleventh frame are cut off.
        {"torn last frame", "2024-03-03 14-05-10.wav", Recording(38 + second, second, 42),
         Expect::Repaired, Recording(38 + 40, 40, 40)},
        // A power cut kept audio whose header update was lost: it claims less than is there.
        {"claims less than is there", "2024-03-03 14-05-11 (2).wav", Recording(38 + 8, 8, 40),
         Expect::Repaired, Recording(38 + 40, 40, 40)},
        // Six channels in the extensible format, cut off within the fifth frame.
        {"extensible, torn last frame", "2024-03-03 14-05-11 (3).wav",
         SixChannelRecording(60 + 288000, 288000, 4 * 12 + 7), Expect::Repaired,
         SixChannelRecording(60 + 48, 48, 48)},
        {"exact", "2024-03-03 14-05-12.wav", Recording(38 + 40, 40, 40), Expect::Untouched, {}},
        // An exact recording without audio is complete as it is.
        {"exact and empty", "2024-03-03 14-05-13.wav", Recording(38, 0, 0), Expect::Untouched, {}},
        // Cut off before its first frame: nothing to keep.
        {"cut off without audio",
         "2024-03-03 14-05-14.wav",
         Recording(38 + second, second, 0),
         Expect::Removed,
         {}},
        {"cut off within the first frame",
         "2024-03-03 14-05-15 (12).wav",
         Recording(38 + second, second, 3),
         Expect::Removed,
         {}},
        // Empty: maybe a name another recorder has just reserved.
        {"empty", "2024-03-03 14-05-16.wav", {}, Expect::Untouched, {}},
        // Written by another program: a chunk behind the data, which the RIFF size covers.
        {"chunk behind the data",
         "2024-03-03 14-05-17.wav",
         WithChunkBehind(Recording(0, 20, 20)),
         Expect::Untouched,
         {}},
        {"not a WAV file", "2024-03-03 14-05-18.wav", Bytes(100, 'x'), Expect::Untouched, {}},
        // Not named as the recorder names its recordings.
        {"another name",
         "interview.wav",
         Recording(38 + second, second, 40),
         Expect::Untouched,
         {}},
        {"a copy numbered 1",
         "2024-03-03 14-05-09 (1).wav",
         Recording(38 + second, second, 40),
         Expect::Untouched,
         {}},
        {"another extension",
         "2024-03-03 14-05-09.WAV",
         Recording(38 + second, second, 40),
         Expect::Untouched,
         {}},
        {"a seconds field of three digits",
         "2024-03-03 14-05-099.wav",
         Recording(38 + second, second, 40),
         Expect::Untouched,
         {}},
    };
}

Bytes ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}
void WriteFile(const QString& path, const Bytes& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(qint64(data.size()),
              file.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())));
}

std::vector<WideString> Names(const QString& folder, std::initializer_list<const char*> files) {
    std::vector<WideString> names;
    for (const char* file : files)
        names.push_back((folder + u'/' + QString::fromUtf8(file)).toStdU16String());
    return names;
}

TEST(RecordingRepair, MakesCutOffRecordingsExactAndLeavesEverythingElseAsItWas) {
    const QString folder = NewTestFolder(QStringLiteral("repair"));
    for (const RepairCase& c : Cases())
        WriteFile(folder + u'/' + QString::fromUtf8(c.file), c.before);
    const TRecordingRepair::TResult result =
        TRecordingRepair().RepairFolder(folder.toStdU16String());

    EXPECT_EQ(Names(folder, {"2024-03-03 14-05-09.wav", "2024-03-03 14-05-10.wav",
                             "2024-03-03 14-05-11 (2).wav", "2024-03-03 14-05-11 (3).wav"}),
              result.repaired);
    EXPECT_EQ(Names(folder, {"2024-03-03 14-05-14.wav", "2024-03-03 14-05-15 (12).wav"}),
              result.removed);
    EXPECT_TRUE(result.failed.empty());
    for (const RepairCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const QString path = folder + u'/' + QString::fromUtf8(c.file);
        switch (c.expect) {
        case Expect::Repaired:
            EXPECT_EQ(c.after, ReadFile(path));
            break;
        case Expect::Removed:
            EXPECT_FALSE(QFile::exists(path));
            break;
        case Expect::Untouched:
            EXPECT_EQ(c.before, ReadFile(path));
            break;
        }
    }
}

// Only the folder's own files: not one that a running recorder writes, not one a link names,
// not one in a folder below.
TEST(RecordingRepair, LeavesFilesBeingWrittenLinkedOrElsewhere) {
    const QString folder = NewTestFolder(QStringLiteral("repair-only"));
    const QString outside = NewTestFolder(QStringLiteral("repair-outside"));
    const Bytes cutOff = Recording(38 + 32000, 32000, 40);
    const QString written = folder + QStringLiteral("/2024-03-03 14-05-09.wav");
    WriteFile(written, cutOff);
    WriteFile(outside + QStringLiteral("/2024-03-03 14-05-10.wav"), cutOff);
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/2024-03-03 14-05-10.wav"),
                            folder + QStringLiteral("/2024-03-03 14-05-10.wav")));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("older")));
    WriteFile(folder + QStringLiteral("/older/2024-03-03 14-05-11.wav"), cutOff);

    // The file writer holds the file it writes under this lock.
    const int writer = ::open(written.toUtf8().constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(0, ::flock(writer, LOCK_EX));
    const TRecordingRepair::TResult held = TRecordingRepair().RepairFolder(folder.toStdU16String());
    EXPECT_TRUE(held.repaired.empty() && held.removed.empty());
    EXPECT_EQ(cutOff, ReadFile(written));
    EXPECT_EQ(cutOff, ReadFile(outside + QStringLiteral("/2024-03-03 14-05-10.wav")));
    EXPECT_EQ(cutOff, ReadFile(folder + QStringLiteral("/older/2024-03-03 14-05-11.wav")));

    // Once the writer has gone, the file is repaired.
    ::close(writer);
    EXPECT_EQ(Names(folder, {"2024-03-03 14-05-09.wav"}),
              TRecordingRepair().RepairFolder(folder.toStdU16String()).repaired);
}

TEST(RecordingRepair, KnowsTheNamesTheRecorderGives) {
    const QDateTime moment({2024, 3, 3}, {14, 5, 9});
    for (const int copy : {1, 2, 9, 10, 123}) {
        const QString name =
            QString::fromStdU16String(TdmRecording::RecordingFileNameAt(u"/rec", moment, copy));
        EXPECT_TRUE(TRecordingRepair::IsRecordingName(name.mid(5).toStdString(), "wav"))
            << name.toStdString();
    }
    for (const char* other :
         {"2024-03-03 14-05-09 (0).wav", "2024-03-03 14-05-09 (02).wav",
          "2024-03-03 14-05-09 ().wav", "2024-03-03 14-05-09(2).wav", "2024-03-03_14-05-09.wav",
          "2024-03-03 14-05-09.wav.part", ".wav", "2024-03-03 14-05-09.flac"})
        EXPECT_FALSE(TRecordingRepair::IsRecordingName(other, "wav")) << other;
}

TEST(RecordingRepair, OneMessageListsTheRepairedRecordings) {
    const QString folder = NewTestFolder(QStringLiteral("repair-message"));
    EXPECT_FALSE(TdmRecording::RepairRecordings(folder.toStdU16String()));
    for (const char* name : {"2024-03-03 14-05-09.wav", "2024-03-03 14-05-10.wav"})
        WriteFile(folder + u'/' + QString::fromUtf8(name), Recording(38 + 32000, 32000, 40));
    const std::optional<TUserError> message =
        TdmRecording::RepairRecordings(folder.toStdU16String());
    ASSERT_TRUE(message);
    EXPECT_EQ(TMessageCause::RecordingsRepaired, message->Cause);
    EXPECT_EQ(QStringList{folder + QStringLiteral("/2024-03-03 14-05-09.wav\n") + folder +
                          QStringLiteral("/2024-03-03 14-05-10.wav")},
              message->Values);
    EXPECT_FALSE(TdmRecording::RepairRecordings(folder.toStdU16String()));
}
} // namespace

namespace {
// A second of a 440 Hz tone, 48 kHz 16-bit stereo, made into a complete file by the format's
// own encoder tool, then cut where a kill would cut it.
QByteArray Encoded(const QString& folder, const char* extension) {
    QByteArray pcm;
    for (int i = 0; i < 48000; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * 440 * i / 48000.0));
        for (int channel = 0; channel < 2; ++channel)
            pcm.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    const QString raw = folder + QStringLiteral("/tone.raw");
    const QString out = folder + QStringLiteral("/tone") + QLatin1String(extension);
    QFile file(raw);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pcm);
    file.close();
    QProcess tool;
    if (QLatin1String(extension) == QLatin1String(".flac"))
        tool.start(QStringLiteral("flac"),
                   {"-s", "-f", "--force-raw-format", "--endian=little", "--sign=signed",
                    "--channels=2", "--bps=16", "--sample-rate=48000", "-o", out, raw});
    else
        tool.start(QStringLiteral("opusenc"), {"--quiet", "--max-delay", "100", "--raw",
                                               "--raw-rate", "48000", "--raw-chan", "2", raw, out});
    EXPECT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(0, tool.exitCode()) << tool.readAllStandardError().toStdString();
    QFile encoded(out);
    EXPECT_TRUE(encoded.open(QIODevice::ReadOnly));
    return encoded.readAll();
}

TRecordingFormatRepair::TOutcome RepairOnce(TRecordingFormatRepair& repair, const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR);
    EXPECT_GE(fd, 0);
    int error = 0;
    const auto outcome = repair.Repair(fd, std::uint64_t(QFileInfo(path).size()), error);
    ::close(fd);
    EXPECT_EQ(0, error);
    return outcome;
}

// Whether the format's checking tool reads the file to its end without a complaint.
bool Checked(const QString& path, bool flac) {
    QProcess tool;
    if (flac)
        tool.start(QStringLiteral("flac"), {"-t", "-s", path});
    else
        tool.start(QStringLiteral("opusinfo"), {path});
    tool.waitForFinished(20000);
    const QByteArray said = tool.readAllStandardOutput() + tool.readAllStandardError();
    // A recording cut off has no MD5 to check against, which flac says.
    const bool quiet = said.count("WARNING") == (flac ? said.count("MD5 signature") : 0);
    EXPECT_TRUE(tool.exitCode() == 0 && quiet && !said.contains("ERROR")) << said.toStdString();
    return tool.exitCode() == 0 && quiet && !said.contains("ERROR");
}
} // namespace

// A FLAC or Opus recording cut off mid-frame or mid-page is cut back to its last complete
// one and says so (FLAC counts its samples, Opus ends its stream), so the checking tools are
// silent; a complete file, or one made exact before, is exact; one cut within its headers
// holds no audio.
TEST(RecordingRepair, CompressedRecordingsAreCutBackToTheirLastCompletePiece) {
    using enum TRecordingFormatRepair::TOutcome;
    const QString folder = NewTestFolder(QStringLiteral("compressed"));
    for (const bool flac : {true, false}) {
        SCOPED_TRACE(flac ? "FLAC" : "Opus");
        TFlacRecordingRepair flacRepair;
        TOpusRecordingRepair opusRepair;
        TRecordingFormatRepair& repair =
            flac ? static_cast<TRecordingFormatRepair&>(flacRepair) : opusRepair;
        const QByteArray complete = Encoded(folder, flac ? ".flac" : ".opus");
        ASSERT_GT(complete.size(), 2000);
        const QString path = folder + QStringLiteral("/2024-03-03 14-05-09.") +
                             QString::fromStdString(repair.Extension());
        auto put = [&](QByteArray bytes) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };

        put(complete);
        EXPECT_EQ(Exact, RepairOnce(repair, path));
        EXPECT_EQ(complete.size(), QFileInfo(path).size());

        // As the recording leaves it while it records: FLAC without a sample count and MD5.
        QByteArray cut = complete.left(complete.size() * 2 / 3);
        if (flac) {
            cut[21] = char(cut[21] & 0xF0);
            for (int i = 22; i < 42; ++i)
                cut[i] = 0;
        }
        put(cut);
        EXPECT_EQ(Repaired, RepairOnce(repair, path));
        EXPECT_LT(QFileInfo(path).size(), cut.size());
        EXPECT_GT(QFileInfo(path).size(), complete.size() / 3);
        EXPECT_TRUE(Checked(path, flac));
        EXPECT_EQ(Exact, RepairOnce(repair, path)) << "once is enough";

        put(complete.left(flac ? 30 : 40));
        EXPECT_EQ(NoAudio, RepairOnce(repair, path));
    }
}
