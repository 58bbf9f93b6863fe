// Benchmarks of the paper layout on the generated bank of 100,000 questions:
// laying out one set of 30 questions with pictures on A3 in two columns and
// writing it as PDF, or showing it in the print preview. The banks come from bench/run
// ($TIKU_BENCH_DATA/banks/<name>/DATA/TiKu.mdb) and are only read.
#include "compose/PaperLayout.h"
#include "compose/PaperPrinting.h"
#include "store/BankStore.h"
#include "store/BankTables.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>

#include "BenchBanks.h"
#include "BenchMain.h"

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kQuestions = 30;

// The first questions of the bank whose bodies hold a picture.
std::vector<PaperQuestion> questionsWithPictures(const QString& bank)
{
    BankStore store = BankStore::openExternalBank(bank);
    Recordset rows = store.openTable(u"数学题库"_s);
    std::vector<PaperQuestion> questions;
    for (int i = 0; i < rows.recordCount() && int(questions.size()) < kQuestions; ++i) {
        rows.moveFromFirst(i);
        const QuestionRecord q = QuestionRecord::fromRow(rows.values());
        if (q.content.contains("\\pict"))
            questions.push_back({q.number, q.type, q.content, q.answer});
    }
    return questions;
}

// The sheet both figures lay the set out on: A3 landscape in two columns.
PaperSettings a3Settings()
{
    PaperSettings settings = PaperSettings::defaults();
    settings.format = PaperFormat::A3;
    return settings;
}

void writePaperPdf(benchmark::State& state, const QString& bank)
{
    const std::vector<PaperQuestion> questions = questionsWithPictures(bank);
    if (int(questions.size()) < kQuestions) {
        state.SkipWithError("the bank has fewer than 30 questions with pictures");
        return;
    }
    const PaperSettings settings = a3Settings();
    QTemporaryDir out;
    const QString file = out.filePath(u"题目.pdf"_s);
    int pages = 0;
    for (auto _ : state) {
        PaperLayout layout(settings, PaperLayout::Kind::Paper);
        layout.addSet(questions);
        QString error;
        if (!layout.writePdf(file, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        pages = layout.pageCount();
    }
    state.counters["pages"] = pages;
    state.counters["KB"] = double(QFileInfo(file).size()) / 1e3;
}

// From asking for the preview until it shows the first page: the set laid
// out, the dialog opened, its pages painted and the first one drawn.
void previewPaper(benchmark::State& state, const QString& bank)
{
    const std::vector<PaperQuestion> questions = questionsWithPictures(bank);
    if (int(questions.size()) < kQuestions) {
        state.SkipWithError("the bank has fewer than 30 questions with pictures");
        return;
    }
    const PaperSettings settings = a3Settings();
    int pages = 0;
    for (auto _ : state) {
        auto layout = std::make_shared<PaperLayout>(settings, PaperLayout::Kind::Paper);
        layout->addSet(questions);
        QPrintPreviewDialog* preview = openPaperPreview(nullptr, layout);
        QCoreApplication::processEvents(); // the first page drawn
        auto* pagesShown = preview->findChild<QPrintPreviewWidget*>();
        pages = pagesShown ? pagesShown->pageCount() : 0;
        state.PauseTiming();
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
        if (pages == 0) {
            state.SkipWithError("the preview shows no page");
            return;
        }
    }
    state.counters["pages"] = pages;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // the preview is a window
    const auto banks = benchBanks("paper_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        const QString bank = dir + u"/DATA/TiKu.mdb"_s;
        addBankBenchmark(u"paper.pdf.sets1x30."_s + name, [bank](benchmark::State& s) {
            writePaperPdf(s, bank);
        })->UseRealTime();
        addBankBenchmark(u"paper.preview.sets1x30."_s + name, [bank](benchmark::State& s) {
            previewPaper(s, bank);
        })->UseRealTime();
    }
    return runSelectedBenchmarks(argc, argv);
}
