// The formula engine: loading it and typesetting the first formula, the
// typesetting of typical school formulas, and the memory the engine adds.
//
//   formula.first (ms)  a new engine: loading the bundle and the first formula
//   formula.render (ms) the median over 50 school formulas, engine loaded
//   formula.longest (ms) the longest plain formula the length limit allows (a
//                       sum of 1s): what the time limit for it must allow
//   formula.rss (MB)    resident memory a process gains by loading the engine
//                       and typesetting the 50 formulas (measured in a process
//                       of its own, started by the benchmark)
#include "formula/FormulaEngine.h"
#include "formula/FormulaRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// From a first fraction to systems of equations: what questions hold.
const QStringList& schoolFormulas()
{
    static const QStringList formulas{
        u"\\frac{1}{2}x^2+\\sqrt{3}"_s,
        u"\\frac{3}{4}"_s,
        u"-\\frac{2}{3}a+\\frac{1}{6}b"_s,
        u"x^2-5x+6=0"_s,
        u"x=\\frac{-b\\pm\\sqrt{b^2-4ac}}{2a}"_s,
        u"\\sqrt{2}\\approx 1.414"_s,
        u"\\sqrt[3]{-27}=-3"_s,
        u"(a+b)^2=a^2+2ab+b^2"_s,
        u"a^2-b^2=(a+b)(a-b)"_s,
        u"|x-2|<3"_s,
        u"\\left|-\\frac{1}{2}\\right|=\\frac{1}{2}"_s,
        u"2x+3\\geq 7"_s,
        u"-1<x\\leq 4"_s,
        u"a\\neq 0"_s,
        u"\\begin{cases}x+y=5\\\\x-y=1\\end{cases}"_s,
        u"\\begin{cases}2x+3y=12\\\\3x-2y=5\\end{cases}"_s,
        u"\\begin{cases}x+y+z=6\\\\x-y=1\\\\2x+z=7\\end{cases}"_s,
        u"\\begin{cases}x-1>0\\\\2x+3\\leq 9\\end{cases}"_s,
        u"\\angle ABC=90^{\\circ}"_s,
        u"\\triangle ABC\\cong\\triangle DEF"_s,
        u"AB\\parallel CD"_s,
        u"AB\\perp BC"_s,
        u"\\angle 1+\\angle 2=180^{\\circ}"_s,
        u"S=\\pi r^2"_s,
        u"C=2\\pi r"_s,
        u"\\sin A=\\frac{BC}{AB}"_s,
        u"\\tan 30^{\\circ}=\\frac{\\sqrt{3}}{3}"_s,
        u"y=kx+b\\ (k\\neq 0)"_s,
        u"y=\\frac{k}{x}"_s,
        u"y=a(x-h)^2+k"_s,
        u"y=ax^2+bx+c"_s,
        u"\\Delta=b^2-4ac"_s,
        u"x_1+x_2=-\\frac{b}{a}"_s,
        u"x_1x_2=\\frac{c}{a}"_s,
        u"\\bar{x}=\\frac{x_1+x_2+\\cdots+x_n}{n}"_s,
        u"s^2=\\frac{1}{n}\\left[(x_1-\\bar{x})^2+\\cdots+(x_n-\\bar{x})^2\\right]"_s,
        u"\\sum_{i=1}^{n}i=\\frac{n(n+1)}{2}"_s,
        u"3\\times 4\\div 6=2"_s,
        u"\\pm 5"_s,
        u"10^{-3}"_s,
        u"2.5\\times 10^{6}"_s,
        u"a^m\\cdot a^n=a^{m+n}"_s,
        u"(a^m)^n=a^{mn}"_s,
        u"\\sqrt{a^2}=|a|"_s,
        u"\\frac{a}{b}\\div\\frac{c}{d}=\\frac{ad}{bc}"_s,
        u"\\overrightarrow{AB}+\\overrightarrow{BC}=\\overrightarrow{AC}"_s,
        u"\\alpha+\\beta=90^{\\circ}"_s,
        u"\\begin{pmatrix}1&2\\\\3&4\\end{pmatrix}"_s,
        u"P(A)=\\frac{m}{n}"_s,
        u"\\because a>b,\\ \\therefore a+c>b+c"_s,
    };
    return formulas;
}

QString scriptPath()
{
    return QCoreApplication::applicationDirPath() + u"/formula-engine.js"_s;
}

double residentMb()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1e6 : 0;
}

// In a process of its own: the memory the engine adds, printed in MB.
int probeResidentMemory()
{
    // Qt's own start-up (fonts, the platform) before the baseline.
    QImage warm(10, 10, QImage::Format_ARGB32);
    const double before = residentMb();
    FormulaEngine engine(scriptPath());
    FormulaRenderer withEngine(&engine);
    for (const QString& f : schoolFormulas()) {
        if (!withEngine.render(f, 10.5).ok())
            return 1;
    }
    std::printf("%.3f\n", residentMb() - before);
    return 0;
}

void firstFormula(benchmark::State& state)
{
    for (auto _ : state) {
        FormulaEngine engine(scriptPath());
        const Formula f = FormulaRenderer(&engine).render(schoolFormulas().first(), 10.5);
        if (!f.ok()) {
            state.SkipWithError(f.error.toUtf8().constData());
            return;
        }
    }
}

void renderFormulas(benchmark::State& state)
{
    FormulaEngine engine(scriptPath());
    FormulaRenderer renderer(&engine);
    if (const Formula f = renderer.render(u"x"_s, 10.5); !f.ok()) {
        state.SkipWithError(f.error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        std::vector<double> ms;
        for (const QString& source : schoolFormulas()) {
            QElapsedTimer clock;
            clock.start();
            const Formula f = renderer.render(source, 10.5);
            ms.push_back(clock.nsecsElapsed() / 1e6);
            if (!f.ok()) {
                state.SkipWithError((source + u": "_s + f.error).toUtf8().constData());
                return;
            }
        }
        std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
        state.SetIterationTime(ms[ms.size() / 2] / 1000.0);
    }
}

void longestFormula(benchmark::State& state)
{
    FormulaEngine engine(scriptPath());
    engine.setTimeLimit(60000); // measured, not stopped
    QString sum = u"1+"_s.repeated(FormulaEngine::kMaxSourceLength / 2);
    sum.chop(1);
    if (const FormulaEngine::Result r = engine.typeset(u"x"_s); !r.ok()) {
        state.SkipWithError(r.error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        const FormulaEngine::Result r = engine.typeset(sum);
        if (!r.ok()) {
            state.SkipWithError(r.error.toUtf8().constData());
            return;
        }
    }
    state.counters["limit_ms"] = FormulaEngine(scriptPath()).timeLimitFor(sum.size());
}

void residentMemory(benchmark::State& state)
{
    double mb = 0;
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(), {u"--rss-probe"_s});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0) {
            state.SkipWithError("the memory probe failed");
            return;
        }
        mb = probe.readAllStandardOutput().trimmed().toDouble();
    }
    state.counters["MB"] = mb;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--rss-probe") == 0)
        return probeResidentMemory();
    benchmark::RegisterBenchmark("formula.first", firstFormula)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("formula.render", renderFormulas)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("formula.longest", longestFormula)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("formula.rss", residentMemory)->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
