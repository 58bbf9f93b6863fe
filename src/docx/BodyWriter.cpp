#include "docx/BodyWriter.h"

#include "metafile/Metafile.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <cmath>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

constexpr qreal kPixelsPerPoint = 96.0 / 72.0;

bool isCjkChar(char16_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE30 && c <= 0xFE4F) || c == 0x2018 || c == 0x2019 ||
           c == 0x201C || c == 0x201D || c == 0x2026 || c == 0x2014 || c == 0x00B7 ||
           (c >= 0xD800 && c <= 0xDFFF);
}

// A picture drawn for the screen at twice its size, within bounds.
QSize drawingSize(QSizeF px)
{
    QSizeF s = px * 2;
    const qreal longest = std::max(s.width(), s.height());
    if (longest > 2400)
        s *= 2400 / longest;
    return QSize(std::max(1, qRound(s.width())), std::max(1, qRound(s.height())));
}

QByteArray number(qint64 n)
{
    return QByteArray::number(n);
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString typeName(PictureType t)
{
    switch (t) {
    case PictureType::Png:
        return u"PNG"_s;
    case PictureType::Jpeg:
        return u"JPEG"_s;
    case PictureType::Gif:
        return u"GIF"_s;
    case PictureType::Bmp:
        return u"BMP"_s;
    case PictureType::Tiff:
        return u"TIFF"_s;
    case PictureType::Wmf:
        return u"WMF"_s;
    case PictureType::Emf:
        return u"EMF"_s;
    case PictureType::Other:
        break;
    }
    return u"未知"_s;
}

class Builder
{
public:
    Builder(const Document& doc, FormulaPictures* formulas, QTextDocument* out, QStringList* warnings)
        : doc_(doc), formulas_(formulas), out_(out), warnings_(warnings)
    {
    }

    void blocks(QTextCursor& cursor, const std::vector<Block>& blocks, bool& fresh);

private:
    void paragraph(QTextCursor& cursor, const Paragraph& p, bool& fresh);
    void table(QTextCursor& cursor, const Table& t, bool& fresh);
    void text(QTextCursor& cursor, const QString& text, int format);
    void picture(QTextCursor& cursor, int index, QSizeF points, int format);
    void formula(QTextCursor& cursor, const Inline& in, qreal pointSize);
    const QTextCharFormat& charFormat(int format, bool cjk);
    qreal pointSizeOf(int format) const
    {
        const RunFormat& f =
            doc_.formats[std::size_t(std::clamp<int>(format, 0, int(doc_.formats.size()) - 1))];
        return f.pointSize > 0 ? f.pointSize : doc_.defaultPointSize;
    }
    void warn(const QString& text)
    {
        if (warnings_ && !warnings_->contains(text))
            warnings_->append(text);
    }

    const Document& doc_;
    FormulaPictures* formulas_;
    QTextDocument* out_;
    QStringList* warnings_;
    QHash<int, QTextCharFormat> formats_; // format index * 2 + cjk
    QHash<QString, QTextImageFormat> pictures_;
};

const QTextCharFormat& Builder::charFormat(int index, bool cjk)
{
    const int key = index * 2 + (cjk ? 1 : 0);
    auto it = formats_.find(key);
    if (it != formats_.end())
        return *it;
    const RunFormat& r = doc_.formats[std::size_t(std::clamp<int>(index, 0, int(doc_.formats.size()) - 1))];
    QTextCharFormat f;
    // Chinese characters in the run's East Asian font, the rest in its Latin
    // font, as Word draws them.
    QString family = cjk ? r.eastAsiaFont : r.latinFont;
    if (family.isEmpty())
        family = cjk ? (r.latinFont.isEmpty() ? u"宋体"_s : r.latinFont)
                     : (r.eastAsiaFont.isEmpty() ? u"Times New Roman"_s : r.eastAsiaFont);
    f.setFontFamilies(QStringList{family});
    f.setFontPointSize(r.pointSize > 0 ? r.pointSize : doc_.defaultPointSize);
    if (r.bold)
        f.setFontWeight(QFont::Bold);
    if (r.italic)
        f.setFontItalic(true);
    if (r.strike)
        f.setFontStrikeOut(true);
    switch (r.underline) {
    case Underline::None:
        break;
    case Underline::Single:
    case Underline::Double:
    case Underline::Thick:
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        break;
    case Underline::Dotted:
        f.setUnderlineStyle(QTextCharFormat::DotLine);
        break;
    case Underline::Dashed:
        f.setUnderlineStyle(QTextCharFormat::DashUnderline);
        break;
    case Underline::DotDash:
        f.setUnderlineStyle(QTextCharFormat::DashDotLine);
        break;
    case Underline::DotDotDash:
        f.setUnderlineStyle(QTextCharFormat::DashDotDotLine);
        break;
    case Underline::Wave:
        f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        break;
    }
    // The emphasis mark (着重号): dots under the characters. Qt and our RTF
    // have no emphasis mark; a dotted underline is what comes closest and
    // keeps the stress visible on screen and on paper.
    if (r.emphasis != Emphasis::None && r.underline == Underline::None)
        f.setUnderlineStyle(QTextCharFormat::DotLine);
    if (r.vertical == VerticalAlign::Super)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (r.vertical == VerticalAlign::Sub)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (r.color.isValid())
        f.setForeground(r.color);
    if (r.highlight.isValid())
        f.setBackground(r.highlight);
    return *formats_.insert(key, f);
}

void Builder::blocks(QTextCursor& cursor, const std::vector<Block>& list, bool& fresh)
{
    for (const Block& b : list) {
        if (b.isTable)
            table(cursor, b.table, fresh);
        else
            paragraph(cursor, b.paragraph, fresh);
    }
}

void Builder::paragraph(QTextCursor& cursor, const Paragraph& p, bool& fresh)
{
    QTextBlockFormat bf;
    switch (p.alignment) {
    case Alignment::Left:
        bf.setAlignment(Qt::AlignLeft);
        break;
    case Alignment::Center:
        bf.setAlignment(Qt::AlignHCenter);
        break;
    case Alignment::Right:
        bf.setAlignment(Qt::AlignRight);
        break;
    case Alignment::Justify:
        bf.setAlignment(Qt::AlignJustify);
        break;
    }
    if (p.leftIndent > 0)
        bf.setLeftMargin(p.leftIndent * kPixelsPerPoint);
    if (p.firstIndent != 0)
        bf.setTextIndent(p.firstIndent * kPixelsPerPoint);
    // A formula on a line of its own stands in the middle, as Word shows it.
    if (p.inlines.size() == 1 && p.inlines.front().displayMath)
        bf.setAlignment(Qt::AlignHCenter);
    if (fresh) {
        cursor.setBlockFormat(bf);
        fresh = false;
    } else {
        cursor.insertBlock(bf, charFormat(0, false));
    }
    int lastFormat = 0;
    if (!p.label.isEmpty()) {
        text(cursor, p.label, p.labelFormat);
        const QChar end = p.label.back();
        if (end.unicode() < 0x80)
            text(cursor, u" "_s, p.labelFormat);
        lastFormat = p.labelFormat;
    }
    for (const Inline& in : p.inlines) {
        switch (in.kind) {
        case Inline::Kind::Text:
            text(cursor, in.text, in.format);
            lastFormat = in.format;
            break;
        case Inline::Kind::Tab:
            text(cursor, u"\t"_s, in.format);
            break;
        case Inline::Kind::Break:
            text(cursor, QString(QChar::LineSeparator), in.format);
            break;
        case Inline::Kind::Picture:
            picture(cursor, in.picture, in.size, lastFormat);
            break;
        case Inline::Kind::Formula:
            formula(cursor, in, pointSizeOf(in.format > 0 ? in.format : lastFormat));
            break;
        case Inline::Kind::Missing:
            break;
        }
    }
}

void Builder::text(QTextCursor& cursor, const QString& s, int format)
{
    qsizetype start = 0;
    while (start < s.size()) {
        const bool cjk = isCjkChar(s[start].unicode());
        qsizetype end = start + 1;
        while (end < s.size() && isCjkChar(s[end].unicode()) == cjk)
            ++end;
        // Spaces and ASCII punctuation between Chinese characters stay with them.
        cursor.insertText(s.mid(start, end - start), charFormat(format, cjk));
        start = end;
    }
}

void Builder::picture(QTextCursor& cursor, int index, QSizeF points, int format)
{
    if (index < 0 || index >= int(doc_.pictures.size()))
        return;
    const Picture& p = doc_.pictures[std::size_t(index)];
    const QString key = QString::number(index) + u'@' + QString::number(points.width()) + u'x' +
                        QString::number(points.height());
    if (const auto known = pictures_.constFind(key); known != pictures_.constEnd()) {
        cursor.insertImage(*known);
        return;
    }
    QByteArray data;
    QByteArray controls;
    QImage image;
    QSizeF px = points * kPixelsPerPoint;
    switch (p.type) {
    case PictureType::Png:
    case PictureType::Jpeg:
    case PictureType::Gif:
    case PictureType::Bmp:
    case PictureType::Tiff:
    case PictureType::Other: {
        image = QImage::fromData(p.data);
        if (image.isNull()) {
            warn(u"图片“%1”的格式（%2）无法显示，没有导入"_s.arg(p.part, typeName(p.type)));
            return;
        }
        if (px.isEmpty())
            px = QSizeF(image.size());
        const bool keep = p.type == PictureType::Png || p.type == PictureType::Jpeg;
        data = keep ? p.data : pngBytes(image);
        controls = "\\picw" + number(image.width()) + "\\pich" + number(image.height()) + "\\picwgoal" +
                   number(qRound(px.width() * 15)) + "\\pichgoal" + number(qRound(px.height() * 15)) +
                   (p.type == PictureType::Jpeg ? "\\jpegblip" : "\\pngblip");
        break;
    }
    case PictureType::Wmf:
    case PictureType::Emf: {
        const metafile::MetafilePlayer player(p.data);
        if (px.isEmpty()) {
            const QSizeF natural = player.naturalSize();
            px = natural.isEmpty() ? QSizeF(96, 96) : natural * kPixelsPerPoint;
        }
        if (player.isValid())
            image = player.render(drawingSize(px));
        if (image.isNull()) {
            image = QImage(std::max(8, int(px.width())), std::max(8, int(px.height())), QImage::Format_RGB32);
            image.fill(Qt::white);
            warn(u"图片“%1”（%2）无法显示，保留了原来的数据"_s.arg(p.part, typeName(p.type)));
        }
        data = p.data;
        // RTF holds a WMF without its placeable header; the size goes in the controls.
        if (p.type == PictureType::Wmf && data.startsWith("\xD7\xCD\xC6\x9A"))
            data = data.mid(22);
        const qint64 w = std::lround(px.width() / kPixelsPerPoint * 2540.0 / 72.0);
        const qint64 h = std::lround(px.height() / kPixelsPerPoint * 2540.0 / 72.0);
        controls = (p.type == PictureType::Wmf ? QByteArray("\\wmetafile8") : QByteArray("\\emfblip")) +
                   "\\picw" + number(w) + "\\pich" + number(h) + "\\picwgoal" +
                   number(qRound(px.width() * 15)) + "\\pichgoal" + number(qRound(px.height() * 15));
        break;
    }
    }
    const QString name = rtf::pictureResourceName(data);
    out_->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextCharFormat base = charFormat(format, false);
    base.setObjectType(QTextFormat::ImageObject);
    QTextImageFormat f = base.toImageFormat();
    f.setName(name);
    f.setWidth(px.width());
    f.setHeight(px.height());
    f.setProperty(rtf::PictureData, data);
    f.setProperty(rtf::PictureControls, controls);
    f.setProperty(rtf::PictureReadSize, px);
    pictures_.insert(key, f);
    cursor.insertImage(f);
}

void Builder::formula(QTextCursor& cursor, const Inline& in, qreal pointSize)
{
    const bool pictureFirst = !in.problem.isEmpty() && in.picture >= 0;
    if (!pictureFirst && formulas_ && !in.latex.isEmpty()) {
        QString error;
        if (const Formula* f = formulas_->formula(in.latex, pointSize, &error)) {
            cursor.insertImage(formulaImageFormat(*f, out_));
            return;
        }
        warn(u"公式 %1 未能排版：%2"_s.arg(in.latex.left(60), error));
    }
    if (in.picture >= 0) {
        picture(cursor, in.picture, in.size, 0);
        return;
    }
    if (!in.latex.isEmpty())
        text(cursor, u'$' + in.latex + u'$', in.format);
}

void Builder::table(QTextCursor& cursor, const Table& t, bool& fresh)
{
    // Where each cell stands in the grid, with the rows a merged cell spans.
    struct Place
    {
        int row = 0;
        int column = 0;
        int span = 1;
        int rowSpan = 1;
        const Cell* cell = nullptr;
    };
    std::vector<Place> places;
    QHash<int, std::size_t> openByColumn; // grid column -> the place a vertical merge grows
    int columns = 0;
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        int column = 0;
        QHash<int, std::size_t> next;
        for (const Cell& cell : t.rows[r].cells) {
            const int span = std::clamp(cell.columnSpan, 1, 64);
            if (cell.mergedAbove && openByColumn.contains(column) &&
                places[openByColumn.value(column)].span == span) {
                const std::size_t origin = openByColumn.value(column);
                ++places[origin].rowSpan;
                next.insert(column, origin);
            } else {
                places.push_back({int(r), column, span, 1, &cell});
                next.insert(column, places.size() - 1);
            }
            column += span;
        }
        openByColumn = next;
        columns = std::max(columns, column);
    }
    const int rows = int(t.rows.size());
    if (rows == 0 || columns == 0)
        return;
    columns = std::min(columns, 64);
    QTextTableFormat tf;
    tf.setBorder(t.borders ? 1 : 0);
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setCellSpacing(0);
    tf.setCellPadding(3);
    tf.setBorderCollapse(true);
    // Column widths from the first row's cells of one column each.
    QList<QTextLength> widths(columns, QTextLength(QTextLength::VariableLength, 0));
    for (const Place& pl : places) {
        if (pl.span == 1 && pl.column < columns && pl.cell->width > 0)
            widths[pl.column] = QTextLength(QTextLength::FixedLength, pl.cell->width * kPixelsPerPoint);
    }
    tf.setColumnWidthConstraints(widths);
    if (fresh) {
        // A table as the first thing: Qt needs a block before it.
        fresh = false;
    }
    QTextTable* table = cursor.insertTable(rows, columns, tf);
    for (const Place& pl : places) {
        if (pl.column >= columns)
            continue;
        const int span = std::min(pl.span, columns - pl.column);
        if (span > 1 || pl.rowSpan > 1)
            table->mergeCells(pl.row, pl.column, pl.rowSpan, span);
        QTextCursor cell = table->cellAt(pl.row, pl.column).firstCursorPosition();
        bool cellFresh = true;
        blocks(cell, pl.cell->blocks, cellFresh);
    }
    cursor = table->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
    fresh = false;
}

} // namespace

FormulaPictures::FormulaPictures(FormulaEngine* engine) : renderer_(engine) {}

const Formula* FormulaPictures::formula(const QString& latex, qreal pointSize, QString* error)
{
    const QString key = QString::number(pointSize) + u'|' + latex;
    auto it = done_.find(key);
    if (it == done_.end())
        it = done_.insert(key, renderer_.render(latex, pointSize));
    if (!it->ok()) {
        if (error)
            *error = it->error;
        return nullptr;
    }
    return &*it;
}

BodyWriter::BodyWriter(const Document& doc, FormulaPictures* formulas) : doc_(doc), formulas_(formulas) {}

void BodyWriter::build(const std::vector<Block>& blocks, QTextDocument* out, QStringList* warnings)
{
    QFont font(u"宋体"_s);
    font.setPointSizeF(doc_.defaultPointSize);
    out->setDefaultFont(font);
    QTextCursor cursor(out);
    Builder builder(doc_, formulas_, out, warnings);
    bool fresh = true;
    builder.blocks(cursor, blocks, fresh);
}

QByteArray BodyWriter::rtf(const std::vector<Block>& blocks, QStringList* warnings)
{
    QTextDocument doc;
    build(blocks, &doc, warnings);
    return RtfWriter::write(doc);
}

void drawMetafilePictures(QTextDocument* doc)
{
    QSet<QString> done;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            if (!cf.isImageFormat())
                continue;
            const QTextImageFormat f = cf.toImageFormat();
            if (done.contains(f.name()))
                continue;
            done.insert(f.name());
            const QByteArray controls = f.property(rtf::PictureControls).toByteArray();
            if (!controls.contains("\\wmetafile") && !controls.contains("\\emfblip"))
                continue;
            const metafile::MetafilePlayer player(f.property(rtf::PictureData).toByteArray());
            if (!player.isValid())
                continue;
            QSizeF size(f.width(), f.height());
            if (size.isEmpty())
                size = player.naturalSize() * kPixelsPerPoint;
            const QImage image = player.render(drawingSize(size));
            if (!image.isNull())
                doc->addResource(QTextDocument::ImageResource, QUrl(f.name()), image);
        }
    }
    // Pictures in tables sit in blocks of their own frames, walked above too:
    // QTextDocument::begin() runs through every block of every frame.
    doc->markContentsDirty(0, doc->characterCount());
}

} // namespace docx
