// Formulas in RTF: a PNG picture followed by {\*\tikuformula source}, with a
// second copy of the source (and the depth) in the PNG itself.
#include "common/FormulaSample.h"
#include "DocumentDump.h"

#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "rtf/VisibleText.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

QByteArray pngOf(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QByteArray plainPng()
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    return pngOf(image);
}

// A paragraph holding one picture in RTF, with `before` and `after` around it.
QByteArray pictureRtf(const QByteArray& png, const QByteArray& before = {}, const QByteArray& after = {})
{
    return "{\\rtf1\\ansi\\ansicpg936\\uc1{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\\pard\\plain a" +
           before + "{\\pict\\picw6\\pich4\\picwgoal180\\pichgoal120\\pngblip " + png.toHex() + "}" + after +
           " b\\par}";
}

QList<QTextImageFormat> readFormulas(const QByteArray& rtf, QTextDocument& doc)
{
    RtfReader::read(rtf, &doc);
    return formulasample::formulas(doc);
}

} // namespace

class RtfFormulaTest : public QObject
{
    Q_OBJECT
private slots:
    void sourceSurvivesWriterAndReader_data();
    void sourceSurvivesWriterAndReader();
    void pngChunkCarriesSource();
    void sourceFromPngAlone();
    void plainPicturesStayPlain();
    void groupBelongsOnlyToThePictureBeforeIt();
};

void RtfFormulaTest::sourceSurvivesWriterAndReader_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qreal>("depth");
    QTest::newRow("fraction and root") << u"\\frac{1}{2}x^2+\\sqrt{3}"_s << 4.5;
    QTest::newRow("braces and backslashes")
        << u"\\left\\{\\begin{cases}x+y=1\\\\x-y=3\\end{cases}\\right."_s << 9.25;
    QTest::newRow("chinese and symbols") << u"\\angle ABC=90^\\circ，△ABC≌△DEF 中 x≤2"_s << 0.0;
    QTest::newRow("outside the BMP, tab, raised") << u"\U0001D465\t+1"_s << -1.5;
}

// Through our writer and reader: the source, the depth, the display size and
// the pixels come back, and the text reads as $source$. Writing it again
// gives the same bytes.
void RtfFormulaTest::sourceSurvivesWriterAndReader()
{
    QFETCH(QString, source);
    QFETCH(qreal, depth);
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(u"解方程组 "_s);
    const QTextImageFormat made = formulasample::format(&doc, source, {54, 21}, depth);
    c.insertImage(made);
    c.insertText(u" 得"_s);

    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("{\\*\\tikuformula "));
    const int halfPoints = qRound(depth * 2);
    if (halfPoints > 0)
        QVERIFY(rtf.contains("{\\dn" + QByteArray::number(halfPoints) + "{\\pict"));
    else if (halfPoints < 0)
        QVERIFY(rtf.contains("{\\up" + QByteArray::number(-halfPoints) + "{\\pict"));
    // The display size in twips; the pixels at three times it.
    QVERIFY(rtf.contains("\\picw162\\pich63\\pngblip\\picwgoal810\\pichgoal315\n"));

    QTextDocument back;
    const QList<QTextImageFormat> formulas = readFormulas(rtf, back);
    QCOMPARE(formulas.size(), 1);
    const QTextImageFormat& f = formulas.first();
    QCOMPARE(f.property(rtf::FormulaSource).toString(), source);
    QCOMPARE(f.property(rtf::FormulaDepth).toReal(), depth);
    QCOMPARE(f.width(), 54.0);
    QCOMPARE(f.height(), 21.0);
    QCOMPARE(f.verticalAlignment(), QTextCharFormat::AlignNormal);
    const QByteArray png = f.property(rtf::PictureData).toByteArray();
    QCOMPARE(rtf::formulaSourceFromPng(png), source);
    const QImage shown = back.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    const QImage original = doc.resource(QTextDocument::ImageResource, QUrl(made.name())).value<QImage>();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), original);

    QCOMPARE(rtf::visibleText(back), u"解方程组 $"_s + source + u"$ 得"_s);
    QCOMPARE(rtftest::roundTripProblem(rtf, true), QString());
    QCOMPARE(RtfWriter::write(back), rtf);
}

// The chunk is a well-formed iTXt chunk: libpng (through QImage) reads it
// back; a new source replaces the old one; the same source changes nothing.
void RtfFormulaTest::pngChunkCarriesSource()
{
    const QByteArray png = plainPng();
    QCOMPARE(rtf::formulaSourceFromPng(png), QString());
    const QString source = u"\\sqrt{a^2+b^2}≠π"_s;
    const QByteArray withSource = rtf::pngWithFormulaSource(png, source);
    QVERIFY(withSource.contains("iTXttiku-latex"));
    QCOMPARE(rtf::formulaSourceFromPng(withSource), source);
    const QImage decoded = QImage::fromData(withSource, "PNG");
    QCOMPARE(decoded.text(u"tiku-latex"_s), source);
    QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32),
             QImage::fromData(png).convertToFormat(QImage::Format_RGB32));

    QCOMPARE(rtf::pngWithFormulaSource(withSource, source), withSource);
    const QByteArray replaced = rtf::pngWithFormulaSource(withSource, u"x"_s);
    QCOMPARE(rtf::formulaSourceFromPng(replaced), u"x"_s);
    QCOMPARE(replaced.count("tiku-latex"), 1);
    QCOMPARE(QImage::fromData(replaced, "PNG").text(u"tiku-latex"_s), u"x"_s);

    const QByteArray withDepth = rtf::pngWithFormulaDepth(replaced, 3.25);
    QCOMPARE(rtf::formulaDepthFromPng(withDepth), std::optional<qreal>(3.25));
    QCOMPARE(rtf::formulaSourceFromPng(withDepth), u"x"_s);

    // A damaged chunk is not believed, and what is not a PNG is left alone.
    QByteArray damaged = withSource;
    damaged[damaged.indexOf("tiku-latex") + 14] = 'Q';
    QCOMPARE(rtf::formulaSourceFromPng(damaged), QString());
    QCOMPARE(rtf::pngWithFormulaSource("GIF89a....", source), QByteArray("GIF89a...."));
    QCOMPARE(rtf::pngWithFormulaSource(png.left(png.size() - 6), source), png.left(png.size() - 6));
}

// After another word processor dropped our group, the PNG still gives the
// formula back, depth included.
void RtfFormulaTest::sourceFromPngAlone()
{
    const QByteArray png = rtf::pngWithFormulaDepth(rtf::pngWithFormulaSource(plainPng(), u"a\\div b"_s), 2);
    QTextDocument doc;
    const QList<QTextImageFormat> formulas = readFormulas(pictureRtf(png), doc);
    QCOMPARE(formulas.size(), 1);
    QCOMPARE(formulas.first().property(rtf::FormulaSource).toString(), u"a\\div b"_s);
    QCOMPARE(formulas.first().property(rtf::FormulaDepth).toReal(), 2.0);
    QCOMPARE(rtf::visibleText(doc), u"a$a\\div b$ b"_s);

    // Without the depth chunk, the run's \dn gives it.
    QTextDocument lowered;
    const QList<QTextImageFormat> again =
        readFormulas(pictureRtf(rtf::pngWithFormulaSource(plainPng(), u"y"_s), "{\\dn3", "}"), lowered);
    QCOMPARE(again.size(), 1);
    QCOMPARE(again.first().property(rtf::FormulaDepth).toReal(), 1.5);
}

// A picture with neither our group nor the chunk is a picture: no source, no
// $ in the text, written without a group; a lowered one stays a subscript.
void RtfFormulaTest::plainPicturesStayPlain()
{
    for (const QByteArray& rtf : {pictureRtf(plainPng()), pictureRtf(plainPng(), "{\\dn4", "}")}) {
        QTextDocument doc;
        QVERIFY(readFormulas(rtf, doc).isEmpty());
        QCOMPARE(rtf::visibleText(doc), u"a b"_s);
        const QByteArray written = RtfWriter::write(doc);
        QVERIFY(!written.contains("tikuformula"));
        QVERIFY(written.contains(plainPng().toHex().left(64)));
        QCOMPARE(rtftest::roundTripProblem(rtf, true), QString());
    }
    QTextDocument doc;
    RtfReader::read(pictureRtf(plainPng(), "{\\dn4", "}"), &doc);
    QCOMPARE(rtftest::dumpDocument(doc).count(u"[image 12x8 pngblip]"_s), 1);
}

// The group names the picture just before it; after text, or with no picture
// before it, it belongs to nothing and its source never shows as text.
void RtfFormulaTest::groupBelongsOnlyToThePictureBeforeIt()
{
    QTextDocument afterText;
    QVERIFY(readFormulas(pictureRtf(plainPng(), {}, "x{\\*\\tikuformula \\\\alpha}"), afterText).isEmpty());
    QCOMPARE(rtf::visibleText(afterText), u"ax b"_s);

    QTextDocument alone;
    RtfReader::read("{\\rtf1\\ansi{\\*\\tikuformula \\\\beta} text\\par}", &alone);
    QCOMPARE(rtf::visibleText(alone), u" text"_s);

    // Escapes, \uN with its fallback and \'hh all make up the source.
    QTextDocument escaped;
    const QList<QTextImageFormat> formulas = readFormulas(
        pictureRtf(plainPng(), {}, "{\\*\\tikuformula \\\\frac\\{1\\}\\{2\\}\\u8736?A\\'41}"), escaped);
    QCOMPARE(formulas.size(), 1);
    QCOMPARE(formulas.first().property(rtf::FormulaSource).toString(), u"\\frac{1}{2}∠AA"_s);
}

QTEST_MAIN(RtfFormulaTest)
#include "RtfFormulaTest.moc"
