#include "DocumentDump.h"

#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QByteArray body(const QByteArray& rtf)
{
    const qsizetype at = rtf.indexOf("\\viewkind4\n");
    return at < 0 ? rtf : rtf.mid(at + 11);
}

QTextCharFormat fmt(const QString& family, double size)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    return f;
}

// A document that uses every format the writer keeps, built through the API
// the rich-text box uses.
void buildRichDocument(QTextDocument& doc)
{
    QTextCursor c(&doc);
    QTextCharFormat f = fmt(u"宋体"_s, 10.5);
    c.insertText(u"plain 中文 "_s, f);
    QTextCharFormat b = f;
    b.setFontWeight(QFont::Bold);
    c.insertText(u"bold"_s, b);
    QTextCharFormat i = fmt(u"Times New Roman"_s, 12);
    i.setFontItalic(true);
    i.setFontUnderline(true);
    i.setForeground(QColor(255, 0, 0));
    c.insertText(u" italic"_s, i);
    QTextCharFormat s = fmt(u"黑体"_s, 16);
    s.setFontStrikeOut(true);
    s.setBackground(QColor(255, 255, 0));
    c.insertText(u" struck"_s, s);
    QTextCharFormat sup = f;
    sup.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText(u"2"_s, sup);
    QTextCharFormat sub = f;
    sub.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    c.insertText(u"n"_s, sub);
    QTextCharFormat link = f;
    link.setAnchor(true);
    link.setAnchorHref(u"http://example.com/"_s);
    c.insertText(u" link"_s, link);

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setTopMargin(8);
    centred.setBottomMargin(4);
    c.insertBlock(centred, f);
    c.insertText(u"centred\u2028second line\tafter tab"_s, f);
    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignJustify);
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-24);
    indented.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    c.insertBlock(indented, f);
    c.insertText(u"indented 㐀 💩 € é {braces} back\\slash"_s, f);
    c.insertBlock(QTextBlockFormat(), fmt(u"宋体"_s, 20)); // an empty paragraph with a tall mark

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right, f);
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 100),
                                  QTextLength(QTextLength::FixedLength, 60),
                                  QTextLength(QTextLength::FixedLength, 80)});
    QTextTable* t = c.insertTable(3, 3, tf);
    t->mergeCells(0, 0, 1, 2);
    t->mergeCells(1, 2, 2, 1);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) {
            const QTextTableCell cell = t->cellAt(r, col);
            if (cell.row() == r && cell.column() == col)
                cell.firstCursorPosition().insertText(u"r%1c%2"_s.arg(r).arg(col), f);
        }
    QTextCursor inner = t->cellAt(2, 0).lastCursorPosition();
    inner.insertBlock(QTextBlockFormat(), f);
    QTextTable* nested = inner.insertTable(1, 2);
    nested->cellAt(0, 0).firstCursorPosition().insertText(u"n1"_s, f);
    nested->cellAt(0, 1).firstCursorPosition().insertText(u"n2"_s, f);
    c.movePosition(QTextCursor::End);
    c.insertText(u"end"_s, f);
}

} // namespace

class RtfWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void headerFontTableAndDefaultFont();
    void gbkEscapesAndUnicodeFallback();
    void controlCharactersAndSpecials();
    void sameDocumentSameBytes();
    void fontsAndColoursInFirstUseOrder();
    void richDocumentRoundTrip();
    void goldenFilesRoundTrip_data();
    void goldenFilesRoundTrip();
    void fuzzFindingsRoundTrip_data();
    void fuzzFindingsRoundTrip();
    void fontNamesAsTheyReadBack();
    void charsetNamesAndNonCjkText();
    void picturesKeepTheirBytes();
    void resizedPictureGetsNewGoalSize();
    void resourcePictureWrittenAsPng();
    void fragmentAndSelection();
    void emptyDocument();
};

void RtfWriterTest::headerFontTableAndDefaultFont()
{
    QTextDocument doc;
    doc.setPlainText(u"abc"_s);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(rtf.contains("\\deff0"));
    QVERIFY(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"));
    QVERIFY(rtf.contains("\\uc1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QCOMPARE(rtf.count('{'), rtf.count('}'));
}

void RtfWriterTest::gbkEscapesAndUnicodeFallback()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(u"中a㐀💩€é"_s, fmt(u"宋体"_s, 12));
    const QByteArray b = body(RtfWriter::write(doc));
    // é has a GBK code too, but only CJK text goes as GBK bytes.
    QCOMPARE(b, QByteArray("\\pard\\plain {\\f0\\fs24 "
                           "\\'d6\\'d0a\\u13312?\\u-10179?\\u-9047?\\u8364?\\u233e}\\par\n}\n"));
}

void RtfWriterTest::controlCharactersAndSpecials()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(u"{x}\\\t\u2028\u00A0\u00AD\u2011\u0001"_s, fmt(u"宋体"_s, 12));
    const QByteArray b = body(RtfWriter::write(doc));
    QCOMPARE(b, QByteArray("\\pard\\plain {\\f0\\fs24 \\{x\\}\\\\\\tab \\line \\~\\-\\_}\\par\n}\n"));
    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
    QCOMPARE(back.firstBlock().text(), u"{x}\\\t\u2028\u00A0\u00AD\u2011"_s);
}

void RtfWriterTest::sameDocumentSameBytes()
{
    QTextDocument a;
    QTextDocument b;
    buildRichDocument(a);
    buildRichDocument(b);
    const QByteArray first = RtfWriter::write(a);
    QCOMPARE(RtfWriter::write(a), first);
    QCOMPARE(RtfWriter::write(b), first);
}

void RtfWriterTest::fontsAndColoursInFirstUseOrder()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat arial = fmt(u"Arial"_s, 12);
    arial.setForeground(QColor(0, 0, 255));
    QTextCharFormat times = fmt(u"Times"_s, 12);
    times.setForeground(QColor(255, 0, 0));
    times.setBackground(QColor(0, 0, 255));
    c.insertText(u"a"_s, arial);
    c.insertText(u"t"_s, times);
    c.insertText(u"a"_s, arial);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("{\\f1\\fnil\\fcharset134 Arial;}{\\f2\\fnil\\fcharset134 Times;}}"));
    QVERIFY(rtf.contains("{\\colortbl ;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}"));
    QVERIFY(rtf.contains("{\\f1\\fs24\\cf1 a}{\\f2\\fs24\\cf2\\highlight1 t}{\\f1\\fs24\\cf1 a}"));
}

void RtfWriterTest::richDocumentRoundTrip()
{
    QTextDocument doc;
    buildRichDocument(doc);
    const QByteArray first = RtfWriter::write(doc);
    QTextDocument back;
    RtfReader::read(first, &back);
    RTF_COMPARE_LINES(rtftest::dumpDocument(back), rtftest::dumpDocument(doc));
    RTF_COMPARE_LINES(rtf::visibleText(back), rtf::visibleText(doc));
    QCOMPARE(RtfWriter::write(back), first);
    // The empty paragraph keeps the size of its mark.
    QCOMPARE(back.findBlockByNumber(3).charFormat().fontPointSize(), 20.0);
}

// Every hand-written case survives writing and reading: the same text and
// structure, and writing what was read gives the same bytes again.
void RtfWriterTest::goldenFilesRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(rtftest::testDataPath(u"rtf"_s));
    for (const QString& f : dir.entryList({u"*.rtf"_s}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(f)) << f;
}

void RtfWriterTest::goldenFilesRoundTrip()
{
    QFETCH(QString, name);
    const QString problem = rtftest::roundTripProblem(rtftest::readTestFile(u"rtf/"_s + name), true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Inputs the fuzzer found to break a round trip (tests/data/rtf/fuzz).
void RtfWriterTest::fuzzFindingsRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(rtftest::testDataPath(u"rtf/fuzz"_s));
    for (const QString& f : dir.entryList({u"*.rtf"_s}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(f)) << f;
}

void RtfWriterTest::fuzzFindingsRoundTrip()
{
    QFETCH(QString, name);
    const QString problem = rtftest::roundTripProblem(rtftest::readTestFile(u"rtf/fuzz/"_s + name), true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void RtfWriterTest::fontNamesAsTheyReadBack()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(u"a"_s, fmt(u" Odd;Name\u00A0 "_s, 12));
    c.insertText(u"b"_s, fmt(u"OddName\u00A0"_s, 12));
    c.insertText(u"c"_s, fmt(u" ; "_s, 12));
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("{\\f1\\fnil\\fcharset134 OddName;}}")); // no-break space is trimmed too
    QVERIFY(rtf.contains("{\\f1\\fs24 ab}{\\f0\\fs24 c}"));       // one run: the same font once written
    QTextDocument back;
    RtfReader::read(rtf, &back);
    QTextCursor at(&back);
    at.setPosition(1);
    QCOMPARE(at.charFormat().fontFamilies().toStringList(), QStringList{u"OddName"_s});
    QCOMPARE(RtfWriter::write(back), rtf);
}

// Readers that take a font's charset from its name (" CE", " Greek") read
// the GBK bytes of Latin and Greek letters as letters of that charset. Font
// names go without those endings, with their charset, and only CJK text in a
// GBK font goes as GBK bytes.
void RtfWriterTest::charsetNamesAndNonCjkText()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(u"Článek 中"_s, fmt(u"Times New Roman CE"_s, 12));
    c.insertText(u"φ"_s, fmt(u"Arial Greek"_s, 12));
    c.insertText(u"中é"_s, fmt(u"宋体"_s, 12));
    c.insertText(u"ж≤"_s, fmt(u"Arial"_s, 12));
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(rtf.contains(
        "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil\\fcharset238 Times New Roman;}"
        "{\\f2\\fnil\\fcharset161 Arial;}{\\f3\\fnil\\fcharset134 Arial;}}"));
    QCOMPARE(body(rtf),
             QByteArray("\\pard\\plain {\\f1\\fs24 \\u268Cl\\u225anek \\u20013?}{\\f2\\fs24 \\u966?}"
                        "{\\f0\\fs24 \\'d6\\'d0\\u233e}{\\f3\\fs24 \\u1078?\\u8804?}\\par\n}\n"));

    // Read back: the same text, in the fonts without their endings.
    QTextDocument back;
    RtfReader::read(rtf, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QTextCursor at(&back);
    at.setPosition(1);
    QCOMPARE(at.charFormat().fontFamilies().toStringList(), QStringList{u"Times New Roman"_s});

    // Documents read from such fonts write no GBK bytes but for CJK text.
    for (const QString& name : {u"czech_ce"_s, u"greek_fonts"_s}) {
        QTextDocument read;
        RtfReader::read(rtftest::readTestFile(u"rtf/"_s + name + u".rtf"_s), &read);
        const QByteArray written = RtfWriter::write(read);
        QVERIFY2(!written.contains(" CE;") && !written.contains(" Greek;"), written.constData());
        QTextDocument again;
        RtfReader::read(written, &again);
        QCOMPARE(rtf::visibleText(again), rtf::visibleText(read));
        QString cjk;
        for (const QChar ch : rtf::visibleText(read))
            if (ch.unicode() >= 0x3000)
                cjk += ch;
        // Every \'hh pair is one of the CJK characters, in order.
        QTextDocument pairsOnly;
        QByteArray pairs;
        for (qsizetype i = written.indexOf("\\'"); i >= 0; i = written.indexOf("\\'", i + 4))
            pairs += written.mid(i, 4);
        RtfReader::read("{\\rtf1\\ansi\\ansicpg936 " + pairs + "}", &pairsOnly);
        QCOMPARE(pairsOnly.toPlainText(), u"宋体"_s + cjk);
    }
}

void RtfWriterTest::picturesKeepTheirBytes()
{
    const QByteArray source = rtftest::readTestFile(u"rtf/pictures.rtf"_s);
    QTextDocument doc;
    RtfReader::read(source, &doc);
    const QByteArray rtf = RtfWriter::write(doc);
    // The PNG goes back with its control words, the metafile too.
    QVERIFY(rtf.contains("{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450\n89504e47"));
    QVERIFY(rtf.contains("{\\pict\\wmetafile8\\picw2000\\pich1000\\picwgoal1500\\pichgoal750\n"));
    QTextDocument back;
    RtfReader::read(rtf, &back);
    QCOMPARE(RtfWriter::write(back), rtf);
}

void RtfWriterTest::resizedPictureGetsNewGoalSize()
{
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/pictures.rtf"_s), &doc);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    QTextImageFormat f = c.charFormat().toImageFormat();
    QVERIFY(f.isValid());
    f.setWidth(80);
    f.setHeight(60);
    c.setCharFormat(f);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("{\\pict\\pngblip\\picw4\\pich3\\picwgoal1200\\pichgoal900\n89504e47"));
}

void RtfWriterTest::resourcePictureWrittenAsPng()
{
    QTextDocument doc;
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 0));
    doc.addResource(QTextDocument::ImageResource, QUrl(u"mypic"_s), image);
    QTextImageFormat f;
    f.setName(u"mypic"_s);
    f.setWidth(30);
    f.setHeight(20);
    QTextCursor(&doc).insertImage(f);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("{\\pict\\picw3\\pich2\\picwgoal450\\pichgoal300\\pngblip\n89504e47"));

    QTextDocument back;
    RtfReader::read(rtf, &back);
    QTextCursor c(&back);
    c.movePosition(QTextCursor::NextCharacter);
    const QTextImageFormat read = c.charFormat().toImageFormat();
    QCOMPARE(read.width(), 30.0);
    const QImage again = back.resource(QTextDocument::ImageResource, QUrl(read.name())).value<QImage>();
    QCOMPARE(again.size(), QSize(3, 2));
    QCOMPARE(again.pixel(2, 1), qRgb(0, 128, 0));
}

void RtfWriterTest::fragmentAndSelection()
{
    QTextDocument doc;
    buildRichDocument(doc);
    QTextCursor c(&doc);
    c.setPosition(6);
    c.setPosition(13, QTextCursor::KeepAnchor); // "中文 bold"
    const QByteArray fromFragment = RtfWriter::write(QTextDocumentFragment(c));
    const QByteArray fromCursor = RtfWriter::write(c);
    QCOMPARE(fromFragment, fromCursor);
    QTextDocument back;
    RtfReader::read(fromCursor, &back);
    QCOMPARE(back.toPlainText(), u"中文 bold"_s);

    // Pasted back into a paragraph: no extra paragraph, formats kept.
    QTextDocument target;
    target.setPlainText(u"[]"_s);
    QTextCursor at(&target);
    at.setPosition(1);
    RtfReader::insert(fromCursor, at);
    QCOMPARE(target.toPlainText(), u"[中文 bold]"_s);
    at.setPosition(6);
    QVERIFY(at.charFormat().fontWeight() >= QFont::Bold);

    // A selection over a resource-only picture carries the picture.
    QTextDocument withPicture;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    withPicture.addResource(QTextDocument::ImageResource, QUrl(u"pic"_s), image);
    QTextCursor p(&withPicture);
    p.insertText(u"a"_s);
    QTextImageFormat f;
    f.setName(u"pic"_s);
    p.insertImage(f);
    p.insertText(u"b"_s);
    p.setPosition(0);
    p.setPosition(3, QTextCursor::KeepAnchor);
    QVERIFY(RtfWriter::write(p).contains("\\pngblip"));
}

void RtfWriterTest::emptyDocument()
{
    QTextDocument doc;
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QTextDocument back;
    back.setPlainText(u"x"_s);
    RtfReader::read(rtf, &back);
    QCOMPARE(back.toPlainText(), QString());
    QCOMPARE(back.blockCount(), 1);
}

QTEST_MAIN(RtfWriterTest)
#include "RtfWriterTest.moc"
