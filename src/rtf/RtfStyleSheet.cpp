#include "rtf/RtfStyleSheet.h"

namespace rtf {

namespace {

// More styles than any real document has; the rest are not kept.
constexpr std::size_t kMaxStyles = 10000;

} // namespace

void StyleSheet::beginEntry()
{
    number_ = 0;
    characterStyle_ = false;
}

void StyleSheet::numberEntry(int number, bool characterStyle, bool kept)
{
    number_ = kept ? number : -1;
    characterStyle_ = characterStyle;
}

void StyleSheet::finishEntry(const CharProps& chr, const ParaProps& para)
{
    if (number_ >= 0 && styles_.size() < kMaxStyles)
        styles_[key(number_, characterStyle_)] = Style{chr, para};
    number_ = -1;
}

void StyleSheet::apply(int number, bool characterStyle, CharProps& chr, ParaProps& para) const
{
    const auto it = styles_.find(key(number, characterStyle));
    if (it == styles_.end())
        return;
    // Only what the style changes from the defaults is applied, so
    // formatting given before the style reference survives.
    const CharProps def;
    const CharProps& sc = it->second.chr;
    if (sc.font != def.font)
        chr.font = sc.font;
    if (sc.halfPoints != def.halfPoints)
        chr.halfPoints = sc.halfPoints;
    if (sc.foreground != def.foreground)
        chr.foreground = sc.foreground;
    if (sc.background != def.background)
        chr.background = sc.background;
    if (sc.underline != def.underline)
        chr.underline = sc.underline;
    if (sc.vertical != def.vertical)
        chr.vertical = sc.vertical;
    if (sc.bold)
        chr.bold = true;
    if (sc.italic)
        chr.italic = true;
    if (sc.strike)
        chr.strike = true;
    if (sc.caps)
        chr.caps = true;
    if (sc.smallCaps)
        chr.smallCaps = true;
    if (!characterStyle) {
        ParaProps sp = it->second.para;
        sp.inTable = para.inTable;
        sp.nesting = para.nesting;
        para = sp;
    }
}

} // namespace rtf
