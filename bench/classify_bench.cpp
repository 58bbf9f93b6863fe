// Benchmarks of the classification windows on the bank with 10,000 knowledge
// paths (q100k): opening 编辑知识点 until its grid is shown, and exporting the
// classification in 导出知识点到WORD and saving the document.
//
// The banks come from bench/run ($TIKU_BENCH_DATA/banks/<name>/DATA/TiKu.mdb);
// the figures are named after the paths, as the tree figures of
// question_bench are.
#include "classify/ClassificationGrid.h"
#include "classify/DaoChZHSHD.h"
#include "classify/XG_ZHSHD.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>

#include "BenchBanks.h"
#include "BenchMain.h"
#include "ui/ProgramStyle.h"
#include "ui/SongtiFont.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The first box a window raised that was not a save dialog, if any: a store
// error or an unexpected message spoils the figure.
QString unexpectedBox(const ScriptedDialogs& dialogs)
{
    for (const ScriptedDialogs::Shown& s : dialogs.shown()) {
        if (s.kind != ScriptedDialogs::Kind::SaveFile)
            return s.text;
    }
    return QString();
}

// 编辑知识点 made, loaded from the bank and shown with its grid painted.
void gridOpen(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    ScriptedDialogs dialogs;
    int rows = 0;
    for (auto _ : state) {
        auto w = std::make_unique<XG_ZHSHD>();
        w->show();
        QCoreApplication::processEvents(); // laid out and painted
        state.PauseTiming();
        rows = w->grid()->gridRows() - 1;
        w.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (const QString box = unexpectedBox(dialogs); !box.isEmpty())
        state.SkipWithError(qPrintable(box));
    state.counters["rows"] = rows;
}

// 导  出 then 保  存 in 导出知识点到WORD, the document shown in its box.
void exportAndSave(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    ScriptedDialogs dialogs;
    QTemporaryDir out;
    const QString file = out.filePath(u"知识点分类.rtf"_s);
    DaoChZHSHD w;
    w.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        dialogs.answerFile(file);
        w.Command1->click();
        w.Command2->click();
        QCoreApplication::processEvents(); // the new document laid out and painted
    }
    if (const QString box = unexpectedBox(dialogs); !box.isEmpty())
        state.SkipWithError(qPrintable(box));
    state.counters["lines"] = w.RichTextBox1->document()->blockCount();
    state.counters["KB"] = double(QFileInfo(file).size()) / 1e3;
}

template <typename Fn> void add(const QString& name, Fn fn)
{
    addBankBenchmark(name, fn)->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyProgramFont(); // as the program has it
    applyProgramStyle();
    const auto banks = benchBanks("classify_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        if (name == u"q100k"_s) {
            add(u"grid.open.paths10k"_s, [dir](benchmark::State& s) { gridOpen(s, dir); });
            add(u"export.kp.paths10k"_s, [dir](benchmark::State& s) { exportAndSave(s, dir); });
        }
    }
    return runSelectedBenchmarks(argc, argv);
}
