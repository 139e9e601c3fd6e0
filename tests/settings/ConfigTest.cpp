#include "settings/u_Config.h"

#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "support/TempHome.h"
#include "support/Text.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class Config : public ::testing::Test, protected TempHome {
protected:
    void TearDown() override {
        if (IniData) {
            IniData->SetAutoSave(false);
            delete IniData;
            IniData = nullptr;
        }
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

// The input device is written only when one was chosen, so a file from before it could be
// chosen, or one that keeps the system default, reads and writes back byte for byte.
TEST_F(Config, TheInputDeviceRoundTripsAndTheDefaultLeavesTheFileAsItWas) {
    const std::string longKey =
        "pulse:alsa_input.usb-Blue_Microphones_Yeti_Stereo_Microphone_REV8-00.analog-stereo";
    struct Case {
        const char* what;
        std::string file;
        std::u16string device;
    };
    const Case cases[] = {
        {"without the property", File("  FolderForRecordings = '/srv/rec'\r\n"), u""},
        {"with it", File("  FolderForRecordings = '/srv/rec'\r\n  CaptureDevice = 'pulse:mic'\r\n"),
         u"pulse:mic"},
        {"a key longer than a line",
         File("  FolderForRecordings = '/srv/rec'\r\n  CaptureDevice = \r\n    '" +
              longKey.substr(0, 64) + "' +\r\n    '" + longKey.substr(64) + "'\r\n"),
         U16(longKey)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.file);
        InitializeSettings();
        EXPECT_EQ(c.device, IniData->CaptureDevice());
        FinalizeSettings();
        EXPECT_EQ(c.file, ReadSettings());
    }

    // Going back to the system default takes the line out again.
    InitializeSettings();
    IniData->SetCaptureDevice(u"");
    FinalizeSettings();
    EXPECT_EQ(File("  FolderForRecordings = '/srv/rec'\r\n"), ReadSettings());
}

// The format is written only when it is not WAV; a value this version does not know is kept as
// it was read, so a newer program's file survives a save by this one.
TEST_F(Config, TheFormatRoundTripsAndWavLeavesTheFileAsItWas) {
    const std::string folder = "  FolderForRecordings = '/srv/rec'\r\n";
    struct Case {
        const char* what;
        std::string file;
        std::u16string format;
    };
    const Case cases[] = {
        {"WAV, from before the format could be chosen", File(folder), u""},
        {"FLAC", File(folder + "  RecordingFormat = 'FLAC'\r\n"), u"FLAC"},
        {"Opus after the input",
         File(folder + "  CaptureDevice = 'pulse:mic'\r\n  RecordingFormat = 'Opus'\r\n"), u"Opus"},
        {"unknown", File(folder + "  RecordingFormat = 'MP3'\r\n"), u"MP3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettings(c.file);
        InitializeSettings();
        EXPECT_EQ(c.format, IniData->RecordingFormat());
        FinalizeSettings();
        EXPECT_EQ(c.file, ReadSettings());
    }

    InitializeSettings();
    IniData->SetRecordingFormat(u"");
    FinalizeSettings();
    EXPECT_EQ(File(folder), ReadSettings()) << "WAV again takes the line out";
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

// ---- whatever lies where the settings file belongs --------------------------------------

// What one start did with the settings, run in a child process so that a start that hangs
// ends the test instead of stalling it, and so that its memory can be measured.
struct StartOutcome {
    bool ended = false;  // by itself, within the time
    std::string message; // the load error; "" when the settings loaded
    long extraKiB = 0;   // its peak resident memory beyond what it started with
};

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKiB(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0) return std::stol(line.substr(name.size() + 1));
    return 0;
}

StartOutcome StartInChild() {
    int ends[2];
    if (::pipe(ends) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        ::alarm(10); // a start that hangs is ended by the signal
        // The peak from here on is the start's own.
        (void)!::write(::open("/proc/self/clear_refs", O_WRONLY), "5", 1);
        const long before = StatusKiB("VmRSS");
        std::string message;
        try {
            InitializeSettings();
        } catch (const std::exception& error) {
            message = error.what();
        }
        try {
            FinalizeSettings(); // after a failed load: no save
        } catch (...) {
        }
        const std::string report = std::to_string(StatusKiB("VmHWM") - before) + "\n" + message;
        (void)!::write(ends[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, std::size_t(n));
    ::close(ends[0]);
    StartOutcome outcome;
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return outcome;
    outcome.ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const std::size_t newline = report.find('\n');
    if (newline == std::string::npos) return outcome;
    outcome.extraKiB = std::stol(report.substr(0, newline));
    outcome.message = report.substr(newline + 1);
    return outcome;
}

// What can be seen of an entry without reading much of it: kind, size, time, and the first
// bytes of a regular file.
std::string Snapshot(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return "missing";
    std::string view = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
                       std::to_string(info.st_mtim.tv_sec) + "." +
                       std::to_string(info.st_mtim.tv_nsec) + " " + std::to_string(info.st_ino);
    if (S_ISREG(info.st_mode)) {
        std::ifstream file(path, std::ios::binary);
        std::string head(65536, '\0');
        file.read(head.data(), std::streamsize(head.size()));
        head.resize(std::size_t(file.gcount()));
        view += " " + head;
    }
    if (S_ISLNK(info.st_mode)) view += " -> " + fs::read_symlink(path).string();
    return view;
}

// A value continued over lines of 64 characters, as the program writes it: the lines for
// realLength characters, then nothing but a sparse tail up to size bytes (0: no tail).
void WriteContinuedValue(const fs::path& path, std::size_t realLength, off_t size) {
    std::ofstream file(path, std::ios::binary);
    file << "object IniData: TIniData\r\n  FolderForRecordings = \r\n";
    const std::string line = "    '" + std::string(64, 'x') + "' +\r\n";
    for (std::size_t done = 0; done < realLength; done += 64)
        file << line;
    file << "    'x'\r\nend\r\n";
    file.close();
    if (size != 0) {
        ASSERT_EQ(0, ::truncate(path.c_str(), size));
    }
}

struct HostileCase {
    const char* what;
    std::function<void(const fs::path&)> make;
    std::string
        reason; // after "Cannot open file "<file>". "; a whole message when it has " on line "
};

TEST_F(Config, WhateverLiesInPlaceOfTheFileIsRefusedQuicklyByNameWithLittleMemory) {
    const HostileCase cases[] = {
        {"a named pipe", [](const fs::path& p) { ASSERT_EQ(0, ::mkfifo(p.c_str(), 0644)); },
         "Not a regular file (a named pipe)"},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, "Is a directory"},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         "Not a regular file (a device)"},
        {"1 GiB with nothing in it",
         [](const fs::path& p) {
             std::ofstream(p, std::ios::binary) << "";
             ASSERT_EQ(0, ::truncate(p.c_str(), off_t(1) << 30));
         },
         "File too large (1073741824 bytes; at most 1048576 are read)"},
        {"a 1 GB value in continuation lines",
         [](const fs::path& p) { WriteContinuedValue(p, 2 << 20, 1000000000); },
         "File too large (1000000000 bytes; at most 1048576 are read)"},
        {"a value of 40,000 characters in continuation lines",
         [](const fs::path& p) { WriteContinuedValue(p, 40000, 0); }, "String too long on line 3"},
        {"a value of 10,000 characters on its line",
         [](const fs::path& p) {
             std::ofstream(p, std::ios::binary)
                 << "object IniData: TIniData\r\n  FolderForRecordings = '"
                 << std::string(10000, 'x') << "'\r\nend\r\n";
         },
         "Line too long on line 2"},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(SettingsFile().parent_path());
        c.make(SettingsFile());
        const std::string before = Snapshot(SettingsFile());

        const StartOutcome outcome = StartInChild();
        ASSERT_TRUE(outcome.ended) << "the start did not end by itself";
        const std::string expected =
            c.reason.find(" on line ") != std::string::npos
                ? c.reason
                : "Cannot open file \"" + SettingsFile().string() + "\". " + c.reason;
        EXPECT_EQ(expected, outcome.message);
        EXPECT_LT(outcome.extraKiB, 50 * 1024);
        EXPECT_EQ(before, Snapshot(SettingsFile())) << "the file was changed";
        fs::remove_all(SettingsFile());
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
