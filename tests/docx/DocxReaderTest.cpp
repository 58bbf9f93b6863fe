// The DOCX reader: Word's and WPS's papers as our generator writes them,
// OMML of every kind as LaTeX that the formula engine typesets, the labels
// of numbered lists, formats, pictures in order, equation objects, and the
// files that are no Word document, encrypted, damaged or a zip bomb.
#include "docx/DocxReader.h"
#include "docx/DocxNumbering.h"
#include "docx/OmmlToLatex.h"
#include "docx/XmlElement.h"
#include "docxgen/DocxPackage.h"
#include "docxgen/PaperSamples.h"
#include "formula/FormulaEngine.h"
#include "metafilegen/OleWriter.h"

#include <QTemporaryDir>
#include <QtTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;
using namespace docx;

namespace {

Document read(const QByteArray& bytes)
{
    QString error;
    std::optional<Document> doc = DocxReader::readBytes(bytes, u"试卷.docx"_s, &error);
    if (!doc)
        qFatal("not read: %s", qPrintable(error));
    return std::move(*doc);
}

QString failure(const QByteArray& bytes, const ArchiveLimits& limits = ArchiveLimits())
{
    QString error;
    const std::optional<Document> doc = DocxReader::readBytes(bytes, u"试卷.docx"_s, &error, limits);
    return doc ? QString() : error;
}

// Every paragraph of the body and of its tables, in document order.
void paragraphs(const std::vector<Block>& blocks, std::vector<const Paragraph*>& out)
{
    for (const Block& b : blocks) {
        if (!b.isTable) {
            out.push_back(&b.paragraph);
            continue;
        }
        for (const Row& r : b.table.rows) {
            for (const Cell& c : r.cells)
                paragraphs(c.blocks, out);
        }
    }
}

std::vector<const Inline*> inlinesOf(const Document& doc, Inline::Kind kind)
{
    std::vector<const Paragraph*> ps;
    paragraphs(doc.body, ps);
    std::vector<const Inline*> out;
    for (const Paragraph* p : ps) {
        for (const Inline& in : p->inlines) {
            if (in.kind == kind)
                out.push_back(&in);
        }
    }
    return out;
}

OmmlResult convert(const QString& inner)
{
    const QString xml = u"<m:oMath xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\" "
                        u"xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"_s +
                        inner + u"</m:oMath>"_s;
    QXmlStreamReader r(xml);
    while (!r.atEnd() && r.readNext() != QXmlStreamReader::StartElement) {
    }
    return ommlToLatex(readElement(r));
}

QByteArray withPart(const QString& name, const QByteArray& bytes, const QByteArray& docx)
{
    // The sample paper with one part put in place of its own.
    QList<std::pair<QString, QByteArray>> parts;
    QString error;
    std::unique_ptr<ZipArchive> zip = ZipArchive::open(docx, &error);
    for (const QString& entry : zip->entryNames())
        parts.append({entry, entry == name ? bytes : zip->read(entry, &error).value_or(QByteArray())});
    return docxgen::zip(parts);
}

} // namespace

class DocxReaderTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FormulaEngine> engine;

private slots:
    void initTestCase()
    {
        engine = std::make_unique<FormulaEngine>(QStringLiteral(TIKU_FORMULA_SCRIPT));
        QString error;
        QVERIFY2(engine->load(&error), qPrintable(error));
    }

    // Every construct of Word's equation editor becomes the LaTeX it stands
    // for, and that LaTeX typesets in the program's engine.
    void ommlKinds_data()
    {
        QTest::addColumn<QString>("omml");
        QTest::addColumn<QString>("latex");
        for (const docxgen::OmmlSample& s : docxgen::ommlSamples())
            QTest::newRow(qPrintable(s.name)) << s.omml << s.latex;
    }
    void ommlKinds()
    {
        QFETCH(QString, omml);
        QFETCH(QString, latex);
        const OmmlResult r = convert(omml);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QCOMPARE(r.latex, latex);
        const FormulaEngine::Result typeset = engine->typeset(r.latex);
        QVERIFY2(typeset.ok(), qPrintable(r.latex + u": "_s + typeset.error));
    }

    // What the converter does not know is named, and what it holds is kept.
    void ommlUnknownConstructKeepsItsContent()
    {
        const OmmlResult r = convert(u"<m:r><m:t>a+</m:t></m:r><m:newThing><m:e><m:r><m:t>b</m:t></m:r></m:e>"
                                     u"</m:newThing>"_s);
        QCOMPARE(r.problem, u"公式结构 m:newThing"_s);
        QCOMPARE(r.latex, u"a+b"_s);
        QVERIFY(!r.ok());
        // Deeply nested fractions (a hostile file) end, and say so.
        QString deep = u"<m:r><m:t>1</m:t></m:r>"_s;
        for (int i = 0; i < 200; ++i)
            deep = u"<m:f><m:num>"_s + deep + u"</m:num><m:den><m:r><m:t>2</m:t></m:r></m:den></m:f>"_s;
        const OmmlResult nested = convert(deep);
        QVERIFY(nested.latex.startsWith(u"\\frac{\\frac{"_s));
    }

    // Word's list labels: 1. … 7. at the first level, （1）（2） under 6,
    // counting on across sections; WPS's 一、二、三、 (chineseCounting) and ⑴ ⑵.
    void listLabelsAsTheTeacherSawThem()
    {
        const Document word = read(docxgen::wordPaper());
        QStringList labels;
        std::vector<const Paragraph*> ps;
        paragraphs(word.body, ps);
        for (const Paragraph* p : ps) {
            if (!p->label.isEmpty())
                labels << p->label;
        }
        QCOMPARE(labels, QStringList({u"1."_s, u"2."_s, u"3."_s, u"4."_s, u"5."_s, u"6."_s, u"（1）"_s,
                                      u"（2）"_s, u"7."_s}));
        const Document wps = read(docxgen::wpsPaper());
        labels.clear();
        ps.clear();
        paragraphs(wps.body, ps);
        for (const Paragraph* p : ps) {
            if (!p->label.isEmpty())
                labels << p->label;
        }
        QCOMPARE(labels, QStringList({u"一、"_s, u"二、"_s, u"三、"_s, u"⑴"_s, u"⑵"_s}));
    }

    void numberFormats()
    {
        QCOMPARE(formatListNumber(1, u"chineseCounting"_s), u"一"_s);
        QCOMPARE(formatListNumber(10, u"chineseCounting"_s), u"十"_s);
        QCOMPARE(formatListNumber(11, u"chineseCounting"_s), u"十一"_s);
        QCOMPARE(formatListNumber(20, u"chineseCountingThousand"_s), u"二十"_s);
        QCOMPARE(formatListNumber(21, u"chineseCounting"_s), u"二十一"_s);
        QCOMPARE(formatListNumber(105, u"chineseCounting"_s), u"一百零五"_s);
        QCOMPARE(formatListNumber(110, u"chineseCounting"_s), u"一百一十"_s);
        QCOMPARE(formatListNumber(3, u"chineseLegalSimplified"_s), u"叁"_s);
        QCOMPARE(formatListNumber(2, u"ideographTraditional"_s), u"乙"_s);
        QCOMPARE(formatListNumber(3, u"decimalEnclosedCircle"_s), u"③"_s);
        QCOMPARE(formatListNumber(3, u"decimalEnclosedParen"_s), u"⑶"_s);
        QCOMPARE(formatListNumber(25, u"decimalEnclosedParen"_s), u"(25)"_s);
        QCOMPARE(formatListNumber(4, u"decimalEnclosedFullstop"_s), u"⒋"_s);
        QCOMPARE(formatListNumber(12, u"decimalFullWidth"_s), u"１２"_s);
        QCOMPARE(formatListNumber(28, u"upperLetter"_s), u"BB"_s);
        QCOMPARE(formatListNumber(14, u"lowerRoman"_s), u"xiv"_s);
        QCOMPARE(formatListNumber(7, u"someFormatWordAddsLater"_s), u"7"_s);
    }

    // Word counts the lists of one definition together; a list that
    // overrides its start begins afresh; a level with lvlRestart 0 counts on
    // under a new item of the level above.
    void listCounting()
    {
        DocxNumbering n;
        n.read("<w:numbering xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'>"
               "<w:abstractNum w:abstractNumId='3'><w:lvl w:ilvl='0'><w:start w:val='1'/><w:numFmt "
               "w:val='upperLetter'/><w:lvlText w:val='%1.'/></w:lvl>"
               "<w:lvl w:ilvl='1'><w:start w:val='1'/><w:numFmt w:val='decimal'/><w:lvlText "
               "w:val='%1.%2'/></w:lvl>"
               "<w:lvl w:ilvl='2'><w:start w:val='1'/><w:lvlRestart w:val='0'/><w:numFmt "
               "w:val='lowerLetter'/><w:lvlText w:val='%3]'/></w:lvl></w:abstractNum>"
               "<w:num w:numId='5'><w:abstractNumId w:val='3'/></w:num>"
               "<w:num w:numId='6'><w:abstractNumId w:val='3'/></w:num>"
               "<w:num w:numId='7'><w:abstractNumId w:val='3'/><w:lvlOverride w:ilvl='0'><w:startOverride "
               "w:val='4'/></w:lvlOverride></w:num>"
               "</w:numbering>");
        QCOMPARE(n.nextLabel(5, 0), u"A."_s);
        QCOMPARE(n.nextLabel(5, 1), u"A.1"_s);
        QCOMPARE(n.nextLabel(5, 2), u"a]"_s);
        QCOMPARE(n.nextLabel(6, 0), u"B."_s); // the same definition: counts on
        QCOMPARE(n.nextLabel(6, 1), u"B.1"_s);
        QCOMPARE(n.nextLabel(6, 2), u"b]"_s); // never restarts
        QCOMPARE(n.nextLabel(7, 0), u"D."_s); // starts over at 4
        QCOMPARE(n.nextLabel(7, 0), u"E."_s);
        QCOMPARE(n.nextLabel(0, 0), QString());
        QCOMPARE(n.nextLabel(99, 0), QString());
    }

    // Runs keep their formats: a superscript, the emphasis mark (着重号), a
    // colour; the theme's Chinese font (等线) and the default size (五号).
    void formats()
    {
        const Document doc = read(docxgen::wordPaper());
        const auto texts = inlinesOf(doc, Inline::Kind::Text);
        auto formatOf = [&](const QString& text) -> const RunFormat* {
            for (const Inline* in : texts) {
                if (in->text == text)
                    return &doc.formats[std::size_t(in->format)];
            }
            return nullptr;
        };
        const RunFormat* square = formatOf(u"2"_s);
        QVERIFY(square);
        QCOMPARE(square->vertical, VerticalAlign::Super);
        const RunFormat* stressed = formatOf(u"不"_s);
        QVERIFY(stressed);
        QCOMPARE(stressed->emphasis, Emphasis::Dot);
        const RunFormat* red = formatOf(u"a≠0"_s);
        QVERIFY(red);
        QCOMPARE(red->color, QColor(0xFF, 0, 0));
        const RunFormat* heading = formatOf(u"一、选择题（每小题3分，共9分）"_s);
        QVERIFY(heading);
        QVERIFY(heading->bold);
        QCOMPARE(heading->eastAsiaFont, u"等线"_s);
        QCOMPARE(heading->latinFont, u"Calibri"_s);
        QCOMPARE(doc.defaultPointSize, 10.5);
    }

    // Pictures in document order with their display size: PNG inline, the
    // JPEG in a sub-question, the WMF figure anchored beside question 7, an
    // EMF; the MathType object becomes a formula (its WMF kept for it); the
    // shape drawn in Word is reported.
    void picturesAndEquationObjects()
    {
        const Document doc = read(docxgen::wordPaper());
        const auto pictures = inlinesOf(doc, Inline::Kind::Picture);
        QCOMPARE(int(pictures.size()), 4);
        QCOMPARE(doc.pictureCount, 4);
        QList<PictureType> types;
        for (const Inline* in : pictures)
            types << doc.pictures[std::size_t(in->picture)].type;
        QCOMPARE(types, QList<PictureType>(
                            {PictureType::Png, PictureType::Jpeg, PictureType::Wmf, PictureType::Emf}));
        QCOMPARE(pictures[0]->size, QSizeF(90, 60));
        QVERIFY(!pictures[0]->anchored);
        QVERIFY(pictures[2]->anchored);
        QCOMPARE(pictures[2]->size, QSizeF(120, 90));

        const auto formulas = inlinesOf(doc, Inline::Kind::Formula);
        QCOMPARE(doc.formulaCount, 8);
        QCOMPARE(int(formulas.size()), 8);
        QCOMPARE(doc.unconvertedFormulas, 0);
        const Inline* mathType = nullptr;
        for (const Inline* in : formulas) {
            if (in->picture >= 0)
                mathType = in;
        }
        QVERIFY(mathType);
        QCOMPARE(mathType->latex, u"x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}"_s);
        QCOMPARE(doc.pictures[std::size_t(mathType->picture)].type, PictureType::Wmf);
        QCOMPARE(mathType->size, QSizeF(100, 45));
        const auto display =
            std::find_if(formulas.begin(), formulas.end(), [](const Inline* in) { return in->displayMath; });
        QVERIFY(display != formulas.end());
        QCOMPARE((*display)->latex, u"\\left\\{ \\begin{array}{l}x+y=3\\\\x-y=1\\end{array}\\right."_s);

        const auto missing = inlinesOf(doc, Inline::Kind::Missing);
        QCOMPARE(int(missing.size()), 1);
        QCOMPARE(missing.front()->problem, u"Word 绘制的图形"_s);
        QVERIFY(doc.warnings.join(u'\n').contains(u"1 处用 Word 绘制的图形"_s));
    }

    // WPS: its own equation editor's objects (Equation.KSEE3) hold MTEF as
    // Equation Editor 3.0 does; VML pictures (GIF, BMP) with their sizes.
    void wpsObjectsAndVmlPictures()
    {
        const Document doc = read(docxgen::wpsPaper());
        const auto formulas = inlinesOf(doc, Inline::Kind::Formula);
        QStringList latex;
        for (const Inline* in : formulas)
            latex << in->latex;
        QCOMPARE(latex, QStringList({u"\\sqrt{x-1}"_s, u"x=\\frac{-b\\pm\\sqrt{b^{2}-4ac}}{2a}"_s,
                                     u"2^{3}-\\sqrt{16}"_s}));
        const auto pictures = inlinesOf(doc, Inline::Kind::Picture);
        QCOMPARE(int(pictures.size()), 2);
        QCOMPARE(doc.pictures[std::size_t(pictures[0]->picture)].type, PictureType::Gif);
        QCOMPARE(pictures[0]->size, QSizeF(60, 40));
        QCOMPARE(doc.pictures[std::size_t(pictures[1]->picture)].type, PictureType::Bmp);
    }

    // Files that are no Word document get a message naming the file and
    // saying what to do; nothing is read from them.
    void filesThatAreNoDocx()
    {
        QVERIFY(failure("just some text").contains(u"不是 Word 文档"_s));
        QVERIFY(failure("{\\rtf1\\ansi hello}").contains(u"RTF"_s));
        const QByteArray doc97 = metafilegen::compoundFile(
            {{u"WordDocument"_s, QByteArray(600, 'x')}, {u"1Table"_s, QByteArray(100, 'y')}});
        const QString word97 = failure(doc97);
        QVERIFY2(word97.contains(u"Word 97-2003"_s) && word97.contains(u"另存为"_s), qPrintable(word97));
        const QByteArray encrypted =
            metafilegen::compoundFile({{u"EncryptionInfo"_s, QByteArray(200, '\x04')},
                                       {u"EncryptedPackage"_s, QByteArray(5000, '\x17')}});
        const QString locked = failure(encrypted);
        QVERIFY2(locked.contains(u"打开密码"_s), qPrintable(locked));
        QVERIFY(locked.contains(u"试卷.docx"_s));
        // A zip that is an Excel workbook.
        const QByteArray xlsx =
            docxgen::zip({{u"[Content_Types].xml"_s, "<Types/>"}, {u"xl/workbook.xml"_s, "<workbook/>"}});
        QVERIFY(failure(xlsx).contains(u"Excel"_s));
        // A zip without a document.
        QVERIFY(failure(docxgen::zip({{u"readme.txt"_s, "hello"}})).contains(u"word/document.xml"_s));
        // A file that does not exist.
        QString error;
        QVERIFY(!DocxReader::readFile(u"/nonexistent/试卷.docx"_s, &error));
        QVERIFY(error.contains(u"无法打开文件"_s));
    }

    // A damaged file: cut short, a byte changed inside the document's
    // compressed data, the document's XML broken or with a DTD.
    void damagedFiles()
    {
        const QByteArray good = docxgen::wordPaper();
        const QString cut = failure(good.left(good.size() / 2));
        QVERIFY2(cut.contains(u"已损坏"_s), qPrintable(cut));

        QByteArray flipped = good;
        const qsizetype at = flipped.indexOf("word/document.xml") + 200;
        flipped[at] = char(flipped[at] ^ 0x55);
        QVERIFY2(!failure(flipped).isEmpty(), "a changed byte must not pass unnoticed");

        const QByteArray broken = withPart(u"word/document.xml"_s,
                                           "<w:document "
                                           "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/"
                                           "2006/main\"><w:body><w:p><w:r><w:t>1. 题目</w:t></w:r>",
                                           good);
        const QString xml = failure(broken);
        QVERIFY2(xml.contains(u"正文"_s) && xml.contains(u"已损坏"_s), qPrintable(xml));

        const QByteArray dtd = withPart(
            u"word/document.xml"_s,
            "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
            "<w:document "
            "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
            "main\"><w:body><w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>",
            good);
        QVERIFY(failure(dtd).contains(u"DTD"_s));
    }

    // A part that unpacks beyond the limit stops the reading with a message,
    // whatever its entry in the zip's directory claims.
    void zipBomb()
    {
        QByteArray huge = "<w:document "
                          "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
                          "main\"><w:body><w:p><w:r><w:t>";
        huge += QByteArray(3 * 1024 * 1024, 'a');
        huge += "</w:t></w:r></w:p></w:body></w:document>";
        const QByteArray bomb = docxgen::zip({{u"word/document.xml"_s, huge}});
        QVERIFY(bomb.size() < 64 * 1024); // it packs small
        ArchiveLimits limits;
        limits.maxEntryBytes = 1024 * 1024;
        const QString message = failure(bomb, limits);
        QVERIFY2(message.contains(u"超过 1 MB"_s) && message.contains(u"word/document.xml"_s),
                 qPrintable(message));
        limits.maxEntryBytes = 8 * 1024 * 1024;
        limits.maxTotalBytes = 2 * 1024 * 1024;
        QVERIFY(failure(bomb, limits).contains(u"超过 2 MB"_s));
        limits.maxTotalBytes = 64 * 1024 * 1024;
        QVERIFY(failure(bomb, limits).isEmpty());
        // Too many entries.
        QList<std::pair<QString, QByteArray>> many;
        for (int i = 0; i < 30; ++i)
            many.append({u"f%1"_s.arg(i), "x"});
        limits.maxEntries = 20;
        QVERIFY(failure(docxgen::zip(many), limits).contains(u"上限"_s));
    }

    // The reader takes a real file from the disk.
    void readsAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"期末试卷.docx"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(docxgen::wpsPaper());
        f.close();
        QString error;
        const std::optional<Document> doc = DocxReader::readFile(path, &error);
        QVERIFY2(doc, qPrintable(error));
        QVERIFY(plainText(doc->body).contains(u"下列运算正确的是"_s));
    }
};

QTEST_MAIN(DocxReaderTest)
#include "DocxReaderTest.moc"
