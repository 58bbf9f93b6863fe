#include "docx/DocxModel.h"

using namespace Qt::StringLiterals;

namespace docx {

QString Paragraph::text() const
{
    QString s = label;
    if (!label.isEmpty())
        s += u' ';
    for (const Inline& in : inlines) {
        switch (in.kind) {
        case Inline::Kind::Text:
            s += in.text;
            break;
        case Inline::Kind::Tab:
            s += u'\t';
            break;
        case Inline::Kind::Break:
            s += u'\n';
            break;
        case Inline::Kind::Picture:
            s += QChar(QChar::ObjectReplacementCharacter);
            break;
        case Inline::Kind::Formula:
            s += u'$' + in.latex + u'$';
            break;
        case Inline::Kind::Missing:
            break;
        }
    }
    return s;
}

bool Paragraph::hasText() const
{
    for (const Inline& in : inlines) {
        if (in.kind == Inline::Kind::Picture || in.kind == Inline::Kind::Formula)
            return true;
        if (in.kind == Inline::Kind::Text && !in.text.trimmed().isEmpty())
            return true;
    }
    return !label.isEmpty();
}

int Document::addFormat(const RunFormat& format)
{
    // Runs of a paper share a handful of formats; the last few are the likely ones.
    const int n = int(formats.size());
    for (int i = n - 1; i >= 0 && i >= n - 16; --i) {
        if (formats[std::size_t(i)] == format)
            return i;
    }
    for (int i = 0; i < n - 16; ++i) {
        if (formats[std::size_t(i)] == format)
            return i;
    }
    formats.push_back(format);
    return n;
}

namespace {

void appendText(const std::vector<Block>& blocks, QString& out)
{
    for (const Block& b : blocks) {
        if (!b.isTable) {
            if (!out.isEmpty())
                out += u'\n';
            out += b.paragraph.text();
            continue;
        }
        for (const Row& row : b.table.rows) {
            QStringList cells;
            for (const Cell& cell : row.cells) {
                QString text;
                appendText(cell.blocks, text);
                cells << text.replace(u'\n', u' ');
            }
            if (!out.isEmpty())
                out += u'\n';
            out += cells.join(u'\t');
        }
    }
}

} // namespace

QString plainText(const std::vector<Block>& blocks)
{
    QString out;
    appendText(blocks, out);
    return out;
}

} // namespace docx
