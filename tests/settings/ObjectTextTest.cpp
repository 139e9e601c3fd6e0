#include "settings/objstream/ObjectText.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/ObjectStream.h"
#include "settings/objstream/ObjectStreamTypes.h"

#include "SampleObjects.h"
#include "settings/TIniData.h"

#include <gtest/gtest.h>

namespace {
std::string WriteText(TPersistent& object) {
    TMemoryStream stream;
    WriteObjectToStream(object, stream, true);
    return AsString(stream.Bytes());
}

std::string ToText(const std::vector<std::uint8_t>& binary) {
    TMemoryStream input(binary);
    TMemoryStream output;
    BinaryStreamToText(input, output);
    return AsString(output.Bytes());
}

std::vector<std::uint8_t> ToBinary(const std::string& text) {
    TMemoryStream input(AsBytes(text));
    TMemoryStream output;
    TextStreamToBinary(input, output);
    return output.Bytes();
}

std::string ToBinaryError(const std::string& text) {
    try {
        (void)ToBinary(text);
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

std::string FileWithFolder(const std::string& propertyLines) {
    return "object IniData: TIniData\r\n" + propertyLines + "end\r\n";
}

struct FolderCase {
    const char* what;
    std::u16string folder;
    std::string lines; // the property lines of the file
};

TEST(ObjectText, SettingsFileLayout) {
    const std::u16string chars64(64, u'x');
    const FolderCase cases[] = {
        {"plain folder", u"/home/user/Documents/Hymnaro/Audio Recorder",
         "  FolderForRecordings = '/home/user/Documents/Hymnaro/Audio Recorder'\r\n"},
        {"empty folder: no property line", u"", ""},
        {"64 characters stay on the property line", chars64,
         "  FolderForRecordings = '" + std::string(64, 'x') + "'\r\n"},
        {"65 characters go to continuation lines", chars64 + u"y",
         "  FolderForRecordings = \r\n    '" + std::string(64, 'x') + "' +\r\n    'y'\r\n"},
        {"the long folder of the example",
         u"C:\\Documents and Settings\\user\\Eigene Dateien\\Hymnaro\\Audio Recorder",
         "  FolderForRecordings = \r\n"
         "    'C:\\Documents and Settings\\user\\Eigene Dateien\\Hymnaro\\Audio Reco' +\r\n"
         "    'rder'\r\n"},
        {"codes for u-umlaut and apostrophes", u"D:\\Aufnahmen f\u00fcr 'Probe'",
         "  FolderForRecordings = 'D:\\Aufnahmen f'#252'r '#39'Probe'#39\r\n"},
        {"a code counts as one character of the 64", std::u16string(63, u'x') + u"\u00e9z",
         "  FolderForRecordings = \r\n    '" + std::string(63, 'x') + "'#233 +\r\n    'z'\r\n"},
        {"control characters and characters beyond the BMP", u"a\tb\U0001F3B5",
         "  FolderForRecordings = 'a'#9'b'#55356#57269\r\n"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.what);
        TIniData data;
        data.SetFolderForRecordings(c.folder);
        const std::string text = WriteText(data);
        EXPECT_EQ(FileWithFolder(c.lines), text);

        TIniData back;
        back.SetFolderForRecordings(u"unchanged");
        TMemoryStream stream(AsBytes(text));
        EXPECT_FALSE(ReadObjectFromStream(back, stream));
        EXPECT_EQ(c.folder.empty() ? u"unchanged" : c.folder, back.FolderForRecordings());
    }
}

TEST(ObjectText, LineEndsBlanksAndLetterCaseDoNotMatter) {
    const auto canonical =
        ToBinary("object IniData: TIniData\r\n  FolderForRecordings = 'x'\r\nend\r\n");
    const std::string variants[] = {
        "object IniData: TIniData\n  FolderForRecordings = 'x'\nend\n",
        "object IniData: TIniData\r\n\tFolderForRecordings\t=\t'x'\r\nend",
        "OBJECT IniData : TIniData\n  FolderForRecordings='x' END",
        "Object IniData: TIniData\r\n  FolderForRecordings = 'x'\r\nEnd\r\nanything ' after",
    };
    for (const std::string& text : variants) {
        SCOPED_TRACE(text);
        EXPECT_EQ(canonical, ToBinary(text));
    }
}

TEST(ObjectText, EveryValueKindConvertsBothWays) {
    const auto binary =
        Bytes()
            .Raw("TPF0")
            .Str("TSample")
            .Str("Sample")
            .Str("I8")({2, 0xFB})
            .Str("I16")({3, 0xE8, 0x03})
            .Str("I32")({4, 0xA0, 0x86, 0x01, 0x00})
            .Str("I64")({19, 0x00, 0xF2, 0x05, 0x2A, 0x01, 0, 0, 0})
            .Str("Ext")({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFD, 0x3F})
            .Str("Sgl")({15, 0, 0, 0xC0, 0x3F})
            .Str("Cur")({16, 0x39, 0x30, 0, 0, 0, 0, 0, 0})
            .Str("Dat")({17, 0, 0, 0, 0, 0, 0, 0x04, 0x40})
            .Str("Id")({7})
            .Str("clRed")
            .Str("Flags")({1, 9, 8, 13, 0}) // True False nil, then the end of the list
            .Str("Set")({11})
            .Str("opLoop")
            .Str("opMono")({0})
            .Str("NoSet")({11, 0})
            .Str("Bin")({10})
            .U32(2)({0x0A, 0xBC})
            .Str("Coll")({14, 1})
            .Str("Tag")({2, 7})({0})({2, 3, 1, 0})({0})
            .Str("NoColl")({14, 0})
            .Str("Empty")({18})
            .U32(0)
            .Str("Font.Name")({18})
            .U32(1)({0xAC, 0x20})({0})
        // a child object
        ({0xF2, 2, 4})
            .Str("TChild")
            .Str("Child")
            .Str("X")({2, 1})({0, 0})({0})
            .data;
    const std::string text = "object Sample: TSample\r\n"
                             "  I8 = -5\r\n"
                             "  I16 = 1000\r\n"
                             "  I32 = 100000\r\n"
                             "  I64 = 5000000000\r\n"
                             "  Ext = 0.250000000000000000\r\n"
                             "  Sgl = 1.5s\r\n"
                             "  Cur = 12345c\r\n"
                             "  Dat = 2.5d\r\n"
                             "  Id = clRed\r\n"
                             "  Flags = (\r\n"
                             "    True\r\n"
                             "    False\r\n"
                             "    nil)\r\n"
                             "  Set = [opLoop, opMono]\r\n"
                             "  NoSet = []\r\n"
                             "  Bin = {0ABC}\r\n"
                             "  Coll = <\r\n"
                             "    item\r\n"
                             "      Tag = 7\r\n"
                             "    end\r\n"
                             "    item [3]\r\n"
                             "    end>\r\n"
                             "  NoColl = <>\r\n"
                             "  Empty = ''\r\n"
                             "  Font.Name = #8364\r\n"
                             "  object Child: TChild [4]\r\n"
                             "    X = 1\r\n"
                             "  end\r\n"
                             "end\r\n";
    EXPECT_EQ(text, ToText(binary));
    EXPECT_EQ(Hex(binary), Hex(ToBinary(text)));
}

TEST(ObjectText, FloatsAndLongBinaryData) {
    std::vector<std::uint8_t> bytes(33);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i);
    const auto binary = Bytes()
                            .Raw("TPF0")
                            .Str("T")
                            .Str("")
                            .Str("Third")({21, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0xD5, 0x3F})
                            .Str("Tiny")({15, 0xBD, 0x37, 0x86, 0x35})       // 1E-6 as single
                            .Str("Huge")({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x7F}) // infinite date
                            .Str("Bin")({10})
                            .U32(33)
                            .Raw(AsString(bytes))({0, 0})
                            .data;
    EXPECT_EQ("object T\r\n"
              "  Third = 0.333333333333333300\r\n"
              "  Tiny = 9.99999997475243E-7s\r\n"
              "  Huge = INFd\r\n"
              "  Bin = {\r\n"
              "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
              "    20}\r\n"
              "end\r\n",
              ToText(binary));
    EXPECT_EQ("object T\r\n  Big = 1E18c\r\nend\r\n",
              ToText(Bytes()
                         .Raw("TPF0")
                         .Str("T")
                         .Str("")
                         .Str("Big")({16, 0x00, 0x00, 0x64, 0xA7, 0xB3, 0xB6, 0xE0, 0x0D})({0, 0})
                         .data));
}

struct ParserCase {
    std::string text;
    const char* message;
};

TEST(ObjectText, SyntaxErrorsNameTheirLine) {
    const ParserCase cases[] = {
        {"\xEF\xBB\xBFobject IniData: TIniData\r\nend\r\n", "OBJECT expected on line 1"},
        {"object IniData: TIniData\r\n  FolderForRecordings = 'x'\r\n",
         "Identifier expected on line 3"},
        {"object\r\n: T\r\nend", "Identifier expected on line 2"},
        {"object X: T\r\n  A 'x'\r\nend", "''='' expected on line 2"},
        {"object X: T\r\n  F\xC3\xB6o = 1\r\nend", "''='' expected on line 2"},
        {"object X: T\r\n  A = 'x' +\r\n  1\r\nend", "String expected on line 3"},
        {"object X: T [a]\r\nend", "Number expected on line 1"},
        {"object X: T [1\r\nend", "'']'' expected on line 2"},
        {"object X: T\n  A = <\n    foo\n  >\nend", "item expected on line 3"},
        {"object X: T\n  A = 'abc\nend", "Invalid string constant on line 2"},
        {"object X: T\n  A = 'abc\r'\nend", "Invalid string constant on line 2"},
        {"object X: T\n  A = 'abc", "Invalid string constant on line 2"},
        {"object X: T\n  A = {0A0}\nend", "Invalid binary value on line 2"},
        {"object X: T\n  A = {\n  0A 0G}\nend", "Invalid binary value on line 3"},
        {"object X: T\n  A = {0A", "Invalid binary value on line 2"},
        {"object X: T\n  A = )\nend", "Invalid property value on line 2"},
        {"object X: T\n  A = #\nend", "Invalid property value on line 2"},
        {"object X: T\n  A = (1\n", "Invalid property value on line 3"},
        {"object X: T\n  A = [a b]\nend", "'','' expected on line 2"},
        {"object X: T\n  A = '" + std::string(5000, 'x') + "'\nend", "Line too long on line 2"},
        {"object X: T\n  A = " + std::string(200, '(') + "\nend",
         "Invalid property value on line 2"},
        {"object X: T\n  A = -\nend", "'-' is not a valid integer value"},
        {"object X: T\n  A = 1-2\nend", "'1-2' is not a valid floating point value"},
        {"object X: T\n  A = $\nend", "'$' is not a valid integer value"},
        {"object X: T\n  A = 99999999999999999999\nend",
         "'99999999999999999999' is not a valid integer value"},
    };
    for (const ParserCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        EXPECT_EQ(c.message, ToBinaryError(c.text));
    }
}

TEST(ObjectText, ParserErrorsAreParserErrorsAndConversionsAreNot) {
    EXPECT_THROW((void)ToBinary("end"), EParserError);
    EXPECT_THROW((void)ToBinary("object X: T\n A = -\nend"), EConvertError);
    TMemoryStream input(AsBytes("nothing"));
    TMemoryStream output;
    EXPECT_THROW(BinaryStreamToText(input, output), EReadError); // "Invalid stream format"
}

TEST(ObjectText, LongLinesUpToTheBufferAreRead) {
    // 4096 bytes fit on one line; the LF that ends it is not counted, a CR before it is.
    const std::string line = "  A = '" + std::string(4096 - 8, 'x') + "'";
    ASSERT_EQ(4096u, line.size());
    EXPECT_NO_THROW((void)ToBinary("object X: T\n" + line + "\nend"));
    EXPECT_EQ("Line too long on line 2", ToBinaryError("object X: T\n" + line + "\r\nend"));
    EXPECT_EQ("Line too long on line 2", ToBinaryError("object X: T\n" + line + " "));
}

struct DecodingCase {
    const char* what;
    std::string value; // the text after "FolderForRecordings = "
    std::u16string folder;
};

TEST(ObjectText, QuotedBytesAreUtf8WhenTheyCanBeAndWindows1252Otherwise) {
    const DecodingCase cases[] = {
        // As every editor here writes a file by hand.
        {"UTF-8 beyond ASCII", "'/home/u/Aufnahmen f\xC3\xBCr'", u"/home/u/Aufnahmen f\u00fcr"},
        {"UTF-8 of four bytes", "'\xF0\x9F\x8E\xB5'", u"\U0001F3B5"},
        {"each run on its own, beside codes and in continuations",
         "'f\xC3\xBC'#39'r' +\n    '\xE2\x82\xAC'", u"f\u00fc'r\u20ac"},
        {"a UTF-8 run in a wide token", "'\xC3\xA9'#8364", u"\u00e9\u20ac"},
        // Not UTF-8: 8-bit text as before.
        {"a lone Windows-1252 byte", "'f\xFCr'", u"f\u00fcr"},
        {"Windows-1252 beside a code", "'\x80'#65", u"\u20acA"},
        {"a cut sequence", "'\xC3'", u"\u00c3"},
        {"an overlong form", "'\xC0\xAF'", u"\u00c0\u00af"},
        {"an encoded surrogate", "'\xED\xA0\x80'", u"\u00ed\u00a0\u20ac"},
        // In a wide token other quoted bytes are the characters of the same value.
        {"a Latin-1 byte in a wide token", "'\xE9'#8364 + 'x'", u"\u00e9\u20acx"},
        {"a code modulo 65536", "#65601", u"A"},
    };
    for (const DecodingCase& c : cases) {
        SCOPED_TRACE(c.what);
        TIniData data;
        TMemoryStream stream(
            AsBytes("object IniData: TIniData\n  FolderForRecordings = " + c.value + "\nend"));
        (void)ReadObjectFromStream(data, stream);
        EXPECT_EQ(c.folder, data.FolderForRecordings());
    }
    // What the program writes back holds no byte above 127, as before.
    TIniData data;
    TMemoryStream edited(
        AsBytes("object IniData: TIniData\n  FolderForRecordings = '/Aufnahmen f\xC3\xBCr'\nend"));
    (void)ReadObjectFromStream(data, edited);
    EXPECT_EQ(FileWithFolder("  FolderForRecordings = '/Aufnahmen f'#252'r'\r\n"), WriteText(data));
}

TEST(ObjectText, AStringValueLongerThan32KiUnitsIsRefusedWhereItStarts) {
    // 64 characters a continuation line, as the program writes them.
    auto value = [](std::size_t length) {
        std::string lines = "object IniData: TIniData\r\n  FolderForRecordings = \r\n";
        for (std::size_t done = 0; done < length; done += 64) {
            lines += "    '" + std::string(std::min<std::size_t>(64, length - done), 'x') + "'";
            lines += done + 64 < length ? " +\r\n" : "\r\n";
        }
        return lines + "end\r\n";
    };
    TIniData data;
    TMemoryStream longest(AsBytes(value(kMaxStringLength)));
    (void)ReadObjectFromStream(data, longest);
    EXPECT_EQ(kMaxStringLength, data.FolderForRecordings().size());
    EXPECT_EQ("String too long on line 3", ToBinaryError(value(kMaxStringLength + 1)));

    // The binary encoding has the same limit.
    TIniData fromBinary;
    fromBinary.SetFolderForRecordings(std::u16string(kMaxStringLength + 1, u'\u00e9'));
    TMemoryStream binary;
    WriteObjectToStream(fromBinary, binary, false);
    binary.SetPosition(0);
    try {
        (void)ReadObjectFromStream(data, binary);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ("String too long", error.Message());
    }
}
} // namespace
