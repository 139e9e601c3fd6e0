#include "settings/objstream/TStream.h"

#include "settings/objstream/ObjStreamErrors.h"

void TStream::SetPosition(std::int64_t position) {
    if (Seek(position, TSeekOrigin::soBeginning) != position) throw EReadError("Stream read error");
}

std::int64_t TStream::Size() {
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    (void)Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t done = Read(bytes, count);
        if (done == 0) throw EReadError("Stream read error");
        bytes += done;
        count -= done;
    }
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t done = Write(bytes, count);
        if (done == 0) throw EWriteError("Stream write error");
        bytes += done;
        count -= done;
    }
}
