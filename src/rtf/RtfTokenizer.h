#pragma once

#include "rtf/RtfKeywords.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

// The reader calls Tokenizer::next() for every token; compilers that would
// not inline a function this long on their own are told to.
#if defined(__GNUC__) || defined(__clang__)
#define TIKU_RTF_ALWAYS_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define TIKU_RTF_ALWAYS_INLINE __forceinline
#else
#define TIKU_RTF_ALWAYS_INLINE inline
#endif

namespace rtf {

enum class TokenType : std::uint8_t {
    End,           // no more input
    GroupStart,    // {
    GroupEnd,      // }
    ControlWord,   // \word or \wordN: `text`, its `keyword`, `param`/`hasParam` its parameter
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
    Kw keyword = Kw::Unknown; // of a control word
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
    char* grow(char* out);

    const char* p_;
    const char* end_;
    std::string hex_;
};

// What the inline tokenizer below is made of.
namespace tokenizer {

inline bool isLetter(char c)
{
    return std::uint8_t((c | 0x20) - 'a') < 26;
}

inline bool isDigit(char c)
{
    return std::uint8_t(c - '0') < 10;
}

inline constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = -1;
    for (int i = 0; i < 10; ++i)
        t[std::size_t('0' + i)] = std::int8_t(i);
    for (int i = 0; i < 6; ++i) {
        t[std::size_t('a' + i)] = std::int8_t(10 + i);
        t[std::size_t('A' + i)] = std::int8_t(10 + i);
    }
    return t;
}();

// The bytes that end a run of plain text.
inline constexpr std::array<bool, 256> kTextEnd = [] {
    std::array<bool, 256> t{};
    for (const char c : {'\\', '{', '}', '\r', '\n', '\0'})
        t[std::uint8_t(c)] = true;
    return t;
}();

inline bool isLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

inline bool escapeAt(const char* p)
{
    return p[0] == '\\' && p[1] == '\'';
}

// Eight bytes at `p` as a little-endian number, on machines that are.
inline constexpr bool kWordLoads = std::endian::native == std::endian::little;

inline std::uint64_t load8(const char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// For each byte of `w` whose byte is an ASCII letter, its high bit set; the
// eight bytes are tested at once (no carry passes from one byte to the next).
inline std::uint64_t letterBytes(std::uint64_t w)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    const std::uint64_t lower = w | ones * 0x20; // A-Z to a-z
    const std::uint64_t low7 = lower & ones * 0x7F;
    const std::uint64_t atLeastA = low7 + ones * (0x80 - 'a');
    const std::uint64_t pastZ = low7 + ones * (0x80 - 'z' - 1);
    return atLeastA & ~pastZ & ~lower & ones * 0x80;
}

// The longest control word RTF allows; longer runs of letters are still
// consumed but the word is cut, so it is simply unknown.
inline constexpr std::size_t kMaxWordLength = 32;

} // namespace tokenizer

TIKU_RTF_ALWAYS_INLINE Token Tokenizer::next()
{
    Token t;
    // Escaped bytes go straight into the buffer, which only grows. Locals, not
    // the members: a byte stored through a char pointer could alias them, and
    // the compiler would reload them for every byte.
    const char* p = p_;
    const char* const end = end_;
    char* out = hex_.data();
    char* outEnd = out + hex_.size();
    for (;;) {
        // CR, LF and NUL between tokens carry no meaning.
        while (p < end && tokenizer::isLineEnd(*p))
            ++p;
        // The common case first: whole escapes back to back, as in Chinese text.
        while (end - p >= 4 && tokenizer::escapeAt(p)) {
            const int hi = tokenizer::kHexValues[std::uint8_t(p[2])];
            const int lo = tokenizer::kHexValues[std::uint8_t(p[3])];
            if ((hi | lo) < 0)
                break;
            if (out == outEnd) {
                out = grow(out);
                outEnd = hex_.data() + hex_.size();
            }
            *out++ = char(hi << 4 | lo);
            p += 4;
        }
        if (p + 1 < end && tokenizer::escapeAt(p)) {
            p_ = p;
            std::uint8_t value = 0;
            const bool valid = hexEscape(value);
            p = p_;
            if (valid) {
                if (out == outEnd) {
                    out = grow(out);
                    outEnd = hex_.data() + hex_.size();
                }
                *out++ = char(value);
            }
            continue;
        }
        // A line break inside a run of escapes does not end it.
        if (out != hex_.data() && p < end && tokenizer::isLineEnd(*p))
            continue;
        break;
    }
    if (out != hex_.data()) {
        p_ = p;
        t.type = TokenType::HexBytes;
        t.text = std::string_view(hex_.data(), std::size_t(out - hex_.data()));
        return t;
    }
    if (p >= end) {
        p_ = p;
        return t;
    }
    p_ = p + 1;
    const char c = *p;
    if (c == '{') {
        t.type = TokenType::GroupStart;
        return t;
    }
    if (c == '}') {
        t.type = TokenType::GroupEnd;
        return t;
    }
    if (c != '\\') {
        const char* start = p;
        while (p < end && !tokenizer::kTextEnd[std::uint8_t(*p)])
            ++p;
        p_ = p;
        t.type = TokenType::Text;
        t.text = std::string_view(start, std::size_t(p - start));
        return t;
    }

    // A backslash.
    ++p;
    if (p >= end)
        return t; // a lone backslash at the very end
    const char d = *p;
    if (!tokenizer::isLetter(d)) {
        p_ = p + 1;
        t.type = TokenType::ControlSymbol;
        // "\<CR>" and "\<LF>" are paragraph marks.
        t.byte = std::uint8_t(d == '\r' ? '\n' : d);
        return t;
    }

    // The first eight letters are packed as they are read: the keyword table
    // looks words up by them.
    const char* start = p;
    std::uint64_t head = 0;
    if (tokenizer::kWordLoads && end - p >= 8) {
        // Up to eight letters at once: the word ends at the first byte that is none.
        const std::uint64_t w = tokenizer::load8(p);
        const std::uint64_t others = ~tokenizer::letterBytes(w) & 0x8080808080808080ull;
        const int letters = others ? std::countr_zero(others) / 8 : 8;
        head = letters == 8 ? w : w & ((std::uint64_t(1) << (8 * letters)) - 1);
        p += letters;
    } else {
        for (unsigned shift = 0; shift < 64 && p < end && tokenizer::isLetter(*p); shift += 8, ++p)
            head |= std::uint64_t(std::uint8_t(*p)) << shift;
    }
    while (p < end && tokenizer::isLetter(*p))
        ++p;
    std::size_t length = std::size_t(p - start);
    if (length > tokenizer::kMaxWordLength)
        length = tokenizer::kMaxWordLength;
    t.type = TokenType::ControlWord;
    t.text = std::string_view(start, length);
    t.keyword = keyword(t.text, head);

    bool negative = false;
    if (p < end && *p == '-' && p + 1 < end && tokenizer::isDigit(p[1])) {
        negative = true;
        ++p;
    }
    if (p < end && tokenizer::isDigit(*p)) {
        std::int64_t value = 0;
        constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
        while (p < end && tokenizer::isDigit(*p)) {
            if (value < limit)
                value = value * 10 + (*p - '0');
            ++p;
        }
        if (negative)
            value = -value;
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
        if (value < std::numeric_limits<std::int32_t>::min())
            value = std::numeric_limits<std::int32_t>::min();
        t.hasParam = true;
        t.param = std::int32_t(value);
    }
    // The delimiting space belongs to the control word.
    if (p < end && *p == ' ')
        ++p;

    if (length == 3 && t.text == "bin") {
        std::size_t count = t.hasParam && t.param > 0 ? std::size_t(t.param) : 0;
        const std::size_t left = std::size_t(end - p);
        if (count > left)
            count = left;
        t.type = TokenType::Binary;
        t.text = std::string_view(p, count);
        p += count;
    }
    p_ = p;
    return t;
}

} // namespace rtf
