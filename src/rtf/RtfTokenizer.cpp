#include "rtf/RtfTokenizer.h"

#include <array>
#include <limits>

namespace rtf {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr std::array<std::int8_t, 256> kHexValues = [] {
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

int hexValue(char c)
{
    return kHexValues[std::uint8_t(c)];
}

// The longest control word RTF allows; longer runs of letters are still
// consumed but the word is cut, so it is simply unknown.
constexpr std::size_t kMaxWordLength = 32;

} // namespace

// Reads one \'hh at p_ (known to start with \'). A broken escape takes one
// digit as the value, or gives nothing without digits.
bool Tokenizer::hexEscape(std::uint8_t& value)
{
    const int hi = p_ + 2 < end_ ? hexValue(p_[2]) : -1;
    const int lo = p_ + 3 < end_ ? hexValue(p_[3]) : -1;
    if (hi >= 0 && lo >= 0) {
        p_ += 4;
        value = std::uint8_t(hi * 16 + lo);
        return true;
    }
    p_ += 2;
    if (hi >= 0) {
        ++p_;
        value = std::uint8_t(hi);
        return true;
    }
    return false;
}

Token Tokenizer::next()
{
    Token t;
    hex_.clear();
    for (;;) {
        // CR, LF and NUL between tokens carry no meaning.
        while (p_ < end_ && (*p_ == '\r' || *p_ == '\n' || *p_ == '\0'))
            ++p_;
        // The common case first: whole escapes back to back, as in Chinese text.
        while (end_ - p_ >= 4 && p_[0] == '\\' && p_[1] == '\'') {
            const int hi = kHexValues[std::uint8_t(p_[2])];
            const int lo = kHexValues[std::uint8_t(p_[3])];
            if ((hi | lo) < 0)
                break;
            hex_.push_back(char(hi << 4 | lo));
            p_ += 4;
        }
        if (p_ + 1 < end_ && p_[0] == '\\' && p_[1] == '\'') {
            std::uint8_t value = 0;
            if (hexEscape(value))
                hex_.push_back(char(value));
            continue;
        }
        // A line break inside a run of escapes does not end it.
        if (!hex_.empty() && p_ < end_ && (*p_ == '\r' || *p_ == '\n' || *p_ == '\0'))
            continue;
        break;
    }
    if (!hex_.empty()) {
        t.type = TokenType::HexBytes;
        t.text = hex_;
        return t;
    }
    if (p_ >= end_)
        return t;

    const char c = *p_;
    if (c == '{') {
        ++p_;
        t.type = TokenType::GroupStart;
        return t;
    }
    if (c == '}') {
        ++p_;
        t.type = TokenType::GroupEnd;
        return t;
    }
    if (c != '\\') {
        const char* start = p_;
        while (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}' && *p_ != '\r' && *p_ != '\n' &&
               *p_ != '\0')
            ++p_;
        t.type = TokenType::Text;
        t.text = std::string_view(start, std::size_t(p_ - start));
        return t;
    }

    // A backslash.
    ++p_;
    if (p_ >= end_)
        return t; // a lone backslash at the very end
    const char d = *p_;
    if (!isLetter(d)) {
        ++p_;
        t.type = TokenType::ControlSymbol;
        // "\<CR>" and "\<LF>" are paragraph marks.
        t.byte = std::uint8_t(d == '\r' ? '\n' : d);
        return t;
    }

    const char* start = p_;
    while (p_ < end_ && isLetter(*p_))
        ++p_;
    std::size_t length = std::size_t(p_ - start);
    if (length > kMaxWordLength)
        length = kMaxWordLength;
    t.type = TokenType::ControlWord;
    t.text = std::string_view(start, length);

    bool negative = false;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && isDigit(p_[1])) {
        negative = true;
        ++p_;
    }
    if (p_ < end_ && isDigit(*p_)) {
        std::int64_t value = 0;
        constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
        while (p_ < end_ && isDigit(*p_)) {
            if (value < limit)
                value = value * 10 + (*p_ - '0');
            ++p_;
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
    if (p_ < end_ && *p_ == ' ')
        ++p_;

    if (t.text == "bin") {
        std::size_t n = t.hasParam && t.param > 0 ? std::size_t(t.param) : 0;
        const std::size_t left = std::size_t(end_ - p_);
        if (n > left)
            n = left;
        t.type = TokenType::Binary;
        t.text = std::string_view(p_, n);
        p_ += n;
    }
    return t;
}

} // namespace rtf
