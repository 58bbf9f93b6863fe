// The formula engine as the program runs it: the bundled MathJax script in
// QJSEngine, its SVG drawn as a picture sized to the text and placed on the
// baseline of its line.
#include "formula/FormulaEngine.h"
#include "common/FormulaSample.h"
#include "formula/FormulaHtml.h"
#include "formula/FormulaLayout.h"
#include "formula/FormulaRenderer.h"
#include "formula/FormulaTemplates.h"
#include "rtf/RtfPictures.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kDoneWhen = u"\\frac{1}{2}x^2+\\sqrt{3}"_s;

// Rows of `image` holding a pixel of `colour`: first and last, or -1.
std::pair<int, int> rowsOf(const QImage& image, QRgb colour)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

class FormulaEngineTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<FormulaEngine> engine;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(QStringLiteral(TIKU_FORMULA_SCRIPT)), TIKU_FORMULA_SCRIPT);
        engine = std::make_unique<FormulaEngine>(QStringLiteral(TIKU_FORMULA_SCRIPT));
        QString error;
        QVERIFY2(engine->load(&error), qPrintable(error));
    }

    // The formula of the finished feature: typeset, sized in proportion to
    // the font, reaching below the baseline by the fraction's depth, its
    // picture three times the display size and a readable PNG.
    void formulaIsSizedToTheFont()
    {
        FormulaRenderer renderer(engine.get());
        const Formula small = renderer.render(kDoneWhen, 10.5);
        QVERIFY2(small.ok(), qPrintable(small.error));
        const Formula large = renderer.render(kDoneWhen, 21);
        QVERIFY2(large.ok(), qPrintable(large.error));
        QVERIFY(!small.svg.contains(u"<svg"_s, Qt::CaseSensitive) || small.svg.count(u"<svg"_s) == 1);

        QCOMPARE_GT(small.size.width(), small.size.height());
        QVERIFY(qAbs(large.size.width() - 2 * small.size.width()) < 0.01);
        QVERIFY(qAbs(large.size.height() - 2 * small.size.height()) < 0.01);
        QVERIFY(qAbs(large.depth - 2 * small.depth) < 0.01);
        // A fraction at full size reaches about 0.7 em below the baseline;
        // with a root beside it it is between 1.5 and 2.5 em high.
        QVERIFY2(small.depth > 0.5 * 10.5 && small.depth < 0.9 * 10.5,
                 qPrintable(QString::number(small.depth)));
        const qreal em = 10.5 * 96 / 72;
        QVERIFY(small.size.height() > 1.5 * em && small.size.height() < 2.5 * em);

        QCOMPARE(small.image.width(), int(std::ceil(small.size.width() * 3)));
        QCOMPARE(small.image.height(), int(std::ceil(small.size.height() * 3)));
        const QImage fromPng = QImage::fromData(small.png());
        QCOMPARE(fromPng.size(), small.image.size());
        // Ink, not an empty picture.
        QVERIFY(rowsOf(fromPng.convertToFormat(QImage::Format_RGB32), qRgb(0, 0, 0)).first >= 0 ||
                fromPng.pixelColor(fromPng.width() / 2, fromPng.height() / 2).alpha() >= 0);
        int inked = 0;
        for (int y = 0; y < fromPng.height(); ++y)
            for (int x = 0; x < fromPng.width(); ++x)
                inked += qAlpha(fromPng.pixel(x, y)) > 128;
        QVERIFY(inked > 200);
    }

    // A parenthesis spans the font's height: about 1 em, a quarter of it
    // below the baseline. Letters sit on the baseline.
    void sizeAndDepthAgainstTheFontSize()
    {
        FormulaRenderer renderer(engine.get());
        const qreal pt = 12;
        const qreal em = pt * 96 / 72;
        const Formula paren = renderer.render(u"("_s, pt);
        QVERIFY2(paren.ok(), qPrintable(paren.error));
        QVERIFY2(paren.size.height() > 0.95 * em && paren.size.height() < 1.1 * em,
                 qPrintable(QString::number(paren.size.height())));
        QVERIFY2(paren.depth > 0.2 * pt && paren.depth < 0.3 * pt, qPrintable(QString::number(paren.depth)));
        const Formula x = renderer.render(u"x"_s, pt);
        QVERIFY(x.ok());
        QVERIFY(x.depth < 0.05 * pt);
        QVERIFY(x.size.height() > 0.4 * em && x.size.height() < 0.55 * em);
    }

    // MathML attributes reach the drawing, whichever way a node gets them:
    // set on it (a colour, a bold letter), its default (an italic letter), or
    // passed down (exponents shrink level by level; \textstyle puts a sum's
    // limits beside it). The bundle keeps them in its own Attributes module.
    void attributesReachTheDrawing()
    {
        auto svgOf = [&](const QString& latex) {
            const FormulaEngine::Result r = engine->typeset(latex);
            return r.ok() ? r.svg : u"error: "_s + r.error;
        };
        QVERIFY(svgOf(u"x"_s).contains(u"data-c=\"1D465\""_s));
        QVERIFY(svgOf(u"\\mathbf{x}"_s).contains(u"data-c=\"1D431\""_s));
        QVERIFY(svgOf(u"\\color{red}{x}"_s).contains(u"fill=\"red\""_s));
        QCOMPARE(svgOf(u"x^{x^{x}}"_s).count(u"scale(0.707)"_s), 2);

        const std::optional<QRectF> display = svgViewBox(svgOf(u"\\sum_{i=1}^{n}i"_s));
        const std::optional<QRectF> inText = svgViewBox(svgOf(u"\\textstyle\\sum_{i=1}^{n}i"_s));
        QVERIFY(display && inText);
        QCOMPARE_GT(inText->width(), display->width());
        QCOMPARE_LT(inText->height(), 0.6 * display->height());
    }

    void errorInputSaysWhatIsWrong()
    {
        const FormulaEngine::Result open = engine->typeset(u"\\frac{1}{"_s);
        QVERIFY(!open.ok());
        QVERIFY(open.svg.isEmpty());
        QCOMPARE(open.error, u"公式有误：缺少右花括号“}”。"_s);
        // The mistakes a teacher makes are told in Chinese, naming what is wrong.
        const std::pair<QString, QString> mistakes[] = {
            {u"x+\\fraq{1}{2}"_s, u"公式有误：不认识命令 \\fraq，请检查拼写。"_s},
            {u"x^2^3"_s, u"公式有误：连着两个上标，请用花括号分开，如 x^{2^3}。"_s},
            {u"\\sqrt"_s, u"公式有误：\\sqrt 缺少参数（写在它后面的花括号里，如 \\frac{1}{2}）。"_s},
            {u"\\begin{cases}x=1\\end{array}"_s, u"公式有误：\\begin{cases} 和 \\end{array} 不配对。"_s},
            {u"\\left(x"_s, u"公式有误：多了 \\left，或者少了 \\right。"_s},
            {u"x}"_s, u"公式有误：多了右花括号“}”，或者少了左花括号“{”。"_s},
        };
        for (const auto& [input, error] : mistakes)
            QCOMPARE(engine->typeset(input).error, error);
        // One without a Chinese text stays as the engine said it.
        QCOMPARE(engine->typeset(u"x\\over y\\over z"_s).error, u"公式有误：Ambiguous use of \\over"_s);
        // A recursive macro is stopped by MathJax's own limit.
        const FormulaEngine::Result recursive = engine->typeset(u"\\def\\a{\\a\\a}\\a"_s);
        QVERIFY(!recursive.ok());
        // The engine is still good afterwards.
        QVERIFY(engine->typeset(u"x^2"_s).ok());
        FormulaRenderer renderer(engine.get());
        QVERIFY(!renderer.render(u"\\frac{1}{"_s, 10.5).ok());
    }

    void everyPaletteTemplateTypesets()
    {
        int count = 0;
        for (const FormulaTemplateGroup& group : formulaTemplateGroups()) {
            for (const FormulaTemplate& t : group.templates) {
                QVERIFY(t.caret >= 0 && t.caret <= t.latex.size());
                QVERIFY2(!t.latex.contains(u'@'), qPrintable(t.latex));
                // As inserted after a letter, the way a teacher uses it.
                const FormulaEngine::Result r = engine->typeset(u"x"_s + t.latex);
                QVERIFY2(r.ok(), qPrintable(t.latex + u": "_s + r.error));
                ++count;
            }
        }
        QVERIFY(count >= 60);
    }

    void longInputIsRefused()
    {
        const QString tooLong = u"x+"_s.repeated(2000) + u"x"_s; // 4,001 characters
        QElapsedTimer clock;
        clock.start();
        const FormulaEngine::Result r = engine->typeset(tooLong);
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(u"公式太长"_s) && r.error.contains(u"4001"_s), qPrintable(r.error));
        QVERIFY(engine->isLoaded());
    }

    // A script that never returns is interrupted; the engine loads anew for
    // the next formula.
    void loopingEngineIsInterrupted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"formula-engine.js"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("var calls = 0; function tex2svg(s) { calls++; if (s === 'loop') { for (;;) {} } "
                "return {svg: '<svg viewBox=\"0 -500 1000 600\"></svg>', error: ''}; }");
        f.close();
        FormulaEngine looping(path);
        looping.setTimeLimit(300);
        QElapsedTimer clock;
        clock.start();
        const FormulaEngine::Result r = looping.typeset(u"loop"_s);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!r.ok());
        QVERIFY2(r.error.contains(u"已停止"_s), qPrintable(r.error));
        QVERIFY(!looping.isLoaded());
        const FormulaEngine::Result next = looping.typeset(u"x"_s);
        QVERIFY2(next.ok(), qPrintable(next.error));
    }

    void missingEngineSaysSo()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"formula-engine.js"_s);
        FormulaEngine missing(path);
        QString error;
        QVERIFY(!missing.load(&error));
        QVERIFY2(error.contains(u"找不到公式排版程序"_s) && error.contains(QDir::toNativeSeparators(path)),
                 qPrintable(error));
        const FormulaEngine::Result r = missing.typeset(u"x"_s);
        QCOMPARE(r.error, error);
        // A script that is no engine is named as such.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("var x = ;");
        f.close();
        QVERIFY(!missing.load(&error));
        QVERIFY2(error.contains(u"无法载入"_s), qPrintable(error));
    }

    // In a line of text the formula's baseline is the line's: its picture
    // reaches the formula's depth below it, and the line makes room for that.
    void formulaSitsOnTheBaseline()
    {
        FormulaRenderer renderer(engine.get());
        const Formula formula = renderer.render(kDoneWhen, 10.5);
        QVERIFY(formula.ok());

        QTextDocument doc;
        QFont font(u"Noto Serif CJK SC"_s);
        font.setPointSizeF(10.5);
        doc.setDefaultFont(font);
        installFormulaLayout(&doc);
        QTextCursor c(&doc);
        c.insertText(u"已知 "_s);
        QTextImageFormat f = formulaImageFormat(formula, &doc);
        // As a formula comes back from a file: without the alignment.
        f.setVerticalAlignment(QTextCharFormat::AlignNormal);
        c.insertImage(f);
        c.insertText(u" 是正数。"_s);
        alignFormulasOnBaseline(&doc);
        // Drawn in a colour of its own, to find it.
        QImage red(formula.image.size(), QImage::Format_RGB32);
        red.fill(Qt::red);
        doc.addResource(QTextDocument::ImageResource, QUrl(f.name()), red);
        doc.setTextWidth(600);

        QImage page(600, 200, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        doc.drawContents(&p);
        p.end();
        const QTextLine line = doc.begin().layout()->lineAt(0);
        const qreal baseline = doc.documentMargin() + line.y() + line.ascent();
        const auto [top, bottom] = rowsOf(page, qRgb(255, 0, 0));
        const qreal depthPx = formula.depth * 96 / 72;
        QVERIFY2(qAbs(bottom + 1 - (baseline + depthPx)) <= 1.0,
                 qPrintable(u"bottom %1, baseline %2, depth %3"_s.arg(bottom).arg(baseline).arg(depthPx)));
        QVERIFY(qAbs(bottom + 1 - top - formula.size.height()) <= 1.0);
        QVERIFY(line.descent() >= depthPx - 0.5);
        QVERIFY(line.ascent() >= formula.size.height() - depthPx - 0.5);

        // An ordinary picture still sits on the baseline.
        QTextDocument plain;
        installFormulaLayout(&plain);
        QImage blue(30, 20, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        plain.addResource(QTextDocument::ImageResource, QUrl(u"blue"_s), blue);
        QTextCursor pc(&plain);
        pc.insertText(u"ab"_s);
        QTextImageFormat pf;
        pf.setName(u"blue"_s);
        pf.setWidth(30);
        pf.setHeight(20);
        pc.insertImage(pf);
        page.fill(Qt::white);
        QPainter pp(&page);
        plain.drawContents(&pp);
        pp.end();
        const QTextLine pline = plain.begin().layout()->lineAt(0);
        const auto [ptop, pbottom] = rowsOf(page, qRgb(0, 0, 255));
        QCOMPARE(pbottom + 1, qRound(plain.documentMargin() + pline.y() + pline.ascent()));
        QCOMPARE(pbottom + 1 - ptop, 20);
    }

    // On screen a formula is shown at a third of the size it was rendered
    // at: every pixel of it counts, so a stroke one pixel thin stays visible
    // wherever it lies.
    void thinStrokesSurviveShrinking()
    {
        FormulaRenderer renderer(engine.get());
        const Formula formula = renderer.render(kDoneWhen, 10.5);
        QVERIFY(formula.ok());
        QTextDocument doc;
        installFormulaLayout(&doc);
        const QTextImageFormat f = formulaImageFormat(formula, &doc);
        // Strokes one pixel thin on every third row, just where sampling
        // every third row would miss them all.
        QImage stripes(formula.image.size(), QImage::Format_ARGB32);
        stripes.fill(Qt::transparent);
        for (int y = 0; y < stripes.height(); y += 3) {
            for (int x = 0; x < stripes.width(); ++x)
                stripes.setPixel(x, y, qRgb(0, 0, 0));
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(f.name()), stripes);
        QTextCursor(&doc).insertImage(f);
        alignFormulasOnBaseline(&doc);

        QImage page(200, 100, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        doc.drawContents(&p);
        p.end();
        // Each shown row covers three rows of the picture, one of them ink.
        qint64 ink = 0;
        qint64 pixels = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const int dark = 255 - qGray(page.pixel(x, y));
                ink += dark;
                pixels += dark > 0;
            }
        }
        QVERIFY(pixels > 0);
        const double shown = double(f.width() * f.height());
        QVERIFY2(ink > 0.6 * shown * 255 / 3, qPrintable(u"ink %1 over %2 pixels"_s.arg(ink).arg(shown)));
    }

    void nestedSvgIsFlattened()
    {
        const QString nested = uR"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 -1000 2000 1200">)"
                               uR"(<g><svg x="500" y="-200" width="10ex" overflow="visible">)"
                               uR"(<rect width="100" height="100" fill="red"/></svg></g></svg>)"_s;
        const QString flat = flattenNestedSvg(nested);
        QCOMPARE(flat.count(u"<svg"_s), 1);
        QVERIFY2(flat.contains(u"<g transform=\"translate(500,-200)\">"_s), qPrintable(flat));
        QVERIFY(flat.contains(u"<rect"_s));
        QCOMPARE(svgViewBox(flat), std::optional<QRectF>(QRectF(0, -1000, 2000, 1200)));
        QVERIFY(QSvgRenderer(flat.toUtf8()).isValid());
        QCOMPARE(svgViewBox(u"<svg/>"_s), std::nullopt);
    }

    void htmlShowsFormulasAsSvg()
    {
        FormulaRenderer renderer(engine.get());
        const Formula formula = renderer.render(kDoneWhen, 10.5);
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(u"答案："_s);
        c.insertImage(formulaImageFormat(formula, &doc));
        const QString html = htmlWithFormulas(doc, *engine);
        QCOMPARE(html.count(u"<svg"_s), 1);
        QVERIFY(!html.contains(u"<img"_s));
        QVERIFY(html.contains(u"答案："_s));
        QVERIFY2(html.contains(u"vertical-align: -"_s), qPrintable(html.left(2000)));
    }

    // \rule{1000em}{1000em} is 3.7 m square: its picture would take 6.9 GB.
    // It is refused with its size before anything is drawn; a formula as
    // large as a page is not.
    void formulaLargerThanAPageIsRefused()
    {
        FormulaRenderer renderer(engine.get());
        const Formula huge = renderer.render(u"\\rule{1000em}{1000em}"_s, 10.5);
        QVERIFY(!huge.ok());
        QCOMPARE(huge.error,
                 u"公式太大：排出来宽 370.4 厘米、高 370.4 厘米，超出了一张 A4 纸（21×29.7 厘米）。"
                 u"请把它拆成几个公式。"_s);
        QVERIFY(huge.image.isNull());
        const Formula wide = renderer.render(u"\\rule{40em}{1em}"_s, 10.5); // 14.8 cm
        QVERIFY2(wide.ok(), qPrintable(wide.error));
        QCOMPARE(wide.image.width(), int(std::ceil(wide.size.width() * 3)));
    }

    // The length limit and the watchdog agree: the watchdog allows a long
    // formula more time, as MathJax takes it (bench: formula.longest against
    // the time limit for it), a plain sum as long as the limit allows is
    // typeset, and a longer one is refused by its length, not taken for a
    // macro that calls itself.
    void plainLongFormulaIsTypesetOrRefusedByItsLength()
    {
        QCOMPARE(engine->timeLimitFor(1), engine->timeLimit());
        QCOMPARE(engine->timeLimitFor(FormulaEngine::kMaxSourceLength / 2), engine->timeLimit() * 5 / 4);
        QCOMPARE(engine->timeLimitFor(FormulaEngine::kMaxSourceLength), 2 * engine->timeLimit());
        QString sum = u"1+"_s.repeated(FormulaEngine::kMaxSourceLength / 2);
        sum.chop(1); // 999 characters
        // Time is not what is tested here (a loaded machine is slow): the
        // engine gets as long as it needs.
        FormulaEngine patient(QStringLiteral(TIKU_FORMULA_SCRIPT));
        patient.setTimeLimit(120000);
        const FormulaEngine::Result longest = patient.typeset(sum);
        QVERIFY2(longest.ok(), qPrintable(longest.error));
        QCOMPARE(longest.svg.count(u"data-c=\"31\""_s), 500); // every 1

        const QString twice = u"1+"_s.repeated(1000) + u"1"_s; // 2,001 characters
        const FormulaEngine::Result refused = engine->typeset(twice);
        QCOMPARE(refused.error, u"公式太长：最多 1000 个字符，这个公式有 2001 个。"_s);
    }

    // A formula stopped by the watchdog is named for what most likely
    // stopped it: a macro that calls itself only where the formula defines
    // macros, else its length or complexity.
    void stoppedFormulaIsToldWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"formula-engine.js"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("function tex2svg(s) { if (s.indexOf('loop') >= 0) { for (;;) {} } "
                "return {svg: '<svg viewBox=\"0 -500 1000 600\"></svg>', error: ''}; }");
        f.close();
        FormulaEngine looping(path);
        looping.setTimeLimit(200);
        QCOMPARE(looping.typeset(u"x+loop"_s).error,
                 u"排版这个公式超过了 0.2 秒，已停止。这个公式太长或太复杂，请把它拆成几个公式。"_s);
        QCOMPARE(looping.typeset(u"\\def\\f{\\f}loop"_s).error,
                 u"排版这个公式超过了 0.2 秒，已停止。请检查公式里有没有自己调用自己的宏定义。"_s);
        QCOMPARE(looping.typeset(u"\\newcommand{\\g}{\\g}loop"_s).error,
                 u"排版这个公式超过了 0.2 秒，已停止。请检查公式里有没有自己调用自己的宏定义。"_s);
        // \definecolor defines no macro.
        QVERIFY(looping.typeset(u"\\definecolor loop"_s).error.contains(u"太长或太复杂"_s));
    }

    // A NUL, a lone half of a surrogate pair or another invisible control
    // character is named with its place, in Chinese, and the engine is not
    // asked; characters outside the BMP and white space are fine.
    void unusableCharacterIsNamed()
    {
        const std::pair<QString, QString> cases[] = {
            {u"x"_s + QChar(0) + u"+1"_s,
             u"公式里第 2 个字符是看不见的控制字符（U+0000），无法排版。请删去它再试。"_s},
            {u"x+"_s + QChar(0xD835),
             u"公式里第 3 个字符是残缺的字符（U+D835，不成对的代理项），无法排版。请删去它再试。"_s},
            {QString(QChar(0xDC00)) + u"x"_s,
             u"公式里第 1 个字符是残缺的字符（U+DC00，不成对的代理项），无法排版。请删去它再试。"_s},
            {u"a\u0007b"_s, u"公式里第 2 个字符是看不见的控制字符（U+0007），无法排版。请删去它再试。"_s},
        };
        QVERIFY(engine->load());
        for (const auto& [input, error] : cases)
            QCOMPARE(engine->typeset(input).error, error);
        QVERIFY(engine->isLoaded()); // never asked, never stopped
        const FormulaEngine::Result fine = engine->typeset(u"x +\t1\n= \U0001D465"_s);
        QVERIFY2(fine.ok(), qPrintable(fine.error));
    }

    // What a formula sets on its nodes (a link, a style, a class, an id, a
    // paint from elsewhere) does not reach the SVG in the HTML; the drawing
    // does.
    void htmlSvgHoldsOnlyTheDrawing()
    {
        FormulaRenderer renderer(engine.get());
        QTextDocument doc;
        QTextCursor c(&doc);
        for (const QString& source :
             {u"\\mmlToken{mi}[href=\"javascript:alert(1)\" style=\"color:red\" class=\"c1\" id=\"i1\"]{x}"_s,
              u"\\color{url(http://example.com/x)}{y}+\\color{red}{z}"_s, u"\\text{中文}\\cancel{w}"_s}) {
            const Formula formula = renderer.render(source, 10.5);
            QVERIFY2(formula.ok(), qPrintable(formula.error));
            c.insertImage(formulaImageFormat(formula, &doc));
            c.insertText(u" "_s);
        }
        int left = -1;
        const QString html = htmlWithFormulas(doc, *engine, &left);
        QCOMPARE(left, 0);
        QCOMPARE(html.count(u"<svg"_s), 3);
        QString svgs;
        static const QRegularExpression svg(u"<svg.*?</svg>"_s,
                                            QRegularExpression::DotMatchesEverythingOption);
        for (auto m = svg.globalMatch(html); m.hasNext();)
            svgs += m.next().captured();
        for (const QString& banned :
             {u"href"_s, u"javascript"_s, u"color:red"_s, u"color: red"_s, u" class="_s, u"c1\""_s, u" id="_s,
              u"\"i1\""_s, u"url("_s, u"example.com"_s, u"<a"_s})
            QVERIFY2(!svgs.contains(banned),
                     qPrintable(banned + u": "_s + svgs.mid(svgs.indexOf(banned) - 300, 400)));
        // The drawing stays: the letter's outline, the colour, the text, the stroke.
        QVERIFY(svgs.contains(u"data-c=\"1D465\""_s));
        QVERIFY(svgs.contains(u"fill=\"red\""_s));
        QVERIFY(svgs.contains(u">中</text>"_s));
        QVERIFY(svgs.contains(u"<line "_s));
        QCOMPARE(svgs.count(u"style=\"vertical-align: -"_s), 3);
    }

    // A document has a time budget for its formulas: once it is spent, the
    // remaining formulas are written as their pictures, embedded, with their
    // source as the picture's text, and the caller is told how many.
    void documentTimeBudgetLeavesTheRestAsPictures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"formula-engine.js"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "function tex2svg(s) { if (s.indexOf('slow') >= 0) { for (;;) {} } "
            "return {svg: '<svg viewBox=\"0 -500 1000 600\"><path d=\"M0 0L9 9\"/></svg>', error: ''}; }");
        f.close();
        FormulaEngine slow(path);
        slow.setTimeLimit(300);
        QTextDocument doc;
        QTextCursor c(&doc);
        formulasample::insert(c, u"x"_s);
        for (int i = 1; i <= 5; ++i)
            formulasample::insert(c, u"slow%1"_s.arg(i));
        int left = -1;
        const QString html = htmlWithFormulas(doc, slow, &left, 500);
        // The first slow one had its own time (on a loaded machine the budget
        // may be spent in it already); the last three were not tried.
        QVERIFY2(left >= 3 && left <= 5, qPrintable(QString::number(left)));
        QCOMPARE(html.count(u"<svg"_s), 1);
        QCOMPARE(html.count(u"<img src=\"data:image/png;base64,"_s), 5);
        for (int i = 1; i <= 5; ++i)
            QVERIFY(html.contains(u"alt=\"$slow%1$\""_s.arg(i)));
    }
};

QTEST_MAIN(FormulaEngineTest)
#include "FormulaEngineTest.moc"
