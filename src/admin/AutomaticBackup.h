#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The program's own backups of its bank: when the program ends, at most once
// a day, a copy into the folder 备份 beside the bank (DATA/备份/), named after
// the bank and the time (TiKu-20260901-173000.mdb); the newest ten are kept.
namespace AutomaticBackup {

constexpr int kKept = 10;

// <folder of the bank>/备份
QString folderFor(const QString& bank);

struct Result
{
    QString made;        // the new backup; empty when today's existed already
    QStringList removed; // older backups removed, beyond the newest `keep`
};

// Makes today's backup of `bank` unless one exists, then removes all but the
// newest `keep` backups. Only files named as these backups are ever removed.
// Throws StoreError when the copy fails; the older backups stay then.
Result run(const QString& bank, const QDateTime& now, int keep = kKept);

// run() for the end of the program: does nothing when `bank` does not exist,
// and reports a failure on standard error instead of throwing.
void atProgramEnd(const QString& bank);

} // namespace AutomaticBackup
