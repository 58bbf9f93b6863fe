#include "rtf/RtfTokenizer.h"

#include <array>
#include <limits>

namespace rtf {

namespace {

int hexValue(char c)
{
    return tokenizer::kHexValues[std::uint8_t(c)];
}

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

// The escape buffer is full at `out`: it doubles; where `out` is now.
char* Tokenizer::grow(char* out)
{
    const std::size_t used = std::size_t(out - hex_.data());
    hex_.resize(hex_.size() * 2 + 64);
    return hex_.data() + used;
}

} // namespace rtf
