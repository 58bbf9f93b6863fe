#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The program's own backups of its bank: when the program ends, at most once
// a day, a copy into the folder 备份 beside the bank (DATA/备份/), named after
// the bank and the time (TiKu-20260901-173000.mdb); the newest ten are kept.
// Each new copy is checked (SQLite's quick_check): a copy of a damaged bank
// is kept apart as TiKu-20260901-173000-损坏.mdb (the newest such copy only),
// and never counts among the ten, so it never pushes a good copy out.
namespace AutomaticBackup {

constexpr int kKept = 10;

// <folder of the bank>/备份
QString folderFor(const QString& bank);

struct Result
{
    QString made;        // the new backup; empty when today's existed already
    QString damage;      // why the new backup failed its check (it was then kept apart as `made`)
    QStringList removed; // older backups removed, beyond the newest `keep`
};

// Makes today's backup of `bank` unless one exists, checks it, then removes
// all but the newest `keep` good backups and all but the newest damaged one.
// Only files named as these backups are ever removed (and the temporaries
// that killed copies left). Throws StoreError when the copy fails; the older
// backups stay then.
Result run(const QString& bank, const QDateTime& now, int keep = kKept);

// run() for the end of the program: does nothing when `bank` does not exist,
// and reports a failure, or a bank found damaged, on standard error instead
// of throwing.
void atProgramEnd(const QString& bank);

// The newest automatic backup of `bank` that passes the check (checkBankFile),
// newest first by the time in its name; empty when there is none.
QString newestGood(const QString& bank);

// True when the newest automatic backup of `bank` is a copy found damaged:
// the bank was damaged when the program last ended.
bool newestIsDamaged(const QString& bank);

// The time an automatic backup was made, read from its name; invalid when
// the name is not one of these backups'.
QDateTime madeAt(const QString& backup);

} // namespace AutomaticBackup
