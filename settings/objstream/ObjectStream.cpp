#include "settings/objstream/ObjectStream.h"

#include "runtime/TemporaryFiles.h"
#include "runtime/TextConvert.h"
#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/ObjectStreamTypes.h"
#include "settings/objstream/ObjectText.h"
#include "settings/objstream/TFileStream.h"
#include "settings/objstream/TMemoryStream.h"
#include "settings/objstream/TPersistent.h"
#include "settings/objstream/TReaderExt.h"
#include "settings/objstream/TWriterExt.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
void WriteBinaryObject(TPersistent& object, TStream& stream) {
    TWriterExt writer(stream);
    writer.WriteSignature();
    const std::string& className = object.ClassName();
    writer.WriteStr(className);
    writer.WriteStr(className.empty() ? std::string()
                                      : className.substr(1)); // "TIniData": "IniData"
    writer.WriteObjectProperties(object);
    writer.WriteListEnd(); // properties
    writer.WriteListEnd(); // children: none
    writer.FlushBuffer();
}

void ReadBinaryObject(TPersistent& object, TStream& stream) {
    TReaderExt reader(stream);
    reader.ReadSignature();
    // The flags prefix, order and child objects belong to forms, never to a saved object.
    if (reader.PeekByte() >= kFilerFlagsPrefix) throw EReadError("Invalid stream format");
    (void)reader.ReadStr(); // class name and object name are disregarded
    (void)reader.ReadStr();
    reader.ReadObjectProperties(object);
    reader.ReadListEnd();
    reader.ReadListEnd();
}

std::string FileNameText(const WideString& fileName) {
    return "\"" + Utf16ToUtf8(ExpandFileName(fileName)) + "\"";
}

[[noreturn]] void CannotCreate(const WideString& fileName, int error) {
    throw EFCreateError("Cannot create file " + FileNameText(fileName) + ". " +
                        SystemErrorText(error));
}

[[noreturn]] void TooLarge(const WideString& fileName, const std::string& size) {
    throw EFOpenError("Cannot open file " + FileNameText(fileName) + ". File too large (" + size +
                      " bytes; at most " + std::to_string(kMaxObjectFileSize) + " are read)");
}

// The file a name refers to: a symbolic link is followed, so that a linked settings file is
// updated where it lies instead of being replaced by a plain file.
std::string ReplacedFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Removes the new file unless it has been renamed over the old one.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) (void)::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& Path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::string path_;
};
} // namespace

void WriteObjectToStream(TPersistent& object, TStream& stream, bool asText) {
    if (!asText) return WriteBinaryObject(object, stream);
    TMemoryStream binary;
    WriteBinaryObject(object, binary);
    binary.SetPosition(0);
    BinaryStreamToText(binary, stream);
}

bool ReadObjectFromStream(TPersistent& object, TStream& stream) {
    const std::int64_t start = stream.Position();
    char signature[sizeof kFilerSignature];
    stream.ReadBuffer(signature, sizeof signature);
    stream.SetPosition(start);
    if (std::memcmp(signature, kFilerSignature, sizeof signature) == 0) {
        ReadBinaryObject(object, stream);
        return true;
    }
    TMemoryStream binary;
    TextStreamToBinary(stream, binary);
    binary.SetPosition(0);
    ReadBinaryObject(object, binary);
    return false;
}

void WriteObjectToFile(TPersistent& object, const WideString& fileName, bool asText) {
    std::string path;
    if (fileName.empty() || !PathToSystem(fileName, path)) CannotCreate(fileName, ENOENT);
    const std::string target = ReplacedFile(path);

    // A new file beside the old one, with a name nobody else uses, which names this process
    // and is locked by it while written: one that a kill leaves behind is removed at the next
    // start (RemoveStaleSaveFiles).
    std::string temporaryPath;
    const int handle = CreateTemporaryFile(target, 0666, temporaryPath);
    if (handle < 0) CannotCreate(fileName, errno);
    TemporaryFile temporary(temporaryPath);
    {
        TFileStream stream(handle);
        // The new file takes over the permissions of the one it replaces.
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0) (void)::fchmod(handle, old.st_mode & 07777);
        try {
            WriteObjectToStream(object, stream, asText);
            stream.FlushAndClose();
        } catch (const EWriteError&) {
            // The system's reason (a full disk, the file size limit) tells the user what to do.
            if (stream.LastError() == 0) throw;
            throw EWriteError("Cannot write file " + FileNameText(fileName) + ". " +
                              SystemErrorText(stream.LastError()));
        }
    }
    if (::rename(temporary.Path().c_str(), target.c_str()) != 0) CannotCreate(fileName, errno);
    temporary.Keep();
    // The rename itself reaches the disk with the folder.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const int folderHandle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderHandle >= 0) {
        (void)::fsync(folderHandle);
        (void)::close(folderHandle);
    }
}

void RemoveStaleSaveFiles(const WideString& fileName) {
    std::string path;
    if (fileName.empty() || !PathToSystem(fileName, path)) return;
    (void)RemoveStaleTemporaryFiles(ReplacedFile(path));
}

bool ReadObjectFromFile(TPersistent& object, const WideString& fileName) {
    TFileStream file(fileName);
    // A settings file is a few hundred bytes. A larger one is refused unread, and the read is
    // bounded as well (a file may grow while it is read, or report no size), so that no file
    // can make the start slow or the program large.
    const std::int64_t size = file.Size();
    if (size > kMaxObjectFileSize) TooLarge(fileName, std::to_string(size));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(std::max<std::int64_t>(size, 0)));
    std::uint8_t chunk[kFilerBufferSize];
    while (const std::size_t done = file.Read(chunk, sizeof chunk)) {
        if (bytes.size() + done > std::size_t(kMaxObjectFileSize))
            TooLarge(fileName, "more than " + std::to_string(kMaxObjectFileSize));
        bytes.insert(bytes.end(), chunk, chunk + done);
    }
    if (file.LastError() != 0)
        throw EReadError("Cannot read file " + FileNameText(fileName) + ". " +
                         SystemErrorText(file.LastError()));
    TMemoryStream stream(std::move(bytes));
    return ReadObjectFromStream(object, stream);
}
