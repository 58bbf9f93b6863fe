#include "rtf/RtfBuilder.h"

#include "rtf/PictureDrawing.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfPictures.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace rtf {

namespace {

// A table whose rows disagree on their cell boundaries gets one grid column
// per distinct boundary; past this many the cells are simply laid in order.
constexpr std::size_t kMaxGridColumns = 64;
// Qt makes every grid position a cell; a few long rows among many short ones
// must not make a small file a huge table. Cells past the limit go into the
// last column.
constexpr std::size_t kMaxGridCells = 100000;

QTextCharFormat::UnderlineStyle underlineStyle(Underline u)
{
    switch (u) {
    case Underline::None:
        return QTextCharFormat::NoUnderline;
    case Underline::Single:
        return QTextCharFormat::SingleUnderline;
    case Underline::Dotted:
        return QTextCharFormat::DotLine;
    case Underline::Dashed:
        return QTextCharFormat::DashUnderline;
    case Underline::DashDot:
        return QTextCharFormat::DashDotLine;
    case Underline::DashDotDot:
        return QTextCharFormat::DashDotDotLine;
    case Underline::Wave:
        return QTextCharFormat::WaveUnderline;
    }
    return QTextCharFormat::NoUnderline;
}

QColor colorAt(const Content& c, int index)
{
    if (index <= 0 || index >= int(c.colors.size()))
        return {};
    return c.colors[std::size_t(index)];
}

constexpr int kTextWidthTwips = 8306;

} // namespace

int columnWidthTwips(const QTextLength& length, int columns)
{
    if (length.type() == QTextLength::FixedLength && length.rawValue() > 0)
        return std::max(1, int(std::lround(length.rawValue() * 15.0)));
    if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0)
        return std::max(1, int(std::lround(kTextWidthTwips * length.rawValue() / 100.0)));
    return std::max(1, kTextWidthTwips / std::max(1, columns));
}

QTextCharFormat toCharFormat(const CharProps& p, const Content& c)
{
    QTextCharFormat f;
    if (p.font >= 0 && std::size_t(p.font) < c.fontNames.size())
        f.setFontFamilies(QStringList{c.fontNames[std::size_t(p.font)]});
    f.setFontPointSize(p.halfPoints / 2.0);
    if (p.bold)
        f.setFontWeight(QFont::Bold);
    if (p.italic)
        f.setFontItalic(true);
    if (p.underline != Underline::None)
        f.setUnderlineStyle(underlineStyle(p.underline));
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.vertical == VerticalAlign::Super)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (p.vertical == VerticalAlign::Sub)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (p.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (p.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    if (const QColor fg = colorAt(c, p.foreground); fg.isValid())
        f.setForeground(fg);
    if (const QColor bg = colorAt(c, p.background); bg.isValid())
        f.setBackground(bg);
    if (p.link >= 0 && p.link < int(c.links.size())) {
        f.setAnchor(true);
        f.setAnchorHref(c.links[std::size_t(p.link)]);
    }
    return f;
}

QTextBlockFormat toBlockFormat(const ParaProps& p)
{
    QTextBlockFormat f;
    switch (p.align) {
    case Align::Left:
        break;
    case Align::Center:
        f.setAlignment(Qt::AlignHCenter);
        break;
    case Align::Right:
        f.setAlignment(Qt::AlignRight);
        break;
    case Align::Justify:
        f.setAlignment(Qt::AlignJustify);
        break;
    }
    // Twips to pixels at 96 dpi.
    if (p.leftIndent)
        f.setLeftMargin(p.leftIndent / 15.0);
    if (p.rightIndent)
        f.setRightMargin(p.rightIndent / 15.0);
    if (p.firstIndent)
        f.setTextIndent(p.firstIndent / 15.0);
    if (p.spaceBefore)
        f.setTopMargin(p.spaceBefore / 15.0);
    if (p.spaceAfter)
        f.setBottomMargin(p.spaceAfter / 15.0);
    if (p.lineSpacing > 0 && p.lineMultiple) {
        if (p.lineSpacing != 240) // 240 is single spacing
            f.setLineHeight(p.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    } else if (p.lineSpacing > 0)
        f.setLineHeight(p.lineSpacing / 15.0, QTextBlockFormat::MinimumHeight);
    else if (p.lineSpacing < 0)
        f.setLineHeight(-p.lineSpacing / 15.0, QTextBlockFormat::FixedHeight);
    return f;
}

Builder::Builder(const Content& content, QTextDocument* document)
    : c_(content), doc_(document), charFormats_(content.charFormats.size()),
      charMade_(content.charFormats.size(), false), blockFormats_(content.paraFormats.size()),
      blockMade_(content.paraFormats.size(), false), pictureNames_(content.pictures.size())
{
    if (!content.pictures.empty())
        providePictures(document);
}

const QTextCharFormat& Builder::charFormat(int index)
{
    static const QTextCharFormat none;
    if (index < 0 || index >= int(charFormats_.size()))
        return none;
    if (!charMade_[std::size_t(index)]) {
        charFormats_[std::size_t(index)] = toCharFormat(c_.charFormats[std::size_t(index)], c_);
        charMade_[std::size_t(index)] = true;
    }
    return charFormats_[std::size_t(index)];
}

const QTextBlockFormat& Builder::blockFormat(int index)
{
    static const QTextBlockFormat none;
    if (index < 0 || index >= int(blockFormats_.size()))
        return none;
    if (!blockMade_[std::size_t(index)]) {
        blockFormats_[std::size_t(index)] = toBlockFormat(c_.paraFormats[std::size_t(index)]);
        blockMade_[std::size_t(index)] = true;
    }
    return blockFormats_[std::size_t(index)];
}

QTextImageFormat Builder::imageFormat(int picture, int charFormatIndex)
{
    const Picture& pict = c_.pictures[std::size_t(picture)];
    QString& name = pictureNames_[std::size_t(picture)];
    if (name.isEmpty())
        name = pictureResourceName(pict.data);
    // The picture is decoded when it is drawn, at the size it is drawn at
    // (PictureDrawing); here only its header is read, for a missing size.
    double w = pict.width;
    double h = pict.height;
    if (w <= 0 || h <= 0) {
        const QSize image = pictureNaturalSize(pict);
        if (w <= 0 && h > 0 && image.height() > 0)
            w = h * image.width() / image.height();
        else if (h <= 0 && w > 0 && image.width() > 0)
            h = w * image.height() / image.width();
        else if (w <= 0 && h <= 0) {
            w = image.width() * pict.scaleX;
            h = image.height() * pict.scaleY;
        }
    }
    QTextCharFormat base = charFormat(charFormatIndex);
    base.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = base.toImageFormat();
    f.setName(name);
    f.setWidth(w);
    f.setHeight(h);
    f.setProperty(PictureData, pict.data);
    f.setProperty(PictureControls, pict.controls);
    f.setProperty(PictureReadSize, QSizeF(w, h));
    // A formula: its source from our group after the picture, or else from
    // the PNG (what is left of it after another word processor saved it).
    QString source = pict.formula;
    std::optional<qreal> depth;
    if (pict.kind == PictureKind::Png) {
        if (source.isEmpty())
            source = formulaSourceFromPng(pict.data);
        if (!source.isEmpty())
            depth = formulaDepthFromPng(pict.data);
    }
    if (!source.isEmpty()) {
        // The run's \dn lowers the formula by its depth; it is no subscript.
        f.clearProperty(QTextFormat::TextVerticalAlignment);
        f.setProperty(FormulaSource, source);
        f.setProperty(FormulaDepth, depth.value_or(pict.lowered / 2.0));
    }
    return f;
}

void Builder::buildDocument(QTextCursor& cursor)
{
    emitBlocks(cursor, c_.body, true);
}

void Builder::insert(QTextCursor& cursor)
{
    if (c_.body.size() == 1 && !c_.body.front().table) {
        emitRuns(cursor, c_.paragraphs[std::size_t(c_.body.front().index)]);
        return;
    }
    emitBlocks(cursor, c_.body, true);
}

void Builder::emitBlocks(QTextCursor& cursor, const std::vector<BlockRef>& blocks, bool fresh)
{
    for (const BlockRef& b : blocks) {
        if (b.table)
            emitTable(cursor, c_.tables[std::size_t(b.index)], fresh);
        else
            emitParagraph(cursor, c_.paragraphs[std::size_t(b.index)], fresh);
    }
}

void Builder::emitParagraph(QTextCursor& cursor, const Paragraph& p, bool& fresh)
{
    if (fresh) {
        cursor.setBlockFormat(blockFormat(p.format));
        // Merged, not set: the first block of a table cell carries the cell's
        // own format (its spans) in its char format.
        cursor.mergeBlockCharFormat(charFormat(p.endFormat));
        fresh = false;
    } else {
        cursor.insertBlock(blockFormat(p.format), charFormat(p.endFormat));
    }
    emitRuns(cursor, p);
}

void Builder::emitRuns(QTextCursor& cursor, const Paragraph& p)
{
    for (const Run& r : p.runs) {
        if (r.picture >= 0)
            cursor.insertImage(imageFormat(r.picture, r.format));
        else if (r.length > 0)
            cursor.insertText(p.text.mid(r.start, r.length), charFormat(r.format));
    }
}

void Builder::emitTable(QTextCursor& cursor, const Table& table, bool& fresh)
{
    struct Place
    {
        int right = 0; // the cell's right boundary
        int column = 0;
        int span = 1;
        int rowSpan = 1;
        bool covered = false;  // under a vertically merged cell
        bool overflow = false; // past the last column: its content joins that column
    };
    const std::size_t rowCount = table.rows.size();
    std::vector<std::vector<Place>> places(rowCount);
    std::size_t maxCells = 0;
    for (std::size_t r = 0; r < rowCount; ++r) {
        maxCells = std::max(maxCells, table.rows[r].cells.size());
        places[r].resize(table.rows[r].cells.size());
        for (std::size_t k = 0; k < table.rows[r].cells.size(); ++k)
            places[r][k].right = table.rows[r].cells[k].def.right;
    }

    // Grid columns: one per distinct right cell boundary; cells are placed
    // from left to right up to their boundary.
    std::vector<int> bounds;
    bool byBounds = true;
    int columns = 0;
    const auto placeCells = [&] {
        bounds.clear();
        for (const auto& row : places)
            for (const Place& pl : row)
                bounds.push_back(pl.right);
        std::sort(bounds.begin(), bounds.end());
        bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
        byBounds = bounds.size() <= kMaxGridColumns;
        std::size_t columnCount = byBounds ? bounds.size() : maxCells;
        if (rowCount * columnCount > kMaxGridCells) {
            byBounds = false;
            columnCount = std::max<std::size_t>(
                1, std::min(maxCells, kMaxGridCells / std::max<std::size_t>(1, rowCount)));
        }
        columns = int(columnCount);
        for (auto& row : places) {
            int next = 0;
            for (Place& pl : row) {
                pl.column = std::min(next, columns - 1);
                int last = pl.column;
                if (byBounds) {
                    last = int(std::lower_bound(bounds.begin(), bounds.end(), pl.right) - bounds.begin());
                    last = std::clamp(last, pl.column, columns - 1);
                }
                pl.span = last - pl.column + 1;
                pl.overflow = next >= columns;
                next = last + 1;
            }
        }
    };
    placeCells();
    const int rows = int(rowCount);
    if (columns <= 0 || rows <= 0)
        return;

    // Vertical merges: a first cell absorbs the continuing cells below it that
    // cover the same columns (Word writes them so); a continuing cell of
    // other columns stays a cell of its own.
    for (std::size_t r = 0; r < rowCount; ++r) {
        for (std::size_t k = 0; k < table.rows[r].cells.size(); ++k) {
            if (table.rows[r].cells[k].def.vertical != Merge::First || places[r][k].covered ||
                places[r][k].overflow)
                continue;
            for (std::size_t below = r + 1; below < rowCount; ++below) {
                bool continued = false;
                for (std::size_t j = 0; j < table.rows[below].cells.size(); ++j) {
                    Place& pl = places[below][j];
                    if (pl.column == places[r][k].column && pl.span == places[r][k].span && !pl.covered &&
                        !pl.overflow && table.rows[below].cells[j].def.vertical == Merge::Continue) {
                        pl.covered = true;
                        continued = true;
                        break;
                    }
                }
                if (!continued)
                    break;
                ++places[r][k].rowSpan;
            }
        }
    }
    QTextTableFormat format;
    bool borders = false;
    for (const Row& row : table.rows)
        for (const Cell& cell : row.cells)
            borders = borders || cell.def.borders;
    format.setBorder(borders ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(4);
    if (byBounds) {
        // A column takes the width type of a cell that covers it alone:
        // automatic and percentage widths stay so, others are fixed by \cellx.
        QList<QTextLength> widths;
        bool allAuto = true;
        int left = std::min(0, bounds.front());
        for (int column = 0; column < columns; ++column) {
            // At least a twip: a zero width would read as "no width given".
            QTextLength length(QTextLength::FixedLength,
                               std::max(1, bounds[std::size_t(column)] - left) / 15.0);
            left = bounds[std::size_t(column)];
            bool found = false;
            for (std::size_t r = 0; r < table.rows.size() && !found; ++r) {
                for (std::size_t k = 0; k < table.rows[r].cells.size(); ++k) {
                    if (places[r][k].column != column || places[r][k].span != 1)
                        continue;
                    const CellDef& def = table.rows[r].cells[k].def;
                    if (def.widthType == WidthType::Auto)
                        length = QTextLength(QTextLength::VariableLength, 0);
                    else if (def.widthType == WidthType::Percent && def.width > 0)
                        length =
                            QTextLength(QTextLength::PercentageLength, std::min(100.0, def.width / 50.0));
                    found = true;
                    break;
                }
            }
            allAuto = allAuto && length.type() == QTextLength::VariableLength;
            widths.append(length);
        }
        // As written, the columns must stay within the boundaries the reader
        // takes back; a wider table (only a broken one is) loses the excess.
        qint64 total = 0;
        for (const QTextLength& l : widths)
            total += columnWidthTwips(l, columns);
        for (qsizetype c = widths.size() - 1; c >= 0 && total > kMaxCellBoundary; --c) {
            if (widths[c].type() != QTextLength::FixedLength)
                continue;
            const int twips = columnWidthTwips(widths[c], columns);
            const int cut = int(std::min<qint64>(total - kMaxCellBoundary, twips - 1));
            widths[c] = QTextLength(QTextLength::FixedLength, (twips - cut) / 15.0);
            total -= cut;
        }
        if (!allAuto)
            format.setColumnWidthConstraints(widths);
    }

    QTextTable* t = cursor.insertTable(rows, columns, format);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t k = 0; k < table.rows[r].cells.size(); ++k) {
            const Place& pl = places[r][k];
            if (pl.covered || pl.overflow)
                continue;
            if (pl.span > 1 || pl.rowSpan > 1)
                t->mergeCells(int(r), pl.column, pl.rowSpan, pl.span);
        }
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t k = 0; k < table.rows[r].cells.size(); ++k) {
            const Place& pl = places[r][k];
            if (pl.covered)
                continue;
            const QTextTableCell cell = t->cellAt(int(r), pl.column);
            QTextCursor cellCursor = pl.overflow ? cell.lastCursorPosition() : cell.firstCursorPosition();
            emitBlocks(cellCursor, table.rows[r].cells[k].blocks, !pl.overflow);
        }
    }
    cursor.setPosition(t->lastPosition() + 1);
    fresh = true;
}

} // namespace rtf
