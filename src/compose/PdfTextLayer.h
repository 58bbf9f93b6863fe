#pragma once

#include <QByteArray>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <vector>

class QFont;
class QTextDocument;

// The text a reader gets from a PDF that Qt's writer made: searching,
// copying, screen readers.
//
// Qt names each embedded glyph (its ToUnicode map) after the lowest code point
// that the font's cmap maps to that glyph. Noto CJK maps the Kangxi radicals
// and the CJK radicals supplement to the glyphs of the ideographs they look
// like (⼀ and 一, ⻚ and 页), and a few symbols to one glyph (／ and ∕, ～ and
// 〜, ⋯ and …, the blank and the tab), so the lower code point, the wrong one,
// is what a reader extracts. A glyph that no code point of the cmap reaches
// gets no name at all: that is what shaping makes of digits in a Latin run
// ("x=1" lost its 1); text drawn with QFont::PreferNoShaping keeps the cmap's
// glyphs (noShaping()).
//
// This class collects what was drawn (the characters and the faces) and
// writes each font's ToUnicode map anew: a glyph is named after the character
// drawn that the face shows with it (of several, the one drawn most often).
class PdfTextLayer
{
public:
    // Characters drawn.
    void addText(QStringView text);
    // The faces that drew a laid-out document, and its text.
    void addDocument(const QTextDocument& doc);
    // A line drawn with QPainter::drawText in `font`.
    void addLine(const QString& text, const QFont& font);

    // `pdf` with the ToUnicode map of each of its fonts made from the
    // characters drawn. A PDF that is not laid out as Qt's writer lays it
    // out, and a font of it that none of the faces is, are left as they are.
    QByteArray rewrite(const QByteArray& pdf) const;

private:
    void addFont(const QRawFont& font);

    QHash<char32_t, int> drawn_;                         // character -> how often
    std::vector<std::pair<QByteArray, QRawFont>> fonts_; // by PostScript name
};

// `font` with shaping off, so that every glyph drawn is one the font's cmap
// gives (and the PDF can name): Latin and Chinese need no shaping.
QFont noShaping(QFont font);

// The PostScript name of a face as Qt's PDF writer names the font (blanks as
// underscores); empty when the face has no name table.
QByteArray postscriptName(const QRawFont& font);
