#pragma once
// The file writer's input pin: accepts the byte-stream major type, writes each sample's
// bytes at the byte offset of its start time, and offers IStream (Seek, Write, and a Stat
// that reports the size) so that a filter above can write a header while the graph stops.
// Thread contract: Receive runs on the upstream streaming thread; the IStream methods on
// the thread that stops the graph; both reach the file through the filter's file lock.
// No exception leaves a published method.
#include "framework/TBCBaseInputPin.h"

#include <mutex>

class FileWriter;

class FileWriterPin final : public TBCBaseInputPin, public IStream {
public:
    FileWriterPin(FileWriter* filter, TBCCritSec* lock, HRESULT& hr);

    TBC_DECLARE_DELEGATING_UNKNOWN
    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // A new file starts at position 0.
    void ResetPosition();

    // ISequentialStream
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override;
    // IStream
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT SetSize(ULARGE_INTEGER newSize) override;
    HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                   ULARGE_INTEGER* written) override;
    HRESULT Commit(DWORD flags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) override;
    HRESULT Stat(STATSTG* stat, DWORD flags) override;
    HRESULT Clone(IStream** stream) override;

private:
    FileWriter* const writer_; // the owning filter (not counted: it owns this pin)
    std::mutex positionLock_;
    ULONGLONG position_ = 0; // the stream position of IStream
};
