#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/ObjectStream.h"

#include "settings/TIniData.h"
#include "support/TempHome.h"
#include "support/Text.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
class ObjectFile : public ::testing::Test, protected TempHome {
protected:
    void SetUp() override { fs::create_directories(Folder()); }
    fs::path Folder() const { return Root() / "files"; }
    fs::path Path(const char* name) const { return Folder() / name; }
    static std::u16string Name(const fs::path& path) { return U16(path.string()); }
    static std::string Contents(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Limits the size of files this process writes, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(ObjectFile, AFailedWriteLeavesThePreviousFileIntact) {
    const fs::path file = Path("AudioRecorder.cfg");
    TIniData data;
    data.SetFolderForRecordings(u"/old");
    WriteObjectToFile(data, Name(file), true);
    const std::string before = Contents(file);

    data.SetFolderForRecordings(u"/new/" + std::u16string(200, u'n'));
    {
        FileSizeLimit limit(before.size() + 10);
        try {
            WriteObjectToFile(data, Name(file), true);
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& error) {
            // The system's reason, so that the user knows what to do.
            EXPECT_EQ("Cannot write file \"" + file.string() + "\". File too large",
                      error.Message());
        }
    }
    EXPECT_EQ(before, Contents(file));
    EXPECT_EQ(std::vector<std::string>{"AudioRecorder.cfg"}, Entries()); // nothing left behind
}

TEST_F(ObjectFile, FilesThatCannotBeOpenedOrCreatedAreNamedInFull) {
    TIniData data;
    try {
        WriteObjectToFile(data, Name(Path("missing/AudioRecorder.cfg")), true);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& error) {
        EXPECT_EQ("Cannot create file \"" + Path("missing/AudioRecorder.cfg").string() +
                      "\". No such file or directory",
                  error.Message());
    }
    const fs::path previous = fs::current_path();
    fs::current_path(Folder());
    std::string message;
    try {
        (void)ReadObjectFromFile(data, u"absent.cfg");
    } catch (const EFOpenError& error) {
        message = error.Message();
    }
    fs::current_path(previous);
    EXPECT_EQ("Cannot open file \"" + fs::canonical(Folder()).string() +
                  "/absent.cfg\". No such file or directory",
              message);
}

TEST_F(ObjectFile, ALinkedFileStaysLinkedAndKeepsItsPermissions) {
    const fs::path real = Path("real.cfg");
    const fs::path link = Path("link.cfg");
    std::ofstream(real) << "old";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, link);

    TIniData data;
    data.SetFolderForRecordings(u"/linked");
    WriteObjectToFile(data, Name(link), true);

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(real).permissions() & fs::perms::all);
    TIniData back;
    EXPECT_FALSE(ReadObjectFromFile(back, Name(link)));
    EXPECT_EQ(u"/linked", back.FolderForRecordings());
    EXPECT_EQ((std::vector<std::string>{"link.cfg", "real.cfg"}), Entries());
}

TEST_F(ObjectFile, BinaryAndTextFilesReadBackAlike) {
    TIniData data;
    data.SetFolderForRecordings(u"/f\u00fcr");
    WriteObjectToFile(data, Name(Path("bin.cfg")), false);
    WriteObjectToFile(data, Name(Path("text.cfg")), true);
    EXPECT_EQ("TPF0", Contents(Path("bin.cfg")).substr(0, 4));
    TIniData fromBinary;
    TIniData fromText;
    EXPECT_TRUE(ReadObjectFromFile(fromBinary, Name(Path("bin.cfg"))));
    EXPECT_FALSE(ReadObjectFromFile(fromText, Name(Path("text.cfg"))));
    EXPECT_EQ(u"/f\u00fcr", fromBinary.FolderForRecordings());
    EXPECT_EQ(u"/f\u00fcr", fromText.FolderForRecordings());
}
} // namespace
