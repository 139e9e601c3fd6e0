#pragma once
// Reads the binary object stream: values by their tags, and properties into persistable
// objects. Buffers 4096 bytes; on destruction the stream is put back to the first byte not
// read. One thread.
//
// Every length field is checked against the bytes that remain before anything is allocated
// ("Stream read error"), and values are skipped without recursion, so no input can make the
// reader allocate more than the input's size or exhaust the stack.
//
// Errors: a short stream, a bad signature, an unknown tag or a malformed list ends the read
// (EReadError). An error that concerns one property only (no such property, a value its kind
// does not take) is raised after the whole value has been consumed, so the stream stays in
// step, and handed to the error hook, which decides whether reading goes on.
#include "settings/objstream/ObjectStreamTypes.h"
#include "settings/objstream/PersistentTypes.h"

#include "runtime/WinTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TStream;
class TPersistent;
class TCollection;

class TReader {
public:
    explicit TReader(TStream& stream);
    virtual ~TReader();
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

    void Read(void* data, std::size_t count);
    std::uint8_t ReadByte();
    std::uint8_t PeekByte();
    void SkipBytes(std::uint64_t count);
    // Bytes left in the buffer and the stream.
    std::uint64_t Remaining() const;

    // "Invalid stream format" unless the next four bytes are "TPF0".
    void ReadSignature();
    // The optional flags prefix of an object; flags 0 when there is none.
    void ReadPrefix(std::uint8_t& flags, std::int64_t& position);
    std::string ReadStr();
    TValueType ReadValue();
    TValueType NextValue() { return TValueType(PeekByte()); }
    bool EndOfList() { return PeekByte() == 0; }
    // "Invalid property value" unless the next tag is 1 / 0.
    void ReadListBegin();
    void ReadListEnd();

    // Payloads of the value kinds, the tag having been read.
    std::int64_t ReadIntegerPayload(TValueType tag); // 2, 3, 4, 19
    long double ReadFloatPayload(TValueType tag);    // 5, 15, 17, 21 (16 as value)
    std::int64_t ReadCurrencyPayload();              // 16: value x 10000
    std::string ReadAnsiPayload(TValueType tag);     // 6, 12
    WideString ReadWidePayload(TValueType tag);      // 18, 20
    std::vector<std::uint8_t> ReadBinaryPayload();   // 10
    std::vector<std::string> ReadSetPayload();       // 11
    // An integer value: tag 2, 3, 4 or 19 and its payload ("Invalid property value" otherwise).
    std::int64_t ReadInteger();

    // Passes over one value, or the payload of a value whose tag was read.
    void SkipValue();
    void SkipPayload(TValueType tag);

    // One property: its name and value, assigned to the object.
    void ReadProperty(TPersistent& instance);
    // The items of a collection value (tag 14 read).
    void ReadCollection(TCollection& collection);

protected:
    // Receives the message of an error that concerns one property; true lets reading go on.
    // The base reader stops.
    virtual bool Error(const std::string& message);
    void ReadNamedProperty(TPersistent& instance, const std::string& name);
    // Raises the error as TReader::Error decides: dropped, or EReadError with the message.
    void PropertyError(const TPersistent& instance, const std::string& name,
                       const std::string& message);

private:
    void Fill();
    void ReadPropertyValue(TPersistent& instance, const std::string& name);
    void ReadPropValue(TPersistent& instance, const TPropInfo& property);

    TStream& stream_;
    std::array<std::uint8_t, kFilerBufferSize> buffer_{};
    std::size_t position_ = 0; // next byte in buffer_
    std::size_t filled_ = 0;   // bytes in buffer_
    std::uint64_t streamLeft_ = 0;
    int nesting_ = 0;
};
