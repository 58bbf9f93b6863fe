#pragma once

#include "store/BankFiles.h"

#include <QDateTime>
#include <QString>

// Backup, restore and merge of whole bank files, as the three maintenance
// windows and `tiku-admin backup|restore|merge` do them. A file the user
// picked is checked before anything changes (a bank file, its tables real
// tables, its pages whole); a refusal carries its reason in words for the
// user, naming that file, and leaves every file as it was. Failures of the
// engine (a locked or read-only bank, a full disk) throw StoreError; a
// backup or merge then leaves the bank as it was, a restore says what
// became of it (RestoreError).
namespace BankMaintenance {

// Copies the bank file `bank` to `target`, replacing a file of that name.
// Throws StoreError (also when `target` is the bank itself).
void backup(const QString& bank, const QString& target);

struct RestoreResult
{
    bool restored = false;
    QString refusal;    // why nothing was done, when not restored
    QString safetyCopy; // where the bank was kept just before it was replaced; empty when there was none
};

// Why `source` cannot be restored into `bank` (missing, not a bank file,
// damaged, the bank itself), or an empty string when it can.
QString restoreRefusal(const QString& source, const QString& bank);

// Replaces the content of `bank` by the bank file `source` (restoreRefusal
// first). Before anything is replaced the bank is copied to
// safetyCopyPath(bank, now). A bank that is damaged, or missing, is
// restored too: what is there is kept aside as it is. Throws RestoreError.
RestoreResult restore(const QString& source, const QString& bank,
                      const QDateTime& now = QDateTime::currentDateTime());

// What the windows say after a restore: "题库恢复成功！" and where the bank
// as it was went.
QString restoredMessage(const RestoreResult& result);

// Where restore() keeps the bank before replacing it: beside it, as
// TiKu-恢复前-<yyyyMMdd-HHmmss>.mdb (with -2, -3, ... when that name is taken).
QString safetyCopyPath(const QString& bank, const QDateTime& now);

struct MergeResult
{
    bool merged = false;
    QString refusal; // why nothing was done, when not merged
    QuestionMerge appended;
};

// Appends every question of the bank file `source` to `bank`, with the
// knowledge paths and question types the bank lacks (see
// appendQuestionsFrom), or none of it. A source that is missing, not a bank
// file, damaged or the bank itself is refused; a source without questions
// appends none and counts as merged.
MergeResult merge(const QString& source, const QString& bank, const MergeProgress& progress = {});

// What the merge window says after a merge: "题库合并成功！", and how many
// knowledge paths and question types came with the questions.
QString mergedMessage(const MergeResult& result);

} // namespace BankMaintenance
