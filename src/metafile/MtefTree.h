#pragma once

// An MTEF equation as a tree, read from its byte stream (MtefReader.cpp) and
// turned into LaTeX (MtefLatex.cpp).

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <vector>

namespace metafile::mtef {

// Typefaces (MathType's styles); negative values name an explicit font.
enum Typeface : int {
    fnText = 1,
    fnFunction = 2,
    fnVariable = 3,
    fnLcGreek = 4,
    fnUcGreek = 5,
    fnSymbol = 6,
    fnVector = 7,
    fnNumber = 8,
    fnUser1 = 9,
    fnUser2 = 10,
    fnMtExtra = 11,
    fnTextFe = 12,
    fnExpand = 22,
    fnMarker = 23,
    fnSpace = 24,
};

struct Node
{
    enum class Kind { Line, Char, Template, Pile, Matrix };
    Kind kind = Kind::Line;

    // Line
    bool null = false;
    // Char
    int typeface = 0;
    char32_t code = 0; // the character: Unicode, or a font position when fontPosition is set
    bool fontPosition = false;
    bool functionStart = false;
    std::vector<int> embellishments;
    // Template
    int selector = 0;
    int variation = 0;
    int options = 0;
    // Pile, Matrix
    int halign = 0;
    int valign = 0;
    int rows = 0;
    int cols = 0;
    std::vector<int> rowLines; // partition line styles: 0 none, 1 solid, 2 dashed, 3 dotted
    std::vector<int> colLines;

    // Line: its items; Template: its subobjects in order; Pile: its lines;
    // Matrix: its cells row by row.
    std::vector<Node> children;
};

// An explicit font: its name and whether it is bold or italic.
struct FontStyle
{
    QString name;
    bool bold = false;
    bool italic = false;
};

struct Equation
{
    int version = 0;
    Node root; // a Line holding the equation's top-level objects
    // v3: FONT records by typeface number; v5: FONT_STYLE_DEFs by index.
    QList<std::pair<int, FontStyle>> fonts;
    const FontStyle* font(int typeface) const
    {
        for (const auto& [n, f] : fonts) {
            if (n == typeface)
                return &f;
        }
        return nullptr;
    }
};

// Reads an MTEF stream. On failure `error` describes the first thing not
// understood (for the teacher) and the equation holds what was read before it.
bool read(QByteArrayView mtef, Equation& equation, QString& error);

} // namespace metafile::mtef
