#pragma once
// The IStream a test sink offers for a file header: Seek sets the position (from the start
// only), Write hands the bytes to WriteAt at that position and moves on; the other seven
// methods are not needed by a writer of headers and answer E_NOTIMPL (Commit: S_OK). The
// sink supplies WriteAt and the IUnknown methods (those of its pin, usually).
// Thread contract: one writer at a time, as a filter writes its header.
#include "runtime/ObjIdl.h"

class SeekWriteStream : public IStream {
public:
    HRESULT Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
        if (written) *written = 0;
        const HRESULT hr = WriteAt(position_, buffer, size);
        if (FAILED(hr)) return hr;
        position_ += size;
        if (written) *written = size;
        return S_OK;
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        if (origin != STREAM_SEEK_SET || move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
        position_ = ULONGLONG(move.QuadPart);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return E_NOTIMPL; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

    // Where the next Write goes.
    ULONGLONG Position() const { return position_; }

protected:
    ~SeekWriteStream() = default;
    // Stores size bytes at offset; a failure is Write's answer.
    virtual HRESULT WriteAt(ULONGLONG offset, const void* buffer, ULONG size) = 0;

private:
    ULONGLONG position_ = 0;
};
