#include "settings/objstream/NumberText.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/ObjectStream.h"
#include "settings/objstream/TReaderExt.h"
#include "settings/objstream/TWriter.h"

#include "SampleObjects.h"
#include "runtime/TextConvert.h"
#include "settings/TIniData.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {
std::vector<std::uint8_t> WriteBinary(TPersistent& object) {
    TMemoryStream stream;
    WriteObjectToStream(object, stream, false);
    return stream.Bytes();
}

// Reads a binary or text stream into the object; true when it was binary.
bool ReadBack(TPersistent& object, const std::vector<std::uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    return ReadObjectFromStream(object, stream);
}

std::string ReadError(TPersistent& object, const std::vector<std::uint8_t>& bytes) {
    try {
        (void)ReadBack(object, bytes);
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

// The header of a TIniData stream and its one property name.
Bytes IniHeader() {
    return Bytes().Raw("TPF0").Str("TIniData").Str("IniData");
}

struct StringCase {
    const char* what;
    std::u16string folder;
    std::vector<std::uint8_t> value; // tag and payload
};

TEST(BinaryStream, StringChoiceFollowsTheText) {
    const std::u16string ascii255(255, u'a');
    const std::u16string ascii256(256, u'a');
    const StringCase cases[] = {
        {"ASCII", u"ab", Bytes()({6, 2}).Raw("ab").data},
        {"255 ASCII characters", ascii255, Bytes()({6, 255}).Raw(Utf16ToUtf8(ascii255)).data},
        {"256 ASCII characters", ascii256, Bytes()({12}).U32(256).Raw(Utf16ToUtf8(ascii256)).data},
        {"u-umlaut in UTF-8", u"f\u00fcr", Bytes()({20}).U32(4)({'f', 0xC3, 0xBC, 'r'}).data},
        // Three UTF-8 bytes per unit are not less than two UTF-16 bytes.
        {"CJK in UTF-16", u"\u97f3", Bytes()({18}).U32(1)({0xF3, 0x97}).data},
        // A lone surrogate has no UTF-8 form and is kept as it is.
        {"lone surrogate", u"a\xD800", Bytes()({18}).U32(2)({'a', 0, 0x00, 0xD8}).data},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.what);
        TIniData data;
        data.SetFolderForRecordings(c.folder);
        std::vector<std::uint8_t> all = IniHeader().Str("FolderForRecordings").data;
        all.insert(all.end(), c.value.begin(), c.value.end());
        all.push_back(0); // end of properties
        all.push_back(0); // end of children
        EXPECT_EQ(Hex(all), Hex(WriteBinary(data)));

        TIniData back;
        EXPECT_TRUE(ReadBack(back, all));
        EXPECT_EQ(c.folder, back.FolderForRecordings());
    }
}

TEST(BinaryStream, EmptyStringIsWideWithCountZeroWhenWrittenDirectly) {
    TMemoryStream stream;
    TWriter writer(stream);
    writer.WriteString(u"");
    writer.FlushBuffer();
    EXPECT_EQ(Bytes()({18}).U32(0).data, stream.Bytes());
}

TEST(BinaryStream, DefaultsAndUnwritablePropertiesAreSkipped) {
    TSample sample;
    sample.font.size = 10; // its default
    // Only Count (declared without a default) is written; empty strings, zero numbers, the
    // declared defaults, a property that is not stored and one without a setter are not.
    const auto expected = Bytes()
                              .Raw("TPF0")
                              .Str("TSample")
                              .Str("Sample")
                              .Str("Count")({2, 0})  // tag 2, value 0
                              .Str("Items")({14, 0}) // an empty collection
                          ({0, 0})
                              .data;
    EXPECT_EQ(Hex(expected), Hex(WriteBinary(sample)));

    TIniData data;
    data.SetFolderForRecordings(u"");
    EXPECT_EQ(IniHeader()({0, 0}).data, WriteBinary(data));
    TIniData back; // its folder is the default and stays so
    (void)ReadBack(back, IniHeader()({0, 0}).data);
    EXPECT_EQ(TIniData().FolderForRecordings(), back.FolderForRecordings());
}

TEST(BinaryStream, EveryKindWritesAndReadsBack) {
    TSample sample;
    sample.text = u"Base";
    sample.ansi = "caf\xE9";
    sample.count = -40000;
    sample.color = 255;
    sample.big = std::int64_t(1) << 40;
    sample.letter = u'\u00e9';
    sample.mode = TColorMode::cmFull;
    sample.enabled = true;
    sample.options = 0b101;
    sample.ratio = 0.25;
    sample.font.name = "Arial";
    sample.font.size = 12;
    sample.items.Add();
    sample.items.At(0).caption = u"one";
    sample.items.Add();
    sample.items.At(1).tag = 7;
    const auto expected =
        Bytes()
            .Raw("TPF0")
            .Str("TSample")
            .Str("Sample")
            .Str("Text")({6, 4})
            .Raw("Base") // base class first
            .Str("Ansi")({20})
            .U32(5)
            .Raw("caf\xC3\xA9") // 8-bit text goes through UTF-16
            .Str("Count")({4})
            .U32(std::uint32_t(-40000)) // needs 32 bits
            .Str("Color")({7})
            .Str("clRed")                             // an identifier of the integer type
            .Str("Big")({19, 0, 0, 0, 0, 0, 1, 0, 0}) // beyond 32 bits
            .Str("Letter")({18})
            .U32(1)({0xE9, 0x00}) // UTF-8 would not be shorter
            .Str("Mode")({7})
            .Str("cmFull")
            .Str("Enabled")({9}) // True has its own tag
            .Str("Options")({11})
            .Str("opLoop")
            .Str("opMono")({0})
            .Str("Ratio")({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFD, 0x3F}) // 0.25 as 80-bit extended
            .Str("Font.Name")({6, 5})
            .Raw("Arial")
            .Str("Font.Size")({2, 12})
            .Str("Items")({14})({1})
            .Str("Caption")({6, 3})
            .Raw("one")({0}) // first item
        ({1})
            .Str("Tag")({2, 7})({0}) // second item
        ({0})                        // end of items
        ({0, 0})
            .data;
    EXPECT_EQ(Hex(expected), Hex(WriteBinary(sample)));

    TSample back;
    back.items.Add(); // replaced by the items read
    back.items.Add();
    back.items.Add();
    EXPECT_TRUE(ReadBack(back, expected));
    EXPECT_EQ(u"Base", back.text);
    EXPECT_EQ("caf\xE9", back.ansi);
    EXPECT_EQ(-40000, back.count);
    EXPECT_EQ(255, back.color);
    EXPECT_EQ(std::int64_t(1) << 40, back.big);
    EXPECT_EQ(u'\u00e9', back.letter);
    EXPECT_EQ(TColorMode::cmFull, back.mode);
    EXPECT_TRUE(back.enabled);
    EXPECT_EQ(0b101u, back.options);
    EXPECT_EQ(0.25, back.ratio);
    EXPECT_EQ("Arial", back.font.name);
    EXPECT_EQ(12, back.font.size);
    ASSERT_EQ(2u, back.items.Count());
    EXPECT_EQ(u"one", back.items.At(0).caption);
    EXPECT_EQ(7, back.items.At(1).tag);
}

TEST(BinaryStream, WideStringPropertyTakesEveryStringTag) {
    const std::vector<std::uint8_t> values[] = {
        Bytes()({6, 5}).Raw("f\xFCr \x80").data,      // 8-bit: Windows-1252
        Bytes()({12}).U32(5).Raw("f\xFCr \x80").data, // long 8-bit
        Bytes()({18}).U32(5)({'f', 0, 0xFC, 0, 'r', 0, ' ', 0, 0xAC, 0x20}).data,
        Bytes()({20}).U32(8).Raw("f\xC3\xBCr \xE2\x82\xAC").data,
    };
    for (const auto& value : values) {
        auto bytes = IniHeader().Str("FolderForRecordings").data;
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.insert(bytes.end(), {0, 0});
        TIniData data;
        (void)ReadBack(data, bytes);
        EXPECT_EQ(u"f\u00fcr \u20ac", data.FolderForRecordings());
    }
}

TEST(BinaryStream, UndeclaredPropertiesOfEveryKindAreSkipped) {
    // Each unknown value lies between two known ones; the known ones after it are read.
    const std::vector<std::uint8_t> unknownValues[] = {
        Bytes()({2, 0x80}).data,                                        // 8-bit integer
        Bytes()({3, 1, 2}).data,                                        // 16-bit integer
        Bytes()({4, 1, 2, 3, 4}).data,                                  // 32-bit integer
        Bytes()({19, 1, 2, 3, 4, 5, 6, 7, 8}).data,                     // 64-bit integer
        Bytes()({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}).data,       // extended
        Bytes()({15, 0, 0, 0xC0, 0x3F}).data,                           // single
        Bytes()({16, 1, 0, 0, 0, 0, 0, 0, 0}).data,                     // currency
        Bytes()({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}).data,               // date
        Bytes()({21, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}).data,               // double
        Bytes()({6, 3}).Raw("abc").data,                                // 8-bit string
        Bytes()({12}).U32(3).Raw("abc").data,                           // long 8-bit string
        Bytes()({18}).U32(1)({'x', 0}).data,                            // wide string
        Bytes()({20}).U32(2).Raw("\xC3\xBC").data,                      // UTF-8 string
        Bytes()({7}).Str("clRed").data,                                 // identifier
        Bytes()({8}).data,                                              // False
        Bytes()({9}).data,                                              // True
        Bytes()({13}).data,                                             // nil
        Bytes()({0}).data,                                              // Null
        Bytes()({10}).U32(3)({0, 0, 0}).data,                           // binary, zero bytes
        Bytes()({11}).Str("a").Str("bc")({0}).data,                     // set
        Bytes()({1, 2, 5, 1, 6, 1}).Raw("x")({0, 10}).U32(0)({0}).data, // nested list
        Bytes()({14, 2, 3, 1}).Str("P")({1, 0, 0})({1, 0, 0}).data,     // collection of two items

    };
    for (const auto& unknown : unknownValues) {
        auto bytes = IniHeader().Str("Xtra1").data;
        bytes.insert(bytes.end(), unknown.begin(), unknown.end());
        const auto rest = Bytes()
                              .Str("FOLDERFORRECORDINGS")({6, 1, 'A'}) // name in any case
                              .Str("Font.Name")({6, 1, 'q'})           // no such path
                              .Str("Xtra2")
                              .data;
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        bytes.insert(bytes.end(), unknown.begin(), unknown.end());
        bytes.insert(bytes.end(), {0, 0});
        TIniData data;
        SCOPED_TRACE(int(unknown[0]));
        EXPECT_TRUE(ReadBack(data, bytes));
        EXPECT_EQ(u"A", data.FolderForRecordings());
    }
}

TEST(BinaryStream, ARepeatedPropertyTakesTheLaterValueAndHeaderNamesAreDisregarded) {
    const auto bytes = Bytes()
                           .Raw("TPF0")
                           .Str("TSomethingElse")
                           .Str("Other")
                           .Str("FolderForRecordings")({6, 1, 'a'})
                           .Str("FolderForRecordings")({6, 1, 'b'})({0, 0})
                           .Raw("ignored after the object")
                           .data;
    TIniData data;
    EXPECT_TRUE(ReadBack(data, bytes));
    EXPECT_EQ(u"b", data.FolderForRecordings());
}

// Records what the error hook is given.
class RecordingReader : public TReaderExt {
public:
    using TReaderExt::TReaderExt;
    std::vector<std::string> messages;

protected:
    bool Error(const std::string& message) override {
        messages.push_back(message);
        return true;
    }
};

TEST(BinaryStream, PropertyErrorsReachTheHookWrappedAndReadingGoesOn) {
    const auto bytes = Bytes()
                           .Str("Nope")({2, 1})
                           .Str("Text")({2, 1}) // an integer for a string
                           .Str("Font.Nope")({2, 1})
                           .Str("Text.Name")({2, 1}) // not an object
                           .Str("Mode")({7})
                           .Str("cmPurple") // no such value
                           .Str("Options")({11})
                           .Str("opLoop")
                           .Str("opWhat")({0})
                           .Str("Letter")({6, 2})
                           .Raw("ab") // two characters for a Char
                           .Str("Color")({7})
                           .Str("clBlue")                              // no such identifier
                           .Str("ReadOnly")({6, 1, 'x'})               // no setter
                           .Str("Count")({19, 0, 0, 0, 0, 1, 0, 0, 0}) // 64 bits for 32
                           .Str("Count")({2, 9})({0})
                           .data;
    TSample sample;
    TMemoryStream stream(bytes);
    RecordingReader reader(stream);
    reader.ReadObjectProperties(sample);
    EXPECT_EQ(9, sample.count);
    EXPECT_EQ(u"", sample.text);
    const std::vector<std::string> expected = {
        "Error reading TSample.Nope: Property Nope does not exist",
        "Error reading TSample.Text: Invalid property value",
        "Error reading TSample.Font.Nope: Property Nope does not exist",
        "Error reading TSample.Text.Name: Invalid property path",
        "Error reading TSample.Mode: Invalid property value",
        "Error reading TSample.Options: Invalid property value",
        "Error reading TSample.Letter: Invalid property value",
        "Error reading TSample.Color: Invalid property value",
        "Error reading TSample.ReadOnly: Invalid property value",
        "Error reading TSample.Count: Invalid property value",
    };
    EXPECT_EQ(expected, reader.messages);
}

TEST(BinaryStream, ACollectionSavedItselfWritesItsItemsPseudoProperty) {
    TSampleItems items;
    static_cast<TSampleItem&>(items.Add()).SetTag(3);
    const auto expected = Bytes()
                              .Raw("TPF0")
                              .Str("TCollection")
                              .Str("Collection")
                              .Str("items")({14, 1})
                              .Str("Tag")({2, 3})({0, 0})({0, 0})
                              .data;
    EXPECT_EQ(Hex(expected), Hex(WriteBinary(items)));
    TSampleItems back;
    EXPECT_TRUE(ReadBack(back, expected));
    ASSERT_EQ(1u, back.Count());
    EXPECT_EQ(3, back.At(0).tag);
}

struct BrokenCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* message;
};

TEST(BinaryStream, MalformedStreamsEndTheReadWithTheirError) {
    const auto header = IniHeader().data;
    auto with = [&](std::initializer_list<int> tail) {
        Bytes b;
        b.data = header;
        return b(tail).data;
    };
    const BrokenCase cases[] = {
        {"three bytes", AsBytes("TPF"), "Stream read error"},
        {"signature only", AsBytes("TPF0"), "Stream read error"},
        {"no end of properties", with({}), "Stream read error"},
        {"no end of children", with({0}), "Stream read error"},
        {"a child object", Bytes().Raw("TPF0").Str("T").Str("")({0}).Str("TChild").data,
         "Invalid property value"},
        {"a flags prefix", Bytes().Raw("TPF0")({0xF1}).Str("T").Str("")({0, 0}).data,
         "Invalid stream format"},
        {"string longer than the rest",
         with({19,  'F', 'o', 'l', 'd', 'e', 'r', 'F', 'o',  'r',  'R',  'e',  'c',
               'o', 'r', 'd', 'i', 'n', 'g', 's', 12,  0xFF, 0xFF, 0xFF, 0x7F, 'x'}),
         "Stream read error"},
        {"skipped wide string longer than the rest",
         with({1, 'Z', 18, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}), "Stream read error"},
        {"unknown tag", with({1, 'Z', 22, 0, 0}), "Invalid property value"},
        {"collection item without its list", with({1, 'Z', 14, 2, 0, 0, 0, 0}),
         "Invalid property value"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.what);
        TIniData data;
        EXPECT_EQ(c.message, ReadError(data, c.bytes));
    }
}

TEST(BinaryStream, DeepNestingIsSkippedWithoutRecursion) {
    // A million nested lists under an unknown property: skipped in constant stack.
    auto bytes = IniHeader().Str("Deep").data;
    bytes.insert(bytes.end(), 1000000, 1);
    bytes.insert(bytes.end(), 1000000, 0);
    const auto rest = Bytes().Str("FolderForRecordings")({6, 1, 'x'})({0, 0}).data;
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    TIniData data;
    EXPECT_TRUE(ReadBack(data, bytes));
    EXPECT_EQ(u"x", data.FolderForRecordings());
}
} // namespace

namespace {
struct ExtendedCase {
    long double value;
    std::vector<std::uint8_t> bytes; // mantissa (8, little-endian), then sign and exponent
};

TEST(BinaryStream, ExtendedFloatsKeepEveryBit) {
    const ExtendedCase cases[] = {
        {1.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.5L, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
        {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {std::numeric_limits<long double>::denorm_min(), {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {std::numeric_limits<long double>::max(),
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F}},
        {-std::numeric_limits<long double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
        {1.0L / 3, {0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F}},
    };
    for (const ExtendedCase& c : cases) {
        SCOPED_TRACE(double(c.value));
        std::uint8_t bytes[kExtendedSize];
        ExtendedToBytes(c.value, bytes);
        EXPECT_EQ(c.bytes, std::vector<std::uint8_t>(bytes, bytes + kExtendedSize));
        std::uint8_t in[kExtendedSize];
        std::copy(c.bytes.begin(), c.bytes.end(), in);
        EXPECT_EQ(c.value, ExtendedFromBytes(in));
    }
    std::uint8_t nan[kExtendedSize] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
    EXPECT_TRUE(std::isnan(ExtendedFromBytes(nan)));
}
} // namespace
