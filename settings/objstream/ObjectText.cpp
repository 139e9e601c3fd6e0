#include "settings/objstream/ObjectText.h"

#include "runtime/TextConvert.h"
#include "settings/objstream/NumberText.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/TParser.h"
#include "settings/objstream/TReader.h"
#include "settings/objstream/TWriter.h"

#include <cmath>
#include <limits>
#include <string>

namespace {
constexpr std::size_t kCharsPerLine = 64;
constexpr std::size_t kBytesPerLine = 32;

// Beyond the narrower type's range the value becomes infinite, as the hardware would round it.
template <class T>
T Narrow(long double value) {
    if (value > std::numeric_limits<T>::max()) return std::numeric_limits<T>::infinity();
    if (value < std::numeric_limits<T>::lowest()) return -std::numeric_limits<T>::infinity();
    return static_cast<T>(value);
}

void CheckNesting(int level) {
    if (level > kMaxNesting) throw EReadError("Invalid property value");
}

// Binary to text.
class TextWriter {
public:
    TextWriter(TReader& reader, TWriter& writer) : reader_(reader), writer_(writer) {}

    void ConvertObject(int level) {
        CheckNesting(level);
        std::uint8_t flags = 0;
        std::int64_t position = 0;
        reader_.ReadPrefix(flags, position);
        const std::string className = reader_.ReadStr();
        const std::string objectName = reader_.ReadStr();
        Indent(level);
        if (flags & ffInherited)
            writer_.WriteText("inherited ");
        else if (flags & ffInline)
            writer_.WriteText("inline ");
        else
            writer_.WriteText("object ");
        if (!objectName.empty()) {
            writer_.WriteText(objectName);
            writer_.WriteText(": ");
        }
        writer_.WriteText(className);
        if (flags & ffChildPos) writer_.WriteText(" [" + std::to_string(position) + "]");
        writer_.WriteText("\r\n");
        ConvertProperties(level + 1);
        while (!reader_.EndOfList())
            ConvertObject(level + 1);
        reader_.ReadListEnd();
        Indent(level);
        writer_.WriteText("end\r\n");
    }

private:
    void Indent(int level) {
        for (int i = 0; i < level; ++i)
            writer_.WriteText("  ");
    }
    void NewLine(int level) {
        writer_.WriteText("\r\n");
        Indent(level);
    }

    // Property lines at the level, then the end-of-list byte.
    void ConvertProperties(int level) {
        while (!reader_.EndOfList()) {
            Indent(level);
            writer_.WriteText(reader_.ReadStr());
            writer_.WriteText(" = ");
            ConvertValue(level);
            writer_.WriteText("\r\n");
        }
        reader_.ReadListEnd();
    }

    void ConvertValue(int level) {
        const TValueType tag = reader_.ReadValue();
        switch (tag) {
        case TValueType::vaNull:
            return writer_.WriteText("Null");
        case TValueType::vaFalse:
            return writer_.WriteText("False");
        case TValueType::vaTrue:
            return writer_.WriteText("True");
        case TValueType::vaNil:
            return writer_.WriteText("nil");
        case TValueType::vaIdent:
            return writer_.WriteText(reader_.ReadStr());
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64:
            return writer_.WriteText(std::to_string(reader_.ReadIntegerPayload(tag)));
        case TValueType::vaExtended:
        case TValueType::vaDouble:
            return writer_.WriteText(FormatFloatFixed(reader_.ReadFloatPayload(tag)));
        case TValueType::vaSingle:
            return writer_.WriteText(FormatFloatGeneral(reader_.ReadFloatPayload(tag)) + "s");
        case TValueType::vaCurrency:
            return writer_.WriteText(
                FormatFloatGeneral(static_cast<long double>(reader_.ReadCurrencyPayload())) + "c");
        case TValueType::vaDate:
            return writer_.WriteText(FormatFloatGeneral(reader_.ReadFloatPayload(tag)) + "d");
        case TValueType::vaString:
        case TValueType::vaLString: {
            const std::string bytes = reader_.ReadAnsiPayload(tag);
            return WriteStringText(std::u32string(bytes.begin(), bytes.end()), false, level);
        }
        case TValueType::vaWString:
        case TValueType::vaUTF8String: {
            const WideString text = reader_.ReadWidePayload(tag);
            return WriteStringText(std::u32string(text.begin(), text.end()), true, level);
        }
        case TValueType::vaList:
            CheckNesting(level + 1);
            writer_.WriteText("(");
            while (!reader_.EndOfList()) {
                NewLine(level + 1);
                ConvertValue(level + 1);
            }
            reader_.ReadListEnd();
            return writer_.WriteText(")");
        case TValueType::vaCollection:
            CheckNesting(level + 2);
            writer_.WriteText("<");
            while (!reader_.EndOfList()) {
                NewLine(level + 1);
                writer_.WriteText("item");
                const TValueType order = reader_.NextValue();
                if (order == TValueType::vaInt8 || order == TValueType::vaInt16 ||
                    order == TValueType::vaInt32)
                    writer_.WriteText(" [" + std::to_string(reader_.ReadInteger()) + "]");
                reader_.ReadListBegin();
                writer_.WriteText("\r\n");
                ConvertProperties(level + 2);
                Indent(level + 1);
                writer_.WriteText("end");
            }
            reader_.ReadListEnd();
            return writer_.WriteText(">");
        case TValueType::vaSet: {
            writer_.WriteText("[");
            bool first = true;
            for (const std::string& name : reader_.ReadSetPayload()) {
                if (!first) writer_.WriteText(", ");
                writer_.WriteText(name);
                first = false;
            }
            return writer_.WriteText("]");
        }
        case TValueType::vaBinary:
            return WriteBinaryText(reader_.ReadBinaryPayload(), level);
        }
        throw EReadError("Invalid property value");
    }

    // Characters below 32, the apostrophe and (in wide text) those above 127 are "#" codes;
    // every other run is quoted. At most 64 characters go on one line, continued with " +".
    void WriteStringText(const std::u32string& text, bool wide, int level) {
        if (text.empty()) return writer_.WriteText("''");
        ++level;
        if (text.size() > kCharsPerLine) NewLine(level);
        auto plain = [&](char32_t c) { return c >= 32 && c != '\'' && (!wide || c <= 127); };
        std::size_t lineStart = 0;
        std::size_t i = 0;
        while (i < text.size()) {
            if (!plain(text[i])) {
                writer_.WriteText("#" + std::to_string(std::uint32_t(text[i])));
                ++i;
            } else {
                std::string run = "'";
                while (i < text.size() && plain(text[i]) && i - lineStart < kCharsPerLine)
                    run += char(text[i++]);
                writer_.WriteText(run + "'");
            }
            if (i - lineStart >= kCharsPerLine && i < text.size()) {
                writer_.WriteText(" +");
                NewLine(level);
                lineStart = i;
            }
        }
    }

    void WriteBinaryText(const std::vector<std::uint8_t>& bytes, int level) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        writer_.WriteText("{");
        for (std::size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
            if (bytes.size() >= kBytesPerLine) NewLine(level + 1);
            std::string line;
            for (std::size_t i = start; i < bytes.size() && i < start + kBytesPerLine; ++i) {
                line += kHex[bytes[i] >> 4];
                line += kHex[bytes[i] & 15];
            }
            writer_.WriteText(line);
        }
        writer_.WriteText("}");
    }

    TReader& reader_;
    TWriter& writer_;
};

// Text to binary.
class BinaryWriter {
public:
    BinaryWriter(TParser& parser, TWriter& writer) : parser_(parser), writer_(writer) {}

    void ConvertObject(int level) {
        if (level > kMaxNesting) parser_.Error("Invalid property value");
        std::uint8_t flags = 0;
        if (parser_.TokenSymbolIs("inherited"))
            flags = ffInherited;
        else if (parser_.TokenSymbolIs("inline"))
            flags = ffInline;
        else if (!parser_.TokenSymbolIs("object"))
            parser_.Error("OBJECT expected");
        parser_.NextToken();
        parser_.CheckToken(TParser::toSymbol);
        std::string className = parser_.TokenString();
        std::string objectName;
        parser_.NextToken();
        if (parser_.Token() == ':') {
            parser_.NextToken();
            parser_.CheckToken(TParser::toSymbol);
            objectName = std::move(className);
            className = parser_.TokenString();
            parser_.NextToken();
        }
        std::int64_t position = 0;
        if (parser_.Token() == '[') {
            parser_.NextToken();
            parser_.CheckToken(TParser::toInteger);
            position = parser_.TokenInt();
            parser_.NextToken();
            parser_.CheckToken(']');
            parser_.NextToken();
            flags |= ffChildPos;
        }
        if (flags != 0) {
            const std::uint8_t prefix = kFilerFlagsPrefix | flags;
            writer_.Write(&prefix, 1);
            if (flags & ffChildPos) writer_.WriteInteger(position);
        }
        writer_.WriteStr(className);
        writer_.WriteStr(objectName);
        while (!parser_.TokenSymbolIs("end") && !parser_.TokenSymbolIs("object") &&
               !parser_.TokenSymbolIs("inherited") && !parser_.TokenSymbolIs("inline"))
            ConvertProperty(level + 1);
        writer_.WriteListEnd();
        while (!parser_.TokenSymbolIs("end"))
            ConvertObject(level + 1);
        writer_.WriteListEnd();
        parser_.NextToken();
    }

private:
    void ConvertProperty(int level) {
        writer_.WriteStr(DottedIdentifier());
        parser_.CheckToken('=');
        parser_.NextToken();
        ConvertValue(level);
    }

    // An identifier and its "." parts, joined; reads the token after it.
    std::string DottedIdentifier() {
        parser_.CheckToken(TParser::toSymbol);
        std::string name = parser_.TokenString();
        parser_.NextToken();
        while (parser_.Token() == '.') {
            parser_.NextToken();
            parser_.CheckToken(TParser::toSymbol);
            name += "." + parser_.TokenString();
            parser_.NextToken();
        }
        return name;
    }

    bool IsString() const {
        return parser_.Token() == TParser::toString || parser_.Token() == TParser::toWString;
    }

    void ConvertValue(int level) {
        switch (parser_.Token()) {
        case TParser::toSymbol:
            return writer_.WriteIdent(DottedIdentifier());
        case TParser::toString:
        case TParser::toWString: {
            // Refused where it starts once it grows too long, so that a value continued over
            // many lines cannot fill the memory.
            const int line = parser_.SourceLine();
            WideString text = parser_.TokenWideString();
            parser_.NextToken();
            while (parser_.Token() == '+') {
                parser_.NextToken();
                if (!IsString()) parser_.Error("String expected");
                text += parser_.TokenWideString();
                if (text.size() > kMaxStringLength) parser_.ErrorOnLine("String too long", line);
                parser_.NextToken();
            }
            return writer_.WriteString(text);
        }
        case TParser::toInteger:
            writer_.WriteInteger(parser_.TokenInt());
            parser_.NextToken();
            return;
        case TParser::toFloat:
            ConvertFloat();
            parser_.NextToken();
            return;
        case '(':
            if (level + 1 > kMaxNesting) parser_.Error("Invalid property value");
            parser_.NextToken();
            writer_.WriteListBegin();
            while (parser_.Token() != ')')
                ConvertValue(level + 1);
            writer_.WriteListEnd();
            parser_.NextToken();
            return;
        case '<':
            if (level + 2 > kMaxNesting) parser_.Error("Invalid property value");
            parser_.NextToken();
            writer_.WriteValue(TValueType::vaCollection);
            while (parser_.Token() != '>') {
                if (!parser_.TokenSymbolIs("item")) parser_.Error("item expected");
                parser_.NextToken();
                if (parser_.Token() == '[') {
                    parser_.NextToken();
                    parser_.CheckToken(TParser::toInteger);
                    writer_.WriteInteger(parser_.TokenInt());
                    parser_.NextToken();
                    parser_.CheckToken(']');
                    parser_.NextToken();
                }
                writer_.WriteListBegin();
                while (!parser_.TokenSymbolIs("end"))
                    ConvertProperty(level + 2);
                writer_.WriteListEnd();
                parser_.NextToken();
            }
            writer_.WriteListEnd();
            parser_.NextToken();
            return;
        case '[':
            parser_.NextToken();
            writer_.WriteValue(TValueType::vaSet);
            if (parser_.Token() != ']') {
                for (;;) {
                    writer_.WriteStr(SetElement());
                    parser_.NextToken();
                    if (parser_.Token() == ']') break;
                    parser_.CheckToken(',');
                    parser_.NextToken();
                }
            }
            writer_.WriteStr({});
            parser_.NextToken();
            return;
        case '{':
            return writer_.WriteBinary(parser_.HexToBinary());
        default:
            parser_.Error("Invalid property value");
        }
    }

    std::string SetElement() const {
        switch (parser_.Token()) {
        case TParser::toSymbol:
        case TParser::toInteger:
            return parser_.TokenString();
        case TParser::toString:
        case TParser::toWString: {
            const WideString text = parser_.TokenWideString();
            // An empty name would end the set early.
            if (text.empty()) parser_.Error("Invalid property value");
            return "#" + std::to_string(std::uint32_t(text[0]));
        }
        default:
            parser_.Error("Identifier expected");
        }
    }

    void ConvertFloat() {
        const long double value = parser_.TokenFloat();
        switch (parser_.FloatType()) {
        case 's':
            return writer_.WriteSingle(Narrow<float>(value));
        case 'd':
            return writer_.WriteDate(Narrow<double>(value));
        case 'c': {
            // The text holds the stored integer, value x 10000.
            const long double stored = std::nearbyint((value / 10000) * 10000);
            if (!(stored >= -0x1p63L && stored < 0x1p63L))
                throw EConvertError("'" + parser_.TokenString() +
                                    "' is not a valid floating point value");
            return writer_.WriteCurrency(static_cast<std::int64_t>(stored));
        }
        default:
            return writer_.WriteFloat(value);
        }
    }

    TParser& parser_;
    TWriter& writer_;
};
} // namespace

void BinaryStreamToText(TStream& input, TStream& output) {
    TReader reader(input);
    TWriter writer(output);
    reader.ReadSignature();
    TextWriter(reader, writer).ConvertObject(0);
    writer.FlushBuffer();
}

void TextStreamToBinary(TStream& input, TStream& output) {
    TParser parser(input);
    TWriter writer(output);
    writer.WriteSignature();
    BinaryWriter(parser, writer).ConvertObject(0);
    writer.FlushBuffer();
}
