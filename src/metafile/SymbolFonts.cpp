#include "metafile/SymbolFonts.h"

using namespace Qt::StringLiterals;

namespace metafile {

namespace {

// clang-format off
// Symbol positions 0x20..0xFF; 0 where the font has no glyph. The bracket
// pieces (0xE6..0xFE) are mapped to their Unicode pieces, which DejaVu and
// the Windows fonts have.
constexpr char16_t kSymbol[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, // 0x20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 0x40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 0x50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 0x60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 0x70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    0,      0,      0,      0,      0,      0,      0,      0,      // 0x80
    0,      0,      0,      0,      0,      0,      0,      0,
    0,      0,      0,      0,      0,      0,      0,      0,      // 0x90
    0,      0,      0,      0,      0,      0,      0,      0,
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // 0xA0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // 0xB0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // 0xC0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // 0xD0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, // 0xE0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0,      0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, // 0xF0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,
};
// clang-format on

} // namespace

SymbolEncoding symbolEncodingOf(QStringView faceName)
{
    const QStringView face = faceName.trimmed();
    if (face.compare(u"Symbol", Qt::CaseInsensitive) == 0 ||
        face.compare(u"MT Symbol", Qt::CaseInsensitive) == 0)
        return SymbolEncoding::Symbol;
    if (face.compare(u"MT Extra", Qt::CaseInsensitive) == 0 ||
        face.compare(u"MTExtra", Qt::CaseInsensitive) == 0 ||
        face.compare(u"MT Extra Tiger", Qt::CaseInsensitive) == 0)
        return SymbolEncoding::MtExtra;
    return SymbolEncoding::None;
}

char16_t symbolToUnicode(char16_t c)
{
    if (c >= 0xF020 && c <= 0xF0FF)
        c = char16_t(c - 0xF000);
    if (c < 0x20 || c > 0xFF)
        return 0;
    return kSymbol[c - 0x20];
}

char16_t mtExtraToUnicode(char16_t c)
{
    if (c >= 0xF020 && c <= 0xF0FF)
        c = char16_t(c - 0xF000);
    // clang-format off
    switch (c) {
    case 0x20: return 0x0020;
    case 0x23: return 0x0300; // grave embellishment
    case 0x24: return 0x0302; // hat embellishment
    case 0x25: return 0x0303; // tilde embellishment
    case 0x26: return 0x0307; // dot embellishment
    case 0x3A: return 0x223C; // tilde operator
    case 0x3B: return 0x2243; // asymptotically equal
    case 0x3C: return 0x22B2; // normal subgroup of
    case 0x3D: return 0x226A; // much less than
    case 0x3E: return 0x22B3; // contains as normal subgroup
    case 0x3F: return 0x226B; // much greater than
    case 0x42: return 0x2250; // approaches the limit
    case 0x43: return 0x2210; // n-ary coproduct
    case 0x44: return 0x019B; // lambda with stroke
    case 0x49: return 0x22C2; // n-ary intersection
    case 0x4B: return 0x2026; // horizontal ellipsis
    case 0x4C: return 0x22EF; // math-axis ellipsis
    case 0x4D: return 0x22EE; // vertical ellipsis
    case 0x4E: return 0x22F0; // up right diagonal ellipsis
    case 0x4F: return 0x22F1; // down right diagonal ellipsis
    case 0x51: return 0x2235; // because
    case 0x55: return 0x22C3; // n-ary union
    case 0x60: return 0x2035; // reversed prime
    case 0x61: return 0x21A6; // maps to
    case 0x62: return 0x2195; // up down arrow
    case 0x63: return 0x21D5; // up down double arrow
    case 0x66: return 0x227B; // succeeds
    case 0x68: return 0x210F; // h bar
    case 0x6C: return 0x2113; // script l
    case 0x6D: return 0x2213; // minus-or-plus
    case 0x6F: return 0x2218; // ring operator
    case 0x70: return 0x227A; // precedes
    default: return 0;
    }
    // clang-format on
}

char16_t mapSymbolChar(SymbolEncoding encoding, char16_t c)
{
    switch (encoding) {
    case SymbolEncoding::Symbol:
        return symbolToUnicode(c);
    case SymbolEncoding::MtExtra:
        return mtExtraToUnicode(c);
    case SymbolEncoding::None:
        break;
    }
    return c;
}

QStringList fallbackFamilies(const QString& faceName, int pitchAndFamily)
{
    static const QStringList serif{u"Times New Roman"_s, u"Nimbus Roman"_s, u"Liberation Serif"_s,
                                   u"DejaVu Serif"_s,    u"SimSun"_s,       u"Noto Serif CJK SC"_s};
    static const QStringList sans{u"Arial"_s,       u"Nimbus Sans"_s,     u"Liberation Sans"_s,
                                  u"DejaVu Sans"_s, u"Microsoft YaHei"_s, u"Noto Sans CJK SC"_s};
    static const QStringList mono{u"Courier New"_s, u"Nimbus Mono PS"_s, u"Liberation Mono"_s,
                                  u"DejaVu Sans Mono"_s, u"Noto Sans Mono CJK SC"_s};
    static const QStringList chinese{u"SimSun"_s, u"宋体"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s,
                                     u"DejaVu Serif"_s};
    QStringList families;
    const QString face = faceName.trimmed();
    const SymbolEncoding encoding = symbolEncodingOf(face);
    // Symbol and MT Extra text is mapped to Unicode: the real fonts (where
    // installed) would draw private-use glyphs, so they are never asked for.
    if (encoding == SymbolEncoding::None && !face.isEmpty())
        families << face;
    bool cjk = false;
    for (const QChar c : face)
        cjk = cjk || c.unicode() >= 0x2E80;
    const int family = pitchAndFamily & 0xF0;
    const QStringList& more = cjk                                                                ? chinese
                              : family == 0x20 || face.contains(u"Arial"_s, Qt::CaseInsensitive) ? sans
                              : family == 0x30 || (pitchAndFamily & 0x3) == 1                    ? mono
                                                                                                 : serif;
    for (const QString& f : more) {
        if (f.compare(face, Qt::CaseInsensitive) != 0)
            families << f;
    }
    return families;
}

} // namespace metafile
