#include "ui/rtf/RtfTokenizer.h"

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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The longest control word RTF allows; longer runs of letters are still
// consumed but the word is cut, so it is simply unknown.
constexpr std::size_t kMaxWordLength = 32;

} // namespace

Token Tokenizer::next()
{
    Token t;
    for (;;) {
        // CR, LF and NUL between tokens carry no meaning.
        while (p_ < end_ && (*p_ == '\r' || *p_ == '\n' || *p_ == '\0'))
            ++p_;
        if (p_ + 1 < end_ && p_[0] == '\\' && p_[1] == '\'') {
            const int hi = p_ + 2 < end_ ? hexValue(p_[2]) : -1;
            const int lo = p_ + 3 < end_ ? hexValue(p_[3]) : -1;
            if (hi >= 0 && lo >= 0) {
                p_ += 4;
                t.type = TokenType::HexByte;
                t.byte = std::uint8_t(hi * 16 + lo);
                return t;
            }
            // A broken escape: one digit is taken as the value, none gives nothing.
            p_ += 2;
            if (hi >= 0) {
                ++p_;
                t.type = TokenType::HexByte;
                t.byte = std::uint8_t(hi);
                return t;
            }
            continue;
        }
        break;
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
        while (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}' && *p_ != '\r' && *p_ != '\n'
               && *p_ != '\0')
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
