#include "settings/objstream/TWriter.h"

#include "settings/TextEncoding.h"
#include "settings/objstream/CodePage1252.h"
#include "settings/objstream/NumberText.h"
#include "settings/objstream/TCollection.h"
#include "settings/objstream/TPersistent.h"
#include "settings/objstream/TStream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

namespace {
template <class T>
void StoreLittleEndian(std::uint8_t* out, T value) {
    using U = std::make_unsigned_t<T>;
    const U bits = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = std::uint8_t(bits >> (8 * i));
}
} // namespace

void TWriter::FlushBuffer() {
    if (used_ == 0) return;
    const std::size_t count = std::exchange(used_, 0);
    stream_.WriteBuffer(buffer_.data(), count);
}

void TWriter::Write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
        if (used_ == buffer_.size()) FlushBuffer();
        const std::size_t chunk = std::min(count, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, bytes, chunk);
        used_ += chunk;
        bytes += chunk;
        count -= chunk;
    }
}

void TWriter::WriteSignature() {
    Write(kFilerSignature, sizeof kFilerSignature);
}

void TWriter::WriteValue(TValueType value) {
    const std::uint8_t tag = static_cast<std::uint8_t>(value);
    Write(&tag, 1);
}

void TWriter::WriteStr(std::string_view text) {
    const std::uint8_t length = std::uint8_t(std::min<std::size_t>(text.size(), 255));
    Write(&length, 1);
    Write(text.data(), length);
}

void TWriter::WriteInteger(std::int64_t value) {
    std::uint8_t payload[8];
    if (value >= -128 && value <= 127) {
        WriteValue(TValueType::vaInt8);
        StoreLittleEndian(payload, std::int8_t(value));
        Write(payload, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(TValueType::vaInt16);
        StoreLittleEndian(payload, std::int16_t(value));
        Write(payload, 2);
    } else if (value >= std::numeric_limits<std::int32_t>::min() &&
               value <= std::numeric_limits<std::int32_t>::max()) {
        WriteValue(TValueType::vaInt32);
        StoreLittleEndian(payload, std::int32_t(value));
        Write(payload, 4);
    } else {
        WriteValue(TValueType::vaInt64);
        StoreLittleEndian(payload, value);
        Write(payload, 8);
    }
}

void TWriter::WriteString(std::u16string_view text) {
    std::uint8_t length[4];
    // Text with a lone surrogate has no UTF-8 form; as UTF-16 it is kept unit for unit.
    if (IsWellFormedUtf16(text)) {
        const std::string utf8 = Utf16ToUtf8(text);
        if (utf8.size() < 2 * text.size()) {
            if (Utf16ToAnsi(text) == utf8) {
                if (utf8.size() <= 255) {
                    WriteValue(TValueType::vaString);
                    const std::uint8_t shortLength = std::uint8_t(utf8.size());
                    Write(&shortLength, 1);
                } else {
                    WriteValue(TValueType::vaLString);
                    StoreLittleEndian(length, std::uint32_t(utf8.size()));
                    Write(length, 4);
                }
            } else {
                WriteValue(TValueType::vaUTF8String);
                StoreLittleEndian(length, std::uint32_t(utf8.size()));
                Write(length, 4);
            }
            Write(utf8.data(), utf8.size());
            return;
        }
    }
    WriteValue(TValueType::vaWString);
    StoreLittleEndian(length, std::uint32_t(text.size()));
    Write(length, 4);
    for (const char16_t unit : text) {
        std::uint8_t bytes[2];
        StoreLittleEndian(bytes, std::uint16_t(unit));
        Write(bytes, 2);
    }
}

void TWriter::WriteIdent(std::string_view name) {
    if (SameText(name, "False")) {
        WriteValue(TValueType::vaFalse);
    } else if (SameText(name, "True")) {
        WriteValue(TValueType::vaTrue);
    } else if (SameText(name, "nil")) {
        WriteValue(TValueType::vaNil);
    } else if (SameText(name, "Null")) {
        WriteValue(TValueType::vaNull);
    } else {
        WriteValue(TValueType::vaIdent);
        WriteStr(name);
    }
}

void TWriter::WriteFloat(long double value) {
    std::uint8_t payload[kExtendedSize];
    ExtendedToBytes(value, payload);
    WriteValue(TValueType::vaExtended);
    Write(payload, sizeof payload);
}

void TWriter::WriteSingle(float value) {
    std::uint8_t payload[4];
    StoreLittleEndian(payload, std::bit_cast<std::uint32_t>(value));
    WriteValue(TValueType::vaSingle);
    Write(payload, sizeof payload);
}

void TWriter::WriteCurrency(std::int64_t valueTimes10000) {
    std::uint8_t payload[8];
    StoreLittleEndian(payload, valueTimes10000);
    WriteValue(TValueType::vaCurrency);
    Write(payload, sizeof payload);
}

void TWriter::WriteDate(double value) {
    std::uint8_t payload[8];
    StoreLittleEndian(payload, std::bit_cast<std::uint64_t>(value));
    WriteValue(TValueType::vaDate);
    Write(payload, sizeof payload);
}

void TWriter::WriteBinary(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t length[4];
    StoreLittleEndian(length, std::uint32_t(bytes.size()));
    WriteValue(TValueType::vaBinary);
    Write(length, 4);
    Write(bytes.data(), bytes.size());
}

void TWriter::WriteProperties(const TPersistent& object, const std::string& prefix) {
    for (const TPropInfo* property : PublishedProperties(object.ClassInfo())) {
        if (!property->Get || !property->Set || !property->Stored) continue;
        WriteProperty(object, *property, prefix);
    }
}

void TWriter::WriteProperty(const TPersistent& object, const TPropInfo& property,
                            const std::string& prefix) {
    const TPropValue value = property.Get(object);
    const std::string name = prefix + property.Name;
    switch (property.Kind) {
    case TTypeKind::String: {
        const std::string& text = std::get<std::string>(value);
        if (text.empty()) return;
        WriteStr(name);
        WriteString(AnsiToUtf16(text));
        return;
    }
    case TTypeKind::WideString: {
        const WideString& text = std::get<WideString>(value);
        if (text.empty()) return;
        WriteStr(name);
        WriteString(text);
        return;
    }
    case TTypeKind::Float: {
        const long double number = std::get<long double>(value);
        if (number == 0) return;
        WriteStr(name);
        WriteFloat(number);
        return;
    }
    case TTypeKind::Class: {
        const TPersistent* nested = std::get<TPersistent*>(value);
        if (!nested) return;
        if (const auto* collection = dynamic_cast<const TCollection*>(nested)) {
            WriteStr(name);
            WriteCollection(*collection);
        } else {
            WriteProperties(*nested, name + ".");
        }
        return;
    }
    default:
        break;
    }
    const std::int64_t ordinal = std::get<std::int64_t>(value);
    if (property.Kind == TTypeKind::Int64 ? ordinal == 0
                                          : property.Default && ordinal == *property.Default)
        return;
    WriteStr(name);
    switch (property.Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Int64:
        if (property.Idents) {
            for (const auto& [ident, number] : property.Idents->Entries) {
                if (number == ordinal) {
                    WriteValue(TValueType::vaIdent);
                    WriteStr(ident);
                    return;
                }
            }
        }
        WriteInteger(ordinal);
        return;
    case TTypeKind::Char:
        WriteString(std::u16string(1, char16_t(ordinal)));
        return;
    case TTypeKind::Enumeration:
        if (ordinal >= 0 && std::size_t(ordinal) < property.Enum->Names.size())
            WriteIdent(property.Enum->Names[std::size_t(ordinal)]);
        else
            WriteInteger(ordinal);
        return;
    case TTypeKind::Set:
        WriteValue(TValueType::vaSet);
        for (std::size_t bit = 0; bit < 32 && property.Enum && bit < property.Enum->Names.size();
             ++bit)
            if ((std::uint64_t(ordinal) >> bit) & 1) WriteStr(property.Enum->Names[bit]);
        WriteStr({});
        return;
    default:
        return;
    }
}

void TWriter::WriteCollection(const TCollection& collection) {
    WriteValue(TValueType::vaCollection);
    for (std::size_t i = 0; i < collection.Count(); ++i) {
        WriteListBegin();
        WriteProperties(collection.Item(i));
        WriteListEnd();
    }
    WriteListEnd();
}
