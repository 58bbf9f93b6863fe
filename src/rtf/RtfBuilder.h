#pragma once

#include "rtf/RtfModel.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextImageFormat>
#include <QTextLength>

#include <vector>

class QTextCursor;
class QTextDocument;

namespace rtf {

// Puts a parsed RTF document into a QTextDocument through a QTextCursor.
class Builder
{
public:
    Builder(const Content& content, QTextDocument* document);

    // Fills an empty document from its start.
    void buildDocument(QTextCursor& cursor);
    // Inserts at the cursor: a single paragraph goes into the current block
    // without a block break; more paragraphs split it.
    void insert(QTextCursor& cursor);
    // Goes on with a document whose earlier pieces were built (rtf::parse in
    // pieces); `fresh` as the last piece left it, true for the first. Returns
    // it for the next piece.
    bool continueDocument(QTextCursor& cursor, bool fresh);

private:
    bool emitBlocks(QTextCursor& cursor, const std::vector<BlockRef>& blocks, bool fresh);
    void emitParagraph(QTextCursor& cursor, const Paragraph& p, bool& fresh);
    void emitRuns(QTextCursor& cursor, const Paragraph& p);
    void emitTable(QTextCursor& cursor, const Table& table, bool& fresh);

    const QTextCharFormat& charFormat(int index);
    const QTextBlockFormat& blockFormat(int index);
    QTextImageFormat imageFormat(int picture, int charFormatIndex);

    const Content& c_;
    QTextDocument* doc_;
    std::vector<QTextCharFormat> charFormats_;
    std::vector<bool> charMade_;
    std::vector<QTextBlockFormat> blockFormats_;
    std::vector<bool> blockMade_;
    std::vector<QString> pictureNames_;
};

// The width in twips that a table column of `length` gets in RTF, among
// `columns` columns: fixed widths as they are, percentages of the text width
// of an A4 page with Word's default margins, automatic widths a share of it.
int columnWidthTwips(const QTextLength& length, int columns);

// Conversions between the RTF properties and Qt's formats, shared with tests.
QTextCharFormat toCharFormat(const CharProps& props, const Content& content);
QTextBlockFormat toBlockFormat(const ParaProps& props);

} // namespace rtf
