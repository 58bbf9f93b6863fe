// The metafile player and the equation reader.
//
//   metafile.draw.mathtype (ms)  a MathType-style formula picture (WMF, 30 records)
//                                drawn at its screen size, from its bytes
//   metafile.draw.figure (ms)    a geometry figure of 200 records (WMF) drawn at
//                                its screen size, from its bytes
//   mtef.convert (ms)            an equation object (\objdata of Equation.DSMT4:
//                                OLE 1, compound file, MTEF) to LaTeX
#include "metafile/Metafile.h"
#include "metafile/Mtef.h"
#include "metafilegen/Samples.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void draw(benchmark::State& state, const QByteArray& data)
{
    const QSize size = (metafile::MetafilePlayer(data).naturalSize() * 96 / 72).toSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        const metafile::MetafilePlayer player(data);
        QPainter painter(&image);
        const metafile::PlaybackReport report = player.draw(painter, QRectF(QPointF(0, 0), size));
        if (!report.complete) {
            state.SkipWithError("the picture did not play to its end");
            return;
        }
    }
}

void drawFormula(benchmark::State& state)
{
    draw(state, metafilegen::formulaWmf());
}

void drawFigure(benchmark::State& state)
{
    draw(state, metafilegen::figureWmf());
}

void convertEquation(benchmark::State& state)
{
    const QByteArray objdata = metafilegen::quadraticEquationObject();
    for (auto _ : state) {
        const metafile::LatexResult r = metafile::equationObjectToLatex(objdata);
        if (!r.ok()) {
            state.SkipWithError("the equation did not convert");
            return;
        }
        benchmark::DoNotOptimize(r.latex.size());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::RegisterBenchmark("metafile.draw.mathtype", drawFormula)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("metafile.draw.figure", drawFigure)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("mtef.convert", convertEquation)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
