#include "rtf/RtfFormatting.h"

#include "rtf/RtfParser.h"
#include "rtf/RtfParserState.h"

#include <QChar>

namespace rtf {

bool applyCharacterWord(Kw kw, const Token& t, GroupState& s)
{
    const std::int32_t p = t.param;
    const bool on = !t.hasParam || p != 0;
    CharProps& chr = s.chr;
    switch (kw) {
    case Kw::plain:
        chr = CharProps{};
        s.lowered = 0;
        return true;
    case Kw::b:
        chr.bold = on;
        return true;
    case Kw::i:
        chr.italic = on;
        return true;
    case Kw::ul:
        chr.underline = on ? Underline::Single : Underline::None;
        return true;
    case Kw::ulnone:
        chr.underline = Underline::None;
        return true;
    case Kw::uld:
        chr.underline = on ? Underline::Dotted : Underline::None;
        return true;
    case Kw::uldash:
    case Kw::ulldash:
    case Kw::ulthdash:
    case Kw::ulthldash:
        chr.underline = on ? Underline::Dashed : Underline::None;
        return true;
    case Kw::uldashd:
    case Kw::ulthdashd:
        chr.underline = on ? Underline::DashDot : Underline::None;
        return true;
    case Kw::uldashdd:
    case Kw::ulthdashdd:
        chr.underline = on ? Underline::DashDotDot : Underline::None;
        return true;
    case Kw::ulwave:
    case Kw::ulhwave:
    case Kw::ululdbwave:
        chr.underline = on ? Underline::Wave : Underline::None;
        return true;
    case Kw::uldb:
    case Kw::ulth:
    case Kw::ulw:
    case Kw::ulthd:
        chr.underline = on ? Underline::Single : Underline::None;
        return true;
    case Kw::strike:
    case Kw::striked:
        chr.strike = on;
        return true;
    case Kw::super:
        chr.vertical = on ? VerticalAlign::Super : VerticalAlign::Normal;
        s.lowered = 0;
        return true;
    case Kw::sub:
        chr.vertical = on ? VerticalAlign::Sub : VerticalAlign::Normal;
        s.lowered = 0;
        return true;
    case Kw::nosupersub:
        chr.vertical = VerticalAlign::Normal;
        s.lowered = 0;
        return true;
    case Kw::up:
        chr.vertical = t.hasParam && p == 0 ? VerticalAlign::Normal : VerticalAlign::Super;
        s.lowered = std::int16_t(t.hasParam ? -clampInt(p, -2000, 2000) : -6); // 3 points when no number
        return true;
    case Kw::dn:
        chr.vertical = t.hasParam && p == 0 ? VerticalAlign::Normal : VerticalAlign::Sub;
        s.lowered = std::int16_t(t.hasParam ? clampInt(p, -2000, 2000) : 6);
        return true;
    case Kw::f:
        chr.font = t.hasParam ? p : -1;
        return true;
    case Kw::fs:
        chr.halfPoints = t.hasParam && p > 0 ? clamp16(p, 1, 3276) : 24;
        return true;
    case Kw::cf:
        chr.foreground = clamp16(p, 0, 32767);
        return true;
    case Kw::cb:
    case Kw::highlight:
    case Kw::chcbpat:
        chr.background = clamp16(p, 0, 32767);
        return true;
    case Kw::caps:
        chr.caps = on;
        return true;
    case Kw::scaps:
        chr.smallCaps = on;
        return true;
    case Kw::v:
        chr.hidden = on;
        return true;
    default:
        return false;
    }
}

bool applyParagraphWord(Kw kw, const Token& t, GroupState& s)
{
    const std::int32_t p = t.param;
    const bool on = !t.hasParam || p != 0;
    ParaProps& para = s.para;
    switch (kw) {
    case Kw::pard:
        para = ParaProps{};
        s.listOverride = 0;
        s.listLevel = 0;
        return true;
    case Kw::ql:
        para.align = Align::Left;
        return true;
    case Kw::qc:
        para.align = Align::Center;
        return true;
    case Kw::qr:
        para.align = Align::Right;
        return true;
    case Kw::qj:
    case Kw::qd:
        para.align = Align::Justify;
        return true;
    case Kw::li:
    case Kw::lin:
        para.leftIndent = clampInt(p, -31680, 31680);
        return true;
    case Kw::ri:
    case Kw::rin:
        para.rightIndent = clampInt(p, -31680, 31680);
        return true;
    case Kw::fi:
        para.firstIndent = clampInt(p, -31680, 31680);
        return true;
    case Kw::sb:
        para.spaceBefore = clampInt(p, 0, 31680);
        return true;
    case Kw::sa:
        para.spaceAfter = clampInt(p, 0, 31680);
        return true;
    case Kw::sl:
        para.lineSpacing = clampInt(p, -31680, 31680);
        return true;
    case Kw::slmult:
        para.lineMultiple = on;
        return true;
    case Kw::intbl:
        para.inTable = on;
        return true;
    case Kw::itap:
        para.nesting = clamp16(p, 0, kMaxTableNesting);
        return true;
    default:
        return false;
    }
}

char16_t specialCharacter(Kw kw)
{
    switch (kw) {
    case Kw::line:
        return QChar::LineSeparator;
    case Kw::tab:
        return u'\t';
    case Kw::emdash:
        return u'\u2014';
    case Kw::endash:
        return u'\u2013';
    case Kw::emspace:
        return u'\u2003';
    case Kw::enspace:
        return u'\u2002';
    case Kw::qmspace:
        return u'\u2005';
    case Kw::bullet:
        return u'\u2022';
    case Kw::lquote:
        return u'\u2018';
    case Kw::rquote:
        return u'\u2019';
    case Kw::ldblquote:
        return u'\u201C';
    case Kw::rdblquote:
        return u'\u201D';
    case Kw::zwj:
        return u'\u200D';
    case Kw::zwnj:
        return u'\u200C';
    case Kw::ltrmark:
        return u'\u200E';
    case Kw::rtlmark:
        return u'\u200F';
    default:
        return 0;
    }
}

} // namespace rtf
