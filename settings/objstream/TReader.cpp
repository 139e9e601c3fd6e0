#include "settings/objstream/TReader.h"

#include "runtime/TextConvert.h"
#include "settings/objstream/NumberText.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/TCollection.h"
#include "settings/objstream/TPersistent.h"
#include "settings/objstream/TStream.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {
// An error that concerns one property only; raised once its value has been consumed.
class EPropertyError : public EReadError {
public:
    using EReadError::EReadError;
};

[[noreturn]] void ReadError() {
    throw EReadError("Stream read error");
}
[[noreturn]] void InvalidValue() {
    throw EReadError("Invalid property value");
}
// Ends the read (it is no error of one property that could be dropped): a value the program
// could not write back in a file it would read again.
void CheckStringLength(std::size_t length) {
    if (length > kMaxStringLength) throw EReadError("String too long");
}

template <class T>
T LoadLittleEndian(const std::uint8_t* bytes) {
    using U = std::make_unsigned_t<T>;
    U bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;)
        bits = U((bits << 8) | bytes[i]);
    return static_cast<T>(bits);
}

bool IsIntegerTag(TValueType tag) {
    return tag == TValueType::vaInt8 || tag == TValueType::vaInt16 || tag == TValueType::vaInt32 ||
           tag == TValueType::vaInt64;
}
bool IsStringTag(TValueType tag) {
    return tag == TValueType::vaString || tag == TValueType::vaLString ||
           tag == TValueType::vaWString || tag == TValueType::vaUTF8String;
}

const std::vector<std::string>& EnumNames(const TPropInfo& property) {
    static const std::vector<std::string> none;
    return property.Enum ? property.Enum->Names : none;
}

// Keeps the nesting of collections read into objects within kMaxNesting.
class NestingGuard {
public:
    explicit NestingGuard(int& nesting) : nesting_(nesting) {
        if (++nesting_ > kMaxNesting) {
            --nesting_;
            InvalidValue();
        }
    }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    int& nesting_;
};
} // namespace

TReader::TReader(TStream& stream) : stream_(stream) {
    const std::int64_t position = stream_.Position();
    const std::int64_t size = stream_.Size();
    streamLeft_ = position >= 0 && size > position ? std::uint64_t(size - position) : 0;
}

TReader::~TReader() {
    // The bytes read ahead into the buffer go back to the stream.
    if (filled_ > position_)
        (void)stream_.Seek(-std::int64_t(filled_ - position_), TSeekOrigin::soCurrent);
}

void TReader::Fill() {
    position_ = 0;
    filled_ = stream_.Read(buffer_.data(), buffer_.size());
    streamLeft_ -= std::min<std::uint64_t>(streamLeft_, filled_);
    if (filled_ == 0) ReadError();
}

std::uint64_t TReader::Remaining() const {
    return (filled_ - position_) + streamLeft_;
}

void TReader::Read(void* data, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (count > 0) {
        if (position_ == filled_) Fill();
        const std::size_t chunk = std::min(count, filled_ - position_);
        std::memcpy(bytes, buffer_.data() + position_, chunk);
        position_ += chunk;
        bytes += chunk;
        count -= chunk;
    }
}

std::uint8_t TReader::ReadByte() {
    if (position_ == filled_) Fill();
    return buffer_[position_++];
}

std::uint8_t TReader::PeekByte() {
    if (position_ == filled_) Fill();
    return buffer_[position_];
}

void TReader::SkipBytes(std::uint64_t count) {
    if (count > Remaining()) ReadError();
    while (count > 0) {
        if (position_ == filled_) Fill();
        const std::size_t chunk = std::size_t(std::min<std::uint64_t>(count, filled_ - position_));
        position_ += chunk;
        count -= chunk;
    }
}

void TReader::ReadSignature() {
    char signature[sizeof kFilerSignature];
    Read(signature, sizeof signature);
    if (std::memcmp(signature, kFilerSignature, sizeof signature) != 0)
        throw EReadError("Invalid stream format");
}

void TReader::ReadPrefix(std::uint8_t& flags, std::int64_t& position) {
    flags = 0;
    position = 0;
    if (PeekByte() < kFilerFlagsPrefix) return;
    flags = ReadByte() & 0x0F;
    if (flags & ffChildPos) position = ReadInteger();
}

std::string TReader::ReadStr() {
    const std::uint8_t length = ReadByte();
    std::string text(length, '\0');
    Read(text.data(), length);
    return text;
}

TValueType TReader::ReadValue() {
    return TValueType(ReadByte());
}

void TReader::ReadListBegin() {
    if (ReadValue() != TValueType::vaList) InvalidValue();
}

void TReader::ReadListEnd() {
    if (ReadValue() != TValueType::vaNull) InvalidValue();
}

std::int64_t TReader::ReadIntegerPayload(TValueType tag) {
    std::uint8_t bytes[8];
    switch (tag) {
    case TValueType::vaInt8:
        Read(bytes, 1);
        return LoadLittleEndian<std::int8_t>(bytes);
    case TValueType::vaInt16:
        Read(bytes, 2);
        return LoadLittleEndian<std::int16_t>(bytes);
    case TValueType::vaInt32:
        Read(bytes, 4);
        return LoadLittleEndian<std::int32_t>(bytes);
    case TValueType::vaInt64:
        Read(bytes, 8);
        return LoadLittleEndian<std::int64_t>(bytes);
    default:
        InvalidValue();
    }
}

long double TReader::ReadFloatPayload(TValueType tag) {
    std::uint8_t bytes[kExtendedSize];
    switch (tag) {
    case TValueType::vaExtended:
        Read(bytes, kExtendedSize);
        return ExtendedFromBytes(bytes);
    case TValueType::vaSingle:
        Read(bytes, 4);
        return std::bit_cast<float>(LoadLittleEndian<std::uint32_t>(bytes));
    case TValueType::vaDate:
    case TValueType::vaDouble:
        Read(bytes, 8);
        return std::bit_cast<double>(LoadLittleEndian<std::uint64_t>(bytes));
    case TValueType::vaCurrency:
        return static_cast<long double>(ReadCurrencyPayload()) / 10000;
    default:
        InvalidValue();
    }
}

std::int64_t TReader::ReadCurrencyPayload() {
    std::uint8_t bytes[8];
    Read(bytes, 8);
    return LoadLittleEndian<std::int64_t>(bytes);
}

std::string TReader::ReadAnsiPayload(TValueType tag) {
    std::uint64_t length = 0;
    if (tag == TValueType::vaString) {
        length = ReadByte();
    } else if (tag == TValueType::vaLString) {
        std::uint8_t bytes[4];
        Read(bytes, 4);
        length = LoadLittleEndian<std::uint32_t>(bytes);
    } else {
        InvalidValue();
    }
    if (length > Remaining()) ReadError();
    std::string text(std::size_t(length), '\0');
    Read(text.data(), text.size());
    return text;
}

WideString TReader::ReadWidePayload(TValueType tag) {
    std::uint8_t bytes[4];
    Read(bytes, 4);
    const std::uint64_t count = LoadLittleEndian<std::uint32_t>(bytes);
    if (tag == TValueType::vaUTF8String) {
        if (count > Remaining()) ReadError();
        std::string text(std::size_t(count), '\0');
        Read(text.data(), text.size());
        return Utf8ToUtf16(text);
    }
    if (tag != TValueType::vaWString) InvalidValue();
    if (2 * count > Remaining()) ReadError();
    WideString text(std::size_t(count), u'\0');
    for (char16_t& unit : text) {
        Read(bytes, 2);
        unit = char16_t(LoadLittleEndian<std::uint16_t>(bytes));
    }
    return text;
}

std::vector<std::uint8_t> TReader::ReadBinaryPayload() {
    std::uint8_t bytes[4];
    Read(bytes, 4);
    const std::uint64_t length = LoadLittleEndian<std::uint32_t>(bytes);
    if (length > Remaining()) ReadError();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
    Read(data.data(), data.size());
    return data;
}

std::vector<std::string> TReader::ReadSetPayload() {
    std::vector<std::string> names;
    for (std::string name = ReadStr(); !name.empty(); name = ReadStr())
        names.push_back(std::move(name));
    return names;
}

std::int64_t TReader::ReadInteger() {
    const TValueType tag = ReadValue();
    if (!IsIntegerTag(tag)) InvalidValue();
    return ReadIntegerPayload(tag);
}

void TReader::SkipValue() {
    SkipPayload(ReadValue());
}

void TReader::SkipPayload(TValueType tag) {
    // Lists, collections and their items nest; the open ones are kept here instead of on the
    // call stack.
    enum class Open : std::uint8_t { List, Collection, Item };
    std::vector<Open> open;
    auto begin = [&](TValueType value) {
        std::uint8_t bytes[4];
        switch (value) {
        case TValueType::vaNull:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            return;
        case TValueType::vaList:
            open.push_back(Open::List);
            return;
        case TValueType::vaCollection:
            open.push_back(Open::Collection);
            return;
        case TValueType::vaInt8:
            return SkipBytes(1);
        case TValueType::vaInt16:
            return SkipBytes(2);
        case TValueType::vaInt32:
        case TValueType::vaSingle:
            return SkipBytes(4);
        case TValueType::vaExtended:
            return SkipBytes(kExtendedSize);
        case TValueType::vaCurrency:
        case TValueType::vaDate:
        case TValueType::vaInt64:
        case TValueType::vaDouble:
            return SkipBytes(8);
        case TValueType::vaString:
        case TValueType::vaIdent:
            return SkipBytes(ReadByte());
        case TValueType::vaBinary:
        case TValueType::vaLString:
        case TValueType::vaUTF8String:
            Read(bytes, 4);
            return SkipBytes(LoadLittleEndian<std::uint32_t>(bytes));
        case TValueType::vaWString:
            Read(bytes, 4);
            return SkipBytes(2 * std::uint64_t(LoadLittleEndian<std::uint32_t>(bytes)));
        case TValueType::vaSet:
            for (std::uint8_t length = ReadByte(); length != 0; length = ReadByte())
                SkipBytes(length);
            return;
        }
        InvalidValue(); // a tag the format does not know
    };
    begin(tag);
    while (!open.empty()) {
        switch (open.back()) {
        case Open::List: {
            const TValueType value = ReadValue();
            if (value == TValueType::vaNull)
                open.pop_back();
            else
                begin(value);
            break;
        }
        case Open::Collection: {
            TValueType value = ReadValue();
            if (value == TValueType::vaNull) {
                open.pop_back();
                break;
            }
            if (IsIntegerTag(value) && value != TValueType::vaInt64) {
                begin(value); // the item's order value
                value = ReadValue();
            }
            if (value != TValueType::vaList) InvalidValue();
            open.push_back(Open::Item);
            break;
        }
        case Open::Item:
            if (EndOfList()) {
                (void)ReadByte();
                open.pop_back();
                break;
            }
            SkipBytes(ReadByte()); // the property name
            begin(ReadValue());
            break;
        }
    }
}

bool TReader::Error(const std::string&) {
    return false;
}

void TReader::ReadProperty(TPersistent& instance) {
    ReadNamedProperty(instance, ReadStr());
}

void TReader::ReadNamedProperty(TPersistent& instance, const std::string& name) {
    try {
        ReadPropertyValue(instance, name);
    } catch (const EPropertyError& error) {
        PropertyError(instance, name, error.Message());
    }
}

void TReader::PropertyError(const TPersistent& instance, const std::string& name,
                            const std::string& message) {
    const std::string text = "Error reading " + instance.ClassName() + "." + name + ": " + message;
    if (!Error(text)) throw EReadError(text);
}

void TReader::ReadPropertyValue(TPersistent& instance, const std::string& name) {
    // A dotted name walks through nested persistable objects.
    TPersistent* target = &instance;
    std::string_view rest = name;
    for (;;) {
        const std::size_t dot = rest.find('.');
        const std::string_view part = rest.substr(0, dot);
        const TPropInfo* property = FindPublishedProperty(target->ClassInfo(), part);
        if (dot == std::string_view::npos) {
            if (!property) {
                SkipValue();
                throw EPropertyError("Property " + std::string(part) + " does not exist");
            }
            return ReadPropValue(*target, *property);
        }
        TPersistent* nested = nullptr;
        if (property && property->Kind == TTypeKind::Class && property->Get)
            nested = std::get<TPersistent*>(property->Get(*target));
        if (!nested) {
            SkipValue();
            throw EPropertyError("Invalid property path");
        }
        target = nested;
        rest = rest.substr(dot + 1);
    }
}

void TReader::ReadPropValue(TPersistent& instance, const TPropInfo& property) {
    const TValueType tag = ReadValue();
    auto reject = [&]() {
        SkipPayload(tag);
        throw EPropertyError("Invalid property value");
    };
    auto text = [&]() {
        return tag == TValueType::vaString || tag == TValueType::vaLString
                   ? AnsiToUtf16(ReadAnsiPayload(tag))
                   : ReadWidePayload(tag);
    };
    auto nameOf = [&]() -> std::string {
        switch (tag) {
        case TValueType::vaIdent:
            return ReadStr();
        case TValueType::vaFalse:
            return "False";
        case TValueType::vaTrue:
            return "True";
        case TValueType::vaNil:
            return "nil";
        default:
            return "Null";
        }
    };
    TPropValue value;
    switch (property.Kind) {
    case TTypeKind::String: {
        if (!IsStringTag(tag)) reject();
        std::string bytes = tag == TValueType::vaString || tag == TValueType::vaLString
                                ? ReadAnsiPayload(tag)
                                : Utf16ToAnsi(ReadWidePayload(tag));
        CheckStringLength(bytes.size());
        value = std::move(bytes);
        break;
    }
    case TTypeKind::WideString: {
        if (!IsStringTag(tag)) reject();
        WideString wide = text();
        CheckStringLength(wide.size());
        value = std::move(wide);
        break;
    }
    case TTypeKind::Char: {
        if (!IsStringTag(tag)) reject();
        const WideString character = text();
        if (character.size() != 1) throw EPropertyError("Invalid property value");
        value = std::int64_t(character[0]);
        break;
    }
    case TTypeKind::Integer:
    case TTypeKind::Int64: {
        const bool wide = property.Kind == TTypeKind::Int64;
        if (IsIntegerTag(tag) && (wide || tag != TValueType::vaInt64)) {
            value = ReadIntegerPayload(tag);
        } else if (tag == TValueType::vaIdent) {
            const std::string ident = ReadStr();
            bool found = false;
            if (property.Idents)
                for (const auto& [name, number] : property.Idents->Entries)
                    if (!found && SameText(name, ident)) value = number, found = true;
            if (!found) throw EPropertyError("Invalid property value");
        } else {
            reject();
        }
        break;
    }
    case TTypeKind::Enumeration: {
        if (tag != TValueType::vaIdent && tag != TValueType::vaFalse && tag != TValueType::vaTrue &&
            tag != TValueType::vaNil && tag != TValueType::vaNull)
            reject();
        const std::string name = nameOf();
        const auto& names = EnumNames(property);
        const auto found = std::find_if(names.begin(), names.end(),
                                        [&](const std::string& n) { return SameText(n, name); });
        if (found == names.end()) throw EPropertyError("Invalid property value");
        value = std::int64_t(found - names.begin());
        break;
    }
    case TTypeKind::Set: {
        if (tag != TValueType::vaSet) reject();
        std::uint64_t bits = 0;
        bool known = true;
        for (const std::string& element : ReadSetPayload()) {
            const auto& names = EnumNames(property);
            const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return SameText(n, element);
            });
            if (found == names.end() || found - names.begin() >= 32)
                known = false;
            else
                bits |= std::uint64_t(1) << (found - names.begin());
        }
        if (!known) throw EPropertyError("Invalid property value");
        value = std::int64_t(bits);
        break;
    }
    case TTypeKind::Float:
        if (IsIntegerTag(tag))
            value = static_cast<long double>(ReadIntegerPayload(tag));
        else if (tag == TValueType::vaExtended || tag == TValueType::vaSingle ||
                 tag == TValueType::vaCurrency || tag == TValueType::vaDate ||
                 tag == TValueType::vaDouble)
            value = ReadFloatPayload(tag);
        else
            reject();
        break;
    case TTypeKind::Class: {
        TCollection* collection = nullptr;
        if (tag == TValueType::vaCollection && property.Get)
            collection = dynamic_cast<TCollection*>(std::get<TPersistent*>(property.Get(instance)));
        if (!collection) reject();
        NestingGuard guard(nesting_);
        ReadCollection(*collection);
        return; // read into the object the property holds
    }
    }
    if (!property.Set) throw EPropertyError("Invalid property value");
    try {
        property.Set(instance, value);
    } catch (const Exception& error) {
        throw EPropertyError(error.Message());
    }
}

void TReader::ReadCollection(TCollection& collection) {
    if (!EndOfList()) collection.Clear();
    while (!EndOfList()) {
        TCollectionItem& item = collection.Add();
        const TValueType tag = NextValue();
        if (IsIntegerTag(tag) && tag != TValueType::vaInt64) (void)ReadInteger(); // order value
        ReadListBegin();
        while (!EndOfList())
            ReadProperty(item);
        ReadListEnd();
    }
    ReadListEnd();
}
