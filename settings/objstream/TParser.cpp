#include "settings/objstream/TParser.h"

#include "runtime/TextConvert.h"
#include "settings/objstream/NumberText.h"
#include "settings/objstream/ObjStreamErrors.h"
#include "settings/objstream/TPersistent.h"
#include "settings/objstream/TStream.h"

#include <algorithm>
#include <optional>

namespace {
bool IsLetter(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(int c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(int c) {
    return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
}
bool IsBlank(int c) {
    return c >= 0 && c <= ' ';
}

// The text of bytes that are well-formed UTF-8 and hold at least one character beyond ASCII.
std::optional<WideString> NonAsciiUtf8(const std::string& bytes) {
    const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char byte) {
        return static_cast<unsigned char>(byte) >= 0x80;
    });
    if (!beyondAscii) return std::nullopt;
    return TryUtf8ToUtf16(bytes);
}
} // namespace

TParser::TParser(TStream& stream) : stream_(stream) {
    line_.reserve(kFilerBufferSize + 1);
    NextToken();
}

bool TParser::LoadLine() {
    if (!line_.empty() && line_.back() == '\n') ++lineNumber_;
    line_.clear();
    linePosition_ = 0;
    for (;;) {
        if (bufferPosition_ == bufferFilled_) {
            if (dataEnded_) break;
            bufferPosition_ = 0;
            bufferFilled_ = stream_.Read(buffer_.data(), buffer_.size());
            if (bufferFilled_ == 0) {
                dataEnded_ = true;
                break;
            }
        }
        const char c = char(buffer_[bufferPosition_++]);
        line_ += c;
        if (c == '\n') break;
        if (line_.size() > kFilerBufferSize) ErrorOnLine("Line too long", lineNumber_);
    }
    return !line_.empty();
}

int TParser::Current() {
    while (linePosition_ == line_.size())
        if (!LoadLine()) return -1;
    return static_cast<unsigned char>(line_[linePosition_]);
}

char TParser::NextToken() {
    tokenText_.clear();
    tokenWide_.clear();
    floatType_ = 0;
    int c = Current();
    while (IsBlank(c)) {
        ++linePosition_;
        c = Current();
    }
    tokenLine_ = lineNumber_;
    if (c < 0) return token_ = toEOF;

    // Tokens never span lines: every character below depends only on the current line.
    auto at = [&](std::size_t i) -> int {
        return i < line_.size() ? static_cast<unsigned char>(line_[i]) : -1;
    };
    std::size_t p = linePosition_;
    if (IsLetter(c)) {
        while (IsLetter(at(p)) || IsDigit(at(p)))
            ++p;
        tokenText_.assign(line_, linePosition_, p - linePosition_);
        token_ = toSymbol;
    } else if (c == '\'' || (c == '#' && IsDigit(at(p + 1)))) {
        // Pieces: quoted runs and "#" codes with nothing between them.
        struct Piece {
            std::string quoted; // the bytes of a quoted run
            std::uint32_t code; // the code of a "#" piece, modulo 65536
            bool isCode;
        };
        std::vector<Piece> pieces;
        bool wide = false;
        for (;;) {
            if (at(p) == '\'') {
                ++p;
                Piece piece{{}, 0, false};
                for (;;) {
                    const int d = at(p);
                    if (d < 0 || d == '\r' || d == '\n') {
                        linePosition_ = p;
                        Error("Invalid string constant");
                    }
                    ++p;
                    if (d == '\'') {
                        if (at(p) != '\'') break;
                        ++p;
                    }
                    piece.quoted += char(d);
                }
                pieces.push_back(std::move(piece));
            } else if (at(p) == '#' && IsDigit(at(p + 1))) {
                ++p;
                std::uint32_t code = 0;    // modulo 65536
                std::uint32_t decimal = 0; // the written value, saturated
                while (IsDigit(at(p))) {
                    const std::uint32_t digit = std::uint32_t(at(p) - '0');
                    code = (code * 10 + digit) % 65536;
                    decimal = decimal >= 128 ? decimal : decimal * 10 + digit;
                    ++p;
                }
                pieces.push_back({{}, code, true});
                wide = wide || decimal >= 128;
            } else {
                break;
            }
        }
        // A hand-edited file is UTF-8 (every editor here writes it), while the files this
        // program writes hold no byte above 127 at all. So a quoted run that is valid UTF-8 with
        // characters beyond ASCII is taken as UTF-8; any other run keeps its 8-bit meaning:
        // Windows-1252 in an 8-bit token, the byte's value in a wide one.
        for (const Piece& piece : pieces) {
            if (piece.isCode) {
                // An 8-bit token holds codes below 128 only, the same in every code page.
                tokenWide_ += char16_t(piece.code);
            } else if (const auto utf8 = NonAsciiUtf8(piece.quoted)) {
                tokenWide_ += *utf8;
            } else if (wide) {
                for (const char byte : piece.quoted)
                    tokenWide_ += char16_t(static_cast<unsigned char>(byte));
            } else {
                tokenWide_ += AnsiToUtf16(piece.quoted);
            }
        }
        token_ = wide ? toWString : toString;
        tokenText_ = "'";
    } else if (c == '-' || IsDigit(c)) {
        ++p;
        while (IsDigit(at(p)))
            ++p;
        token_ = toInteger;
        for (int d = at(p); IsDigit(d) || d == '+' || d == '-' || d == '.' || d == 'e' || d == 'E';
             d = at(p)) {
            ++p;
            token_ = toFloat;
        }
        tokenText_.assign(line_, linePosition_, p - linePosition_);
        const int suffix = at(p) | 0x20;
        if (at(p) >= 0 && (suffix == 's' || suffix == 'c' || suffix == 'd')) {
            floatType_ = char(suffix);
            token_ = toFloat;
            ++p;
        }
    } else if (c == '$') {
        ++p;
        while (IsHexDigit(at(p)))
            ++p;
        tokenText_.assign(line_, linePosition_, p - linePosition_);
        token_ = toInteger;
    } else {
        ++p;
        tokenText_.assign(1, char(c));
        token_ = char(c);
    }
    linePosition_ = p;
    return token_;
}

std::int64_t TParser::TokenInt() const {
    const auto value = ParseInteger(tokenText_);
    if (!value) throw EConvertError("'" + tokenText_ + "' is not a valid integer value");
    return *value;
}

long double TParser::TokenFloat() const {
    const auto value = ParseFloat(tokenText_);
    if (!value) throw EConvertError("'" + tokenText_ + "' is not a valid floating point value");
    return *value;
}

bool TParser::TokenSymbolIs(std::string_view symbol) const {
    return token_ == toSymbol && SameText(tokenText_, symbol);
}

void TParser::CheckToken(char kind) const {
    if (token_ == kind) return;
    switch (kind) {
    case toSymbol:
        Error("Identifier expected");
    case toString:
    case toWString:
        Error("String expected");
    case toInteger:
    case toFloat:
        Error("Number expected");
    default:
        Error("''" + std::string(1, kind) + "'' expected");
    }
}

void TParser::Error(const std::string& message) const {
    ErrorOnLine(message, tokenLine_);
}

void TParser::ErrorOnLine(const std::string& message, int line) const {
    throw EParserError(message + " on line " + std::to_string(line));
}

std::vector<std::uint8_t> TParser::HexToBinary() {
    std::vector<std::uint8_t> bytes;
    for (;;) {
        int c = Current();
        while (IsBlank(c)) {
            ++linePosition_;
            c = Current();
        }
        if (c == '}') {
            ++linePosition_;
            break;
        }
        const int low = linePosition_ + 1 < line_.size()
                            ? static_cast<unsigned char>(line_[linePosition_ + 1])
                            : -1;
        if (!IsHexDigit(c) || !IsHexDigit(low)) ErrorOnLine("Invalid binary value", lineNumber_);
        bytes.push_back(std::uint8_t(HexValue(c) * 16 + HexValue(low)));
        linePosition_ += 2;
    }
    NextToken();
    return bytes;
}
