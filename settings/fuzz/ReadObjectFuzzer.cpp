// libFuzzer target for the object stream reader: any input must either load or fail with one
// of the reader's own errors (EReadError, EParserError, EConvertError); and whatever loaded
// must write out and read back to the same values. Anything else (a crash, a sanitizer
// report, another exception, a mismatch) is a finding.
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/ObjectStream.h"
#include "settings/objstream/ObjectText.h"
#include "settings/objstream/TCollection.h"
#include "settings/objstream/TMemoryStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
class TFuzzFont : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TFuzzFont",
            &TPersistent::StaticClassInfo(),
            {DeclareProperty<TFuzzFont>("Name", TTypeKind::String, &TFuzzFont::Name,
                                        &TFuzzFont::SetName)}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::string Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }

private:
    std::string name_;
};

class TFuzzItem : public TCollectionItem {
public:
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TFuzzItem",
            &TCollectionItem::StaticClassInfo(),
            {DeclareProperty<TFuzzItem>("Caption", TTypeKind::WideString, &TFuzzItem::Caption,
                                        &TFuzzItem::SetCaption),
             DeclareProperty<TFuzzItem>("Tag", TTypeKind::Integer, &TFuzzItem::Tag,
                                        &TFuzzItem::SetTag, {.Default = 0})}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    WideString Caption() const { return caption_; }
    void SetCaption(WideString value) { caption_ = std::move(value); }
    int Tag() const { return tag_; }
    void SetTag(int value) { tag_ = value; }

private:
    WideString caption_;
    int tag_ = 0;
};

const TEnumInfo kModes{{"mdOff", "mdOn", "mdAuto"}};
const TIdentMap kColors{{{"clBlack", 0}, {"clRed", 255}}};

// Every property kind; the float is read but not stored, because its text form keeps 16
// significant digits only.
class TFuzzObject : public TPersistent {
public:
    TFuzzObject() : items_([] { return std::make_unique<TFuzzItem>(); }) {}
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info{
            "TFuzzObject",
            &TPersistent::StaticClassInfo(),
            {
                DeclareProperty<TFuzzObject>("Folder", TTypeKind::WideString, &TFuzzObject::Folder,
                                             &TFuzzObject::SetFolder),
                DeclareProperty<TFuzzObject>("Ansi", TTypeKind::String, &TFuzzObject::Ansi,
                                             &TFuzzObject::SetAnsi),
                DeclareProperty<TFuzzObject>("Count", TTypeKind::Integer, &TFuzzObject::Count,
                                             &TFuzzObject::SetCount, {.Idents = &kColors}),
                DeclareProperty<TFuzzObject>("Big", TTypeKind::Int64, &TFuzzObject::Big,
                                             &TFuzzObject::SetBig),
                DeclareProperty<TFuzzObject>("Letter", TTypeKind::Char, &TFuzzObject::Letter,
                                             &TFuzzObject::SetLetter),
                DeclareProperty<TFuzzObject>("Mode", TTypeKind::Enumeration, &TFuzzObject::Mode,
                                             &TFuzzObject::SetMode, {.Enum = &kModes}),
                DeclareProperty<TFuzzObject>("Flag", TTypeKind::Enumeration, &TFuzzObject::Flag,
                                             &TFuzzObject::SetFlag),
                DeclareProperty<TFuzzObject>("Options", TTypeKind::Set, &TFuzzObject::Options,
                                             &TFuzzObject::SetOptions, {.Enum = &kModes}),
                DeclareProperty<TFuzzObject>("Ratio", TTypeKind::Float, &TFuzzObject::Ratio,
                                             &TFuzzObject::SetRatio, {.Stored = false}),
                DeclareProperty<TFuzzObject>("Font", TTypeKind::Class, &TFuzzObject::Font,
                                             &TFuzzObject::SetFont),
                DeclareProperty<TFuzzObject>("Items", TTypeKind::Class, &TFuzzObject::Items,
                                             &TFuzzObject::SetItems),
            }};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    WideString Folder() const { return folder_; }
    void SetFolder(WideString value) { folder_ = std::move(value); }
    std::string Ansi() const { return ansi_; }
    void SetAnsi(std::string value) { ansi_ = std::move(value); }
    int Count() const { return count_; }
    void SetCount(int value) { count_ = value; }
    std::int64_t Big() const { return big_; }
    void SetBig(std::int64_t value) { big_ = value; }
    char16_t Letter() const { return letter_; }
    void SetLetter(char16_t value) { letter_ = value; }
    int Mode() const { return mode_; }
    void SetMode(int value) { mode_ = value; }
    bool Flag() const { return flag_; }
    void SetFlag(bool value) { flag_ = value; }
    std::uint32_t Options() const { return options_; }
    void SetOptions(std::uint32_t value) { options_ = value; }
    long double Ratio() const { return ratio_; }
    void SetRatio(long double value) { ratio_ = value; }
    TFuzzFont* Font() const { return const_cast<TFuzzFont*>(&font_); }
    void SetFont(TFuzzFont*) {}
    TCollection* Items() const { return const_cast<TCollection*>(&items_); }
    void SetItems(TCollection*) {}

private:
    WideString folder_;
    std::string ansi_;
    int count_ = 0;
    std::int64_t big_ = 0;
    char16_t letter_ = 0;
    int mode_ = 0;
    bool flag_ = false;
    std::uint32_t options_ = 0;
    long double ratio_ = 0;
    TFuzzFont font_;
    TCollection items_;
};

std::vector<std::uint8_t> Written(TFuzzObject& object, bool asText) {
    TMemoryStream stream;
    WriteObjectToStream(object, stream, asText);
    return stream.Bytes();
}

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> input(data, data + size);
    TFuzzObject object;
    bool loaded = false;
    try {
        TMemoryStream stream(input);
        (void)ReadObjectFromStream(object, stream);
        loaded = true;
    } catch (const EReadError&) {
    } catch (const EParserError&) {
    } catch (const EConvertError&) {
    }

    // The binary to text converter on its own.
    try {
        TMemoryStream binary(input);
        TMemoryStream text;
        BinaryStreamToText(binary, text);
    } catch (const EReadError&) {
    }

    if (!loaded) return 0;
    const std::vector<std::uint8_t> binary = Written(object, false);
    for (const bool asText : {false, true}) {
        TFuzzObject again;
        TMemoryStream stream(Written(object, asText));
        try {
            (void)ReadObjectFromStream(again, stream);
        } catch (const Exception&) {
            Finding(asText ? "written text does not read back"
                           : "written binary does not read back");
        }
        if (Written(again, false) != binary) Finding("values changed on the way back");
    }
    return 0;
}
