#include "rtf/VisibleText.h"

#include "rtf/RtfPictures.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace rtf {

namespace {

void appendText(const QString& text, QString& out)
{
    // Plain stretches are appended whole; only the few characters that change
    // are looked at one by one.
    const QChar* run = text.constData();
    const QChar* const end = run + text.size();
    for (const QChar* p = run; p != end; ++p) {
        const char16_t u = p->unicode();
        if (u != QChar::ObjectReplacementCharacter && u != QChar::SoftHyphen && u != QChar::LineSeparator &&
            u != QChar::ParagraphSeparator)
            continue;
        out.append(run, p - run);
        if (u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
            out += QLatin1Char('\n');
        run = p + 1;
    }
    out.append(run, end - run);
}

// A formula reads as its source between dollars, as in LaTeX; other objects
// are not text.
void appendObjects(const QTextBlock& block, QString& out)
{
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat f = fragment.charFormat();
        if (!f.isImageFormat()) {
            appendText(fragment.text(), out);
            continue;
        }
        const QString source = f.property(PictureProperty::FormulaSource).toString();
        if (source.isEmpty())
            continue;
        for (int i = 0; i < fragment.length(); ++i)
            out += u'$' + source + u'$';
    }
}

void appendBlockText(const QTextBlock& block, QString& out)
{
    const QString text = block.text();
    if (text.contains(QChar::ObjectReplacementCharacter))
        appendObjects(block, out);
    else
        appendText(text, out);
}

void appendFrame(QTextFrame::iterator it, QString& out, bool& firstLine);

void appendTable(const QTextTable* table, QString& out, bool& firstLine)
{
    for (int r = 0; r < table->rows(); ++r) {
        if (!firstLine)
            out += QLatin1Char('\n');
        firstLine = false;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue; // covered by a merged cell
            if (c > 0)
                out += QLatin1Char('\t');
            bool firstInCell = true;
            appendFrame(cell.begin(), out, firstInCell);
        }
    }
}

// Paragraphs of a frame (or cell), each on a new line except the first.
void appendFrame(QTextFrame::iterator it, QString& out, bool& firstLine)
{
    for (; !it.atEnd(); ++it) {
        if (const QTextFrame* frame = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(frame)) {
                appendTable(table, out, firstLine);
            } else {
                appendFrame(frame->begin(), out, firstLine);
            }
            continue;
        }
        if (!firstLine)
            out += QLatin1Char('\n');
        firstLine = false;
        appendBlockText(it.currentBlock(), out);
    }
}

} // namespace

QString visibleText(const QTextDocument& doc)
{
    QString out;
    // About a character for each of the document's: the text is not copied
    // again and again as it grows.
    out.reserve(doc.characterCount());
    bool firstLine = true;
    appendFrame(doc.rootFrame()->begin(), out, firstLine);
    return out;
}

} // namespace rtf
