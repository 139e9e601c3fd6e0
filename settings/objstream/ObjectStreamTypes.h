#pragma once
// Records and constants of the binary object stream.
#include <cstddef>
#include <cstdint>

// The tag byte that starts every value.
enum class TValueType : std::uint8_t {
    vaNull = 0, // end of a list; also the null value
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5, // 80-bit extended precision
    vaString = 6,   // 1-byte length, 8-bit text
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12, // 4-byte length, 8-bit text
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16, // value x 10000 as a 64-bit integer
    vaDate = 17,
    vaWString = 18, // 4-byte count of UTF-16 units
    vaInt64 = 19,
    vaUTF8String = 20, // 4-byte byte count
    vaDouble = 21,
};
constexpr std::uint8_t kLastValueType = 21;

// The four bytes that start the binary encoding.
constexpr char kFilerSignature[4] = {'T', 'P', 'F', '0'};

// Flags of the optional prefix before an object's class name (first byte 0xF0 | flags).
constexpr std::uint8_t kFilerFlagsPrefix = 0xF0;
constexpr std::uint8_t ffInherited = 1;
constexpr std::uint8_t ffChildPos = 2;
constexpr std::uint8_t ffInline = 4;

// Reader, writer and parser buffers.
constexpr std::size_t kFilerBufferSize = 4096;

// Objects, lists and collections nest at most this deep. The recursive converters would
// otherwise let a small crafted file exhaust the stack (or, as text, the disk: every level
// adds indentation to each line below it).
constexpr int kMaxNesting = 128;

// The largest file the object routines read. A settings file is a few hundred bytes; the limit
// keeps the start quick and small whatever file lies in its place.
constexpr std::int64_t kMaxObjectFileSize = 1024 * 1024;

// The longest string value read, in UTF-16 code units (the longest text a line edit takes is
// one unit less). Its text form stays far below kMaxObjectFileSize, so whatever was read can
// be written and read again.
constexpr std::size_t kMaxStringLength = 32 * 1024;
