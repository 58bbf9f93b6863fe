// LibreOffice as the reference renderer: it draws our generated metafiles
// and the Equation Editor pictures of a real Word document to PNG
// (soffice --convert-to png), and our player must put the same ink in the
// same places. Fonts differ between the two (LibreOffice substitutes its
// own), so the comparison is of ink positions, with a little slack.
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

// Dark pixels, and the same grown by `grow` pixels in every direction.
QList<bool> mask(const QImage& image, int grow)
{
    const int w = image.width();
    const int h = image.height();
    QList<bool> m(w * h, false);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (qGray(image.pixel(x, y)) >= 160 || qAlpha(image.pixel(x, y)) < 128)
                continue;
            for (int dy = -grow; dy <= grow; ++dy) {
                for (int dx = -grow; dx <= grow; ++dx) {
                    const int xx = x + dx;
                    const int yy = y + dy;
                    if (xx >= 0 && yy >= 0 && xx < w && yy < h)
                        m[yy * w + xx] = true;
                }
            }
        }
    }
    return m;
}

// The share of the ink of `a` that lies on or next to the ink of `b`.
double covered(const QImage& a, const QImage& b, int slack)
{
    const QList<bool> inkA = mask(a, 0);
    const QList<bool> nearB = mask(b, slack);
    qint64 ink = 0;
    qint64 hit = 0;
    for (qsizetype i = 0; i < inkA.size(); ++i) {
        if (!inkA[i])
            continue;
        ++ink;
        hit += nearB[i] ? 1 : 0;
    }
    return ink ? double(hit) / ink : 0;
}

} // namespace

class MetafileInteropTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList names_;

private slots:
    void initTestCase()
    {
        const QString soffice = findSoffice();
        if (soffice.isEmpty())
            QFAIL("LibreOffice (soffice) is not installed; the interoperability test needs it");
        QVERIFY(dir_.isValid());
        QList<std::pair<QString, QByteArray>> files{{u"formula.wmf"_s, metafilegen::formulaWmf()},
                                                    {u"figure.wmf"_s, metafilegen::figureWmf()},
                                                    {u"figure.emf"_s, metafilegen::figureEmf()}};
        // Equation Editor 3.0 pictures from a Word document.
        const QByteArray rtf = corpus::readFile(corpus::dataPath(u"rtf-corpus/rtfjs/wmf/source.rtf"_s));
        int n = 0;
        for (const corpus::Piece& p : corpus::objects(rtf)) {
            if (p.kind == u"Equation.3"_s && !p.resultWmf.isEmpty() && n < 6)
                files << std::pair{u"equation%1.wmf"_s.arg(++n), p.resultWmf};
        }
        QStringList paths;
        for (const auto& [name, bytes] : files) {
            QFile f(dir_.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(bytes), bytes.size());
            paths << f.fileName();
            names_ << name;
        }
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString profile = QUrl::fromLocalFile(dir_.filePath(u"profile"_s)).toString();
        p.start(soffice, QStringList{u"-env:UserInstallation="_s + profile, u"--headless"_s,
                                     u"--convert-to"_s, u"png"_s, u"--outdir"_s, dir_.filePath(u"png"_s)} +
                             paths);
        QVERIFY2(p.waitForFinished(300000), "LibreOffice did not finish within five minutes");
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    void sameInkAsLibreOffice_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& n : names_)
            QTest::newRow(qPrintable(n)) << n;
    }
    void sameInkAsLibreOffice()
    {
        QFETCH(QString, name);
        const QString png = dir_.filePath(u"png/"_s + QFileInfo(name).completeBaseName() + u".png"_s);
        const QImage reference = QImage(png).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!reference.isNull(), qPrintable(png));
        const metafile::MetafilePlayer player(corpus::readFile(dir_.filePath(name)));
        QVERIFY(player.isValid());
        metafile::PlaybackReport report;
        const QImage ours =
            player.render(reference.size(), Qt::white, &report).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(report.complete, qPrintable(report.problem));
        const int slack = std::max(2, reference.width() / 100);
        const double ourInkThere = covered(ours, reference, slack);
        const double theirInkHere = covered(reference, ours, slack);
        if (ourInkThere < 0.9 || theirInkHere < 0.9) {
            ours.save(QDir::temp().filePath(u"ours-"_s + name + u".png"_s));
            reference.save(QDir::temp().filePath(u"libreoffice-"_s + name + u".png"_s));
        }
        QVERIFY2(
            ourInkThere >= 0.9 && theirInkHere >= 0.9,
            qPrintable(u"%1: %2% of our ink near LibreOffice's, %3% of LibreOffice's near ours"_s.arg(name)
                           .arg(ourInkThere * 100, 0, 'f', 1)
                           .arg(theirInkHere * 100, 0, 'f', 1)));
    }
};

QTEST_MAIN(MetafileInteropTest)
#include "MetafileInteropTest.moc"
