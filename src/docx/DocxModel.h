#pragma once

#include <QByteArray>
#include <QColor>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// What the DOCX reader makes of a Word document: paragraphs with runs of one
// format each, tables of cells, pictures and formulas in document order. The
// numbering Word draws from list definitions is resolved into each
// paragraph's label, so that whoever reads the model sees "1." or "（2）"
// where the teacher saw it, although the text does not hold it.
namespace docx {

enum class VerticalAlign : std::uint8_t { Normal, Super, Sub };
enum class Underline : std::uint8_t {
    None,
    Single,
    Double,
    Thick,
    Dotted,
    Dashed,
    DotDash,
    DotDotDash,
    Wave
};
// The emphasis mark (着重号) Word sets above or below each character.
enum class Emphasis : std::uint8_t { None, Dot, Comma, Circle, UnderDot };

struct RunFormat
{
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    Underline underline = Underline::None;
    Emphasis emphasis = Emphasis::None;
    VerticalAlign vertical = VerticalAlign::Normal;
    QColor color;         // invalid: automatic
    QColor highlight;     // invalid: none
    double pointSize = 0; // 0: the document's default
    QString latinFont;    // w:ascii / w:hAnsi, themes resolved
    QString eastAsiaFont; // w:eastAsia: the font of Chinese characters

    bool operator==(const RunFormat&) const = default;
};

enum class PictureType : std::uint8_t { Png, Jpeg, Gif, Bmp, Tiff, Wmf, Emf, Other };

struct Picture
{
    QByteArray data;
    PictureType type = PictureType::Other;
    QString part; // where it came from in the package, for messages
};

// A piece of a paragraph.
struct Inline
{
    // Missing: something Word drew that is not kept (a shape drawn in Word,
    // a chart, a text box, a picture in a format we cannot read); `problem`
    // says what, so that the question can be marked.
    enum class Kind : std::uint8_t { Text, Tab, Break, Picture, Formula, Missing };
    Kind kind = Kind::Text;
    QString text;          // Text: the characters
    int format = 0;        // index into Document::formats
    int picture = -1;      // Picture: index into Document::pictures; Formula: the picture Word stored, or -1
    QSizeF size;           // Picture (and a formula's picture): the display size in points
    bool anchored = false; // a floating picture, put where its anchor stands
    QString latex;         // Formula: the LaTeX source
    QString problem;       // Formula: what could not be converted (then `latex` is partial); Missing: what
    bool displayMath = false; // a formula on a line of its own (m:oMathPara)
};

enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

struct Paragraph
{
    QString label; // the list label Word draws, e.g. "1." or "（1）"; empty when none
    int labelFormat = 0;
    int listLevel = -1; // the list level of the label, -1 without one
    std::vector<Inline> inlines;
    Alignment alignment = Alignment::Left;
    double leftIndent = 0;  // points
    double firstIndent = 0; // points; negative for a hanging indent
    int outlineLevel = -1;  // a heading's level (0 for 标题 1), -1 for body text
    bool pageBreakBefore = false;

    // The visible text: the label, the characters, a tab as '\t', a line
    // break as '\n', each picture as U+FFFC and each formula as its LaTeX
    // between dollar signs.
    QString text() const;
    bool hasText() const;
};

struct Block;

struct Cell
{
    std::vector<Block> blocks;
    int columnSpan = 1;
    bool mergedAbove = false; // a continuation of the cell above (w:vMerge)
    double width = 0;         // points; 0: automatic
};

struct Row
{
    std::vector<Cell> cells;
};

struct Table
{
    std::vector<Row> rows;
    bool borders = true;
};

struct Block
{
    bool isTable = false;
    Paragraph paragraph; // when !isTable
    Table table;         // when isTable
};

struct Document
{
    std::vector<Block> body;
    std::vector<Picture> pictures;
    std::vector<RunFormat> formats; // formats[0] is the document's default
    double defaultPointSize = 10.5;
    // What the reader met and could not keep, for the teacher (每条一句).
    QStringList warnings;
    // Counts for reports.
    int formulaCount = 0; // OMML formulas and equation objects
    int unconvertedFormulas = 0;
    int pictureCount = 0;

    int addFormat(const RunFormat& format);
};

// The plain text of blocks, paragraphs separated by '\n' and cells by '\t'.
QString plainText(const std::vector<Block>& blocks);

} // namespace docx
