#pragma once
// Persistable test objects with a property of every kind, and a builder for annotated binary
// object streams.
#include "settings/objstream/TCollection.h"
#include "settings/objstream/TMemoryStream.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

enum class TColorMode { cmNone, cmGray, cmFull };

class TSampleFont : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TSampleFont",
            &TPersistent::StaticClassInfo(),
            {DeclareProperty<TSampleFont>("Name", TTypeKind::String, &TSampleFont::Name,
                                          &TSampleFont::SetName),
             DeclareProperty<TSampleFont>("Size", TTypeKind::Integer, &TSampleFont::Size,
                                          &TSampleFont::SetSize, {.Default = 10})}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::string Name() const { return name; }
    void SetName(std::string value) { name = std::move(value); }
    int Size() const { return size; }
    void SetSize(int value) { size = value; }

    std::string name;
    int size = 10;
};

class TSampleItem : public TCollectionItem {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TSampleItem",
            &TCollectionItem::StaticClassInfo(),
            {DeclareProperty<TSampleItem>("Caption", TTypeKind::WideString, &TSampleItem::Caption,
                                          &TSampleItem::SetCaption),
             DeclareProperty<TSampleItem>("Tag", TTypeKind::Integer, &TSampleItem::Tag,
                                          &TSampleItem::SetTag, {.Default = 0})}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    WideString Caption() const { return caption; }
    void SetCaption(WideString value) { caption = std::move(value); }
    int Tag() const { return tag; }
    void SetTag(int value) { tag = value; }

    WideString caption;
    int tag = 0;
};

class TSampleItems : public TCollection {
public:
    TSampleItems() : TCollection([] { return std::make_unique<TSampleItem>(); }) {}
    TSampleItem& At(std::size_t i) const { return static_cast<TSampleItem&>(Item(i)); }
};

inline const TEnumInfo kColorModeNames{{"cmNone", "cmGray", "cmFull"}};
inline const TEnumInfo kOptionNames{{"opLoop", "opMute", "opMono"}};
inline const TIdentMap kColorIdents{{{"clBlack", 0}, {"clRed", 255}}};

// Base class of TSample, so that the order "base class first" shows.
class TSampleBase : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TSampleBase",
            &TPersistent::StaticClassInfo(),
            {DeclareProperty<TSampleBase>("Text", TTypeKind::WideString, &TSampleBase::Text,
                                          &TSampleBase::SetText)}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    WideString Text() const { return text; }
    void SetText(WideString value) { text = std::move(value); }

    WideString text;
};

class TSample : public TSampleBase {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TSample",
            &TSampleBase::StaticClassInfo(),
            {
                DeclareProperty<TSample>("Ansi", TTypeKind::String, &TSample::Ansi,
                                         &TSample::SetAnsi),
                DeclareProperty<TSample>("Count", TTypeKind::Integer, &TSample::Count,
                                         &TSample::SetCount), // no default: always written
                DeclareProperty<TSample>("Color", TTypeKind::Integer, &TSample::Color,
                                         &TSample::SetColor,
                                         {.Default = 0, .Idents = &kColorIdents}),
                DeclareProperty<TSample>("Big", TTypeKind::Int64, &TSample::Big, &TSample::SetBig),
                DeclareProperty<TSample>("Letter", TTypeKind::Char, &TSample::Letter,
                                         &TSample::SetLetter, {.Default = 0}),
                DeclareProperty<TSample>("Mode", TTypeKind::Enumeration, &TSample::Mode,
                                         &TSample::SetMode,
                                         {.Default = 0, .Enum = &kColorModeNames}),
                DeclareProperty<TSample>("Enabled", TTypeKind::Enumeration, &TSample::Enabled,
                                         &TSample::SetEnabled, {.Default = 0}),
                DeclareProperty<TSample>("Options", TTypeKind::Set, &TSample::Options,
                                         &TSample::SetOptions,
                                         {.Default = 0, .Enum = &kOptionNames}),
                DeclareProperty<TSample>("Ratio", TTypeKind::Float, &TSample::Ratio,
                                         &TSample::SetRatio),
                DeclareProperty<TSample>("Font", TTypeKind::Class, &TSample::Font,
                                         &TSample::SetFont),
                DeclareProperty<TSample>("Items", TTypeKind::Class, &TSample::Items,
                                         &TSample::SetItems),
                DeclareProperty<TSample>("Hidden", TTypeKind::WideString, &TSample::Text,
                                         &TSample::SetText, {.Stored = false}),
                DeclareProperty<TSample>("ReadOnly", TTypeKind::WideString, &TSample::Text,
                                         nullptr),
            }};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    std::string Ansi() const { return ansi; }
    void SetAnsi(std::string value) { ansi = std::move(value); }
    int Count() const { return count; }
    void SetCount(int value) { count = value; }
    int Color() const { return color; }
    void SetColor(int value) { color = value; }
    std::int64_t Big() const { return big; }
    void SetBig(std::int64_t value) { big = value; }
    char16_t Letter() const { return letter; }
    void SetLetter(char16_t value) { letter = value; }
    TColorMode Mode() const { return mode; }
    void SetMode(TColorMode value) { mode = value; }
    bool Enabled() const { return enabled; }
    void SetEnabled(bool value) { enabled = value; }
    std::uint32_t Options() const { return options; }
    void SetOptions(std::uint32_t value) { options = value; }
    double Ratio() const { return ratio; }
    void SetRatio(double value) { ratio = value; }
    TSampleFont* Font() const { return const_cast<TSampleFont*>(&font); }
    void SetFont(TSampleFont*) {}
    TSampleItems* Items() const { return const_cast<TSampleItems*>(&items); }
    void SetItems(TSampleItems*) {}

    std::string ansi;
    int count = 0;
    int color = 0;
    std::int64_t big = 0;
    char16_t letter = 0;
    TColorMode mode = TColorMode::cmNone;
    bool enabled = false;
    std::uint32_t options = 0;
    double ratio = 0;
    TSampleFont font;
    TSampleItems items;
};

// Builds an object stream byte by byte; each call appends.
class Bytes {
public:
    Bytes& operator()(std::initializer_list<int> bytes) {
        for (int b : bytes)
            data.push_back(std::uint8_t(b));
        return *this;
    }
    // Characters without a length.
    Bytes& Raw(std::string_view text) {
        data.insert(data.end(), text.begin(), text.end());
        return *this;
    }
    // A short string: one length byte, then the characters.
    Bytes& Str(std::string_view text) {
        data.push_back(std::uint8_t(text.size()));
        return Raw(text);
    }
    Bytes& U32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            data.push_back(std::uint8_t(value >> (8 * i)));
        return *this;
    }
    std::vector<std::uint8_t> data;
};

inline std::string AsString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
inline std::vector<std::uint8_t> AsBytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Bytes as hexadecimal pairs, printable characters shown as themselves, so that a failed
// comparison shows where two streams part.
inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (b > 32 && b < 127 && b != '\\') {
            text += char(b);
        } else {
            text += '\\';
            text += kDigits[b >> 4];
            text += kDigits[b & 15];
        }
    }
    return text;
}
