#pragma once

#include "store/BankFiles.h"

#include <QDateTime>
#include <QString>

// Backup, restore and merge of whole bank files, as the three maintenance
// windows and `tiku-admin backup|restore|merge` do them. A file the user
// picked is checked before anything changes; a refusal carries its reason in
// words for the user, and leaves every file as it was. Failures of the engine
// (a locked or read-only bank, a full disk) throw StoreError, and also leave
// the bank as it was.
namespace BankMaintenance {

// Copies the bank file `bank` to `target`, replacing a file of that name.
// Throws StoreError (also when `target` is the bank itself).
void backup(const QString& bank, const QString& target);

struct RestoreResult
{
    bool restored = false;
    QString refusal;    // why nothing was done, when not restored
    QString safetyCopy; // where the bank was kept just before it was replaced
};

// Replaces the content of `bank` by the bank file `source`. A source that is
// missing, not a bank file or the bank itself is refused. Before anything is
// replaced the bank is copied to safetyCopyPath(bank, now).
RestoreResult restore(const QString& source, const QString& bank,
                      const QDateTime& now = QDateTime::currentDateTime());

// Where restore() keeps the bank before replacing it: beside it, as
// TiKu-恢复前-<yyyyMMdd-HHmmss>.mdb (with -2, -3, ... when that name is taken).
QString safetyCopyPath(const QString& bank, const QDateTime& now);

struct MergeResult
{
    bool merged = false;
    QString refusal; // why nothing was done, when not merged
    QuestionMerge appended;
};

// Appends every question of the bank file `source` to `bank` (see
// appendQuestionsFrom), or none. A source that is missing, not a bank file or
// the bank itself is refused; a source without questions appends nothing and
// counts as merged.
MergeResult merge(const QString& source, const QString& bank, const MergeProgress& progress = {});

} // namespace BankMaintenance
