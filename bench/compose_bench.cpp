// Benchmarks of the automatic composer on the generated bank of 100,000
// questions: composing three sets of 100 questions into a paper and its
// answers, and saving both documents as RTF.
//
// The criteria are knowledge paths at two and three levels, alone or with a
// type or a difficulty, each matching between 10 and 10,000 questions. The
// banks come from bench/run ($TIKU_BENCH_DATA/banks/<name>/DATA/TiKu.mdb)
// and are only read.
#include "compose/CompositionCriteria.h"
#include "compose/PaperComposer.h"
#include "store/BankStore.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "BenchBanks.h"
#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kQuestions = 100;
constexpr int kSets = 3;

struct Criteria
{
    std::vector<TableQuery> queries{}; // question i + 1 at index i
    int fewest = 0;
    int most = 0;
};

Criteria criteriaFor(BankStore& store)
{
    const QStringList types = store.sortedDistinctValues(TableQuery{u"数学题库"_s}, u"题型"_s);
    const QStringList levels = {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s};
    Criteria c;
    c.fewest = std::numeric_limits<int>::max();
    int k = 0;
    for (const KnowledgePath& path : store.knowledgePaths()) {
        if (int(c.queries.size()) >= kQuestions)
            break;
        CompositionCriteria criteria;
        criteria.path.level1 = path.level1;
        criteria.path.level2 = path.level2;
        switch (k++ % 4) {
        case 0:
            break;
        case 1:
            criteria.path.level3 = path.level3;
            break;
        case 2:
            criteria.type = types.isEmpty() ? QString() : types[k % types.size()];
            break;
        case 3:
            criteria.difficulty = levels[k % levels.size()];
            break;
        }
        const TableQuery query = candidateQuery(criteria);
        const int n = store.count(query);
        if (n < 10 || n > 10000)
            continue;
        c.queries.push_back(query);
        c.fewest = std::min(c.fewest, n);
        c.most = std::max(c.most, n);
    }
    return c;
}

// Composes the sets into fresh documents; false with the failure in `error`.
bool compose(const QString& bank, const Criteria& criteria, std::uint64_t seed, QTextDocument& paper,
             QTextDocument& answers, QString* error)
{
    QTextCursor paperCaret(&paper);
    QTextCursor answerCaret(&answers);
    SeededUniform random(seed);
    PaperComposer composer([&] { return BankStore::openExternalBank(bank); }, std::ref(random));
    for (int k = 1; k <= kSets; ++k) {
        const ComposedSet set = composer.composeSet(k, criteria.queries, paperCaret, answerCaret);
        if (!set.complete()) {
            *error = set.failure;
            return false;
        }
    }
    return true;
}

void composeSets(benchmark::State& state, const QString& bank)
{
    BankStore store = BankStore::openExternalBank(bank);
    const Criteria criteria = criteriaFor(store);
    if (int(criteria.queries.size()) < kQuestions) {
        state.SkipWithError("the bank has too few knowledge paths for 100 criteria");
        return;
    }
    std::uint64_t seed = 1;
    int blocks = 0;
    for (auto _ : state) {
        QTextDocument paper;
        QTextDocument answers;
        QString error;
        if (!compose(bank, criteria, seed++, paper, answers, &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        blocks = paper.blockCount();
    }
    state.counters["fewest"] = criteria.fewest;
    state.counters["most"] = criteria.most;
    state.counters["blocks"] = blocks;
}

void saveSets(benchmark::State& state, const QString& bank)
{
    BankStore store = BankStore::openExternalBank(bank);
    const Criteria criteria = criteriaFor(store);
    QTextDocument paper;
    QTextDocument answers;
    QString error;
    if (int(criteria.queries.size()) < kQuestions || !compose(bank, criteria, 1, paper, answers, &error)) {
        state.SkipWithError(error.isEmpty() ? "too few criteria" : error.toUtf8().constData());
        return;
    }
    QTemporaryDir out;
    for (auto _ : state) {
        if (!saveDocumentAsRtf(paper, out.filePath(u"题目.rtf"_s), &error) ||
            !saveDocumentAsRtf(answers, out.filePath(u"答案.rtf"_s), &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
    }
    state.counters["KB"] = double(QFileInfo(out.filePath(u"题目.rtf"_s)).size() +
                                  QFileInfo(out.filePath(u"答案.rtf"_s)).size()) /
                           1e3;
}

void add(const QString& name, const std::function<void(benchmark::State&)>& fn)
{
    addBankBenchmark(name, fn)->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const auto banks = benchBanks("compose_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        const QString bank = dir + u"/DATA/TiKu.mdb"_s;
        add(u"compose.sets3x100."_s + name, [bank](benchmark::State& s) { composeSets(s, bank); });
        add(u"compose.save.sets3x100."_s + name, [bank](benchmark::State& s) { saveSets(s, bank); });
    }
    return runSelectedBenchmarks(argc, argv);
}
