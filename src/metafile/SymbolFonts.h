#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace metafile {

// Fonts whose characters are not the characters of any code page: Word and
// MathType draw Greek letters and operators with the Symbol font, and the
// pieces of large operators, dots and arrows with MT Extra. Their positions
// are mapped to Unicode so that any font on the machine can draw them.
enum class SymbolEncoding { None, Symbol, MtExtra };

// The encoding of a font by its face name (Symbol, MT Symbol, MT Extra), or
// None for an ordinary font.
SymbolEncoding symbolEncodingOf(QStringView faceName);

// The Unicode character of a position 0x20..0xFF (or its private-use form
// U+F020..U+F0FF) in the Symbol font; 0 where the font has no glyph.
char16_t symbolToUnicode(char16_t position);
// The same for MT Extra; 0 for a position we do not know, and for the pieces
// MathType assembles large brackets from (they are drawn as whole characters).
char16_t mtExtraToUnicode(char16_t position);
// Either of the two; `c` itself for an ordinary font.
char16_t mapSymbolChar(SymbolEncoding encoding, char16_t c);

// The families to ask for a metafile's font face, most wanted first: the face
// itself, then the program's own fonts of the same kind (serif, sans serif,
// monospace; Chinese faces first to a Chinese font), so that a machine
// without Times New Roman, SimSun or Symbol still draws the text in a font
// that has its characters.
QStringList fallbackFamilies(const QString& faceName, int pitchAndFamily);

} // namespace metafile
