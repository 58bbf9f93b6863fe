// LibreOffice as the reference renderer: it draws our generated metafiles
// and the Equation Editor pictures of a real Word document (each put into an
// RTF document and turned into PDF by LibreOffice, the PDF into pixels by
// pdftoppm), and our player must put the same ink in the same places. Fonts
// differ between the two (LibreOffice substitutes its own), so the
// comparison is of ink positions, with a little slack: 85% of each
// side's ink must lie near the other's (a glyph of another font, such as
// LibreOffice's larger asterisk, accounts for the rest).
#include "CorpusPieces.h"
#include "metafile/Metafile.h"
#include "metafilegen/Samples.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDpi = 100;
constexpr int kWidthTwips = 8640; // six inches

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

bool inked(QRgb p)
{
    return qGray(p) < 160;
}

// The picture's part of an image: the box around everything not white.
QImage trimmed(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 250) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QImage() : image.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
}

// The share of the ink of `a` that lies within `slack` pixels of the ink of `b`.
double covered(const QImage& a, const QImage& b, int slack)
{
    const int w = b.width();
    const int h = b.height();
    QList<bool> near(w * h, false);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!inked(b.pixel(x, y)))
                continue;
            for (int dy = -slack; dy <= slack; ++dy) {
                for (int dx = -slack; dx <= slack; ++dx) {
                    if (x + dx >= 0 && y + dy >= 0 && x + dx < w && y + dy < h)
                        near[(y + dy) * w + x + dx] = true;
                }
            }
        }
    }
    qint64 ink = 0;
    qint64 hit = 0;
    for (int y = 0; y < a.height() && y < h; ++y) {
        for (int x = 0; x < a.width() && x < w; ++x) {
            if (!inked(a.pixel(x, y)))
                continue;
            ++ink;
            hit += near[y * w + x] ? 1 : 0;
        }
    }
    return ink ? double(hit) / ink : 0;
}

// An RTF document with the picture alone, six inches wide.
QByteArray documentWith(const QByteArray& picture)
{
    const metafile::MetafilePlayer player(picture);
    const QRectF frame = player.frame();
    const int heightTwips = int(kWidthTwips * std::abs(frame.height() / frame.width()));
    QByteArray rtf =
        "{\\rtf1\\ansi\\paperw11906\\paperh16838\\margl720\\margr720\\margt720\\margb720 {\\pict";
    QByteArray data = picture;
    if (player.info().format == metafile::Format::Emf) {
        rtf += "\\emfblip";
    } else {
        if (player.info().placeable)
            data = data.mid(22); // RTF holds a WMF without its placeable header
        rtf += "\\wmetafile8\\picw" + QByteArray::number(kWidthTwips * 254 / 144) + "\\pich" +
               QByteArray::number(heightTwips * 254 / 144);
    }
    rtf +=
        "\\picwgoal" + QByteArray::number(kWidthTwips) + "\\pichgoal" + QByteArray::number(heightTwips) + ' ';
    rtf += data.toHex() + "}\\par}";
    return rtf;
}

} // namespace

class MetafileInteropTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QList<std::pair<QString, QByteArray>> pictures_;

private slots:
    void initTestCase()
    {
        const QString soffice = findSoffice();
        if (soffice.isEmpty())
            QFAIL("LibreOffice (soffice) is not installed; the interoperability test needs it");
        const QString pdftoppm = QStandardPaths::findExecutable(u"pdftoppm"_s);
        QVERIFY2(!pdftoppm.isEmpty(), "pdftoppm (poppler-utils) is needed");
        QVERIFY(dir_.isValid());
        pictures_ = {{u"formula-wmf"_s, metafilegen::formulaWmf()},
                     {u"figure-wmf"_s, metafilegen::figureWmf()},
                     {u"figure-emf"_s, metafilegen::figureEmf()}};
        // Pictures of Equation Editor 3.0 objects from a Word document, and of
        // a Word drawing.
        const QByteArray rtf =
            corpus::readFile(corpus::dataPath(u"rtf-corpus/wpf-test/w11_w11_Formulas.rtf"_s));
        for (const corpus::Piece& p : corpus::objects(rtf)) {
            if (p.kind == u"Equation.3"_s && !p.resultWmf.isEmpty())
                pictures_ << std::pair{u"equation-word"_s, p.resultWmf};
        }
        const QByteArray visio =
            corpus::readFile(corpus::dataPath(u"rtf-corpus/rtfjs/wmf-and-emf/source.rtf"_s));
        for (const corpus::Piece& p : corpus::pictures(visio)) {
            if (p.kind == u"emf"_s) {
                pictures_ << std::pair{u"visio-emf"_s, p.data};
                break;
            }
        }
        QCOMPARE(pictures_.size(), 5);

        QStringList documents;
        for (const auto& [name, bytes] : pictures_) {
            QFile f(dir_.filePath(name + u".rtf"_s));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(documentWith(bytes));
            documents << f.fileName();
        }
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString profile = QUrl::fromLocalFile(dir_.filePath(u"profile"_s)).toString();
        p.start(soffice, QStringList{u"-env:UserInstallation="_s + profile, u"--headless"_s,
                                     u"--convert-to"_s, u"pdf"_s, u"--outdir"_s, dir_.path()} +
                             documents);
        QVERIFY2(p.waitForFinished(300000), "LibreOffice did not finish within five minutes");
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
        for (const auto& [name, bytes] : pictures_) {
            QProcess ppm;
            ppm.start(pdftoppm, {u"-r"_s, QString::number(kDpi), u"-png"_s, u"-singlefile"_s,
                                 dir_.filePath(name + u".pdf"_s), dir_.filePath(name)});
            QVERIFY(ppm.waitForFinished(60000));
            QCOMPARE(ppm.exitCode(), 0);
        }
    }

    void sameInkAsLibreOffice_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < pictures_.size(); ++i)
            QTest::newRow(qPrintable(pictures_[i].first)) << i;
    }
    void sameInkAsLibreOffice()
    {
        QFETCH(int, index);
        const auto& [name, bytes] = pictures_[index];
        const QImage page(dir_.filePath(name + u".png"_s));
        QVERIFY2(!page.isNull(), qPrintable(name));
        const QImage reference = trimmed(page.convertToFormat(QImage::Format_RGB32));
        QVERIFY2(!reference.isNull(), "LibreOffice drew nothing");

        // Ours at the size the picture has on LibreOffice's page, cut to its
        // ink, brought to the size of LibreOffice's ink.
        const metafile::MetafilePlayer player(bytes);
        const QRectF frame = player.frame();
        const int width = kWidthTwips * kDpi / 1440;
        const QSize size(width, int(width * std::abs(frame.height() / frame.width())));
        metafile::PlaybackReport report;
        const QImage rendered = player.render(size, Qt::white, &report).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(report.complete, qPrintable(report.problem));
        const QImage ours =
            trimmed(rendered).scaled(reference.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(!ours.isNull());

        const int slack = std::max(2, reference.width() / 100);
        const double ourInkThere = covered(ours, reference, slack);
        const double theirInkHere = covered(reference, ours, slack);
        if (ourInkThere < 0.85 || theirInkHere < 0.85) {
            ours.save(QDir::temp().filePath(u"ours-"_s + name + u".png"_s));
            reference.save(QDir::temp().filePath(u"libreoffice-"_s + name + u".png"_s));
        }
        QVERIFY2(
            ourInkThere >= 0.85 && theirInkHere >= 0.85,
            qPrintable(u"%1: %2% of our ink near LibreOffice's, %3% of LibreOffice's near ours"_s.arg(name)
                           .arg(ourInkThere * 100, 0, 'f', 1)
                           .arg(theirInkHere * 100, 0, 'f', 1)));
    }
};

QTEST_MAIN(MetafileInteropTest)
#include "MetafileInteropTest.moc"
