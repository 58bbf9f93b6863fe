#include "common/FormulaSample.h"
#include "common/MemoryLimits.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// A paragraph in code page 936 with a bold run, a table row of two cells, and
// a paragraph with a Unicode escape.
const QByteArray kSample = QByteArrayLiteral(
    "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\n"
    "\\f0\\fs21 \\'b5\\'da\\'d2\\'bb\\'cc\\'e2 {\\b x}=1\\par\n"
    "\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row\n"
    "\\pard last \\u233?\\par\n}");
const QStringList kSampleLines{u"第一题 x=1"_s, u"a\tb"_s, u"last é"_s};

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList& args)
{
    QProcess p;
    p.start(QString::fromUtf8(TIKU_ADMIN), QStringList{u"convert"_s} + args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The lines of the text output without the empty lines at its end.
QStringList linesOf(const QByteArray& utf8)
{
    QStringList lines = QString::fromUtf8(utf8).split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class ConvertToolTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void textIsOneLinePerParagraph();
    void htmlShowsTheSameDocument();
    void rtfIsWhatTheWriterMakes();
    void textGivesAFormulaAsItsSource();
    void largePicturesAreNotKeptDecoded();
    void errors_data();
    void errors();

private:
    QTemporaryDir dir_;
    QString sample_;
};

void ConvertToolTest::init()
{
    sample_ = dir_.filePath(u"样题.rtf"_s);
    QFile f(sample_);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(kSample), kSample.size());
}

void ConvertToolTest::textIsOneLinePerParagraph()
{
    const Run r = runTool({sample_, u"--to"_s, u"text"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.out.contains('\r'));
    QVERIFY(r.out.endsWith('\n'));
    QCOMPARE(linesOf(r.out), kSampleLines);

    // --to=VALUE and the options before the file work alike.
    const Run same = runTool({u"--to=text"_s, sample_});
    QCOMPARE(same.exitCode, 0);
    QCOMPARE(same.out, r.out);
}

void ConvertToolTest::htmlShowsTheSameDocument()
{
    const Run r = runTool({sample_, u"--to"_s, u"html"_s});
    QCOMPARE(r.exitCode, 0);
    const QString html = QString::fromUtf8(r.out);
    QVERIFY(html.contains(u"<table"_s));
    QTextDocument doc;
    doc.setHtml(html);
    const QString text = doc.toPlainText();
    QVERIFY2(text.contains(u"第一题 x=1"_s), qPrintable(text));
    QVERIFY2(text.contains(u"last é"_s), qPrintable(text));
}

void ConvertToolTest::rtfIsWhatTheWriterMakes()
{
    const Run r = runTool({sample_, u"--to"_s, u"rtf"_s});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QTextDocument doc;
    RtfReader::read(kSample, &doc);
    QCOMPARE(r.out, RtfWriter::write(doc)); // byte for byte, no line-end translation

    // Converting that RTF again gives the same visible text.
    const QString again = dir_.filePath(u"again.rtf"_s);
    QFile f(again);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(r.out);
    f.close();
    const Run text = runTool({again, u"--to"_s, u"text"_s});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(linesOf(text.out), kSampleLines);
}

// A formula is its LaTeX source between dollars; a picture is nothing.
void ConvertToolTest::textGivesAFormulaAsItsSource()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(u"若 "_s);
    formulasample::insert(c, u"\\frac{a}{b}=\\sqrt{2}"_s);
    c.insertText(u"，则 "_s);
    formulasample::insert(c, u"a^2\\div b^2"_s);
    c.insertText(u" 等于"_s);
    c.insertBlock();
    QTextImageFormat picture = formulasample::format(&doc, u"y"_s);
    picture.clearProperty(rtf::FormulaSource);
    c.insertImage(picture);
    c.insertText(u"如图"_s);
    const QString file = dir_.filePath(u"公式.rtf"_s);
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(RtfWriter::write(doc));
    f.close();

    const Run r = runTool({file, u"--to"_s, u"text"_s});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(linesOf(r.out),
             (QStringList{u"若 $\\frac{a}{b}=\\sqrt{2}$，则 $a^2\\div b^2$ 等于"_s, u"如图"_s}));
}

// Twenty photographs of 5,000 x 5,000 pixels in a 4 MB document: decoded they
// would take 2,000 MB. Reading, converting and writing the document again
// never decodes them: the process takes little more memory than the file.
void ConvertToolTest::largePicturesAreNotKeptDecoded()
{
#ifndef Q_OS_UNIX
    QSKIP("the memory a process takes is measured on POSIX systems");
#endif
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936 \\'c8\\'e7\\'cd\\'bc";
    for (int i = 0; i < 20; ++i)
        rtf += memorylimits::rtfPicture(memorylimits::largePng(5000, i), 3000);
    rtf += "\\par}";
    const QString file = dir_.filePath(u"照片.rtf"_s);
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(rtf);
    f.close();
    for (const QString& format : {u"text"_s, u"html"_s, u"rtf"_s}) {
        const memorylimits::ChildRun r = memorylimits::runWithMemoryLimit(
            QString::fromUtf8(TIKU_ADMIN), {u"convert"_s, file, u"--to"_s, format}, qint64(3) << 30);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.peakKb > 0 && r.peakKb < memorylimits::boundKb(150000),
                 qPrintable(u"%1: %2 kB"_s.arg(format).arg(r.peakKb)));
        if (format == u"text")
            QCOMPARE(linesOf(r.out), QStringList{u"如图"_s});
        if (format == u"rtf")
            QCOMPARE(r.out.count("\\pict"), 20); // every picture written back
    }
}

void ConvertToolTest::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("mentions");
    const QString missing = dir_.filePath(u"没有.rtf"_s);
    QTest::newRow("no arguments") << QStringList{} << 2 << u"usage"_s;
    QTest::newRow("no --to") << QStringList{u"@sample"_s} << 2 << u"usage"_s;
    QTest::newRow("--to without value") << QStringList{u"@sample"_s, u"--to"_s} << 2 << u"usage"_s;
    QTest::newRow("--to twice") << QStringList{u"@sample"_s, u"--to"_s, u"rtf"_s, u"--to=text"_s} << 2
                                << u"usage"_s;
    QTest::newRow("unknown option") << QStringList{u"@sample"_s, u"--to"_s, u"rtf"_s, u"--from"_s} << 2
                                    << u"usage"_s;
    QTest::newRow("two files") << QStringList{u"@sample"_s, u"@sample"_s, u"--to"_s, u"rtf"_s} << 2
                               << u"usage"_s;
    QTest::newRow("bad --to") << QStringList{u"@sample"_s, u"--to"_s, u"pdf"_s} << 1 << u"pdf"_s;
    QTest::newRow("missing file") << QStringList{missing, u"--to"_s, u"text"_s} << 1 << missing;
    QTest::newRow("folder") << QStringList{dir_.path(), u"--to"_s, u"text"_s} << 1 << dir_.path();
}

void ConvertToolTest::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, mentions);
    args.replaceInStrings(u"@sample"_s, sample_);
    const Run r = runTool(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QByteArray());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.contains(mentions), qPrintable(err));
}

QTEST_MAIN(ConvertToolTest)
#include "ConvertToolTest.moc"
