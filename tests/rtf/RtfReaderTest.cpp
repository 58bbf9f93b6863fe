#include "DocumentDump.h"

#include "metafile/Mtef.h"
#include "metafilegen/MtefWriter.h"
#include "metafilegen/OleWriter.h"
#include "metafilegen/Samples.h"
#include "rtf/PictureDrawing.h"

#include "rtf/RtfBuilder.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QList<QTextImageFormat> images(const QTextDocument& doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                for (int i = 0; i < it.fragment().length(); ++i)
                    out << it.fragment().charFormat().toImageFormat();
    return out;
}

QImage resourceImage(const QTextDocument& doc, const QTextImageFormat& f)
{
    return doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
}

// The document the reader makes of `rtf` in one piece, without a second thread.
void readInOnePiece(const QByteArray& rtf, QTextDocument* doc)
{
    const rtf::Content content = rtf::parse(rtf);
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    rtf::Builder builder(content, doc);
    builder.buildDocument(cursor);
    cursor.endEditBlock();
}

// Everything a document holds, as far as the writer and the outline show it.
QString describe(const QTextDocument& doc)
{
    return rtftest::dumpDocument(doc) + QString::fromLatin1(RtfWriter::write(doc));
}

QString readText(const QByteArray& rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return rtf::visibleText(doc);
}

} // namespace

class RtfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();

    void insertOneParagraphAddsNoBlock();
    void insertSeveralParagraphsSplitsTheBlock();
    void insertReplacesSelectionAsOneUndoStep();
    void insertKeepsFormatsAndPictures();
    void readReplacesContentWithoutUndoHistory();

    void picturesBecomeNamedResources();
    void bitmapsInsideDibAndMetafileAreDecoded();
    void unknownPicturesShowAsBoxOfTheirSize();
    void preferredPictureAndObjectResultAreShown();
    void equationObjectsKeepTheirObjectAndGetTheirLatex();
    void unconvertedEquationsAndOtherObjectsKeepTheirPicture();
    void vectorMetafilesAreDrawn();

    void deepNestingIsBounded();
    void hugeTableGridIsBounded();
    void unicodeFallbackSkipping_data();
    void unicodeFallbackSkipping();

    void macCodePages();
    void listLabelsFromTheListTable();
    void symbolFontsByNameAndCharset();
    void paragraphAndCharacterStylesAreNumberedApart();
    void gbkTableDecodesLikeTheConverter();
    void piecesBuildTheSameDocument_data();
    void piecesBuildTheSameDocument();
    void longDocumentIsParsedWhileItIsBuilt();
};

// Each tests/data/rtf/<case>.rtf has the visible text it must give in
// <case>.txt and, where the structure matters, an outline in <case>.dump.
// TIKU_RTF_UPDATE_GOLDEN=1 rewrites them from the current reader (review the
// diff before committing).
void RtfReaderTest::goldenFiles_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(rtftest::testDataPath(u"rtf"_s));
    const QStringList files = dir.entryList({u"*.rtf"_s}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    for (const QString& f : files) {
        const QString name = f.chopped(4);
        QTest::newRow(qPrintable(name)) << name;
    }
}

void RtfReaderTest::goldenFiles()
{
    QFETCH(QString, name);
    const QByteArray rtf = rtftest::readTestFile(u"rtf/"_s + name + u".rtf"_s);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    const QString text = rtf::visibleText(doc) + u'\n';
    const QString dump = rtftest::dumpDocument(doc);

    const QString base = rtftest::testDataPath(u"rtf/"_s + name);
    if (qEnvironmentVariableIntValue("TIKU_RTF_UPDATE_GOLDEN")) {
        QFile t(base + u".txt"_s);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write(text.toUtf8());
        QFile d(base + u".dump"_s);
        QVERIFY(d.open(QIODevice::WriteOnly));
        d.write(dump.toUtf8());
        return;
    }
    RTF_COMPARE_LINES(text, QString::fromUtf8(rtftest::readTestFile(u"rtf/"_s + name + u".txt"_s)));
    if (QFile::exists(base + u".dump"_s))
        RTF_COMPARE_LINES(dump, QString::fromUtf8(rtftest::readTestFile(u"rtf/"_s + name + u".dump"_s)));
}

void RtfReaderTest::insertOneParagraphAddsNoBlock()
{
    QTextDocument doc;
    doc.setPlainText(u"abcd"_s);
    QTextCursor cursor(&doc);
    cursor.setPosition(2);
    RtfReader::insert("{\\rtf1\\ansi {\\b XY}\\par}", cursor);
    QCOMPARE(doc.blockCount(), 1);
    QCOMPARE(doc.toPlainText(), u"abXYcd"_s);
    QCOMPARE(cursor.position(), 4);
    QTextCursor probe(&doc);
    probe.setPosition(3);
    QVERIFY(probe.charFormat().fontWeight() >= QFont::Bold);
    probe.setPosition(5);
    QVERIFY(probe.charFormat().fontWeight() < QFont::Bold);
}

void RtfReaderTest::insertSeveralParagraphsSplitsTheBlock()
{
    QTextDocument doc;
    doc.setPlainText(u"abcd"_s);
    QTextCursor cursor(&doc);
    cursor.setPosition(2);
    RtfReader::insert("{\\rtf1\\ansi one\\par\\pard\\qc two\\par}", cursor);
    QCOMPARE(doc.toPlainText(), u"abone\ntwocd"_s);
    QVERIFY(doc.lastBlock().blockFormat().alignment() & Qt::AlignHCenter);

    // A trailing empty paragraph is a real paragraph break.
    QTextDocument doc2;
    doc2.setPlainText(u"abcd"_s);
    QTextCursor c2(&doc2);
    c2.setPosition(2);
    RtfReader::insert("{\\rtf1\\ansi one\\par\\par}", c2);
    QCOMPARE(doc2.toPlainText(), u"abone\ncd"_s);
}

void RtfReaderTest::insertReplacesSelectionAsOneUndoStep()
{
    QTextDocument doc;
    doc.setPlainText(u"abcd"_s);
    QTextCursor cursor(&doc);
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    RtfReader::insert("{\\rtf1\\ansi X\\par Y\\par Z}", cursor);
    QCOMPARE(doc.toPlainText(), u"aX\nY\nZd"_s);
    doc.undo();
    QCOMPARE(doc.toPlainText(), u"abcd"_s);
}

void RtfReaderTest::insertKeepsFormatsAndPictures()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    RtfReader::insert(rtftest::readTestFile(u"rtf/pictures.rtf"_s), cursor);
    const QList<QTextImageFormat> pics = images(doc);
    QCOMPARE(pics.size(), 6);
    for (const QTextImageFormat& f : pics)
        QVERIFY2(!resourceImage(doc, f).isNull(), qPrintable(f.name()));
}

void RtfReaderTest::readReplacesContentWithoutUndoHistory()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(u"old"_s);
    QVERIFY(doc.isUndoAvailable());
    RtfReader::read("{\\rtf1\\ansi new}", &doc);
    QCOMPARE(doc.toPlainText(), u"new"_s);
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(doc.isUndoRedoEnabled());

    RtfReader::read(QByteArray(), &doc);
    QCOMPARE(doc.toPlainText(), QString());
}

void RtfReaderTest::picturesBecomeNamedResources()
{
    const QByteArray rtf = rtftest::readTestFile(u"rtf/pictures.rtf"_s);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    const QList<QTextImageFormat> pics = images(doc);
    QCOMPARE(pics.size(), 6);

    // PNG at its goal size (600 x 450 twips), pixels intact.
    const QTextImageFormat png = pics[0];
    QCOMPARE(png.width(), 40.0);
    QCOMPARE(png.height(), 30.0);
    const QImage image = resourceImage(doc, png);
    QCOMPARE(image.size(), QSize(4, 3));
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(1, 0), qRgb(255, 0, 0));

    // The name follows the bytes: the same picture, scaled, shares it.
    const QByteArray bytes = png.property(rtf::PictureData).toByteArray();
    QCOMPARE(bytes.left(4), QByteArray("\x89PNG"));
    QCOMPARE(png.name(),
             u"rtfpict:"_s +
                 QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
    QCOMPARE(pics[1].name(), png.name());
    QCOMPARE(png.property(rtf::PictureControls).toByteArray(),
             QByteArray("\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450"));

    // Without a goal size: \picw/\pich scaled by \picscalex/y.
    QCOMPARE(pics[1].width(), 2.0);
    QCOMPARE(pics[1].height(), 6.0);
    QCOMPARE(pics[2].width(), 8.0);
    QVERIFY(!resourceImage(doc, pics[2]).isNull());
}

void RtfReaderTest::bitmapsInsideDibAndMetafileAreDecoded()
{
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/pictures.rtf"_s), &doc);
    const QList<QTextImageFormat> pics = images(doc);
    const QImage dib = resourceImage(doc, pics[3]);
    QCOMPARE(dib.size(), QSize(2, 2));
    QCOMPARE(dib.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(pics[3].width(), 20.0);

    const QImage wmf = resourceImage(doc, pics[4]);
    QCOMPARE(wmf.size(), QSize(2, 2));
    QCOMPARE(wmf.pixel(1, 1), qRgb(0, 0, 255));
    QCOMPARE(pics[4].width(), 100.0);
    QCOMPARE(pics[4].height(), 50.0);
}

void RtfReaderTest::unknownPicturesShowAsBoxOfTheirSize()
{
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/pictures.rtf"_s), &doc);
    const QTextImageFormat f = images(doc)[5];
    // 1000 x 1000 hundredths of a millimetre at 96 dpi.
    QCOMPARE(qRound(f.width()), 38);
    QCOMPARE(qRound(f.height()), 38);
    const QImage box = resourceImage(doc, f);
    QCOMPARE(box.size(), QSize(38, 38));
    QVERIFY(f.property(rtf::PictureControls).toByteArray().contains("\\wmetafile8"));
}

void RtfReaderTest::preferredPictureAndObjectResultAreShown()
{
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/picture_sources.rtf"_s), &doc);
    const QList<QTextImageFormat> pics = images(doc);
    QCOMPARE(pics.size(), 3);
    QVERIFY(pics[0].property(rtf::PictureControls).toByteArray().contains("pngblip"));
    QVERIFY(pics[1].property(rtf::PictureControls).toByteArray().contains("jpegblip"));
    // \bin data is taken raw.
    QCOMPARE(resourceImage(doc, pics[2]).pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(rtf::visibleText(doc), u"xy"_s);
}

// An equation object as Word writes it: the object's words, class and data,
// and its face (a WMF) as the result, lowered by \dn.
static QByteArray objectRtf(const QByteArray& objdata, const QByteArray& className = "Equation.DSMT4")
{
    return "{\\rtf1\\ansi\\ansicpg936 a{\\dn8{\\object\\objemb\\objw1200\\objh540{\\*\\objclass " +
           className + "}{\\*\\objdata \n" + objdata.toHex() +
           "\n}{\\result{\\pict\\wmetafile8\\picw3528\\pich1588\\picwgoal1200\\pichgoal540 " +
           metafilegen::formulaWmf().toHex() + "}}}}b\\par}";
}

// The object is kept byte for byte around its picture, read, written and
// read again; the equation inside it becomes the formula's LaTeX.
void RtfReaderTest::equationObjectsKeepTheirObjectAndGetTheirLatex()
{
    const QByteArray objdata = metafilegen::quadraticEquationObject();
    const QString latex = metafile::mtefToLatex(metafilegen::quadraticMtef()).latex;
    QVERIFY(!latex.isEmpty());
    QTextDocument doc;
    RtfReader::read(objectRtf(objdata), &doc);
    for (int round = 0; round < 2; ++round) {
        const QList<QTextImageFormat> pics = images(doc);
        QCOMPARE(pics.size(), 1);
        const QTextImageFormat& f = pics[0];
        QCOMPARE(f.property(rtf::ObjectData).toByteArray(), objdata);
        QCOMPARE(f.property(rtf::ObjectClass).toString(), u"Equation.DSMT4"_s);
        QCOMPARE(f.property(rtf::ObjectControls).toByteArray(), QByteArray("\\objemb\\objw1200\\objh540"));
        QCOMPARE(f.property(rtf::PictureData).toByteArray(), metafilegen::formulaWmf());
        QCOMPARE(f.property(rtf::FormulaSource).toString(), latex);
        QCOMPARE(f.property(rtf::FormulaDepth).toReal(), 4.0);
        QCOMPARE(QSizeF(f.width(), f.height()), QSizeF(80, 36));
        QCOMPARE(rtf::visibleText(doc), u"a$"_s + latex + u"$b"_s);
        const QByteArray written = RtfWriter::write(doc);
        QVERIFY(written.contains(
            "{\\dn8{\\object\\objemb\\objw1200\\objh540{\\*\\objclass Equation.DSMT4}{\\*\\objdata"));
        QVERIFY(written.contains("{\\result {\\pict\\wmetafile8"));
        QVERIFY(!written.contains("tikuformula")); // the source comes from the object
        doc.clear();
        RtfReader::read(written, &doc);
    }
}

void RtfReaderTest::unconvertedEquationsAndOtherObjectsKeepTheirPicture()
{
    using metafilegen::MtefWriter;
    const MtefWriter m(5);
    // Template 52 is not one this reader knows; what comes before it is converted.
    const QByteArray mtef = m.equation({m.ch('y', MtefWriter::Variable), m.ch('=', MtefWriter::Symbol),
                                        m.tmpl(52, 0, {m.line({m.ch('x', MtefWriter::Variable)})})});
    const QByteArray unknown = metafilegen::equationObject(mtef, u"Equation.3"_s);
    QTextDocument doc;
    RtfReader::read(objectRtf(unknown, "Equation.3"), &doc);
    QList<QTextImageFormat> pics = images(doc);
    QCOMPARE(pics.size(), 1);
    QVERIFY(pics[0].property(rtf::FormulaSource).toString().isEmpty());
    QVERIFY2(pics[0].property(rtf::FormulaNotConverted).toString().startsWith(u"模板 52"_s),
             qPrintable(pics[0].property(rtf::FormulaNotConverted).toString()));
    QCOMPARE(pics[0].property(rtf::FormulaPartialSource).toString(), u"y="_s);
    QCOMPARE(pics[0].property(rtf::PictureData).toByteArray(), metafilegen::formulaWmf());
    QCOMPARE(rtf::visibleText(doc), u"ab"_s);
    // Written and read again: still the same object, still not converted.
    QTextDocument again;
    RtfReader::read(RtfWriter::write(doc), &again);
    pics = images(again);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(pics[0].property(rtf::ObjectData).toByteArray(), unknown);
    QVERIFY(pics[0].property(rtf::FormulaNotConverted).toString().startsWith(u"模板 52"_s));

    // Any other object is kept as it is, without a formula.
    const QByteArray sheet = metafilegen::ole1Object(u"Excel.Sheet.8"_s, QByteArray(600, 'x'));
    doc.clear();
    RtfReader::read(objectRtf(sheet, "Excel.Sheet.8"), &doc);
    pics = images(doc);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(pics[0].property(rtf::ObjectData).toByteArray(), sheet);
    QVERIFY(!pics[0].hasProperty(rtf::FormulaSource));
    QVERIFY(!pics[0].hasProperty(rtf::FormulaNotConverted));
    QVERIFY(RtfWriter::write(doc).contains("{\\*\\objclass Excel.Sheet.8}"));

    // \objdata outside an object, or an object's data in a nested group, is no object's.
    doc.clear();
    RtfReader::read(
        "{\\rtf1{\\*\\objdata 0102}{\\object{{\\*\\objdata 0102}}{\\result{\\pict\\pngblip 00}}}\\par}",
        &doc);
    pics = images(doc);
    QCOMPARE(pics.size(), 1);
    QVERIFY(!pics[0].hasProperty(rtf::ObjectData));
}

// A metafile of lines and text is drawn through the metafile player, in the
// place and at the size the document gives it: the fraction bar of the
// formula is where the picture's frame puts it.
void RtfReaderTest::vectorMetafilesAreDrawn()
{
    QTextDocument doc;
    RtfReader::read(objectRtf(metafilegen::quadraticEquationObject()), &doc);
    const QTextImageFormat f = images(doc).value(0);
    QImage image(QSize(240, 108), QImage::Format_RGB32); // three times the shown 80 x 36
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.scale(3, 3);
        QVERIFY(rtf::drawPicture(p, QRectF(0, 0, 80, 36), &doc, f));
    }
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    // The bar spans x 480..1800 of 2000 units and y 400..416 of 900.
    const int barY = (400 + 408) * 108 / 900 / 2;
    QVERIFY(dark(240 * 1100 / 2000, barY));
    QVERIFY(!dark(240 * 1100 / 2000, barY + 8));
    QVERIFY(!dark(240 * 1900 / 2000, barY)); // right of the bar
    // Nothing like the broken-picture box's frame in the corner.
    QVERIFY(!dark(0, 0) && !dark(239, 107));
    // Asked for its pixels, the document gives the picture drawn.
    const QImage resource = resourceImage(doc, f);
    QVERIFY(!resource.isNull());
    QCOMPARE(resource.size(), QSize(80, 36));
    QVERIFY(qGray(resource.pixel(80 * 1100 / 2000, 404 * 36 / 900)) < 160);
}

void RtfReaderTest::deepNestingIsBounded()
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    rtf += QByteArray(200000, '{');
    rtf += "deep\\b bold";
    QCOMPARE(readText(rtf), u"deepbold"_s);

    rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 3000; ++i)
        rtf += "{\\b\\i\\fs30 x";
    rtf += QByteArray(3000, '}');
    rtf += " end}";
    QCOMPARE(readText(rtf), QString(3000, u'x') + u" end"_s);

    rtf = "{\\rtf1\\ansi ";
    for (int i = 1; i < 100; ++i)
        rtf += "\\pard\\intbl\\itap" + QByteArray::number(i) +
               " level\\nestcell{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}";
    rtf += "}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(doc.toPlainText().count(u"level"_s), 99);
}

void RtfReaderTest::hugeTableGridIsBounded()
{
    // 2000 one-cell rows and one row of 256 cells: the grid is capped, no
    // cell's text is lost.
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 2000; ++i)
        rtf += "\\trowd\\cellx1000\\pard\\intbl r\\cell\\row\n";
    rtf += "\\trowd";
    for (int i = 1; i <= 256; ++i)
        rtf += "\\cellx" + QByteArray::number(i * 10);
    for (int i = 0; i < 256; ++i)
        rtf += "\\pard\\intbl c" + QByteArray::number(i) + "\\cell";
    rtf += "\\row}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    auto* table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
    QVERIFY(table);
    QCOMPARE(table->rows(), 2001);
    QVERIFY(qint64(table->rows()) * table->columns() <= 100000);
    const QString text = doc.toPlainText();
    QCOMPARE(text.count(u'r'), 2000);
    for (int i = 0; i < 256; ++i)
        QVERIFY2(text.contains(u"c%1\n"_s.arg(i)) || text.endsWith(u"c%1"_s.arg(i)),
                 qPrintable(QString::number(i)));
}

void RtfReaderTest::unicodeFallbackSkipping_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("uc1 skips one") << QByteArray("a\\u24180?b") << u"a年b"_s;
    QTest::newRow("digit fallback") << QByteArray("2018\\u24180?9\\u26376?12\\u26085?") << u"2018年9月12日"_s;
    QTest::newRow("hex counts as one") << QByteArray("\\uc2\\u24180\\'c4\\'ea!") << u"年!"_s;
    QTest::newRow("uc0 skips nothing") << QByteArray("\\uc0\\u24180 ?") << u"年?"_s;
    QTest::newRow("group end stops") << QByteArray("{\\uc5\\u24180 ab}cd") << u"年cd"_s;
    QTest::newRow("control word stops") << QByteArray("\\uc5\\u24180\\b cd") << u"年cd"_s;
    QTest::newRow("escaped brace counts") << QByteArray("\\u24180\\{x") << u"年x"_s;
    QTest::newRow("uc scoped to group") << QByteArray("{\\uc2\\u24180 ab}\\u24180 ab") << u"年年b"_s;
    // U+F0B7, where Word leaves the Symbol font's bullet.
    QTest::newRow("negative") << QByteArray("\\u-3913?") << u"\u2022"_s;
    QTest::newRow("surrogate pair") << QByteArray("\\u-10179?\\u-9047?") << u"💩"_s;
    QTest::newRow("lonely high surrogate") << QByteArray("\\u-10179?x") << u"\uFFFDx"_s;
}

void RtfReaderTest::unicodeFallbackSkipping()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(readText("{\\rtf1\\ansi " + rtf + "}"), text);
}

// The golden files mac_codepages and mac_japanese hold a line of each Mac
// charset; here, what they cannot show at a glance.
void RtfReaderTest::macCodePages()
{
    // One line declared three ways. Mac Japanese is Shift-JIS with single
    // bytes of its own, which are no trail bytes (0xA0 is one, after a lead byte).
    const QByteArray line = "\\'93\\'fa\\'96\\'7b \\'81\\'a0\\'a0\\'fd\\'fe\\'ff\\'80}";
    const QString text = u"日本 □\u00A0©™…\\"_s;
    QCOMPARE(readText("{\\rtf1\\mac\\ansicpg10001{\\fonttbl{\\f0 Osaka;}}\\f0 " + line), text);
    QCOMPARE(readText("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0 " + line), text);
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg10001 Osaka;}}\\f0 " + line), text);
    // A font without a charset takes the document's code page, not Mac Roman.
    QCOMPARE(readText("{\\rtf1\\mac\\ansicpg10001{\\fonttbl{\\f0\\fcharset77 Times;}{\\f1 Osaka;}}"
                      "\\f0 caf\\'8e \\f1\\'82\\'a0}"),
             u"café あ"_s);

    // Font names are in their charset too; a charset ending of a name is no
    // part of the family, and the charset given wins over it.
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/mac_codepages.rtf"_s), &doc);
    const auto familyOf = [&doc](int block) {
        return doc.findBlockByNumber(block).begin().fragment().charFormat().fontFamilies().toStringList();
    };
    QCOMPARE(doc.findBlockByNumber(2).text(), u"ｶﾀｶﾅと漢字"_s);
    QCOMPARE(familyOf(2), QStringList{u"ＭＳ 明朝"_s});
    QCOMPARE(doc.findBlockByNumber(8).text(), u"Článek Łódź"_s);
    QCOMPARE(familyOf(8), QStringList{u"Helvetica"_s});
}

// A label from the list table replaces one of a different length: the text
// after it keeps its formats, and the label those of its group.
void RtfReaderTest::listLabelsFromTheListTable()
{
    QTextDocument doc;
    RtfReader::read(rtftest::readTestFile(u"rtf/list_labels.rtf"_s), &doc);
    const QTextBlock first = doc.firstBlock();
    QCOMPARE(first.text(), u"•\t已知 x 为正数"_s);
    const auto formatAt = [&first](int i) {
        QTextCursor c(first);
        c.setPosition(first.position() + i + 1);
        return c.charFormat();
    };
    QCOMPARE(formatAt(0).fontFamilies().toStringList(), QStringList{u"Symbol"_s});
    QVERIFY(formatAt(4).fontWeight() < QFont::Bold);
    QVERIFY(formatAt(5).fontWeight() >= QFont::Bold); // x
    QVERIFY(formatAt(6).fontWeight() < QFont::Bold);
    QCOMPARE(formatAt(7).fontFamilies().toStringList(), QStringList{u"宋体"_s});

    // Numbers count on through the list, whatever label the writer gave.
    const QStringList lines = rtf::visibleText(doc).split(u'\n');
    QCOMPARE(lines.mid(3, 3), (QStringList{u"1.\t第一步"_s, u"2.\t第二步"_s, u"2.a)\t细节"_s}));

    // Without a list table entry the label is kept as it was.
    QCOMPARE(readText("{\\rtf1\\ansi{\\listtext\\u-8191?\\tab}\\ls9 item\\par}"), u"\uE001\titem"_s);
    // A \pntext without a bullet definition is kept; pasted into a paragraph,
    // the label goes where the paragraph starts.
    QTextDocument target;
    target.setPlainText(u"[]"_s);
    QTextCursor at(&target);
    at.setPosition(1);
    RtfReader::insert("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\pntext *\\tab}"
                      "{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}{\\b a}b\\par}",
                      at);
    QCOMPARE(target.toPlainText(), u"[•\tab]"_s);
    QCOMPARE(readText("{\\rtf1\\ansi{\\pntext 3.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}c\\par}"),
             u"3.\tc"_s);
}

// Symbol and Wingdings are symbol fonts whatever Latin charset a document
// gives them; a CJK charset is taken at its word.
void RtfReaderTest::symbolFontsByNameAndCharset()
{
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f1 Symbol;}}\\f1 \\'b4}"), u"×"_s);
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset77 Symbol;}}\\f1 \\'b4}"), u"×"_s);
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset134 Symbol;}}\\f1 \\'d6\\'d0\\u-3916?}"),
             u"中×"_s);
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset0 Wingdings;}}\\f1 \\'fc}"), u"\u2713"_s);
    // Private-use characters of a Wingdings font are Wingdings', in any charset.
    QCOMPARE(readText("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset134 Wingdings;}}\\f1 \\u-3844?}"), u"\u2713"_s);
    // A SYMBOL field names its font.
    QCOMPARE(readText("{\\rtf1\\ansi{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\"}{\\fldrslt }}}"),
             u"•"_s);
}

// \sN and \csN number two sets of styles: a paragraph style never takes the
// place of a character style whatever the numbers, the largest included.
void RtfReaderTest::paragraphAndCharacterStylesAreNumberedApart()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\ansi{\\stylesheet{\\s1048577\\b Heavy;}{\\*\\cs1\\i Slanted;}"
                    "{\\*\\cs2147483647\\ul Lined;}}"
                    "\\pard\\s1048577 A{\\cs1 B}{\\cs2147483647 C}\\par}",
                    &doc);
    const QTextBlock block = doc.firstBlock();
    QCOMPARE(block.text(), u"ABC"_s);
    const auto formatAt = [&block](int i) {
        QTextCursor c(block);
        c.setPosition(block.position() + i + 1);
        return c.charFormat();
    };
    QVERIFY(formatAt(0).fontWeight() >= QFont::Bold);
    QVERIFY(!formatAt(0).fontItalic());
    QVERIFY(formatAt(1).fontItalic());
    QCOMPARE(formatAt(2).underlineStyle(), QTextCharFormat::SingleUnderline);
    QVERIFY(!formatAt(2).fontItalic());
}

// Past its first 32 KB of GBK text a document is decoded through a table of
// the double-byte codes; whatever the bytes, the text is the converter's.
void RtfReaderTest::gbkTableDecodesLikeTheConverter()
{
    const auto converter = [](const QByteArray& bytes) {
        QStringDecoder gbk("GBK");
        return QString(gbk(bytes)); // a lead byte left at the end is dropped
    };
    rtf::ByteDecoder decoder;
    const auto table = [&decoder](const QByteArray& bytes) {
        QString out;
        decoder.append(936, std::string_view(bytes.constData(), std::size_t(bytes.size())), out);
        return out;
    };
    QString warm;
    decoder.append(936, std::string(40 * 1024, 'a'), warm);

    QByteArray all;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            all.append(char(lead)).append(char(trail));
    for (int b = 0; b < 0x80; ++b)
        all.append(char(b));
    QCOMPARE(table(all), converter(all));
    for (const QByteArray& odd :
         {QByteArray("\xB0\xA1\x81"), QByteArray("\x81\x30\xB0\xA1"), QByteArray("\x80\xB0\xA1"),
          QByteArray("\xFF\xFE\xFE\xB0"), QByteArray("a\xB0\x7F\xA1")})
        QCOMPARE(table(odd), converter(odd));

    QRandomGenerator random(936);
    const QByteArray alphabet("\x81\x90\xA1\xB0\xD7\xFE\xFF\x80\x40\x7E\x7F\x5C\x30\x61\x00", 15);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes;
        for (int n = random.bounded(1, 24); n > 0; --n)
            bytes.append(alphabet[random.bounded(int(alphabet.size()))]);
        QCOMPARE(table(bytes), converter(bytes));
    }
}

// A document read in pieces of a few blocks (as a long one is read while it
// is built) is the document read in one piece: every test document, cut
// after every block and after every third.
void RtfReaderTest::piecesBuildTheSameDocument_data()
{
    QTest::addColumn<QString>("file");
    for (const QString& folder : {u"rtf"_s, u"rtf-corpus"_s}) {
        const QString root = rtftest::testDataPath(folder);
        QDirIterator it(root, {u"*.rtf"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = folder + it.next().mid(root.size());
            QTest::newRow(qPrintable(file)) << file;
        }
    }
}

void RtfReaderTest::piecesBuildTheSameDocument()
{
    QFETCH(QString, file);
    const QByteArray rtf = rtftest::readTestFile(file);
    QTextDocument whole;
    readInOnePiece(rtf, &whole);
    for (const std::size_t blocks : {std::size_t(1), std::size_t(3)}) {
        QTextDocument pieces;
        QTextCursor cursor(&pieces);
        bool fresh = true;
        int count = 0;
        const std::function<void(rtf::Content &&)> build = [&](rtf::Content&& piece) {
            rtf::Builder builder(piece, &pieces);
            fresh = builder.continueDocument(cursor, fresh);
            ++count;
        };
        build(rtf::parse(rtf, build, blocks));
        RTF_COMPARE_LINES(describe(pieces), describe(whole));
        QVERIFY(count >= 1);
    }
}

// A document long enough to be parsed on a second thread while it is built
// is the document read in one piece, with its tables, lists, pictures,
// formulas and links.
void RtfReaderTest::longDocumentIsParsedWhileItIsBuilt()
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(image.save(&buffer, "PNG"));
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
        "{\\f1\\fnil\\fcharset2 Symbol;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\s1\\b Heading;}}{\\*\\listtable{\\list{\\listlevel\\levelnfc0"
        "{\\leveltext\\'02\\'00.;}}\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\r\n";
    for (int i = 0; rtf.size() < 400 * 1024; ++i) {
        rtf += "\\pard\\s1 \\'b5\\'da " + QByteArray::number(i) + "\\par\r\n";
        rtf += "\\pard\\plain {\\cf1\\ul \\'d2\\'d1\\'d6\\'aa}{\\super 2} x{\\f1 \\'b4}y "
               "{\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}{\\fldrslt link}}\\par\r\n";
        rtf += "{\\listtext 9.\\tab}\\pard\\ls1 item\\par\r\n";
        if (i % 7 == 0)
            rtf += "\\trowd\\cellx2000\\clmgf\\cellx4000\\clmrg\\cellx6000\\pard\\intbl a\\cell b\\cell "
                   "c\\cell\\row"
                   "\\trowd\\cellx3000\\pard\\intbl \\itap2 "
                   "n\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\nestrow}"
                   "\\itap1\\cell\\row\\pard\r\n";
        if (i % 11 == 0)
            rtf += "\\pard {\\dn4{\\pict\\pngblip\\picwgoal300\\pichgoal200 " + png.toHex() +
                   "}{\\*\\tikuformula \\\\frac\\{1\\}\\{" + QByteArray::number(i) + "\\}}} and\\par\r\n";
    }
    rtf += "}";
    QTextDocument whole;
    readInOnePiece(rtf, &whole);
    QTextDocument alongside;
    RtfReader::read(rtf, &alongside);
    QVERIFY(whole.blockCount() > 1000);
    RTF_COMPARE_LINES(describe(alongside), describe(whole));
}

QTEST_MAIN(RtfReaderTest)
#include "RtfReaderTest.moc"
