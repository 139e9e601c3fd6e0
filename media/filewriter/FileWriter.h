#pragma once
// The platform's file writer (CLSID_FileWriter): a sink with one input pin that stores a
// byte stream in a file. The file is created (truncated in overwrite mode) when the filter
// leaves Stopped and closed, after its data has reached the disk, when it stops again.
// A file that cannot be created or written gives a failure made from the system error; a
// write that fails midway is taken back, so the file ends with the last complete write.
// Thread contract: state and configuration calls on the graph's thread under the filter
// lock; the file itself is guarded by its own lock, which the streaming thread takes too.
#include "framework/TBCBaseFilter.h"
#include "media/filewriter/FileWriterPin.h"

#include <memory>
#include <mutex>

class FileWriter final : public TBCBaseFilter, public IFileSinkFilter2 {
public:
    explicit FileWriter(IUnknown* outer);
    ~FileWriter() override;

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    int PinCount() override { return 1; }
    TBCBasePin* PinAt(int index) override;

    // IFileSinkFilter, IFileSinkFilter2
    HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override;
    HRESULT SetMode(DWORD flags) override;
    HRESULT GetMode(DWORD* flags) override;

    // The open file, for the pin.
    HRESULT WriteAt(ULONGLONG offset, const void* data, std::size_t size);
    HRESULT FileSize(ULONGLONG& size);
    HRESULT Truncate(ULONGLONG size);
    HRESULT Flush();
    WideString CurrentName();

private:
    HRESULT OpenFile();
    HRESULT CloseFile();

    std::unique_ptr<FileWriterPin> pin_;
    std::mutex fileLock_;
    int fd_ = -1;
    ULONGLONG size_ = 0; // the file's size as this writer left it
    WideString fileName_;
    DWORD mode_ = 0;
};
