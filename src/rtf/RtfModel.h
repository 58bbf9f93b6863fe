#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

// What the RTF parser makes of a document before it becomes a QTextDocument:
// paragraphs with runs of one format each, tables of cells, pictures. Building
// the QTextDocument only once the whole structure is known keeps the parser
// free of QTextCursor juggling (RTF gives a row's cell widths after its text,
// and a paragraph's properties at its end).
namespace rtf {

enum class VerticalAlign : std::uint8_t { Normal, Super, Sub };
enum class Underline : std::uint8_t { None, Single, Dotted, Dashed, DashDot, DashDotDot, Wave };

struct CharProps
{
    // While reading: the font number (\fN), -1 for the default font. In
    // Content::charFormats: an index into Content::fontNames, -1 for none.
    std::int32_t font = -1;
    std::int16_t halfPoints = 24;
    std::int16_t foreground = 0; // colour table index; 0: automatic
    std::int16_t background = 0; // colour table index; 0: none
    std::int16_t link = -1;      // index into Content::links
    Underline underline = Underline::None;
    VerticalAlign vertical = VerticalAlign::Normal;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool caps = false;
    bool smallCaps = false;
    bool hidden = false;

    bool operator==(const CharProps&) const = default;
};

enum class Align : std::uint8_t { Left, Center, Right, Justify };

struct ParaProps
{
    std::int32_t leftIndent = 0; // twips
    std::int32_t rightIndent = 0;
    std::int32_t firstIndent = 0;
    std::int32_t spaceBefore = 0;
    std::int32_t spaceAfter = 0;
    std::int32_t lineSpacing = 0; // \slN; 0: single
    bool lineMultiple = false;    // \slmult1
    Align align = Align::Left;
    bool inTable = false;
    std::int16_t nesting = 0; // \itapN

    bool operator==(const ParaProps&) const = default;
    // The table nesting level of the paragraph: 0 outside tables.
    int tableLevel() const { return nesting > 0 ? nesting : (inTable ? 1 : 0); }
};

enum class PictureKind : std::uint8_t { Png, Jpeg, Emf, Wmf, Dib, Ddb, Other };

struct Picture
{
    QByteArray data;     // the picture bytes as they were in the RTF
    QByteArray controls; // the picture's control words as they were, e.g. "\picw10\pich10\pngblip"
    PictureKind kind = PictureKind::Other;
    double width = 0; // shown size in pixels (twips / 15); 0: the image's own
    double height = 0;
    double scaleX = 1; // \picscalex / 100, for the image's own size
    double scaleY = 1;
    QString formula;          // a formula's LaTeX source: the picture shows it
    std::int32_t lowered = 0; // half-points the picture's run is lowered (\dnN; \upN: negative)
    // The embedded object (\object) the picture is the face of: its data
    // (\objdata as bytes), its control words ("\objemb\objw200...") and class.
    QByteArray objectData;
    QByteArray objectControls;
    QString objectClass;
    // An equation object that could not be converted: the first construct
    // that stopped it, and the LaTeX of what came before.
    QString notConverted;
    QString partialFormula;
};

struct Run
{
    std::int32_t format = 0; // index into Content::charFormats
    std::int32_t start = 0;  // into Paragraph::text
    std::int32_t length = 0;
    std::int32_t picture = -1; // index into Content::pictures: the run is that picture
};

struct Paragraph
{
    QString text;
    std::vector<Run> runs;
    std::int32_t format = 0;     // index into Content::paraFormats
    std::int32_t endFormat = -1; // char format of the paragraph mark, for empty paragraphs
};

struct BlockRef
{
    bool table = false;
    std::int32_t index = 0; // into Content::paragraphs or Content::tables
};

enum class Merge : std::uint8_t { None, First, Continue };

// How a cell gives its preferred width (\clftsWidthN with \clwWidthN).
enum class WidthType : std::uint8_t { None, Auto, Percent, Twips };

struct CellDef
{
    std::int32_t right = 0; // right boundary in twips (\cellxN)
    std::int32_t width = 0; // \clwWidthN: fiftieths of a percent for Percent
    WidthType widthType = WidthType::None;
    Merge horizontal = Merge::None;
    Merge vertical = Merge::None;
    bool borders = false;
};

struct Cell
{
    std::vector<BlockRef> blocks;
    CellDef def;
};

struct Row
{
    std::vector<Cell> cells;
};

struct Table
{
    std::vector<Row> rows;
};

struct Font
{
    QString name;
    int codePage = 0;
    bool wingdings = false; // its private-use characters are Wingdings', not Symbol's
};

struct Content
{
    std::vector<BlockRef> body;
    std::vector<Paragraph> paragraphs;
    std::vector<Table> tables;
    std::vector<Picture> pictures;
    std::vector<CharProps> charFormats;
    std::vector<ParaProps> paraFormats;
    std::vector<QString> links;
    std::vector<QString> fontNames;
    std::vector<QColor> colors; // invalid: automatic
};

} // namespace rtf
