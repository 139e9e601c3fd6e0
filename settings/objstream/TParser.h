#pragma once
// The tokenizer of the object text encoding. Reads its input line by line through a 4096-byte
// buffer, so a line longer than that is an error ("Line too long"); lines count from 1. Errors
// are EParserError "<message> on line <n>", n being the line of the current token; number
// tokens that do not convert raise EConvertError. One thread.
#include "settings/objstream/ObjectStreamTypes.h"

#include "runtime/WinTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TStream;

class TParser {
public:
    // Token kinds; any other token is the one character it consists of.
    static constexpr char toEOF = 0;
    static constexpr char toSymbol = 1; // identifier
    static constexpr char toString = 2; // 8-bit string
    static constexpr char toInteger = 3;
    static constexpr char toFloat = 4;
    static constexpr char toWString = 5; // string with a "#" code of 128 or more

    // Reads the first token.
    explicit TParser(TStream& stream);
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    char Token() const { return token_; }
    char NextToken();
    int SourceLine() const { return tokenLine_; }

    // The identifier, the number without its float suffix, or the character of the token.
    const std::string& TokenString() const { return tokenText_; }
    // The text of a string token. A quoted run that is valid UTF-8 beyond ASCII is decoded
    // as UTF-8; other quoted bytes are Windows-1252 in an 8-bit token and the characters of
    // the same value in a wide one.
    const WideString& TokenWideString() const { return tokenWide_; }
    std::int64_t TokenInt() const;
    long double TokenFloat() const;
    // 's', 'c' or 'd' for a float with that suffix, otherwise 0.
    char FloatType() const { return floatType_; }
    // True for an identifier equal to the text without regard to ASCII case.
    bool TokenSymbolIs(std::string_view symbol) const;

    // "Identifier expected", "String expected", "Number expected" or "''c'' expected" unless the
    // current token is of that kind.
    void CheckToken(char kind) const;
    [[noreturn]] void Error(const std::string& message) const;
    // "<message> on line <line>".
    [[noreturn]] void ErrorOnLine(const std::string& message, int line) const;

    // The bytes of hexadecimal pairs up to "}", the current token being "{"; then reads the
    // token after "}". Blanks and line ends may stand between pairs.
    std::vector<std::uint8_t> HexToBinary();

private:
    // The next character of the current line, loading lines as needed; -1 at the end of data.
    int Current();
    bool LoadLine();

    TStream& stream_;
    std::array<std::uint8_t, kFilerBufferSize> buffer_{};
    std::size_t bufferPosition_ = 0;
    std::size_t bufferFilled_ = 0;
    bool dataEnded_ = false;

    std::string line_; // the current line, with its LF when it has one
    std::size_t linePosition_ = 0;
    int lineNumber_ = 1;

    char token_ = toEOF;
    int tokenLine_ = 1;
    std::string tokenText_;
    WideString tokenWide_; // the text of a string token
    char floatType_ = 0;
};
