#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rtf {

enum class TokenType : std::uint8_t {
    End,           // no more input
    GroupStart,    // {
    GroupEnd,      // }
    ControlWord,   // \word or \wordN; `text` is the word, `param`/`hasParam` its parameter
    ControlSymbol, // \x for a non-letter x (\\ \{ \} \~ \- \_ \* \| ...); `byte` is x
    HexBytes,      // one or more \'hh in a row; `text` views their values
    Text,          // a run of plain bytes; `text` views them (CR and LF are not part of it)
    Binary,        // the data of \binN; `text` views the N bytes
};

struct Token
{
    TokenType type = TokenType::End;
    bool hasParam = false;
    std::uint8_t byte = 0;
    std::int32_t param = 0;
    std::string_view text;
};

// Splits RTF bytes into tokens. It views the input, never reads past its end
// and accepts any bytes: a control word longer than RTF allows is cut, a
// numeric parameter is clamped to 32 bits, \bin without a parameter reads
// nothing and a \bin longer than the input reads what is left. Runs of \'hh
// escapes (Chinese text is nothing else) come as one token, whose bytes are
// valid until the next call.
class Tokenizer
{
public:
    explicit Tokenizer(std::string_view data) : p_(data.data()), end_(data.data() + data.size()) {}

    Token next();
    bool atEnd() const { return p_ >= end_; }

private:
    bool hexEscape(std::uint8_t& value);

    const char* p_;
    const char* end_;
    std::string hex_;
};

} // namespace rtf
