#pragma once

#include "rtf/RtfModel.h"

#include <cstdint>
#include <unordered_map>

namespace rtf {

// The style sheet (\stylesheet): the character and paragraph formats of each
// paragraph style (\sN) and character style (\csN), applied where the text
// names them.
class StyleSheet
{
public:
    // A group of the style sheet starts an entry; \sN or \csN numbers it
    // (\dsN and \tsN styles are read but not kept).
    void beginEntry();
    void numberEntry(int number, bool characterStyle, bool kept);
    // The entry ends with ';' or its group, with the formats its group set.
    void finishEntry(const CharProps& chr, const ParaProps& para);

    // \sN or \csN in text: what the style changes from the defaults is
    // applied; a paragraph style also sets the paragraph format.
    void apply(int number, bool characterStyle, CharProps& chr, ParaProps& para) const;

private:
    struct Style
    {
        CharProps chr;
        ParaProps para;
    };
    // Paragraph and character styles are numbered apart: \s1 and \cs1 are two styles.
    static std::int64_t key(int number, bool characterStyle)
    {
        return std::int64_t(characterStyle) << 32 | std::uint32_t(number);
    }

    std::unordered_map<std::int64_t, Style> styles_;
    int number_ = -1;
    bool characterStyle_ = false;
};

} // namespace rtf
