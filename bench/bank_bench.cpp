// Benchmarks of the bank store on generated banks: opening a bank, proposing
// the next question number, counting the questions, and the login.
//
// The banks come from bench/run: $TIKU_BENCH_DATA/banks/<name>/DATA/TiKu.mdb,
// made by `tiku-admin generate` (name q10k: 10,000 questions; q100k: 100,000);
// $TIKU_BENCH_BANKS, when set, names the banks to use (comma-separated).
// Every figure is named <what>.<bank>, e.g. bank.count.q100k.
#include "store/BankStore.h"
#include "store/LoginCheck.h"
#include "store/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "BenchBanks.h"
#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void openBank(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir); // the store opens <dir>/DATA/TiKu.mdb
    for (auto _ : state) {
        // The full bank-file check runs on the first open only; later opens
        // compare the file's identity with the checked one.
        BankStore store = BankStore::openBank();
        benchmark::DoNotOptimize(&store);
    }
}

void nextNumber(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir); // the store opens <dir>/DATA/TiKu.mdb
    BankStore store = BankStore::openBank();
    QString n;
    for (auto _ : state)
        benchmark::DoNotOptimize(n = nextQuestionNumber(store));
    state.counters["next"] = n.toDouble();
}

void countQuestions(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir); // the store opens <dir>/DATA/TiKu.mdb
    BankStore store = BankStore::openBank();
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(n = store.questionCount());
    state.counters["questions"] = double(n);
}

void login(benchmark::State& state, const QString& dir)
{
    setProgramDirectory(dir); // the store opens <dir>/DATA/TiKu.mdb
    for (auto _ : state) {
        const LoginOutcome outcome = checkLogin(u"admin"_s, u"admin123"_s);
        if (outcome.kind != LoginOutcome::LoggedIn) {
            state.SkipWithError("admin/admin123 did not log in");
            break;
        }
    }
}

template <typename Fn> void add(const QString& name, Fn fn, const QString& dir)
{
    addBankBenchmark(name, [fn, dir](benchmark::State& s) { fn(s, dir); })->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto banks = benchBanks("bank_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        add(u"bank.open."_s + name, openBank, dir);
        add(u"bank.nextnumber."_s + name, nextNumber, dir);
        add(u"bank.count."_s + name, countQuestions, dir);
        add(u"login."_s + name, login, dir);
    }
    return runSelectedBenchmarks(argc, argv);
}
