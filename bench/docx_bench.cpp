// The Word import on generated papers: reading and splitting a 30-page paper
// (300 formulas, 40 pictures), one OMML formula to LaTeX, and the peak memory
// of a whole import without typesetting (the formula engine has figures of
// its own, formula.*).
#include "docx/BodyWriter.h"
#include "docx/DocxReader.h"
#include "docx/OmmlToLatex.h"
#include "docx/PaperSplitter.h"
#include "docx/XmlElement.h"
#include "docxgen/PaperSamples.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QStringList kTypes{u"选择题"_s, u"填空题"_s, u"解答题"_s};

const QByteArray& paper30()
{
    static const QByteArray bytes = docxgen::benchmarkPaper(60, 300, 40);
    return bytes;
}

// The peak resident size of this process (VmHWM), in MB; 0 where the system
// does not say.
double peakResidentMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024 / 1e6;
    }
    return 0;
}

// In a process of its own: read, split and write every body as RTF, as an
// import does; prints the peak memory in MB.
int probeImport()
{
    QImage warm(10, 10, QImage::Format_ARGB32);
    QString error;
    const std::optional<docx::Document> doc =
        docx::DocxReader::readBytes(paper30(), u"paper30.docx"_s, &error);
    if (!doc)
        return 1;
    const docx::SplitPaper paper = docx::PaperSplitter::split(*doc, kTypes);
    docx::BodyWriter writer(*doc, nullptr);
    qint64 written = 0;
    for (const docx::SplitQuestion& q : paper.questions)
        written += writer.rtf(q.content).size() + writer.rtf(q.answer).size();
    if (written == 0)
        return 1;
    std::printf("%.3f\n", peakResidentMb());
    return 0;
}

void readAndSplit(benchmark::State& state)
{
    const QByteArray& bytes = paper30();
    for (auto _ : state) {
        QString error;
        const std::optional<docx::Document> doc =
            docx::DocxReader::readBytes(bytes, u"paper30.docx"_s, &error);
        if (!doc) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        const docx::SplitPaper paper = docx::PaperSplitter::split(*doc, kTypes);
        benchmark::DoNotOptimize(paper.questions.size());
    }
}

// One formula a pass, going round the samples of every kind.
void convertOmml(benchmark::State& state)
{
    std::vector<docx::XmlElement> formulas;
    for (const docxgen::OmmlSample& s : docxgen::ommlSamples()) {
        QXmlStreamReader reader(docxgen::oMath(s.omml));
        while (!reader.atEnd() && !reader.isStartElement())
            reader.readNext();
        formulas.push_back(docx::readElement(reader));
    }
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(docx::ommlToLatex(formulas[next]).latex.size());
        next = (next + 1) % formulas.size();
    }
}

void importMemory(benchmark::State& state)
{
    double mb = 0;
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(), {u"--import-probe"_s});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0) {
            state.SkipWithError("the import probe failed");
            return;
        }
        mb = probe.readAllStandardOutput().trimmed().toDouble();
    }
    state.counters["MB"] = mb;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--import-probe") == 0)
        return probeImport();
    benchmark::RegisterBenchmark("import.docx.paper30", readAndSplit)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("omml.convert", convertOmml)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("import.docx.rss", importMemory)->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
