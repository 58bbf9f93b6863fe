#include "compose/PaperLayout.h"

#include "compose/ChoiceAnswer.h"
#include "compose/PdfTextLayer.h"
#include "formula/FormulaLayout.h"
#include "rtf/PictureDrawing.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "ui/SongtiFont.h"

#include <algorithm>
#include <cmath>
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <set>

using namespace Qt::StringLiterals;

namespace {

// Where the columns of a sheet lie, in millimetres. Two-column sheets keep a
// wider left margin on every page, so that each question is laid out once at
// one width; on a set's first page it holds the sealing strip.
struct Geometry
{
    QSizeF page;
    int columns = 1;
    double columnWidth = 170;
    double columnX[2] = {20, 0};
    double top = 18;
    double bottom = 20; // from the lower edge; the footer sits in it
};

Geometry geometryOf(PaperFormat format)
{
    switch (format) {
    case PaperFormat::A4:
        return {QSizeF(210, 297), 1, 170, {20, 0}};
    case PaperFormat::A3:
        return {QSizeF(420, 297), 2, 170, {30, 230}};
    case PaperFormat::K8:
        break;
    }
    return {QSizeF(370, 260), 2, 145, {30, 205}};
}

// What a student fills in: along the sealing strip, or at the head of a sheet without one.
const QString kNameFields = u"学校＿＿＿＿＿＿＿　班级＿＿＿＿＿＿　姓名＿＿＿＿＿＿　考号＿＿＿＿＿＿＿"_s;

double px(double mm)
{
    return PaperLayout::mmToPx(mm);
}

int pointsToPixels(double points)
{
    return qRound(points * 96.0 / 72.0);
}

// Unshaped, as all text of a paper: see noShaping().
QFont songti(double points, bool bold = false)
{
    QFont f = noShaping(QFont(songtiFamily()));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

std::shared_ptr<QTextDocument> newDocument(double width)
{
    auto doc = std::make_shared<QTextDocument>();
    doc->setUseDesignMetrics(true); // the same line breaks at every resolution
    doc->setDocumentMargin(0);
    doc->setDefaultFont(songti(10.5));
    doc->setTextWidth(width);
    return doc;
}

QTextCharFormat textFormat(double points, bool bold = false)
{
    QTextCharFormat f;
    f.setFont(songti(points, bold));
    return f;
}

QTextBlockFormat blockFormat(Qt::Alignment alignment, double topMargin = 0)
{
    QTextBlockFormat f;
    f.setAlignment(alignment);
    f.setTopMargin(topMargin);
    return f;
}

// A picture is broken when its bytes cannot be decoded. It is decoded here
// at the size it is printed at, through the cache that drawing it uses.
bool pictureIsBroken(const QTextDocument& doc, const QTextImageFormat& image)
{
    if (image.property(rtf::PictureData).toByteArray().isEmpty())
        return true;
    const QSizeF shown(image.width(), image.height());
    return rtf::pictureImage(&doc, image, rtf::printPixelsFor(shown)).isNull();
}

QImage brokenPicturePlaceholder(QSizeF size)
{
    // The size was fitted to the column; the cap only guards the allocation.
    const QSize s = QSize(std::max(160, qRound(size.width())), std::max(48, qRound(size.height())))
                        .boundedTo(QSize(4096, 4096));
    QImage image(s, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 2, Qt::DashLine));
    p.drawRect(QRectF(1, 1, s.width() - 2, s.height() - 2));
    QFont f(songtiFamily());
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRectF(0, 0, s.width(), s.height()), Qt::AlignCenter, u"［图片无法显示］"_s);
    return image;
}

// Replaces every broken picture of `doc` by a marked box; true when there was one.
bool markBrokenPictures(QTextDocument& doc)
{
    bool broken = false;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            if (!pictureIsBroken(doc, image))
                continue;
            broken = true;
            doc.addResource(QTextDocument::ImageResource, QUrl(image.name()),
                            brokenPicturePlaceholder(QSizeF(image.width(), image.height())));
        }
    }
    return broken;
}

// A picture is never printed larger than the column it stands in: one that
// is wider or taller (its RTF may claim any size) is shrunk to fit, its
// proportions kept, and put on a line of its own. (Qt gives the line before a
// picture that does not fit beside its text the picture's height as well, so
// it would leave that much paper empty.) A formula's depth shrinks with it.
void fitPicturesInto(QTextDocument& doc, QSizeF room)
{
    // Collected first: changing a format splits and merges fragments.
    std::vector<int> positions;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            if (image.width() <= room.width() && image.height() <= room.height())
                continue;
            for (int i = 0; i < fragment.length(); ++i)
                positions.push_back(fragment.position() + i);
        }
    }
    // From the end: a line break put in moves what follows.
    QTextCursor c(&doc);
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        const int position = *it;
        c.setPosition(position + 1); // the format of the character before
        QTextImageFormat image = c.charFormat().toImageFormat();
        const qreal scale = std::min(room.width() / image.width(), room.height() / image.height());
        // Whole pixels: Qt's layout rounds a picture's size, and one rounded
        // up past the column would stand out of it.
        image.setWidth(std::max(1.0, std::floor(image.width() * scale)));
        image.setHeight(std::max(1.0, std::floor(image.height() * scale)));
        if (image.hasProperty(rtf::FormulaDepth))
            image.setProperty(rtf::FormulaDepth, image.property(rtf::FormulaDepth).toReal() * scale);
        c.setPosition(position, QTextCursor::KeepAnchor);
        c.setCharFormat(image);
        c.setPosition(position);
        if (!c.atBlockStart() && doc.characterAt(position - 1) != QChar::LineSeparator)
            c.insertText(QString(QChar::LineSeparator));
    }
}

// The bottom of every line, in document order: where a tall document may be cut.
std::vector<double> lineBottoms(QTextDocument& doc)
{
    std::vector<double> bottoms;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout* lines = block.layout();
        for (int i = 0; lines && i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            bottoms.push_back(rect.top() + line.y() + line.height());
        }
    }
    std::sort(bottoms.begin(), bottoms.end());
    return bottoms;
}

// The letters a choice answer names ("C", "AD"), or nothing.
QString answerChoice(const QByteArray& answer)
{
    QTextDocument doc;
    RtfReader::read(answer, &doc);
    // Pictures stay in as U+FFFC: a letter beside a formula is not an answer.
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::Nbsp, u' ');
    return choiceLetters(text);
}

bool isChoiceType(const QString& type)
{
    return type.contains(u"选择"_s);
}

struct Section
{
    QString type;
    std::vector<int> indexes; // into the set's questions
    int points = 0;
};

std::vector<Section> sectionsOf(const std::vector<PaperQuestion>& questions, const PaperSettings& settings)
{
    std::vector<Section> sections;
    for (const QString& type : settings.sectionOrder)
        sections.push_back({type, {}, settings.points.value(type)});
    for (int i = 0; i < int(questions.size()); ++i) {
        const QString& type = questions[size_t(i)].type;
        auto it =
            std::find_if(sections.begin(), sections.end(), [&](const Section& s) { return s.type == type; });
        if (it == sections.end()) {
            sections.push_back({type, {}, settings.points.value(type)});
            it = sections.end() - 1;
        }
        it->indexes.push_back(i);
    }
    std::erase_if(sections, [](const Section& s) { return s.indexes.empty(); });
    return sections;
}

QString sectionHeading(int n, const Section& s)
{
    const QString head = u"%1、%2"_s.arg(chineseNumeral(n), s.type);
    if (s.points <= 0)
        return head;
    return head + u"（每小题%1分，共%2分）"_s.arg(s.points).arg(s.points * int(s.indexes.size()));
}

} // namespace

std::vector<PaperSection> paperSections(const PaperSet& set, const PaperSettings& settings)
{
    std::vector<PaperSection> out;
    for (const Section& s : sectionsOf(set, settings))
        out.push_back({s.type, int(s.indexes.size()), s.points});
    return out;
}

// Fills the pages of one set, column by column.
class PaperLayout::Builder
{
public:
    explicit Builder(PaperLayout& layout) : layout_(layout), g_(geometryOf(layout.settings_.format)) {}

    void layOut(const std::vector<PaperQuestion>& questions);
    void layOutDocument(const QByteArray& rtf);

private:
    PaperLayout& layout_;
    Geometry g_;
    int column_ = 0;
    double y_ = 0;

    double width() const { return px(g_.columnWidth); }
    double columnTop() const { return px(g_.top); }
    double columnBottom() const { return px(g_.page.height() - g_.bottom); }
    double columnHeight() const { return columnBottom() - columnTop(); }
    double remaining() const { return columnBottom() - y_; }
    Page& page() { return layout_.pages_.back(); }

    void newPage()
    {
        layout_.pages_.emplace_back();
        column_ = 0;
        y_ = columnTop();
    }
    void nextColumn()
    {
        if (column_ + 1 < g_.columns) {
            ++column_;
            y_ = columnTop();
        } else {
            newPage();
        }
    }
    bool atColumnTop() const { return y_ <= columnTop(); }
    void slice(const std::shared_ptr<QTextDocument>& doc, double top, double bottom)
    {
        page().slices.push_back({doc, QPointF(px(g_.columnX[column_]), y_), top, bottom});
        y_ += bottom - top;
    }

    // Places `doc` whole, followed by `space` (clipped at the column's end);
    // a document taller than a column is cut between lines.
    void place(const std::shared_ptr<QTextDocument>& doc, double space = 0, double keepWithNext = 0)
    {
        const double h = doc->size().height();
        // One taller than a column is cut anyway: it starts where it is,
        // unless hardly a line would fit there.
        const bool tall = h > columnHeight();
        if (!atColumnTop() && (tall ? remaining() < px(15) : h + keepWithNext > remaining()))
            nextColumn();
        if (h <= remaining()) {
            slice(doc, 0, h);
            y_ = std::min(y_ + space, columnBottom());
            return;
        }
        const std::vector<double> bottoms = lineBottoms(*doc);
        double top = 0;
        while (h - top > remaining()) {
            double cut = top;
            for (double b : bottoms) {
                if (b > top + remaining())
                    break;
                cut = std::max(cut, b);
            }
            if (cut <= top) // one line taller than the column: cut through it
                cut = top + remaining();
            slice(doc, top, cut);
            nextColumn();
            top = cut;
        }
        slice(doc, top, h);
        y_ = std::min(y_ + space, columnBottom());
    }

    std::shared_ptr<QTextDocument> textBlock(const QString& text, double points, bool bold, Qt::Alignment a)
    {
        auto doc = newDocument(width());
        QTextCursor c(doc.get());
        c.setBlockFormat(blockFormat(a));
        c.insertText(text, textFormat(points, bold));
        return doc;
    }

    std::shared_ptr<QTextDocument> header(const std::vector<Section>& sections);
    std::shared_ptr<QTextDocument> numbered(int number, const QByteArray& rtf, const QString& bankNumber,
                                            bool answer);
    std::shared_ptr<QTextDocument> choiceTable(const std::vector<std::pair<int, QString>>& answers);
    std::shared_ptr<QTextDocument> unnumbered(const QByteArray& rtf);
    void numberPages(size_t firstPage);
};

std::shared_ptr<QTextDocument> PaperLayout::Builder::header(const std::vector<Section>& sections)
{
    const PaperSettings& s = layout_.settings_;
    const bool paper = layout_.kind_ == Kind::Paper;
    auto doc = newDocument(width());
    QTextCursor c(doc.get());
    bool first = true;
    auto line = [&](const QString& text, double points, bool bold, Qt::Alignment a, double topMargin) {
        if (!first)
            c.insertBlock();
        first = false;
        c.setBlockFormat(blockFormat(a, topMargin));
        c.insertText(text, textFormat(points, bold));
    };
    for (int i = 0; i < s.title.size(); ++i)
        line(s.title.at(i), i == 0 ? 16 : 15, true, Qt::AlignHCenter, i == 0 ? 0 : 4);
    if (!paper) {
        line(u"参考答案及评分标准"_s, 15, true, Qt::AlignHCenter, 6);
        return doc;
    }
    int total = 0;
    for (const Section& section : sections)
        total += section.points * int(section.indexes.size());
    const int fullMarks = s.fullMarks > 0 ? s.fullMarks : total;
    line(fullMarks > 0 ? u"（满分%1分，考试时间%2分钟）"_s.arg(fullMarks).arg(s.minutes)
                       : u"（考试时间%1分钟）"_s.arg(s.minutes),
         10.5, false, Qt::AlignHCenter, 6);
    // A sheet without a sealing strip has the fields under the title.
    if (g_.columns == 1)
        line(kNameFields, 10.5, false, Qt::AlignHCenter, 8);
    if (s.scoreTable && !sections.empty()) {
        c.insertBlock(blockFormat(Qt::AlignHCenter, 6));
        const int columns = int(sections.size()) + 2;
        QTextTableFormat tf;
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderCollapse(true);
        tf.setCellPadding(3);
        tf.setCellSpacing(0);
        tf.setAlignment(Qt::AlignHCenter);
        tf.setTopMargin(6);
        const double cell = std::min(48.0, (width() - 4) / columns);
        tf.setColumnWidthConstraints(
            QList<QTextLength>(columns, QTextLength(QTextLength::FixedLength, cell)));
        QTextTable* table = c.insertTable(2, columns, tf);
        QTextBlockFormat room = blockFormat(Qt::AlignHCenter);
        room.setLineHeight(28, QTextBlockFormat::FixedHeight);
        for (int col = 0; col < columns; ++col) {
            QTextCursor head = table->cellAt(0, col).firstCursorPosition();
            head.setBlockFormat(blockFormat(Qt::AlignHCenter));
            const QString text = col == 0 ? u"题号"_s : col == columns - 1 ? u"总分"_s : chineseNumeral(col);
            head.insertText(text, textFormat(10.5));
            QTextCursor score = table->cellAt(1, col).firstCursorPosition();
            score.setBlockFormat(room);
            if (col == 0)
                score.insertText(u"得分"_s, textFormat(10.5));
        }
        c.movePosition(QTextCursor::End);
    }
    if (!s.notes.isEmpty()) {
        line(u"注意事项："_s, 10.5, true, Qt::AlignLeft, 8);
        for (const QString& note : s.notes)
            line(note, 9, false, Qt::AlignLeft, 2);
    }
    return doc;
}

std::shared_ptr<QTextDocument> PaperLayout::Builder::numbered(int number, const QByteArray& rtf,
                                                              const QString& bankNumber, bool answer)
{
    auto doc = newDocument(width());
    QTextCursor c(doc.get());
    c.insertText(u"%1．"_s.arg(number), textFormat(10.5));
    RtfReader::insert(rtf, c);
    fitPicturesInto(*doc, QSizeF(width(), columnHeight()));
    // Formulas sit on the line's baseline, as on screen.
    installFormulaLayout(doc.get());
    alignFormulasOnBaseline(doc.get());
    if (markBrokenPictures(*doc)) {
        layout_.problems_ << (answer ? u"第%1题（题目编号%2）的答案中有无法显示的图片，已印出占位框。"_s
                                     : u"第%1题（题目编号%2）中有无法显示的图片，已印出占位框。"_s)
                                 .arg(number)
                                 .arg(bankNumber);
    }
    return doc;
}

std::shared_ptr<QTextDocument>
PaperLayout::Builder::choiceTable(const std::vector<std::pair<int, QString>>& answers)
{
    auto doc = newDocument(width());
    QTextCursor c(doc.get());
    const int columns = std::min<int>(10, int(answers.size()));
    const int rows = (int(answers.size()) + columns - 1) / columns;
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderCollapse(true);
    tf.setCellPadding(3);
    tf.setCellSpacing(0);
    tf.setWidth(QTextLength(QTextLength::FixedLength, width() - 2));
    QTextTable* table = c.insertTable(rows, columns, tf);
    for (int i = 0; i < int(answers.size()); ++i) {
        QTextCursor cell = table->cellAt(i / columns, i % columns).firstCursorPosition();
        cell.setBlockFormat(blockFormat(Qt::AlignHCenter));
        cell.insertText(u"%1．%2"_s.arg(answers[size_t(i)].first).arg(answers[size_t(i)].second),
                        textFormat(10.5));
    }
    return doc;
}

void PaperLayout::Builder::layOut(const std::vector<PaperQuestion>& questions)
{
    const PaperSettings& s = layout_.settings_;
    const bool paper = layout_.kind_ == Kind::Paper;
    const size_t firstPage = layout_.pages_.size();
    newPage();
    page().sealingStrip = paper && g_.columns == 2;

    const std::vector<Section> sections = sectionsOf(questions, s);
    place(header(sections), px(4));
    const double gap = px(2.5);
    int number = 0;
    int sectionNo = 0;
    for (const Section& section : sections) {
        // The questions of this section, numbered on from the last one.
        std::vector<std::shared_ptr<QTextDocument>> docs;
        std::vector<std::pair<int, QString>> compact;
        const bool gather = !paper && s.compactChoices && isChoiceType(section.type);
        for (int index : section.indexes) {
            const PaperQuestion& q = questions[size_t(index)];
            ++number;
            if (gather) {
                const QString letters = answerChoice(q.answer);
                if (!letters.isEmpty()) {
                    compact.emplace_back(number, letters);
                    continue;
                }
            }
            docs.push_back(numbered(number, paper ? q.content : q.answer, q.bankNumber, !paper));
        }
        if (!compact.empty())
            docs.insert(docs.begin(), choiceTable(compact));
        auto heading = textBlock(sectionHeading(++sectionNo, section), 10.5, true, Qt::AlignLeft);
        // A heading never stays alone at the foot of a column: it goes with its
        // first question, or with a few lines of one that will be cut anyway.
        const double firstHeight = docs.empty() ? 0 : docs.front()->size().height();
        const double first = firstHeight > columnHeight() ? px(15) : firstHeight;
        place(heading, px(1.5), first + px(1.5));
        const bool space = paper && s.answerSpaceTypes.contains(section.type);
        for (const auto& doc : docs)
            place(doc, gap + (space ? px(s.answerSpaceMm) : 0));
    }

    numberPages(firstPage);
}

void PaperLayout::Builder::numberPages(size_t firstPage)
{
    const int count = int(layout_.pages_.size() - firstPage);
    for (int i = 0; i < count; ++i) {
        layout_.pages_[firstPage + size_t(i)].number = i + 1;
        layout_.pages_[firstPage + size_t(i)].setPages = count;
    }
}

std::shared_ptr<QTextDocument> PaperLayout::Builder::unnumbered(const QByteArray& rtf)
{
    auto doc = newDocument(width());
    QTextCursor c(doc.get());
    RtfReader::insert(rtf, c);
    installFormulaLayout(doc.get());
    alignFormulasOnBaseline(doc.get());
    if (markBrokenPictures(*doc))
        layout_.problems_ << u"文档中有无法显示的图片，已印出占位框。"_s;
    return doc;
}

// A document that cannot be told apart question by question: under the
// head, as it stands, cut between lines where a column ends.
void PaperLayout::Builder::layOutDocument(const QByteArray& rtf)
{
    const size_t firstPage = layout_.pages_.size();
    newPage();
    page().sealingStrip = layout_.kind_ == Kind::Paper && g_.columns == 2;
    place(header({}), px(4));
    place(unnumbered(rtf));
    numberPages(firstPage);
}

PaperLayout::PaperLayout(const PaperSettings& settings, Kind kind) : settings_(settings), kind_(kind)
{
    matchNotesToFormat(&settings_);
    substituteSongti();
}

PaperLayout::~PaperLayout() = default;

void PaperLayout::addSet(const std::vector<PaperQuestion>& questions)
{
    Builder(*this).layOut(questions);
}

void PaperLayout::addDocument(const QByteArray& rtf)
{
    Builder(*this).layOutDocument(rtf);
}

int PaperLayout::pageCount() const
{
    return int(pages_.size());
}

QSizeF PaperLayout::pageSizeMm() const
{
    return geometryOf(settings_.format).page;
}

RtfPage paperRtfPage(PaperFormat format)
{
    const Geometry g = geometryOf(format);
    auto twips = [](double mm) { return qRound(mm * 1440 / 25.4); };
    const double right = g.page.width() - g.columnX[g.columns - 1] - g.columnWidth;
    RtfPage page;
    page.width = twips(g.page.width());
    page.height = twips(g.page.height());
    page.left = twips(g.columnX[0]);
    page.right = twips(right);
    page.top = twips(g.top);
    page.bottom = twips(g.bottom);
    page.columns = g.columns;
    page.columnGap = g.columns > 1 ? twips(g.columnX[1] - g.columnX[0] - g.columnWidth) : 0;
    return page;
}

namespace {

// Text drawn straight on the page: sizes in pixels, so that they follow the
// painter's scale rather than the device's resolution.
QFont pageFont(double points)
{
    QFont f = noShaping(QFont(songtiFamily()));
    f.setPixelSize(pointsToPixels(points));
    return f;
}

const QString kStripWarning = u"密　封　线　内　不　要　答　题"_s;

QString footerText(int number, int pages)
{
    return u"第%1页（共%2页）"_s.arg(number).arg(pages);
}

// Along the left edge, read from the bottom up: the fields a student fills in,
// the dashed line, and the warning beside it.
void paintSealingStrip(QPainter& p, const QSizeF& page)
{
    const double h = px(page.height());
    auto vertical = [&](double x, const QString& text, double points) {
        p.save();
        p.translate(px(x), h / 2);
        p.rotate(-90);
        p.setFont(pageFont(points));
        p.drawText(QRectF(-h / 2, -px(4), h, px(8)), Qt::AlignCenter, text);
        p.restore();
    };
    p.save();
    p.setPen(QPen(Qt::black, 1));
    vertical(10, kNameFields, 10.5);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawLine(QPointF(px(18), px(8)), QPointF(px(18), h - px(8)));
    p.setPen(QPen(Qt::black, 1));
    vertical(22, kStripWarning, 9);
    p.restore();
}

} // namespace

void PaperLayout::paintPage(int index, QPainter& painter, double dpi) const
{
    if (index < 0 || index >= pageCount())
        return;
    const Page& page = pages_[size_t(index)];
    const Geometry g = geometryOf(settings_.format);
    painter.save();
    painter.scale(dpi / 96.0, dpi / 96.0);
    for (const Slice& s : page.slices) {
        painter.save();
        painter.translate(s.at.x(), s.at.y() - s.top);
        // A little wider than the column: a table's outer border lies on its
        // edge. At a cut, half a pixel less: the line just past the cut
        // touches it, and would be drawn (clipped, yet in the PDF's text).
        const double top = s.top > 0 ? s.top + 0.5 : s.top;
        const double bottom = s.bottom < s.doc->size().height() ? s.bottom - 0.5 : s.bottom;
        s.doc->drawContents(&painter, QRectF(-2, top, s.doc->textWidth() + 4, bottom - top));
        painter.restore();
    }
    painter.setPen(Qt::black);
    painter.setFont(pageFont(9));
    const QRectF footer(0, px(g.page.height() - g.bottom + 6), px(g.page.width()), px(8));
    painter.drawText(footer, Qt::AlignHCenter | Qt::AlignTop, footerText(page.number, page.setPages));
    if (page.sealingStrip)
        paintSealingStrip(painter, g.page);
    painter.restore();
}

PdfTextLayer PaperLayout::textLayer() const
{
    PdfTextLayer layer;
    std::set<const QTextDocument*> seen;
    bool strip = false;
    for (const Page& page : pages_) {
        for (const Slice& s : page.slices) {
            if (seen.insert(s.doc.get()).second)
                layer.addDocument(*s.doc);
        }
        layer.addLine(footerText(page.number, page.setPages), pageFont(9));
        strip = strip || page.sealingStrip;
    }
    if (strip) {
        layer.addLine(kNameFields, pageFont(10.5));
        layer.addLine(kStripWarning, pageFont(9));
    }
    return layer;
}

bool PaperLayout::writePdf(const QString& fileName, QString* error) const
{
    auto failed = [&](const QString& why) {
        if (error)
            *error = u"无法保存文件“%1”：%2"_s.arg(fileName, why);
        return false;
    };
    // The PDF is made in memory first: the PDF engine does not tell when a
    // write to its device fails, so the bytes are written and checked here.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setCreator(u"tiku"_s);
        writer.setTitle(settings_.title.join(u' '));
        writer.setPageLayout(QPageLayout(QPageSize(pageSizeMm(), QPageSize::Millimeter),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer))
            return failed(u"无法生成PDF"_s);
        for (int i = 0; i < pageCount(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(i, painter, writer.resolution());
        }
        painter.end();
    }
    pdf = textLayer().rewrite(pdf);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (file.write(pdf) != pdf.size() || !file.flush()) {
        // A short write may leave no error behind: say what it means.
        const QString why =
            file.error() == QFileDevice::NoError ? u"文件没有写完整（磁盘可能已满）"_s : file.errorString();
        file.cancelWriting();
        return failed(why);
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}
