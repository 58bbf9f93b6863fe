// The metafile player: WMF and EMF records drawn through QPainter, compared
// with stored pictures and checked for what a teacher sees (the fraction bar
// where it belongs, the text of a formula in a PDF), and damaged or hostile
// files drawn as far as they are sound.
#include "CorpusPieces.h"
#include "metafile/Metafile.h"
#include "metafile/SymbolFonts.h"
#include "metafilegen/MetafileWriter.h"
#include "metafilegen/Samples.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using metafile::MetafilePlayer;
using metafilegen::EmfWriter;
using metafilegen::WmfWriter;

namespace {

bool dark(QRgb p)
{
    return qGray(p) < 128;
}

// The bounding box of the pixels that `keep` selects.
template <typename Keep> QRect inkWhere(const QImage& image, Keep keep)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (keep(line[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect ink(const QImage& image)
{
    return inkWhere(image, dark);
}

int countWhere(const QImage& image, const QRect& area, bool (*keep)(QRgb))
{
    int n = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y) {
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            n += keep(image.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

QImage render(const QByteArray& data, QSize size, metafile::PlaybackReport* report = nullptr)
{
    return MetafilePlayer(data).render(size, Qt::white, report).convertToFormat(QImage::Format_RGB32);
}

// Compares with tests/data/metafile/<name>.png: a pixel differs when a
// channel is off by more than 64 (text is antialiased a little differently
// from one FreeType to the next); at most 1% may differ. With
// TIKU_UPDATE_GOLDEN=1 the stored picture is written instead.
void compareGolden(const QString& name, const QImage& image)
{
    const QString path = corpus::dataPath(u"metafile/"_s + name + u".png"_s);
    if (qEnvironmentVariableIntValue("TIKU_UPDATE_GOLDEN")) {
        QVERIFY(image.save(path));
        return;
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!golden.isNull(), qPrintable(u"missing "_s + path + u" (TIKU_UPDATE_GOLDEN=1 writes it)"_s));
    QCOMPARE(image.size(), golden.size());
    int differ = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y);
            const QRgb b = golden.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64 ||
                std::abs(qBlue(a) - qBlue(b)) > 64)
                ++differ;
        }
    }
    const double share = double(differ) / (image.width() * image.height());
    if (share > 0.01)
        image.save(QDir::temp().filePath(name + u"-actual.png"_s));
    QVERIFY2(share <= 0.01, qPrintable(u"%1: %2% of the pixels differ (actual picture in %3)"_s.arg(name)
                                           .arg(share * 100, 0, 'f', 2)
                                           .arg(QDir::temp().filePath(name + u"-actual.png"_s))));
}

// An EMF of 100 by 100 mm on a 1000 by 1000 pixel reference device.
EmfWriter square()
{
    return EmfWriter(QRect(0, 0, 10000, 10000), QSize(1000, 1000), QSize(100, 100));
}

QByteArray blackBox(EmfWriter e, QRect box)
{
    e.selectObject(0x80000004).selectObject(0x80000008).rectangle(box); // black brush, no pen
    return e.finish();
}

} // namespace

class MetafilePlayerTest : public QObject
{
    Q_OBJECT

private slots:
    // A MathType formula as Word shows it: the stored picture, and the parts
    // a reader looks at: the fraction bar is a full-width horizontal band at
    // its height, the numerator above it, the denominator below it.
    void formulaPicture()
    {
        const QByteArray wmf = metafilegen::formulaWmf();
        const metafile::MetafileInfo info = metafile::probe(wmf);
        QVERIFY(info.placeable);
        QCOMPARE(info.naturalSize, QSizeF(2000.0 / 1440 * 72, 900.0 / 1440 * 72));

        metafile::PlaybackReport report;
        const QImage image = render(wmf, QSize(400, 180), &report);
        QVERIFY2(report.complete, qPrintable(report.problem));
        QCOMPARE(report.unsupported, 0);
        compareGolden(u"formula"_s, image);

        const qreal sx = 400.0 / metafilegen::kFormulaWidth;
        const qreal sy = 180.0 / metafilegen::kFormulaHeight;
        const int barY = int((metafilegen::kFormulaBarTop + metafilegen::kFormulaBarBottom) / 2.0 * sy);
        const int left = int(metafilegen::kFormulaBarLeft * sx);
        const int right = int(metafilegen::kFormulaBarRight * sx);
        const int onBar = countWhere(image, QRect(left + 2, barY, right - left - 4, 1), dark);
        QCOMPARE(onBar, right - left - 4);
        // The bar's band is thin: 3 pixels here, and nothing dark between
        // the glyphs right above and below it.
        QVERIFY(countWhere(image, QRect(left + 2, barY - 3, right - left - 4, 1), dark) < (right - left) / 4);
        QVERIFY(countWhere(image, QRect(left + 2, barY + 3, right - left - 4, 1), dark) < (right - left) / 4);
        // Numerator above, denominator below, "x =" on the baseline between.
        QVERIFY(countWhere(image, QRect(left, 0, right - left, barY - 4), dark) > 200);
        QVERIFY(countWhere(image, QRect(left, barY + 4, right - left, 180 - barY - 4), dark) > 60);
        QVERIFY(countWhere(image, QRect(0, barY - 20, left - 4, 40), dark) > 60);
        // The radical's overline runs above the radicand.
        const int radicalY = int(110 * sy);
        QVERIFY(countWhere(image, QRect(int(1120 * sx), radicalY - 1, int(660 * sx), 3), dark) >
                int(600 * sx));
    }

    // Vector pictures stay sharp at any size: drawn four times as large, the
    // bar is four times as thick and still a clean band.
    void formulaAtPrintResolution()
    {
        const QByteArray wmf = metafilegen::formulaWmf();
        const QImage small = render(wmf, QSize(400, 180));
        const QImage large = render(wmf, QSize(1600, 720));
        auto barRows = [](const QImage& image, int x) {
            int rows = 0;
            for (int y = image.height() / 3; y < image.height() * 2 / 3; ++y)
                rows += dark(image.pixel(x, y)) ? 1 : 0;
            return rows;
        };
        // A column through the bar only (between numerator glyphs and denominator).
        const int smallRows = barRows(small, int(1850.0 / 2000 * 400) - 10);
        const int largeRows = barRows(large, int(1850.0 / 2000 * 1600) - 40);
        QVERIFY2(smallRows >= 2 && smallRows <= 4, qPrintable(QString::number(smallRows)));
        QVERIFY2(std::abs(largeRows - 4 * smallRows) <= 3,
                 qPrintable(u"%1 %2"_s.arg(smallRows).arg(largeRows)));
        QVERIFY(std::abs(ink(large).width() - 4 * ink(small).width()) <= 8);
    }

    // Drawn into a PDF, the formula's text stays text, with the Symbol font's
    // characters as the Unicode characters they show.
    void formulaInPdfKeepsItsText()
    {
        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is needed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"formula.pdf"_s);
        {
            QPdfWriter writer(pdf);
            writer.setResolution(1200);
            QPainter painter(&writer);
            const MetafilePlayer player(metafilegen::formulaWmf());
            const metafile::PlaybackReport report = player.draw(painter, QRectF(500, 500, 4000, 1800));
            QVERIFY(report.complete);
        }
        QProcess p;
        p.start(pdftotext, {pdf, u"-"_s});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& part : {u"x"_s, u"="_s, u"±"_s, u"−"_s, u"ac"_s, u"2"_s})
            QVERIFY2(text.contains(part), qPrintable(part + u" not in: "_s + text));
    }

    void symbolFontsMapToUnicode()
    {
        QCOMPARE(metafile::symbolToUnicode(u'a'), u'α');
        QCOMPARE(metafile::symbolToUnicode(0xF0B1), u'±');
        QCOMPARE(metafile::symbolToUnicode(0xD6), u'√');
        QCOMPARE(metafile::symbolToUnicode(0x80), char16_t(0));
        QCOMPARE(metafile::mtExtraToUnicode(0x4C), u'⋯');
        QCOMPARE(metafile::mtExtraToUnicode(0x51), u'∵');
        QCOMPARE(metafile::symbolEncodingOf(u"mt extra"), metafile::SymbolEncoding::MtExtra);
        // The real Symbol font draws private-use glyphs: never asked for.
        QVERIFY(!metafile::fallbackFamilies(u"Symbol"_s, 0).contains(u"Symbol"_s));
        QCOMPARE(metafile::fallbackFamilies(u"宋体"_s, 0).first(), u"宋体"_s);
        // In a Symbol font, a byte is a position and Unicode text is itself:
        // both draw the Greek letter.
        for (const QString& text : {u"a"_s, u"\uF061"_s, u"α"_s}) {
            EmfWriter e = square();
            e.createFont(1, u"Symbol"_s, -600, 400, false, 2).selectObject(1).setTextAlign(24);
            e.extTextOutW(200, 800, text);
            const QRect alpha = ink(render(e.finish(), QSize(100, 100)));
            QVERIFY2(alpha.width() >= 3 && alpha.height() >= 3, qPrintable(text));
        }
    }

    // Geometry figures: the stored pictures, and what must be where.
    void figurePictures()
    {
        metafile::PlaybackReport report;
        const QImage wmf = render(metafilegen::figureWmf(), QSize(480, 360), &report);
        QVERIFY2(report.complete && report.unsupported == 0, qPrintable(report.problem));
        QVERIFY2(report.records > 220, qPrintable(QString::number(report.records)));
        compareGolden(u"figure-wmf"_s, wmf);
        // The hatched sector has both hatch and paper inside; the circle's
        // outline passes through its leftmost point.
        const QRect sector(int(2350 * 0.12), int(1650 * 0.12), 20, 10);
        QVERIFY(countWhere(wmf, sector, dark) > 5);
        QVERIFY(countWhere(wmf, sector, [](QRgb p) { return qGray(p) > 200; }) > 5);
        QVERIFY(countWhere(wmf, QRect(int(1700 * 0.12) - 2, int(1800 * 0.12) - 2, 5, 5), dark) > 0);

        const QImage emf = render(metafilegen::figureEmf(), QSize(480, 360), &report);
        QVERIFY2(report.complete && report.unsupported == 0, qPrintable(report.problem));
        compareGolden(u"figure-emf"_s, emf);
        // The black disc is clipped at x = 2000 of 4000: its left half only.
        const QImage middle = emf.copy(150, 180, 150, 90);
        QRect disc = inkWhere(middle, [](QRgb p) { return qGray(p) < 40; });
        disc.translate(150, 180);
        QVERIFY2(std::abs(disc.right() - 240) <= 2, qPrintable(u"%1"_s.arg(disc.right())));
        QVERIFY2(std::abs(disc.left() - int(1700 * 0.12)) <= 2, qPrintable(u"%1"_s.arg(disc.left())));
        // The yellow path is filled under its curve.
        const QRgb fill = emf.pixel(240, 220);
        QVERIFY2(qRed(fill) > 200 && qBlue(fill) < 180, qPrintable(QString::number(fill, 16)));
    }

    // The window and viewport, mapping modes, the world transform and the
    // save stack put a shape where GDI puts it.
    void mapping_data()
    {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<QRect>("expected"); // in the 200 by 200 rendering of 100 by 100 mm
        {
            EmfWriter e = square();
            e.setMapMode(8).setWindowExt(1000, 1000).setViewportExt(500, 500);
            QTest::newRow("anisotropic: half scale")
                << blackBox(e, QRect(0, 0, 1000, 500)) << QRect(0, 0, 100, 50);
        }
        {
            EmfWriter e = square();
            e.setMapMode(7).setWindowExt(100, 50).setViewportExt(1000, 1000);
            QTest::newRow("isotropic keeps the aspect")
                << blackBox(e, QRect(0, 0, 100, 50)) << QRect(0, 0, 200, 100);
        }
        {
            EmfWriter e = square();
            e.setMapMode(2).setWindowOrg(0, 0).setViewportOrg(0, 1000); // 0.1 mm, y up from the bottom
            QTest::newRow("lometric: y grows upwards")
                << blackBox(e, QRect(0, 0, 500, 250)) << QRect(0, 150, 100, 50);
        }
        {
            EmfWriter e = square();
            e.setWorldTransform(1, 0, 0, 1, 500, 250);
            QTest::newRow("world transform") << blackBox(e, QRect(0, 0, 250, 250)) << QRect(100, 50, 50, 50);
        }
        {
            EmfWriter e = square();
            e.saveDc().setMapMode(8).setWindowExt(10, 10).setViewportExt(1000, 1000).restoreDc(-1);
            QTest::newRow("restored mapping")
                << blackBox(e, QRect(500, 500, 500, 500)) << QRect(100, 100, 100, 100);
        }
        {
            WmfWriter w(true, QRect(0, 0, 1000, 1000), 254);
            w.setWindowOrg(-500, -500).setWindowExt(1000, 1000);
            w.createBrush(0, Qt::black).createPen(5, 0, Qt::black).selectObject(0).selectObject(1);
            w.rectangle(QRect(0, 0, 500, 500));
            QTest::newRow("wmf window origin") << w.finish() << QRect(100, 100, 100, 100);
        }
    }
    void mapping()
    {
        QFETCH(QByteArray, emf);
        QFETCH(QRect, expected);
        metafile::PlaybackReport report;
        const QImage image = render(emf, QSize(200, 200), &report);
        QVERIFY2(report.complete, qPrintable(report.problem));
        const QRect got = ink(image);
        QVERIFY2(std::abs(got.left() - expected.left()) <= 1 && std::abs(got.top() - expected.top()) <= 1 &&
                     std::abs(got.right() - expected.right()) <= 2 &&
                     std::abs(got.bottom() - expected.bottom()) <= 2,
                 qPrintable(u"(%1,%2 %3x%4)"_s.arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())));
    }

    // WMF objects take the lowest free slot: a deleted pen's slot goes to the
    // next object made, and selecting it selects that object.
    void wmfObjectSlots()
    {
        WmfWriter w(true, QRect(0, 0, 100, 100), 100);
        w.createBrush(0, Qt::red);    // 0
        w.createBrush(0, Qt::green);  // 1
        w.createPen(5, 0, Qt::black); // 2
        w.deleteObject(0);
        w.createBrush(0, Qt::blue); // takes 0
        w.selectObject(2).selectObject(0).rectangle(QRect(0, 0, 50, 100));
        w.selectObject(1).rectangle(QRect(50, 0, 50, 100));
        w.selectObject(7); // an empty slot: nothing changes
        w.rectangle(QRect(50, 50, 50, 50));
        const QImage image = render(w.finish(), QSize(100, 100));
        QCOMPARE(QColor(image.pixel(20, 50)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(70, 20)), QColor(Qt::green));
        QCOMPARE(QColor(image.pixel(70, 80)), QColor(Qt::green));
    }

    // ExtTextOut's advances place each character; the alignment flags move
    // the string around its reference point.
    void textAdvancesAndAlignment()
    {
        // 4000 by 400 units drawn 800 by 80: 0.2 pixels a unit; the
        // reference point at 2000, 300 (400, 60 in pixels).
        auto text = [](int align, const QList<int>& dx) {
            WmfWriter w(true, QRect(0, 0, 4000, 400), 1000);
            w.setBkMode(1).setTextAlign(align);
            w.createFont(u"DejaVu Sans"_s, -200).selectObject(0);
            w.extTextOut(2000, 300, "IIII", dx);
            return ink(render(w.finish(), QSize(800, 80)));
        };
        const QRect wide = text(24, {400, 400, 400, 400});
        const QRect narrow = text(24, {60, 60, 60, 60});
        QVERIFY2(wide.width() > 4 * narrow.width(),
                 qPrintable(u"%1 %2"_s.arg(wide.width()).arg(narrow.width())));
        // Four strokes 400 units apart: from the first to the last 1200 units, 240 pixels.
        QVERIFY2(std::abs(wide.width() - 240) <= 12, qPrintable(QString::number(wide.width())));
        QVERIFY2(std::abs(wide.left() - 400) <= 6, qPrintable(QString::number(wide.left())));
        // Right-aligned, the string ends at the reference point: moved left by
        // its whole advance (1600 units); centred, by half of it.
        const QRect right = text(24 | 2, {400, 400, 400, 400});
        QVERIFY2(std::abs(wide.left() - right.left() - 320) <= 2, qPrintable(QString::number(right.left())));
        const QRect centre = text(24 | 6, {400, 400, 400, 400});
        QVERIFY2(std::abs(wide.left() - centre.left() - 160) <= 2,
                 qPrintable(QString::number(centre.left())));
        // TA_TOP (0) hangs the text below the reference point, TA_BASELINE sits it on it.
        QVERIFY(text(0, {}).top() >= 59);
        QVERIFY(text(24, {}).bottom() <= 61);
    }

    // Bitmaps: scaled into their rectangle, the right way up (DIBs are
    // stored bottom row first).
    void bitmaps()
    {
        QImage picture(2, 2, QImage::Format_RGB32);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(1, 0, qRgb(0, 255, 0));
        picture.setPixel(0, 1, qRgb(0, 0, 255));
        picture.setPixel(1, 1, qRgb(255, 255, 0));
        auto check = [](const QImage& image) {
            QCOMPARE(QColor(image.pixel(20, 20)), QColor(255, 0, 0));
            QCOMPARE(QColor(image.pixel(80, 20)), QColor(0, 255, 0));
            QCOMPARE(QColor(image.pixel(20, 80)), QColor(0, 0, 255));
            QCOMPARE(QColor(image.pixel(80, 80)), QColor(255, 255, 0));
        };
        WmfWriter w(true, QRect(0, 0, 100, 100), 100);
        w.stretchDib(QRect(0, 0, 100, 100), picture);
        check(render(w.finish(), QSize(100, 100)));
        EmfWriter e = square();
        e.stretchDiBits(QRect(0, 0, 1000, 1000), picture);
        check(render(e.finish(), QSize(100, 100)));
    }

    // Damaged, truncated, huge and hostile files: drawn as far as they are
    // sound, never a crash, never a hang.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("someInk");
        QTest::addColumn<bool>("complete"); // played to its end record, what was unsound left out
        const QByteArray formula = metafilegen::formulaWmf();
        QTest::newRow("truncated in the middle") << formula.left(formula.size() * 2 / 3) << true << false;
        QByteArray zeroSize = formula;
        zeroSize.replace(22 + 18, 4, QByteArray(4, '\0')); // the first record's size
        QTest::newRow("record of size 0") << zeroSize << false << false;
        QByteArray past = formula;
        past[22 + 18 + 2] = char(0x7F); // a record reaching far past the end
        QTest::newRow("record past the end") << past << false << false;
        const QByteArray emf = metafilegen::figureEmf();
        QTest::newRow("emf truncated") << emf.left(emf.size() - 200) << true << false;
        {
            WmfWriter w(true, QRect(0, 0, 32000, 32000), 1440);
            w.setWindowExt(32000, 32000).createPen(0, 0, Qt::black).selectObject(0);
            w.polyline({{0, 0}, {32000, 32000}});
            w.record(
                0x0F43, {0x20, 0xCC, 0, 1, 10, 0, 0, 100, 100, 0, 0},
                metafilegen::packedDib(QImage(2, 1, QImage::Format_RGB32)).replace(4, 4, "\xA0\x86\x01\x00"));
            QTest::newRow("100000-pixel bitmap") << w.finish() << true << true;
        }
        {
            EmfWriter e = square();
            for (int i = 0; i < 20000; ++i)
                e.saveDc();
            e.restoreDc(-20000).restoreDc(5).restoreDc(-1);
            e.record(35, QByteArray(24, '\xFF')); // a transform of NaNs
            e.setMapMode(8).setWindowExt(0, 0).setViewportExt(1, 0);
            e.createPen(1, 0x1, 2000000000, Qt::black).selectObject(1); // dashed, miles wide
            e.moveTo(-2000000000, -2000000000).lineTo(2000000000, 2000000000);
            e.selectObject(0x80000004).rectangle(QRect(100, 100, 200, 200));
            QTest::newRow("deep stack, NaN, huge pen") << e.finish() << true << true;
        }
        {
            WmfWriter w(true, QRect(0, 0, 1000, 1000), 1000);
            QList<QPoint> zigzag;
            for (int i = 0; i < 8000; ++i)
                zigzag << QPoint(i % 1000, (i * 37) % 1000);
            for (int i = 0; i < 700; ++i)
                w.polygon(zigzag);
            QTest::newRow("millions of crossing edges") << w.finish() << true << false;
        }
        {
            // Over 64 MB: one enormous comment, then a shape that is not drawn.
            EmfWriter e = square();
            e.record(70, QByteArray(65 * 1024 * 1024, 'x'));
            e.selectObject(0x80000004).rectangle(QRect(0, 0, 1000, 1000));
            QTest::newRow("over 64 MB") << e.finish() << false << false;
        }
        {
            // An EMF+ header saying the file has no EMF records to fall back on.
            EmfWriter e = square();
            e.record(70, QByteArray("\x1C\x00\x00\x00"
                                    "EMF+"
                                    "\x01\x40\x00\x00",
                                    12) +
                             QByteArray(16, '\0'));
            QTest::newRow("EMF+ only") << e.finish() << false << true;
        }
        QTest::newRow("not a metafile") << QByteArray("\x01\x00\x09\x00 just text", 18) << false << false;
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, someInk);
        QFETCH(bool, complete);
        QElapsedTimer clock;
        clock.start();
        metafile::PlaybackReport report;
        const QImage image = render(data, QSize(200, 200), &report);
        QVERIFY2(clock.elapsed() < metafile::kMaxPlaybackMilliseconds + 3000,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(report.complete, complete);
        // What was left out is said.
        if (!report.complete || report.unsupported)
            QVERIFY(!report.problem.isEmpty());
        const QByteArray tag = QTest::currentDataTag();
        if (tag.contains("bitmap") || tag.contains("EMF+"))
            QCOMPARE(report.unsupported, 1);
        if (!image.isNull())
            QCOMPARE(!ink(image).isNull(), someInk);
        else
            QVERIFY(!someInk);
    }

    // A WMF that says nothing about its size: the player measures what it
    // draws. Others: the natural size from the header.
    void frames()
    {
        WmfWriter w(false);
        w.createBrush(0, Qt::black).selectObject(0).rectangle(QRect(100, 200, 300, 100));
        const MetafilePlayer player(w.finish());
        QVERIFY(player.isValid());
        QVERIFY(player.info().naturalSize.isEmpty());
        const QRectF frame = player.frame();
        QVERIFY2(std::abs(frame.left() - 100) <= 1 && std::abs(frame.width() - 300) <= 2,
                 qPrintable(u"%1 %2"_s.arg(frame.left()).arg(frame.width())));
        QCOMPARE(player.naturalSize(QSizeF(30, 10)), QSizeF(30, 10));
        const metafile::MetafileInfo emf = metafile::probe(metafilegen::figureEmf());
        QCOMPARE(emf.format, metafile::Format::Emf);
        QVERIFY(std::abs(emf.naturalSize.width() - 4 * 72) < 0.5);
        QCOMPARE(metafile::probe(QByteArray("\x89PNG\r\n\x1a\n....")).format, metafile::Format::None);
    }

    // Real pictures from Word and WordPad documents: each is played to its
    // end record, nothing skipped, and draws something.
    void realPictures()
    {
        int played = 0;
        for (const QString& file :
             {u"rtf-corpus/rtfjs/wmf/source.rtf"_s, u"rtf-corpus/rtfjs/wmf-and-emf/source.rtf"_s,
              u"rtf-corpus/rtfjs/simplepict/source.rtf"_s, u"rtf-corpus/wpf-test/w11_w11_Formulas.rtf"_s}) {
            const QByteArray rtf = corpus::readFile(corpus::dataPath(file));
            QVERIFY2(!rtf.isEmpty(), qPrintable(file));
            for (const corpus::Piece& p : corpus::pictures(rtf)) {
                const MetafilePlayer player(p.data);
                QVERIFY2(player.isValid(), qPrintable(file));
                const QSizeF natural = player.naturalSize(QSizeF(200, 100));
                QSize size = (natural * 2).toSize().boundedTo(QSize(1200, 1200));
                metafile::PlaybackReport report;
                const QImage image = player.render(size.expandedTo(QSize(20, 20)), Qt::white, &report);
                QVERIFY2(report.complete, qPrintable(file + u": "_s + report.problem));
                QVERIFY2(report.unsupported == 0, qPrintable(file + u": "_s + report.problem));
                QVERIFY2(!inkWhere(image, [](QRgb p) { return qGray(p) < 250; }).isNull(), qPrintable(file));
                ++played;
            }
        }
        QVERIFY2(played >= 40, qPrintable(QString::number(played)));
    }
};

QTEST_MAIN(MetafilePlayerTest)
#include "MetafilePlayerTest.moc"
