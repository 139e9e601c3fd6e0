#include "MediaTestSupport.h"

#include "framework/interfaces/Control.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/filewriter/FileWriter.h"
#include "runtime/ClassTable.h"
#include "runtime/TaskMemory.h"
#include "support/GraphFixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
bool FileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// A byte source connected to the platform's file writer in a real graph.
class FileWriterTest : public GraphFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GraphFixture::SetUp());
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(sinkFilter.put())));
        ASSERT_EQ(S_OK, sinkFilter->QueryInterface(IID_PPV_ARGS(fileSink.put())));
        source = new ByteSource;
        sourceFilter = static_cast<IBaseFilter*>(source);
        ASSERT_EQ(S_OK, graph->AddFilter(sourceFilter.get(), u"Source"));
        ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.get(), u"File Writer"));
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(S_OK, sinkFilter->EnumPins(pins.put()));
        ASSERT_EQ(S_OK, pins->Next(1, input.put(), nullptr));
        ASSERT_EQ(S_OK, graph->Connect(source->Output(), input.get()));
    }
    void Name(const std::string& path) {
        ASSERT_EQ(S_OK, fileSink->SetFileName(U16(path).c_str(), nullptr));
    }

    TempFolder dir;
    ComPtr<IBaseFilter> sinkFilter;
    ComPtr<IFileSinkFilter2> fileSink;
    ComPtr<IPin> input;
    ByteSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter;
};

TEST_F(FileWriterTest, NameModeAndTheByteStreamType) {
    LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(E_FAIL, fileSink->GetCurFile(&name, nullptr));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(E_INVALIDARG, fileSink->SetFileName(u"", nullptr));
    const std::u16string wanted = U16(dir.File("rec ")) + u"\u00fc.wav";
    ASSERT_EQ(S_OK, fileSink->SetFileName(wanted.c_str(), nullptr));
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, fileSink->GetCurFile(&name, &type));
    EXPECT_EQ(wanted, std::u16string(name));
    EXPECT_EQ(MEDIATYPE_Stream, type.majortype);
    CoTaskMemFree(name);

    DWORD mode = 7;
    EXPECT_EQ(S_OK, fileSink->GetMode(&mode));
    EXPECT_EQ(0u, mode);
    EXPECT_EQ(E_INVALIDARG, fileSink->SetMode(2));
    EXPECT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));
    EXPECT_EQ(S_OK, fileSink->GetMode(&mode));
    EXPECT_EQ(AM_FILE_OVERWRITE, mode);

    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    AM_MEDIA_TYPE stream{};
    stream.majortype = MEDIATYPE_Stream;
    EXPECT_EQ(S_FALSE, input->QueryAccept(&audio));
    EXPECT_EQ(S_OK, input->QueryAccept(&stream));
}

TEST_F(FileWriterTest, SamplesLandAtTheirOffsetsAndTheStreamWritesTheHeader) {
    const std::string path = dir.File("out.wav");
    Name(path);
    ASSERT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, control->Run());
    EXPECT_TRUE(FileExists(path)); // created when the filter left Stopped
    EXPECT_EQ(0u, ReadWholeFile(path).size());

    const Bytes a = NoiseBytes(1000, 1), b = NoiseBytes(300, 2);
    ASSERT_EQ(S_OK, source->Deliver(b, 1010)); // out of order: each goes where it belongs
    ASSERT_EQ(S_OK, source->Deliver(a, 10));
    ASSERT_EQ(S_OK, source->Deliver(Bytes(), 1310));

    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, input->QueryInterface(IID_PPV_ARGS(stream.put())));
    STATSTG stat{};
    ASSERT_EQ(S_OK, stream->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(1310u, stat.cbSize.QuadPart);
    EXPECT_EQ(U16(path), std::u16string(stat.pwcsName));
    CoTaskMemFree(stat.pwcsName);
    LARGE_INTEGER zero{0};
    ULARGE_INTEGER at{};
    ASSERT_EQ(S_OK, stream->Seek(zero, STREAM_SEEK_END, &at));
    EXPECT_EQ(1310u, at.QuadPart);
    ASSERT_EQ(S_OK, stream->Seek(zero, STREAM_SEEK_SET, nullptr));
    ULONG written = 0;
    ASSERT_EQ(S_OK, stream->Write("HEADER", 6, &written));
    EXPECT_EQ(6u, written);
    ASSERT_EQ(S_OK, stream->Write("++++", 4, nullptr)); // the position moved on
    LARGE_INTEGER back{-20};
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(back, STREAM_SEEK_CUR, nullptr));
    ASSERT_EQ(S_OK, control->Stop());

    Bytes expected;
    for (char c : std::string("HEADER++++"))
        expected.push_back((unsigned char)c);
    expected.insert(expected.end(), a.begin(), a.end());
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(expected, ReadWholeFile(path));
    // Closed: the stream has no file behind it any more.
    EXPECT_EQ(VFW_E_WRONG_STATE, stream->Stat(&stat, STATFLAG_NONAME));
}

TEST_F(FileWriterTest, ASeekOutsideWhatAPositionHoldsIsRefusedAndChangesNothing) {
    Name(dir.File("seek.raw"));
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_EQ(S_OK, source->Deliver(Bytes(10, 1), 0));
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, input->QueryInterface(IID_PPV_ARGS(stream.put())));
    const LONGLONG most = std::numeric_limits<LONGLONG>::max();
    const LONGLONG least = std::numeric_limits<LONGLONG>::min();
    struct Case {
        LONGLONG move;
        DWORD origin;
    };
    for (const Case c :
         {Case{most, STREAM_SEEK_CUR}, Case{most, STREAM_SEEK_END}, Case{least, STREAM_SEEK_CUR},
          Case{-11, STREAM_SEEK_END}, Case{-1, STREAM_SEEK_SET}}) {
        SCOPED_TRACE(testing::Message() << c.move << " from " << c.origin);
        LARGE_INTEGER four{4};
        ASSERT_EQ(S_OK, stream->Seek(four, STREAM_SEEK_SET, nullptr));
        LARGE_INTEGER move{c.move};
        ULARGE_INTEGER at{};
        EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move, c.origin, &at));
        LARGE_INTEGER zero{0};
        ASSERT_EQ(S_OK, stream->Seek(zero, STREAM_SEEK_CUR, &at));
        EXPECT_EQ(4u, at.QuadPart);
    }
}

TEST_F(FileWriterTest, WithoutOverwriteTheOldBytesStay) {
    const std::string path = dir.File("keep.raw");
    WriteWholeFile(path, Bytes(10, 'o'));
    Name(path);
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_EQ(S_OK, source->Deliver(Bytes(4, 'n'), 2));
    ASSERT_EQ(S_OK, control->Stop());
    const Bytes expected = {'o', 'o', 'n', 'n', 'n', 'n', 'o', 'o', 'o', 'o'};
    EXPECT_EQ(expected, ReadWholeFile(path));
}

// What lies at the name already, and what overwriting it may do.
struct ExistingCase {
    const char* name;
    enum { File, LinkToVictim, DanglingLink } what;
    std::size_t bytes; // of the file, or of the victim the link names
    HRESULT run;
};

class FileWriterExisting : public FileWriterTest, public testing::WithParamInterface<ExistingCase> {
};

TEST_P(FileWriterExisting, IsNeverEmptiedNorFollowedAsALink) {
    const ExistingCase& c = GetParam();
    const std::string path = dir.File("rec.wav"), victim = dir.File("elsewhere/victim");
    ASSERT_EQ(0, ::mkdir(dir.File("elsewhere").c_str(), 0755));
    const Bytes old = NoiseBytes(c.bytes, 5);
    if (c.what == ExistingCase::File) WriteWholeFile(path, old);
    if (c.what == ExistingCase::LinkToVictim) WriteWholeFile(victim, old);
    if (c.what != ExistingCase::File) {
        ASSERT_EQ(0, ::symlink(victim.c_str(), path.c_str()));
    }
    Name(path);
    ASSERT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));

    EXPECT_EQ(c.run, control->Run());
    if (SUCCEEDED(c.run)) {
        ASSERT_EQ(S_OK, source->Deliver(Bytes(10, 'n'), 0));
        ASSERT_EQ(S_OK, control->Stop());
        EXPECT_EQ(Bytes(10, 'n'), ReadWholeFile(path));
        return;
    }
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    switch (c.what) {
    case ExistingCase::File:
        EXPECT_EQ(old, ReadWholeFile(path));
        break;
    case ExistingCase::LinkToVictim:
        EXPECT_EQ(old, ReadWholeFile(victim));
        break;
    case ExistingCase::DanglingLink:
        EXPECT_FALSE(FileExists(victim));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileWriterExisting,
    testing::Values(
        ExistingCase{"AnEmptyFileIsANameReservedForTheWriter", ExistingCase::File, 0, S_OK},
        ExistingCase{"AnOlderFile", ExistingCase::File, 5000,
                     HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)},
        ExistingCase{"ALinkToAnotherFile", ExistingCase::LinkToVictim, 300,
                     HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME)},
        ExistingCase{"ALinkToNothing", ExistingCase::DanglingLink, 0,
                     HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileWriterTest, HoldsTheFileAloneAndBringsItToTheDiskWhileWriting) {
    const std::string path = dir.File("locked.raw");
    Name(path);
    ASSERT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, control->Run());
    const int other = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(0, ::flock(other, LOCK_SH | LOCK_NB)) << "nobody else may hold it meanwhile";
    EXPECT_EQ(EWOULDBLOCK, errno);

    // A second writer of the same name, in this process or another, is refused.
    ComPtr<IFileSinkFilter2> second;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(second.put())));
    ASSERT_EQ(S_OK, second->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, second->SetFileName(U16(path).c_str(), nullptr));
    ComPtr<IBaseFilter> secondFilter;
    ASSERT_EQ(S_OK, second.As(secondFilter));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), secondFilter->Pause());

    auto* writer = dynamic_cast<FileWriter*>(sinkFilter.get());
    ASSERT_NE(nullptr, writer);
    ASSERT_EQ(S_OK, source->Deliver(Bytes(100, 1), 0));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (writer->Synchronisations() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(writer->Synchronisations(), 1u) << "nothing reached the disk while recording";

    ASSERT_EQ(S_OK, control->Stop());
    EXPECT_EQ(0, ::flock(other, LOCK_EX | LOCK_NB)) << "the lock goes with the file";
    ::close(other);
}

TEST_F(FileWriterTest, AFileThatCannotBeMadeOrWrittenGivesTheSystemError) {
    Name(dir.File("missing/folder/out.wav"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), control->Run());
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);

    Name(dir.Path()); // a folder
    EXPECT_EQ(HResultFromErrno(EISDIR), control->Run());

    Name("/dev/full"); // every write finds the disk full
    ASSERT_EQ(S_OK, control->Run());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), source->Deliver(Bytes(100, 1), 0));
    EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(FileWriterTest, AWriteThatFailsMidwayIsTakenBack) {
    const std::string path = dir.File("limited.raw");
    Name(path);
    ASSERT_EQ(S_OK, fileSink->SetMode(AM_FILE_OVERWRITE));
    ASSERT_EQ(S_OK, control->Run());
    {
        FileSizeLimit limit(1000); // as a disk that fills up at 1000 bytes
        ASSERT_EQ(S_OK, source->Deliver(Bytes(600, 1), 0));
        EXPECT_EQ(HResultFromErrno(EFBIG), source->Deliver(Bytes(600, 2), 600));
        EXPECT_EQ(600u, ReadWholeFile(path).size()); // nothing of the failed write is left
        ComPtr<IStream> stream;
        ASSERT_EQ(S_OK, input->QueryInterface(IID_PPV_ARGS(stream.put())));
        ASSERT_EQ(S_OK, stream->Write("HEAD", 4, nullptr)); // a header still fits
        EXPECT_EQ(HResultFromErrno(EFBIG), source->Deliver(Bytes(10, 3), 2000));
        ASSERT_EQ(S_OK, control->Stop());
    }
    Bytes expected(600, 1);
    std::memcpy(expected.data(), "HEAD", 4);
    EXPECT_EQ(expected, ReadWholeFile(path));
}

TEST_F(FileWriterTest, EndOfStreamCompletesTheStream) {
    Name(dir.File("eos.raw"));
    ASSERT_EQ(S_OK, control->Run());
    ASSERT_EQ(S_OK, source->SendEndOfStream());
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(S_OK, events->GetEvent(&code, &p1, &p2, 1000));
    EXPECT_EQ(EC_COMPLETE, code);
    (void)events->FreeEventParams(code, p1, p2);
}
} // namespace
