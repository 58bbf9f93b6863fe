// Documents written by our RTF writer, opened by LibreOffice: the text it sees
// must be the text we meant. And LibreOffice's own RTF of the same documents,
// read by our reader, must show that text too. Besides documents made here,
// documents of other code pages read from tests/data/rtf are written again,
// and so are the two classification documents (导出知识点, 导出题型) and a
// composed paper.
#include "classify/ClassificationExport.h"
#include "common/FormulaSample.h"
#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"
#include "metafilegen/Samples.h"
#include "RichTextSamples.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

using Builder = std::function<void(QTextCursor&)>;

struct Sample
{
    QString name;
    Builder build;
};

// A document of tests/data/rtf as our reader reads it.
Builder readFile(const QString& name)
{
    return [name](QTextCursor& c) {
        QFile f(QString::fromUtf8(TIKU_RTF_TEST_DATA) + u"/rtf/"_s + name);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        RtfReader::read(f.readAll(), c.document());
    };
}

QList<Sample> samplesToWrite()
{
    return {
        {u"czech-ce"_s, readFile(u"czech_ce.rtf"_s)},
        {u"greek"_s, readFile(u"greek_fonts.rtf"_s)},
        {u"japanese-mac"_s, readFile(u"mac_japanese.rtf"_s)},
        {u"chinese"_s, readFile(u"cp936.rtf"_s)},
        {u"formats"_s,
         [](QTextCursor& c) {
             QTextBlockFormat centred;
             centred.setAlignment(Qt::AlignHCenter);
             c.setBlockFormat(centred);
             QTextCharFormat title;
             title.setFontWeight(QFont::Bold);
             title.setFontPointSize(16);
             c.insertText(u"初一数学期中试卷"_s, title);
             c.insertBlock(QTextBlockFormat(), QTextCharFormat());
             c.insertText(u"1. 计算："_s);
             QTextCharFormat italic;
             italic.setFontItalic(true);
             c.insertText(u"x"_s, italic);
             QTextCharFormat sup;
             sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
             c.insertText(u"2"_s, sup);
             c.insertText(u" + 2x + 1 = 0，求 x 的值。"_s, QTextCharFormat());
             c.insertBlock();
             QTextCharFormat red;
             red.setForeground(QColor(200, 0, 0));
             red.setFontUnderline(true);
             c.insertText(u"注意：单位为厘米。"_s, red);
         }},
        {u"table"_s,
         [](QTextCursor& c) {
             c.insertText(u"下表是某班的成绩："_s);
             QTextTable* table = c.insertTable(2, 3);
             const QStringList cells{u"姓名"_s, u"语文"_s, u"数学"_s, u"张三"_s, u"90"_s, u"95½"_s};
             for (int i = 0; i < cells.size(); ++i)
                 table->cellAt(i / 3, i % 3).firstCursorPosition().insertText(cells.at(i));
             c.movePosition(QTextCursor::End);
             c.insertText(u"表后的段落。"_s);
         }},
        {u"picture"_s,
         [](QTextCursor& c) {
             c.insertText(u"如图所示，"_s);
             samples::insertPicture(c, samples::picture(40, 30), u"figure.png"_s);
             c.insertText(u"求阴影部分的面积。"_s);
             c.insertBlock();
             c.insertText(u"（图略）"_s);
         }},
        // The outline's indents, full-width brackets and empty lines must
        // reach a word processor as they are.
        {u"knowledge-points"_s,
         [](QTextCursor& c) {
             writeKnowledgePointDocument({{u"实践与综合"_s, u"有理数"_s, u"数轴上的游戏"_s},
                                          {u"数与代数"_s, u"有理数"_s, u"绝对值"_s},
                                          {u"数与代数"_s, u"有理数"_s, u"有理数的加法与减法"_s},
                                          {u"数与代数"_s, u"整式"_s, u"整式的加减"_s},
                                          {u"统计与概率"_s, QString(), QString()},
                                          {u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s}},
                                         c.document());
         }},
        {u"question-types"_s,
         [](QTextCursor& c) {
             writeQuestionTypeDocument({u"选择题"_s, u"填空题"_s, u"选择题"_s, u"Tom's 探究题"_s},
                                       c.document());
         }},
        // A paper as the composer builds it: the set's header, then each
        // question's label and body (RTF from the bank, one with a figure).
        {u"paper"_s,
         [](QTextCursor& c) {
             QTextDocument first;
             QTextCursor b(&first);
             b.insertText(u"如图，已知 x"_s);
             QTextCharFormat sup;
             sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
             b.insertText(u"2"_s, sup);
             b.insertText(u" = 4，"_s, QTextCharFormat());
             samples::insertPicture(b, samples::picture(40, 30), u"figure.png"_s);
             b.insertBlock();
             b.insertText(u"求 x 的值。"_s);
             QTextDocument second;
             QTextCharFormat bold;
             bold.setFontWeight(QFont::Bold);
             QTextCursor(&second).insertText(u"计算：(-3) × 4 ÷ ½"_s, bold);
             appendSetHeader(c, paperSetHeader(1));
             appendItem(c, paperItemLabel(1), RtfWriter::write(first));
             appendItem(c, paperItemLabel(2), RtfWriter::write(second));
         }},
        {u"outside-gbk"_s,
         [](QTextCursor& c) {
             c.insertText(u"Café résumé ñ"_s);
             c.insertBlock();
             c.insertText(u"表情 💩 与韩文 한글"_s);
             c.insertBlock();
             c.insertText(u"符号 √ ∠ △ ≌ ∵ ∴ π"_s);
         }},
    };
}

// LibreOffice reads a run of two or more blanks in RTF as blanks each led by
// a six-per-em space (U+2006), which widens the run as Word draws it; the
// blanks themselves are all there. The indents of the classification outline
// are such runs.
QString withoutWordSpacing(QString text)
{
    return text.replace(u"\u2006 "_s, u" "_s);
}

// Lines as LibreOffice's text export gives them: a table cell per line.
QStringList normalizedLines(QString text)
{
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\t', u'\n');
    QStringList lines = text.split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString findSoffice()
{
    QString found = QStandardPaths::findExecutable(u"soffice"_s);
    if (found.isEmpty()) {
        found =
            QStandardPaths::findExecutable(u"soffice"_s, {u"C:/Program Files/LibreOffice/program"_s,
                                                          u"/Applications/LibreOffice.app/Contents/MacOS"_s});
    }
    return found;
}

} // namespace

class InteropTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void libreOfficeReadsOurRtf_data();
    void libreOfficeReadsOurRtf();
    void weReadLibreOfficeRtf_data();
    void weReadLibreOfficeRtf();
    void formulaSurvivesLibreOffice();
    void paperOpensOnItsSheet();
    void equationObjectShowsInLibreOffice();

private:
    // Converts every file in `files` with one LibreOffice run into `outDir`.
    void convert(const QStringList& files, const QString& filter, const QString& outDir);
    static void addRows();

    static inline const QString kFormulaSource = u"\\frac{1}{2}x^2+\\sqrt{3}，\\angle A=30^\\circ"_s;
    QTemporaryDir dir_;
    QString soffice_;
    QTextImageFormat formulaImage_;
    QImage formulaPixels_;
    std::map<QString, QStringList> expected_; // sample name -> our visible lines
};

void InteropTest::initTestCase()
{
    soffice_ = findSoffice();
    if (soffice_.isEmpty())
        QFAIL("LibreOffice (soffice) is not installed; the interoperability test needs it");
    QVERIFY(dir_.isValid());

    QStringList files;
    for (const Sample& s : samplesToWrite()) {
        QTextDocument doc;
        QTextCursor c(&doc);
        s.build(c);
        expected_[s.name] = normalizedLines(rtf::visibleText(doc));
        const QString file = dir_.filePath(s.name + u".rtf"_s);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray rtf = RtfWriter::write(doc);
        QCOMPARE(f.write(rtf), rtf.size());
        files << file;
    }
    convert(files, u"txt:Text (encoded):UTF8"_s, dir_.filePath(u"txt"_s));

    // A question with a formula, only re-saved as RTF: LibreOffice's text shows
    // no formula.
    QTextDocument formula;
    QTextCursor c(&formula);
    c.insertText(u"化简 "_s);
    formulasample::insert(c, kFormulaSource, {54, 21}, 4.5);
    c.insertText(u" 的结果是____。"_s);
    formulaImage_ = formulasample::formulas(formula).value(0);
    formulaPixels_ =
        formula.resource(QTextDocument::ImageResource, QUrl(formulaImage_.name())).value<QImage>();
    QFile f(dir_.filePath(u"formula.rtf"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(RtfWriter::write(formula));
    f.close();
    convert(files << f.fileName(), u"rtf:Rich Text Format"_s, dir_.filePath(u"lo-rtf"_s));
}

void InteropTest::convert(const QStringList& files, const QString& filter, const QString& outDir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString profile = QUrl::fromLocalFile(dir_.filePath(u"profile"_s)).toString();
    p.start(soffice_, QStringList{u"-env:UserInstallation="_s + profile, u"--headless"_s, u"--convert-to"_s,
                                  filter, u"--outdir"_s, outDir} +
                          files);
    QVERIFY2(p.waitForFinished(300000), "LibreOffice did not finish within five minutes");
    const QByteArray log = p.readAll();
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, log.constData());
}

void InteropTest::addRows()
{
    QTest::addColumn<QString>("name");
    for (const Sample& s : samplesToWrite())
        QTest::newRow(qPrintable(s.name)) << s.name;
}

void InteropTest::libreOfficeReadsOurRtf_data()
{
    addRows();
}

void InteropTest::libreOfficeReadsOurRtf()
{
    QFETCH(QString, name);
    QFile f(dir_.filePath(u"txt/"_s + name + u".txt"_s));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const QStringList seen = normalizedLines(withoutWordSpacing(QString::fromUtf8(f.readAll())));
    QVERIFY(!expected_.at(name).isEmpty());
    QCOMPARE(seen, expected_.at(name));
}

void InteropTest::weReadLibreOfficeRtf_data()
{
    addRows();
}

void InteropTest::weReadLibreOfficeRtf()
{
    QFETCH(QString, name);
    QFile f(dir_.filePath(u"lo-rtf/"_s + name + u".rtf"_s));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    QTextDocument doc;
    RtfReader::read(f.readAll(), &doc);
    QCOMPARE(normalizedLines(withoutWordSpacing(rtf::visibleText(doc))), expected_.at(name));
}

// LibreOffice drops our source group (and \dn), but keeps the PNG's bytes as
// they were: the source and the depth come back from the PNG's chunks, and the
// picture keeps its pixels and (LibreOffice rounds its scale to a percent)
// about its size.
void InteropTest::formulaSurvivesLibreOffice()
{
    QFile f(dir_.filePath(u"lo-rtf/formula.rtf"_s));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    QTextDocument doc;
    RtfReader::read(f.readAll(), &doc);
    QCOMPARE(rtf::visibleText(doc), u"化简 $"_s + kFormulaSource + u"$ 的结果是____。"_s);
    const QList<QTextImageFormat> formulas = formulasample::formulas(doc);
    QCOMPARE(formulas.size(), 1);
    const QTextImageFormat& back = formulas.first();
    QCOMPARE(back.property(rtf::FormulaSource).toString(), kFormulaSource);
    QCOMPARE(back.property(rtf::FormulaDepth).toReal(), 4.5);
    QVERIFY2(qAbs(back.width() - formulaImage_.width()) < 1, qPrintable(QString::number(back.width())));
    QVERIFY2(qAbs(back.height() - formulaImage_.height()) < 1, qPrintable(QString::number(back.height())));
    const QImage pixels = doc.resource(QTextDocument::ImageResource, QUrl(back.name())).value<QImage>();
    QCOMPARE(pixels.convertToFormat(QImage::Format_ARGB32), formulaPixels_);
}

// A MathType equation read from Word's RTF and written by us: LibreOffice
// reads it as an object and shows its picture, the formula's metafile. The
// page holds nothing else, so its ink is the formula: 200 pixels wide at
// 96 dpi as the picture is, with the fraction bar across it.
void InteropTest::equationObjectShowsInLibreOffice()
{
    const QByteArray word = "{\\rtf1\\ansi{\\object\\objemb\\objw3000\\objh1350{\\*\\objclass Equation.DSMT4}"
                            "{\\*\\objdata " +
                            metafilegen::quadraticEquationObject().toHex() +
                            "}{\\result{\\pict\\wmetafile8\\picw3528\\pich1588\\picwgoal3000\\pichgoal1350 " +
                            metafilegen::formulaWmf().toHex() + "}}}\\par}";
    QTextDocument doc;
    RtfReader::read(word, &doc);
    const QByteArray ours = RtfWriter::write(doc);
    QVERIFY(
        ours.contains("{\\object\\objemb\\objw3000\\objh1350{\\*\\objclass Equation.DSMT4}{\\*\\objdata"));
    QFile f(dir_.filePath(u"equation.rtf"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ours);
    f.close();
    // Its PDF, as pixels: LibreOffice's Writer has no picture export of its own here.
    convert({f.fileName()}, u"pdf"_s, dir_.filePath(u"pdf"_s));
    QProcess toPng;
    toPng.start(u"pdftoppm"_s, {u"-png"_s, u"-r"_s, u"96"_s, u"-singlefile"_s,
                                dir_.filePath(u"pdf/equation.pdf"_s), dir_.filePath(u"equation-page"_s)});
    QVERIFY(toPng.waitForFinished(60000) && toPng.exitCode() == 0);
    const QImage page = QImage(dir_.filePath(u"equation-page.png"_s)).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!page.isNull());
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    QVERIFY2(ink.isValid(), "LibreOffice shows nothing of the equation");
    // 3000 x 1350 twips on the page: the formula's ink is about as wide and
    // somewhat flatter (the picture has margins above and below).
    const double ratio = double(ink.width()) / ink.height();
    QVERIFY2(ratio > 1.6 && ratio < 4 && ink.width() > 120 && ink.width() < 240,
             qPrintable(u"%1 x %2"_s.arg(ink.width()).arg(ink.height())));
    // The fraction bar: a dark row across most of the ink's width.
    int longest = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        int run = 0;
        for (int x = ink.left(); x <= ink.right(); ++x) {
            run = qGray(page.pixel(x, y)) < 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    QVERIFY2(longest > ink.width() / 2, qPrintable(u"%1 of %2"_s.arg(longest).arg(ink.width())));
}

// A paper saved as RTF states its sheet: LibreOffice lays it out on that
// size, turned as the layout turns it, in as many columns.
void InteropTest::paperOpensOnItsSheet()
{
    const QList<std::tuple<QString, PaperFormat, QSize>> sheets{{u"A4"_s, PaperFormat::A4, QSize(210, 297)},
                                                                {u"A3"_s, PaperFormat::A3, QSize(420, 297)},
                                                                {u"8K"_s, PaperFormat::K8, QSize(370, 260)}};
    QTextDocument paper;
    QTextCursor c(&paper);
    appendSetHeader(c, paperSetHeader(1));
    for (int i = 1; i <= 3; ++i)
        appendItem(c, paperItemLabel(i), "{\\rtf1\\ansi\\ansicpg936 question\\par}");
    QStringList files;
    for (const auto& [name, format, mm] : sheets) {
        const QString file = dir_.filePath(u"sheet-"_s + name + u".rtf"_s);
        QString error;
        QVERIFY2(saveDocumentAsRtf(paper, file, &error, paperRtfPage(format)), qPrintable(error));
        files << file;
    }
    convert(files, u"pdf"_s, dir_.filePath(u"sheets"_s));
    for (const auto& [name, format, mm] : sheets) {
        QProcess info;
        info.start(u"pdfinfo"_s, {dir_.filePath(u"sheets/sheet-"_s + name + u".pdf"_s)});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+) pts"_s).match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        const QSize seen(qRound(m.captured(1).toDouble() * 25.4 / 72),
                         qRound(m.captured(2).toDouble() * 25.4 / 72));
        QCOMPARE(seen, mm);
    }
}

QTEST_MAIN(InteropTest)
#include "InteropTest.moc"
