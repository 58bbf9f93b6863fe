#include "rtf/RtfKeywords.h"

namespace rtf {

Kw keyword(std::string_view word)
{
    return keyword(word, keywords::headOf(word));
}

} // namespace rtf
