// Benchmarks of the bank maintenance on generated banks: merging a bank into
// a copy of itself, and backing up and restoring it, each also against what
// it is measured by in the same run (SQLite's own INSERT ... SELECT between
// the two attached files; copying the file, and copying it and forcing the
// copy onto the disk, the fair peer of an operation that is on the disk when
// it says it is done).
//
// The banks come from bench/run as for bank_bench ($TIKU_BENCH_DATA/banks/
// <name>/DATA/TiKu.mdb), and are only read: every benchmark works on copies
// in a temporary folder. Figures are named <what>.<bank>, e.g. merge.q100k.
#include "admin/BankMaintenance.h"
#include "store/BankStore.h"
#include "store/PlatformFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "BenchBanks.h"
#include "BenchMain.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Copies the file as `cp` does; the time of this is what backup and restore are measured by.
bool copyFile(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::remove(fsPath(to), ec);
    return std::filesystem::copy_file(fsPath(from), fsPath(to), ec);
}

// Copies the file and forces the copy onto the disk (fsync), as `cp` followed by `sync FILE`.
bool copyFileSynced(const QString& from, const QString& to)
{
    if (!copyFile(from, to))
        return false;
    QFile copy(to);
    return copy.open(QIODevice::ReadWrite) && syncToDisk(copy);
}

// The peer of a backup or a restore: a plain copy, or one forced onto the disk.
bool peerCopy(const QString& from, const QString& to, bool synced)
{
    return synced ? copyFileSynced(from, to) : copyFile(from, to);
}

qint64 timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed();
}

QString bankOf(const QString& dir)
{
    return QDir(dir).filePath(u"DATA/TiKu.mdb"_s);
}

// SQLite alone appending every question of `source` to `target`.
bool sqliteMerge(const QString& source, const QString& target)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(target.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const QByteArray attach = "ATTACH DATABASE '" + source.toUtf8() + "' AS src";
    const char* insert = "INSERT INTO main.数学题库 (题目编号, 题型, 知识点一, 知识点二, 知识点三, 难度, "
                         "内容, 答案, 是否中考题, "
                         "录入人, 录入时间) SELECT 题目编号, 题型, 知识点一, 知识点二, 知识点三, 难度, 内容, "
                         "答案, 是否中考题, "
                         "录入人, 录入时间 FROM src.数学题库";
    ok = ok && sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr) == SQLITE_OK &&
         sqlite3_exec(db, insert, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Ours merges a bank into a fresh copy of itself; with `vsSqlite`, SQLite's
// own statement does the same into another fresh copy, and the figure is
// the ratio of the two times.
void merge(benchmark::State& state, const QString& dir, bool vsSqlite)
{
    const QString source = bankOf(dir);
    QTemporaryDir tmp;
    const QString target = tmp.filePath(u"target.mdb"_s);
    qint64 ours = 0;
    qint64 theirs = 0;
    qint64 appended = 0;
    for (auto _ : state) {
        if (!copyFile(source, target)) {
            state.SkipWithError("cannot copy the bank");
            return;
        }
        const qint64 t = timed([&] { appended = BankMaintenance::merge(source, target).appended.appended; });
        ours += t;
        if (vsSqlite) {
            if (!copyFile(source, target)) {
                state.SkipWithError("cannot copy the bank");
                return;
            }
            bool ok = true;
            theirs += timed([&] { ok = sqliteMerge(source, target); });
            if (!ok) {
                state.SkipWithError("SQLite's INSERT ... SELECT failed");
                return;
            }
        }
        state.SetIterationTime(double(t) / 1e9);
    }
    state.counters["questions"] = double(appended);
    if (vsSqlite)
        state.counters["x"] = theirs > 0 ? double(ours) / double(theirs) : 0;
}

void backupVsCopy(benchmark::State& state, const QString& dir, bool synced)
{
    const QString bank = bankOf(dir);
    QTemporaryDir tmp;
    const QString target = tmp.filePath(u"backup.mdb"_s);
    const QString copy = tmp.filePath(u"copy.mdb"_s);
    qint64 ours = 0;
    qint64 theirs = 0;
    for (auto _ : state) {
        QFile::remove(target);
        bool copied = false;
        theirs += timed([&] { copied = peerCopy(bank, copy, synced); });
        QFile::remove(copy);
        ours += timed([&] { BankMaintenance::backup(bank, target); });
        if (!copied) {
            state.SkipWithError("cannot copy the bank");
            return;
        }
    }
    state.counters["x"] = theirs > 0 ? double(ours) / double(theirs) : 0;
}

// A restore of a backup into a live bank, its safety copy included.
void restoreVsCopy(benchmark::State& state, const QString& dir, bool synced)
{
    QTemporaryDir tmp;
    const QString live = tmp.filePath(u"DATA/TiKu.mdb"_s);
    const QString backup = tmp.filePath(u"backup.mdb"_s);
    const QString copy = tmp.filePath(u"copy.mdb"_s);
    QDir(tmp.path()).mkpath(u"DATA"_s);
    if (!copyFile(bankOf(dir), live) || !copyFile(bankOf(dir), backup)) {
        state.SkipWithError("cannot copy the bank");
        return;
    }
    qint64 ours = 0;
    qint64 theirs = 0;
    for (auto _ : state) {
        bool copied = false;
        theirs += timed([&] { copied = peerCopy(backup, copy, synced); });
        QFile::remove(copy);
        BankMaintenance::RestoreResult r;
        ours += timed([&] { r = BankMaintenance::restore(backup, live); });
        if (!copied || !r.restored) {
            state.SkipWithError(copied ? qPrintable(r.refusal) : "cannot copy the bank");
            return;
        }
        QFile::remove(r.safetyCopy);
    }
    state.counters["x"] = theirs > 0 ? double(ours) / double(theirs) : 0;
}

template <typename Fn> benchmark::internal::Benchmark* add(const QString& name, Fn fn)
{
    // A whole bank per iteration: one is enough for a repetition.
    return addBankBenchmark(name, fn)->Iterations(1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto banks = benchBanks("admin_bench");
    if (banks.empty())
        return 2;
    for (const auto& [name, dir] : banks) {
        add(u"merge."_s + name, [dir](benchmark::State& s) { merge(s, dir, false); })->UseManualTime();
        add(u"merge.%1.vs.sqlite"_s.arg(name), [dir](benchmark::State& s) {
            merge(s, dir, true);
        })->UseManualTime();
        for (const bool synced : {false, true}) {
            const QString peer = synced ? u"cpsync"_s : u"cp"_s;
            add(u"backup.%1.vs.%2"_s.arg(name, peer), [dir, synced](benchmark::State& s) {
                backupVsCopy(s, dir, synced);
            })->UseRealTime();
            add(u"restore.%1.vs.%2"_s.arg(name, peer), [dir, synced](benchmark::State& s) {
                restoreVsCopy(s, dir, synced);
            })->UseRealTime();
        }
    }
    return runSelectedBenchmarks(argc, argv);
}
