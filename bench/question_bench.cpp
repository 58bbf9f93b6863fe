// Benchmarks of the question windows on generated banks: building the
// knowledge-point tree, a search in 查询、浏览 until its first question is on
// show, stepping with 下一个 and 上一个, and the memory after stepping through
// a whole result.
//
// The banks come from bench/run as for bank_bench ($TIKU_BENCH_DATA/banks/
// <name>/DATA/TiKu.mdb); figures are named <what>.<bank>. The tree figures use
// the bank with 10,000 knowledge paths (q100k) and are named after the paths.
#include "questions/frmseastu.h"
#include "questions/KnowledgeTreePicker.h"
#include "questions/QuestionForm.h"
#include "store/BankStore.h"
#include "store/ProgramDirectory.h"
#include "ui/RichTextBox.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "BenchBanks.h"
#include "BenchMain.h"
#include "ui/ProgramStyle.h"
#include "ui/SongtiFont.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Resident memory of this process in MB (10^6 bytes), from /proc.
double residentMB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024 / 1e6;
    }
    return 0;
}

// SQLite alone reading the distinct paths, every value fetched as text.
int readDistinctPaths(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT DISTINCT 第一知识点, 第二知识点, 第三知识点 FROM 知识点表", -1, &st,
                       nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 3; ++c)
            benchmark::DoNotOptimize(sqlite3_column_text(st, c));
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

void treeBuild(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    QTreeWidget tree;
    QLineEdit l1, l2, l3;
    KnowledgeTreePicker picker(&tree, &l1, &l2, &l3);
    for (auto _ : state) {
        BankStore store = BankStore::openBank();
        picker.build(store);
    }
    state.counters["nodes"] = double(tree.topLevelItem(0)->childCount());
}

// The tree build over SQLite's own read of the same paths, timed in turn.
void treeVsSqlite(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    QTreeWidget tree;
    QLineEdit l1, l2, l3;
    KnowledgeTreePicker picker(&tree, &l1, &l2, &l3);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QDir(dir).filePath(u"DATA/TiKu.mdb"_s).toUtf8().constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("sqlite3_open_v2 failed");
        sqlite3_close(db);
        return;
    }
    qint64 ours = 0;
    qint64 theirs = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        {
            BankStore store = BankStore::openBank();
            picker.build(store);
        }
        ours += t.nsecsElapsed();
        t.start();
        benchmark::DoNotOptimize(readDistinctPaths(db));
        theirs += t.nsecsElapsed();
    }
    sqlite3_close(db);
    state.counters["x"] = theirs > 0 ? double(ours) / double(theirs) : 0;
}

// 查询、浏览 as a teacher has it open, with answers for any box it raises.
struct SearchWindow
{
    ScriptedDialogs dialogs;
    frmseastu window;

    SearchWindow()
    {
        window.show();
        QCoreApplication::processEvents();
    }
    void click(const char* name)
    {
        window.findChild<QPushButton*>(QString::fromLatin1(name))->click();
        QCoreApplication::processEvents(); // what is shown gets laid out and painted
    }
    bool quiet() const { return dialogs.shown().isEmpty(); }
};

void searchFirst(benchmark::State& state, const QString& dir, int criteria)
{
    setProgramDirectory(dir);
    const std::vector<QuestionRecord> sample = BankStore::openBank().questions({Condition::identityIs(1)});
    SearchWindow w;
    QuestionForm* form = w.window.form();
    if (criteria >= 1 && !sample.empty())
        form->Text2->setText(sample.front().path.level1);
    if (criteria >= 3 && !sample.empty()) {
        form->Text3->setText(sample.front().path.level2);
        form->Text4->setText(sample.front().path.level3);
    }
    const QuestionFilter filter = form->filter();
    int found = 0;
    for (auto _ : state) {
        w.click("Command6");
        state.PauseTiming();
        found = w.window.browser().count();
        form->clear();
        form->Text2->setText(filter.path.level1);
        form->Text3->setText(filter.path.level2);
        form->Text4->setText(filter.path.level3);
        state.ResumeTiming();
    }
    if (!w.quiet())
        state.SkipWithError(qPrintable(w.dialogs.shown().first().text));
    state.counters["found"] = found;
}

bool hasPicture(const QuestionRecord& q)
{
    return q.content.contains("\\pict");
}

// One move each way between a question with a picture and the one before it.
void browseNext(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    SearchWindow w;
    w.click("Command6");
    w.click("Command5");
    while (!hasPicture(w.window.browser().current().record) && w.quiet())
        w.click("Command5");
    w.click("Command7");
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        w.click("Command5");
        w.click("Command7");
        state.SetIterationTime(double(t.nsecsElapsed()) / 2e9);
    }
    if (!w.quiet())
        state.SkipWithError(qPrintable(w.dialogs.shown().first().text));
}

// Through the whole result once, as a teacher paging to the end would.
void browseRss(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir);
    SearchWindow w;
    int shown = 0;
    for (auto _ : state) {
        w.click("Command6");
        shown = 1;
        const int count = w.window.browser().count();
        for (; shown < count && w.quiet(); ++shown)
            w.click("Command5");
    }
    if (!w.quiet())
        state.SkipWithError(qPrintable(w.dialogs.shown().first().text));
    state.counters["shown"] = shown;
    state.counters["MB"] = residentMB();
}

template <typename Fn>
benchmark::internal::Benchmark* add(const QString& name, Fn fn, bool manualTime = false)
{
    auto* b = addBankBenchmark(name, fn);
    return manualTime ? b->UseManualTime() : b->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyProgramFont(); // as the program has it
    applyProgramStyle();
    const auto banks = benchBanks("question_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        if (name == u"q100k"_s) {
            add(u"tree.build.paths10k"_s, [dir](benchmark::State& s) { treeBuild(s, dir); });
            add(u"tree.build.paths10k.vs.sqlite"_s, [dir](benchmark::State& s) { treeVsSqlite(s, dir); });
        }
        for (int criteria : {0, 1, 3}) {
            add(u"search.first.criteria%1.%2"_s.arg(criteria).arg(name),
                [dir, criteria](benchmark::State& s) { searchFirst(s, dir, criteria); });
        }
        add(
            u"browse.next."_s + name, [dir](benchmark::State& s) { browseNext(s, dir); }, true);
        // Once: stepping through 100,000 questions takes minutes.
        add(u"browse.rss."_s + name, [dir](benchmark::State& s) { browseRss(s, dir); })
            ->Iterations(1)
            ->Repetitions(1);
    }
    return runSelectedBenchmarks(argc, argv);
}
