#pragma once
// A seekable byte stream: the source and target of the object stream routines. Not shared
// between threads; one thread uses a stream at a time.
#include <cstddef>
#include <cstdint>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads or writes up to count bytes; returns how many were transferred (0 at the end or
    // on an error).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // Moves the position; returns the new position, or -1 when the stream cannot seek there.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position);
    std::int64_t Size();

    // All or nothing: raise EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
};
