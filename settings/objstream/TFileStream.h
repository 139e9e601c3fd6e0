#pragma once
// A stream on an open file. One thread at a time; the file is closed when the stream goes.
#include "settings/objstream/TStream.h"

#include "runtime/WinTypes.h"

#include <string>

class TFileStream : public TStream {
public:
    // Opens an existing regular file for reading; raises EFOpenError "Cannot open file "%s".
    // %s", naming the full path and the reason. Anything but a regular file (a folder, a
    // named pipe, a device) is refused without waiting for it: the open does not block.
    explicit TFileStream(const WideString& fileName);
    // Takes over a file already open (WriteObjectToFile's new file).
    explicit TFileStream(int handle) : handle_(handle) {}
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    // Puts the data on the disk and closes the file; raises EWriteError "Stream write error"
    // when the system reports that the data did not get there.
    void FlushAndClose();
    int Handle() const { return handle_; }
    // The system's error number of the last read, write or flush that failed; 0 when none did.
    int LastError() const { return lastError_; }

private:
    int handle_ = -1;
    int lastError_ = 0;
};

// The system's text for an error number, as shown after a file name.
std::string SystemErrorText(int error);
