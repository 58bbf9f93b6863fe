#include "docx/DocxReader.h"

#include "docx/DocxNumbering.h"
#include "docx/DocxStyles.h"
#include "docx/EqField.h"
#include "docx/OmmlToLatex.h"
#include "docx/XmlElement.h"
#include "metafile/CompoundFile.h"
#include "metafile/Metafile.h"
#include "metafile/Mtef.h"
#include "metafile/SymbolFonts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

constexpr double kEmuPerPoint = 12700.0;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

struct Relationship
{
    QString type;
    QString target; // a part name, resolved; or the external address
    bool external = false;
};

QString folderOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash);
}

// A relationship's target as a part name: relative to the folder of the part
// that holds the relationships, or absolute from the package's root.
QString resolveTarget(const QString& baseFolder, QString target)
{
    target.replace(u'\\', u'/');
    if (target.startsWith(u'/'))
        return QDir::cleanPath(target).mid(1);
    QString joined = baseFolder.isEmpty() ? target : baseFolder + u'/' + target;
    joined = QDir::cleanPath(joined);
    while (joined.startsWith(u"../"))
        joined.remove(0, 3);
    return joined;
}

QString relationshipsPartOf(const QString& part)
{
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + u'/') + u"_rels/"_s + file + u".rels"_s;
}

QHash<QString, Relationship> readRelationships(const QByteArray& xml, const QString& sourcePart)
{
    QHash<QString, Relationship> rels;
    QXmlStreamReader r(xml);
    const QString base = folderOf(sourcePart);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = r.attributes();
        Relationship rel;
        rel.type = a.value(u"Type"_s).toString();
        rel.external = a.value(u"TargetMode"_s) == u"External";
        const QString target = a.value(u"Target"_s).toString();
        rel.target = rel.external ? target : resolveTarget(base, target);
        rels.insert(a.value(u"Id"_s).toString(), rel);
    }
    return rels;
}

// The relationship of a type, by the last part of its name ("styles").
std::optional<Relationship> relationshipOfType(const QHash<QString, Relationship>& rels, QStringView kind)
{
    for (const Relationship& rel : rels) {
        if (rel.type.endsWith(u'/' + kind.toString()) && !rel.external)
            return rel;
    }
    return std::nullopt;
}

PictureType pictureTypeOf(const QByteArray& data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return PictureType::Png;
    if (data.startsWith("\xFF\xD8\xFF"))
        return PictureType::Jpeg;
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return PictureType::Gif;
    if (data.startsWith("BM"))
        return PictureType::Bmp;
    if (data.startsWith("II*\0") || data.startsWith("MM\0*"))
        return PictureType::Tiff;
    const metafile::MetafileInfo info = metafile::probe(data);
    if (info.format == metafile::Format::Wmf)
        return PictureType::Wmf;
    if (info.format == metafile::Format::Emf)
        return PictureType::Emf;
    return PictureType::Other;
}

// A CSS length of VML's style attribute in points.
std::optional<double> cssPoints(QStringView value)
{
    value = value.trimmed();
    double factor = 0.75; // VML's default unit is the pixel
    QStringView number = value;
    static const std::pair<const char16_t*, double> units[] = {{u"pt", 1.0},         {u"in", 72.0},
                                                               {u"cm", 72.0 / 2.54}, {u"mm", 72.0 / 25.4},
                                                               {u"px", 0.75},        {u"pc", 12.0}};
    for (const auto& [unit, f] : units) {
        if (value.endsWith(QStringView(unit))) {
            factor = f;
            number = value.chopped(2);
            break;
        }
    }
    bool ok = false;
    const double v = number.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > 1e5)
        return std::nullopt;
    return v * factor;
}

QSizeF vmlSize(const QString& style)
{
    QSizeF size;
    for (const QString& decl : style.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = decl.indexOf(u':');
        if (colon < 0)
            continue;
        const QStringView key = QStringView(decl).left(colon).trimmed();
        const QStringView value = QStringView(decl).mid(colon + 1);
        if (key == u"width") {
            if (const std::optional<double> w = cssPoints(value))
                size.setWidth(*w);
        } else if (key == u"height") {
            if (const std::optional<double> h = cssPoints(value))
                size.setHeight(*h);
        }
    }
    return size;
}

double emuToPoints(const QString& value)
{
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > 1e12)
        return 0;
    return v / kEmuPerPoint;
}

class Reader
{
public:
    Reader(const DocxReader::PartSource& part) : part_(part) {}

    std::optional<Document> read(QString* error);

private:
    std::optional<QByteArray> part(const QString& name)
    {
        QString why;
        std::optional<QByteArray> bytes = part_(name, &why);
        if (!bytes && !why.isEmpty() && !why.startsWith(u"压缩包中没有"))
            problems_ << why;
        return bytes;
    }
    void warn(const QString& text)
    {
        if (!warned_.contains(text)) {
            warned_.insert(text);
            doc_.warnings << text;
        }
    }

    bool body(QXmlStreamReader& xml, QString* error);
    void block(const XmlElement& e, std::vector<Block>& out);
    void paragraph(const XmlElement& p, std::vector<Block>& out);
    void table(const XmlElement& t, std::vector<Block>& out);
    void content(const XmlElement& parent, const RunProps& base, Paragraph& para);
    void run(const XmlElement& r, const RunProps& base, Paragraph& para);
    void runChild(const XmlElement& c, int format, bool hidden, Paragraph& para);
    void formula(const XmlElement& math, bool display, Paragraph& para);
    void drawing(const XmlElement& d, Paragraph& para);
    void vml(const XmlElement& pict, Paragraph& para);
    void object(const XmlElement& obj, Paragraph& para);
    void missing(Paragraph& para, const QString& what);
    void addText(Paragraph& para, const QString& text, int format);
    int picture(const QString& relId);
    // Every pic:pic under `e` with its size, scaled by `scale` (a group's).
    void pictures(const XmlElement& e, double scale, QSizeF whole, bool anchored, Paragraph& para,
                  int& found);
    bool inFieldCode() const;

    const DocxReader::PartSource& part_;
    Document doc_;
    DocxStyles styles_;
    DocxNumbering numbering_;
    QString mainPart_;
    QHash<QString, Relationship> rels_;
    QHash<QString, int> pictureByPart_;
    QSet<QString> warned_;
    QStringList problems_;
    bool truncated_ = false;

    struct Field
    {
        QString code;
        bool separated = false;
        bool replaced = false; // the field's result is replaced by what the code makes (EQ)
    };
    std::vector<Field> fields_;
    int textBoxes_ = 0;
    int shapes_ = 0;
};

std::optional<Document> Reader::read(QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<Document> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    mainPart_ = u"word/document.xml"_s;
    if (const std::optional<QByteArray> rootRels = part(u"_rels/.rels"_s)) {
        const QHash<QString, Relationship> rels = readRelationships(*rootRels, QString());
        if (const std::optional<Relationship> main = relationshipOfType(rels, u"officeDocument"))
            mainPart_ = main->target;
    }
    const std::optional<QByteArray> main = part(mainPart_);
    if (!main) {
        if (!problems_.isEmpty())
            return fail(problems_.front());
        if (part(u"xl/workbook.xml"_s))
            return fail(u"这是 Excel 工作簿，不是 Word 文档"_s);
        if (part(u"ppt/presentation.xml"_s))
            return fail(u"这是 PowerPoint 演示文稿，不是 Word 文档"_s);
        return fail(u"其中没有 Word 文档的正文（word/document.xml）"_s);
    }
    if (const std::optional<QByteArray> rels = part(relationshipsPartOf(mainPart_)))
        rels_ = readRelationships(*rels, mainPart_);
    auto partOfType = [&](QStringView kind, const QString& fallback) {
        const std::optional<Relationship> rel = relationshipOfType(rels_, kind);
        return part(rel ? rel->target : fallback).value_or(QByteArray());
    };
    styles_.read(partOfType(u"styles", u"word/styles.xml"_s),
                 partOfType(u"theme", u"word/theme/theme1.xml"_s));
    numbering_.read(partOfType(u"numbering", u"word/numbering.xml"_s));
    doc_.formats.push_back(styles_.resolve(styles_.paragraphRunProps(QString())));
    if (doc_.formats.front().pointSize > 0)
        doc_.defaultPointSize = doc_.formats.front().pointSize;

    QXmlStreamReader xml(*main);
    if (!body(xml, error))
        return std::nullopt;
    if (truncated_)
        warn(u"文档嵌套过深或过大，超出部分未能读取"_s);
    if (textBoxes_ > 0)
        warn(u"文档中有 %1 个文本框，其中的文字未导入"_s.arg(textBoxes_));
    if (shapes_ > 0)
        warn(u"文档中有 %1 处用 Word 绘制的图形（自选图形），未能导入；请在 Word 中把它们另存为图片后再插入"_s
                 .arg(shapes_));
    for (const QString& p : std::as_const(problems_))
        warn(p);
    return std::move(doc_);
}

bool Reader::body(QXmlStreamReader& xml, QString* error)
{
    bool inBody = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::DTD) {
            // Office never writes one; entity tricks live there.
            if (error)
                *error = u"正文中有不允许的文档类型定义（DTD）"_s;
            return false;
        }
        if (t == QXmlStreamReader::StartElement) {
            if (!inBody) {
                if (prefixedName(xml) == u"w:body")
                    inBody = true;
                continue;
            }
            const XmlElement e = readElement(xml, &truncated_);
            block(e, doc_.body);
        } else if (t == QXmlStreamReader::EndElement && inBody && prefixedName(xml) == u"w:body") {
            inBody = false;
        }
    }
    if (xml.hasError()) {
        if (error) {
            *error = u"正文（%1）已损坏：第 %2 行第 %3 列，%4"_s.arg(mainPart_)
                         .arg(xml.lineNumber())
                         .arg(xml.columnNumber())
                         .arg(xml.errorString());
        }
        return false;
    }
    return true;
}

void Reader::block(const XmlElement& e, std::vector<Block>& out)
{
    const QString& n = e.name;
    if (n == u"w:p") {
        paragraph(e, out);
    } else if (n == u"w:tbl") {
        table(e, out);
    } else if (n == u"w:sdt") {
        if (const XmlElement* c = e.child(u"w:sdtContent")) {
            for (const XmlElement& child : c->children)
                block(child, out);
        }
    } else if (n == u"w:customXml" || n == u"w:ins" || n == u"w:moveTo" || n == u"w:sdtContent") {
        for (const XmlElement& child : e.children)
            block(child, out);
    } else if (n == u"mc:AlternateContent") {
        const XmlElement* c = e.child(u"mc:Choice");
        if (!c)
            c = e.child(u"mc:Fallback");
        if (c) {
            for (const XmlElement& child : c->children)
                block(child, out);
        }
    }
}

void Reader::paragraph(const XmlElement& p, std::vector<Block>& out)
{
    Block b;
    Paragraph& para = b.paragraph;
    QString styleId;
    ParaProps direct;
    RunProps markProps;
    bool markHidden = false;
    if (const XmlElement* pPr = p.child(u"w:pPr")) {
        styleId = pPr->childValue(u"w:pStyle");
        direct = readParaProps(*pPr);
        if (const XmlElement* rPr = pPr->child(u"w:rPr")) {
            markProps = readRunProps(*rPr);
            markHidden = markProps.hidden.value_or(false);
        }
    }
    ParaProps props = styles_.paragraphProps(styleId);
    props.overlay(direct);
    para.alignment = props.alignment.value_or(Alignment::Left);
    para.leftIndent = props.leftIndent.value_or(0);
    para.firstIndent = props.firstIndent.value_or(0);
    para.outlineLevel = props.outlineLevel.value_or(-1);
    para.pageBreakBefore = props.pageBreakBefore.value_or(false);

    const RunProps base = styles_.paragraphRunProps(styleId);
    content(p, base, para);
    // A paragraph whose text and mark are all hidden is not there for the reader.
    bool allHidden = markHidden;
    for (const Inline& in : para.inlines) {
        if (in.kind != Inline::Kind::Text || !doc_.formats[std::size_t(in.format)].hidden)
            allHidden = false;
    }
    if (markHidden && allHidden)
        return;

    if (props.numbering.numId && *props.numbering.numId != 0) {
        const int level = props.numbering.level.value_or(0);
        para.label = numbering_.nextLabel(*props.numbering.numId, level);
        if (!para.label.isEmpty()) {
            para.listLevel = level;
            RunProps labelProps = base;
            labelProps.overlay(markProps);
            para.labelFormat = doc_.addFormat(styles_.resolve(labelProps));
        }
    }
    out.push_back(std::move(b));
}

void Reader::table(const XmlElement& t, std::vector<Block>& out)
{
    Block b;
    b.isTable = true;
    Table& table = b.table;
    std::vector<double> grid;
    if (const XmlElement* g = t.child(u"w:tblGrid")) {
        for (const XmlElement& col : g->children) {
            if (col.name == u"w:gridCol")
                grid.push_back(col.attribute(u"w:w"_s).toDouble() / 20.0);
        }
    }
    if (const XmlElement* pr = t.child(u"w:tblPr")) {
        if (const XmlElement* borders = pr->child(u"w:tblBorders")) {
            bool any = false;
            for (const XmlElement& side : borders->children) {
                const QString v = side.attribute(u"w:val"_s);
                if (!v.isEmpty() && v != u"none" && v != u"nil")
                    any = true;
            }
            table.borders = any;
        } else if (!pr->hasChild(u"w:tblStyle")) {
            table.borders = false; // Word's plain table without a style has no lines
        }
    }
    for (const XmlElement& tr : t.children) {
        if (tr.name != u"w:tr")
            continue;
        Row row;
        std::size_t column = 0;
        for (const XmlElement& tc : tr.children) {
            const XmlElement* cellElement = &tc;
            if (tc.name == u"w:sdt") { // a content control around a cell
                const XmlElement* c = tc.child(u"w:sdtContent");
                cellElement = c ? c->child(u"w:tc") : nullptr;
            }
            if (!cellElement || cellElement->name != u"w:tc")
                continue;
            Cell cell;
            if (const XmlElement* pr = cellElement->child(u"w:tcPr")) {
                bool ok = false;
                const int span = pr->childValue(u"w:gridSpan", u"1"_s).toInt(&ok);
                cell.columnSpan = ok && span >= 1 && span <= 64 ? span : 1;
                if (pr->hasChild(u"w:vMerge")) {
                    const QString v = pr->child(u"w:vMerge")->attribute(u"w:val"_s);
                    cell.mergedAbove = v.isEmpty() || v == u"continue";
                }
            }
            for (int k = 0; k < cell.columnSpan && column + std::size_t(k) < grid.size(); ++k)
                cell.width += grid[column + std::size_t(k)];
            column += std::size_t(cell.columnSpan);
            for (const XmlElement& child : cellElement->children)
                block(child, cell.blocks);
            row.cells.push_back(std::move(cell));
        }
        if (!row.cells.empty())
            table.rows.push_back(std::move(row));
    }
    if (!table.rows.empty())
        out.push_back(std::move(b));
}

void Reader::content(const XmlElement& parent, const RunProps& base, Paragraph& para)
{
    for (const XmlElement& c : parent.children) {
        const QString& n = c.name;
        if (n == u"w:r") {
            run(c, base, para);
        } else if (n == u"m:oMath") {
            formula(c, false, para);
        } else if (n == u"m:oMathPara") {
            formula(c, true, para);
        } else if (n == u"w:hyperlink" || n == u"w:smartTag" || n == u"w:customXml" || n == u"w:ins" ||
                   n == u"w:moveTo" || n == u"w:sdtContent" || n == u"w:dir" || n == u"w:bdo" ||
                   n == u"w:fldSimple") {
            const QString instr = c.attribute(u"w:instr"_s).trimmed();
            if (n == u"w:fldSimple" && instr.startsWith(u"EQ", Qt::CaseInsensitive)) {
                const EqFieldResult eq = eqFieldToLatex(instr);
                Inline in;
                in.kind = Inline::Kind::Formula;
                in.latex = eq.latex;
                in.problem = eq.problem;
                ++doc_.formulaCount;
                if (!eq.problem.isEmpty())
                    ++doc_.unconvertedFormulas;
                para.inlines.push_back(in);
                continue;
            }
            content(c, base, para);
        } else if (n == u"w:sdt") {
            if (const XmlElement* inner = c.child(u"w:sdtContent"))
                content(*inner, base, para);
        } else if (n == u"mc:AlternateContent") {
            const XmlElement* choice = c.child(u"mc:Choice");
            if (!choice)
                choice = c.child(u"mc:Fallback");
            if (choice)
                content(*choice, base, para);
        }
    }
}

bool Reader::inFieldCode() const
{
    for (const Field& f : fields_) {
        if (!f.separated || f.replaced)
            return true;
    }
    return false;
}

void Reader::run(const XmlElement& r, const RunProps& base, Paragraph& para)
{
    RunProps props = base;
    if (const XmlElement* rPr = r.child(u"w:rPr")) {
        if (const QString charStyle = rPr->childValue(u"w:rStyle"); !charStyle.isEmpty())
            props.overlay(styles_.characterRunProps(charStyle));
        props.overlay(readRunProps(*rPr));
    }
    const RunFormat format = styles_.resolve(props);
    const int index = doc_.addFormat(format);
    for (const XmlElement& c : r.children)
        runChild(c, index, format.hidden, para);
}

void Reader::runChild(const XmlElement& c, int format, bool hidden, Paragraph& para)
{
    const QString& n = c.name;
    if (n == u"w:fldChar") {
        const QString type = c.attribute(u"w:fldCharType"_s);
        if (type == u"begin") {
            if (fields_.size() < 64)
                fields_.push_back({});
        } else if ((type == u"separate" || type == u"end") && !fields_.empty()) {
            Field& f = fields_.back();
            // Word's old way of typing formulas: EQ \f(1,2). Its cached result
            // (if any) is a picture of the same, left out.
            if (!f.separated && f.code.trimmed().startsWith(u"EQ", Qt::CaseInsensitive)) {
                const EqFieldResult eq = eqFieldToLatex(f.code.trimmed());
                Inline in;
                in.kind = Inline::Kind::Formula;
                in.latex = eq.latex;
                in.problem = eq.problem;
                in.format = format;
                ++doc_.formulaCount;
                if (!eq.problem.isEmpty())
                    ++doc_.unconvertedFormulas;
                para.inlines.push_back(in);
                f.replaced = true;
            }
            f.separated = true;
            if (type == u"end")
                fields_.pop_back();
        }
        return;
    }
    if (n == u"w:instrText") {
        if (!fields_.empty() && !fields_.back().separated)
            fields_.back().code += c.text;
        return;
    }
    if (inFieldCode())
        return;
    if (n == u"w:t") {
        if (!hidden)
            addText(para, c.text, format);
    } else if (n == u"w:tab" || n == u"w:ptab") {
        if (!hidden) {
            Inline in;
            in.kind = Inline::Kind::Tab;
            in.format = format;
            para.inlines.push_back(in);
        }
    } else if (n == u"w:br" || n == u"w:cr") {
        if (!hidden) {
            Inline in;
            in.kind = Inline::Kind::Break;
            in.format = format;
            para.inlines.push_back(in);
        }
    } else if (n == u"w:noBreakHyphen") {
        if (!hidden)
            addText(para, u"-"_s, format);
    } else if (n == u"w:sym") {
        if (hidden)
            return;
        bool ok = false;
        char16_t code = char16_t(c.attribute(u"w:char"_s).toUInt(&ok, 16));
        if (!ok || code == 0)
            return;
        const metafile::SymbolEncoding encoding = metafile::symbolEncodingOf(c.attribute(u"w:font"_s));
        if (encoding != metafile::SymbolEncoding::None) {
            const char16_t mapped = metafile::mapSymbolChar(encoding, code);
            code = mapped ? mapped : code;
        } else if (code >= 0xF020 && code <= 0xF0FF) {
            code = char16_t(code - 0xF000); // a Wingdings-like font: its ASCII position
        }
        addText(para, QString(QChar(code)), format);
    } else if (n == u"w:drawing") {
        drawing(c, para);
    } else if (n == u"w:pict") {
        vml(c, para);
    } else if (n == u"w:object") {
        object(c, para);
    } else if (n == u"mc:AlternateContent") {
        const XmlElement* choice = c.child(u"mc:Choice");
        if (!choice)
            choice = c.child(u"mc:Fallback");
        if (choice) {
            for (const XmlElement& inner : choice->children)
                runChild(inner, format, hidden, para);
        }
    } else if (n == u"w:ruby") {
        // 拼音 over characters: the characters are the text.
        if (const XmlElement* base = c.child(u"w:rubyBase")) {
            for (const XmlElement& r : base->children) {
                if (r.name == u"w:r") {
                    for (const XmlElement& inner : r.children)
                        runChild(inner, format, hidden, para);
                }
            }
        }
    }
}

void Reader::addText(Paragraph& para, const QString& text, int format)
{
    if (text.isEmpty())
        return;
    if (!para.inlines.empty()) {
        Inline& last = para.inlines.back();
        if (last.kind == Inline::Kind::Text && last.format == format) {
            last.text += text;
            return;
        }
    }
    Inline in;
    in.kind = Inline::Kind::Text;
    in.text = text;
    in.format = format;
    para.inlines.push_back(std::move(in));
}

void Reader::formula(const XmlElement& math, bool display, Paragraph& para)
{
    const OmmlResult r = ommlToLatex(math);
    Inline in;
    in.kind = Inline::Kind::Formula;
    in.latex = r.latex;
    in.problem = r.problem;
    in.displayMath = display;
    ++doc_.formulaCount;
    if (!r.ok())
        ++doc_.unconvertedFormulas;
    para.inlines.push_back(std::move(in));
}

void Reader::missing(Paragraph& para, const QString& what)
{
    Inline in;
    in.kind = Inline::Kind::Missing;
    in.problem = what;
    para.inlines.push_back(std::move(in));
}

int Reader::picture(const QString& relId)
{
    const auto rel = rels_.constFind(relId);
    if (rel == rels_.constEnd())
        return -1;
    if (rel->external) {
        warn(u"文档链接了外部图片（%1），未能导入"_s.arg(rel->target));
        return -1;
    }
    if (const auto known = pictureByPart_.constFind(rel->target); known != pictureByPart_.constEnd())
        return *known;
    QString why;
    const std::optional<QByteArray> data = part_(rel->target, &why);
    if (!data) {
        warn(u"图片“%1”无法读取：%2"_s.arg(rel->target, why));
        pictureByPart_.insert(rel->target, -1);
        return -1;
    }
    Picture p;
    p.data = *data;
    p.type = pictureTypeOf(p.data);
    p.part = rel->target;
    const int index = int(doc_.pictures.size());
    doc_.pictures.push_back(std::move(p));
    pictureByPart_.insert(rel->target, index);
    return index;
}

void Reader::pictures(const XmlElement& e, double scale, QSizeF whole, bool anchored, Paragraph& para,
                      int& found)
{
    for (const XmlElement& c : e.children) {
        if (c.name == u"pic:pic") {
            const XmlElement* fill = c.child(u"pic:blipFill");
            const XmlElement* blip = fill ? fill->child(u"a:blip") : nullptr;
            if (!blip)
                continue;
            QString id = blip->attribute(u"r:embed"_s);
            if (id.isEmpty() && blip->hasAttribute(u"r:link")) {
                warn(u"文档链接了外部图片，未能导入"_s);
                continue;
            }
            QSizeF size = whole;
            if (scale > 0) {
                const XmlElement* spPr = c.child(u"pic:spPr");
                const XmlElement* xfrm = spPr ? spPr->child(u"a:xfrm") : nullptr;
                const XmlElement* ext = xfrm ? xfrm->child(u"a:ext") : nullptr;
                if (ext) {
                    size = QSizeF(emuToPoints(ext->attribute(u"cx"_s)) * scale,
                                  emuToPoints(ext->attribute(u"cy"_s)) * scale);
                }
            }
            const int index = picture(id);
            ++found;
            if (index < 0) {
                missing(para, u"无法读取的图片"_s);
                continue;
            }
            Inline in;
            in.kind = Inline::Kind::Picture;
            in.picture = index;
            in.size = size;
            in.anchored = anchored;
            ++doc_.pictureCount;
            para.inlines.push_back(std::move(in));
        } else if (c.name == u"wpg:wgp" || c.name == u"wpg:grpSp" || c.name == u"wpc:wpc" ||
                   c.name == u"a:graphic" || c.name == u"a:graphicData" || c.name == u"wpc:wgp" ||
                   c.name == u"mc:AlternateContent" || c.name == u"mc:Choice") {
            // A group shows its children at the scale of its extent to theirs.
            double inner = scale;
            const XmlElement* grpPr = c.child(u"wpg:grpSpPr");
            const XmlElement* xfrm = grpPr ? grpPr->child(u"a:xfrm") : nullptr;
            if (xfrm && xfrm->child(u"a:ext") && xfrm->child(u"a:chExt")) {
                const double ext = emuToPoints(xfrm->child(u"a:ext")->attribute(u"cx"_s));
                const double ch = emuToPoints(xfrm->child(u"a:chExt")->attribute(u"cx"_s));
                if (ext > 0 && ch > 0)
                    inner = (scale > 0 ? scale : 1.0) * ext / ch;
            } else if (c.name == u"wpg:wgp" && inner <= 0) {
                inner = 1.0;
            }
            pictures(c, inner, whole, anchored, para, found);
        }
    }
}

// Does `e` hold text anywhere inside (a text box)?
bool holdsText(const XmlElement& e)
{
    if ((e.name == u"w:t") && !e.text.trimmed().isEmpty())
        return true;
    for (const XmlElement& c : e.children) {
        if (holdsText(c))
            return true;
    }
    return false;
}

// Counts the elements called `name` under `e`.
int countOf(const XmlElement& e, QStringView name)
{
    int n = e.name == name ? 1 : 0;
    for (const XmlElement& c : e.children)
        n += countOf(c, name);
    return n;
}

void Reader::drawing(const XmlElement& d, Paragraph& para)
{
    for (const XmlElement& frame : d.children) {
        const bool anchored = frame.name == u"wp:anchor";
        if (!anchored && frame.name != u"wp:inline")
            continue;
        QSizeF size;
        if (const XmlElement* ext = frame.child(u"wp:extent"))
            size = QSizeF(emuToPoints(ext->attribute(u"cx"_s)), emuToPoints(ext->attribute(u"cy"_s)));
        const XmlElement* graphic = frame.child(u"a:graphic");
        const XmlElement* data = graphic ? graphic->child(u"a:graphicData") : nullptr;
        if (!data)
            continue;
        int found = 0;
        pictures(*data, 0, size, anchored, para, found);
        if (found > 0)
            continue;
        if (countOf(*data, u"?:chart") > 0) {
            missing(para, u"图表"_s);
            warn(u"文档中的图表未能导入"_s);
        } else if (holdsText(*data) && countOf(*data, u"wps:wsp") <= 1) {
            ++textBoxes_;
            missing(para, u"文本框"_s);
        } else {
            ++shapes_;
            missing(para, u"Word 绘制的图形"_s);
        }
    }
}

void Reader::vml(const XmlElement& pict, Paragraph& para)
{
    // Every picture inside, each with the size of the shape around it.
    int found = 0;
    std::function<void(const XmlElement&, const QString&)> walk = [&](const XmlElement& e,
                                                                      const QString& style) {
        for (const XmlElement& c : e.children) {
            if (c.name == u"v:imagedata") {
                const QString id = c.attribute(u"r:id"_s, c.attribute(u"o:relid"_s));
                if (id.isEmpty())
                    continue;
                ++found;
                const int index = picture(id);
                if (index < 0) {
                    missing(para, u"无法读取的图片"_s);
                    continue;
                }
                Inline in;
                in.kind = Inline::Kind::Picture;
                in.picture = index;
                in.size = vmlSize(style);
                in.anchored = style.contains(u"position:absolute");
                ++doc_.pictureCount;
                para.inlines.push_back(std::move(in));
            } else if (c.name.startsWith(u"v:")) {
                walk(c, c.hasAttribute(u"style") ? c.attribute(u"style"_s) : style);
            }
        }
    };
    walk(pict, QString());
    if (found > 0)
        return;
    if (holdsText(pict)) {
        ++textBoxes_;
        missing(para, u"文本框"_s);
    } else if (!pict.children.empty()) {
        ++shapes_;
        missing(para, u"Word 绘制的图形"_s);
    }
}

void Reader::object(const XmlElement& obj, Paragraph& para)
{
    QString progId;
    QString embedId;
    for (const XmlElement& c : obj.children) {
        if (c.name == u"o:OLEObject") {
            progId = c.attribute(u"ProgID"_s);
            embedId = c.attribute(u"r:id"_s);
        } else if (c.name == u"w:objectEmbed") {
            progId = c.attribute(u"w:progId"_s);
            embedId = c.attribute(u"r:id"_s);
        }
    }
    // The picture Word shows for the object.
    Paragraph preview;
    for (const XmlElement& c : obj.children) {
        if (c.name == u"w:drawing")
            drawing(c, preview);
    }
    if (preview.inlines.empty())
        vml(obj, preview);
    int pictureIndex = -1;
    QSizeF size;
    for (const Inline& in : preview.inlines) {
        if (in.kind == Inline::Kind::Picture) {
            pictureIndex = in.picture;
            size = in.size;
            break;
        }
    }
    if (size.isEmpty()) {
        bool okW = false;
        bool okH = false;
        const double w = obj.attribute(u"w:dxaOrig"_s).toDouble(&okW) / 20.0;
        const double h = obj.attribute(u"w:dyaOrig"_s).toDouble(&okH) / 20.0;
        if (okW && okH && w > 0 && h > 0)
            size = QSizeF(w, h);
    }
    // MathType, Equation Editor 3.0 and WPS's equation editor (Equation.KSEE3,
    // the same data) keep the equation's own description in the object.
    const bool equation =
        metafile::isEquationClass(progId) || progId.startsWith(u"Equation.", Qt::CaseInsensitive);
    if (equation) {
        Inline in;
        in.kind = Inline::Kind::Formula;
        in.picture = pictureIndex;
        in.size = size;
        ++doc_.formulaCount;
        const auto rel = rels_.constFind(embedId);
        QString why;
        std::optional<QByteArray> data;
        if (rel != rels_.constEnd() && !rel->external)
            data = part_(rel->target, &why);
        if (!data) {
            in.problem = u"公式对象的数据无法读取"_s;
        } else {
            const metafile::LatexResult r = metafile::equationObjectToLatex(*data);
            in.latex = r.latex;
            in.problem = r.ok() ? QString() : (r.unknown.isEmpty() ? u"空公式"_s : r.unknown);
        }
        if (!in.problem.isEmpty())
            ++doc_.unconvertedFormulas;
        // Pictures of formulas are counted as formulas.
        if (pictureIndex >= 0)
            --doc_.pictureCount;
        para.inlines.push_back(std::move(in));
        return;
    }
    // Any other object (a drawing, a chart from another program): its picture.
    for (Inline& in : preview.inlines)
        para.inlines.push_back(std::move(in));
}

} // namespace

FileKind detectFileKind(const QByteArray& data)
{
    if (ZipArchive::looksLikeZip(data))
        return FileKind::Zip;
    if (data.startsWith("{\\rtf"))
        return FileKind::Rtf;
    if (metafile::CompoundFile::looksLikeCompoundFile(data)) {
        const std::optional<metafile::CompoundFile> cf = metafile::CompoundFile::read(data);
        if (!cf)
            return FileKind::OtherCompoundFile;
        if (cf->stream(u"EncryptedPackage"_s) || cf->stream(u"EncryptionInfo"_s))
            return FileKind::EncryptedPackage;
        if (cf->stream(u"WordDocument"_s))
            return FileKind::WordBinary;
        return FileKind::OtherCompoundFile;
    }
    return FileKind::Other;
}

std::optional<Document> DocxReader::readFile(const QString& path, QString* error, const ArchiveLimits& limits)
{
    QFile f(path);
    const QString name = native(QFileInfo(path).absoluteFilePath());
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = u"无法打开文件“%1”：%2"_s.arg(name, f.errorString());
        return std::nullopt;
    }
    if (f.size() > kMaxFileBytes) {
        if (error)
            *error = u"文件“%1”太大（超过 %2 MB），无法导入"_s.arg(name).arg(kMaxFileBytes / (1024 * 1024));
        return std::nullopt;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = u"无法读取文件“%1”：%2"_s.arg(name, f.errorString());
        return std::nullopt;
    }
    return readBytes(data, name, error, limits);
}

std::optional<Document> DocxReader::readBytes(const QByteArray& data, const QString& fileName, QString* error,
                                              const ArchiveLimits& limits)
{
    auto fail = [&](const QString& why) -> std::optional<Document> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    switch (detectFileKind(data)) {
    case FileKind::Zip:
        break;
    case FileKind::EncryptedPackage:
        return fail(
            u"文件“%1”设有打开密码（已加密），无法读取。请在 Word 或 WPS 中打开它，取消密码后另存为 .docx "
            u"再导入。"_s.arg(fileName));
    case FileKind::WordBinary:
        return fail(u"文件“%1”是 Word 97-2003 或 WPS 格式（.doc、.wps），不是 .docx。请在 Word 或 WPS 中打开"
                    u"它，另存为“Word 文档（*.docx）”后再导入。"_s.arg(fileName));
    case FileKind::Rtf:
        return fail(u"文件“%1”是 RTF 文档，不是 .docx。请在 Word 或 WPS 中打开它，另存为“Word 文档"
                    u"（*.docx）”后再导入。"_s.arg(fileName));
    case FileKind::OtherCompoundFile:
    case FileKind::Other:
        return fail(u"文件“%1”不是 Word 文档（.docx），无法导入。"_s.arg(fileName));
    }
    QString why;
    std::unique_ptr<ZipArchive> zip = ZipArchive::open(data, &why, limits);
    if (!zip)
        return fail(u"文件“%1”已损坏，无法读取：%2。"_s.arg(fileName, why));
    // A limit or a damaged entry met on the way stops the reading at once:
    // nothing is imported from a file we could read only in part.
    QString stop;
    const PartSource source = [&](const QString& name, QString* partError) -> std::optional<QByteArray> {
        if (!zip->contains(name)) {
            if (partError)
                *partError = u"压缩包中没有“%1”"_s.arg(name);
            return std::nullopt;
        }
        QString e;
        std::optional<QByteArray> bytes = zip->read(name, &e);
        if (!bytes) {
            if (stop.isEmpty() && (e.contains(u"上限") || e.contains(u"加密")))
                stop = e;
            if (partError)
                *partError = e;
        }
        return bytes;
    };
    QString readError;
    std::optional<Document> doc = readPackage(source, &readError);
    if (!stop.isEmpty()) {
        if (stop.contains(u"加密"))
            return fail(u"文件“%1”中有加密的内容（%2），无法读取。"_s.arg(fileName, stop));
        return fail(u"文件“%1”无法导入：%2，已停止读取。"_s.arg(fileName, stop));
    }
    if (!doc)
        return fail(u"文件“%1”无法导入：%2。"_s.arg(fileName, readError));
    return doc;
}

std::optional<Document> DocxReader::readPackage(const PartSource& part, QString* error)
{
    Reader reader(part);
    return reader.read(error);
}

} // namespace docx
