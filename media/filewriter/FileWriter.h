#pragma once
// The platform's file writer (CLSID_FileWriter): a sink with one input pin that stores a
// byte stream in a file. The file is opened when the filter leaves Stopped and closed, after
// its data has reached the disk, when it stops again. In overwrite mode the file is made
// anew, exclusively; a file already there is taken only when it is empty (a name reserved for
// this writer, as the recorder reserves its recordings' names), and is never truncated. The
// last component of the name is never followed as a symbolic link. While the file is open the
// writer holds an exclusive advisory lock (flock) on it: a second writer of the same file is
// refused (ERROR_SHARING_VIOLATION), and whoever repairs files left by a crash knows it is
// being written. What it writes reaches the disk at least every second (fdatasync on a thread
// of its own, so a slow disk does not hold up the stream).
// A file that cannot be created or written gives a failure made from the system error; a
// write that fails midway is taken back, so the file ends with the last complete write.
// Thread contract: state and configuration calls on the graph's thread under the filter
// lock; the file itself is guarded by its own lock, which the streaming thread takes too; the
// synchronising thread touches only the descriptor it was started with and two atomics, and
// ends before the file is closed.
#include "framework/TBCBaseFilter.h"
#include "media/filewriter/FileWriterPin.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

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

    // How often the open file has been brought to the disk while it was written.
    unsigned long Synchronisations() const { return syncs_.load(); }

private:
    HRESULT OpenFile();
    HRESULT CloseFile();
    void StartSyncing(int fd);
    void StopSyncing();
    void Sync(int fd);

    std::unique_ptr<FileWriterPin> pin_;
    std::mutex fileLock_;
    int fd_ = -1;
    ULONGLONG size_ = 0; // the file's size as this writer left it
    WideString fileName_;
    DWORD mode_ = 0;

    std::thread syncer_;
    std::mutex syncLock_;
    std::condition_variable syncWake_;
    bool syncStop_ = false;              // under syncLock_
    std::atomic<bool> unsynced_{false};  // written since the last synchronisation
    std::atomic<int> syncError_{0};      // the errno of a synchronisation that failed
    std::atomic<unsigned long> syncs_{0};
};
