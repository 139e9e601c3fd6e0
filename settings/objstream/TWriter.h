#pragma once
// Writes the binary object stream: values with their tags, and the published properties of
// persistable objects. Buffers 4096 bytes; FlushBuffer must be called once everything is
// written (the destructor does not write, so an error never leaves it). One thread.
#include "settings/objstream/ObjectStreamTypes.h"
#include "settings/objstream/PersistentTypes.h"

#include "runtime/WinTypes.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class TPersistent;
class TCollection;

class TWriter {
public:
    explicit TWriter(TStream& stream) : stream_(stream) {}
    virtual ~TWriter() = default;
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;

    // Hands the buffered bytes to the stream; EWriteError "Stream write error".
    void FlushBuffer();
    void Write(const void* data, std::size_t count);
    void WriteText(std::string_view text) { Write(text.data(), text.size()); }

    void WriteSignature();
    void WriteValue(TValueType value);
    // One length byte and at most 255 bytes; a longer text is cut.
    void WriteStr(std::string_view text);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }

    // The smallest of tags 2, 3, 4 that holds the value, or 19.
    void WriteInteger(std::int64_t value);
    // Tags 6 and 12 for ASCII, 20 (UTF-8) when that is shorter than UTF-16, otherwise 18.
    void WriteString(std::u16string_view text);
    // "False", "True", "nil", "Null" (any case) as their tags, any other name as tag 7.
    void WriteIdent(std::string_view name);
    void WriteFloat(long double value);
    void WriteSingle(float value);
    void WriteCurrency(std::int64_t valueTimes10000);
    void WriteDate(double value);
    void WriteBinary(const std::vector<std::uint8_t>& bytes);

    // The object's published properties, base classes first; names get the prefix (for a
    // nested object, "Font." and so on).
    void WriteProperties(const TPersistent& object, const std::string& prefix = {});
    // Tag 14, then each item's properties between tags 1 and 0, then 0.
    void WriteCollection(const TCollection& collection);

protected:
    void WriteProperty(const TPersistent& object, const TPropInfo& property,
                       const std::string& prefix);

private:
    TStream& stream_;
    std::array<std::uint8_t, kFilerBufferSize> buffer_{};
    std::size_t used_ = 0;
};
