#include "settings/objstream/TMemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t done = std::min(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, done);
    position_ += done;
    return done;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    if (bytes_.size() < position_ + count) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = std::int64_t(position_);
    if (origin == TSeekOrigin::soEnd) base = std::int64_t(bytes_.size());
    if (offset < -base || offset > INT64_MAX - base) return -1;
    position_ = std::size_t(base + offset);
    return std::int64_t(position_);
}
