// Benchmarks of the RTF reader and writer.
//
//   rtf.read.zh5mb        reading the 5.24 MB cp936 document into a QTextDocument (MB/s of RTF);
//                         fails unless all 356,142 ideographs come out
//   rtf.read.zh5mb_pics   the same with 108 PNG pictures
//   rtf.write.zh5mb       writing that document as RTF (MB/s of RTF written)
//   rtf.show.question5k   reading a ~5 KB question with one PNG picture into a QTextDocument,
//                         picture decoded and registered: ready to show (ms)
//   rtf.show.question5k.layout  the same and laying it out 600 px wide (ms); the layout is
//                         Qt's and costs about 1 ms for this text even as plain text
//   rtf.read.paper_with_equations  reading a generated paper of 200 MathType equation
//                         objects (OLE data and WMF face each) with Chinese text between them
//                         (MB/s of RTF); fails unless every equation comes out as LaTeX
//   rtf.read.zh5mb.rss    peak resident memory of a process that reads zh5mb.rtf (MB),
//                         measured by running rtf_read_once beside this program
//
// Inputs come from bench/run: $TIKU_BENCH_DATA/rtf/zh5mb.rtf and zh5mb_pics.rtf, made by
// bench/tools/gen_cp936_bench.py. By hand:
//   python3 bench/tools/gen_cp936_bench.py 5 /tmp/b/rtf/zh5mb.rtf
//   python3 bench/tools/gen_cp936_bench.py 5 /tmp/b/rtf/zh5mb_pics.rtf pics
//   TIKU_BENCH_DATA=/tmp/b QT_QPA_PLATFORM=offscreen build-release/bin/rtf_bench --benchmark_repetitions=5
#include "metafilegen/Samples.h"
#include "rtf/RtfPictures.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kIdeographs = 356142;

QByteArray readInput(const char* name)
{
    const QString path = qEnvironmentVariable("TIKU_BENCH_DATA") + u"/rtf/"_s + QLatin1String(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

qsizetype ideographs(const QTextDocument& doc)
{
    qsizetype n = 0;
    for (const QChar c : doc.toPlainText())
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            ++n;
    return n;
}

void readDocument(benchmark::State& state, const char* name, qsizetype expectedIdeographs)
{
    const QByteArray rtf = readInput(name);
    if (rtf.isEmpty()) {
        state.SkipWithError("input missing: run bench/run, or set TIKU_BENCH_DATA (see rtf_bench.cpp)");
        return;
    }
    for (auto _ : state) {
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
        state.PauseTiming();
        if (expectedIdeographs > 0 && ideographs(doc) != expectedIdeographs) {
            state.SkipWithError("the document does not have the expected ideographs");
            state.ResumeTiming();
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void readZh5mb(benchmark::State& state)
{
    readDocument(state, "zh5mb.rtf", kIdeographs);
}

void readZh5mbPics(benchmark::State& state)
{
    readDocument(state, "zh5mb_pics.rtf", 0);
}

void writeZh5mb(benchmark::State& state)
{
    const QByteArray rtf = readInput("zh5mb.rtf");
    if (rtf.isEmpty()) {
        state.SkipWithError("input missing: run bench/run, or set TIKU_BENCH_DATA (see rtf_bench.cpp)");
        return;
    }
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray out = RtfWriter::write(doc);
        written = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * written);
}

constexpr int kPaperEquations = 200;

// A paper pasted from Word: 200 questions, each a line of Chinese text with a
// MathType equation as Word writes it (the object's class and data, its WMF
// face as the result).
QByteArray paperWithEquations()
{
    QStringEncoder gbk("GB18030");
    const QByteArray object =
        "{\\dn8{\\object\\objemb\\objw2000\\objh900{\\*\\objclass Equation.DSMT4}"
        "{\\*\\objdata\n" +
        metafilegen::quadraticEquationObject().toHex() +
        "\n}{\\result{\\pict\\wmetafile8\\picw3528\\pich1588\\picwgoal2000\\pichgoal900\n" +
        metafilegen::formulaWmf().toHex() + "\n}}}}";
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs24\n";
    for (int i = 1; i <= kPaperEquations; ++i) {
        const QByteArray text = gbk.encode(u"%1．用公式法解一元二次方程，求根公式为"_s.arg(i));
        for (const char c : text) {
            if (uchar(c) < 0x80) {
                rtf += c;
            } else {
                rtf += "\\'";
                rtf += QByteArray::number(uchar(c), 16);
            }
        }
        rtf += object + "\\'a1\\'a3\\par\n";
    }
    return rtf + '}';
}

int convertedEquations(const QTextDocument& doc)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it)
            if (!it.fragment().charFormat().property(rtf::FormulaSource).toString().isEmpty())
                n += it.fragment().length();
    return n;
}

void readPaperWithEquations(benchmark::State& state)
{
    const QByteArray rtf = paperWithEquations();
    for (auto _ : state) {
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
        state.PauseTiming();
        if (convertedEquations(doc) != kPaperEquations) {
            state.SkipWithError("not every equation object came out as LaTeX");
            state.ResumeTiming();
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// A question as the program stores it: a paragraph of Chinese text with
// formatting, a formula-like line, and one PNG figure; about 5 KB.
QByteArray question5k()
{
    QStringEncoder gbk("GBK");
    const auto zh = [&](const QString& s) {
        QByteArray out;
        for (const char b : QByteArray(gbk(s)))
            out += "\\'" + QByteArray::number(quint8(b), 16);
        return out;
    };
    QImage figure(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < figure.height(); ++y)
        for (int x = 0; x < figure.width(); ++x)
            figure.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, ((x ^ y) * 3) & 0xFF));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    figure.save(&buffer, "PNG");

    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 " + zh(u"宋体"_s) +
                     ";}}\n\\pard\\plain\\f0\\fs21 ";
    const QString sentence =
        u"如图，在三角形ABC中，点D是边BC的中点，连接AD并延长到点E，使DE等于AD，求证：AB平行于CE。"_s;
    while (rtf.size() < 5000 - png.size() * 2 - 200)
        rtf += "{\\b " + zh(u"已知"_s) + "}" + zh(sentence) + "{\\i x}{\\super 2}\\par\n\\pard ";
    rtf += "{\\pict\\pngblip\\picw120\\pich80\\picwgoal1800\\pichgoal1200\n" + png.toHex() + "}\\par\n}";
    return rtf;
}

void showQuestion(benchmark::State& state)
{
    const QByteArray rtf = question5k();
    for (auto _ : state) {
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.counters["bytes"] = double(rtf.size());
}

void showQuestionLayout(benchmark::State& state)
{
    const QByteArray rtf = question5k();
    for (auto _ : state) {
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        doc.setTextWidth(600);
        benchmark::DoNotOptimize(doc.size()); // lays the document out
    }
    state.counters["bytes"] = double(rtf.size());
}

// Peak RSS is a property of a whole process, so a fresh one reads the file.
void readRss(benchmark::State& state)
{
    const QString file = qEnvironmentVariable("TIKU_BENCH_DATA") + u"/rtf/zh5mb.rtf"_s;
    const QString program = QCoreApplication::applicationDirPath() + u"/rtf_read_once"_s;
    double mb = 0;
    for (auto _ : state) {
        QProcess process;
        process.start(program, {file});
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            state.SkipWithError("rtf_read_once failed");
            return;
        }
        const QByteArray out = process.readAllStandardOutput();
        const qsizetype at = out.indexOf("peak_rss_kb ");
        if (at < 0) {
            state.SkipWithError("rtf_read_once gave no peak RSS on this system");
            return;
        }
        mb = out.mid(at + 12).trimmed().toDouble() * 1024.0 / 1e6;
    }
    state.counters["MB"] = mb;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::RegisterBenchmark("rtf.read.zh5mb", readZh5mb)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("rtf.read.zh5mb_pics", readZh5mbPics)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("rtf.read.paper_with_equations", readPaperWithEquations)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("rtf.write.zh5mb", writeZh5mb)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("rtf.show.question5k", showQuestion)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("rtf.show.question5k.layout", showQuestionLayout)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("rtf.read.zh5mb.rss", readRss)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
